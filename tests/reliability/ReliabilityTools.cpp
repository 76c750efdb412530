// Fault helpers of the reliability tests.
#include "ReliabilityTools.h"

#include "model/CaseFile.h"
#include "model/SVolumeInfo.h"
#include "support/ScratchDir.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillora::test {

CSmallDisk::CSmallDisk(const std::filesystem::path& folder, std::size_t bytes) : m_folder(folder) {
    std::filesystem::create_directories(folder);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    m_bMounted =
        ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

CSmallDisk::~CSmallDisk() {
    if (m_bMounted) {
        ::umount2(m_folder.c_str(), MNT_DETACH);
    }
}

CliResult RunCliWithFileSizeLimit(const std::vector<std::string>& args, std::size_t limit) {
    ScratchDir output;
    const std::string out = (output / "out").string();
    const std::string err = (output / "err").string();
    std::vector<std::string> argv{CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = ::fork();
    if (pid == 0) {
        int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(o, 1);
        ::dup2(e, 2);
        // As `ulimit -f` leaves it: an ignored signal would survive exec and hide a
        // program that does not ignore it itself.
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit size{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &size);
        std::vector<char*> raw;
        for (std::string& a : argv) {
            raw.push_back(a.data());
        }
        raw.push_back(nullptr);
        ::execv(raw[0], raw.data());
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFileBytes(out);
    result.err = ReadFileBytes(err);
    return result;
}

void WriteBigCase(const std::string& path, int files, std::size_t dataBytes, bool compress) {
    CCDCase root;
    auto* medium = static_cast<SVolumeInfo*>(root.AddChild(std::make_unique<SVolumeInfo>()));
    medium->m_strLabel = "Disc";
    SFileInfo* folder = medium->AddChild(std::make_unique<SFileInfo>());
    folder->m_dwFlags = kAttrDirectory;
    folder->m_strName = "dir";
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%05d.txt", i);
        SFileInfo* file = folder->AddChild(std::make_unique<SFileInfo>());
        file->m_strName = name;
        file->m_nSize = static_cast<std::uint64_t>(i) * 977;
        file->SetComment("note " + std::to_string(i * 7919));
        if (i == 0 && dataBytes > 0) {
            std::vector<std::uint8_t> data(dataBytes);
            std::uint32_t x = 12345;
            for (std::uint8_t& b : data) {
                x = x * 1103515245 + 12345;
                b = static_cast<std::uint8_t>(x >> 24);
            }
            file->SetData(std::move(data));
        }
    }
    root.RecalcSize(true);
    SaveCaseFile(root, path, compress);
}

int Temporaries(const std::filesystem::path& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        count += entry.path().filename().string().rfind(".quillora-save-", 0) == 0;
    }
    return count;
}

bool HasNewFileOpenIn(int pid, const std::filesystem::path& folder, const std::string& except) {
    const std::string prefix = folder.string() + "/";
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        std::error_code linkError;
        const std::string target = std::filesystem::read_symlink(entry.path(), linkError).string();
        if (!linkError && target.rfind(prefix, 0) == 0 &&
            target.find('/', prefix.size()) == std::string::npos && target != except) {
            return true;
        }
    }
    return false;
}

bool WaitUntil(const std::function<bool()>& done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

} // namespace quillora::test
