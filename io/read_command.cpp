// READX, the READ command: chooses the unit (the command input, a numbered unit, a file named
// in parentheses, a decrypted copy), fills the read option block, hands the data to the reader
// of their layout, and then stores the values, sets the sample and writes the closing notes.
#include "io/read_command.hpp"

#include "core/error_report.hpp"
#include "core/rank_agreement.hpp"
#include "core/run.hpp"
#include "core/units.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"
#include "io/read_source.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "workspace/data_bank.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <optional>

namespace tarvex {

namespace {

constexpr const char* STARTING_READ = "%%%%%STARTING_READ.";
constexpr int HOST_TEXT_COMMAND = 23;

bool names_dif(std::string_view file) {
    return file.find(".DIF") != std::string_view::npos ||
           file.find(".dif") != std::string_view::npos ||
           file.find(".Dif") != std::string_view::npos;
}

// The listed names, as the variable table holds them.
std::vector<std::string> listed_names(Run& run) {
    std::vector<std::string> names;
    for (int k = 1; k <= run.scan.NF; ++k) {
        int ref = run.scan.ref(k);
        if (ref < MARK_BASE) ref = MARK_BASE - ref;
        if (ref > 0 && ref <= run.ws.NVARS)
            names.push_back(trim_trailing_blanks(run.ws.VNAME[ref]));
    }
    return names;
}

// The observations to fill: BEG and END (or OBS) as given, else the sample's.
void choose_range(ReadJob& job) {
    Run& run = job.run;
    const OptionSet& opt = run.opt;
    const bool sample = run.smpl.IEND > 0;
    job.beg =
        opt.igiven[RV_BEG] && opt.iv[RV_BEG] > 0 ? opt.iv[RV_BEG] : (sample ? run.smpl.IBEG : 1);
    job.end = 0;
    if (opt.igiven[RV_END] && opt.iv[RV_END] > 0)
        job.end = opt.iv[RV_END];
    else if (opt.iv[RV_OBS] > 0)
        job.end = job.beg + opt.iv[RV_OBS] - 1;
    else if (sample && (!opt.igiven[RV_BEG] || job.beg <= run.smpl.IEND))
        job.end = run.smpl.IEND;
    job.end_from_sample =
        sample && job.end == run.smpl.IEND && !opt.igiven[RV_END] && opt.iv[RV_OBS] <= 0;
}

// The file a unit is bound to ("" when none).
std::string unit_path(Run& run, int unit) {
    const UnitFile* file = unit_file(run, unit);
    return file != nullptr ? file->path : std::string();
}

// The missing code as notes show it: general form, 8 significant digits, no blanks.
std::string read_missing_code_text(Real code) {
    std::string text = fmt_G(code, 16, 8);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// A named file that holds more lines of data than the sample lets the read take: they are
// counted (a named file is opened afresh by every READ, so nothing later reads on from here).
void count_lines_left(ReadJob& job, DataLines& lines) {
    if (!job.end_from_sample || job.command_stream || job.unit != UNIT_NAMED_FILE) return;
    std::string_view line;
    while (lines.next(line))
        if (line.find_first_not_of(" \t\r") != std::string_view::npos) ++job.lines_left;
}

// The closing notes on what the data held beyond what was stored as numbers.
void note_unread_and_missing(ReadJob& job) {
    Run& run = job.run;
    if (job.missing_values > 0)
        write_line(run, " ...NOTE.." + fmt_I(job.missing_values, 8) +
                            (job.missing_values == 1 ? " VALUE READ IS" : " VALUES READ ARE") +
                            " MISSING (NA, EMPTY OR THE MISSING DATA VALUE=" +
                            read_missing_code_text(run.ws.XMISS) + ")");
    if (job.lines_left > 0) {
        const long long last = job.beg + job.count - 1;
        write_line(run, " ...NOTE.." + fmt_I(job.lines_left, 8) +
                            (job.lines_left == 1 ? " LINE" : " LINES") +
                            " OF THE FILE LEFT UNREAD: THE SAMPLE ENDS AT OBS" + fmt_I(last, 8) +
                            "; TO READ THEM, SAMPLE " + std::to_string(job.beg) + " " +
                            std::to_string(last + job.lines_left) + " BEFORE READ");
    }
}

// READ ... / DB (or TSP): each name is brought from the data bank.
void read_from_bank(Run& run, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (name == "SKIP$") continue;
        if (!bank_fetch(run, name)) {
            if (!run.flags.ODONT)
                report_error(run, " ...ERROR..VARIABLE " + name + " IS NOT IN THE DATA BANK",
                             ERR_READ_NOT_IN_BANK);
            return;
        }
    }
}

// Passes SKIPLINE lines, then the rows of SKIPROWS not already taken by a names line.
void skip_leading(DataLines& lines, long long count) {
    std::string_view line;
    for (long long k = 0; k < count; ++k)
        if (!lines.next(line)) return;
}

void after_reading(ReadJob& job, bool data_vectors) {
    Run& run = job.run;
    const long long last = job.beg + job.count - 1;
    if (data_vectors && run.smpl.IEND <= 0 && job.count > 0) {
        run.smpl.IEND = static_cast<int>(last);
        run.smpl.NOBS = run.smpl.IEND - run.smpl.IBEG + 1;
        run.smpl.MAXOB = std::max<int>(run.smpl.MAXOB, run.smpl.IEND);
        if (notes_on(run)) {
            write_line(run, "");
            write_line(run, " ...NOTE..SAMPLE RANGE IS NOW SET TO:" + fmt_I(run.smpl.IBEG, 10) +
                                fmt_I(run.smpl.IEND, 10));
        }
    }
    if (data_vectors) {
        run.smpl.MAXOB = std::max<long long>(run.smpl.MAXOB, last);
        if (notes_on(run)) {
            long long nvars = std::count_if(job.pending.begin(), job.pending.end(),
                                            [](const PendingVariable& v) { return !v.skip; });
            write_line(run, " ...NOTE.." + fmt_I(nvars, 5) + " VARIABLES AND " +
                                fmt_I(job.count, 8) + " OBSERVATIONS STARTING AT OBS" +
                                fmt_I(job.beg, 8));
            note_unread_and_missing(job);
            write_line(run, "");
        }
    }
    run.opt.iv[RV_BEG] = static_cast<int>(job.beg);
    run.opt.iv[RV_END] = static_cast<int>(last);
}

// Reads the data in the layout the options ask for into job.pending; false after an error line.
// `data_vectors` tells whether the result is data vectors (for the sample and the closing note).
bool read_layout(ReadJob& job, DataLines& lines, bool binary, bool names_listed,
                 bool& data_vectors) {
    Run& run = job.run;
    OptionSet& opt = run.opt;
    skip_leading(lines, std::max(0, opt.iv[RV_SKIPLINE]));
    if (opt.sw[RS_TARVEX]) {
        const bool ok = read_tarv_blocks(job, lines, binary);
        data_vectors = std::all_of(job.pending.begin(), job.pending.end(),
                                   [](const PendingVariable& v) { return v.type == TYPE_DATA; });
        return ok;
    }
    if (opt.sw[RS_DIF]) {
        data_vectors = true;
        return read_dif(job, lines, opt.sw[RS_NAMES] || !names_listed);
    }
    // With NAMES, CHARVAR asks for the text columns of the file as character variables.
    if (opt.sw[RS_CHARSTR] || (opt.sw[RS_CHARVAR] && !opt.sw[RS_NAMES]))
        return read_characters(job, lines);
    if (opt.sw[RS_SYMAT] || opt.sw[RS_TRIMAT] || opt.iv[RV_COLS] > 0 || opt.iv[RV_ROWS] > 0 ||
        is_existing_matrix(run, job.names))
        return binary ? read_binary_matrix(job, lines.stream()) : read_matrix(job, lines);
    data_vectors = true;
    if (binary)
        return read_binary_records(job, lines.stream(), opt.sw[RS_SBINARY] || opt.sw[RS_BYVAR]);
    long long skip_rows = std::max(0, opt.iv[RV_SKIPROWS]);
    const std::string format = trim_trailing_blanks(opt.name[RN_FORMAT]);
    // Names separated by commas or tabs head a delimited file (one record per observation);
    // names separated by blanks head free-format data, whose values flow across records.
    bool delimited_names = false;
    if (opt.sw[RS_NAMES]) {
        if (!read_names_line(job, lines, delimited_names)) return false;
        job.names_from_file = true;
        skip_rows = std::max<long long>(0, skip_rows - 1);
    }
    skip_leading(lines, skip_rows);
    if (user_format_requested(run)) return read_user_format(job, lines);
    const bool ok = delimited_names || (job.names_from_file && opt.sw[RS_CHARVAR]) ||
                            opt.iv[RV_SKIPCOLS] > 0 || format == "TAB" || format == "COMMA"
                        ? read_delimited(job, lines, std::max(0, opt.iv[RV_SKIPCOLS]))
                        : read_free_text(job, lines);
    if (ok && !opt.sw[RS_BYVAR]) count_lines_left(job, lines);
    return ok;
}

// A READ that lists no names and asks for none from the file reads nothing: it says so and,
// when a unit or file is named, how to take the names from the file's first line.
void no_names_listed(Run& run, bool from_file) {
    report_error(run, " ...ERROR..NO VARIABLES LISTED: NOTHING READ", ERR_READ_NO_NAMES);
    if (from_file)
        write_line(run, " ...NOTE..TO TAKE THE NAMES FROM THE FIRST LINE OF THE FILE, LIST NO "
                        "NAMES AND ADD / NAMES");
}

// A SKIP$ column passed over leaves SKIP$ itself filled with zeros (every observation in use)
// over the observations read, unless it already holds codes.
bool make_skip_codes(ReadJob& job) {
    const bool listed = std::any_of(job.pending.begin(), job.pending.end(),
                                    [](const PendingVariable& v) { return v.skip; });
    if (!listed || skip_codes(job.run).length > 0 || job.count == 0) return true;
    return make_skip_variable(job.run, job.beg + job.count - 1);
}

} // namespace

bool notes_on(const Run& run) {
    return run.flags.OPUT && run.sw[OWARN];
}

void ReadJob::make_pending(int type, int ncol) {
    pending.clear();
    pending.resize(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) {
        pending[k].name = names[k];
        pending[k].type = type;
        pending[k].ncol = ncol;
        pending[k].skip = names[k] == "SKIP$";
    }
}

namespace {

// READ's work; `succeeded` is set once the values are stored (every early return leaves it
// false), and the names stored are added to `stored` when it is given.
void read_into_workspace(Run& run, std::vector<std::string>* stored, bool& succeeded) {
    succeeded = false;
    if (run.MOS == MODE_WINDOWED || run.MOS == MODE_WINDOWED_33) {
        std::string text = STARTING_READ;
        MACDEP(run, HOST_TEXT_COMMAND, text);
    }
    const ScanBlock& scan = run.scan;
    const bool names_listed = scan.NF > 0;
    set_read_defaults(run, scan.INPAR > 0 ? scan.INPAR : run.vals.READUNIT, names_listed);
    const bool parsed = OPTION(run, read_option_table());
    OptionSet& opt = run.opt;
    // A file name in quotes ('v.bin') is the name without them, as for WRITE.
    std::string file = scan.filename;
    while (!file.empty() && file.back() == ' ') file.pop_back();
    while (!file.empty() && file.front() == ' ') file.erase(file.begin());
    if (file.size() >= 2 && (file.front() == '\'' || file.front() == '"') &&
        file.back() == file.front())
        file = file.substr(1, file.size() - 2);
    const bool file_named = scan.INPAR == UNIT_NAMED_FILE && !file.empty();
    if (file_named && names_dif(file)) opt.sw[RS_DIF] = true;
    if (opt.sw[RS_DB]) opt.sw[RS_TSP] = true;
    if (opt.sw[RS_ASCII] || opt.sw[RS_TARVEX]) opt.sw[RS_BYVAR] = true;
    if (!parsed) return report_error(run, " ...ERROR..INCOMPATIBLE OPTIONS", ERR_READ_INCOMPATIBLE);
    const int unit = opt.iv[RV_UNIT];
    if (unit == run.L6)
        return report_error(run, " ...ERROR..INVALID READ UNIT" + fmt_I(unit, 5),
                            ERR_READ_INVALID_UNIT);
    if (opt.sw[RS_NAMES] && names_listed)
        return report_error(run, " ...ERROR..WITH NAMES OPTION, DO NOT LIST VARIABLES",
                            ERR_READ_NAMES_LISTED);
    // A package file or workbook names its own variables: listing none reads them all.
    const DataFileKind file_kind =
        file_named || scan.INPAR > 0
            ? data_file_kind(file_named ? file : unit_path(run, unit), opt.name[RN_FORMAT])
            : DataFileKind::NONE;
    if (!opt.sw[RS_NAMES] && !opt.sw[RS_DIF] && !names_listed && file_kind == DataFileKind::NONE)
        return no_names_listed(run, scan.INPAR > 0);
    if (scan.NF > READ_NAME_LIMIT)
        return report_error(
            run, " ...ERROR..READ COMMAND ALLOWS ONLY" + fmt_I(READ_NAME_LIMIT, 6) + " VARIABLES",
            ERR_READ_TOO_MANY_NAMES);

    // A column reference (name:c) names part of a matrix: READ fills whole variables.
    for (int k = 1; k <= scan.NF; ++k) {
        int ref = run.scan.ref(k);
        if (ref < MARK_BASE) ref = MARK_BASE - ref;
        if (ref > run.ws.NVARS && run.ws.MXCOL > 0 && ref / run.ws.MXCOL <= run.ws.NVARS) {
            const std::string name = trim_trailing_blanks(run.ws.VNAME[ref / run.ws.MXCOL]);
            return report_error(run,
                                " ...ERROR..READ FILLS WHOLE VARIABLES, NOT THE MATRIX COLUMN " +
                                    name + ":" + std::to_string(ref % run.ws.MXCOL) +
                                    ": READ A VECTOR AND SET THE COLUMN WITH GENR",
                                ERR_READ_COLUMN);
        }
    }

    ReadJob job(run);
    job.names = listed_names(run);
    if (opt.sw[RS_TSP]) return read_from_bank(run, job.names);

    const bool binary = opt.sw[RS_BINARY] || opt.sw[RS_SBINARY];
    ReadSource source(run, unit, file_named ? file : std::string(), binary);
    // Opening and binding a file: a step every rank of a run over several processes must agree
    // on, since one machine may lack the file the others bind.
    std::optional<AgreedStep> binding;
    if (opt.sw[RS_BIND]) binding.emplace(run);
    if (!source.open(opt.sw[RS_CRYPT])) {
        if (binding)
            binding->agree_failed(" ...ERROR..CANNOT OPEN FILE " +
                                  (file_named ? file : unit_path(run, unit)));
        return;
    }
    job.unit = source.unit();
    job.command_stream = source.command_stream();
    job.interactive = job.command_stream && run.sw[OTALK];
    if ((opt.sw[RS_REWIND] || opt.sw[RS_BACKSPAC]) && !job.command_stream) source.rewind();
    choose_range(job);

    DataLines lines(run, job.unit, job.command_stream);
    if (opt.sw[RS_BIND]) {
        bool bound = false;
        try {
            bound = bind_series(job, lines, binary, file_kind, *binding);
        } catch (const DataRecordTooLong&) {
            bound = binding->agree(false);
        }
        if (opt.sw[RS_CLOSE] && !job.command_stream) source.close_unit();
        source.finish();
        succeeded = bound;
        return;
    }
    bool data_vectors = false;
    bool ok = false;
    try {
        if (file_kind != DataFileKind::NONE) {
            data_vectors = true;
            ok = read_imported_file(job, unit_path(run, job.unit), file_kind);
        } else {
            ok = read_layout(job, lines, binary, names_listed, data_vectors);
        }
    } catch (const DataRecordTooLong&) {
        ok = false;
    }
    if (ok && !job.pending.empty()) {
        const long long need = words_needed(run, job.pending, job.first_element);
        if (run.ws.NDL == 0 && run.ws.LASADD + need > run.ws.MAXADD) {
            report_error(run,
                         " ...ERROR..INSUFFICIENT MEMORY TO PROCEED AFTER " + fmt_I(job.count, 8) +
                             " OBS",
                         ERR_READ_MEMORY_AFTER);
            // The work area that would hold the data read, in PAR kilobytes (as NOCORE says).
            const Workspace& ws = run.ws;
            const long long par = (ws.NBYTES * (ws.LASADD + need)) / 1024 + 1;
            write_line(run, " ...NOTE..THIS REQUIRES AT LEAST PAR=" + fmt_I(par, 10) +
                                " CURRENT PAR=" + fmt_I(ws.NAR / 1024, 10));
            ok = false;
        } else {
            if (data_vectors)
                for (const PendingVariable& var : job.pending)
                    if (!var.skip) job.missing_values += var.values.count_equal(run.ws.XMISS);
            if (stored != nullptr)
                for (const PendingVariable& var : job.pending)
                    if (!var.skip) stored->push_back(var.name);
            ok = commit_pending(run, job.pending, job.first_element);
        }
    }
    if (ok && data_vectors) ok = make_skip_codes(job);
    if (ok && data_vectors) keep_text_column_labels(job);
    if (ok) after_reading(job, data_vectors);
    opt.sw[RS_REWIND] = false;
    opt.sw[RS_BINARY] = false;
    if (opt.sw[RS_CLOSE] && !job.command_stream) source.close_unit();
    source.finish();
    if (ok && (opt.sw[RS_LIST] || run.sw[ODMMP])) {
        const bool by_obs = data_vectors && !opt.sw[RS_TARVEX];
        list_read_variables(run, job.names, by_obs ? static_cast<int>(job.beg) : 1,
                            by_obs ? static_cast<int>(job.beg + job.count - 1) : 0);
    }
    succeeded = ok;
}

} // namespace

void READX(Run& run) {
    bool succeeded = false;
    read_into_workspace(run, nullptr, succeeded);
}

bool read_statement(Run& run, std::vector<std::string>* stored) {
    bool succeeded = false;
    read_into_workspace(run, stored, succeeded);
    return succeeded;
}

} // namespace tarvex
