// Builds a synthetic case of 1,000,000 records with realistic names, saves and loads
// it as a plain case file, and prints records per second for each and the resident
// bytes each record costs besides its name's bytes.
#include "StreamCount.h"
#include "model/CCDCase.h"
#include "model/CCaseReader.h"
#include "model/CaseFile.h"
#include "model/CaseStream.h"
#include "model/IRecordSink.h"
#include "model/SVolumeInfo.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>

using namespace quillora;
using quillora::bench::StreamCount;

namespace {

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Built {
    std::unique_ptr<CCDCase> root;
    std::size_t records = 0;
    std::size_t nameBytes = 0;
};

// 20 media x 50 folders x 20 subfolders x 49 files: about 1,000,000 records with the
// case, media and folders; about two names in seven are Japanese.
Built BuildCase() {
    static const char* const kStems[] = {"IMG_",  "DSC",      "report-", "Track ",
                                         "setup", "ソフト表", "写真"};
    static const char* const kExts[] = {".JPG", ".jpg", ".pdf", ".mp3", ".exe", ".txt", ".png"};
    Built b;
    b.root = std::make_unique<CCDCase>();
    b.records = 1;
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    auto account = [&b](const std::string& name) {
        ++b.records;
        if (name.size() > 15) {
            b.nameBytes += name.size() + 1;
        }
    };
    for (int m = 0; m < 20; ++m) {
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = "Backup disc " + std::to_string(m);
        medium->m_strOrgLabel = "BACKUP_" + std::to_string(m);
        medium->m_dwSerial = 0x1000u + static_cast<unsigned>(m);
        account(medium->m_strLabel);
        SFileInfo* mediumPtr = b.root->AddChild(std::move(medium));
        for (int f = 0; f < 50; ++f) {
            auto folder = std::make_unique<SFileInfo>();
            folder->m_dwFlags = 0x10;
            folder->m_strName = "Folder " + std::to_string(f);
            account(folder->m_strName);
            SFileInfo* folderPtr = mediumPtr->AddChild(std::move(folder));
            for (int s = 0; s < 20; ++s) {
                auto sub = std::make_unique<SFileInfo>();
                sub->m_dwFlags = 0x10;
                sub->m_strName = "2002-12-" + std::to_string(10 + s);
                account(sub->m_strName);
                SFileInfo* subPtr = folderPtr->AddChild(std::move(sub));
                for (int i = 0; i < 49; ++i) {
                    auto file = std::make_unique<SFileInfo>();
                    unsigned r = next();
                    file->m_strName = std::string(kStems[r % 7]) + std::to_string(r % 100000) +
                                      kExts[(r >> 3) % 7];
                    file->m_nSize = r % 5000000;
                    file->m_dwFlags = 0x20;
                    file->m_ftLastWrite = 126000000000000000ULL + r;
                    file->m_ftCreation = file->m_ftLastWrite;
                    file->m_ftLastAccess = file->m_ftLastWrite;
                    if (r % 13 == 0) {
                        file->m_wExtFlags = 1;
                        file->m_dwExtValue = r;
                    }
                    account(file->m_strName);
                    subPtr->AddChild(std::move(file));
                }
            }
        }
    }
    b.root->UpdateDisplayNameTree(true);
    b.root->RecalcSize(true);
    return b;
}

} // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1]
                                : (std::filesystem::temp_directory_path() /
                                   ("quillora-bench-case." + std::to_string(getpid()) + ".cas"))
                                      .string();
    malloc_trim(0);
    long before = ResidentBytes();
    auto start = std::chrono::steady_clock::now();
    Built built = BuildCase();
    double buildSeconds = Seconds(start);
    long after = ResidentBytes();
    double perRecord = static_cast<double>(after - before - static_cast<long>(built.nameBytes)) /
                       static_cast<double>(built.records);

    start = std::chrono::steady_clock::now();
    SaveCaseFile(*built.root, path, false);
    double saveSeconds = Seconds(start);
    built.root.reset();
    malloc_trim(0);

    start = std::chrono::steady_clock::now();
    const std::size_t streamed = StreamCount(path);
    double streamSeconds = Seconds(start);

    start = std::chrono::steady_clock::now();
    bool badPassword = false;
    std::string error;
    std::unique_ptr<CCDCase> loaded = ReadCaseFile(path, "", &badPassword, &error);
    double loadSeconds = Seconds(start);
    if (!loaded) {
        std::fprintf(stderr, "load failed: %s\n", error.c_str());
        return 1;
    }
    std::printf("records:               %zu\n", built.records);
    std::printf("build:                 %.2f s\n", buildSeconds);
    std::printf("save (plain):          %.2f s, %.2f million records/s\n", saveSeconds,
                static_cast<double>(built.records) / saveSeconds / 1e6);
    std::printf("stream (counting sink): %.2f s, %.2f million records/s (%zu records)\n",
                streamSeconds, static_cast<double>(streamed) / streamSeconds / 1e6, streamed);
    std::printf("load (plain):          %.2f s, %.2f million records/s\n", loadSeconds,
                static_cast<double>(built.records) / loadSeconds / 1e6);
    std::printf(
        "resident per record:   %.0f bytes besides the name bytes (%zu name bytes on the heap)\n",
        perRecord, built.nameBytes);
    if (!std::getenv("QUILLORA_BENCH_KEEP")) {
        std::remove(path.c_str());
    }
    return 0;
}
