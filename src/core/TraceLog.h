// The trace log: when logging is on, every major step writes one line to TobCase.log.
// Logging never makes a step fail; a log file that cannot be opened stays silent.
#pragma once

#include <string>
#include <string_view>

namespace quillora {

// Writes text and a line feed when the log mode is not 0, then flushes.
void Log(std::string_view text);

// printf-style formatting into a bounded buffer (4096 bytes), then Log.
void LogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes "text <MM/DD/YY HH:MM:SS>" in local time when the log mode is not 0.
void LogStamp(std::string_view text);

// Sets the log mode (0 = off) and the folder of TobCase.log; an empty folder
// means the default place ($XDG_STATE_HOME/Pelvane/Quillora, else
// ~/.local/state/Pelvane/Quillora). The file is created by the first line.
void SetLogMode(int mode, const std::string& folder = {});

int LogMode();

// The path the log is (or would be) written to.
std::string LogPath();

// Closes the log file (at exit); a later line opens it again, emptied.
void CloseLog();

} // namespace quillora
