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

bool is_vector_of(const InputMatrix& m, long long n) {
    return (m.rows == n && m.cols == 1) || (m.rows == 1 && m.cols == n);
}

bool input_shape_error(Run& run, const InputMatrix& m, const std::string& wanted,
                       const InputErrors& errors) {
    report_error(run,
                 " ...ERROR.." + m.name + " IS " + std::to_string(m.rows) + " BY " +
                     std::to_string(m.cols) + ", NOT " + wanted,
                 errors.shape);
    return false;
}

namespace {

// An optional vector of n values named by option `keyword`; `fill` when the option is blank.
bool read_optional_vector(Run& run, const char* keyword, const std::string& name, long long n,
                          const char* what, Real fill, const InputErrors& errors,
                          std::vector<Real>& out, std::vector<int>& inputs) {
    out.assign(std::size_t(n), fill);
    if (name_blank(name)) return true;
    InputMatrix m;
    int ref = 0;
    if (!read_option_matrix(run, keyword, name, errors, m, ref)) return false;
    inputs.push_back(ref);
    if (!is_vector_of(m, n))
        return input_shape_error(run, m, "A VECTOR OF " + std::to_string(n) + " " + what, errors);
    out = std::move(m.values);
    return true;
}

} // namespace

bool read_program_limits(Run& run, const ProgramLimitNames& names, long long rows, long long cols,
                         Real default_lower, const ProgramLimitErrors& errors, ProgramLimits& out,
                         std::vector<int>& inputs) {
    const Real no_bound = 1e30Q;
    std::vector<Real> types, lower, upper;
    if (!read_optional_vector(run, "TYPES", names.types, rows, "ROW TYPES", Real(-1), errors.input,
                              types, inputs) ||
        !read_optional_vector(run, "LOWER", names.lower, cols, "LOWER BOUNDS", default_lower,
                              errors.input, lower, inputs) ||
        !read_optional_vector(run, "UPPER", names.upper, cols, "UPPER BOUNDS", no_bound,
                              errors.input, upper, inputs))
        return false;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const Real t = types[i];
        if (t != -1 && t != 0 && t != 1) {
            report_error(run,
                         " ...ERROR..TYPES CODE OF ROW " + std::to_string(i + 1) +
                             " IS NOT -1 (<=), 0 (=) OR 1 (>=)",
                         errors.types);
            return false;
        }
        out.sense.push_back(t < 0   ? RowSense::AT_MOST
                            : t > 0 ? RowSense::AT_LEAST
                                    : RowSense::EQUAL);
    }
    const Real inf = __builtin_huge_valq();
    for (std::size_t j = 0; j < std::size_t(cols); ++j) {
        out.lower.push_back(lower[j] <= -no_bound ? -inf : lower[j]);
        out.upper.push_back(upper[j] >= no_bound ? inf : upper[j]);
        if (out.lower[j] > out.upper[j]) {
            report_error(run,
                         " ...ERROR..LOWER BOUND OF VARIABLE " + std::to_string(j + 1) +
                             " IS ABOVE ITS UPPER BOUND",
                         errors.bounds);
            return false;
        }
    }
    return true;
}

} // namespace tarvex
