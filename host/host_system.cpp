// Host services over POSIX: environment, directories, the command line, child processes
// through the shell, and the installation pause.
#include "host/tarvextern.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarvex::host {

bool FileInUse(std::string_view path) {
    if (has_handler()) {
        char text[MSG_TEXT_SIZE] = "";
        const std::string query = "FILE_INUSE=" + std::string(path).substr(0, MSG_TEXT_SIZE - 13);
        std::memcpy(text, query.c_str(), query.size() + 1);
        if (SendMsg(0, MSG_QUERY, 0, 0, text)) return std::strncmp(text, "INUSE", 5) == 0;
    }
    const int fd = ::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // closing gives back a lock this check took
    return busy;
}

std::optional<std::string> GetEnvironVariable(std::string_view name) {
    const char* value = std::getenv(std::string(name).c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

std::string GetModulePath() {
    Dl_info info{};
    std::string file;
    if (dladdr(reinterpret_cast<void*>(&GetModulePath), &info) != 0 && info.dli_fname != nullptr)
        file = info.dli_fname;
    char resolved[PATH_MAX];
    if (file.empty() || realpath(file.c_str(), resolved) == nullptr) {
        ssize_t n = readlink("/proc/self/exe", resolved, sizeof resolved - 1);
        if (n <= 0) return GetCurrentDirectoryX();
        resolved[n] = '\0';
    }
    std::string path = resolved;
    std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string GetCurrentDirectoryX() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

bool SetDirectory(std::string_view dir) {
    return chdir(std::string(dir).c_str()) == 0;
}

std::string GetShortPath(std::string_view path) {
    return std::string(path);
}

std::string GetCommandLineX() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && text.back() == '\0') text.pop_back();
    for (char& c : text)
        if (c == '\0') c = ' ';
    return text;
}

int CreateProcessX(std::string_view command, int wait_mode) {
    // Mode 2: the shell puts the command in the background and ends at once, so nothing is
    // left for this process to reap.
    std::string script = wait_mode == 2 ? "(" + std::string(command) + ") &" : std::string(command);
    const char* argv[] = {"/bin/sh", "-c", script.c_str(), nullptr};
    std::fflush(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) !=
        0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (wait_mode == 2) return 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void pause_message(std::string_view text) {
    std::fflush(stdout);
    if (!text.empty()) std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
    std::fflush(stderr);
    if (isatty(STDIN_FILENO)) {
        int c;
        while ((c = std::getchar()) != EOF && c != '\n') {
        }
    }
}

} // namespace tarvex::host
