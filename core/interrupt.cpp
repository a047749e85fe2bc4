// The registry of temporary paths and the handler of SIGINT, SIGTERM and SIGHUP. The handler
// touches only fixed arrays and calls only unlink, rmdir, sigaction and raise, which may be
// called from a signal handler.
#include "core/interrupt.hpp"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr int REGISTRY_SLOTS = 32;

// The flags apart from the paths: a scan of the flags (every run's end) touches one page, not
// one page a slot.
volatile std::sig_atomic_t slot_used[REGISTRY_SLOTS];
char slot_path[REGISTRY_SLOTS][PATH_MAX];

volatile std::sig_atomic_t handler_mode = 0; // an InterruptMode while installed
volatile std::sig_atomic_t interrupted = 0;
volatile std::sig_atomic_t command_depth = 0;
long long statement_budget = 0; // 0: no cap
long long statements_counted = 0;
// The signals that end a run and take its temporaries with them; SIGINT alone only ends the
// command in an interactive run.
constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int ENDING_SIGNAL_COUNT = sizeof ENDING_SIGNALS / sizeof ENDING_SIGNALS[0];
struct sigaction previous_actions[ENDING_SIGNAL_COUNT] {};
bool action_saved[ENDING_SIGNAL_COUNT] = {};
struct sigaction previous_file_size_action {};
bool file_size_action_saved = false;

// Files first, then the directories that held them (rmdir of a file and unlink of a directory
// fail harmlessly), so the order of registration does not matter.
void unlink_registered() {
    for (int k = 0; k < REGISTRY_SLOTS; ++k)
        if (slot_used[k]) ::unlink(slot_path[k]);
    for (int k = 0; k < REGISTRY_SLOTS; ++k)
        if (slot_used[k]) ::rmdir(slot_path[k]);
}

void on_interrupt(int signal) {
    if (signal == SIGINT && handler_mode == static_cast<int>(InterruptMode::END_COMMAND)) {
        interrupted = 1;
        return;
    }
    const int saved_errno = errno;
    unlink_registered();
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    ::sigaction(signal, &plain, nullptr);
    ::raise(signal); // delivered when the handler returns: the process ends by the signal
    errno = saved_errno;
}

} // namespace

bool register_temporary(const std::string& path) {
    if (path.empty() || path.size() >= PATH_MAX) return false;
    for (int k = 0; k < REGISTRY_SLOTS; ++k) {
        if (slot_used[k]) continue;
        std::memcpy(slot_path[k], path.c_str(), path.size() + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst); // the path is whole before it counts
        slot_used[k] = 1;
        return true;
    }
    return false;
}

void forget_temporary(const std::string& path) {
    for (int k = 0; k < REGISTRY_SLOTS; ++k)
        if (slot_used[k] && path == slot_path[k]) slot_used[k] = 0;
}

void remove_temporaries() {
    for (int k = 0; k < REGISTRY_SLOTS; ++k) {
        if (!slot_used[k]) continue;
        std::error_code ignored;
        std::filesystem::remove_all(slot_path[k], ignored);
        slot_used[k] = 0;
    }
}

InterruptScope::InterruptScope(InterruptMode mode) {
    interrupted = 0;
    // A write past the file-size limit fails with EFBIG and is reported as a full disk; the
    // default action would end the process and lose the rest of the run.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    file_size_action_saved = ::sigaction(SIGXFSZ, &ignore, &previous_file_size_action) == 0;
    if (mode == InterruptMode::UNCHANGED) return;
    handler_mode = static_cast<int>(mode);
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocked terminal read returns, so the line is dropped
    for (int k = 0; k < ENDING_SIGNAL_COUNT; ++k) {
        struct sigaction previous {};
        if (::sigaction(ENDING_SIGNALS[k], nullptr, &previous) != 0) continue;
        // A signal the process was started ignoring (nohup, a background job) stays ignored.
        if (ENDING_SIGNALS[k] != SIGINT && previous.sa_handler == SIG_IGN) continue;
        action_saved[k] = ::sigaction(ENDING_SIGNALS[k], &action, &previous_actions[k]) == 0;
    }
    installed_ = true;
}

InterruptScope::~InterruptScope() {
    for (int k = 0; installed_ && k < ENDING_SIGNAL_COUNT; ++k) {
        if (action_saved[k]) ::sigaction(ENDING_SIGNALS[k], &previous_actions[k], nullptr);
        action_saved[k] = false;
    }
    if (file_size_action_saved) ::sigaction(SIGXFSZ, &previous_file_size_action, nullptr);
    file_size_action_saved = false;
    handler_mode = 0;
    interrupted = 0;
    remove_temporaries();
}

CommandScope::CommandScope() {
    command_depth = command_depth + 1;
}
CommandScope::~CommandScope() {
    command_depth = command_depth - 1;
}

bool interrupt_pending() {
    return interrupted != 0;
}
void clear_interrupt() {
    interrupted = 0;
}
void request_interrupt() {
    interrupted = 1;
}

void interrupt_checkpoint() {
    if (interrupted && command_depth > 0) throw CommandInterrupted{};
}

void set_statement_budget(long long statements) {
    statement_budget = statements > 0 ? statements : 0;
    statements_counted = 0;
}

bool statement_budget_spent() {
    if (statement_budget == 0) return false;
    if (statements_counted < statement_budget) ++statements_counted;
    return statements_counted >= statement_budget;
}

} // namespace tarvex
