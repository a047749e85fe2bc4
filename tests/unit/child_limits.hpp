// Fault injection for tests of failed writes: a body run in a forked child under a file size
// limit (a disk that fills up) or as an ordinary user (files it may not write).
#pragma once

#include <csignal>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tarvex::testing {

// Runs `body` in a forked child, after the limits asked for (a file size limit, with SIGXFSZ
// ignored so that the write fails with EFBIG; an ordinary user instead of root), and returns
// the report lines it gives back.
inline std::vector<std::string> in_child(const std::function<std::vector<std::string>()>& body,
                                         rlim_t file_limit = RLIM_INFINITY,
                                         bool drop_root = false) {
    int fds[2];
    if (::pipe(fds) != 0) return {"pipe failed"};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{file_limit, file_limit};
        bool ready = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        if (drop_root && ::geteuid() == 0)
            ready = ready && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        std::string text;
        for (const std::string& line :
             ready ? body() : std::vector<std::string>{"child setup failed"})
            text += line + "\n";
        (void)!::write(fds[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, std::size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

} // namespace tarvex::testing
