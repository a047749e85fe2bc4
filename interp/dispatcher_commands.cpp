// The commands the dispatcher handles itself: STOP/QUIT/EXIT, GOTO, PAUSE, TARVEDIT, SIZE and
// PARM, DOWNLOAD, HELP, DUMP, the words that do nothing alone, and the note for commands
// this version does not provide.
#include "interp/command_handlers.hpp"

#include "host/tarvextern.hpp"
#include "interp/entry.hpp"
#include "interp/error_report.hpp"
#include "interp/reader.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/carry_variables.hpp"
#include "workspace/data_bank.hpp"

#include <charconv>

namespace tarvex {

namespace {

constexpr int MODE_FIXED_SIZE = 8;   // the run mode in which SIZE is refused
constexpr int HELP_WORDS_PER_LINE = 8;

bool keeps_engine_loaded(int mode) { return mode >= 27 && mode <= 33; }

std::string trimmed_word(const char* word) {
    std::string text(word);
    std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string current_command_word(const Run& run) {
    return trimmed_word(COMMAND_WORDS[run.cmd.IKOD - 1]);
}

} // namespace

std::string argument_word(const Run& run, int n) {
    const std::string& text = run.cmd.text;
    auto separator = [](char c) { return c == ' ' || c == ',' || c == '\t'; };
    std::size_t pos = static_cast<std::size_t>(run.cmd.col);
    std::string word;
    for (int k = 1; k <= n; ++k) {
        while (pos < text.size() && separator(text[pos])) ++pos;
        word.clear();
        while (pos < text.size() && !separator(text[pos]) && text[pos] != '/') {
            char c = text[pos++];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (word.size() < 8) word += c;
        }
    }
    return word;
}

void not_available(Run& run) {
    report_error(run, " ...NOTE.." + current_command_word(run) + " COMMAND IS NOT AVAILABLE IN THIS VERSION");
}

void cmd_no_action(Run&) {}

void cmd_ignored_alone(Run& run) {
    write_line(run, " ...ERROR..ABOVE COMMAND WILL BE IGNORED");
}

// STOP word: in a host that keeps the engine loaded, HOLD, STOP and RESET (a bare STOP is
// STOP RESET, and also makes the run interactive without echo) return input to the console
// and go on; RESET also returns the run to its initial state. Otherwise the loop ends, saving
// the variables to the data bank first with the word DB or the switch DB.
void cmd_stop(Run& run) {
    std::string word = argument_word(run);
    run.cmd.stop_word = word;
    if (keeps_engine_loaded(run.MOS)) {
        if (run.flags.multiple_windows) write_line(run, " ...NOTE..STOPPED");
        bool bare = word.empty();
        if (bare) word = "RESET";
        if (word == "HOLD" || word == "STOP" || word == "RESET") {
            if (word == "RESET") RESET(run, false);
            if (bare) {
                run.sw[OTALK] = true;
                run.sw[OECHO] = false;
            }
            run.IN = run.L55;
            return;
        }
    }
    if (word == "DB" || run.sw[ODB]) save_data_bank(run);
    run.cmd.end_request = END_STOP;
}

// GOTO label: the reader discards statements up to the one that begins with "label:". The
// label is compared as typed (first 8 letters, digits or "_", upper case, without its ":").
void cmd_goto(Run& run) {
    std::size_t pos = static_cast<std::size_t>(run.cmd.col);
    while (pos < run.cmd.text.size() && run.cmd.text[pos] == ' ') ++pos;
    std::string label = collect_command_word(run.cmd.text, pos);
    if (label.empty()) {
        report_error(run, " ...ERROR..GOTO NEEDS A LABEL");
        return;
    }
    run.cmd.goto_label = label;
}

void cmd_pause(Run& run) {
    if (!run.sw[OTERM]) return;
    if (run.MOS == MODE_WINDOWED || run.MOS == MODE_WINDOWED_33) {
        host_command(run, "FLUSH_BUFFER");
        host_command(run, "MSG_STOPKILL=====");
    }
    host::pause_message("====");
}

void cmd_tarvedit(Run& run) {
    run.flags.editor_mode = !run.flags.editor_mode;
    if (run.flags.editor_mode) write_line(run, " ENTERING TARVEX EDITOR, TO EXIT TYPE: TARVEDIT");
}

// PARM sets the work area size in kilobytes, SIZE the variable limit. Either ends the command
// loop with a reallocation request; the variables are carried over in memory. A word after the
// value (SAVE, or DEFAULT alone) is left in stop_word for start-up, which stores the sizes.
void cmd_size(Run& run) {
    const bool is_size = run.cmd.IKOD == C_SIZE;
    if (is_size && run.MOS == MODE_FIXED_SIZE) {
        report_error(run, " ...ERROR..SIZE COMMAND IS NOT ALLOWED - SIZE IS FIXED");
        return;
    }
    if (run.cmd.statements > 2)
        write_line(run, " ...NOTE..SIZE COMMAND SHOULD BE AT BEGINNING OF RUN");
    std::string word = argument_word(run);
    if (word.empty() || word == "?") {
        if (is_size)
            write_line(run, " ...NOTE..MAXIMUM VARIABLES IS " + std::to_string(run.sizes.MAXVAR));
        else
            write_line(run, " ...NOTE..PAR IS " + std::to_string(run.sizes.IPAR));
        return;
    }
    if (word == "DEFAULT") {
        run.cmd.stop_word = word;
        run.requested_kb = 0;
        run.requested_maxvar = 0;
        if (run.ws.NVARS > run.ws.NDL) carry_variables(run);
        run.cmd.end_request = END_REALLOCATE;
        return;
    }
    int value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || value <= 0) {
        report_error(run, " ...ERROR..INVALID " + current_command_word(run) + " VALUE " + word);
        return;
    }
    if (is_size) {
        write_line(run, " MAXIMUM VARIABLES IS NOW SET AT " + std::to_string(value));
        host_command(run, "SET_SIZE=" + std::to_string(value));
        run.requested_kb = 0;
        run.requested_maxvar = value;
    } else {
        write_line(run, " PAR IS NOW SET AT " + std::to_string(value));
        host_command(run, "SET_PAR=" + std::to_string(value));
        run.requested_kb = value;
        run.requested_maxvar = 0;
    }
    run.cmd.stop_word = argument_word(run, 2);
    if (run.ws.NVARS > run.ws.NDL) carry_variables(run);
    run.cmd.end_request = END_REALLOCATE;
}

void cmd_download(Run& run) {
    write_line(run, run.sw[OHTM] ? " DOWNLOAD Command not available from WWW"
                                 : " See TARVEX web site for update information");
}

// HELP: the command words in matching order, eight to a line.
void cmd_help(Run& run) {
    write_line(run, " COMMANDS (A LEADING PART OF A WORD SELECTS THE FIRST COMMAND IT BEGINS):");
    std::string line = " ";
    int on_line = 0;
    for (int slot = 1; slot <= NMATCHABLE; ++slot) {
        std::string_view word = COMMAND_WORDS[slot - 1];
        if (word == "xxxxxxxx" || (word[0] >= 'a' && word[0] <= 'z')) continue; // unmatchable
        line += fmt_A(std::string(word) + "        ", 8) + "  ";
        if (++on_line == HELP_WORDS_PER_LINE) {
            write_line(run, line);
            line = " ";
            on_line = 0;
        }
    }
    if (on_line > 0) write_line(run, line);
}

// DUMP: the workspace counters.
void cmd_dump(Run& run) {
    const Workspace& ws = run.ws;
    write_line(run, " NVARS=" + fmt_I(ws.NVARS, 8) + "  NDL=" + fmt_I(ws.NDL, 8) +
                        "  LASADD=" + fmt_I(ws.LASADD, 12) + "  MAXADD=" + fmt_I(ws.MAXADD, 12));
}

} // namespace tarvex
