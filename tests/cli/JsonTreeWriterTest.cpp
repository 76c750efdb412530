// tree --json written from the stream against the same lines written from the loaded
// tree, over random cases of every class and field and an old file whose sizes are
// summed when it is read.
#include "cli/CJsonTreeWriter.h"
#include "cli/RecordText.h"
#include "model/CaseFile.h"
#include "support/ByteBuilder.h"
#include "support/CliRunner.h"
#include "support/RandomCaseTree.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/mman.h>
#include <unistd.h>

using namespace quillora;
using namespace quillora::test;

namespace {

void AppendPreOrder(std::string& out, const SFileInfo& record) {
    cli::AppendRecordJson(out, record);
    out += '\n';
    for (const auto& child : record.Children()) {
        AppendPreOrder(out, *child);
    }
}

std::string FromTree(const std::string& path, const std::string& password) {
    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> root = ReadCaseFile(path, password, &badPassword, &error);
    EXPECT_TRUE(root) << error;
    std::string out;
    if (root) {
        AppendPreOrder(out, *root);
    }
    return out;
}

std::string FromStream(const std::string& path, const std::string& password) {
    const int memory = ::memfd_create("tree-json", MFD_CLOEXEC);
    EXPECT_GE(memory, 0);
    {
        cli::CJsonTreeWriter writer(FullCasePath(path), memory);
        bool badPassword = false;
        std::string error;
        EXPECT_TRUE(StreamCaseFile(path, password, writer, &badPassword, &error)) << error;
        EXPECT_TRUE(writer.Flush());
    }
    std::string out(static_cast<std::size_t>(::lseek(memory, 0, SEEK_END)), '\0');
    EXPECT_EQ(::pread(memory, out.data(), out.size(), 0), static_cast<ssize_t>(out.size()));
    ::close(memory);
    return out;
}

void DropProps(SFileInfo& record) {
    record.SetProps({});
    for (const auto& child : record.Children()) {
        DropProps(*child);
    }
}

} // namespace

TEST(JsonTreeWriter, StreamedLinesEqualThoseOfTheLoadedTree) {
    CRandomTreeDefinitions definitions;
    ScratchDir dir;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::unique_ptr<CCDCase> root = CRandomCaseTree(seed).Make();
        const std::string password = root->m_strPassword;
        const std::string path = (dir / ("case" + std::to_string(seed) + ".cas")).string();
        SaveCaseFile(*root, path, seed % 2 == 0);
        const std::string expected = FromTree(path, password);
        ASSERT_FALSE(expected.empty());
        ASSERT_EQ(FromStream(path, password), expected);
    }
}

TEST(JsonTreeWriter, AnOldFileGetsTheSizesItsLoadSums) {
    // Schema 2 keeps no folder or medium sizes: the medium's is its files' sum.
    ByteBuilder b;
    b.ClassRecord(2);
    b.Schema2Body(0, 0x20000000, "C:\\cases\\old.cas", 1);
    b.Schema2Body(0, 0x10000010, "E:\\", 3);
    b.Schema2Body(5, 0x00000020, "E:\\dir\\a.txt", 0);
    b.Schema2Body(0, 0x00000010, "E:\\empty", 0);
    b.Schema2Body(9, 0x40040020, "E:\\b.tar", 1); // listed archive, type TAR
    b.Schema2Body(9, 0x80000020, "inner.txt", 0);
    b.U32(4); // packed size of inner.txt
    b.Text("Disc").Text("").U32(0xCAFEBABE).Text("CDFS").F64(4294967296.0 + 7).F64(3.0);
    ScratchDir dir;
    const std::string path = dir.Write("old.cas", b.Bytes()).string();
    const std::string expected = FromTree(path, "");
    EXPECT_NE(expected.find("\"path\":\"Disc\",\"name\":\"\",\"class\":\"medium\",\"flags\":"),
              std::string::npos)
        << expected;
    EXPECT_NE(expected.find("\"size\":14,"), std::string::npos) << expected;
    EXPECT_EQ(FromStream(path, ""), expected);
}

TEST(JsonTreeWriter, TheCommandPrintsTheStreamedLines) {
    ScratchDir dir;
    std::unique_ptr<CCDCase> root;
    {
        CRandomTreeDefinitions definitions;
        root = CRandomCaseTree(7).Make();
    }
    // The program knows other property definitions than this test.
    DropProps(*root);
    root->m_strPassword.clear();
    const std::string path = (dir / "shelf.cas").string();
    SaveCaseFile(*root, path, false);
    CliResult tree = RunCli({"tree", path, "--json"});
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    EXPECT_EQ(tree.out, FromTree(path, ""));
}

// A line's class, flags and archive type are its own record's, however the records
// before it were made: lines are written one after another from the same buffers.
TEST(JsonTreeWriter, EachLineNamesItsOwnClassFlagsAndArcType) {
    CRandomTreeDefinitions definitions;
    std::set<std::string> kinds;
    for (unsigned seed = 1; seed <= 10; ++seed) {
        std::unique_ptr<CCDCase> root = CRandomCaseTree(seed).Make();
        std::vector<const SFileInfo*> order{root.get()};
        for (std::size_t i = 0; i < order.size(); ++i) {
            for (const auto& child : order[i]->Children()) {
                order.push_back(child.get());
            }
        }
        for (const SFileInfo* record : order) {
            const std::string expected = ",\"class\":\"" +
                                         std::string(cli::RecordClassName(record->Class())) +
                                         "\",\"flags\":" + std::to_string(record->m_dwFlags) +
                                         ",\"arcType\":" + std::to_string(record->m_wArcType) +
                                         ",\"size\":" + std::to_string(record->m_nSize) + ",";
            const std::string line = cli::RecordJson(*record);
            EXPECT_NE(line.find(expected), std::string::npos) << line;
            kinds.insert(expected.substr(0, expected.find(",\"size\"")));
        }
    }
    EXPECT_GT(kinds.size(), 5u);
}
