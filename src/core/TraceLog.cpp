// Trace log implementation: one process-wide file guarded by a mutex, because the
// scan worker logs while the UI thread does.
#include "core/TraceLog.h"

#include "core/XdgPaths.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>

namespace quillora {

namespace {

// The mode is also kept outside the lock: most runs log nothing, and hot loops
// (one line per record while a case loads) must not pay for a mutex then.
std::atomic<int> g_mode{0};

struct LogState {
    std::mutex lock;
    int mode = 0;
    std::string path;
    std::FILE* file = nullptr;
    bool openFailed = false;
};

LogState& State() {
    static LogState state;
    return state;
}

// Called with the lock held.
std::FILE* OpenIfNeeded(LogState& s) {
    if (s.file || s.openFailed) {
        return s.file;
    }
    if (s.path.empty()) {
        s.path = (std::filesystem::path(ProgramFolder()) / "log.txt").string();
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(s.path).parent_path(), ec);
    s.file = std::fopen(s.path.c_str(), "w");
    s.openFailed = s.file == nullptr;
    return s.file;
}

void WriteLine(std::string_view text) {
    if (g_mode.load(std::memory_order_relaxed) == 0) {
        return;
    }
    LogState& s = State();
    std::lock_guard guard(s.lock);
    if (s.mode == 0) {
        return;
    }
    std::FILE* f = OpenIfNeeded(s);
    if (!f) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), f);
    std::fputc('\n', f);
    std::fflush(f);
}

} // namespace

void Log(std::string_view text) {
    WriteLine(text);
}

void LogFormat(const char* format, ...) {
    if (LogMode() == 0) {
        return;
    }
    char buffer[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    WriteLine(buffer);
}

void LogStamp(std::string_view text) {
    if (LogMode() == 0) {
        return;
    }
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%m/%d/%y %H:%M:%S", &local);
    std::string line(text);
    line += " <";
    line += std::string_view(stamp, 8);
    line += ' ';
    line += std::string_view(stamp + 9);
    line += '>';
    WriteLine(line);
}

void SetLogMode(int mode, const std::string& folder) {
    LogState& s = State();
    std::lock_guard guard(s.lock);
    s.mode = mode;
    g_mode.store(mode, std::memory_order_relaxed);
    std::filesystem::path dir =
        folder.empty() ? std::filesystem::path(StateFolder()) : std::filesystem::path(folder);
    std::string path = (dir / "TobCase.log").string();
    if (path != s.path && s.file) {
        std::fclose(s.file);
        s.file = nullptr;
    }
    s.path = path;
    s.openFailed = false;
}

int LogMode() {
    return g_mode.load(std::memory_order_relaxed);
}

std::string LogPath() {
    LogState& s = State();
    std::lock_guard guard(s.lock);
    return s.path;
}

void CloseLog() {
    LogState& s = State();
    std::lock_guard guard(s.lock);
    if (s.file) {
        std::fclose(s.file);
        s.file = nullptr;
    }
    s.openFailed = false;
}

} // namespace quillora
