// Copying one file so that its destination is never left half-written: the bytes go
// to a temporary file beside the destination, which is renamed over it only when the
// copy is complete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillora {

enum class ECopyReplace {
    Always,  // an existing destination is replaced
    IfOlder, // only a destination older than the source is replaced (a missing one is made)
};

struct SFileCopyOptions {
    ECopyReplace m_replace = ECopyReplace::Always;
    // The copy takes the source's access and modification times.
    bool m_bKeepTimes = false;
    // Permission bits: an existing destination keeps its own, a new one takes the
    // source's, writable by its owner. Otherwise the copy is made 0644.
    bool m_bKeepMode = false;
};

enum class ECopyResult {
    Copied,
    Skipped,   // IfOlder found a destination that is not older; nothing was written
    Failed,    // *error names the path and the reason
    Cancelled, // the progress callback asked to stop; the destination is untouched
};

// Called after each block with the number of bytes just written; false stops the copy.
using CopyProgressFn = std::function<bool(std::uint64_t bytes)>;

// Copies the regular file `source` to `destination` (whose folder must exist). Only
// regular files are read: a FIFO or device is never opened for reading in earnest.
// Under IfOlder the destination is looked at again just before the rename, so a file
// that appeared or changed meanwhile is not replaced unless it is still older. A
// destination that is replaced is synced to disk first.
ECopyResult CopyFileAtomically(const std::string& source, const std::string& destination,
                               const SFileCopyOptions& options, const CopyProgressFn& progress,
                               std::string* error);

} // namespace quillora
