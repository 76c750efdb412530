// Writing stored contents out to the extraction folder and loading them from the
// medium or, through an installed extractor, from inside an archive.
#include "model/StoredContents.h"
#include "EditingTree.h"
#include "support/ScratchDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace quillora;
using namespace quillora::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

class StoredContents : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = (m_scratch / "melt").string() + "/";
        fs::create_directory(m_scratch / "melt");
    }

    fs::path Melt() const { return m_scratch / "melt"; }

    ScratchDir m_scratch;
    std::string m_folder; // the extraction folder
};

// Stands in for the archive layer: "extracts" by writing the entry's path as the
// file's contents below the folder, at a place the test chooses.
class CFakeExtractor : public IArchiveEntryExtractor {
public:
    bool ExtractEntry(const SFileInfo&, const std::string& archiveOsPath,
                      const std::string& pathInArchive, const std::string& folder,
                      std::string* extractedPath, std::string* error) override {
        m_strArchive = archiveOsPath;
        m_strEntry = pathInArchive;
        if (m_bFail) {
            *error = "damaged archive";
            return false;
        }
        fs::path target = fs::path(folder) / m_strRelative;
        fs::create_directories(target.parent_path());
        FILE* f = std::fopen(target.c_str(), "wb");
        std::fwrite(pathInArchive.data(), 1, pathInArchive.size(), f);
        std::fclose(f);
        *extractedPath = target.string();
        return true;
    }

    std::string m_strRelative = "x/y/entry.bin";
    bool m_bFail = false;
    std::string m_strArchive;
    std::string m_strEntry;
};

// Installs an extractor for one test.
class CScopedExtractor {
public:
    explicit CScopedExtractor(IArchiveEntryExtractor* e) { SetArchiveEntryExtractor(e); }
    ~CScopedExtractor() { SetArchiveEntryExtractor(nullptr); }
};

} // namespace

TEST_F(StoredContents, WrittenUnderTheRecordsNameInTheExtractionFolder) {
    SVolumeInfo disc;
    // A "\" inside a Linux name is kept in the catalogue as U+F05C.
    SFileInfo* file = AddFile(disc, "a\xEF\x81\x9C"
                                    "b.txt");
    file->SetData(Bytes("stored\0bytes"));
    std::string path;
    std::string error;
    ASSERT_TRUE(WriteStoredContents(*file, m_folder, &path, &error)) << error;
    EXPECT_EQ(path, (Melt() / "a\\b.txt").string());
    EXPECT_EQ(ReadFileBytes(path), std::string("stored\0bytes"));

    file->SetData(Bytes("second"));
    ASSERT_TRUE(WriteStoredContents(*file, m_folder, nullptr, &error)) << error;
    EXPECT_EQ(ReadFileBytes(path), "second");
}

TEST_F(StoredContents, WritingRefusesFoldersEmptyDataAndEscapingNames) {
    SVolumeInfo disc;
    std::string error;
    SFileInfo* folder = AddFolder(disc, "dir");
    EXPECT_FALSE(WriteStoredContents(*folder, m_folder, nullptr, &error));
    SFileInfo* empty = AddFile(disc, "empty.txt");
    EXPECT_FALSE(WriteStoredContents(*empty, m_folder, nullptr, &error));
    EXPECT_NE(error.find("no stored contents"), std::string::npos);
    for (const char* name : {"..", "x/../../escape", ""}) {
        SFileInfo* bad = AddFile(disc, name);
        bad->SetData(Bytes("data"));
        EXPECT_FALSE(WriteStoredContents(*bad, m_folder, nullptr, &error)) << name;
    }
    EXPECT_FALSE(fs::exists(m_scratch / "escape"));
}

TEST_F(StoredContents, AMissingFolderOrAShortWriteLeavesNoFile) {
    SVolumeInfo disc;
    SFileInfo* file = AddFile(disc, "big.bin");
    file->SetData(std::vector<std::uint8_t>(4096, 0x5A));
    std::string error;

    EXPECT_FALSE(WriteStoredContents(*file, (m_scratch / "missing").string(), nullptr, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    m_folder = Melt().string();

    // A file-size limit makes the write stop part-way, as a full disk would.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = WriteStoredContents(*file, m_folder, nullptr, &error);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(fs::exists(Melt() / "big.bin"));
}

TEST_F(StoredContents, LoadedWholeFromTheMedium) {
    m_scratch.Write("disc/sub dir/DIR/b.txt", std::string("file\0contents", 13));
    SVolumeInfo disc;
    disc.m_dwFlags |= kFlagFixed;
    disc.m_strRoot = (m_scratch / "disc").string();
    disc.m_strName = "sub dir"; // a folder medium below the mount point
    disc.RecomputeLocation();
    SFileInfo* file = AddFile(*AddFolder(disc, "DIR"), "b.txt");
    std::string error;
    ASSERT_TRUE(LoadStoredContents(*file, m_folder, &error)) << error;
    EXPECT_EQ(file->Data(), Bytes(std::string_view("file\0contents", 13)));
    EXPECT_EQ(file->DataLen(), 13u);
}

TEST_F(StoredContents, AFailedLoadKeepsWhatTheRecordHad) {
    SVolumeInfo disc;
    disc.m_strRoot = (m_scratch / "disc").string();
    disc.RecomputeLocation();
    fs::create_directories(m_scratch / "disc" / "fifo-dir");
    SFileInfo* missing = AddFile(disc, "missing.txt");
    missing->SetData(Bytes("kept"));
    std::string error;
    EXPECT_FALSE(LoadStoredContents(*missing, m_folder, &error));
    EXPECT_NE(error.find("missing.txt"), std::string::npos);
    EXPECT_EQ(missing->Data(), Bytes("kept"));

    // A name that is a folder on disk is not read as a file.
    SFileInfo* odd = AddFile(disc, "fifo-dir");
    EXPECT_FALSE(LoadStoredContents(*odd, m_folder, &error));

    SVolumeInfo absent; // not mounted now
    SFileInfo* away = AddFile(absent, "a.txt");
    EXPECT_FALSE(LoadStoredContents(*away, m_folder, &error));
    EXPECT_NE(error.find("not present"), std::string::npos);

    EXPECT_FALSE(LoadStoredContents(*AddFolder(disc, "dir"), m_folder, &error));
}

TEST_F(StoredContents, AnArchiveEntryNeedsAnExtractor) {
    SVolumeInfo disc;
    disc.m_strRoot = (m_scratch / "disc").string();
    disc.RecomputeLocation();
    SFileInfo* zip = AddFile(disc, "a.zip");
    zip->m_dwFlags = kFlagListedArchive | kAttrDirectory;
    SArcFileInfo* entry =
        AddEntry(*AddEntry(*zip, "dir", kAttrDirectory | kFlagListedArchive), "in.txt");
    entry->SetData(Bytes("old"));
    std::string error;
    EXPECT_FALSE(LoadStoredContents(*entry, m_folder, &error));
    EXPECT_NE(error.find("inside an archive"), std::string::npos);
    EXPECT_EQ(entry->Data(), Bytes("old"));

    CFakeExtractor extractor;
    CScopedExtractor installed(&extractor);
    fs::create_directories(Melt() / "x" / "keep");
    ASSERT_TRUE(LoadStoredContents(*entry, m_folder, &error)) << error;
    EXPECT_EQ(extractor.m_strArchive, (m_scratch / "disc" / "a.zip").string());
    EXPECT_EQ(extractor.m_strEntry, "dir\\in.txt");
    EXPECT_EQ(entry->Data(), Bytes("dir\\in.txt"));
    // The extracted file and its emptied folder are gone; a folder still holding
    // something stays, and so does the extraction folder.
    EXPECT_FALSE(fs::exists(Melt() / "x" / "y"));
    EXPECT_TRUE(fs::exists(Melt() / "x" / "keep"));
    EXPECT_TRUE(fs::exists(Melt()));

    // An entry read from an old case file has no entry bit; its archive still counts.
    SFileInfo* oldStyle = AddFile(*zip, "old.txt");
    ASSERT_TRUE(LoadStoredContents(*oldStyle, m_folder, &error)) << error;
    EXPECT_EQ(oldStyle->Data(), Bytes("old.txt"));

    extractor.m_strRelative = "../outside.bin";
    EXPECT_FALSE(LoadStoredContents(*entry, m_folder, &error));
    EXPECT_EQ(entry->Data(), Bytes("dir\\in.txt"));

    extractor.m_bFail = true;
    EXPECT_FALSE(LoadStoredContents(*entry, m_folder, &error));
    EXPECT_EQ(error, "damaged archive");
}

TEST_F(StoredContents, RecordOsPathJoinsTheMountPointAndTheNames) {
    SVolumeInfo disc;
    disc.m_strRoot = "/media/u/DISC";
    disc.m_strName = "Data\\Photos";
    disc.RecomputeLocation();
    SFileInfo* file = AddFile(*AddFolder(disc, "x\xEF\x81\x9Cy"), "f.jpg");
    EXPECT_EQ(RecordOsPath(*file), "/media/u/DISC/Data/Photos/x\\y/f.jpg");
    EXPECT_EQ(RecordOsPath(disc), "/media/u/DISC/Data/Photos");
    SFileInfo loose;
    EXPECT_EQ(RecordOsPath(loose), "");
}
