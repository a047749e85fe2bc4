// DIF output: the Data Interchange Format header (TABLE, VECTORS, TUPLES, DATA), an optional
// row of names, one row per observation with a numeric or string pair per variable, and EOD.
// Only observation-indexed items (data series, columns, character variables) make columns.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/print_request.hpp"
#include "io/print_write_errors.hpp"
#include "io/real_text.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

namespace tarvex {

bool write_dif(Run& run, const PrintRequest& req, const OutputSink& out) {
    for (const PrintItem& item : req.items) {
        if (item.series() || item.ref < 0 || item.info.type == TYPE_DATA) continue;
        report_error(run, " ...ERROR..DIF OUTPUT TAKES DATA SERIES ONLY: " + item.name,
                     command_error_number(run, PW_DIF_SERIES_ONLY));
        return false;
    }
    // Rows: the observations of the longest item.
    const PrintItem* longest = nullptr;
    for (const PrintItem& item : req.items)
        if (!longest || item.info.length > longest->info.length) longest = &item;
    const std::vector<long long> rows =
        longest ? observations(run, req, *longest) : std::vector<long long>();

    out.line("TABLE");
    out.line("0,1");
    out.line("\"\"");
    out.line("VECTORS");
    out.line("0," + fmt_I(static_cast<long long>(req.items.size()), 8));
    out.line("\"\"");
    out.line("TUPLES");
    out.line("0," + fmt_I(static_cast<long long>(rows.size()), 8));
    out.line("\"\"");
    out.line("DATA");
    out.line("0,0");
    out.line("\"\"");
    if (req.names) {
        out.line("-1,0");
        out.line("BOT");
        for (const PrintItem& item : req.items) {
            out.line("1,0");
            out.line("\"" + item.name + "\"");
        }
    }
    for (long long t : rows) {
        out.line("-1,0");
        out.line("BOT");
        for (const PrintItem& item : req.items) {
            // A scalar has its one value in every row; a shorter series gives empty cells.
            const long long k = item.series() ? t : 1;
            if (k > item.info.length && item.ref > 0) {
                out.line("1,0");
                out.line("\"\"");
                continue;
            }
            const Real word = item_value(run, item, k);
            if (item.info.type == TYPE_CHAR_VAR) {
                out.line("1,0");
                out.line("\"" + trim_trailing_blanks(element_to_chars(word)) + "\"");
            } else {
                out.line("0," + exact_real_text(word));
                out.line("V");
            }
        }
    }
    out.line("-1,0");
    out.line("EOD");
    return true;
}

} // namespace tarvex
