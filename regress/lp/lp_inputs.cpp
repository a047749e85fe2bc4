// Reading the matrices LP and GAMES take.
#include "regress/lp/lp_inputs.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

bool read_input_matrix(Run& run, int ref, const std::string& name, const InputErrors& errors,
                       InputMatrix& out) {
    out.name = trim_trailing_blanks(name);
    VarInfo info;
    if (ref == 0 || !VINFO(run, ref, info) || info.type > TYPE_TRIANGLE) {
        report_error(run, " ...ERROR.." + out.name + " IS NOT A NUMERIC VARIABLE",
                     errors.not_numeric);
        return false;
    }
    const long long cols = std::max(info.ncol, 1);
    const bool packed = (info.type == TYPE_SYMMETRIC || info.type == TYPE_TRIANGLE) &&
                        info.length == cols * (cols + 1) / 2 && info.length != cols * cols;
    const bool matrix = info.type != TYPE_DATA;
    out.cols = matrix ? cols : 1;
    out.rows = packed ? cols : matrix ? info.length / cols : info.length;
    out.values.assign(std::size_t(out.rows * out.cols), Real(0));
    const Real missing = run.res[R_MISS];
    for (long long i = 0; i < out.rows; ++i)
        for (long long j = 0; j < out.cols; ++j) {
            Real v;
            if (packed) {
                const long long r = std::max(i, j), c = std::min(i, j);
                v = element(run, info, r * (r + 1) / 2 + c + 1);
            } else {
                v = element(run, info, j * out.rows + i + 1); // column after column
            }
            if (v == missing || qm::isinf(v) || v != v) {
                report_error(run,
                             " ...ERROR.." + out.name + " HOLDS A MISSING VALUE AT ROW " +
                                 std::to_string(i + 1) + ", COLUMN " + std::to_string(j + 1),
                             errors.missing);
                return false;
            }
            out.values[std::size_t(i * out.cols + j)] = v;
        }
    return true;
}

bool read_option_matrix(Run& run, const char* keyword, const std::string& name,
                        const InputErrors& errors, InputMatrix& out, int& ref) {
    const std::string trimmed = trim_trailing_blanks(name);
    ref = VFIND(run, trimmed);
    if (ref == 0) {
        report_error(run,
                     std::string(" ...ERROR..") + keyword + "=" + trimmed +
                         " IS NOT A NUMERIC VARIABLE",
                     errors.not_numeric);
        return false;
    }
    return read_input_matrix(run, ref, trimmed, errors, out);
}

} // namespace tarvex
