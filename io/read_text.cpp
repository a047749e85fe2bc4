// Free-format text data for READ: by observation (one observation per record, continuing on
// the next record when a record runs short) or by variable (BYVAR: every observation of one
// variable, then the next); delimited records (comma or tab, one observation per record, empty
// fields missing); the console prompt and the re-entry of a bad row at the console.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"
#include "io/read_text_columns.hpp"
#include "io/record_scan.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"

namespace tarvex {

namespace {

// The word that closes data typed at the console, as the prompt shows it (8 columns).
constexpr const char* END_WORD = "END     ";

void prompt_for_data(ReadJob& job) {
    Run& run = job.run;
    if (!job.interactive || job.count_known()) return;
    write_line(run, fmt_I(static_cast<long long>(job.names.size()), 8) + "  VARIABLES--ENTER " +
                        END_WORD + "ON NEW LINE WHEN DONE");
    write_line(run, "");
    std::string line = " TYPE IN YOUR DATA FOR ";
    for (const std::string& name : job.names) {
        if (line.size() + 9 > LINE_WIDTH) {
            write_line(run, line);
            line = " ";
        }
        line += fmt_A(name, 8) + " ";
    }
    write_line(run, line);
}

// Reports a row that failed to convert at `item`; true when the row is to be typed again
// (console). A first row of words from a file is most likely a row of names: the note says how
// to read it as one.
bool bad_row(ReadJob& job, long long row, long long column, std::string_view item) {
    Run& run = job.run;
    // From the console the row is typed again and the command goes on; otherwise it ends.
    report_error(run, " ...ERROR..READ ERROR IN ROW" + fmt_I(row, 7) + " COLUMN" + fmt_I(column, 7),
                 ERR_READ_BAD_VALUE,
                 job.interactive ? ErrorSeverity::CONTINUES : ErrorSeverity::ENDS_COMMAND);
    const bool overflow = explain_bad_value(run, item);
    if (job.interactive) {
        write_line(run, " ...WARNING..RE-ENTER ALL DATA FOR ROW" + fmt_I(row, 4));
        write_line(run, "");
        return true;
    }
    const bool word = !item.empty() && ((item[0] >= 'A' && item[0] <= 'Z') ||
                                        (item[0] >= 'a' && item[0] <= 'z') || item[0] == '"');
    // The hint is only given when neither NAMES nor SKIPROWS already passed a first row.
    // Names separated by blanks head free-format numbers: a column of words is read only under
    // names separated by commas or tabs, or with CHARVAR.
    if (word && !overflow && job.names_from_file && !job.delimited_rows)
        write_line(run, " ...NOTE..WORDS ARE READ AS TEXT UNDER NAMES SEPARATED BY COMMAS OR TABS,"
                        " OR WITH / NAMES CHARVAR");
    if (row == 1 && word && !overflow && !job.names_from_file && run.opt.iv[RV_SKIPROWS] <= 0)
        write_line(run,
                   " ...NOTE..IF THE FIRST ROW NAMES THE VARIABLES, LIST NO NAMES AND ADD / NAMES,"
                   " OR PASS IT WITH SKIPROWS=1");
    return false;
}

// Pads every pending variable with zeros up to `rows` values.
void pad_with_zeros(ReadJob& job, long long rows) {
    for (PendingVariable& var : job.pending)
        while (var.values.size() < rows) var.values.push(0);
}

bool finish_rows(ReadJob& job, long long rows, bool short_row) {
    Run& run = job.run;
    if (rows == 0 && !short_row) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    if (job.count_known() && rows < job.expected()) short_row = true;
    const long long total = job.count_known() ? job.expected() : rows;
    if (short_row) {
        pad_with_zeros(job, total);
        less_data(run);
    }
    job.count = total;
    return true;
}

// The items left in a record after a row was complete (values, empty items, bad items).
long long items_left(FreeScanner& scanner) {
    long long left = 0;
    for (;;) {
        Real v = 0;
        const FieldKind kind = scanner.next(v);
        if (kind == FieldKind::END || kind == FieldKind::SLASH) return left;
        ++left;
    }
}

// A row whose values do not fill its lines exactly: reading them on would take the columns of
// one row into the next.
void row_misfit(ReadJob& job, long long row, long first_line, long last_line, long long values) {
    const std::string lines = first_line == last_line ? "LINE " + std::to_string(first_line)
                                                      : "LINES " + std::to_string(first_line) +
                                                            " TO " + std::to_string(last_line);
    report_error(job.run,
                 " ...ERROR..DATA ROW " + std::to_string(row) + " (" + lines + ") HOLDS " +
                     std::to_string(values) + " VALUES FOR " + std::to_string(job.names.size()) +
                     " VARIABLES: NOTHING READ",
                 ERR_READ_ROW_LENGTH);
    write_line(job.run, " ...NOTE..EACH ROW MUST START ON A NEW LINE AND HOLD ONE VALUE FOR EACH "
                        "VARIABLE (AN EMPTY ONE BETWEEN COMMAS: ,,)");
}

// One observation per row, a row continuing on the next line while it is short. A row that
// continued must end with its last line, and with names from the file every row must hold
// exactly one value per name: values left over would otherwise start the next row in the
// wrong column.
bool read_by_observation(ReadJob& job, DataLines& lines) {
    Run& run = job.run;
    const std::size_t nvar = job.names.size();
    std::vector<Real> obs(nvar);
    FreeScanner scanner;
    std::string_view line;
    long long rows = 0;
    if (read_observations_split(job, lines, rows)) return finish_rows(job, rows, false);
    if (nvar == 0) return finish_rows(job, rows, false); // no field would ever fill a row
    bool short_row = false;
    prompt_for_data(job);
    while (!job.count_known() || rows < job.expected()) {
        std::size_t got = 0;
        bool need_record = true;
        bool ended = false;
        long first_line = 0; // the line the row began on
        while (got < nvar) {
            if (need_record) {
                if (!lines.next(line)) {
                    ended = true;
                    break;
                }
                scanner.reset(line);
                need_record = false;
                if (got == 0) first_line = lines.count();
            }
            Real v = 0;
            switch (scanner.next(v)) {
            case FieldKind::VALUE:
                obs[got++] = v;
                break;
            case FieldKind::NUL:
                obs[got++] = run.ws.XMISS;
                break;
            case FieldKind::END:
                need_record = true;
                break;
            case FieldKind::SLASH:
                while (got < nvar) obs[got++] = run.ws.XMISS;
                break;
            case FieldKind::BAD:
                if (!bad_row(job, rows + 1, static_cast<long long>(got) + 1, scanner.bad_item()))
                    return false;
                got = 0;
                need_record = true;
                break;
            }
        }
        if (ended && got == 0) break;
        if (ended && job.names_from_file) {
            row_misfit(job, rows + 1, first_line, lines.count(), static_cast<long long>(got));
            return false;
        }
        if (!ended && (job.names_from_file || lines.count() > first_line) && !scanner.exhausted()) {
            row_misfit(job, rows + 1, first_line, lines.count(),
                       static_cast<long long>(nvar) + items_left(scanner));
            return false;
        }
        if (ended) {
            while (got < nvar) obs[got++] = 0;
            short_row = true;
        }
        for (std::size_t j = 0; j < nvar; ++j)
            if (!job.pending[j].skip) job.pending[j].values.push(obs[j]);
        ++rows;
        if (ended) break;
    }
    return finish_rows(job, rows, short_row);
}

bool read_by_variable(ReadJob& job, DataLines& lines) {
    Run& run = job.run;
    const std::size_t nvar = job.names.size();
    if (!job.count_known() && nvar > 1) {
        report_error(run, " ...ERROR..NUMBER OF OBSERVATIONS NOT SPECIFIED", ERR_READ_NO_COUNT);
        return false;
    }
    prompt_for_data(job);
    FreeScanner scanner;
    std::string_view line;
    bool ended = false;
    long long found = 0;
    long long rows = 0;
    for (std::size_t j = 0; j < nvar && !ended; ++j) {
        PendingVariable& var = job.pending[j];
        bool need_record = true;
        long long k = 0;
        while (!job.count_known() || k < job.expected()) {
            if (need_record) {
                if (!lines.next(line)) {
                    ended = true;
                    break;
                }
                scanner.reset(line);
                need_record = false;
            }
            Real v = 0;
            FieldKind kind = scanner.next(v);
            if (kind == FieldKind::END) {
                need_record = true;
                continue;
            }
            if (kind == FieldKind::BAD) {
                report_error(run,
                             " ...ERROR..READ ERROR IN VARIABLE " + fmt_I(long(j) + 1, 4) + "  " +
                                 job.names[j],
                             ERR_READ_BAD_VALUE);
                explain_bad_value(run, scanner.bad_item());
                return false;
            }
            if (kind == FieldKind::SLASH) break;
            var.values.push(kind == FieldKind::VALUE ? v : run.ws.XMISS);
            ++k;
            ++found;
        }
        if (!job.count_known()) rows = k;
    }
    if (found == 0) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    const long long total = job.count_known() ? job.expected() : rows;
    bool short_data = false;
    for (PendingVariable& var : job.pending)
        if (var.values.size() < total && !var.skip) short_data = true;
    pad_with_zeros(job, total);
    if (short_data) less_data(run);
    job.count = total;
    return true;
}

} // namespace

bool explain_bad_value(Run& run, std::string_view item) {
    if (!data_number_overflows(item)) return false;
    constexpr std::size_t SHOWN = 60;
    const std::string shown =
        item.size() > SHOWN ? std::string(item.substr(0, SHOWN)) + "..." : std::string(item);
    report_error(run,
                 " ...NOTE..THE VALUE " + shown +
                     " OVERFLOWS: NO NUMBER CAN EXCEED ABOUT 1.19E+4932 IN SIZE",
                 ERR_READ_OVERFLOW, ErrorSeverity::CONTINUES);
    return true;
}

bool read_free_text(ReadJob& job, DataLines& lines) {
    job.make_pending(TYPE_DATA, 1);
    job.first_element = job.beg;
    if (job.run.opt.sw[RS_BYVAR]) return read_by_variable(job, lines);
    return read_by_observation(job, lines);
}

bool read_delimited(ReadJob& job, DataLines& lines, int skip_cols) {
    Run& run = job.run;
    job.make_pending(TYPE_DATA, 1);
    job.first_element = job.beg;
    const std::size_t nvar = job.names.size();
    const std::string format(run.opt.name[RN_FORMAT].substr(0, run.opt.name[RN_FORMAT].find(' ')));
    const char forced = format == "TAB" ? '\t' : format == "COMMA" ? ',' : char(-1);
    std::vector<std::string_view> fields;
    std::vector<Real> obs(nvar);
    std::vector<char> number(nvar); // the field of the column held a number
    std::string_view line;
    long long rows = 0;
    // Columns named by the header may hold text.
    TextColumns text(nvar, job.names_from_file);
    job.delimited_rows = true;
    prompt_for_data(job);
    if (read_delimited_split(job, lines, forced, skip_cols, rows)) {
        if (!finish_rows(job, rows, false)) return false;
        text.finish(job, run.opt.sw[RS_CHARVAR]);
        return true;
    }
    while ((!job.count_known() || rows < job.expected()) && lines.next(line)) {
        const char delimiter = forced != char(-1) ? forced : record_delimiter(line);
        split_fields(line, delimiter, fields);
        if (fields.empty()) continue;
        // The header names every column: a value past the last name means the row's fields are
        // not where the names are (a separator too many), so nothing is read.
        if (job.names_from_file) {
            std::size_t used = fields.size();
            while (used > 0 && fields[used - 1].empty()) --used;
            const std::size_t width = nvar + static_cast<std::size_t>(skip_cols);
            if (used > width) {
                row_misfit(job, rows + 1, lines.count(), lines.count(),
                           static_cast<long long>(used) - skip_cols);
                return false;
            }
        }
        // Every field is converted once, and nothing is kept before the whole row converted.
        bool retry = false;
        for (std::size_t j = 0; j < nvar; ++j) {
            const std::size_t at = j + static_cast<std::size_t>(skip_cols);
            obs[j] = run.ws.XMISS;
            bool missing = true;
            if (text.is_text(j)) continue;
            if (at < fields.size() && !field_value(fields[at], obs[j], missing)) {
                if (text.accept_word(j, rows)) continue;
                if (!bad_row(job, rows + 1, static_cast<long long>(at) + 1, fields[at]))
                    return false;
                retry = true;
                break;
            }
            if (missing) obs[j] = run.ws.XMISS;
            number[j] = !missing;
        }
        if (retry) continue;
        for (std::size_t j = 0; j < nvar; ++j) {
            const std::size_t at = j + static_cast<std::size_t>(skip_cols);
            if (text.is_text(j)) {
                text.take(j, rows, at < fields.size() ? fields[at] : std::string_view());
                obs[j] = run.ws.XMISS;
            } else if (number[j]) {
                text.saw_number(j);
            }
            if (!job.pending[j].skip) job.pending[j].values.push(obs[j]);
        }
        ++rows;
    }
    if (!finish_rows(job, rows, false)) return false;
    text.finish(job, run.opt.sw[RS_CHARVAR]);
    return true;
}

void less_data(Run& run) {
    report_error(run, " ...ERROR..LESS DATA FOUND THAN EXPECTED..ZEROS USED", ERR_READ_LESS_DATA,
                 ErrorSeverity::CONTINUES);
}

} // namespace tarvex
