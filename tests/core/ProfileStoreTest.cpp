// Settings store: typed round trips, names without regard to case, nested sections, bad
// files set aside, and saves that never damage the old file.
#include "core/ProfileStore.h"

#include "support/ScratchDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quillora;
using quillora::test::ReadFileBytes;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(ProfileStore, EveryValueTypeSurvivesTheFile) {
    ScratchDir dir;
    const std::string path = (dir / "conf" / "Quillora.conf").string();
    const std::vector<std::uint8_t> zeros = {0, 0, 1, 0, 0xFF, 0, 0x80, 0x0A};
    const std::string tricky = "line1\nline2\r\n a=b \\ [x] #no\t\x01\x7F 標準 ";
    {
        CProfileStore store;
        EXPECT_EQ(store.Load(path), EProfileLoad::Missing);
        store.SetInt("OptionView", "MRUCount", 4);
        store.SetInt("OptionDrive", "DriveUse", -1);
        store.SetInt("Limits", "Min", INT32_MIN);
        store.SetInt("Limits", "Max", INT32_MAX);
        store.SetString("Text", "Tricky", tricky);
        store.SetString("Text", "Empty", "");
        store.SetString("Text", "SerialFormat", "%02d");
        store.SetBinary("DispInfo", "Normal", zeros);
        store.SetBinary("DispInfo", "Empty", {});
        store.SetString("CSVForm\\1", "Name", "標準");
        store.SetString("PrintForm\\1\\PrinterInfo", "[Laser = 2] #1", "x");
        store.SetInt("", "", 7);
        store.CreateSection("EmptySection");
        ASSERT_TRUE(store.Save()) << store.Problem();
    }
    const std::string text = ReadFileBytes(path);
    EXPECT_EQ(text.rfind("# Quillora settings v1\n", 0), 0u);
    EXPECT_NE(text.find("[CSVForm\\\\1]\n"), std::string::npos);
    EXPECT_NE(text.find("MRUCount=i:4\n"), std::string::npos);

    CProfileStore store;
    ASSERT_EQ(store.Load(path), EProfileLoad::Ok) << store.Problem();
    EXPECT_EQ(store.GetInt("OptionView", "MRUCount", 0), 4);
    EXPECT_EQ(store.GetInt("OptionDrive", "DriveUse", 0), -1);
    EXPECT_EQ(store.GetInt("Limits", "Min", 0), INT32_MIN);
    EXPECT_EQ(store.GetInt("Limits", "Max", 0), INT32_MAX);
    EXPECT_EQ(store.GetString("Text", "Tricky"), tricky);
    EXPECT_TRUE(store.HasValue("Text", "Empty"));
    EXPECT_EQ(store.GetString("Text", "Empty", "default"), "");
    EXPECT_EQ(store.GetString("Text", "SerialFormat"), "%02d");
    EXPECT_EQ(store.GetBinary("DispInfo", "Normal"), zeros);
    EXPECT_EQ(store.GetBinary("DispInfo", "Empty"), std::vector<std::uint8_t>{});
    EXPECT_EQ(store.GetString("CSVForm\\1", "Name"), "標準");
    EXPECT_EQ(store.GetString("PrintForm\\1\\PrinterInfo", "[Laser = 2] #1"), "x");
    EXPECT_EQ(store.GetInt("", "", 0), 7);
    EXPECT_TRUE(store.HasSection("EmptySection"));
    // Writing it again gives the same bytes: the format is stable.
    EXPECT_EQ(store.ToText(), text);
}

TEST(ProfileStore, NamesIgnoreCaseAndTypesDoNotMix) {
    CProfileStore store;
    store.SetInt("OptionView", "MRUCount", 6);
    EXPECT_EQ(store.GetInt("optionview", "MRUCOUNT", 4), 6);
    store.SetInt("OPTIONVIEW", "mrucount", 8);
    EXPECT_EQ(store.SectionNames(), std::vector<std::string>{"OptionView"});
    EXPECT_EQ(store.ValueNames("optionView"), std::vector<std::string>{"MRUCount"});
    EXPECT_EQ(store.GetInt("OptionView", "MRUCount", 4), 8);

    // A value of another type reads as the default, as a registry read of the wrong type.
    store.SetString("S", "Value", "12");
    EXPECT_EQ(store.GetInt("S", "Value", -5), -5);
    store.SetInt("S", "Number", 3);
    EXPECT_EQ(store.GetString("S", "Number", "none"), "none");
    EXPECT_FALSE(store.GetBinary("S", "Number").has_value());
    EXPECT_EQ(store.TypeOf("S", "Number"), EProfileType::Int);
    store.SetBinary("S", "Number", {1});
    EXPECT_EQ(store.TypeOf("s", "number"), EProfileType::Binary);

    EXPECT_TRUE(store.DeleteValue("s", "NUMBER"));
    EXPECT_FALSE(store.DeleteValue("s", "NUMBER"));
    EXPECT_FALSE(store.DeleteValue("Nowhere", "x"));
    EXPECT_EQ(store.GetInt("Nowhere", "x", 42), 42);
}

TEST(ProfileStore, SectionDeleteTakesSubSectionsOnly) {
    CProfileStore store;
    store.SetInt("CSVForm", "Count", 2);
    store.SetInt("CSVForm\\1", "Target", 0);
    store.SetInt("CSVForm\\2", "Target", 1);
    store.SetInt("CSVForm\\2\\Deep", "X", 1);
    store.SetInt("CSVForm2", "Keep", 1);
    store.SetInt("CSVFormX", "Keep", 1);
    store.SetInt("Other\\CSVForm", "Keep", 1);
    store.SetInt("PrintForm\\1\\PrinterInfo", "Laser", 1);

    EXPECT_EQ(store.SubSectionNames("csvform"), (std::vector<std::string>{"1", "2"}));
    // A parent that only exists through its children still lists and exists.
    EXPECT_TRUE(store.HasSection("PrintForm"));
    EXPECT_EQ(store.SubSectionNames("PrintForm"), std::vector<std::string>{"1"});
    EXPECT_EQ(store.SubSectionNames("PrintForm\\1"), std::vector<std::string>{"PrinterInfo"});
    EXPECT_EQ(store.SubSectionNames(""),
              (std::vector<std::string>{"CSVForm", "CSVForm2", "CSVFormX", "Other", "PrintForm"}));

    EXPECT_TRUE(store.DeleteSection("csvFORM"));
    EXPECT_FALSE(store.HasSection("CSVForm"));
    EXPECT_FALSE(store.HasSection("CSVForm\\2\\Deep"));
    EXPECT_EQ(store.GetInt("CSVForm2", "Keep", 0), 1);
    EXPECT_EQ(store.GetInt("CSVFormX", "Keep", 0), 1);
    EXPECT_EQ(store.GetInt("Other\\CSVForm", "Keep", 0), 1);
    EXPECT_FALSE(store.DeleteSection("CSVForm"));

    EXPECT_TRUE(store.DeleteSection("PrintForm\\1\\PrinterInfo"));
    EXPECT_FALSE(store.HasSection("PrintForm"));
}

TEST(ProfileStore, MalformedTextIsRejectedWithItsLine) {
    const std::string head = "# Quillora settings v1\n";
    const struct {
        std::string text;
        const char* where;
    } cases[] = {
        {"", "line 1"},
        {"[OptionView]\nA=i:1\n", "line 1"},
        {head + "A=i:1\n", "line 2"},
        {head + "[S\n", "line 2"},
        {head + "[S]\n\n# note\nnothing here\n", "line 5"},
        {head + "[S]\nA=1\n", "line 3"},
        {head + "[S]\nA=x:1\n", "line 3"},
        {head + "[S]\nA=i:12a\n", "line 3"},
        {head + "[S]\nA=i:\n", "line 3"},
        {head + "[S]\nA=i:4294967296\n", "line 3"},
        {head + "[S]\nA=b:0\n", "line 3"},
        {head + "[S]\nA=b:zz\n", "line 3"},
        {head + "[S]\nA=s:bad\\q\n", "line 3"},
        {head + "[S]\nA=s:cut\\x4\n", "line 3"},
        {head + "[S]\nA=s:end\\\n", "line 3"},
        {head + "[S\\q]\n", "line 2"},
    };
    for (const auto& c : cases) {
        CProfileStore store;
        store.SetInt("Old", "Value", 1);
        std::string error;
        EXPECT_FALSE(store.FromText(c.text, &error)) << c.text;
        EXPECT_NE(error.find(c.where), std::string::npos) << c.text << " -> " << error;
        EXPECT_TRUE(store.Empty()) << c.text;
    }

    // Accepted variations: CRLF line ends, comments, repeated sections, unsigned integers.
    CProfileStore store;
    ASSERT_TRUE(store.FromText("# Quillora settings v1\r\n; c\r\n[S]\r\nA=i:7\r\nC=i:4294967295\r\n"
                               "[s]\r\nB=b:0A\r\na=i:2\r\n"));
    EXPECT_EQ(store.GetInt("S", "A", 0), 2);
    EXPECT_EQ(store.GetInt("S", "C", 0), -1);
    EXPECT_EQ(store.GetBinary("S", "B"), std::vector<std::uint8_t>{0x0A});
    EXPECT_EQ(store.SectionNames(), std::vector<std::string>{"S"});
}

TEST(ProfileStore, CorruptFileIsSetAsideNeverOverwritten) {
    ScratchDir dir;
    const fs::path path = dir / "Quillora.conf";
    const std::string garbage = "\x89PNG not settings at all\n";
    dir.Write("Quillora.conf", garbage);

    CProfileStore store;
    EXPECT_EQ(store.Load(path.string()), EProfileLoad::Corrupt);
    EXPECT_TRUE(store.Empty());
    EXPECT_NE(store.Problem().find(path.string()), std::string::npos);
    const std::string aside = store.SetAsidePath();
    ASSERT_FALSE(aside.empty());
    EXPECT_EQ(aside.rfind(path.string() + ".bad-", 0), 0u);
    EXPECT_EQ(ReadFileBytes(aside), garbage);
    EXPECT_FALSE(fs::exists(path));

    store.SetInt("OptionView", "MRUCount", 9);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFileBytes(aside), garbage);

    // A second bad file in the same second goes beside the first, not over it.
    dir.Write("Quillora.conf", "second bad file");
    CProfileStore again;
    EXPECT_EQ(again.Load(path.string()), EProfileLoad::Corrupt);
    EXPECT_NE(again.SetAsidePath(), aside);
    EXPECT_EQ(ReadFileBytes(aside), garbage);
    EXPECT_EQ(ReadFileBytes(again.SetAsidePath()), "second bad file");
}

TEST(ProfileStore, UnreadableStoreIsSetAsideToo) {
    ScratchDir dir;
    const fs::path path = dir / "Quillora.conf";
    fs::create_directories(path / "inside"); // a folder where the file should be
    CProfileStore store;
    EXPECT_EQ(store.Load(path.string()), EProfileLoad::Corrupt);
    EXPECT_TRUE(fs::is_directory(store.SetAsidePath() + "/inside"));
    store.SetInt("A", "B", 1);
    EXPECT_TRUE(store.Save());
    EXPECT_TRUE(fs::is_regular_file(path));
}

TEST(ProfileStore, FailedSaveKeepsTheOldFile) {
    ScratchDir dir;
    // A folder that cannot exist: its parent is a regular file.
    dir.Write("plain", "x");
    CProfileStore blocked;
    EXPECT_EQ(blocked.Load((dir / "plain" / "Quillora.conf").string()), EProfileLoad::Missing);
    blocked.SetInt("A", "B", 1);
    EXPECT_FALSE(blocked.Save());
    EXPECT_FALSE(blocked.Problem().empty());
    EXPECT_EQ(ReadFileBytes(dir / "plain"), "x");

    // A write that fails half-way (file size limit) leaves the old file and no debris.
    const fs::path path = dir / "conf" / "Quillora.conf";
    CProfileStore store;
    store.Load(path.string());
    store.SetString("Small", "Value", "old");
    ASSERT_TRUE(store.Save());
    const std::string before = ReadFileBytes(path);
    store.SetString("Big", "Value", std::string(256 * 1024, 'x'));

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = store.Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(FilesIn(path.parent_path()), std::vector<std::string>{"Quillora.conf"});
}

TEST(ProfileStore, SaveKeepsSymlinkAndRemoveFileDeletes) {
    ScratchDir dir;
    dir.Write("dotfiles/Quillora.conf", "# Quillora settings v1\n[A]\nB=i:1\n");
    fs::create_directories(dir / "config");
    const fs::path link = dir / "config" / "Quillora.conf";
    fs::create_symlink(dir / "dotfiles" / "Quillora.conf", link);

    CProfileStore store;
    ASSERT_EQ(store.Load(link.string()), EProfileLoad::Ok);
    EXPECT_EQ(store.GetInt("A", "B", 0), 1);
    store.SetInt("A", "B", 2);
    ASSERT_TRUE(store.Save());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(ReadFileBytes(dir / "dotfiles" / "Quillora.conf").find("B=i:2"), std::string::npos);

    const fs::path plain = dir / "Quillora.conf";
    CProfileStore other;
    other.Load(plain.string());
    other.SetInt("A", "B", 1);
    ASSERT_TRUE(other.Save());
    EXPECT_TRUE(other.RemoveFile());
    EXPECT_FALSE(fs::exists(plain));
    EXPECT_TRUE(other.Empty());
}
