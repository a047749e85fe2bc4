// Character data for READ: CHARSTR reads one record per listed name as a character string
// (8 characters per element, up to the string length limit); CHARVAR reads a character
// variable, one 8-character word per observation, one observation per record.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"

#include <algorithm>

namespace tarvex {

namespace {

bool read_strings(ReadJob& job, DataLines& lines) {
    Run& run = job.run;
    job.make_pending(TYPE_CHAR_STRING, 1);
    job.first_element = 1;
    std::string_view line;
    for (PendingVariable& var : job.pending) {
        if (!lines.next(line)) {
            report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
            return false;
        }
        std::size_t end = line.find_last_not_of(' ');
        std::string_view text =
            end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1);
        text = text.substr(0, std::min<std::size_t>(text.size(), run.vals.COMLEN));
        if (text.empty()) text = " ";
        for (std::size_t at = 0; at < text.size(); at += CHARS_PER_ELEMENT)
            var.values.push(chars_to_element(text.substr(at, CHARS_PER_ELEMENT)));
    }
    job.count = 1;
    return true;
}

bool read_char_variables(ReadJob& job, DataLines& lines) {
    Run& run = job.run;
    job.make_pending(TYPE_CHAR_VAR, 1);
    job.first_element = job.beg;
    std::string_view line;
    long long rows = 0;
    const std::size_t nvar = job.pending.size();
    while ((!job.count_known() || rows < job.expected()) && lines.next(line)) {
        std::size_t pos = 0;
        for (std::size_t j = 0; j < nvar; ++j) {
            while (pos < line.size() && (line[pos] == ' ' || line[pos] == ',' || line[pos] == '\t'))
                ++pos;
            std::size_t start = pos;
            while (pos < line.size() && line[pos] != ' ' && line[pos] != ',' && line[pos] != '\t')
                ++pos;
            if (!job.pending[j].skip)
                job.pending[j].values.push(chars_to_element(line.substr(start, pos - start)));
        }
        ++rows;
    }
    if (rows == 0) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    job.count = rows;
    if (job.count_known() && rows < job.expected()) {
        for (PendingVariable& var : job.pending)
            while (var.values.size() < job.expected()) var.values.push(chars_to_element(""));
        job.count = job.expected();
        less_data(run);
    }
    return true;
}

} // namespace

bool read_characters(ReadJob& job, DataLines& lines) {
    if (job.run.opt.sw[RS_CHARSTR]) return read_strings(job, lines);
    return read_char_variables(job, lines);
}

} // namespace tarvex
