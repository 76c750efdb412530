// Comment extraction benchmark: a folder of 10,000 mixed files (text, web pages,
// programs with version resources, MP3 files with ID3 tags, compound documents) made by
// the bench, scanned without and with comment extraction ("AutoComment", the plug-ins
// of the build loaded), against reading the same files' bytes once with cat. Hot
// cache; prints the median of the runs, files per second and the extra time per file.
//
// usage: bench_comments [--dir DIR] [--runs N]
#include "ExtractSamples.h"
#include "core/ProfileStore.h"
#include "extract/ExtractTextManager.h"
#include "extract/PluginFolder.h"
#include "model/SVolumeInfo.h"
#include "scan/VolumeScanner.h"

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace quillora;

constexpr int kTreeVersion = 1;
constexpr int kPerKind = 2000; // five kinds: 10,000 files
constexpr int kPerFolder = 100;

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Padded(std::string bytes, std::size_t size) {
    bytes.resize(std::max(bytes.size(), size), '\0');
    return bytes;
}

void MakeTree(const fs::path& root) {
    const fs::path stamp = root / ".version";
    if (fs::exists(stamp)) {
        std::ifstream in(stamp);
        int version = 0;
        in >> version;
        if (version == kTreeVersion) {
            return;
        }
    }
    fs::remove_all(root);
    std::printf("making %d files below %s ...\n", kPerKind * 5, root.c_str());
    std::string text;
    for (int line = 0; line < 60; ++line) {
        text += "これはテストの文書です。Line " + std::to_string(line) + " of the sample text.\n";
    }
    const std::string sjisText = test::Cp932(text);
    std::string html = "<html><head><title>ページの題名</title><meta name=\"author\" "
                       "content=\"Taro\"></head><body>\n";
    for (int p = 0; p < 80; ++p) {
        html += "<p>Paragraph <b>" + std::to_string(p) + "</b> of the page.</p>\n";
    }
    html += "</body></html>\n";
    const std::string pe = Padded(
        test::PeFile(false,
                     {{"041104B0", {{"FileDescription", "サンプル"}, {"CompanyName", "Pelvane"}}}},
                     {{0x0411, 1200}}),
        32 * 1024);
    const std::string mp3 =
        test::Id3v23({{"TIT2", {0, test::Cp932("曲の題名")}}, {"TPE1", {0, "Artist"}}}) +
        test::MpegFrames(40);
    const std::string doc =
        Padded(test::CompoundDocument(test::Section({test::PropCodePage(932),
                                                     test::PropString(2, test::Cp932("文書の題名")),
                                                     test::PropString(4, "Author")})),
               16 * 1024);
    const std::pair<const char*, const std::string*> kinds[] = {
        {"txt", &sjisText}, {"html", &html}, {"exe", &pe}, {"mp3", &mp3}, {"doc", &doc}};
    int n = 0;
    for (const auto& [suffix, bytes] : kinds) {
        for (int i = 0; i < kPerKind; ++i, ++n) {
            const fs::path folder = root / ("d" + std::to_string(n / kPerFolder));
            fs::create_directories(folder);
            WriteFile(folder / ("f" + std::to_string(n) + "." + suffix), *bytes);
        }
    }
    std::ofstream(stamp) << kTreeVersion;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One scan of the folder; returns seconds and counts comments found.
double Scan(const fs::path& root, CExtractTextManager* extractors, std::size_t* comments) {
    SScanOptions options;
    options.m_autoComment = extractors != nullptr;
    CVolumeScanner scanner(options);
    scanner.SetCommentExtractor(extractors);
    auto medium = std::make_unique<SVolumeInfo>();
    const auto start = std::chrono::steady_clock::now();
    scanner.AddVolume(*medium, root.string(), nullptr, nullptr);
    const double seconds = Seconds(start);
    if (comments) {
        *comments = 0;
        std::vector<const SFileInfo*> pending{medium.get()};
        while (!pending.empty()) {
            const SFileInfo* r = pending.back();
            pending.pop_back();
            *comments += r->Comment().empty() ? 0 : 1;
            for (std::size_t i = 0; i < r->ChildCount(); ++i) {
                pending.push_back(r->ChildAt(i));
            }
        }
    }
    return seconds;
}

double Cat(const fs::path& root) {
    const std::string command =
        "find '" + root.string() + "' -type f ! -name .version -print0 | xargs -0 cat > /dev/null";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(start);
    if (status != 0) {
        std::fprintf(stderr, "cat failed\n");
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    fs::path root = fs::temp_directory_path() / "quillora-bench-comments";
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--dir") {
            root = argv[i + 1];
        } else if (arg == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    MakeTree(root);
    const std::size_t files = kPerKind * 5;
    CProfileStore store;
    CExtractTextManager extractors;
    extractors.Load(store, CPluginFolder::Find());
    std::printf("extractors: %zu (plug-in folder %s)\n", extractors.Count(),
                CPluginFolder::Find().c_str());

    // Warm the cache once.
    Cat(root);
    std::vector<double> plain, withComments, cat;
    std::size_t comments = 0;
    for (int run = 0; run < runs; ++run) {
        plain.push_back(Scan(root, nullptr, nullptr));
        withComments.push_back(Scan(root, &extractors, &comments));
        cat.push_back(Cat(root));
    }
    const double p = Median(plain);
    const double c = Median(withComments);
    const double k = Median(cat);
    std::printf("files: %zu, comments extracted: %zu\n", files, comments);
    std::printf("scan without comments: %8.3f s  %10.0f files/s\n", p, files / p);
    std::printf("scan with comments:    %8.3f s  %10.0f files/s\n", c, files / c);
    std::printf("cat of the same files: %8.3f s  %10.0f files/s\n", k, files / k);
    std::printf("extra time per file for comments: %.1f us; cat per file: %.1f us; ratio %.2f\n",
                (c - p) / files * 1e6, k / files * 1e6, (c - p) / k);
    return 0;
}
