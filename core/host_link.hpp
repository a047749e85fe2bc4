// The host link: the line buffer of 130-character report lines, FLUSH_BUFFER that sends them to
// the host window, the output unit or the log, and MACDEP/SYSCMD for host services.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

inline constexpr int LINE_WIDTH = 130;
inline constexpr int LINE_BUFFER_LINES = 60;

struct LineBuffer {
    std::vector<std::string> line = std::vector<std::string>(LINE_BUFFER_LINES + 1); // one-based
    int IVL = 1;
    int paged_lines = 0;
    // While set, the lines sent are kept here in order instead of going out: a command that
    // reads statements of its own before it estimates writes them later, where its report
    // puts them (HeldLines).
    std::vector<std::string>* held = nullptr;
    // Whether this process writes the report: false in the ranks other than 0 of a run
    // partitioned over several processes, which run the same statements and compute the same
    // lines (error lines included) but leave every line to rank 0. The engine's entry point
    // sets it.
    bool writes_report = true;
};

// Holds every line sent while it lives (see LineBuffer::held); the previous holder, if any,
// is restored afterwards.
class HeldLines {
public:
    HeldLines(LineBuffer& buf, std::vector<std::string>& into) : buf_(buf), outer_(buf.held) {
        buf_.held = &into;
    }
    ~HeldLines() { buf_.held = outer_; }
    HeldLines(const HeldLines&) = delete;
    HeldLines& operator=(const HeldLines&) = delete;

private:
    LineBuffer& buf_;
    std::vector<std::string>* outer_;
};

// Sends the first IVL lines of the line buffer (Part of every report).
void FLUSH_BUFFER(Run& run);
// Writes one report line through the line buffer (line 1, IVL = 1, flush).
void write_line(Run& run, std::string_view text);
// Host services: 7 short path, 9 change directory, 14 refresh, 20 settings read, 21/27 settings
// write, 23 host text command, 24 host query, 32 environment value, 34 temporary name,
// 35 passphrase variable name. `text` is both argument and reply.
void MACDEP(Run& run, int service, std::string& text);
// MACDEP service 36: `text` holds a file path on entry and "INUSE" or "FREE" on return.
inline constexpr int MACDEP_FILE_IN_USE = 36;
// Runs an external command through the shell with output to JUNK.TMP; returns its status.
int SYSCMD(Run& run, std::string_view command);
// Sends a host text command ("FLUSH_BUFFER", "RESET", "MSG_INFO=..."): windowed runs only.
void host_command(Run& run, std::string_view text);
// Asks the host a question ("GET_WINSTATE="); returns the reply (empty outside windowed runs).
std::string host_query(Run& run, std::string_view text);

} // namespace tarvex
