// The add-media dialog: which drives it offers and how it names them, the selection
// and refresh, the label proposed for a folder, the refusal of a missing folder, and
// the answer with composed label, comment and advanced running number.
#include "app/media/CAddMediaDlg.h"
#include "Mnemonics.h"
#include "QtTestApp.h"
#include "core/ConfigData.h"
#include "core/Resources.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using namespace quillora;
using namespace quillora::test;

namespace {

SDrive Drive(const std::string& root, DriveKind kind, const std::string& label,
             std::uint32_t serial, bool present = true, const std::string& source = {}) {
    SDrive drive;
    drive.m_root = root;
    drive.m_kind = kind;
    drive.m_label = label;
    drive.m_serial = serial;
    drive.m_present = present;
    drive.m_source = source.empty() ? "/dev/sr0" : source;
    return drive;
}

std::vector<SDrive> FakeDrives() {
    return {
        Drive("/media/u/PHOTOS", DriveKind::CdRom, "PHOTOS", 0x12AB34CD),
        Drive("/media/u/empty", DriveKind::CdRom, "", 0, false),
        Drive("/mnt/share", DriveKind::Remote, "", 0x55555555, false, "//server/music"),
        Drive("/media/u/stick", DriveKind::Removable, "", 0x0000BEEF),
        Drive("/", DriveKind::Fixed, "system", 1),
        Drive("/ram", DriveKind::RamDisk, "ram", 2),
    };
}

std::vector<std::string> Roots(const std::vector<SAddMediaDriveRow>& rows) {
    std::vector<std::string> roots;
    for (const auto& row : rows) {
        roots.push_back(row.m_root);
    }
    return roots;
}

class CAddMediaDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        Config().SetDefaults();
    }
    void TearDown() override { Config().SetDefaults(); }

    std::unique_ptr<CAddMediaDlg> Dialog(int tab, const std::string& lastDrive) {
        auto dialog = std::make_unique<CAddMediaDlg>(
            tab, lastDrive, nullptr, [this] { return m_drives; }, [](int) { return true; });
        dialog->SetMessageSink([this](const std::string& text) { m_messages.push_back(text); });
        return dialog;
    }

    std::vector<SDrive> m_drives = FakeDrives();
    std::vector<std::string> m_messages;
};

} // namespace

TEST(AddMediaDriveRows, OffersReadableAndNetworkDrivesOfTheUsedPositions) {
    const auto rows = BuildAddMediaDriveRows(FakeDrives(), [](int) { return true; });
    EXPECT_EQ(Roots(rows),
              (std::vector<std::string>{"/media/u/PHOTOS", "/mnt/share", "/media/u/stick", "/"}))
        << "an empty drive and a RAM disk are not offered";

    EXPECT_EQ(rows[0].m_display, "PHOTOS(/media/u/PHOTOS)");
    EXPECT_EQ(rows[0].m_name, "PHOTOS");
    EXPECT_EQ(rows[0].m_serialText, "12AB-34CD");
    EXPECT_EQ(rows[0].m_imageIndex, 4);

    EXPECT_EQ(rows[1].m_display, "//server/music(/mnt/share)");
    EXPECT_EQ(rows[1].m_name, "music");
    EXPECT_EQ(rows[1].m_serialText, "0000-0000") << "a network drive has serial 0";
    EXPECT_EQ(rows[1].m_imageIndex, 24);

    EXPECT_EQ(rows[2].m_name, "0000-BEEF") << "no label: named by its serial";
    EXPECT_EQ(rows[2].m_display, "0000-BEEF(/media/u/stick)");
    EXPECT_EQ(rows[2].m_imageIndex, 12);
    EXPECT_EQ(rows[3].m_imageIndex, 22);

    const auto firstOnly = BuildAddMediaDriveRows(FakeDrives(), [](int p) { return p != 0; });
    EXPECT_EQ(firstOnly.front().m_root, "/mnt/share") << "positions count from 0";

    std::vector<SDrive> many(40, Drive("/m", DriveKind::Removable, "X", 1));
    EXPECT_EQ(BuildAddMediaDriveRows(many, {}).size(), kMaxAddMediaDrives);
}

TEST(AddMediaDriveRows, ADiscWhoseSerialCannotBeReadSaysSo) {
    SDrive locked = Drive("/media/u/DISC", DriveKind::CdRom, "", 0);
    locked.m_serialUnknown = true;
    SDrive labelled = locked;
    labelled.m_label = "HOLIDAY";
    const auto rows = BuildAddMediaDriveRows({locked, labelled}, {});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].m_serialText, "（不明）");
    EXPECT_EQ(rows[0].m_name, "Unkown") << "never a serial made up as its name";
    EXPECT_EQ(rows[1].m_name, "HOLIDAY");
    EXPECT_EQ(rows[1].m_serialText, "（不明）");
}

TEST_F(CAddMediaDlgTest, SelectsTheLastDriveAndProposesItsName) {
    auto dialog = Dialog(0, "/media/u/stick");
    EXPECT_EQ(dialog->SelectedDriveRow(), 2);
    EXPECT_EQ(dialog->LabelText(), "0000-BEEF");

    auto unknown = Dialog(0, "/nowhere");
    EXPECT_EQ(unknown->SelectedDriveRow(), 0) << "else the first row";
    EXPECT_EQ(unknown->LabelText(), "PHOTOS");
}

TEST_F(CAddMediaDlgTest, RefreshKeepsTheSelectedDrive) {
    auto dialog = Dialog(0, "/mnt/share");
    ASSERT_EQ(dialog->SelectedDriveRow(), 1);
    m_drives.erase(m_drives.begin()); // PHOTOS is gone
    dialog->RefreshDrives();
    ASSERT_EQ(dialog->DriveRows().size(), 3u);
    EXPECT_EQ(dialog->SelectedDriveRow(), 0);
    EXPECT_EQ(dialog->DriveRows()[0].m_root, "/mnt/share");
}

TEST_F(CAddMediaDlgTest, DriveAnswerWithComposedLabelAdvancesTheNumber) {
    Config().m_nAddVolSerial = 1;
    Config().m_nAddVolSerialComment = 1;
    Config().m_nAddVolSerialNo = 7;
    Config().m_strAddVolSerialFormat = "%03d";
    auto dialog = Dialog(0, "/media/u/PHOTOS");
    dialog->SetLabelText("Photos");
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const auto& choice = dialog->Choice();
    EXPECT_EQ(choice.m_nTab, 0);
    EXPECT_EQ(choice.m_nDrivesListed, 4);
    EXPECT_EQ(choice.m_strDriveRoot, "/media/u/PHOTOS");
    EXPECT_EQ(choice.m_strDriveName, "PHOTOS");
    EXPECT_EQ(choice.m_dwSerial, 0x12AB34CDu);
    EXPECT_EQ(choice.m_strLabel, "Photos 007");
    EXPECT_EQ(choice.m_strComment, "007");
    EXPECT_EQ(Config().m_nAddVolSerialNo, 8);
}

TEST_F(CAddMediaDlgTest, UnsafeFormatFromTheSettingsIsNotOffered) {
    Config().m_strAddVolSerialFormat = "%s%n";
    auto dialog = Dialog(0, "");
    EXPECT_EQ(dialog->LabelOptions().m_serialFormat, "%02d");
    auto options = dialog->LabelOptions();
    options.m_serialFormat = "%s";
    dialog->SetLabelOptions(options);
    dialog->setResult(-1);
    dialog->accept();
    EXPECT_EQ(dialog->result(), -1) << "a format typed wrongly keeps the dialog open";
    EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(CAddMediaDlgTest, FolderPageRefusesAMissingFolder) {
    ScratchDir scratch;
    const std::string missing = (scratch / "not-there").string();
    auto dialog = Dialog(1, "");
    dialog->SetFolderText(missing);
    dialog->setResult(-1);
    dialog->accept();
    EXPECT_EQ(dialog->result(), -1);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], ResFormat(458, missing.c_str()));
}

TEST_F(CAddMediaDlgTest, FolderPageProposesTheFolderNameAndRemembersIt) {
    ScratchDir scratch;
    const auto folder = scratch / "Holiday 2002";
    std::filesystem::create_directories(folder);
    auto dialog = Dialog(1, "");
    dialog->SetFolderText(folder.string());
    EXPECT_EQ(dialog->LabelText(), "Holiday 2002");
    dialog->SetFolderText("");
    EXPECT_EQ(dialog->LabelText(), "");
    dialog->SetFolderText(folder.string());
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->Choice().m_nTab, 1);
    EXPECT_EQ(dialog->Choice().m_strFolder, folder.string());
    EXPECT_EQ(dialog->Choice().m_strLabel, "Holiday 2002");
    EXPECT_EQ(Config().m_strAddVolFolderName, folder.string());
    EXPECT_EQ(Config().m_addVolFolderHistory.Entries()[0], folder.string());
    EXPECT_EQ(Config().m_nAddVolSerialNo, 1) << "no running number used";
}

TEST_F(CAddMediaDlgTest, EveryControlHasAMnemonicOfItsOwn) {
    CAddMediaDlg dialog(0, "", nullptr, FakeDrives, [](int) { return true; });
    const QStringList clashes = WindowMnemonicClashes(dialog);
    EXPECT_TRUE(clashes.isEmpty()) << clashes.join("; ").toStdString();
}
