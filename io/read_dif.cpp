// DIF spreadsheet files: the header items TABLE, VECTORS, TUPLES and DATA, then rows that begin
// with -1,0 / BOT, numbers as 0,value / V pairs, strings as 1,0 / "text" pairs, and -1,0 / EOD
// at the end. A first row of strings holds the variable names.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/read_internal.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int NAMES_PER_LINE = 7;

struct DifCell {
    bool text = false;
    bool missing = false;
    Real value = 0;
    std::string str;
};

std::string unquote(std::string s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

class DifReader {
public:
    DifReader(ReadJob& job, DataLines& lines) : job_(job), lines_(lines) {}

    bool bad() {
        report_error(job_.run, " ...ERROR..BAD DIF FILE NEAR LINE" + fmt_I(lines_.count(), 5),
                     ERR_READ_BAD_DIF);
        return false;
    }

    bool line(std::string& out, bool skip_empty) {
        std::string_view l;
        do {
            if (!lines_.next(l)) return false;
            out = trim_blanks_tabs_and_returns(l);
        } while (skip_empty && out.empty());
        return true;
    }

    // A "type,number" line.
    bool pair(int& type, Real& number, std::string& number_text) {
        std::string l;
        if (!line(l, true)) return false;
        std::size_t comma = l.find(',');
        if (comma == std::string::npos) return false;
        std::string t = trim_blanks_tabs_and_returns(l.substr(0, comma));
        number_text = trim_blanks_tabs_and_returns(l.substr(comma + 1));
        if (t != "-1" && t != "0" && t != "1") return false;
        type = std::stoi(t);
        // A number that does not read (the NA or ERROR forms) is missing; the indicator line
        // that follows says so as well.
        number = 0;
        if (!number_text.empty() && !parse_real_field(number_text, number)) number_text.clear();
        return true;
    }

    bool header(long long& vectors, long long& tuples) {
        for (;;) {
            std::string item;
            if (!line(item, true)) return bad();
            item = upper_ascii(item).substr(0, 8);
            int type = 0;
            Real number = 0;
            std::string text, str;
            if (!pair(type, number, text) || !line(str, false)) return bad();
            if (item == "VECTORS")
                vectors = static_cast<long long>(number);
            else if (item == "TUPLES")
                tuples = static_cast<long long>(number);
            else if (item == "DATA")
                return true;
        }
    }

    bool rows(std::vector<std::vector<DifCell>>& out) {
        for (;;) {
            int type = 0;
            Real number = 0;
            std::string text, str;
            if (!pair(type, number, text) || !line(str, false)) return bad();
            if (type == -1) {
                const std::string word = upper_ascii(str);
                if (word == "EOD") return true;
                if (word != "BOT") return bad();
                out.emplace_back();
                continue;
            }
            if (out.empty()) return bad();
            DifCell cell;
            if (type == 0) {
                cell.value = number;
                cell.missing = upper_ascii(str) != "V" || text.empty();
            } else {
                cell.text = true;
                cell.str = unquote(str);
            }
            out.back().push_back(std::move(cell));
        }
    }

private:
    ReadJob& job_;
    DataLines& lines_;
};

void report_names(Run& run, long long vectors, long long tuples,
                  const std::vector<std::string>& names) {
    write_line(run, " ...NOTE..DIF FILE HAS " + fmt_I(vectors, 4) + " COLUMNS AND " +
                        fmt_I(tuples, 6) + " ROWS");
    write_line(run, " DIF FILE CONTAINS VARIABLES: ");
    std::string line = " ";
    int on_line = 0;
    for (const std::string& name : names) {
        std::string padded = name;
        padded.resize(8, ' ');
        line += fmt_A(padded, 10);
        if (++on_line == NAMES_PER_LINE) {
            write_line(run, line);
            line = " ";
            on_line = 0;
        }
    }
    if (on_line > 0) write_line(run, line);
}

} // namespace

bool read_dif(ReadJob& job, DataLines& lines, bool names_from_file) {
    Run& run = job.run;
    DifReader reader(job, lines);
    long long vectors = 0, tuples = 0;
    std::vector<std::vector<DifCell>> table;
    if (!reader.header(vectors, tuples) || !reader.rows(table)) return false;

    bool name_row = !table.empty() && !table.front().empty() &&
                    std::all_of(table.front().begin(), table.front().end(),
                                [](const DifCell& c) { return c.text; });
    std::vector<std::string> file_names;
    if (name_row) {
        for (const DifCell& c : table.front()) {
            std::string name = trim_blanks_tabs_and_returns(c.str).substr(0, 8);
            file_names.push_back(run.sw[OLC] ? upper_ascii(name) : name);
        }
    } else {
        for (long long k = 1; k <= vectors; ++k) file_names.push_back("C" + std::to_string(k));
    }
    if (notes_on(run)) report_names(run, vectors, tuples, file_names);
    if (names_from_file) {
        if (!name_row) {
            report_error(run, " ...ERROR..BAD DIF FILE NEAR LINE" + fmt_I(lines.count(), 5),
                         ERR_READ_BAD_DIF);
            return false;
        }
        job.names = file_names;
    } else if (static_cast<long long>(job.names.size()) != vectors) {
        report_error(run,
                     " ...ERROR..DIF FILE HAS " + fmt_I(vectors, 4) + " VARS, NOT " +
                         fmt_I(static_cast<long long>(job.names.size()), 4) + " VARS",
                     ERR_READ_DIF_COUNT);
        return false;
    }
    job.make_pending(TYPE_DATA, 1);
    job.first_element = job.beg;
    const std::size_t first_row = name_row ? 1 : 0;
    long long rows = static_cast<long long>(table.size() - first_row);
    if (job.count_known()) rows = std::min(rows, job.expected());
    if (rows <= 0) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    for (long long r = 0; r < rows; ++r) {
        const std::vector<DifCell>& row = table[first_row + static_cast<std::size_t>(r)];
        for (std::size_t j = 0; j < job.pending.size(); ++j) {
            if (job.pending[j].skip) continue;
            Real v = run.ws.XMISS;
            if (j < row.size() && !row[j].text && !row[j].missing) v = row[j].value;
            job.pending[j].values.push(v);
        }
    }
    job.count = rows;
    if (job.count_known() && rows < job.expected()) {
        for (PendingVariable& var : job.pending)
            while (var.values.size() < job.expected()) var.values.push(0);
        job.count = job.expected();
        less_data(run);
    }
    return true;
}

} // namespace tarvex
