// Reading the matrices LP, GAMES, QP and PORTFOLI take: the shared element reader, then the
// checks these programs need.
#include "regress/lp/lp_inputs.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/named_matrix.hpp"
#include "workspace/workspace.hpp"

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
    NamedMatrix m;
    read_matrix_elements(run, info, m);
    out.rows = m.rows, out.cols = m.cols;
    out.values = std::move(m.values);
    const Real missing = run.res[R_MISS];
    for (long long i = 0; i < out.rows; ++i)
        for (long long j = 0; j < out.cols; ++j) {
            const Real v = out.values[std::size_t(i * out.cols + j)];
            if (v == missing || qm::isinf(v) || v != v) {
                report_error(run,
                             " ...ERROR.." + out.name + " HOLDS A MISSING VALUE AT ROW " +
                                 std::to_string(i + 1) + ", COLUMN " + std::to_string(j + 1),
                             errors.missing);
                return false;
            }
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
