// Faults for the reliability tests: a disk that fills up, quillora-cli run under a
// file-size limit, a case big enough that saving it takes a moment, and a look at
// what a running program has open.
#pragma once

#include "support/CliRunner.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quillora::test {

// A small tmpfs mounted at `folder` while the object lives, where the test may mount
// one (as root); Mounted() says whether it is.
class CSmallDisk {
public:
    CSmallDisk(const std::filesystem::path& folder, std::size_t bytes);
    ~CSmallDisk();
    CSmallDisk(const CSmallDisk&) = delete;
    CSmallDisk& operator=(const CSmallDisk&) = delete;

    bool Mounted() const { return m_bMounted; }

private:
    std::filesystem::path m_folder;
    bool m_bMounted = false;
};

// Runs quillora-cli with no file it writes allowed to grow beyond `limit` bytes
// (RLIMIT_FSIZE, with SIGXFSZ at its default, as `ulimit -f` sets it: the program
// itself must ignore the signal so that its writes fail as on a full disk).
CliResult RunCliWithFileSizeLimit(const std::vector<std::string>& args, std::size_t limit);

// Writes a case of one medium "Disc" holding `files` files "fNNNNN.txt" in folder
// "dir", the first of which keeps `dataBytes` bytes of stored contents.
void WriteBigCase(const std::string& path, int files, std::size_t dataBytes = 0,
                  bool compress = false);

// Our temporary files (".quillora-save-*") in a folder.
int Temporaries(const std::filesystem::path& folder);

// Whether process `pid` has a file open directly in `folder` that is not `except`
// (/proc/PID/fd): how a save in progress shows.
bool HasNewFileOpenIn(int pid, const std::filesystem::path& folder, const std::string& except);

// Polls `done` until it holds or `seconds` pass; a guard against a hung test, never a
// measurement.
bool WaitUntil(const std::function<bool()>& done, int seconds = 60);

} // namespace quillora::test
