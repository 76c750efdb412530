// kill -9 in the middle of `index update`: the index answers as before or after it,
// case by case, and never with a case half old and half new.
#include "index/CSqliteIndexStore.h"
#include "model/CCDCase.h"
#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"
#include "support/CliRunner.h"
#include "support/ScratchDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <thread>

using namespace quillora;
using namespace quillora::test;
namespace fs = std::filesystem;

namespace {

// One medium of 3,000 files all named after `generation`.
void WriteGeneration(const fs::path& path, const std::string& generation) {
    CCDCase root;
    SFileInfo* disc = root.AddChild(std::make_unique<SVolumeInfo>());
    for (int i = 0; i < 3000; ++i) {
        auto file = std::make_unique<SFileInfo>();
        file->m_strName = generation + "_" + std::to_string(i) + ".dat";
        disc->AddChild(std::move(file));
    }
    SaveCaseFile(root, path.string(), false);
}

// Matching records per case for a word, straight from the store (no freshness check,
// which would read the changed cases again).
class CCounter : public ICandidateSink {
public:
    explicit CCounter(std::string word) : m_word(std::move(word)) {}
    void Case(ICandidateCase& c) override {
        const auto* candidates = c.Candidates();
        const std::size_t n = candidates ? candidates->size() : c.RecordCount();
        for (std::size_t k = 0; k < n; ++k) {
            const SIndexedRecord& r =
                c.Record(candidates ? (*candidates)[k] : static_cast<std::uint32_t>(k));
            counts[c.Facts().m_strPath] += r.m_strFolded.find(m_word) != std::string::npos;
        }
    }
    std::map<std::string, int> counts;

private:
    std::string m_word;
};

} // namespace

TEST(KillDuringIndexUpdate, EachCaseIsWhollyOldOrWhollyNew) {
    ScratchDir dir;
    ScratchDir output;
    const fs::path cases = dir / "cases";
    fs::create_directories(cases);
    const std::string index = (dir / "index").string();
    const std::vector<std::string> env{"HOME=" + dir.Path().string(), "PATH=/usr/bin:/bin",
                                       "XDG_CONFIG_HOME=" + (dir / "config").string(),
                                       "XDG_DATA_HOME=" + (dir / "data").string()};
    for (int c = 0; c < 30; ++c) {
        WriteGeneration(cases / (std::to_string(c) + ".cas"), "gen0");
    }
    ASSERT_EQ(RunCli({"index", "add", cases.string(), "--index", index}).exitCode, 0);
    for (int round = 1; round <= 4; ++round) {
        const std::string generation = "gen" + std::to_string(round);
        for (int c = 0; c < 30; ++c) {
            WriteGeneration(cases / (std::to_string(c) + ".cas"), generation);
        }
        const int pid =
            StartCli({"index", "update", "--index", index}, env, output.Path().string());
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(40 * round));
        ::kill(pid, SIGKILL);
        FinishCli(pid, output.Path().string());

        CSqliteIndexStore store(index);
        EXPECT_EQ(store.Cases().size(), 30u);
        CCounter before("gen" + std::to_string(round - 1) + "_");
        CCounter after(generation + "_");
        std::map<std::string, int> seen;
        store.FindCandidates({"gen" + std::to_string(round - 1) + "_"}, before);
        store.FindCandidates({generation + "_"}, after);
        for (const SIndexedCase& c : store.Cases()) {
            const int old = before.counts[c.m_strPath];
            const int now = after.counts[c.m_strPath];
            EXPECT_TRUE((old == 3000 && now == 0) || (old == 0 && now == 3000))
                << c.m_strPath << ": " << old << " old and " << now << " new records";
        }
        // Whatever the kill left, the next update brings every case to this generation.
        ASSERT_EQ(RunCli({"index", "update", "--index", index}).exitCode, 0);
    }
}
