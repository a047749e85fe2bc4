// The tarvex program: the host that loads libtarvex.so from its own directory and starts a run
// through TARVEXQX, as a console run over a command file or a terminal, or as a windowed host.
// The line-editing library is loaded only for a terminal session: a run over a file or a pipe
// does not pay for mapping and relocating it (and the terminal library it pulls in).
#include "cli/rank_session.hpp"
#include "host/tarvextern.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <readline/history.h>
#include <readline/readline.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using EntryPoint = int (*)(int*, int*, int*);
using SetHandler = void (*)(TARVHostHandler, void*);
using SetReader = void (*)(TARVHostReader, void*);

constexpr int CODE_CONSOLE = 166;
constexpr int CODE_WINDOWED = 337;
constexpr int EXTRA_TERMINAL = 1; // the person at the terminal types the commands
constexpr const char* PROMPT = "|_";
constexpr int HISTORY_LINES = 1000; // lines of history kept between sessions

const char* USAGE =
    "usage: tarvex [options] [FILE]\n"
    "Runs the TARVEX econometrics engine. With FILE the commands are read from it; without\n"
    "FILE they are read from standard input (a terminal gets line editing and history).\n"
    "The report goes to standard output. The run ends at STOP, QUIT, EXIT or end of input.\n"
    "\n"
    "options:\n"
    "  --window, --host  run as a windowed host (entry code 337): report lines come through\n"
    "                    the host link to standard output; host text commands and queries\n"
    "                    are reported on standard error\n"
    "  --multiple        as a windowed host, answer \"Multiple\" to GET_WINSTATE= (else\n"
    "                    \"Single\")\n"
    "  --code N          call the entry point with entry code N (default 166, or 337 with\n"
    "                    --window) and report the returned code and window on standard error\n"
    "  --help            show this text\n"
    "\n"
    "At the terminal, Ctrl-C ends the command in progress (or drops the line being typed)\n"
    "and the prompt returns; the prompt's history is kept in the file \"history\" beside\n"
    "the settings store.\n"
    "\n"
    "environment:\n"
    "  TARVEX_SETTINGS   settings store file (default $HOME/.tarvex/settings)\n";

struct HostOptions {
    bool windowed = false;
    bool multiple = false;
    bool code_given = false;
    int code = CODE_CONSOLE;
    const char* file = nullptr;
};

// The windowed host's side of SendMsg.
int window_handler(void* context, int window, int number, int p1, int p2, char* text) {
    const auto* options = static_cast<const HostOptions*>(context);
    switch (number) {
    case tarvex::host::MSG_LINE:
        std::printf("%s\n", text);
        return 1;
    case tarvex::host::MSG_COMMAND:
        std::fflush(stdout);
        std::fprintf(stderr, "HOST COMMAND: %s\n", text);
        return 1;
    case tarvex::host::MSG_QUERY: {
        std::fflush(stdout);
        const char* reply = options->multiple ? "Multiple" : "Single";
        std::fprintf(stderr, "HOST QUERY: %s REPLY: %s\n", text, reply);
        std::snprintf(text, tarvex::host::MSG_TEXT_SIZE, "%s", reply);
        return 1;
    }
    case tarvex::host::MSG_REFRESH:
        std::fflush(stdout);
        return 1;
    default:
        return 1;
    }
}

// The line-editing calls and variables a terminal session uses, from libreadline loaded on
// demand.
struct LineEditing {
    char* (*readline)(const char*) = nullptr;
    void (*add_history)(const char*) = nullptr;
    void (*stifle_history)(int) = nullptr;
    int (*read_history)(const char*) = nullptr;
    int (*write_history)(const char*) = nullptr;
    void (*replace_line)(const char*, int) = nullptr;
    int* point = nullptr;
    int* end = nullptr;
    int* catch_signals = nullptr;
    rl_getc_func_t** getc_function = nullptr;
};
LineEditing editing;

template <typename T>
bool bind(void* library, const char* name, T& entry) {
    entry = reinterpret_cast<T>(dlsym(library, name));
    return entry != nullptr;
}

// Loads the line-editing library; false (with a warning) when it is missing, and the terminal
// is then read as plain input.
bool load_line_editing() {
    void* lib = dlopen("libreadline.so.8", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) lib = dlopen("libreadline.so", RTLD_NOW | RTLD_LOCAL);
    LineEditing e;
    const bool bound =
        lib != nullptr && bind(lib, "readline", e.readline) &&
        bind(lib, "add_history", e.add_history) && bind(lib, "stifle_history", e.stifle_history) &&
        bind(lib, "read_history", e.read_history) && bind(lib, "write_history", e.write_history) &&
        bind(lib, "rl_replace_line", e.replace_line) && bind(lib, "rl_point", e.point) &&
        bind(lib, "rl_end", e.end) && bind(lib, "rl_catch_signals", e.catch_signals) &&
        bind(lib, "rl_getc_function", e.getc_function);
    if (!bound) {
        std::fprintf(stderr, "tarvex: warning: no line editing (libreadline cannot be loaded)\n");
        return false;
    }
    editing = e;
    return true;
}

// Reads the terminal for readline. A read cut short by a signal (the engine's Ctrl-C handler
// does not restart it) drops the line typed so far and hands readline an empty line, so the
// engine sees the interruption and the prompt comes back.
int interruptible_getc(FILE* stream) {
    for (;;) {
        unsigned char c = 0;
        const ssize_t n = ::read(fileno(stream), &c, 1);
        if (n == 1) return c;
        if (n == 0 || errno != EINTR) return EOF;
        editing.replace_line("", 0);
        *editing.point = *editing.end = 0;
        return '\n';
    }
}

// The history file beside the settings store ("" when the store is not a plain file, as with
// TARVEX_SETTINGS=/dev/null: history then lasts for the session only).
std::string history_path() {
    const char* settings = std::getenv("TARVEX_SETTINGS");
    std::string directory;
    if (settings != nullptr && settings[0] != '\0') {
        struct stat info {};
        if (::stat(settings, &info) == 0 && !S_ISREG(info.st_mode)) return "";
        std::string path = settings;
        const std::size_t slash = path.rfind('/');
        directory =
            slash == std::string::npos ? "." : path.substr(0, std::max<std::size_t>(slash, 1));
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') return "";
        directory = std::string(home) + "/.tarvex";
    }
    return directory + "/history";
}

void history_warning(const char* what, const std::string& path, int error) {
    std::fprintf(stderr, "tarvex: warning: cannot %s the history file %s: %s\n", what, path.c_str(),
                 std::strerror(error));
}

std::string history_file; // where the session's history goes at exit ("" for nowhere)

// At the process's end, however the run ended (a fatal stop ends the process from the engine).
void save_history() {
    const std::string& history = history_file;
    if (history.empty()) return;
    const std::string directory = history.substr(0, history.rfind('/'));
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        history_warning("create the directory of", history, errno);
        return;
    }
    const int error = editing.write_history(history.c_str());
    if (error != 0) history_warning("write", history, error);
}

// At the process's end, however the run ended: a report the standard output could not take
// (a full disk) is not lost without a word, and the exit status says so.
void check_report_stream() {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout)) return;
    // An earlier write's reason is gone with the run; a failing flush still gives its own.
    const std::string reason = flushed ? "" : std::string(": ") + std::strerror(errno);
    std::fprintf(stderr, "tarvex: the report could not be written to the standard output%s\n",
                 reason.c_str());
    std::_Exit(1);
}

// Line editing for a terminal session, with the history of earlier sessions.
void start_terminal_session() {
    *editing.catch_signals = 0; // the engine's Ctrl-C handler is in charge
    *editing.getc_function = interruptible_getc;
    editing.stifle_history(HISTORY_LINES);
    history_file = history_path();
    if (history_file.empty()) return;
    const int error = editing.read_history(history_file.c_str());
    if (error != 0 && error != ENOENT) history_warning("read", history_file, error);
    std::atexit(save_history);
}

// Terminal input with line editing; blank lines are not kept in the history.
int terminal_reader(void*, char* line, int size) {
    char* text = editing.readline(PROMPT);
    if (text == nullptr) return 0;
    if (text[0] != '\0') editing.add_history(text);
    std::snprintf(line, static_cast<std::size_t>(size), "%s", text);
    std::free(text);
    return 1;
}

std::string own_directory() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string text = path;
    return text.substr(0, text.rfind('/'));
}

bool parse_arguments(int argc, char** argv, HostOptions& options) {
    for (int k = 1; k < argc; ++k) {
        std::string arg = argv[k];
        if (arg == "--help" || arg == "-h") {
            std::fputs(USAGE, stdout);
            std::exit(0);
        } else if (arg == "--window" || arg == "--host") {
            options.windowed = true;
        } else if (arg == "--multiple") {
            options.multiple = true;
        } else if (arg == "--code" && k + 1 < argc) {
            char* end = nullptr;
            long value = std::strtol(argv[++k], &end, 10);
            if (*end != '\0' || value < INT_MIN || value > INT_MAX) return false;
            options.code = static_cast<int>(value);
            options.code_given = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else if (options.file == nullptr) {
            options.file = argv[k];
        } else {
            return false;
        }
    }
    if (options.windowed && !options.code_given) options.code = CODE_WINDOWED;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (!tarvex_cli::start_rank_session(argc, argv)) {
        std::fprintf(stderr, "tarvex: cannot start MPI\n");
        return 2;
    }
    HostOptions options;
    if (!parse_arguments(argc, argv, options)) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    // Every rank must read the same commands: standard input reaches rank 0 only.
    if (options.file == nullptr && tarvex_cli::session_ranks() > 1) {
        std::fprintf(stderr, "tarvex: a run over several processes reads its commands from a "
                             "FILE argument\n");
        return 2;
    }
    if (options.file != nullptr && std::freopen(options.file, "r", stdin) == nullptr) {
        std::fprintf(stderr, "tarvex: cannot open %s: %s\n", options.file, std::strerror(errno));
        return 2;
    }

    std::string library = own_directory() + "/libtarvex.so";
    // Calls inside the engine are bound as they are first made: a short run makes few of them.
    void* engine = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (engine == nullptr) {
        std::fprintf(stderr, "tarvex: cannot load the engine: %s\n", dlerror());
        return 2;
    }
    auto entry = reinterpret_cast<EntryPoint>(dlsym(engine, "TARVEXQX"));
    auto set_handler = reinterpret_cast<SetHandler>(dlsym(engine, "TARVHostSetHandler"));
    auto set_reader = reinterpret_cast<SetReader>(dlsym(engine, "TARVHostSetReader"));
    if (entry == nullptr || set_handler == nullptr || set_reader == nullptr) {
        std::fprintf(stderr, "tarvex: %s is not a TARVEX engine\n", library.c_str());
        return 2;
    }

    std::atexit(check_report_stream);
    int extra = 0;
    if (options.file == nullptr && isatty(STDIN_FILENO) && load_line_editing()) {
        start_terminal_session();
        set_reader(terminal_reader, nullptr);
        extra |= EXTRA_TERMINAL;
    }
    if (options.windowed) set_handler(window_handler, &options);

    int code = options.code;
    int window = options.windowed ? 1 : 0;
    entry(&code, &window, &extra);
    std::fflush(stdout);
    if (options.code_given)
        std::fprintf(stderr, "TARVEXQX RETURNED CODE=%d WINDOW=%d\n", code, window);
    return 0;
}
