// Dropping root for a check.
#include "support/OrdinaryUser.h"

#include <sys/wait.h>
#include <unistd.h>

namespace quillora::test {

int AsOrdinaryUser(const std::function<int()>& check) {
    if (geteuid() != 0) {
        return check();
    }
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(99);
        }
        _exit(check());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

} // namespace quillora::test
