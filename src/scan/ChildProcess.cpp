// Child processes through posix_spawn with a pipe for their output.
#include "scan/ChildProcess.h"

#include "core/UniqueFd.h"
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillora {

namespace {

class CSpawnActions {
public:
    CSpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~CSpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    CSpawnActions(const CSpawnActions&) = delete;
    CSpawnActions& operator=(const CSpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

// A child starts with no signal blocked, whatever the thread that starts it blocks for
// its own reasons (a mount keeps its stop signals for the serving thread).
class CSpawnAttributes {
public:
    CSpawnAttributes() {
        posix_spawnattr_init(&m_attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK);
    }
    ~CSpawnAttributes() { posix_spawnattr_destroy(&m_attributes); }
    CSpawnAttributes(const CSpawnAttributes&) = delete;
    CSpawnAttributes& operator=(const CSpawnAttributes&) = delete;
    posix_spawnattr_t* Get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

} // namespace

int RunChildProcess(const std::vector<std::string>& argv, std::string* output,
                    std::size_t outputLimit) {
    if (argv.empty()) {
        return -1;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return -1;
    }
    CUniqueFd readEnd(fds[0]);
    CUniqueFd writeEnd(fds[1]);
    CSpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.Get(), writeEnd.Get(), 1);
    posix_spawn_file_actions_addopen(actions.Get(), 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    CSpawnAttributes attributes;
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0].c_str(), actions.Get(), attributes.Get(), args.data(), environ) !=
        0) {
        return -1;
    }
    writeEnd.Close();
    char buffer[8192];
    for (;;) {
        ssize_t got = ::read(readEnd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        if (output && output->size() < outputLimit) {
            output->append(buffer, static_cast<std::size_t>(got));
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace quillora
