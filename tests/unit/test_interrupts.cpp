// Crashes, unbounded resources and signals: an allocation the system refuses ends the command
// and the run goes on; network fetches give up on a stalled server, cap an endless one and stop
// a dripping one at the time limit; Ctrl-C in an interactive run ends the command and keeps the
// variables; Ctrl-C in a command-file run, and SIGTERM and SIGHUP in any run, remove the
// fetched, decrypted, encrypted and plotted temporaries before the process ends.
#include "core/interrupt.hpp"
#include "host/tarvextern.hpp"
#include "interp/entry.hpp"
#include "interp/script_run.hpp"
#include "io/net_fetch.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define TARVEX_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARVEX_UNDER_ASAN 1
#endif
#endif

using namespace tarvex;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using tarvex::testing::file_text;

struct InterruptScratch {
    fs::path dir;
    InterruptScratch() {
        std::string pattern = (fs::temp_directory_path() / "tarvex_intr.XXXXXX").string();
        dir = mkdtemp(pattern.data());
        fs::create_directory(dir / "tmp");
    }
    ~InterruptScratch() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::size_t temp_entries() const {
        return std::distance(fs::directory_iterator(dir / "tmp"), fs::directory_iterator());
    }
};

// A one-connection-at-a-time HTTP server on loopback: STALL accepts and never answers, ENDLESS
// answers 200 and streams data until the client goes (or 32 MB, so that a client without a cap
// ends too), TRICKLE sends a little and then holds the connection open, DRIP sends a byte every
// fifth of a second (never stalled, never done).
class LocalServer {
public:
    enum Mode { STALL, ENDLESS, TRICKLE, DRIP };
    explicit LocalServer(Mode mode) : mode_(mode) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener_, 4);
        socklen_t len = sizeof addr;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~LocalServer() {
        stop_ = true;
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    std::string url(const char* file) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + file;
    }

private:
    void serve() {
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) return;
        char request[4096];
        (void)recv(client, request, sizeof request, 0);
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        if (mode_ != STALL) {
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n";
            send(client, head.data(), head.size(), MSG_NOSIGNAL);
        }
        const std::string chunk(64 * 1024, '7');
        long long sent = 0;
        while (!stop_ && std::chrono::steady_clock::now() < deadline) {
            if (mode_ == ENDLESS && sent < (32LL << 20)) {
                if (send(client, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0) break;
                sent += static_cast<long long>(chunk.size());
            } else if (mode_ == TRICKLE && sent == 0) {
                send(client, "1 2 3\n", 6, MSG_NOSIGNAL);
                sent = 6;
            } else if (mode_ == DRIP) {
                if (send(client, "7", 1, MSG_NOSIGNAL) < 0) break;
                ++sent;
                std::this_thread::sleep_for(200ms);
            } else {
                std::this_thread::sleep_for(20ms);
                if (mode_ == ENDLESS) break;
            }
        }
        close(client);
    }
    Mode mode_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// ---- Runs in a forked child ----------------------------------------------------------------

// The lines the host reader hands the engine in the child. "@LIMIT " before a line lowers the
// address-space limit to what the process maps plus 2 MB before the engine gets the line;
// "@UNLIMIT " puts the limit back.
std::vector<std::string> child_lines;
std::size_t child_next = 0;
rlimit original_limit{};

long mapped_bytes() {
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm != nullptr) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    return pages * sysconf(_SC_PAGESIZE);
}

int child_reader(void*, char* line, int size) {
    if (child_next == child_lines.size()) return 0;
    std::string text = child_lines[child_next++];
    if (text.rfind("@LIMIT ", 0) == 0) {
        text.erase(0, 7);
        rlimit tight = original_limit;
        tight.rlim_cur = static_cast<rlim_t>(mapped_bytes() + (2L << 20));
        setrlimit(RLIMIT_AS, &tight);
    } else if (text.rfind("@UNLIMIT ", 0) == 0) {
        text.erase(0, 9);
        setrlimit(RLIMIT_AS, &original_limit);
    }
    std::snprintf(line, static_cast<std::size_t>(size), "%s", text.c_str());
    return 1;
}

struct ChildResult {
    int status = 0;
    std::string output;
};

// In a child process: a console run of `lines` (given through the host reader, as a terminal
// session when `terminal`) with its report in `out`, line-buffered; then the process ends.
[[noreturn]] void run_engine_and_exit(const std::vector<std::string>& lines, bool terminal,
                                      const fs::path& out) {
    setenv("ENGINE_PID", std::to_string(getpid()).c_str(), 1);
    if (chdir(out.parent_path().c_str()) != 0) _exit(4); // SYSCMD leaves JUNK.TMP here
    child_lines = lines;
    getrlimit(RLIMIT_AS, &original_limit);
    TARVHostSetReader(child_reader, nullptr);
    Run run;
    run.streams.out = std::fopen(out.c_str(), "w");
    setvbuf(run.streams.out, nullptr, _IOLBF, 0);
    try {
        start_run(run, MODE_CONSOLE, 0, 1, terminal ? EXTRA_TERMINAL : 0);
    } catch (...) {
        _exit(3);
    }
    std::fclose(run.streams.out);
    _exit(0);
}

// Forks run_engine_and_exit; `while_running` runs in the parent with the child's pid; the
// child is killed when it has not ended 30 s later.
template <typename Parent>
ChildResult run_in_child(const std::vector<std::string>& lines, bool terminal, const fs::path& out,
                         Parent while_running) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) run_engine_and_exit(lines, terminal, out);
    while_running(pid);
    ChildResult result;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (waitpid(pid, &result.status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &result.status, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    result.output = file_text(out);
    return result;
}

// Waits (at most 20 s) until `ready` holds.
template <typename Ready>
bool wait_for(Ready ready) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool ended_normally(int status) {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
bool ended_by_interrupt(int status) {
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGINT;
}

} // namespace

// STATS of 400000 observations needs a 6 MB copy that a 2 MB margin cannot give: the command
// ends with the insufficient-memory error and $ERR 27070, the lines before it are kept, and
// the next commands run. The run happens in a fresh process (a re-executed death test), whose
// heap holds no free space left over from other tests. The data are uniform draws, made in this
// thread: a command that had run on two threads before would leave a second thread's stack and
// heap behind, and STATS could then make its copy there.
TEST(OutOfMemory, CommandEndsWithTheMessageAndTheRunGoesOn) {
#ifdef TARVEX_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves more address space than RLIMIT_AS allows";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child is started by this process, so both name the report after this process.
    auto report = [](pid_t owner) {
        return fs::temp_directory_path() / ("tarvex_oom_" + std::to_string(owner) + ".out");
    };
    EXPECT_EXIT(run_engine_and_exit({"SAMPLE 1 400000", "GENR X=UNI(1)", "@LIMIT STATS X",
                                     "@UNLIMIT GENR E=$ERR", "SAMPLE 1 1", "PRINT E", "STOP"},
                                    true, report(getppid())),
                ::testing::ExitedWithCode(0), "");
    const std::string output = file_text(report(getpid()));
    fs::remove(report(getpid()));
    const std::size_t error =
        output.find("\n ...ERROR..INSUFFICIENT MEMORY FOR THIS CALCULATION\n");
    ASSERT_NE(error, std::string::npos) << output;
    EXPECT_NE(output.find("27070", error), std::string::npos) << output;
    EXPECT_NE(output.find("Welcome to"), std::string::npos);
#endif
}

// A server that accepts and never answers is abandoned after the stall time; one that streams
// without end is cut at the size cap. Neither leaves a file behind.
TEST(FetchLimits, StalledAndEndlessServersAreCutOff) {
    InterruptScratch scratch;
    const fs::path copy = scratch.dir / "tmp" / "copy.txt";
    setenv("TARVEX_FETCH_STALL_SECONDS", "1", 1);
    setenv("TARVEX_FETCH_MAX_MB", "1", 1);
    {
        LocalServer server(LocalServer::STALL);
        const auto start = std::chrono::steady_clock::now();
        const FetchResult result = fetch_url(server.url("data.txt"), copy.string());
        EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason,
                  "TRANSFER STOPPED: NOTHING RECEIVED FOR 1 SECONDS (TARVEX_FETCH_STALL_SECONDS)");
    }
    {
        LocalServer server(LocalServer::ENDLESS);
        const FetchResult result = fetch_url(server.url("data.txt"), copy.string());
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(
            result.reason,
            "TRANSFER STOPPED: THE FILE IS LARGER THAN THE LIMIT OF 1 MB (TARVEX_FETCH_MAX_MB)");
    }
    EXPECT_EQ(scratch.temp_entries(), 0u);
    unsetenv("TARVEX_FETCH_STALL_SECONDS");
    unsetenv("TARVEX_FETCH_MAX_MB");
    const FetchLimits defaults = fetch_limits();
    EXPECT_EQ(defaults.connect_seconds, 15);
    EXPECT_EQ(defaults.stall_seconds, 60);
    EXPECT_EQ(defaults.max_bytes, 512LL << 20);
    EXPECT_EQ(defaults.total_seconds, 300);
}

// A server that sends a byte now and then never stalls: the whole-transfer limit ends it.
TEST(FetchLimits, DrippingServerIsStoppedAtTheTransferTimeLimit) {
    InterruptScratch scratch;
    LocalServer server(LocalServer::DRIP);
    const auto start = std::chrono::steady_clock::now();
    const FetchResult result =
        fetch_url(server.url("drip.txt"), (scratch.dir / "tmp" / "copy.txt").string(), 1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 1s);
    EXPECT_LT(took, 5s);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "TRANSFER STOPPED: NOT FINISHED IN 1 SECONDS (FILE TIMEOUT)");
    EXPECT_EQ(scratch.temp_entries(), 0u);
}

// FILE TIMEOUT through the command: the download that the limit stops is a failed fetch with
// its $ERR, and the file of the same name that was there before keeps its content.
TEST(FetchLimits, FileTimeoutStopsADownloadAndKeepsTheLocalFile) {
    InterruptScratch scratch;
    LocalServer server(LocalServer::DRIP);
    const fs::path mine = scratch.dir / "tmp" / "drip.txt";
    std::ofstream(mine) << "mine\n";
    const auto start = std::chrono::steady_clock::now();
    const ScriptResult r = run_script("FILE FTPPATH " + (scratch.dir / "tmp").string() +
                                      "\nFILE TIMEOUT 1\nFILE DOWNLOAD " + server.url("drip.txt") +
                                      "\nPRINT $ERR\nSTOP\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_NE(r.output.find(" TRANSFER STOPPED: NOT FINISHED IN 1 SECONDS (FILE TIMEOUT)\n"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("63092"), std::string::npos) << r.output;
    EXPECT_EQ(file_text(mine), "mine\n");
    EXPECT_EQ(scratch.temp_entries(), 1u); // nothing beside it
}

// Ctrl-C in an interactive run while a DO loop replays: the loop ends with the note, the
// variables it changed stay, and the next typed commands run.
TEST(Interrupt, InteractiveCtrlCEndsTheLoopAndThePromptReturns) {
    InterruptScratch scratch;
    const fs::path out = scratch.dir / "out";
    const ChildResult r = run_in_child(
        {"SAMPLE 1 1", "GENR K=0", "DO #=1,100000000", "GENR K=K+1", "ENDO", "PRINT K", "STOP"},
        true, out, [&](pid_t pid) {
            ASSERT_TRUE(wait_for([&] {
                return file_text(out).find("EXECUTION BEGINNING FOR DO LOOP") != std::string::npos;
            }));
            std::this_thread::sleep_for(200ms);
            kill(pid, SIGINT);
        });
    ASSERT_TRUE(ended_normally(r.status)) << r.status << "\n" << r.output;
    const std::size_t note = r.output.find("\n ...NOTE..INTERRUPTED\n");
    ASSERT_NE(note, std::string::npos) << r.output;
    EXPECT_NE(r.output.find(" ...NOTE..DO LOOP ENDED AT #="), std::string::npos) << r.output;
    // PRINT ran after it and shows the passes made before Ctrl-C.
    const std::size_t printed = r.output.find("    K ", note);
    ASSERT_NE(printed, std::string::npos) << r.output;
    const double passes = std::strtod(r.output.c_str() + printed + 6, nullptr);
    EXPECT_GT(passes, 0);
    EXPECT_LT(passes, 100000000);
}

// Ctrl-C and SIGTERM in a command-file run and SIGHUP in an interactive one during an http
// READ: the partial copy in the temporary directory is removed and the process ends by the
// signal (none of them only ends the command).
TEST(Interrupt, InterruptTerminateAndHangupRemoveTheFetchedCopy) {
    for (const auto& [signal, terminal] :
         {std::pair{SIGINT, false}, std::pair{SIGTERM, false}, std::pair{SIGHUP, true}}) {
        InterruptScratch scratch;
        LocalServer server(LocalServer::TRICKLE);
        setenv("TEMP", (scratch.dir / "tmp").c_str(), 1);
        const ChildResult r =
            run_in_child({"READ(" + server.url("slow.txt") + ") X", "STOP"}, terminal,
                         scratch.dir / "out", [&, signal = signal](pid_t pid) {
                             ASSERT_TRUE(wait_for([&] { return scratch.temp_entries() > 0; }));
                             std::this_thread::sleep_for(200ms);
                             kill(pid, signal);
                         });
        unsetenv("TEMP");
        EXPECT_TRUE(WIFSIGNALED(r.status) && WTERMSIG(r.status) == signal)
            << signal << ": " << r.status << "\n"
            << r.output;
        EXPECT_EQ(scratch.temp_entries(), 0u) << signal;
    }
}

// Ctrl-C in a command-file run while gnuplot draws: the plot script, which holds every plotted
// value, and gnuplot's message file go with the process. The gnuplot found first on PATH
// interrupts the engine.
TEST(Interrupt, CommandFileRunRemovesThePlotScript) {
    InterruptScratch scratch;
    const fs::path bin = scratch.dir / "bin";
    fs::create_directory(bin);
    const fs::path seen = scratch.dir / "seen_script";
    std::ofstream(bin / "gnuplot")
        << "#!/bin/sh\ncp \"$1\" '" << seen.string() << "'\nkill -INT \"$ENGINE_PID\"\nsleep 5\n";
    fs::permissions(bin / "gnuplot", fs::perms::owner_all);
    const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (bin.string() + ":" + old_path).c_str(), 1);
    setenv("TMPDIR", (scratch.dir / "tmp").c_str(), 1);
    const ChildResult r =
        run_in_child({"SAMPLE 1 5", "GENR Y=1234.5678", "GRAPH Y / OUTPUT=secret", "STOP"}, false,
                     scratch.dir / "out", [](pid_t) {});
    setenv("PATH", old_path.c_str(), 1);
    unsetenv("TMPDIR");
    EXPECT_TRUE(ended_by_interrupt(r.status)) << r.status << "\n" << r.output;
    EXPECT_NE(file_text(seen).find("1234.5678"), std::string::npos); // gnuplot had the data
    EXPECT_EQ(scratch.temp_entries(), 0u);
}

// A private key home for gpg under `dir`, and its agent stopped once a test is done with it.
fs::path gpg_home(const fs::path& dir) {
    const fs::path home = dir / "gnupg";
    fs::create_directory(home);
    fs::permissions(home, fs::perms::owner_all, fs::perm_options::replace);
    return home;
}
void stop_gpg_agent(const fs::path& home) {
    (void)std::system(
        ("gpgconf --homedir '" + home.string() + "' --kill gpg-agent >/dev/null 2>&1").c_str());
}

// A gpg first on PATH that runs the real one and then interrupts the engine, and the
// environment a CRYPT run reads (passphrase, key home, TEMP); restore() puts it back.
class InterruptingGpg {
public:
    InterruptingGpg(const fs::path& dir, const fs::path& home) {
        const fs::path bin = dir / "bin";
        fs::create_directory(bin);
        std::ofstream(bin / "gpg") << "#!/bin/sh\n"
                                   << "\"$REAL_GPG\" \"$@\"\n"
                                   << "kill -INT \"$ENGINE_PID\"\nsleep 5\n";
        fs::permissions(bin / "gpg", fs::perms::owner_all);
        std::string real_gpg;
        if (std::FILE* which = popen("command -v gpg", "r")) {
            char path[4096] = "";
            if (std::fgets(path, sizeof path, which) != nullptr) real_gpg = path;
            pclose(which);
        }
        while (!real_gpg.empty() && real_gpg.back() == '\n') real_gpg.pop_back();
        old_path_ = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        setenv("REAL_GPG", real_gpg.c_str(), 1);
        setenv("PATH", (bin.string() + ":" + old_path_).c_str(), 1);
        setenv("GNUPGHOME", home.c_str(), 1);
        setenv("TARVEXPASSPHRASE", "secret", 1);
        setenv("TEMP", (dir / "tmp").c_str(), 1);
    }
    void restore() {
        setenv("PATH", old_path_.c_str(), 1);
        for (const char* name : {"REAL_GPG", "GNUPGHOME", "TARVEXPASSPHRASE", "TEMP"})
            unsetenv(name);
    }

private:
    std::string old_path_;
};

// Ctrl-C in a command-file run while WRITE ... / CRYPT encrypts: neither the clear text nor
// the unfinished encryption is left, and the file's name was never given to the clear text.
TEST(Interrupt, CommandFileRunRemovesTheClearTextOfAnEncryption) {
    if (std::system("gpg --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpg is not installed";
    InterruptScratch scratch;
    const fs::path home = gpg_home(scratch.dir);
    const fs::path target = scratch.dir / "sealed";
    fs::create_directory(target);
    InterruptingGpg gpg(scratch.dir, home);
    const ChildResult r = run_in_child(
        {"SAMPLE 1 3", "GENR X=42", "WRITE(" + (target / "x.dat").string() + ") X / CRYPT", "STOP"},
        false, scratch.dir / "out", [](pid_t) {});
    gpg.restore();
    EXPECT_TRUE(ended_by_interrupt(r.status)) << r.status << "\n" << r.output;
    EXPECT_EQ(scratch.temp_entries(), 0u);
    EXPECT_TRUE(fs::is_empty(target));
    stop_gpg_agent(home);
}

// Ctrl-C in a command-file run while an encrypted file is decrypted: the plaintext copy and its
// private directory go before the process ends. The gpg found first on PATH decrypts with the
// real one and then interrupts the engine.
TEST(Interrupt, CommandFileRunRemovesTheDecryptedCopy) {
    if (std::system("gpg --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpg is not installed";
    InterruptScratch scratch;
    const fs::path home = gpg_home(scratch.dir);
    const fs::path plain = scratch.dir / "data.txt";
    std::ofstream(plain) << "1 2 3\n";
    const std::string seal = "echo secret | GNUPGHOME='" + home.string() +
                             "' gpg --batch --yes --passphrase-fd 0 -c -o '" + plain.string() +
                             ".gpg' '" + plain.string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(seal.c_str()), 0);
    InterruptingGpg gpg(scratch.dir, home);
    const ChildResult r = run_in_child({"READ(" + plain.string() + ".gpg) X / CRYPT", "STOP"},
                                       false, scratch.dir / "out", [](pid_t) {});
    gpg.restore();
    EXPECT_TRUE(ended_by_interrupt(r.status)) << r.status << "\n" << r.output;
    EXPECT_EQ(scratch.temp_entries(), 0u);
    stop_gpg_agent(home);
}

// The statement budget a fuzz harness sets: a loop of 10,000,000 passes ends once the budget is
// read, with the note, and the statements after it run; without a budget a loop runs every pass.
TEST(Interrupt, StatementBudgetEndsALongLoopOnly) {
    const std::string loop = "SAMPLE 1 1\nGENR K=0\nDO #=1,10000000\nGENR K=K+1\nENDO\n"
                             "PRINT K\nDO #=1,3\nGENR K=K+100\nENDO\nPRINT K\nSTOP\n";
    set_statement_budget(500);
    const ScriptResult capped = run_script(loop);
    set_statement_budget(0);
    ASSERT_NE(capped.output.find(" ...NOTE..INTERRUPTED"), std::string::npos) << capped.output;
    const std::size_t first = capped.output.find("    K ");
    ASSERT_NE(first, std::string::npos) << capped.output;
    const double passes = std::strtod(capped.output.c_str() + first + 6, nullptr);
    EXPECT_GT(passes, 100);
    EXPECT_LT(passes, 500);
    // The budget being spent, the second loop is ended at its first replayed statement too.
    const std::size_t second = capped.output.find("    K ", first + 1);
    ASSERT_NE(second, std::string::npos) << capped.output;
    EXPECT_LE(std::strtod(capped.output.c_str() + second + 6, nullptr), passes + 100);

    const ScriptResult free_run = run_script("SAMPLE 1 1\nGENR K=0\nDO #=1,3000\nGENR K=K+1\n"
                                             "ENDO\nPRINT K\nSTOP\n");
    EXPECT_EQ(free_run.output.find("INTERRUPTED"), std::string::npos) << free_run.output;
    const std::size_t all = free_run.output.find("    K ");
    ASSERT_NE(all, std::string::npos) << free_run.output;
    EXPECT_EQ(std::strtod(free_run.output.c_str() + all + 6, nullptr), 3000) << free_run.output;
}
