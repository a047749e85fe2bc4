// The commands the dispatcher handles itself: STOP/QUIT/EXIT, GOTO, PAUSE, TARVEDIT, SIZE and
// PARM, DOWNLOAD, HELP, DUMP, the words that do nothing alone, and the note for commands
// this version does not provide.
#include "interp/command_handlers.hpp"

#include "core/error_report.hpp"
#include "core/shared_errors.hpp"
#include "host/tarvextern.hpp"
#include "interp/command_reference.hpp"
#include "interp/entry.hpp"
#include "interp/interp_errors.hpp"
#include "interp/memory_limit.hpp"
#include "interp/reader.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/carry_variables.hpp"
#include "workspace/data_bank.hpp"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

namespace tarvex {

namespace {

constexpr int HELP_WORDS_PER_LINE = 8;
constexpr int HELP_UNKNOWN_WORD = 1;      // $ERR: 18001
constexpr int TOO_LARGE_SEQUENCE = 70;    // $ERR: command slot x 1000 + 70
constexpr std::size_t NUMBER_DIGITS = 40; // a size value is read whole

bool keeps_engine_loaded(int mode) {
    return mode >= 27 && mode <= 33;
}

std::string current_command_word(const Run& run) {
    return trim_trailing_blanks(COMMAND_WORDS[run.cmd.IKOD - 1]);
}

constexpr unsigned BYTES_PER_MEGABYTE_SHIFT = 20;

// The megabytes shown for a refused size: whole megabytes below the need, plus one. A need too
// large for 64 bits is worked out from the typed digits in 128 bits (the figure only: the
// refusal itself needs no figure); beyond even that the largest 128-bit count is shown.
std::string megabytes(const std::string& digits, bool is_size, std::uint64_t other) {
    using Wide = unsigned __int128;
    constexpr Wide WIDE_MAX = ~Wide{0};
    Wide value = 0;
    bool fits = true;
    for (char c : digits)
        fits = fits && !__builtin_mul_overflow(value, Wide{10}, &value) &&
               !__builtin_add_overflow(value, Wide(c - '0'), &value);
    const Wide kilobytes = is_size ? Wide{other} : value;
    const Wide variables = is_size ? value : Wide{other};
    Wide data = 0, tables = 0, bytes = 0;
    fits = fits && !__builtin_mul_overflow(kilobytes, Wide{1024}, &data) &&
           !__builtin_mul_overflow(variables, Wide{BYTES_PER_VARIABLE}, &tables) &&
           !__builtin_add_overflow(data, tables, &bytes);
    Wide mb = fits ? (bytes >> BYTES_PER_MEGABYTE_SHIFT) + 1 : WIDE_MAX;
    std::string text;
    do {
        text.insert(text.begin(), char('0' + int(mb % 10)));
        mb /= 10;
    } while (mb != 0);
    return text;
}

// A work area the machine cannot give is refused before the present one is given up; true
// (after the error) when the PAR (kilobytes) or SIZE (variables) typed as `digits` is too
// large. `value` is those digits, absent when they do not fit in 64 bits.
bool refused_as_too_large(Run& run, bool is_size, std::optional<std::uint64_t> value,
                          const std::string& digits) {
    const std::uint64_t other =
        is_size ? std::uint64_t(run.sizes.IPAR) : std::uint64_t(run.sizes.MAXVAR);
    std::optional<std::uint64_t> need;
    if (value) need = is_size ? work_area_bytes(other, *value) : work_area_bytes(*value, other);
    // Twice the variable limit (the column range) must also be a 32-bit count.
    const std::uint64_t most = is_size ? INT_MAX / 2 : INT_MAX;
    if (value && *value <= most && need && *need <= memory_allowed_bytes()) return false;
    report_error(run,
                 " ...ERROR.." + current_command_word(run) + " " + digits +
                     " IS TOO LARGE: IT NEEDS " + megabytes(digits, is_size, other) +
                     " MB, MORE THAN THIS MACHINE ALLOWS",
                 command_error_number(run, TOO_LARGE_SEQUENCE));
    return true;
}

} // namespace

std::string argument_word(const Run& run, int n, std::size_t longest) {
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
            if (word.size() < longest) word += c;
        }
    }
    return word;
}

std::string not_available_line(std::string_view word) {
    return " ...NOTE.." + std::string(word) + " COMMAND IS NOT AVAILABLE IN THIS VERSION";
}

void not_available(Run& run) {
    report_error(run, not_available_line(current_command_word(run)));
}

void cmd_no_action(Run&) {}

void cmd_ignored_alone(Run& run) {
    report_error(run, " ...ERROR..ABOVE COMMAND WILL BE IGNORED", shared_error::IGNORED_ALONE);
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
        report_error(run, " ...ERROR..GOTO NEEDS A LABEL", GOTO_NO_LABEL);
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
    const std::string number = argument_word(run, 1, NUMBER_DIGITS);
    const bool digits =
        !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
    std::optional<std::uint64_t> amount;
    if (digits) {
        std::uint64_t parsed = 0;
        const auto [end, ec] =
            std::from_chars(number.data(), number.data() + number.size(), parsed);
        if (ec == std::errc()) amount = parsed;
    }
    // Digits too many for 64 bits are a value, too large; no digits, or a zero, are not.
    if (!digits || (amount && *amount < 1)) {
        report_error(run, " ...ERROR..INVALID " + current_command_word(run) + " VALUE " + word,
                     command_error_number(run, SIZE_VALUE_INVALID_SEQUENCE));
        return;
    }
    if (refused_as_too_large(run, is_size, amount, number)) return;
    const int value = static_cast<int>(*amount);
    // PAR and SIZE confirm the new value with the same line.
    write_line(run, " PAR IS NOW SET AT " + std::to_string(value));
    if (is_size) {
        host_command(run, "SET_SIZE=" + std::to_string(value));
        run.requested_kb = 0;
        run.requested_maxvar = static_cast<int>(value);
    } else {
        host_command(run, "SET_PAR=" + std::to_string(value));
        run.requested_kb = static_cast<int>(value);
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

// HELP alone: the command words in matching order, eight to a line. HELP word: the entry of
// the command the word selects, from the built-in command reference; a command this version
// does not provide says so, and a word that selects no command is an error.
void cmd_help(Run& run) {
    const std::string word = argument_word(run);
    if (!word.empty()) {
        const int slot = match_command(word, false);
        if (slot == 0) {
            report_error(run, " ...ERROR..NO COMMAND BEGINS WITH " + word,
                         C_HELP * 1000 + HELP_UNKNOWN_WORD);
            write_line(run, " ...NOTE..HELP ALONE LISTS THE COMMANDS");
            return;
        }
        const std::string command = trim_trailing_blanks(COMMAND_WORDS[slot - 1]);
        if (COMMAND_ROWS[slot - 1].handler == not_available) {
            write_line(run, not_available_line(command));
            return;
        }
        const std::vector<std::string_view> entry = help_entry(slot);
        if (entry.empty()) write_line(run, " ...NOTE..NO HELP TEXT FOR " + command);
        for (std::string_view line : entry) write_line(run, " " + std::string(line));
        return;
    }
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
