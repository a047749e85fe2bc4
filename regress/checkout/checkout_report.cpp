// Report lines of CHECKOUT, column by column as the command prints them.
#include "regress/checkout/checkout_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

// A value inside the text of a finding: eight significant digits, without the blanks of the field.
std::string value_text(Real v) {
    return trim_blanks(fmt_G(v, 16, 8));
}

std::string dates_text(const std::string& first, const std::string& last) {
    return first.empty() ? std::string() : " (" + first + " TO " + last + ")";
}

std::string finding_text(const std::vector<CheckedSeries>& series, const Finding& f) {
    switch (f.kind) {
    case FindingKind::MISSING:
        return "MISSING CODE AT" + fmt_I(f.count, 7) + " OBS., THE FIRST AT OBS." +
               fmt_I(f.first, 7);
    case FindingKind::CONSTANT:
        return "CONSTANT: ALL" + fmt_I(f.count, 7) + " VALUES ARE " + value_text(f.value);
    case FindingKind::DUPLICATE:
        return "THE SAME VALUES AS " + trim_trailing_blanks(series[std::size_t(f.other)].name);
    case FindingKind::BELOW:
        return "BELOW LOWER=" + value_text(f.value) + " AT" + fmt_I(f.count, 7) +
               " OBS., THE FIRST AT OBS." + fmt_I(f.first, 7);
    case FindingKind::ABOVE:
        return "ABOVE UPPER=" + value_text(f.value) + " AT" + fmt_I(f.count, 7) +
               " OBS., THE FIRST AT OBS." + fmt_I(f.first, 7);
    case FindingKind::LENGTH:
        return "LENGTH" + fmt_I(f.count, 7) + ": THE LONGEST SERIES HAS" + fmt_I(f.last, 7) +
               " OBS.";
    case FindingKind::GAP:
    case FindingKind::VIF:
    case FindingKind::CONDITION:
        break;
    }
    return std::string();
}

} // namespace

void report_checkout_heading(Run& run, int series, const CheckedRange& range) {
    write_line(run, " CHECKOUT OF" + fmt_I(series, 5) + " SERIES OVER OBS." + fmt_I(range.beg, 7) +
                        " TO" + fmt_I(range.end, 7) + dates_text(range.beg_date, range.end_date) +
                        "," + fmt_I(range.in_use, 7) + " IN USE");
    write_line(run, " NAME      FINDING");
}

void report_series_findings(Run& run, const std::vector<CheckedSeries>& series,
                            const std::vector<Finding>& findings) {
    for (int j = 0; j < int(series.size()); ++j) {
        const std::string name = " " + fmt_A(series[std::size_t(j)].name, 8) + "  ";
        bool clean = true;
        for (const Finding& f : findings) {
            if (f.series != j) continue;
            write_line(run, name + finding_text(series, f));
            clean = false;
        }
        if (clean) write_line(run, name + "NO PROBLEM FOUND");
    }
}

void report_gap(Run& run, const Finding& gap, const std::string& first_date,
                const std::string& last_date) {
    write_line(run, " SAMPLE    GAP OF" + fmt_I(gap.count, 7) + " OBS.:" + fmt_I(gap.first, 7) +
                        " TO" + fmt_I(gap.last, 7) + dates_text(first_date, last_date) +
                        " OUTSIDE THE RANGES");
}

void report_collinearity(Run& run, const CollinearityShown& c) {
    write_line(run, " ");
    write_line(run, " COLLINEARITY OF THE REGRESSORS OF THE LAST ESTIMATION (" + c.command +
                        " OF " + trim_trailing_blanks(c.dependent) + ", N=" + fmt_I(c.n, 7) + ")");
    write_line(run, " REGRESSOR             VIF");
    for (std::size_t j = 0; j < c.names.size(); ++j) {
        std::string line = " " + fmt_A(c.names[j], 8);
        if (c.constant[j]) {
            write_line(run, line);
            continue;
        }
        if (c.singular) {
            write_line(run, line + "        INFINITE");
            continue;
        }
        line += fmt_G(c.vif[j], 16, 8);
        if (c.vif[j] > c.vif_max) line += "  ABOVE VIFMAX=" + value_text(c.vif_max);
        write_line(run, trim_trailing_blanks(line));
    }
    std::string line = " CONDITION NUMBER (COLUMNS SCALED TO UNIT LENGTH):";
    if (c.singular) {
        write_line(run, line + " INFINITE: A REGRESSOR IS A COMBINATION OF THE OTHERS");
        return;
    }
    line += fmt_G(c.condition, 16, 8);
    if (c.condition > c.condition_max) line += "  ABOVE CONDMAX=" + value_text(c.condition_max);
    write_line(run, trim_trailing_blanks(line));
}

void report_checkout_total(Run& run, long long findings, long long with_findings, int series) {
    write_line(run, " ");
    write_line(run, " FINDINGS:" + fmt_I(findings, 7) + "   SERIES WITH FINDINGS:" +
                        fmt_I(with_findings, 5) + " OF" + fmt_I(series, 5));
}

} // namespace tarvex
