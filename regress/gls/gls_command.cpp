// GLS depvar indeps / OMEGA=matrix or VARIANCE=series. Reads and checks the options and the
// list, gathers the rows, reads the given covariance (N x N over the N observations in use) or
// the variances at those observations, and hands them to the estimator and then the report.
#include "regress/gls/gls_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/gls/gls_errors.hpp"
#include "regress/gls/gls_estimate.hpp"
#include "regress/gls/gls_options.hpp"
#include "regress/gls/gls_report.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

// Two elements a_ij and a_ji of OMEGA= further apart than this fraction of the largest element
// make the matrix not symmetric (a matrix computed by MATRIX may differ in the last bits).
const Real SYMMETRY_TOLERANCE = 1e-20Q;

bool check_options(Run& run, const GlsOptions& o) {
    if (!check_name_options(run, gls_option_table(), ERR_GLS_OPTION)) return false;
    if (name_blank(o.OMEGA) == name_blank(o.VARIANCE)) {
        report_error(run, " ...ERROR..GLS NEEDS EITHER OMEGA= (A MATRIX) OR VARIANCE= (A SERIES)",
                     ERR_GLS_NO_COVARIANCE);
        return false;
    }
    return true;
}

// The variable named by an option, or 0 (reported).
int named_variable(Run& run, const char* option, const std::string& name, VarInfo& info) {
    const std::string trimmed = trim_trailing_blanks(name);
    const int ref = VFIND(run, trimmed);
    if (ref <= 0 || !VINFO(run, ref, info) || info.type > TYPE_TRIANGLE) {
        report_error(run,
                     std::string(" ...ERROR..") + option + " VARIABLE " + first_8_padded(trimmed) +
                         " NOT FOUND",
                     ERR_GLS_NOT_FOUND);
        return 0;
    }
    return ref;
}

// OMEGA= as an n x n row-major matrix; false (reported) when it has another shape or is not
// symmetric.
bool read_omega(Run& run, const std::string& name, std::size_t n, std::vector<Real>& omega) {
    VarInfo info;
    if (named_variable(run, "OMEGA=", name, info) == 0) return false;
    const long long cols = info.ncol;
    const bool packed = (info.type == TYPE_SYMMETRIC || info.type == TYPE_TRIANGLE) &&
                        info.length == cols * (cols + 1) / 2 && info.length != cols * cols;
    const long long rows = packed ? cols : cols > 0 ? info.length / cols : 0;
    if (info.type == TYPE_DATA || rows != (long long)n || cols != (long long)n) {
        report_error(run,
                     " ...ERROR..OMEGA= MATRIX " + first_8_padded(trim_trailing_blanks(name)) +
                         " IS" + fmt_I(rows, 6) + " BY" + fmt_I(cols, 6) + ", NOT" +
                         fmt_I((long long)n, 6) + " BY" + fmt_I((long long)n, 6) +
                         " (THE OBSERVATIONS IN USE)",
                     ERR_GLS_DIMENSION);
        return false;
    }
    omega.assign(n * n, Real(0));
    Real largest = 0;
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            Real v;
            if (packed) {
                const std::size_t r = std::max(i, j), c = std::min(i, j);
                v = element(run, info, (long long)(r * (r + 1) / 2 + c + 1));
            } else {
                v = element(run, info, (long long)(j * n + i + 1)); // column after column
            }
            omega[i * n + j] = v;
            largest = std::max(largest, qm::abs(v));
        }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < i; ++j) {
            Real& a = omega[i * n + j];
            Real& b = omega[j * n + i];
            if (qm::abs(a - b) > SYMMETRY_TOLERANCE * largest) {
                report_error(run,
                             " ...ERROR..OMEGA= MATRIX " +
                                 first_8_padded(trim_trailing_blanks(name)) +
                                 " IS NOT SYMMETRIC: ELEMENT" + fmt_I((long long)i + 1, 6) + "," +
                                 fmt_I((long long)j + 1, 6),
                             ERR_GLS_NOT_SYMMETRIC);
                return false;
            }
            a = b = (a + b) / 2;
        }
    return true;
}

} // namespace

void cmd_gls(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " GLS");
    set_estimator_defaults(run, gls_option_table());
    if (!OPTION(run, gls_option_table())) return;
    const GlsOptions o = read_gls_options(run);
    if (!check_options(run, o)) return;
    EstimationEquation eq;
    if (!read_estimation_equation(run, "GLS", o.CONSTANT, ERR_GLS_NO_LIST, ERR_GLS_BOTH_SIDES, eq))
        return;

    std::vector<OlsTerm> gathered(eq.terms);
    const bool diagonal = !name_blank(o.VARIANCE);
    if (diagonal) {
        VarInfo info;
        OlsTerm v;
        v.ref = named_variable(run, "VARIANCE=", o.VARIANCE, info);
        if (v.ref == 0) return;
        v.name = first_8_padded(trim_trailing_blanks(o.VARIANCE));
        gathered.push_back(v);
    }
    ListRows rows;
    if (!gather_equation_rows(run, eq, gathered, o.BEG, o.END, rows)) return;
    const std::size_t n = rows.obs.size(), k = eq.terms.size();
    if (n <= k) {
        report_error(run,
                     " ...ERROR.." + fmt_I((long long)n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" +
                         fmt_I((long long)k, 4) + " COEFFICIENTS",
                     ERR_GLS_TOO_FEW);
        return;
    }
    GlsData data;
    if (diagonal) {
        data.variances = std::move(rows.x.back());
        rows.x.pop_back();
        for (std::size_t i = 0; i < n; ++i)
            if (!(data.variances[i] > 0)) {
                report_error(run,
                             " ...ERROR..VARIANCE " +
                                 first_8_padded(trim_trailing_blanks(o.VARIANCE)) + " IS " +
                                 real_to_string(data.variances[i], 12) + " AT OBSERVATION" +
                                 fmt_I(rows.obs[i], 10) + ": IT MUST BE POSITIVE",
                             ERR_GLS_VARIANCE);
                return;
            }
    } else if (!read_omega(run, o.OMEGA, n, data.omega)) {
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    data.y = std::move(rows.y);
    data.x = std::move(rows.x);
    data.intercept = o.CONSTANT ? int(k) - 1 : -1;
    GlsEstimate e = estimate_gls(data);
    if (e.end == GlsEnd::NOT_DEFINITE) {
        report_estimation_failure(
            run, {" ...ERROR..OMEGA= MATRIX " + first_8_padded(trim_trailing_blanks(o.OMEGA)) +
                      " IS SINGULAR OR NOT POSITIVE DEFINITE (ROW" + fmt_I(e.bad_row + 1, 6) + ")",
                  ERR_GLS_NOT_DEFINITE});
        return;
    }
    if (e.end == GlsEnd::DEPENDENT) {
        const std::string which = e.bad_column >= 0 && e.bad_column < int(k)
                                      ? trim_trailing_blanks(eq.terms[e.bad_column].name)
                                      : std::string("A REGRESSOR");
        report_estimation_failure(
            run,
            {" ...ERROR.." + which + " IS NOT IDENTIFIED (A COMBINATION OF THE OTHER REGRESSORS)",
             ERR_GLS_SINGULAR});
        return;
    }
    if (e.end == GlsEnd::OUT_OF_RANGE) {
        const std::string which = e.bad_column < int(k)
                                      ? trim_trailing_blanks(eq.terms[e.bad_column].name)
                                      : trim_trailing_blanks(eq.dep_name);
        report_estimation_failure(run, {values_out_of_range(which, e.too_large), ERR_GLS_RANGE});
        return;
    }
    if (e.end == GlsEnd::EXACT_FIT) {
        report_estimation_failure(run, {" ...ERROR..THE REGRESSORS FIT " +
                                            trim_trailing_blanks(eq.dep_name) +
                                            " EXACTLY: THERE IS NO VARIANCE TO ESTIMATE",
                                        ERR_GLS_EXACT_FIT});
        return;
    }
    name_equation(run, "GLS", eq, {}, e.result.record);
    report_gls(run, eq, e, o);
    store_model_result(run, std::move(e.result), o.out);
}

} // namespace tarvex
