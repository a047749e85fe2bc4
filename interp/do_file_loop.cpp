// The file loop: DO collects the block into the loop file on the scratch unit (a header record
// for an inner loop, the commands as records of at most 79 characters, a trailer at each ENDO),
// then the reader replays the file; each trailer advances its loop's index and either goes back
// to the block's first record or lets the loop finish.
#include "interp/do_loops.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/fatal_stop.hpp"
#include "interp/dispatcher.hpp"
#include "interp/do_parts.hpp"
#include "interp/entry.hpp"
#include "interp/interp_errors.hpp"
#include "io/afile.hpp"
#include "numeric/fortran_format.hpp"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr int FATAL_LOOP = 13;                 // fatal stop code of a loop that cannot go on
constexpr int ERR_LOOP_FILE_UNWRITTEN = 13080; // DO (slot 13): the loop file refused a write

// Lengths of the fixed parts of the control records.
constexpr std::size_t HEADER_LENGTH = 1 + 1 + 15 + 3 + 1 + 1 + 24;
constexpr std::size_t TRAILER_LENGTH = 1 + 5 + 40 + 3 + 1 + 1 + 24;

std::string bound_word(const LoopBound& bound) {
    std::string word = bound.name.empty() ? std::string(":") : bound.name;
    word.resize(8, ' ');
    return word;
}

// Element numbers of the three bounds (0 = none), after the names: ENDO needs them to look the
// names up again.
std::string bound_elements(const DoStatement& statement) {
    std::string out;
    for (const LoopBound& bound : statement.bound) out += fmt_I(bound.element, 10);
    return out;
}

std::string flag(bool on) {
    return on ? "T" : "F";
}

std::string header_record(const DoStatement& s, bool echo) {
    return std::string(" ") + s.marker + fmt_I(s.bound[0].value, 15) + "   " + flag(echo) + " " +
           bound_word(s.bound[0]) + bound_word(s.bound[1]) + bound_word(s.bound[2]) +
           bound_elements(s);
}

// The trailer fills 75 of the 80 columns read back, so the element numbers of an inner loop's
// bounds travel in its header only.
std::string trailer_record(int level, long long records, const DoStatement& s, int saved_length,
                           bool echo) {
    return fmt_I(level, 1) + fmt_I(records, 5) + fmt_I(s.bound[0].value, 10) +
           fmt_I(s.bound[1].value, 10) + fmt_I(s.bound[2].value, 10) + fmt_I(saved_length, 10) +
           "   " + flag(echo) + " " + bound_word(s.bound[0]) + bound_word(s.bound[1]) +
           bound_word(s.bound[2]);
}

// An integer field of a record: blanks and digits with an optional sign; false otherwise.
bool field(const std::string& record, std::size_t at, std::size_t width, long long& value) {
    if (at + width > record.size()) return false;
    std::string text = record.substr(at, width);
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    text.erase(0, first);
    std::size_t pos = (text[0] == '-') ? 1 : 0;
    if (pos == text.size()) return false;
    for (std::size_t k = pos; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return false;
    value = std::strtoll(text.c_str(), nullptr, 10);
    return true;
}

// The bound names (and their elements) that follow the echo flag at `at`.
void read_bounds(const std::string& record, std::size_t at, std::array<LoopBound, 3>& bound) {
    for (int k = 0; k < 3; ++k) {
        std::string word = record.size() >= at + 8 * (k + 1) ? record.substr(at + 8 * k, 8) : "";
        std::size_t first = word.find_first_not_of(' ');
        std::size_t end = word.find_last_not_of(' ');
        word = first == std::string::npos ? std::string() : word.substr(first, end - first + 1);
        bound[k].name = (word == ":") ? "" : word;
        long long element = 0;
        if (field(record, at + 24 + 10 * k, 10, element)) bound[k].element = int(element);
    }
}

// One record of the loop file; the first write the system refuses (a full disk, a file size
// limit) is remembered with its reason, so that the loop is refused instead of replaying a
// file that lacks part of its block.
void put_record(Run& run, std::string_view record, int& write_error) {
    write_record(run, run.loops.L8, record);
    const UnitFile* file = unit_file(run, run.loops.L8);
    if (write_error == 0 && (file == nullptr || file->fp == nullptr || std::ferror(file->fp)))
        write_error = errno != 0 ? errno : EIO;
}

// Whether the whole loop file reached the disk: its buffer is flushed and no write failed.
bool loop_file_complete(Run& run, int& write_error) {
    const UnitFile* file = unit_file(run, run.loops.L8);
    if (write_error == 0 && file != nullptr && file->fp != nullptr && std::fflush(file->fp) != 0)
        write_error = errno != 0 ? errno : EIO;
    if (write_error == 0 && (file == nullptr || file->fp == nullptr || std::ferror(file->fp)))
        write_error = EIO;
    return write_error == 0;
}

// The loop could not be written: nothing of it runs, and the user learns why and what to do.
void report_unwritten_loop(Run& run, int write_error) {
    std::string reason = std::strerror(write_error);
    for (char& c : reason) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    report_error(run,
                 (" ...ERROR..DO LOOP NOT RUN: ITS FILE " + run.loops.loop_file +
                  " COULD NOT BE WRITTEN (" + reason + ")")
                     .substr(0, LINE_WIDTH),
                 ERR_LOOP_FILE_UNWRITTEN);
    write_line(run,
               " ...NOTE..MAKE ROOM IN THE TEMPORARY DIRECTORY OR NAME ANOTHER WITH FILE TEMP");
}

// Writes a command as records of at most 79 characters; every record but the last ends "&".
long long write_command(Run& run, std::string text, int& write_error) {
    std::size_t end = text.find_last_not_of(' ');
    text.resize(end == std::string::npos ? 0 : end + 1);
    long long records = 0;
    std::size_t at = 0;
    while (text.size() - at > static_cast<std::size_t>(LOOP_RECORD_TEXT)) {
        std::string piece = text.substr(at, LOOP_RECORD_TEXT - 1);
        piece += '&'; // continued on the next record
        put_record(run, piece, write_error);
        at += LOOP_RECORD_TEXT - 1;
        ++records;
    }
    put_record(run, text.substr(at), write_error);
    return records + 1;
}

// The loop file TARV_8 in the run's temporary directory, bound to the scratch unit the first
// time a loop is collected and rewound for every later one; false when it cannot be opened.
// It is created inside a private directory of its own and both names are removed as soon as
// the unit holds the file open, so that runs sharing the temporary directory never share the
// file, not even when they start loops at the same moment.
bool rewound_loop_file(Run& run) {
    const int unit = run.loops.L8;
    if (!unit_is_open(run, unit)) {
        std::string directory = temp_directory(run) + "tarvex_loop.XXXXXX";
        const bool private_directory = mkdtemp(directory.data()) != nullptr;
        if (!private_directory)
            directory = temp_directory(run); // the binder reports the failure
        else
            directory += '/';
        const std::string path = directory + run.loops.loop_file;
        AfileRequest request;
        request.quiet = true;
        request.status = UnitStatus::Replace;
        const bool bound = AFILE(run, unit, path, request);
        if (bound) std::remove(path.c_str());
        if (private_directory) rmdir(directory.c_str());
        if (!bound) return false;
    }
    return rewind_unit(run, unit);
}

void abandon_collection(Run& run, const std::string& message, int number, int input_unit) {
    do_syntax_error(run, message, number);
    run.IN = input_unit;
}

// Starts the replay once the outer ENDO has been written.
void start_replay(Run& run, const DoStatement& outer, int input_unit) {
    LoopState& L = run.loops;
    rewind_unit(run, L.L8);
    L.replaying = true;
    L.return_unit = input_unit;
    L.loop_base_levels = L.levels;
    L.saved_record_length = run.cmd.record_length;
    L.file_level[1] =
        FileLoopLevel{outer.bound[0].value, outer.bound[1].value, outer.bound[2].value};
    L.marker[1] = outer.marker;
    L.marker[2] = ' ';
    L.LOOP[1] = outer.bound[0].value;
    L.LOOP[2] = NO_INDEX_VALUE;
    set_index_scalar(run, 1, outer.bound[0].value);
    set_index_scalar(run, 2, DO_FINISHED);
    run.cmd.record_length = LOOP_RECORD_LENGTH;
    run.IN = L.L8;
    sync_replay_depth(run);
    if (run.flags.OPUT) write_loop_beginning(run, outer.marker, outer.bound[0].value);
}

// The file loop stops replaying: markers and values cleared, input back where it came from.
void stop_replay(Run& run) {
    LoopState& L = run.loops;
    L.replaying = false;
    L.marker[1] = L.marker[2] = ' ';
    L.LOOP[1] = L.LOOP[2] = NO_INDEX_VALUE;
    run.cmd.record_length = L.saved_record_length;
    run.IN = L.return_unit;
    sync_replay_depth(run);
}

// A level-2 header met while replaying: the inner loop starts a pass of the outer one.
void begin_inner_loop(Run& run, const std::string& record) {
    LoopState& L = run.loops;
    long long start = 0;
    field(record, 2, 15, start);
    std::array<LoopBound, 3> bound{};
    read_bounds(record, 22, bound);
    bound[0].value = start;
    if (!bound[0].name.empty()) {
        if (!reevaluate_bound(run, bound[0])) {
            report_error(run, " ...ERROR..UNDEFINED DO LOOP VARIABLE - " + bound[0].name,
                         DO_UNDEFINED_BOUND, ErrorSeverity::CONTINUES);
            XXIT(run, FATAL_LOOP); // the run ends here
        }
        start = bound[0].value;
    }
    L.marker[2] = record[1];
    L.level_echo[2] = record[20] == 'T';
    L.file_level[2].start = start;
    L.inner_bounds = bound;
    L.LOOP[2] = start;
    set_index_scalar(run, 2, start);
}

// DOEND: a trailer met while replaying.
void end_of_pass(Run& run, const std::string& record) {
    LoopState& L = run.loops;
    const int level = record[0] - '0';
    long long count = 0, start = 0, end = 0, step = 0, saved_length = 0;
    field(record, 1, 5, count);
    field(record, 6, 10, start);
    field(record, 16, 10, end);
    field(record, 26, 10, step);
    field(record, 36, 10, saved_length);
    std::array<LoopBound, 3> bound{};
    read_bounds(record, 51, bound);
    const bool echo = record[49] == 'T';
    // A GOTO searches no further than the end of the loop pass it was read in.
    if (level == 1) end_goto_search(run);
    start = L.file_level[level].start;
    if (level == 2) {
        for (int k = 0; k < 3; ++k) bound[k].element = L.inner_bounds[k].element;
        bound[1].value = end;
        bound[2].value = step;
        for (int k = 1; k <= 2; ++k) {
            if (bound[k].name.empty()) continue;
            if (!reevaluate_bound(run, bound[k])) {
                report_error(run, " ...ERROR..UNDEFINED DO LOOP VARIABLE - " + bound[k].name,
                             DO_UNDEFINED_BOUND, ErrorSeverity::CONTINUES);
                XXIT(run, FATAL_LOOP); // the run ends here
            }
        }
        end = bound[1].value;
        step = bound[2].value;
    }
    if (!loop_parameters_valid(start, end, step)) {
        report_error(run,
                     " ...ERROR..BAD DO LOOP PARAMETERS" + fmt_I(start, 10) + fmt_I(end, 10) +
                         fmt_I(step, 10),
                     DO_BAD_PARAMETERS, ErrorSeverity::CONTINUES);
        XXIT(run, FATAL_LOOP); // the run ends here
    }
    const long long index = L.LOOP[level] + step;
    L.LOOP[level] = index;
    set_index_scalar(run, level, index);
    if (index_within(index, end, step)) {
        if (level == 1) {
            rewind_unit(run, L.L8);
        } else {
            // Back over the trailer and the block's records to the block's first record.
            for (long long k = 0; k <= count; ++k) backspace_unit(run, L.L8);
        }
        return;
    }
    if (echo) write_loop_finished(run, L.marker[level], index);
    if (level == 1) {
        stop_replay(run);
        run.cmd.record_length = static_cast<int>(saved_length);
    } else {
        L.LOOP[2] = start;
    }
    set_index_scalar(run, level, DO_FINISHED);
}

bool is_trailer(const std::string& record) {
    if (record.size() < TRAILER_LENGTH || (record[0] != '1' && record[0] != '2')) return false;
    long long value = 0;
    for (std::size_t at : {1, 6, 16, 26, 36})
        if (!field(record, at, at == 1 ? 5 : 10, value)) return false;
    return record.compare(46, 3, "   ") == 0 && (record[49] == 'T' || record[49] == 'F');
}

bool is_header(const std::string& record) {
    long long value = 0;
    return record.size() >= HEADER_LENGTH && record[0] == ' ' &&
           valid_marker(std::string_view(record).substr(1, 1)) && field(record, 2, 15, value) &&
           record.compare(17, 3, "   ") == 0 && (record[20] == 'T' || record[20] == 'F') &&
           record[21] == ' ';
}

struct OpenLevel {
    DoStatement statement;
    long long records = 0;
    bool echo = false;
};

} // namespace

void cmd_do(Run& run) {
    LoopState& L = run.loops;
    if (L.replaying) {
        report_error(run, " ...ERROR..MORE THAN 2 NESTED DO LOOPS NOT PERMITTED",
                     DO_NESTED_TOO_DEEP);
        do_syntax_error(run, "SYNTAX ERROR IN DO STATEMENT", DO_SYNTAX);
        return;
    }
    const int input_unit = run.IN;
    OpenLevel level[3];
    DoParse parsed =
        parse_do_statement(run, run.cmd.text, std::size_t(run.cmd.col), false, level[1].statement);
    if (parsed != DoParse::OK) {
        do_statement_error(run, parsed);
        return;
    }
    if (!rewound_loop_file(run)) {
        do_syntax_error(run, "CANNOT OPEN THE DO LOOP FILE " + L.loop_file, DO_FILE_NOT_OPENED);
        return;
    }
    level[1].echo = run.flags.OPUT;
    int open = 1;
    int write_error = 0;
    for (;;) {
        // Labels are kept with the block: a GOTO in the loop finds them when it replays.
        if (!INPUT(run, true)) {
            abandon_collection(run, "NO ENDO COMMAND FOUND IN DO LOOP", DO_NO_ENDO, input_unit);
            return;
        }
        const int kod = run.cmd.IKOD;
        if (kod == C_DO) {
            if (open == 2) {
                report_error(run, " ...ERROR..MORE THAN 2 NESTED DO LOOPS NOT PERMITTED",
                             DO_NESTED_TOO_DEEP);
                abandon_collection(run, "SYNTAX ERROR IN DO STATEMENT", DO_SYNTAX, input_unit);
                return;
            }
            parsed = parse_do_statement(run, run.cmd.text, std::size_t(run.cmd.col), true,
                                        level[2].statement, true);
            if (parsed == DoParse::OK && level[2].statement.marker == level[1].statement.marker)
                parsed = DoParse::SYNTAX;
            if (parsed != DoParse::OK) {
                const bool no_equals = parsed == DoParse::MISSING_EQUALS;
                abandon_collection(run,
                                   no_equals ? "DO STATEMENT IS MISSING = SIGN"
                                             : "SYNTAX ERROR IN DO STATEMENT",
                                   no_equals ? DO_MISSING_EQUALS : DO_SYNTAX, input_unit);
                return;
            }
            level[2].echo = run.flags.OPUT;
            level[2].records = 0;
            put_record(run, header_record(level[2].statement, level[2].echo), write_error);
            level[1].records += 1;
            open = 2;
        } else if (kod == C_ENDO) {
            put_record(run,
                       trailer_record(open, level[open].records, level[open].statement,
                                      run.cmd.record_length, level[open].echo),
                       write_error);
            if (open == 2) {
                level[1].records += 1;
                open = 1;
                continue;
            }
            run.cmd.IKOD = C_DO;
            run.flags.OPUT = level[1].echo;
            if (!loop_file_complete(run, write_error)) {
                report_unwritten_loop(run, write_error);
                return;
            }
            start_replay(run, level[1].statement, input_unit);
            return;
        } else {
            long long records = write_command(run, run.cmd.text, write_error);
            for (int k = 1; k <= open; ++k) level[k].records += records;
        }
    }
}

void cmd_endo(Run& run) {
    report_error(run, " ...ERROR..ENDO WITHOUT A MATCHING DO", ENDO_WITHOUT_DO);
}

bool loop_control_record(Run& run, const std::string& record) {
    if (!run.loops.replaying || run.IN != run.loops.L8) return false;
    if (is_trailer(record)) {
        end_of_pass(run, record);
        return true;
    }
    if (is_header(record)) {
        begin_inner_loop(run, record);
        return true;
    }
    return false;
}

bool loop_file_ended(Run& run) {
    if (!run.loops.replaying) return false;
    stop_replay(run);
    set_index_scalar(run, 1, DO_FINISHED);
    set_index_scalar(run, 2, DO_FINISHED);
    return true;
}

bool end_file_loop_early(Run& run) {
    LoopState& L = run.loops;
    if (!L.replaying) return false;
    // A procedure the loop ran may hold slot 1 of the marker table; the loop's own marker and
    // index are then the ones that procedure level displaced.
    const bool displaced = L.levels >= 1 && L.loop_base_levels < 1;
    const char marker = displaced ? L.proc[1].displaced_marker : L.marker[1];
    const long long index = displaced ? L.proc[1].displaced_index : L.LOOP[1];
    write_line(run, std::string(" ...NOTE..DO LOOP ENDED AT ") + marker + "=" + fmt_I(index, 8));
    stop_replay(run);
    set_index_scalar(run, 1, DO_FINISHED);
    set_index_scalar(run, 2, DO_FINISHED);
    return true;
}

} // namespace tarvex
