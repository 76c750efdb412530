// Runs a check with the permissions of an ordinary user, so that tests of unreadable
// files mean something when the suite runs as root (as CI does).
#pragma once

#include <functional>

namespace quillora::test {

// As such a user directly, or as root in a child process that gives up root first
// (uid and gid 65534). The result is check's; 98 or 99 when the child failed.
int AsOrdinaryUser(const std::function<int()>& check);

} // namespace quillora::test
