// Desktop registration of the case-file types.
#include "app/ShellRegistration.h"
#include "GuiTestApp.h"
#include "app/TobCaseApp.h"
#include "core/ConfigData.h"
#include "support/ScratchDir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <filesystem>

namespace quillora {
namespace {

TEST(ShellRegistration, TypesComeFromTheDocumentStrings) {
    SCaseFileType cas = CShellRegistration::FileType(128);
    EXPECT_EQ(cas.m_strExtension, ".cas");
    EXPECT_EQ(cas.m_strName, "TobCaseﾌｧｲﾙ");
    EXPECT_EQ(cas.m_strMimeType, "application/x-tobcase-document");
    SCaseFileType caz = CShellRegistration::FileType(188);
    EXPECT_EQ(caz.m_strExtension, ".caz");
    EXPECT_EQ(caz.m_strMimeType, "application/x-tobcase-documentz");
}

TEST(ShellRegistration, InstalledFilesMatchWhatRegisterWrites) {
    std::filesystem::path dist = std::filesystem::path(QUILLORA_SOURCE_DIR) / "dist";
    EXPECT_EQ(test::ReadFileBytes(dist / "quillora.desktop"),
              CShellRegistration::DesktopEntry("quillora"));
    EXPECT_EQ(test::ReadFileBytes(dist / "quillora.xml"), CShellRegistration::MimePackage());
}

TEST(ShellRegistration, RegisterAndUnregisterForTheUser) {
    test::GuiApp();
    std::string error;
    ASSERT_TRUE(CShellRegistration::Register("/opt/my programs/quillora", &error)) << error;
    std::string desktop = test::ReadFileBytes(CShellRegistration::DesktopPath());
    EXPECT_NE(desktop.find("Exec=\"/opt/my programs/quillora\" %f\n"), std::string::npos);
    EXPECT_NE(test::ReadFileBytes(CShellRegistration::MimePath()).find("*.caz"), std::string::npos);
    // The icons the entry and the types name, the same drawings the build installs.
    const std::vector<std::string> icons = CShellRegistration::IconPaths();
    ASSERT_EQ(icons.size(), 3u);
    EXPECT_NE(icons[0].find("/icons/hicolor/scalable/apps/quillora.svg"), std::string::npos);
    EXPECT_NE(icons[2].find("/scalable/mimetypes/application-x-tobcase-documentz.svg"),
              std::string::npos);
    const std::filesystem::path dist = std::filesystem::path(QUILLORA_SOURCE_DIR) / "dist/icons";
    for (const std::string& icon : icons) {
        const std::string name = std::filesystem::path(icon).filename().string();
        EXPECT_EQ(test::ReadFileBytes(icon), test::ReadFileBytes(dist / name)) << name;
        EXPECT_FALSE(test::ReadFileBytes(icon).empty()) << name;
    }
    ASSERT_TRUE(CShellRegistration::Unregister(&error)) << error;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(CShellRegistration::DesktopPath())));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(CShellRegistration::MimePath())));
    for (const std::string& icon : icons) {
        EXPECT_FALSE(QFile::exists(QString::fromStdString(icon))) << icon;
    }
}

TEST(ShellRegistration, UnregisterSwitchEndsAtOnceAndDeletesTheSettings) {
    test::GuiApp();
    Config().OpenStore();
    Config().Store().SetInt("OptionView", "MRUCount", 6);
    ASSERT_TRUE(Config().SaveStore());
    std::string settings = Config().Store().Path();
    ASSERT_TRUE(std::filesystem::exists(settings));
    CTobCaseApp app;
    app.SetUnattended(true);
    app.SetShowWindow(false);
    EXPECT_FALSE(app.InitInstance({"quillora", "/Unregister"}));
    app.ExitInstance();
    EXPECT_FALSE(std::filesystem::exists(settings));
    Config().m_bSaveSettings = true;
}

} // namespace
} // namespace quillora
