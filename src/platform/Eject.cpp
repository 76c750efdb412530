// Eject through the `eject` program, started without a shell.
#include "platform/Eject.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quillora {

namespace {

std::mutex g_programLock;
std::string g_program = "eject";

std::string Program() {
    std::lock_guard<std::mutex> lock(g_programLock);
    return g_program;
}

// Reads what the child writes to the pipe, keeping the first few kilobytes.
std::string ReadAll(int fd) {
    std::string text;
    char buffer[512];
    while (true) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        if (text.size() < 4096) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

void SetError(std::string* error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
}

} // namespace

void CEject::SetProgram(const std::string& program) {
    std::lock_guard<std::mutex> lock(g_programLock);
    g_program = program;
}

bool CEject::EjectDrive(const std::string& mountPointOrDevice, std::string* error) {
    if (mountPointOrDevice.empty()) {
        SetError(error, "no drive given");
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        SetError(error, std::strerror(errno));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);

    const std::string program = Program();
    std::string separator = "--";
    std::string target = mountPointOrDevice;
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), separator.data(), target.data(),
                               nullptr};
    pid_t pid = -1;
    const int spawnError =
        posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawnError != 0) {
        close(pipeFds[0]);
        SetError(error, "cannot run " + program + ": " + std::strerror(spawnError));
        return false;
    }
    const std::string message = ReadAll(pipeFds[0]);
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            SetError(error, std::strerror(errno));
            return false;
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return true;
    }
    SetError(error, message.empty() ? program + " failed" : message);
    return false;
}

} // namespace quillora
