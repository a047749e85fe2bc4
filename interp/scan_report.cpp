// What the statement scanner writes besides its one-line messages: the syntax error with the
// statement and "$" under the failing column, and the scan dump under the DUMP switch.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "interp/scan_parts.hpp"
#include "interp/scanner.hpp"
#include "numeric/fortran_format.hpp"

#include <algorithm>

namespace tarvex {

namespace {
inline constexpr int ERR_SYNTAX = 1016;
} // namespace

void report_syntax_error(Run& run, std::size_t column) {
    run.flags.OERR = true;
    report_error(run, " ...ERROR..SYNTAX ERROR", ERR_SYNTAX);
    const std::string& text = run.cmd.text;
    const std::size_t width = LINE_WIDTH;
    const std::size_t chunks = std::max<std::size_t>(1, (text.size() + width - 1) / width);
    const std::size_t marked = std::min(column, chunks * width - 1);
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        const std::size_t begin = chunk * width;
        write_line(run, begin < text.size() ? text.substr(begin, width) : std::string());
        if (marked / width == chunk) write_line(run, std::string(marked % width, ' ') + "$");
    }
}

void dump_scan_block(Run& run) {
    const ScanBlock& scan = run.scan;
    write_line(run, " SCANIT  NF=" + fmt_I(scan.NF, 6) + " NOPS=" + fmt_I(scan.NOPS, 3) +
                        " NWORDS=" + fmt_I(scan.NWORDS, 6) + " NEWV=" + fmt_I(scan.NEWV, 6) +
                        " NFPAR=" + fmt_I(scan.NFPAR, 3) + " INPAR=" + fmt_I(scan.INPAR, 6));
    if (!scan.filename.empty()) write_line(run, "   FILE=" + scan.filename);
    for (int k = 1; k <= scan.NF; ++k)
        write_line(run, "   ITEM" + fmt_I(k, 6) + "  REF=" + fmt_I(scan.list[k], 12) +
                            "  LAG=" + fmt_I(scan.list[scan.MAXVAR + k], 12));
    for (int k = 1; k <= scan.NOPS; ++k)
        write_line(run, "   WORD" + fmt_I(k, 3) + "  " + scan.words[k] + "  " + scan.full_words[k]);
}

} // namespace tarvex
