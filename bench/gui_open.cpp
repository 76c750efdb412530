// Makes a case of about 1,000,000 records (one folder holds 100,000 files), starts
// the desktop program on it, selects that folder and prints the time from start to
// the first painted list, with the steps in between. Runs offscreen unless a
// display platform is chosen.
#include "app/MainFrame.h"
#include "app/TobCaseApp.h"
#include "app/TobCaseDoc.h"
#include "app/TobCaseList.h"
#include "app/TobCaseView.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace quillora;

namespace {

SFileInfo* AddRecord(SFileInfo& parent, std::string name, std::uint32_t flags, std::uint64_t size) {
    auto record = std::make_unique<SFileInfo>();
    record->m_strName = std::move(name);
    record->m_dwFlags = flags;
    record->m_nSize = size;
    record->m_ftLastWrite = 126000000000000000ULL + size;
    return parent.AddChild(std::move(record));
}

// 9 media x 100 folders x 1,000 files, and a medium whose folder "Many" holds 100,000.
std::size_t BuildCase(const std::string& path) {
    CCDCase root;
    std::size_t records = 1;
    unsigned seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (int m = 0; m < 10; ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_dwFlags |= kFlagCdRom;
        medium->SetLabel("Disc " + std::to_string(m));
        SFileInfo* disc = root.AddChild(std::move(medium));
        ++records;
        int folders = m == 0 ? 1 : 100;
        int files = m == 0 ? 100000 : 1000;
        for (int f = 0; f < folders; ++f) {
            SFileInfo* folder =
                AddRecord(*disc, m == 0 ? "Many" : "Folder " + std::to_string(f), 0x10, 0);
            ++records;
            for (int i = 0; i < files; ++i) {
                unsigned r = next();
                AddRecord(*folder, "IMG_" + std::to_string(r % 1000000) + ".JPG", 0x20,
                          r % 5000000);
                ++records;
            }
        }
    }
    root.UpdateDisplayNameTree(true);
    root.RecalcSize(true);
    SaveCaseFile(root, path, false);
    return records;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The program saves its settings at exit and indexes the case it opens: keep both
    // away from the user's, in a folder of this run below the temporary folder.
    std::string scratch = (std::filesystem::temp_directory_path() / "quillora-bench-gui-XXXXXX");
    if (!mkdtemp(scratch.data())) {
        return 1;
    }
    setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
    setenv("XDG_STATE_HOME", scratch.c_str(), 1);
    setenv("XDG_DATA_HOME", scratch.c_str(), 1);
    std::setlocale(LC_ALL, "");
    std::string path = scratch + "/case.cas";
    std::size_t records = BuildCase(path);
    std::printf("records:                    %zu\n", records);

    QApplication qt(argc, argv);
    QApplication::setOrganizationName("Pelvane");
    QApplication::setApplicationName("Quillora");
    QElapsedTimer clock;
    clock.start();
    CTobCaseApp app;
    app.SetUnattended(true);
    if (!app.InitInstance({"quillora", QString::fromStdString(path)})) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    std::printf("start-up with the case:     %lld ms\n", static_cast<long long>(clock.elapsed()));
    CMainFrame& frame = *app.MainFrame();
    SFileInfo* many = app.Document()->Case().ChildAt(0)->ChildAt(0);
    qint64 selectStart = clock.elapsed();
    frame.Tree().Select(many);
    std::printf("select the 100,000 folder:  %lld ms (list filled and sorted)\n",
                static_cast<long long>(clock.elapsed() - selectStart));
    frame.List().viewport()->repaint();
    std::printf("first painted list:         %lld ms from start\n",
                static_cast<long long>(clock.elapsed()));
    qint64 sortStart = clock.elapsed();
    frame.List().ClickColumn(1);
    frame.List().viewport()->repaint();
    std::printf("sort by size and repaint:   %lld ms\n",
                static_cast<long long>(clock.elapsed() - sortStart));
    app.ExitInstance();
    std::remove(path.c_str());
    std::filesystem::remove_all(scratch);
    return 0;
}
