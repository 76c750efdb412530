// The search across case files: which files are collected and in what order, counts
// reported in list order from several workers, and files that cannot be read, need a
// password, or come after the user stopped the run.
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"
#include "scan/ArchiverSet.h"
#include "scan/CArchivedCaseFile.h"
#include "search/CCaseSearch.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

using namespace quillora;
using quillora::test::ScratchDir;
namespace fs = std::filesystem;

namespace {

// A case of one medium with `files` files named "photoN.jpg" (and "notes.txt" last):
// records = files + 3 with the root and the medium.
void WriteCase(const fs::path& path, int files, const std::string& password = {}) {
    CCDCase root;
    root.m_strPassword = password;
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_strLabel = "Disc";
    SFileInfo* disc = root.AddChild(std::move(medium));
    for (int i = 0; i < files; ++i) {
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = "photo" + std::to_string(i) + ".jpg";
        disc->AddChild(std::move(file));
    }
    auto notes = std::make_unique<SFileInfo>();
    notes->m_strName = "notes.txt";
    disc->AddChild(std::move(notes));
    fs::create_directories(path.parent_path());
    SaveCaseFile(root, path.string(), false);
}

// Records what the search reports; answers password questions from a script.
class CRecordingSink : public ICaseSearchSink {
public:
    void Listed(const std::vector<SCaseFileEntry>& entries) override {
        std::lock_guard guard(lock);
        for (const SCaseFileEntry& e : entries) {
            paths.push_back(e.m_strPath);
        }
        events.push_back("listed");
        if (onListed) {
            onListed();
        }
    }
    void Searching(std::size_t index) override {
        std::lock_guard guard(lock);
        events.push_back("searching " + paths[index]);
    }
    void Counted(std::size_t index, int count) override {
        std::lock_guard guard(lock);
        events.push_back("counted " + paths[index] + " " + std::to_string(count));
    }
    void Finished() override {
        std::lock_guard guard(lock);
        events.push_back("finished");
    }
    void PasswordNeeded(const std::string& path, const std::string& filePassword) override {
        {
            std::lock_guard guard(lock);
            questions.push_back(fs::path(path).filename().string() + " " + filePassword);
        }
        search->AnswerPassword(answer);
    }

    std::mutex lock;
    std::vector<std::string> paths;
    std::vector<std::string> events;
    std::vector<std::string> questions;
    std::optional<std::string> answer;
    std::function<void()> onListed;
    CCaseSearch* search = nullptr;
};

std::vector<std::string> RunSearch(const std::string& folder, const SFindSettings& conditions,
                                   CRecordingSink& sink, unsigned workers = 3,
                                   const std::string& password = {}) {
    CCaseSearch search(conditions, folder, password, sink, workers);
    sink.search = &search;
    search.Start();
    search.Wait();
    return sink.events;
}

std::vector<std::string> Paths(const std::vector<SCaseFileEntry>& entries) {
    std::vector<std::string> paths;
    for (const SCaseFileEntry& e : entries) {
        paths.push_back(e.m_strPath);
    }
    return paths;
}

} // namespace

TEST(CaseFileCollection, FindsCaseFilesDepthFirstWithoutFollowingLinks) {
    ScratchDir dir;
    dir.Write("top.cas", "");
    dir.Write("notes.txt", "");
    dir.Write("a/one.CAS", "");
    dir.Write("a/deeper/two.caz", "");
    dir.Write("a/deeper/three.Caz", "");
    dir.Write("b/four.cas", "");
    // A folder named like a case file is listed, not entered.
    dir.Write("folder.cas/hidden.cas", "");
    // Links into folders are not followed, so a link to an ancestor cannot loop; a
    // link named like a case file is a case file.
    fs::create_directory_symlink(dir.Path(), dir / "a/loop");
    fs::create_symlink(dir / "b/four.cas", dir / "b/link.cas");
    std::vector<std::string> paths = Paths(CollectCaseFiles(dir.Path().string()));
    std::vector<std::string> sorted = paths;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted,
              (std::vector<std::string>{"a/deeper/three.Caz", "a/deeper/two.caz", "a/one.CAS",
                                        "b/four.cas", "b/link.cas", "folder.cas", "top.cas"}));
    // Depth first: the files of one folder, its subfolders' included, stay together.
    auto firstOf = [&](const std::string& prefix) {
        return std::find_if(paths.begin(), paths.end(),
                            [&](const std::string& p) { return p.rfind(prefix, 0) == 0; }) -
               paths.begin();
    };
    EXPECT_EQ(std::count_if(paths.begin() + firstOf("a/"), paths.begin() + firstOf("a/") + 3,
                            [](const std::string& p) { return p.rfind("a/", 0) == 0; }),
              3);
    // A trailing "/" makes no difference; a missing folder gives nothing.
    EXPECT_EQ(Paths(CollectCaseFiles(dir.Path().string() + "/")), paths);
    EXPECT_TRUE(CollectCaseFiles((dir / "missing").string()).empty());
    EXPECT_EQ(CaseFilePath("/base", "a/b.cas"), "/base/a/b.cas");
    EXPECT_EQ(CaseFilePath("/", "b.cas"), "/b.cas");
    EXPECT_EQ(TrimBaseFolder("/base/"), "/base");
    EXPECT_EQ(TrimBaseFolder("/"), "/");
}

TEST(CaseSearch, CountsInListOrderAndGoesOnPastBadFiles) {
    ScratchDir dir;
    WriteCase(dir / "s1/first.cas", 5);
    WriteCase(dir / "s1/second.cas", 20);
    dir.Write("s2/corrupt.cas", "this is no case file");
    WriteCase(dir / "s2/truncated.cas", 50);
    fs::resize_file(dir / "s2/truncated.cas", fs::file_size(dir / "s2/truncated.cas") / 2);
    WriteCase(dir / "s3/third.cas", 1);
    SFindSettings conditions;
    CRecordingSink sink;
    std::vector<std::string> events = RunSearch(dir.Path().string(), conditions, sink);
    ASSERT_EQ(sink.paths.size(), 5u);
    // Listed first, then per file "searching" and "counted" in list order, then the end.
    ASSERT_EQ(events.size(), 1 + 2 * 5 + 1u);
    EXPECT_EQ(events.front(), "listed");
    EXPECT_EQ(events.back(), "finished");
    auto expected = [](const std::string& path) {
        if (path.find("corrupt") != std::string::npos ||
            path.find("truncated") != std::string::npos) {
            return -1;
        }
        // No condition: every record counts, the root included.
        return path.find("first") != std::string::npos    ? 5 + 3
               : path.find("second") != std::string::npos ? 20 + 3
                                                          : 1 + 3;
    };
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(events[1 + 2 * i], "searching " + sink.paths[i]);
        EXPECT_EQ(events[2 + 2 * i],
                  "counted " + sink.paths[i] + " " + std::to_string(expected(sink.paths[i])));
    }
}

// Packed cases are read through the case-file opener the program installs; the
// workers open several at once, each unpacking with an adapter of its own.
TEST(CaseSearch, MatchesWithTheConditionsIncludingArchivedCases) {
    ScratchDir dir;
    CArchiverSet archivers;
    archivers.LoadAll();
    InstallArchivedCaseStreams(archivers);
    WriteCase(dir / "plain.cas", 10);
    for (int n = 0; n < 6; ++n) {
        CCDCase root;
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = "Packed";
        SFileInfo* disc = root.AddChild(std::move(medium));
        for (int i = 0; i <= n; ++i) {
            auto file = std::make_unique<SFileInfo>();
            file->m_strName = i == 0 ? "photo.jpg" : "photo" + std::to_string(i) + ".jpg";
            disc->AddChild(std::move(file));
        }
        SaveCaseFile(root, (dir / ("packed" + std::to_string(n) + ".caz")).string(), false);
    }
    SFindSettings conditions;
    conditions.m_strName = "photo?.jpg";
    CRecordingSink sink;
    RunSearch((dir.Path() / "").string(), conditions, sink, 2);
    SetArchivedCaseStreamFactory(nullptr);
    archivers.UnloadAll();
    std::sort(sink.events.begin(), sink.events.end());
    EXPECT_NE(std::find(sink.events.begin(), sink.events.end(), "counted plain.cas 10"),
              sink.events.end());
    // "photo.jpg" has no character between "photo" and ".jpg".
    for (int n = 0; n < 6; ++n) {
        const std::string line = "counted packed" + std::to_string(n) + ".caz " + std::to_string(n);
        EXPECT_NE(std::find(sink.events.begin(), sink.events.end(), line), sink.events.end())
            << line;
    }
}

TEST(CaseSearch, AsksForEachProtectedFileOnceAndRemembersAGoodAnswer) {
    ScratchDir dir;
    WriteCase(dir / "a/one.cas", 2, "secret1");
    WriteCase(dir / "b/two.cas", 3, "secret1");
    WriteCase(dir / "c/three.cas", 4, "other22");
    SFindSettings conditions;
    {
        // Declined: the files count -1 and the run goes on.
        CRecordingSink sink;
        RunSearch(dir.Path().string(), conditions, sink);
        EXPECT_EQ(sink.questions.size(), 3u);
        EXPECT_EQ(std::count_if(sink.events.begin(), sink.events.end(),
                                [](const std::string& e) { return e.ends_with(" -1"); }),
                  3);
    }
    {
        // One worker, one file after the other: the answer for the first protected file
        // opens the second without a question; the third still asks (and its wrong
        // answer does not replace the good one).
        CRecordingSink sink;
        sink.answer = "secret1";
        CCaseSearch search(conditions, dir.Path().string(), "", sink, 1);
        sink.search = &search;
        search.Run();
        std::vector<SCaseFileEntry> entries = search.Entries();
        for (const SCaseFileEntry& e : entries) {
            EXPECT_TRUE(e.m_bDone);
            EXPECT_EQ(e.m_nCount, e.m_strPath.find("three") != std::string::npos ? -1
                                  : e.m_strPath.find("one") != std::string::npos ? 5
                                                                                 : 6);
        }
        // Whichever of one and two comes first asks; three asks for its own password.
        ASSERT_EQ(sink.questions.size(), 2u);
        EXPECT_NE(std::find(sink.questions.begin(), sink.questions.end(), "three.cas other22"),
                  sink.questions.end());
        EXPECT_EQ(search.CurrentPassword(), "secret1");
    }
    {
        // The password given at the start opens them without a question.
        CRecordingSink sink;
        RunSearch(dir.Path().string(), conditions, sink, 3, "secret1");
        EXPECT_EQ(sink.questions, std::vector<std::string>{"three.cas other22"});
    }
}

TEST(CaseSearch, StoppingFinishesFilesAlreadyTakenAndReportsTheEnd) {
    ScratchDir dir;
    for (int i = 0; i < 12; ++i) {
        WriteCase(dir / ("f" + std::to_string(i) + ".cas"), 200);
    }
    SFindSettings conditions;
    CRecordingSink sink;
    CCaseSearch search(conditions, dir.Path().string(), "", sink, 2);
    sink.search = &search;
    sink.onListed = [&] { search.Abort(); };
    search.Start();
    search.Wait();
    EXPECT_TRUE(search.IsFinished());
    EXPECT_EQ(sink.events.back(), "finished");
    std::vector<SCaseFileEntry> entries = search.Entries();
    ASSERT_EQ(entries.size(), 12u);
    // Nothing new was started after the stop: at most one file per worker was taken.
    EXPECT_LE(std::count_if(entries.begin(), entries.end(),
                            [](const SCaseFileEntry& e) { return e.m_bDone; }),
              2);
    for (const std::string& event : sink.events) {
        if (event.rfind("searching", 0) == 0) {
            // Every file reported as being searched got its count.
            EXPECT_NE(std::find(sink.events.begin(), sink.events.end(),
                                "counted" + event.substr(9) + " 203"),
                      sink.events.end())
                << event;
        }
    }
    // Stopped before it began: nothing is listed.
    CRecordingSink none;
    CCaseSearch stopped(conditions, dir.Path().string(), "", none, 2);
    stopped.Abort();
    stopped.Run();
    EXPECT_EQ(none.events, std::vector<std::string>{"finished"});
}
