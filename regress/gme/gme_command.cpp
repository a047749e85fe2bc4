// GME depvar indeps / options: reads and checks the options, the list and the supports, gathers
// the rows, and hands the data to the estimator and then the report.
#include "regress/gme/gme_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/named_matrix.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/gme/gme_errors.hpp"
#include "regress/gme/gme_estimate.hpp"
#include "regress/gme/gme_options.hpp"
#include "regress/gme/gme_report.hpp"
#include "regress/gme/gme_result.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

// The 3-sigma rule spreads the error support over +-3 standard deviations of y.
const Real GME_SIGMA_RULE = 3;

bool check_gme_options(Run& run, const GmeOptions& o) {
    if (o.EPOINTS < 2 || o.EPOINTS > 101)
        return option_out_of_range(run, "EPOINTS", o.EPOINTS,
                                   "THE ERROR SUPPORT TAKES 2 TO 101 POINTS");
    if (name_blank(o.BSUPPORT)) {
        report_error(run,
                     " ...ERROR..GME NEEDS THE COEFFICIENTS' SUPPORT POINTS: BSUPPORT=matrix (K BY "
                     "M, OR ONE ROW OF M FOR EVERY COEFFICIENT)",
                     ERR_GME_NO_BSUPPORT);
        return false;
    }
    return check_iteration_options(run, o, {}, ERR_GME_OPTION) &&
           check_name_options(run, gme_option_table(), ERR_GME_OPTION);
}

// BSUPPORT= as K rows of M points: a K by M matrix, or one row (or column) of M for every
// coefficient. Each row must spread (its points not all equal).
bool gme_coefficient_support(Run& run, const GmeOptions& o, const EstimationEquation& eq,
                             GmeData& d) {
    NamedMatrix m;
    if (!read_named_matrix(run, "BSUPPORT", o.BSUPPORT, ERR_GME_NOT_FOUND, m)) return false;
    const long long k = (long long)eq.terms.size();
    const bool common = (m.rows == 1 || m.cols == 1) && !(m.rows == k && m.cols > 1);
    const long long points = common ? std::max(m.rows, m.cols) : m.cols;
    if ((!common && m.rows != k) || points < 2) {
        report_error(run,
                     " ...ERROR..BSUPPORT= MATRIX " +
                         first_8_padded(trim_trailing_blanks(o.BSUPPORT)) + " IS" +
                         fmt_I(m.rows, 6) + " BY" + fmt_I(m.cols, 6) + ": IT MUST BE" +
                         fmt_I(k, 4) + " BY M (ONE ROW PER COEFFICIENT), OR 1 BY M, M 2 OR MORE",
                     ERR_GME_BSUPPORT_SHAPE);
        return false;
    }
    d.points = int(points);
    d.bsupport.clear();
    for (long long c = 0; c < k; ++c) {
        Real low = 0, high = 0;
        for (long long j = 0; j < points; ++j) {
            const Real z = common ? m.values[std::size_t(j)] : m.at(c, j);
            low = j == 0 ? z : std::min(low, z), high = j == 0 ? z : std::max(high, z);
            d.bsupport.push_back(z);
        }
        if (!(high > low)) {
            report_error(run,
                         " ...ERROR..THE SUPPORT POINTS OF " +
                             trim_trailing_blanks(eq.terms[std::size_t(c)].name) +
                             " ARE ALL EQUAL: A SUPPORT MUST SPREAD",
                         ERR_GME_BSUPPORT_FLAT);
            return false;
        }
    }
    return true;
}

// The error support: ESUPPORT= as given, else J points evenly from -3 s to 3 s (s the standard
// deviation of y). Either way it must hold values below and above 0.
bool gme_error_support(Run& run, const GmeOptions& o, GmeData& d, Real& sigma) {
    sigma = 0;
    if (!name_blank(o.ESUPPORT)) {
        NamedMatrix m;
        if (!read_named_matrix(run, "ESUPPORT", o.ESUPPORT, ERR_GME_NOT_FOUND, m)) return false;
        d.esupport = m.values;
    } else {
        const std::size_t n = d.y.size();
        Real sum = 0, squares = 0, largest = 0;
        for (Real v : d.y) sum += v, largest = std::max(largest, qm::abs(v));
        const Real mean = sum / Real(n);
        for (Real v : d.y) squares += (v - mean) * (v - mean);
        sigma = qm::sqrt(squares / Real(n - 1));
        // A spread at the rounding level of y's values is no spread.
        if (!(sigma > 1e-30Q * largest)) {
            report_error(run,
                         " ...ERROR..THE DEPENDENT VARIABLE IS CONSTANT: THE 3-SIGMA ERROR "
                         "SUPPORT IS EMPTY (GIVE ESUPPORT=)",
                         ERR_GME_CONSTANT_Y);
            return false;
        }
        const int j = o.EPOINTS;
        d.esupport.clear();
        for (int i = 0; i < j; ++i)
            d.esupport.push_back(GME_SIGMA_RULE * sigma * (Real(2 * i) / Real(j - 1) - 1));
    }
    const auto [low, high] = std::minmax_element(d.esupport.begin(), d.esupport.end());
    if (d.esupport.size() < 2 || !(*low < 0) || !(*high > 0)) {
        report_error(run,
                     " ...ERROR..ESUPPORT= " + first_8_padded(trim_trailing_blanks(o.ESUPPORT)) +
                         " MUST HOLD POINTS BELOW AND ABOVE 0: EVERY ERROR'S SUPPORT SURROUNDS 0",
                     ERR_GME_ESUPPORT);
        return false;
    }
    return true;
}

} // namespace

void cmd_gme(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " GME");
    set_gme_defaults(run);
    if (!OPTION(run, gme_option_table())) return;
    const GmeOptions o = read_gme_options(run);
    if (!check_gme_options(run, o)) return;
    EstimationEquation eq;
    if (!read_estimation_equation(run, "GME", o.CONSTANT, ERR_GME_NO_LIST, ERR_GME_BOTH_SIDES, eq))
        return;
    GmeData d;
    if (!gme_coefficient_support(run, o, eq, d)) return;
    ListRows rows;
    if (!gather_equation_rows(run, eq, eq.terms, o.BEG, o.END, rows)) return;
    const std::size_t n = rows.obs.size(), k = eq.terms.size();
    if (n <= k) {
        report_error(run,
                     " ...ERROR.." + fmt_I((long long)n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" +
                         fmt_I((long long)k, 4) + " COEFFICIENTS",
                     ERR_GME_TOO_FEW);
        return;
    }
    d.y = std::move(rows.y);
    d.x = std::move(rows.x);
    Real sigma = 0;
    if (!gme_error_support(run, o, d, sigma)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    GmeControl control;
    control.max_iterations = o.MAXIT;
    control.tolerance = o.CONVERGE;
    GmeEstimate e = estimate_gme(d, control);
    if (e.end == GmeEnd::NO_OPTIMUM) {
        report_estimation_failure(
            run, {" ...ERROR..NO ENTROPY MAXIMUM AFTER" + fmt_I(e.iterations, 5) +
                      " NEWTON ITERATIONS: THE SUPPORTS CANNOT REPRODUCE " +
                      trim_trailing_blanks(eq.dep_name) + " (WIDEN BSUPPORT= OR ESUPPORT=)",
                  ERR_GME_NO_OPTIMUM});
        return;
    }
    if (e.end == GmeEnd::SINGULAR) {
        report_estimation_failure(
            run, {" ...ERROR..THE REGRESSORS ARE LINEARLY DEPENDENT: X'X IS SINGULAR AND THE "
                  "ESTIMATES HAVE NO COVARIANCE",
                  ERR_GME_SINGULAR});
        return;
    }
    ModelResult result = gme_model_result(d, e);
    name_equation(run, "GME", eq, {}, result.record);
    result.record.intercept = o.CONSTANT;
    report_gme(run, eq, d, e, result, sigma, o);
    store_model_result(run, std::move(result), o.out);
}

} // namespace tarvex
