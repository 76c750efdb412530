// The streaming case reader and the tree builder: a file streams exactly the records
// of the tree it was written from, in order and with every field; the builder makes
// that tree again; errors of a damaged file and of a sink end the stream as they must.
#include "model/ArchiveException.h"
#include "model/CCDCase.h"
#include "model/CCaseReader.h"
#include "model/CMemoryCaseStream.h"
#include "model/CTreeBuilder.h"
#include "model/PropertyDefinitions.h"
#include "model/ReplayTree.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"
#include "support/MemoryStream.h"
#include "support/RandomCaseTree.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

using namespace quillora;
using quillora::test::MemoryStream;

namespace {

// Every call as one line with every field the facts hold at that point.
class CRecordingSink : public IRecordSink {
public:
    void BeginMedium(SRecordFacts& f) override { Note("begin", f); }
    void EnterFolder(SRecordFacts& f) override { Note("enter", f); }
    void Entry(SRecordFacts& f) override { Note("entry", f); }
    void LeaveFolder(SRecordFacts& f) override { Note("leave", f); }
    void EndMedium(SRecordFacts& f) override { Note("end", f); }
    void Finish(const SSinkResult& result) override {
        m_lines.push_back("finish " + std::to_string(static_cast<int>(result.m_grade)));
    }

    std::vector<std::string> m_lines;

private:
    void Note(const char* call, const SRecordFacts& f) {
        std::string line = std::string(call) + " " + std::to_string(static_cast<int>(f.m_class)) +
                           " " + f.m_strName + "|" + std::to_string(f.m_nSize) + "|" +
                           std::to_string(f.m_dwFlags) + "|" + std::to_string(f.m_wArcType) + "|" +
                           std::to_string(f.m_wExtFlags) + "|" + std::to_string(f.m_dwExtValue) +
                           "|" + std::to_string(f.m_ftLastWrite) + "|" +
                           std::to_string(f.m_ftCreation) + "|" + std::to_string(f.m_ftLastAccess) +
                           "|" + f.m_strComment + "|" + f.m_strCategory + "|" + f.m_strLink + "|" +
                           std::to_string(f.m_byMark) + std::to_string(f.m_bLinkInherited) + "|" +
                           std::to_string(f.m_data.size());
        if (f.m_pProps) {
            line += "|props " + f.m_pProps->DefinitionName();
            for (const std::string& v : f.m_pProps->Values()) {
                line += "," + v;
            }
        }
        // The fields kept after a record's contents count only where they are complete.
        const bool complete =
            std::string_view(call) != "begin" && std::string_view(call) != "enter";
        if (complete && f.m_class == RecordClass::ArcFile) {
            line += "|arc " + std::to_string(f.m_dwPackedSize) + " " + f.m_strArcText;
        }
        if (complete && (f.m_class == RecordClass::Volume || f.m_class == RecordClass::Group)) {
            const SVolumeFields& v = f.m_volume;
            line += "|vol " + v.m_strLabel + " " + v.m_strOrgLabel + " " + v.m_strVolText1 + " " +
                    v.m_strVolText2 + " " + std::to_string(v.m_dwSerial) + " " +
                    std::to_string(v.m_nTotalBytes) + " " + std::to_string(v.m_nFreeBytes) + " " +
                    std::to_string(v.m_dwSectorsPerCluster) + " " +
                    std::to_string(v.m_dwBytesPerSector);
        }
        if (f.m_class == RecordClass::Case) {
            line += "|case " + f.m_strPassword;
        }
        m_lines.push_back(std::move(line));
    }
};

std::vector<std::string> DisplayNames(const SFileInfo& record) {
    std::vector<std::string> names{record.HasFlags(kFlagCase) ? "" : record.GetDisplayName()};
    for (const auto& child : record.Children()) {
        std::vector<std::string> below = DisplayNames(*child);
        names.insert(names.end(), below.begin(), below.end());
    }
    return names;
}

std::string Written(const CCDCase& root) {
    MemoryStream stream;
    root.Write(stream);
    return stream.Bytes();
}

std::vector<std::string> Streamed(const std::string& bytes, const std::string& password) {
    MemoryStream stream(bytes);
    CRecordingSink sink;
    CCDCase::SPasswordCheck check{password, {}};
    CCaseReader::Read(stream, sink, &check);
    return sink.m_lines;
}

std::vector<std::string> Replayed(const SFileInfo& root) {
    CRecordingSink sink;
    ReplayTree(root, sink);
    return sink.m_lines;
}

// Throws from the n-th call of any kind.
class CFailingSink : public CRecordingSink {
public:
    explicit CFailingSink(int failAt) : m_nFailAt(failAt) {}
    void Entry(SRecordFacts& f) override {
        Count();
        CRecordingSink::Entry(f);
    }
    void EnterFolder(SRecordFacts& f) override {
        Count();
        CRecordingSink::EnterFolder(f);
    }

private:
    void Count() {
        if (++m_nCalls == m_nFailAt) {
            throw std::runtime_error("the sink is full");
        }
    }
    int m_nFailAt;
    int m_nCalls = 0;
};

} // namespace

TEST(CaseReader, StreamsTheRecordsOfTheWrittenTreeInOrderWithEveryField) {
    test::CRandomTreeDefinitions definitions;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::unique_ptr<CCDCase> root = test::CRandomCaseTree(seed).Make();
        const std::vector<std::string> expected = Replayed(*root);
        ASSERT_EQ(Streamed(Written(*root), root->m_strPassword), expected);
    }
}

TEST(CaseReader, TheBuilderMakesTheTreeItIsGiven) {
    test::CRandomTreeDefinitions definitions;
    for (unsigned seed = 100; seed <= 120; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::unique_ptr<CCDCase> root = test::CRandomCaseTree(seed).Make();
        CCDCase rebuilt;
        CTreeBuilder builder(rebuilt, CTreeBuilder::ETop::Fill);
        ReplayTree(*root, builder);
        EXPECT_TRUE(builder.Finished());
        EXPECT_EQ(Replayed(rebuilt), Replayed(*root));
        // The tree made from the file is the same again, display names included; only
        // the case's own name becomes the file's path.
        MemoryStream stream(Written(*root));
        CCDCase::SPasswordCheck check{root->m_strPassword, {}};
        std::unique_ptr<CCDCase> loaded = CCDCase::Read(stream, "x.cas", &check);
        const std::vector<std::string> a = Replayed(*loaded);
        const std::vector<std::string> b = Replayed(*root);
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(std::vector<std::string>(a.begin() + 1, a.end() - 2),
                  std::vector<std::string>(b.begin() + 1, b.end() - 2));
        root->UpdateDisplayNameTree(true);
        EXPECT_EQ(DisplayNames(*loaded), DisplayNames(*root));
    }
}

TEST(CaseReader, ADamagedFileEndsTheStreamWithAnErrorAndNeverFinishes) {
    std::unique_ptr<CCDCase> root = test::CRandomCaseTree(7).Make();
    root->m_strPassword.clear();
    const std::string bytes = Written(*root);
    // Cut short anywhere, the file fails; the two cluster fields of the last medium are
    // the one place a file may end early.
    for (std::size_t cut = 0; cut + 8 < bytes.size(); cut += 3) {
        MemoryStream stream(bytes.substr(0, cut));
        CRecordingSink sink;
        EXPECT_THROW(CCaseReader::Read(stream, sink), CArchiveException) << "cut at " << cut;
        EXPECT_TRUE(sink.m_lines.empty() || sink.m_lines.back().rfind("finish", 0) != 0);
    }
}

TEST(CaseReader, WhatTheSinkThrowsPassesOnUnchanged) {
    std::unique_ptr<CCDCase> root = test::CRandomCaseTree(3).Make();
    root->m_strPassword.clear();
    const std::string bytes = Written(*root);
    MemoryStream stream(bytes);
    CFailingSink sink(3);
    try {
        CCaseReader::Read(stream, sink);
        FAIL() << "no error";
    } catch (const CArchiveException&) {
        FAIL() << "the sink's error was reported as a damaged file";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "the sink is full");
    }
}

TEST(CaseReader, AWrongPasswordStopsBeforeAnyRecord) {
    std::unique_ptr<CCDCase> root = test::CRandomCaseTree(5).Make();
    root->m_strPassword = "right";
    MemoryStream stream(Written(*root));
    CRecordingSink sink;
    CCDCase::SPasswordCheck check{"wrong", {}};
    EXPECT_ANY_THROW(CCaseReader::Read(stream, sink, &check));
    EXPECT_TRUE(sink.m_lines.empty());
    EXPECT_EQ(check.filePassword, "right");
}
