// Reading the numbers a name option points at, column after column as the work area holds them.
#include "regress/fit/named_matrix.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

void read_matrix_elements(Run& run, const VarInfo& info, NamedMatrix& matrix) {
    const long long cols = info.type == TYPE_DATA ? 1 : std::max(info.ncol, 1);
    const bool packed = (info.type == TYPE_SYMMETRIC || info.type == TYPE_TRIANGLE) &&
                        info.length == cols * (cols + 1) / 2 && info.length != cols * cols;
    const long long rows = packed ? cols : info.length / cols;
    matrix.rows = rows, matrix.cols = cols;
    matrix.values.assign(std::size_t(rows * cols), Real(0));
    for (long long r = 0; r < rows; ++r)
        for (long long c = 0; c < cols; ++c) {
            long long k = c * rows + r + 1; // column after column
            if (packed) {
                const long long hi = std::max(r, c), lo = std::min(r, c);
                k = hi * (hi + 1) / 2 + lo + 1;
            }
            if (packed && info.type == TYPE_TRIANGLE && c > r) continue; // zero above
            matrix.values[std::size_t(r * cols + c)] = element(run, info, k);
        }
}

bool read_named_matrix(Run& run, const std::string& keyword, const std::string& name, int err,
                       NamedMatrix& matrix) {
    const std::string trimmed = trim_trailing_blanks(name);
    const int ref = VFIND(run, trimmed);
    VarInfo info;
    if (ref <= 0 || !VINFO(run, ref, info) || info.type > TYPE_TRIANGLE || info.length < 1) {
        report_error(
            run, " ...ERROR.." + keyword + "= VARIABLE " + first_8_padded(trimmed) + " NOT FOUND",
            err);
        return false;
    }
    read_matrix_elements(run, info, matrix);
    return true;
}

} // namespace tarvex
