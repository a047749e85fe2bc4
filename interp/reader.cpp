// The statement reader INPUT: reads physical lines from the command unit, joins "&"
// continuations, echoes the statement, and classifies it (comment, "?", "&" mode toggle, label,
// command word matched by prefix, optionally through the French aliases).
#include "interp/reader.hpp"

#include "io/stored_format.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/shared_errors.hpp"
#include "interp/demonstr_command.hpp"
#include "interp/dispatcher.hpp"
#include "interp/do_loops.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/header_labels.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr std::size_t ECHO_WIDTH = 127; // statement characters per echo line
constexpr int MAX_UNKNOWN_IN_ROW = 5;   // consecutive unknown commands before reading stops
constexpr std::size_t WORD_LENGTH = 8;
constexpr int ERR_GOTO_LABEL_NOT_FOUND = 73080; // GOTO (slot 73): the label never came
constexpr int ERR_STATEMENT_CUT = 1017;         // a line past the record length: not run

bool is_word_char(char c) {
    return is_ascii_letter(c) || is_ascii_digit(c) || c == '_';
}

std::size_t skip_blanks(std::string_view text, std::size_t pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    return pos;
}

std::size_t last_non_blank(std::string_view text) {
    std::size_t end = text.find_last_not_of(" \t");
    return end == std::string_view::npos ? text.size() : end;
}

// "&" alone on a line: the command-name mode toggle, not a continuation.
bool is_lone_ampersand(std::string_view text) {
    std::size_t pos = skip_blanks(text, 0);
    return pos < text.size() && text[pos] == '&' && skip_blanks(text, pos + 1) == text.size();
}

// A line longer than the command record keeps only its first columns; `cut_length` receives
// the length the line had (0 when it was not cut).
void cut_long_line(Run& run, std::string& line, std::size_t& cut_length) {
    const std::size_t kept = static_cast<std::size_t>(run.cmd.record_length);
    cut_length = 0;
    if (line.size() <= kept) return;
    cut_length = line.size();
    line.resize(kept);
}

// How the cut length of a line is shown: its length, or "OVER 262144" past the longest
// statement (the reader stops looking there).
std::string cut_length_text(std::size_t length) {
    return length > static_cast<std::size_t>(LINMAX) ? "OVER " + std::to_string(LINMAX)
                                                     : std::to_string(length);
}

// A statement that a long line cut short is never run: what is left of it may still be a valid
// statement that does something else (a GENR that sums fewer terms). A comment only loses text,
// so it is warned about.
void report_cut_statement(Run& run, std::size_t length, bool comment) {
    const std::string kept = std::to_string(run.cmd.record_length);
    if (comment)
        write_line(run, " ...WARNING..INPUT LINE OF " + cut_length_text(length) +
                            " CHARACTERS CUT TO ITS FIRST " + kept + " COLUMNS");
    else
        report_error(run,
                     " ...ERROR..INPUT LINE OF " + cut_length_text(length) +
                         " CHARACTERS CUT AT COLUMN " + kept + ": STATEMENT NOT RUN",
                     ERR_STATEMENT_CUT, ErrorSeverity::CONTINUES);
    write_line(run, " ...NOTE..END A LINE WITH & TO CONTINUE THE STATEMENT ON THE NEXT LINE");
}

// What reading one physical line gave.
enum class LineRead {
    LINE,           // a line of the current input
    SOURCE_CHANGED, // the input went back to an earlier unit: a running procedure may be next
    END,            // end of file on the primary unit
};

// Reads one physical line; end of file on a unit other than the primary one returns input to
// the primary unit. A GOTO still searching when its input runs out has not found its label.
// Records of the loop file that control the loop (an inner loop's header, a trailer) are acted
// upon and skipped; the trailer that finishes the loop gives the input back.
LineRead read_physical_line(Run& run, std::string& line, std::size_t& cut_length) {
    for (;;) {
        // Read past the record length so that a longer line is noticed before it is cut.
        if (read_record(run, run.IN, line, static_cast<std::size_t>(LINMAX) + 1)) {
            if (run.IN == run.loops.L8 && loop_control_record(run, line)) {
                if (run.IN != run.loops.L8) return LineRead::SOURCE_CHANGED;
                continue;
            }
            cut_long_line(run, line, cut_length);
            return LineRead::LINE;
        }
        end_goto_search(run);
        if (run.IN == run.L5) return LineRead::END;
        if (run.IN == DEMONSTRATION_UNIT) {
            end_demonstration(run); // the input goes back to where DEMONSTR was typed
            return LineRead::SOURCE_CHANGED;
        }
        // A loop file that ends without its trailer (its unit was closed under it) ends the loop.
        if (!(run.IN == run.loops.L8 && loop_file_ended(run))) run.IN = run.L5;
        return LineRead::SOURCE_CHANGED;
    }
}

// A physical line from the input in force, following it back to earlier units; false at the
// end of the primary input, or when a running procedure holds the next statement. A line cut
// short leaves its length in `cut_length` (the first such line of the statement counts).
bool read_line_here(Run& run, std::string& line, std::size_t& cut_length) {
    for (;;) {
        std::size_t cut = 0;
        const LineRead got = read_physical_line(run, line, cut);
        if (cut_length == 0) cut_length = cut;
        switch (got) {
        case LineRead::LINE:
            return true;
        case LineRead::END:
            return false;
        case LineRead::SOURCE_CHANGED:
            if (procedure_running(run)) return false;
            break;
        }
    }
}

// Reads one logical statement: a line ending in "&" is joined with the next (the "&" becomes a
// blank, except in the loop file, whose records split a statement anywhere). The statement
// never exceeds LINMAX characters: the warning is written once, and the continuation lines that
// no longer fit are read and dropped. A running procedure supplies whole statements, also when
// a loop it started has finished and given the input back. `cut_length` is the length of the
// first of its lines that was cut short (0: none was).
bool read_statement(Run& run, std::string& text, std::size_t& cut_length) {
    cut_length = 0;
    for (;;) {
        if (procedure_running(run) && EXECS(run, text)) return true;
        if (read_line_here(run, text, cut_length)) break;
        if (!procedure_running(run)) return false;
    }
    if (is_lone_ampersand(text)) return true;
    bool warned = false;
    std::string line = text;
    text.clear();
    for (;;) {
        std::size_t end = last_non_blank(line);
        bool continues = end != line.size() && line[end] == '&';
        if (continues) {
            line.resize(end);
            if (run.IN != run.loops.L8) line += ' ';
        }
        if (!text.empty() && text.size() + PHYSICAL_LINE - 1 > static_cast<std::size_t>(LINMAX) &&
            !warned) {
            write_line(run, " ...WARNING..COMMAND MAY BE NEAR OR OVER THE " +
                                std::to_string(LINMAX) + " CHARACTER LIMIT");
            warned = true;
        }
        std::size_t room = static_cast<std::size_t>(LINMAX) - text.size();
        text.append(line, 0, std::min(room, line.size()));
        if (!continues || !read_line_here(run, line, cut_length)) return true;
    }
}

// Echo: " |_" and the first 127 characters, then " | " and 127 more per line.
void echo_statement(Run& run, std::string_view text) {
    text = trim_trailing_blanks_view(text);
    std::string line = " |_";
    line += text.substr(0, ECHO_WIDTH);
    write_line(run, line);
    for (std::size_t at = ECHO_WIDTH; at < text.size(); at += ECHO_WIDTH) {
        line = " | ";
        line += text.substr(at, ECHO_WIDTH);
        write_line(run, line);
    }
}

void toggle_command_name_mode(Run& run) {
    run.sw[OKOD] = !run.sw[OKOD];
    run.cmd.IKOD = run.cmd.LASKOD;
    write_line(run, std::string(" ..COMMAND NAME MODE =") + (run.sw[OKOD] ? "T" : "F") +
                        " TYPE & TO CHANGE");
}

// Reports an unknown command word; false when reading must stop (the fifth in a row in a
// non-interactive run: the run then ends as at end of input).
bool report_unknown(Run& run, const std::string& word) {
    run.cmd.IKOD = 0;
    if (run.flags.editor_mode) return true;
    // The reader runs between commands (and inside commands that read statements of their own):
    // the error ends nothing.
    report_error(run, " ...ERROR..UNKNOWN COMMAND..." + word, shared_error::UNKNOWN_COMMAND,
                 ErrorSeverity::CONTINUES);
    if (run.sw[OTALK]) return true;
    write_line(run, " ...WARNING..CHECK OUTPUT CAREFULLY");
    if (++run.cmd.unknown_in_row < MAX_UNKNOWN_IN_ROW) return true;
    report_error(run, " ...ERROR..NO MORE COMMANDS WILL BE READ", shared_error::NO_MORE_COMMANDS,
                 ErrorSeverity::CONTINUES);
    return false;
}

// The first blank-delimited token at `pos` (at most 8 characters), for words that hold no
// letter or digit at all.
std::string first_token(std::string_view text, std::size_t pos) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != ' ' && end - pos < WORD_LENGTH) ++end;
    return upper_ascii(text.substr(pos, end - pos));
}

} // namespace

std::string collect_command_word(std::string_view text, std::size_t& pos) {
    std::string word;
    while (pos < text.size() && is_word_char(text[pos])) {
        if (word.size() < WORD_LENGTH) word += upper_ascii(text[pos]);
        ++pos;
    }
    return word;
}

std::string statement_label(std::string_view text) {
    std::size_t pos = skip_blanks(text, 0);
    std::string word = collect_command_word(text, pos);
    if (word.empty() || pos >= text.size() || text[pos] != ':') return {};
    return word;
}

std::string french_to_command(const std::string& word) {
    for (int slot = 1; slot <= NCOMMAND; ++slot) {
        if (word == FRENCH_WORDS[slot - 1]) return COMMAND_WORDS[slot - 1];
    }
    return word;
}

int match_command(std::string_view word, bool full_word, const UserCommands* user) {
    if (word.empty()) return 0;
    for (int slot = 1; slot <= NMATCHABLE; ++slot) {
        std::string_view entry = COMMAND_WORDS[slot - 1];
        if (user != nullptr && slot >= USER_SLOT_FIRST &&
            slot < USER_SLOT_FIRST + USER_SLOT_COUNT &&
            !user->slots[slot - USER_SLOT_FIRST].word.empty())
            entry = user->slots[slot - USER_SLOT_FIRST].word;
        bool agrees = full_word || word.size() >= WORD_LENGTH
                          ? entry == word
                          : entry.substr(0, std::min(entry.size(), word.size())) == word;
        if (agrees) return slot;
    }
    return 0;
}

Statement classify_statement(Run& run, std::string text, bool keep_labels) {
    CommandState& cmd = run.cmd;
    std::size_t pos = skip_blanks(text, 0);
    if (pos == text.size()) return Statement::SKIPPED;
    // Comments, including the marker forms "*#######" and "*$$$$$$$LINES=", run nothing.
    if (text[pos] == '*') return Statement::SKIPPED;
    // Replayed statements get the loop markers replaced; one that would grow too long is
    // not run.
    if (substitution_active(run) && !DOSUB(run, text)) return Statement::SKIPPED;
    bool quiet = false;
    if (text[pos] == '?') {
        quiet = true;
        pos = skip_blanks(text, pos + 1);
        if (pos == text.size()) return Statement::SKIPPED;
    }
    if (is_lone_ampersand(std::string_view(text).substr(pos))) {
        toggle_command_name_mode(run);
        return Statement::SKIPPED;
    }

    // Continuation mode: the whole line is another statement of the previous command.
    if (!run.sw[OKOD] && cmd.LASKOD != 0) {
        cmd.text = std::move(text);
        cmd.quiet = quiet;
        cmd.IKOD = cmd.LASKOD;
        cmd.word = first_n_padded(COMMAND_WORDS[cmd.IKOD - 1], WORD_LENGTH);
        cmd.col = static_cast<int>(pos);
        ++cmd.statements;
        return Statement::RUNS;
    }

    // Labels ("word:") run nothing; a command may follow on the same line.
    std::string word = collect_command_word(text, pos);
    bool label_only = false;
    while (!word.empty() && pos < text.size() && text[pos] == ':') {
        pos = skip_blanks(text, pos + 1);
        if (pos == text.size()) {
            label_only = true;
            break;
        }
        word = collect_command_word(text, pos);
    }
    if (label_only) {
        if (!keep_labels) return Statement::SKIPPED;
        // A block being stored keeps its labels, so that a GOTO replayed with it finds them.
        cmd.text = std::move(text);
        cmd.quiet = quiet;
        cmd.IKOD = 0;
        cmd.word = first_n_padded(word, WORD_LENGTH);
        cmd.col = static_cast<int>(pos);
        return Statement::RUNS;
    }

    int slot = 0;
    if (word == "FORMAT") {
        // The reader keeps FORMAT statements itself: the text after the word is stored.
        ++cmd.statements;
        cmd.unknown_in_row = 0;
        store_format(run, std::string_view(text).substr(pos));
        return Statement::SKIPPED;
    } else {
        if (run.sw[OFREN]) word = french_to_command(word);
        slot = match_command(word, run.sw[OLONG], &run.user_commands);
    }
    if (slot == 0) {
        if (!report_unknown(run, word.empty() ? first_token(text, pos) : word))
            return Statement::READING_ENDS;
        return Statement::SKIPPED;
    }
    cmd.unknown_in_row = 0;
    if (slot == C_TITLE) set_header_labels(run, std::string_view(text).substr(pos));
    if (run.sw[OLDDO] && slot == C_DO) slot = C_PROCEDUR;
    if (run.sw[OLDDO] && slot == C_ENDO) slot = C_PROCEND;

    cmd.text = std::move(text);
    cmd.quiet = quiet;
    cmd.IKOD = slot;
    cmd.word = first_n_padded(word, WORD_LENGTH);
    cmd.col = static_cast<int>(pos);
    ++cmd.statements;
    return Statement::RUNS;
}

void end_goto_search(Run& run) {
    if (run.cmd.goto_label.empty()) return;
    report_error(run, " ...ERROR..GOTO LABEL " + run.cmd.goto_label + " NOT FOUND",
                 ERR_GOTO_LABEL_NOT_FOUND, ErrorSeverity::CONTINUES);
    run.cmd.goto_label.clear();
}

void hold_statement(Run& run) {
    CommandState& cmd = run.cmd;
    cmd.ahead = HeldStatement{true, cmd.text, cmd.word, cmd.col, cmd.IKOD, cmd.quiet};
}

bool INPUT(Run& run, bool keep_labels) {
    CommandState& cmd = run.cmd;
    if (cmd.ahead.held) {
        // Read, echoed and counted already: it runs now.
        HeldStatement ahead = std::move(cmd.ahead);
        cmd.ahead = HeldStatement{};
        cmd.text = std::move(ahead.text);
        cmd.word = std::move(ahead.word);
        cmd.col = ahead.col;
        cmd.IKOD = ahead.IKOD;
        cmd.quiet = ahead.quiet;
        return true;
    }
    std::string text;
    std::size_t cut_length = 0;
    for (;;) {
        if (!read_statement(run, text, cut_length)) {
            run.flags.OEOF = true;
            return false;
        }
        // A spent statement budget ends a replaying loop or procedure as Ctrl-C would.
        if (interrupt_pending() || (statement_budget_spent() && run.cmd.replay_depth > 0)) {
            interrupt_between_statements(run);
            continue;
        }
        // GOTO: statements are discarded (unechoed) up to the one that begins with the label.
        if (!cmd.goto_label.empty()) {
            if (statement_label(text) != cmd.goto_label) continue;
            cmd.goto_label.clear();
        }
        const std::size_t first = skip_blanks(text, 0);
        const bool comment = first < text.size() && text[first] == '*';
        if (cut_length > 0 && comment) report_cut_statement(run, cut_length, true);
        // A worked example's statements are always shown: no one typed them.
        if (run.sw[OECHO] || run.sw[OSCR] || run.IN == DEMONSTRATION_UNIT)
            echo_statement(run, text);
        if (cut_length > 0 && !comment) {
            report_cut_statement(run, cut_length, false);
            continue;
        }
        switch (classify_statement(run, std::move(text), keep_labels)) {
        case Statement::RUNS:
            return true;
        case Statement::SKIPPED:
            continue;
        case Statement::READING_ENDS:
            run.flags.OEOF = true;
            return false;
        }
    }
}

} // namespace tarvex
