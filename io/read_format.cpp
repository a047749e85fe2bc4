// READ with the stored user format (FORMAT$): each observation (or matrix row) starts a new
// record and is read through the format interpreter, which moves to further records on "/" and
// on format reversion. A format text beginning FREE reads free format.
#include "core/error_report.hpp"
#include "core/fatal_stop.hpp"
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/format_program.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"
#include "io/stored_format.hpp"
#include "numeric/fortran_format.hpp"

#include <cctype>

namespace tarvex {

bool user_format_requested(const Run& run) {
    return trim_trailing_blanks(run.opt.name[RN_FORMAT]) == "********" || run.sw[OFMT];
}

bool user_format_program(ReadJob& job, FormatProgram& program, bool& free_format) {
    Run& run = job.run;
    std::string text;
    if (!stored_format(run, text)) {
        report_error(run, " ...ERROR..NO FORMAT CURRENTLY EXISTS", ERR_READ_NO_FORMAT);
        return false;
    }
    if (text.size() > static_cast<std::size_t>(FORMAT_LIMIT)) XXIT(run, STOP_FORMAT_TOO_LONG_READ);
    const std::size_t lead = text.find_first_not_of(' ');
    text = lead == std::string::npos ? std::string() : text.substr(lead);
    if (notes_on(run)) {
        write_line(run, " ...NOTE..READ USES FORMAT:");
        write_line(run, " " + text);
    }
    std::string head = text.substr(0, 4);
    for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    free_format = head == "FREE";
    if (free_format) return true;
    std::string reason;
    if (!parse_format(text, program, &reason) || !program.has_data) {
        report_error(run, " ...ERROR..BAD FORMAT: " + text.substr(0, 100), ERR_READ_BAD_FORMAT);
        return false;
    }
    return true;
}

bool read_user_format(ReadJob& job, DataLines& lines) {
    Run& run = job.run;
    FormatProgram program;
    bool free_format = false;
    if (!user_format_program(job, program, free_format)) return false;
    if (free_format) return read_free_text(job, lines);

    job.make_pending(TYPE_DATA, 1);
    job.first_element = job.beg;
    const std::size_t nvar = job.names.size();
    std::string_view view;
    bool ended = false;
    const RecordSource next = [&](std::string& record) {
        if (!lines.next(view)) {
            ended = true;
            return false;
        }
        record.assign(view);
        return true;
    };
    std::vector<FormatValue> values;
    long long rows = 0;
    bool short_data = false;
    while (!job.count_known() || rows < job.expected()) {
        std::string first;
        if (!next(first)) break;
        values.clear();
        std::string bad;
        if (!format_read(program, first, next, nvar, values, &bad)) {
            if (!ended) {
                report_error(run,
                             " ...ERROR..READ ERROR IN ROW" + fmt_I(rows + 1, 7) + " COLUMN" +
                                 fmt_I(static_cast<long long>(values.size()) + 1, 7),
                             ERR_READ_BAD_VALUE);
                explain_bad_value(run, bad);
                return false;
            }
            short_data = true;
        }
        for (std::size_t j = 0; j < nvar; ++j) {
            Real v = 0;
            if (j < values.size())
                v = values[j].is_text ? chars_to_element(values[j].text) : values[j].number;
            if (!job.pending[j].skip) job.pending[j].values.push(v);
        }
        ++rows;
        if (ended) break;
    }
    if (rows == 0) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    const long long total = job.count_known() ? job.expected() : rows;
    if (short_data || rows < total) {
        for (PendingVariable& var : job.pending)
            if (!var.skip)
                while (var.values.size() < total) var.values.push(0);
        less_data(run);
    }
    job.count = total;
    return true;
}

} // namespace tarvex
