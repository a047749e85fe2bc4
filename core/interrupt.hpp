// Ctrl-C and the run's temporary files. One registry holds the paths of temporary files and
// directories (fetched copies, decrypted copies and their private directories, the clear text
// of a file being encrypted, files being written whole, plot scripts); they are removed at the
// end of a run, after an error, and from the handler of SIGINT, SIGTERM and SIGHUP. In an
// interactive run SIGINT only raises a flag that long loops and reads look at, so the command in
// progress ends and the prompt returns; otherwise (and for SIGTERM and SIGHUP always) the
// handler removes the temporaries and the process ends by the signal, as it would have without
// the handler.
#pragma once

#include <string>

namespace tarvex {

struct Run;

// Thrown at an interruption checkpoint while a command runs; the dispatcher catches it.
struct CommandInterrupted {};

// ---- Temporary paths -------------------------------------------------------------------------

// Adds a path to the registry (a directory before the files inside it); false when the registry
// is full or the path too long (the path is then simply not removed on SIGINT).
bool register_temporary(const std::string& path);
// Takes a path out of the registry (the caller removed it, or keeps it).
void forget_temporary(const std::string& path);
// Removes every registered path, last registered first, and empties the registry.
void remove_temporaries();

// ---- SIGINT, SIGTERM, SIGHUP -----------------------------------------------------------------

enum class InterruptMode {
    UNCHANGED,   // a windowed host: the signals are the host's business
    END_PROCESS, // command file or pipe: remove the temporaries, end by the signal
    END_COMMAND, // interactive: SIGINT ends the command in progress, back to the prompt
};

// Installs the handler for the length of a run and puts the previous ones back at its end
// (SIGTERM or SIGHUP that the process was started ignoring stays ignored);
// the temporaries still registered then are removed. SIGXFSZ is ignored for the run in every
// mode, so a write past the file-size limit fails as on a full disk instead of ending the process.
class InterruptScope {
public:
    explicit InterruptScope(InterruptMode mode);
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    bool installed_ = false;
};

// Marks the span of one command's handler: checkpoints throw only inside it.
class CommandScope {
public:
    CommandScope();
    ~CommandScope();
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;
};

// True when Ctrl-C was pressed and nobody has answered it yet.
bool interrupt_pending();
void clear_interrupt();
// Raises the flag as Ctrl-C does, for a host that handles the signal itself (any thread).
void request_interrupt();
// Throws CommandInterrupted when an interruption is pending and a command is running.
void interrupt_checkpoint();

// ---- Statement budget ------------------------------------------------------------------------

// A cap on the statements the runs of this process read, for a harness that feeds generated
// scripts and wants each to end quickly: once it is spent, a DO loop or procedure replaying ends
// as at Ctrl-C (the statements outside loops still run). The program never sets one; 0 removes
// the cap.
void set_statement_budget(long long statements);
// Counts one statement read; true when a cap is set and the statements read have passed it.
bool statement_budget_spent();

} // namespace tarvex
