// Presence of registered media over a given drive list: matching by serial number
// and label, folder media, network media, drive options, floppy drives, asking for
// a medium.
#include "support/ScratchDir.h"

#include "core/ConfigData.h"
#include "model/CCDCase.h"
#include "model/RecordFlags.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "scan/IMediumPrompt.h"
#include "scan/MediaPresence.h"

#include <gtest/gtest.h>

namespace quillora {
namespace {

using test::ScratchDir;

SDrive Drive(const std::filesystem::path& root, DriveKind kind, std::uint32_t serial,
             const std::string& label = {}, const std::string& source = "/dev/sdz1") {
    SDrive drive;
    drive.m_root = root.string();
    drive.m_source = source;
    drive.m_kind = kind;
    drive.m_serial = serial;
    drive.m_label = label;
    drive.m_present = true;
    return drive;
}

SVolumeInfo& AddMedium(SFileInfo& parent, std::uint32_t kind, std::uint32_t serial,
                       const std::string& orgLabel, const std::string& name = {}) {
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_dwFlags |= kind;
    medium->m_dwSerial = serial;
    medium->m_strOrgLabel = orgLabel;
    medium->m_strLabel = orgLabel;
    medium->m_strName = name;
    medium->RecomputeLocation();
    return static_cast<SVolumeInfo&>(*parent.AddChild(std::move(medium)));
}

// Each test starts from the default identification mode (which the model reads from
// the configuration) and leaves it so.
class MediaPresenceTest : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() { Config().m_nMediaId = 0; }

    std::vector<SDrive> m_drives;
    CMediaPresence m_presence{[this] { return m_drives; }};
};

TEST_F(MediaPresenceTest, WholeDriveMediaMatchBySerialAndArriveOnce) {
    ScratchDir dir;
    CCDCase root;
    SVolumeInfo& disc = AddMedium(root, kFlagCdRom, 0x1A2B3C4D, "DISC");
    SVolumeInfo& twin = AddMedium(root, kFlagCdRom, 0x1A2B3C4D, "OTHER");
    SVolumeInfo& other = AddMedium(root, kFlagRemovable, 0x11111111, "USB");
    m_drives = {Drive(dir / "cdrom", DriveKind::CdRom, 0x1A2B3C4D, "DISC")};

    // With "MediaId" 0 both media of that serial are present on the same drive.
    EXPECT_EQ(m_presence.CheckDeviceIN(root), &twin) << "the last one that arrived";
    EXPECT_EQ(disc.m_bPresent, 1);
    EXPECT_EQ(twin.m_bPresent, 1);
    EXPECT_EQ(other.m_bPresent, 0);
    EXPECT_EQ(disc.m_strRoot, (dir / "cdrom").string());
    EXPECT_EQ(disc.m_strLocation, disc.m_strRoot);
    // Nothing new arrives on the second check.
    EXPECT_EQ(m_presence.CheckDeviceIN(root), nullptr);

    // Mode 1 also compares the original label.
    Config().m_nMediaId = 1;
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(disc.m_bPresent, 1);
    EXPECT_EQ(twin.m_bPresent, 0);

    // The disc is taken out.
    m_drives.clear();
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(disc.m_bPresent, 0);
    EXPECT_EQ(disc.m_strRoot, "");
}

TEST_F(MediaPresenceTest, EmptyDriveLabelStandsAsTheFormattedSerial) {
    ScratchDir dir;
    CCDCase root;
    Config().m_nMediaId = 2; // label only
    SVolumeInfo& disc = AddMedium(root, kFlagCdRom, 0, "1A2B-3C4D");
    m_drives = {Drive(dir.Path(), DriveKind::CdRom, 0x1A2B3C4D)};
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(disc.m_bPresent, 1);
}

// A disc the user may not read has no serial: it matches no medium by serial (not even
// one registered with serial 0), only by label where that is the rule.
TEST_F(MediaPresenceTest, ADiscWithoutAReadableSerialMatchesByLabelOnly) {
    ScratchDir dir;
    CCDCase root;
    SVolumeInfo& zero = AddMedium(root, kFlagCdRom, 0, "HOLIDAY");
    SDrive drive = Drive(dir.Path(), DriveKind::CdRom, 0, "HOLIDAY");
    drive.m_serialUnknown = true;
    m_drives = {drive};
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(zero.m_bPresent, 0);
    Config().m_nMediaId = 2;
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(zero.m_bPresent, 1);
}

TEST_F(MediaPresenceTest, FolderMediumNeedsItsFolderAndSerial) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "stick/Data/Photos");
    CCDCase root;
    auto group = std::make_unique<SGroupInfo>();
    group->SetLabel("G");
    SFileInfo& g = *root.AddChild(std::move(group));
    SVolumeInfo& photos = AddMedium(g, kFlagRemovable, 0x5555AAAA, "Photos", "Data\\Photos");
    SVolumeInfo& music = AddMedium(g, kFlagRemovable, 0x5555AAAA, "Music", "Data\\Music");

    m_drives = {Drive(dir / "stick", DriveKind::Removable, 0x5555AAAA)};
    EXPECT_EQ(m_presence.CheckDeviceIN(root), &photos);
    EXPECT_EQ(photos.m_bPresent, 1);
    EXPECT_EQ(photos.m_strLocation, (dir / "stick").string() + "\\Data\\Photos");
    EXPECT_EQ(music.m_bPresent, 0) << "its folder is not on this disk";

    m_drives = {Drive(dir / "stick", DriveKind::Removable, 0x12345678)};
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(photos.m_bPresent, 0) << "same folder, another serial";
}

TEST_F(MediaPresenceTest, DriveOptionsAndFloppiesDecideWhatIsProbed) {
    ScratchDir dir;
    CCDCase root;
    SVolumeInfo& fourth = AddMedium(root, kFlagRemovable, 4, "D4");
    SVolumeInfo& floppy = AddMedium(root, kFlagRemovable, 9, "FD");
    SVolumeInfo& ram = AddMedium(root, kFlagRemovable, 7, "RAM");
    m_drives = {Drive(dir / "0", DriveKind::Removable, 1),
                Drive(dir / "1", DriveKind::Removable, 2),
                Drive(dir / "2", DriveKind::Removable, 3),
                Drive(dir / "3", DriveKind::Removable, 4),
                Drive(dir / "fd", DriveKind::Removable, 9, "", "/dev/fd0"),
                Drive(dir / "ram", DriveKind::RamDisk, 7)};

    m_presence.SetDriveChoice({false, ~(1u << 3)});
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(fourth.m_bPresent, 0) << "bit 3 cleared: the fourth drive is never probed";
    EXPECT_EQ(ram.m_bPresent, 0) << "RAM disks are not probed";
    // Another presence object keeps its own choice: the drive options are not shared.
    CMediaPresence everyDrive([this] { return m_drives; });
    everyDrive.CheckDeviceIN(root);
    EXPECT_EQ(fourth.m_bPresent, 1);
    m_presence.SetDriveChoice({});
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(fourth.m_bPresent, 1);
    EXPECT_EQ(floppy.m_bPresent, 1) << "the mount check probes floppy drives";

    // Device notifications leave the floppy drives alone: the floppy medium keeps
    // its state, and is not found anew when it was absent.
    EXPECT_EQ(m_presence.CheckDeviceIN(root, "AB"), nullptr);
    EXPECT_EQ(floppy.m_bPresent, 1);
    CMediaPresence::SetUnmounted(floppy);
    EXPECT_EQ(m_presence.CheckDeviceIN(root, "AB"), nullptr);
    EXPECT_EQ(floppy.m_bPresent, 0);
}

TEST_F(MediaPresenceTest, NetworkMediumIsPresentWhenItsShareIsMounted) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "mnt/projects/2024");
    CCDCase root;
    SVolumeInfo& share =
        AddMedium(root, kFlagRemote, 0, "2024", "\\\\FILESRV\\public\\projects\\2024");
    SVolumeInfo& gone = AddMedium(root, kFlagRemote, 0, "old", "\\\\FILESRV\\public\\old");
    EXPECT_EQ(share.m_strLocation, share.m_strName) << "absent: named by its network path";

    m_drives = {Drive(dir / "mnt", DriveKind::Remote, 0, "", "//filesrv/public")};
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(share.m_bPresent, 1);
    EXPECT_EQ(share.m_strRoot, (dir / "mnt/projects/2024").string());
    EXPECT_EQ(share.m_strLocation, share.m_strRoot);
    EXPECT_EQ(gone.m_bPresent, 0) << "its folder cannot be reached";

    m_drives.clear();
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(share.m_bPresent, 0);
    EXPECT_EQ(share.m_strLocation, share.m_strName);
}

TEST_F(MediaPresenceTest, FixedDiskMediaKeepTheirStateUntilFound) {
    CCDCase root;
    SVolumeInfo& fixed = AddMedium(root, kFlagFixed, 0x42, "HDD");
    CMediaPresence::SetMounted(fixed, nullptr);
    m_presence.CheckDeviceIN(root);
    EXPECT_EQ(fixed.m_bPresent, 1);
    std::string root2 = "/media/x/";
    CMediaPresence::SetMounted(fixed, &root2);
    EXPECT_EQ(fixed.m_strRoot, "/media/x");
    std::string slash = "/";
    CMediaPresence::SetMounted(fixed, &slash);
    EXPECT_EQ(fixed.m_strRoot, "/");
}

class CScriptedPrompt : public IMediumPrompt {
public:
    CScriptedPrompt(std::function<bool()> answer) : m_answer(std::move(answer)) {}
    bool AskForMedium(const std::string& text) override {
        m_texts.push_back(text);
        return m_answer();
    }
    std::function<bool()> m_answer;
    std::vector<std::string> m_texts;
};

TEST_F(MediaPresenceTest, RequireMediumAsksUntilInsertedOrCancelled) {
    ScratchDir dir;
    CCDCase root;
    SVolumeInfo& disc = AddMedium(root, kFlagCdRom, 0xABCD0001, "ORG");
    disc.m_strLabel = "ラベル";
    disc.SetComment("12345678901234567890123");
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = "a.txt";
    const SFileInfo& record = *disc.AddChild(std::move(file));

    // Cancelled at once.
    CScriptedPrompt cancel([] { return false; });
    EXPECT_FALSE(m_presence.RequireMedium(record, cancel));
    ASSERT_EQ(cancel.m_texts.size(), 1u);
    EXPECT_EQ(cancel.m_texts[0], "ﾒﾃﾞｨｱを挿入してください。\n"
                                 "  ﾗﾍﾞﾙ名     ： ラベル\n"
                                 "  ｵﾘｼﾞﾅﾙ名 ： ORG\n"
                                 "  ｺﾒﾝﾄ       ： 12345678901234567890...");

    // Inserted after the second question.
    int asked = 0;
    CScriptedPrompt insert([&] {
        if (++asked == 2) {
            m_drives = {Drive(dir.Path(), DriveKind::CdRom, 0xABCD0001)};
        }
        return true;
    });
    EXPECT_TRUE(m_presence.RequireMedium(record, insert));
    EXPECT_EQ(asked, 2);
    // Present now: no question.
    CScriptedPrompt none([] { return false; });
    EXPECT_TRUE(m_presence.RequireMedium(record, none));
    EXPECT_TRUE(none.m_texts.empty());
    // A record outside any medium.
    SFileInfo loose;
    EXPECT_FALSE(m_presence.RequireMedium(loose, none));
}

TEST_F(MediaPresenceTest, ShortCommentsGetNoEllipsis) {
    SVolumeInfo medium;
    medium.m_strLabel = "L";
    medium.m_strOrgLabel = "O";
    medium.SetComment("line one\nline two");
    const std::string text = CMediaPresence::InsertPromptText(medium);
    EXPECT_NE(text.find("： line one line two"), std::string::npos) << text;
    EXPECT_EQ(text.find("..."), std::string::npos);
}

} // namespace
} // namespace quillora
