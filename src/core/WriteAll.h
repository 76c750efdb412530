// Writing a whole buffer to a file descriptor: write(2) may take less than it is given
// (a pipe, a signal, a full disk), and every caller needs the loop around it.
#pragma once

#include <span>
#include <string_view>
#include <sys/uio.h>

namespace quillora {

// False with errno set when writing failed; a write that takes nothing counts as a full
// disk (ENOSPC).
bool WriteAll(int fd, std::string_view data);
// The same for pieces gathered from several places in one call per IOV_MAX pieces;
// `pieces` is used up as it is written.
bool WriteAllGathered(int fd, std::span<iovec> pieces);

} // namespace quillora
