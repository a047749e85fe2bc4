// File conversion through READ and WRITE themselves: CONVERT makes the READ statement that takes
// the file's series (their names from the file), runs READ's handler on it with the sample
// cleared (so the whole file is read), puts the sample back, then makes and runs the WRITE
// statement that writes every series read in the layout asked for. The series read stay in
// the workspace, as after READ. Each statement runs under its own command's number, so its
// errors and $ERR are READ's and WRITE's; their notes are left out.
#include "convert/convert_files.hpp"

#include "convert/convert_errors.hpp"
#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "io/print_write.hpp"
#include "io/read_command.hpp"
#include "io/tarv_blocks.hpp"
#include "numeric/text.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tarvex {

namespace {

constexpr int SLOT_READ = 3, SLOT_WRITE = 5;

bool file_error(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
    return false;
}

bool ends_with_folded(const std::string& name, std::string_view tail) {
    return name.size() >= tail.size() &&
           upper_ascii(std::string_view(name).substr(name.size() - tail.size())) == tail;
}

// READ's options for the file: data file blocks by their first record, DIF by its name, and
// otherwise a first line of names.
std::string input_layout(const std::string& path) {
    if (ends_with_folded(path, ".DIF")) return "DIF";
    std::string head(12, '\0');
    if (std::FILE* fp = std::fopen(path.c_str(), "rb"); fp != nullptr) {
        head.resize(std::fread(head.data(), 1, head.size(), fp));
        std::fclose(fp);
    }
    if (head.starts_with(tarv_blocks::TEXT_KIND)) return "TARVEX NAMES";
    if (head.size() >= 12 && head.substr(4, 8) == tarv_blocks::BINARY_KIND)
        return "TARVEX BINARY NAMES";
    return "NAMES";
}

// WRITE's options for each layout CONVERT writes.
bool output_layout(const std::string& format, std::string& options) {
    const std::pair<const char*, const char*> layouts[] = {{"COMMA", "NAMES FORMAT=COMMA EOF"},
                                                           {"TAB", "NAMES FORMAT=TAB EOF"},
                                                           {"FREE", "NAMES EOF"},
                                                           {"TARVEX", "TARVEX"},
                                                           {"DIF", "DIF NAMES EOF"}};
    for (const auto& [word, text] : layouts)
        if (format == word) options = text;
    return !options.empty();
}

// Runs one made statement of another command through its handler, as the command loop would
// after scanning it; the statement CONVERT is running is put back afterwards.
template <typename Handler>
bool run_made_statement(Run& run, int slot, const std::string& text, bool creates,
                        Handler handler) {
    const CommandState kept = run.cmd;
    // READ's and WRITE's notes (units bound, the sample READ would set) are left out: the
    // statement is CONVERT's, whose report says what was read and written. Errors still show.
    const bool warn = run.sw[OWARN];
    run.sw[OWARN] = false;
    run.cmd.text = text;
    run.cmd.col = int(text.find(' '));
    run.cmd.IKOD = slot;
    run.flags.ONEWV = creates;
    run.flags.OTNUM = true;
    run.flags.OERR = false;
    run.flags.ODONT = false;
    scan_statement(run);
    bool ok = !run.flags.OERR && !run.flags.ODONT && handler();
    ok = ok && !run.flags.ODONT;
    run.cmd = kept;
    run.sw[OWARN] = warn;
    run.flags.ONEWV = false;
    return ok;
}

std::string quoted(const std::string& path) {
    return "('" + path + "')";
}

} // namespace

bool convert_file(Run& run, const ConvertOptions& o, const std::vector<std::string>& words) {
    if (o.IN.empty() || o.OUT.empty())
        return file_error(run,
                          "IN= AND OUT= GO TOGETHER: CONVERT / IN=file OUT=file [FORMAT=layout]",
                          CONVERT_FILE_OPTIONS);
    if (!words.empty())
        return file_error(run,
                          "CONVERT / IN= OUT= TAKES EVERY SERIES OF THE FILE: LIST NO NAMES (" +
                              words.front() + ")",
                          CONVERT_FILE_OPTIONS);
    if (o.FROM_given || o.TO != 0 || o.BEG_given || o.END_given || o.RHO_given || o.NOCONST ||
        !o.METHOD.empty() || !o.MATCH.empty())
        return file_error(run, "FROM=, TO=, METHOD= AND THEIR OPTIONS CONVERT A SERIES, NOT A FILE",
                          CONVERT_FILE_OPTIONS);
    const std::string format = !o.FORMAT.empty()                 ? o.FORMAT
                               : ends_with_folded(o.OUT, ".DIF") ? "DIF"
                               : ends_with_folded(o.OUT, ".TSV") ? "TAB"
                                                                 : "COMMA";
    std::string write_options;
    if (!output_layout(format, write_options))
        return file_error(
            run, "FORMAT=" + format + ": OUT= IS WRITTEN AS COMMA, TAB, FREE, TARVEX OR DIF",
            CONVERT_FORMAT);

    const std::string layout = input_layout(o.IN);
    const SampleBlock sample = run.smpl;
    run.smpl.IBEG = 1, run.smpl.IEND = -999, run.smpl.NOBS = -999;
    std::vector<std::string> names;
    const bool read = run_made_statement(run, SLOT_READ, "READ " + quoted(o.IN) + " / " + layout,
                                         true, [&] { return read_statement(run, &names); });
    const int maxob = run.smpl.MAXOB;
    run.smpl = sample;
    run.smpl.MAXOB = std::max(sample.MAXOB, maxob);
    if (!read || names.empty())
        return file_error(run, "NOTHING CONVERTED: NO SERIES WAS READ FROM " + o.IN,
                          CONVERT_NOTHING_READ);

    std::string list;
    for (const std::string& name : names) list += " " + trim_trailing_blanks(name);
    if (!run_made_statement(run, SLOT_WRITE,
                            "WRITE " + quoted(o.OUT) + list + " / " + write_options, false, [&] {
                                WRITEX(run);
                                return true;
                            }))
        return false;
    if (run.flags.OPUT) {
        write_line(run, " CONVERT READ " + std::to_string(names.size()) + " SERIES" + " FROM " +
                            o.IN + " AND WROTE " + (names.size() == 1 ? "IT" : "THEM") + " TO " +
                            o.OUT + " (" + format + ")");
        std::string line = " SERIES:";
        for (const std::string& name : names) {
            const std::string item = " " + trim_trailing_blanks(name);
            if (line.size() + item.size() > 120) {
                write_line(run, line);
                line = "        ";
            }
            line += item;
        }
        write_line(run, line);
    }
    run.res[R_N] = Real(names.size());
    return true;
}

} // namespace tarvex
