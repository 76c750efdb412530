// Child-process runner for quillora-cli.
#include "support/CliRunner.h"

#include "support/ScratchDir.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillora::test {

std::string CliPath() {
    if (const char* env = std::getenv("QUILLORA_CLI"); env && *env) {
        return env;
    }
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    // build/<preset>/tests/test_x -> build/<preset>/src/quillora-cli
    return (self.parent_path().parent_path() / "src" / "quillora-cli").string();
}

int StartCli(const std::vector<std::string>& args, const std::vector<std::string>& env,
             const std::string& folder) {
    std::vector<std::string> argv{CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envCopy(env);
    std::vector<char*> rawArgs, rawEnv;
    for (std::string& a : argv) {
        rawArgs.push_back(a.data());
    }
    rawArgs.push_back(nullptr);
    for (std::string& e : envCopy) {
        rawEnv.push_back(e.data());
    }
    rawEnv.push_back(nullptr);
    const std::string out = folder + "/out";
    const std::string err = folder + "/err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, rawArgs.data(), rawEnv.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

CliResult FinishCli(int pid, const std::string& folder) {
    CliResult result;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    result.out = ReadFileBytes(folder + "/out");
    result.err = ReadFileBytes(folder + "/err");
    return result;
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& input) {
    std::vector<std::string> argv{CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, input);
}

CliResult RunProgram(const std::vector<std::string>& args, const std::string& input) {
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe(inPipe) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], inPipe[0], inPipe[1]}) {
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<char*> argv;
    std::vector<std::string> copies(args);
    for (std::string& a : copies) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned =
        posix_spawnp(&pid, copies.front().c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    if (!input.empty()) {
        (void)!write(inPipe[1], input.data(), input.size());
    }
    close(inPipe[1]);
    CliResult result;
    if (spawned != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) {
                continue;
            }
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace quillora::test
