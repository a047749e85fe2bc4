// Running an external program with a time limit: posix_spawnp with its standard streams
// redirected, then a wait that polls the child and kills it (and its process group) when the
// limit passes, so that a program that hangs never holds up the run.
#include "host/program_run.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tarvex::host {

namespace {

constexpr auto POLL_INTERVAL = std::chrono::milliseconds(5);

// Waits for the child; false when the limit passed first (the child is then killed and reaped).
bool wait_within(pid_t pid, int seconds, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == pid) return true;
        if (got < 0 && errno != EINTR) return true; // already reaped elsewhere: nothing to wait for
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
}

} // namespace

ProgramResult run_program(const std::vector<std::string>& argv, const std::string& messages,
                          int seconds) {
    ProgramResult result;
    if (argv.empty()) return result;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, messages.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // A group of its own: a timed-out program is killed with the helpers it started.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::fflush(nullptr);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        result.end = failed == ENOENT ? ProgramEnd::NOT_FOUND : ProgramEnd::NOT_STARTED;
        return result;
    }
    int status = 0;
    if (!wait_within(pid, seconds, status)) {
        result.end = ProgramEnd::TIMED_OUT;
        return result;
    }
    if (WIFEXITED(status)) {
        result.end = ProgramEnd::EXITED;
        result.status = WEXITSTATUS(status);
    } else {
        result.end = ProgramEnd::KILLED;
    }
    return result;
}

} // namespace tarvex::host
