// GUI test application and sample data.
#include "GuiTestApp.h"

#include "core/ConfigData.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace quillora::test {

QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        std::string root = std::filesystem::temp_directory_path() /
                           ("quillora-gui-test-" + std::to_string(getpid()));
        for (const char* sub : {"config", "data", "state"}) {
            std::filesystem::create_directories(root + "/" + sub);
        }
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* a = new QApplication(argc, argv);
        QApplication::setOrganizationName("Pelvane");
        QApplication::setApplicationName("Quillora");
        return a;
    }();
    return *app;
}

namespace {

template <class T> T* Add(SFileInfo& parent, std::unique_ptr<T> child) {
    return static_cast<T*>(parent.AddChild(std::move(child)));
}

SFileInfo* AddFile(SFileInfo& parent, const std::string& name, std::uint64_t size,
                   std::uint32_t flags = kAttrArchive) {
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = name;
    file->m_nSize = size;
    file->m_dwFlags = flags;
    file->UpdateDisplayName();
    return parent.AddChild(std::move(file));
}

} // namespace

std::unique_ptr<CCDCase> MakeSampleCase() {
    auto root = std::make_unique<CCDCase>();
    auto disc = std::make_unique<SVolumeInfo>();
    disc->m_dwFlags |= kFlagCdRom;
    disc->SetLabel("Disc");
    disc->SetOrgLabel("DISC");
    SVolumeInfo* medium = Add(*root, std::move(disc));
    SFileInfo* docs = AddFile(*medium, "Docs", 0, kAttrDirectory);
    AddFile(*docs, "a.txt", 100);
    AddFile(*docs, "b.jpg", 2000);
    AddFile(*medium, "Sub", 0, kAttrDirectory);
    SFileInfo* readme = AddFile(*medium, "readme.txt", 19630);
    readme->SetComment("first line\nsecond");
    readme->SetCategory("text");
    auto group = std::make_unique<SGroupInfo>();
    group->SetLabel("Group");
    SGroupInfo* g = Add(*root, std::move(group));
    auto card = std::make_unique<SVolumeInfo>();
    card->m_dwFlags |= kFlagRemovable;
    card->SetLabel("Card");
    Add(*g, std::move(card));
    root->RecalcSize(true);
    root->UpdateDisplayNameTree(true);
    return root;
}

} // namespace quillora::test
