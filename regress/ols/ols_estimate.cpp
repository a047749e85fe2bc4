// The OLS estimator: notes the estimation heading, loads the observations in use (lags, logs,
// weights; on long samples the regressors are read where they lie for the exact cross-product
// fit of GS and NORMAL, else gathered), notes a dummy dependent variable and constant
// regressors, solves by the chosen method, forms sigma**2 and the coefficient covariance
// (robust forms on request), the auxiliary R-squares, the influence diagnostics, the recursive
// residuals and the summary numbers. It works on what the front end read (ols_inputs.cpp) and
// writes no report line: OLSEST hands what it returns to the report.
#include "regress/ols/ols_estimation.hpp"

#include "core/switches.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/gram_residuals.hpp"
#include "kernels/long_run_covariance.hpp"
#include "kernels/sandwich_covariance.hpp"
#include "kernels/value_range.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/fused_axpy.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/ols/lag_polynomial.hpp"
#include "regress/ols/ols_columns.hpp"
#include "regress/ols/ols_command.hpp"
#include "regress/ols/ols_durbin_watson.hpp"
#include "regress/ols/ols_estimate_steps.hpp"
#include "regress/ols/ols_influence.hpp"
#include "regress/ols/recursive_residuals.hpp"
#include "regress/ols/restrict_estimation.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Records the error that ends the estimation; returns false for the caller to pass on.
bool ended_by(OlsEstimate& e, std::string line, int number) {
    e.result.fail(std::move(line), number);
    return false;
}

// Ends the estimation on a failure the front end met (none: goes on).
bool ended_by(OlsEstimate& e, const EstimationFailure& failure) {
    if (failure.line.empty() && failure.number == 0) return true;
    return ended_by(e, failure.line, failure.number);
}

// The regressors read in place copied to fit.x (N x K, column after column) at the rows in use.
void copy_placed_columns(OlsEstimate& e) {
    OlsFit& fit = e.fit;
    const int n = fit.n;
    fit.x.assign(std::size_t(n) * fit.k, 0);
    std::vector<Real> scratch;
    for (int j = 0; j < fit.k; ++j) {
        const Real* column = rows_of_column(e.columns, j, scratch);
        std::copy(column, column + n, fit.x.begin() + std::ptrdiff_t(std::size_t(j) * n));
    }
}

// The regressors read in place gathered, the gathered solvers to take over.
void gather_placed_columns(OlsEstimate& e) {
    copy_placed_columns(e);
    e.columns = PlacedColumns{};
}

// Drops observations whose weight is zero or missing and scales the kept weights.
void apply_weights(OlsEstimate& e, const std::vector<Real>& weights, Real missing,
                   const OlsOptions& o) {
    OlsFit& fit = e.fit;
    std::vector<int> keep;
    std::vector<Real> w;
    for (int i = 0; i < fit.n; ++i) {
        const Real wi = weights[std::size_t(i)];
        if (wi == missing || wi == 0) {
            note_weight_skipped(e, fit.obs[i]);
            continue;
        }
        keep.push_back(i);
        w.push_back(wi);
    }
    const int n = int(keep.size());
    if (o.NORMALIZ && !o.REPLICAT && n > 0) {
        Real mean = 0;
        for (Real v : w) mean += v;
        mean /= n;
        if (mean != 0)
            for (Real& v : w) v /= mean;
    }
    // The kept rows move up in place (keep[i] >= i); a gathered X is gathered again.
    const bool gathered = !e.columns.placed();
    std::vector<Real> x(gathered ? std::size_t(n) * fit.k : 0);
    for (int i = 0; i < n; ++i) {
        if (gathered)
            for (int j = 0; j < fit.k; ++j)
                x[std::size_t(j) * n + i] = fit.x[std::size_t(j) * fit.n + keep[i]];
        fit.obs[i] = fit.obs[keep[i]];
        fit.y[i] = fit.y[keep[i]];
    }
    fit.obs.resize(n);
    fit.y.resize(n);
    fit.x = std::move(x);
    fit.w = std::move(w);
    fit.n = n;
    if (!gathered) weight_rows(fit, e.columns);
    fit.sum_log_root_w = 0;
    for (Real v : fit.w) fit.sum_log_root_w += qm::log(qm::sqrt(qm::abs(v)));
    Real total = 0;
    if (o.REPLICAT)
        for (Real v : fit.w) total += v;
    note_weight_sums(e, o, total);
}

// Means, standard deviations and sums of squares of the columns and the dependent variable
// (weighted when weights are in use). Without weights every sum is exact and rounded once.
void column_moments(OlsFit& fit, const PlacedColumns& placed) {
    const int n = fit.n;
    std::vector<Real> scratch;
    // Column j at the rows in use, from the work area or the gathered matrix.
    const auto column = [&](int j) {
        return placed.placed() ? rows_of_column(placed, j, scratch)
                               : fit.x.data() + std::size_t(j) * n;
    };
    fit.xmean.assign(fit.k, 0);
    fit.xsd.assign(fit.k, 0);
    if (fit.w.empty()) {
        auto moments = [&](const Real* v, Real& mean, Real& sd) {
            const MeanAndSquares m = exact_mean_and_centred_squares(v, std::size_t(n));
            mean = m.mean;
            const Real ss = m.centred_squares;
            sd = fit.nobs > 1 ? qm::sqrt(qm::abs(ss / (fit.nobs - 1))) : Real(0);
            return ss;
        };
        for (int j = 0; j < fit.k; ++j) {
            if (fit.terms[j].kind == TermKind::INTERCEPT && n > 0) {
                fit.xmean[j] = 1; // a column of ones: mean 1, no spread
                continue;
            }
            moments(column(j), fit.xmean[j], fit.xsd[j]);
        }
        fit.sst = moments(fit.y.data(), fit.ymean, fit.ysd);
        fit.raw = exact_sum_of_squares(fit.y.data(), std::size_t(n));
        return;
    }
    Real wsum = 0;
    for (int i = 0; i < n; ++i) wsum += fit.w[i];
    auto moments = [&](const Real* v, Real& mean, Real& sd) {
        Real s = 0;
        for (int i = 0; i < n; ++i) s += fit.w[i] * v[i];
        mean = wsum != 0 ? s / wsum : 0;
        Real ss = 0;
        for (int i = 0; i < n; ++i) {
            const Real d = v[i] - mean;
            ss += fit.w[i] * d * d;
        }
        sd = fit.nobs > 1 ? qm::sqrt(qm::abs(ss / (fit.nobs - 1))) : Real(0);
        return ss;
    };
    for (int j = 0; j < fit.k; ++j) moments(column(j), fit.xmean[j], fit.xsd[j]);
    fit.sst = moments(fit.y.data(), fit.ymean, fit.ysd);
    fit.raw = 0;
    for (int i = 0; i < n; ++i) fit.raw += fit.w[i] * fit.y[i] * fit.y[i];
}

// The gathered rows scaled by the square root of the absolute weight (nothing without weights).
void weight_gathered_rows(OlsEstimate& e) {
    const OlsFit& fit = e.fit;
    if (fit.w.empty()) return;
    const int n = fit.n, k = fit.k;
    e.weighted_x = fit.x;
    e.weighted_y = fit.y;
    for (int i = 0; i < n; ++i) {
        const Real r = qm::sqrt(qm::abs(fit.w[i]));
        e.weighted_y[i] *= r;
        for (int j = 0; j < k; ++j) e.weighted_x[std::size_t(j) * n + i] *= r;
    }
}

} // namespace

void note_weight_skipped(OlsEstimate& e, int observation) {
    e.notes.add(NotePlace::DATA, NoteKind::WARNING,
                " ...WARNING..OBSERVATION " + fmt_I(observation, 5) +
                    " SKIPPED AS WEIGHT IS ZERO OR" + "UNDEFINED",
                OMSWRN);
}

void note_weight_sums(OlsEstimate& e, const OlsOptions& o, Real replicated) {
    e.notes.add(NotePlace::DATA, NoteKind::TEXT,
                " SUM OF LOG(SQRT(ABS(WEIGHT)))  =" + fmt_G(e.fit.sum_log_root_w, 13, 5));
    if (o.REPLICAT)
        e.notes.add(NotePlace::DATA, NoteKind::TEXT,
                    " NUMBER OF OBSERVATIONS AFTER REPLICATION =" +
                        fmt_I(static_cast<long long>(qm::round(replicated)), 9));
}

void note_data_warnings(OlsEstimate& e, bool dummy) {
    const OlsFit& fit = e.fit;
    if (dummy)
        e.notes.add(NotePlace::DATA, NoteKind::WARNING,
                    " ...WARNING..DEPENDENT VARIABLE IS DUMMY VARIABLE ...TRY LOGIT or PROBIT",
                    OWARN);
    for (int j = 0; j < fit.k; ++j)
        if (fit.terms[j].kind == TermKind::VARIABLE && fit.xsd[j] == 0)
            e.notes.add(NotePlace::DATA, NoteKind::WARNING,
                        " ...WARNING..VARIABLE " + fit.terms[j].name + " IS A CONSTANT", OWARN);
}

LsSolution gram_solution(const GramFit& gram) {
    LsSolution sol;
    sol.too_few = gram.status == GramStatus::too_few_observations;
    if (gram.status == GramStatus::dependent_column) sol.dependent_column = gram.failed_column + 1;
    if (!gram.ok()) return sol;
    if (gram.out_of_range_column >= 0) {
        sol.out_of_range = gram.out_of_range_column + 1;
        sol.too_large = gram.too_large;
        return sol;
    }
    sol.coef = gram.coef;
    sol.xtx_inv = gram.xtx_inverse; // symmetric: the same read by rows or by columns
    sol.sse = gram.sse;
    return sol;
}

namespace {

// The gathered rows' columns checked as the cross-product solve checks them: a column whose sum
// of squares binary128 cannot hold is named in out_of_range (1-based, K + 1 for y).
LsSolution squares_in_range(const std::vector<Real>& x, const std::vector<Real>& y, int n, int k) {
    LsSolution sol;
    for (int j = 0; j <= k && sol.out_of_range == 0; ++j) {
        const Real* column = j < k ? x.data() + std::size_t(j) * n : y.data();
        const SquaresRange range = squares_range(column, std::size_t(n));
        if (range == SquaresRange::inside) continue;
        sol.out_of_range = j + 1;
        sol.too_large = range == SquaresRange::too_large;
    }
    return sol;
}

// Ends the estimation at the column whose squares lie beyond the binary128 range.
bool ended_out_of_range(OlsEstimate& e, const LsSolution& sol) {
    const OlsFit& fit = e.fit;
    const std::string name =
        sol.out_of_range <= fit.k ? fit.terms[sol.out_of_range - 1].name : fit.dep_name;
    return ended_by(e, values_out_of_range(trim_trailing_blanks(name), sol.too_large),
                    ERR_OUT_OF_RANGE);
}

} // namespace

void note_ols_heading(OlsEstimate& e, const OlsOptions& o) {
    const OlsFit& fit = e.fit;
    ReportNotes& notes = e.notes;
    notes.add(NotePlace::HEADING, NoteKind::TEXT, fmt_A(fit.label, 6) + "ESTIMATION");
    notes.add(NotePlace::HEADING, NoteKind::TEXT,
              fmt_I(fit.n, 9) + " OBSERVATIONS" + fmt_X(5) + "DEPENDENT VARIABLE= " + fit.dep_name);
    if (o.RIDGE != 0)
        notes.add(NotePlace::HEADING, NoteKind::TEXT,
                  "  ESTIMATING RIDGE REGRESSION FOR K=" + fmt_F(o.RIDGE, 11, 8));
    notes.add(NotePlace::HEADING, NoteKind::NOTE,
              " ...NOTE..SAMPLE RANGE SET TO:" + fmt_I(fit.beg, 7) + "," + fmt_I(fit.end, 7));
    if (o.PILAGS) notes.add(NotePlace::HEADING, NoteKind::TEXT, " POLYNOMIAL INVERSE LAG");
}

std::string too_few_observations_line(int n) {
    return " ...ERROR..FEWER OBSERVATIONS THAN VARIABLES:" + fmt_I(n, 10);
}

bool solution_usable(OlsEstimate& e, const LsSolution& sol, const OlsOptions& o) {
    const OlsFit& fit = e.fit;
    if (sol.too_few) return ended_by(e, too_few_observations_line(fit.n), ERR_TOO_FEW_OBSERVATIONS);
    if (sol.out_of_range > 0) return ended_out_of_range(e, sol);
    if (sol.dependent_column != 0 || sol.singular || sol.coef.empty()) {
        if (o.method() != OlsMethod::HH && sol.dependent_column > 0)
            return ended_by(e,
                            std::string(" ...WARNING..THIS USUALLY INDICATES ") +
                                "PERFECT MULTICOLLINEARITY " + "WITH VARIABLE " +
                                fit.terms[sol.dependent_column - 1].name,
                            ERR_COLLINEAR);
        return ended_by(e, fmt_X(10) + " ...ERROR..SINGULAR SYSTEM. NO SOLUTION", ERR_COLLINEAR);
    }
    return true;
}

void classical_covariance(OlsFit& fit, const OlsOptions& o) {
    const int k = fit.k;
    fit.df = o.DN ? fit.nobs : fit.nobs - k + fit.restrictions;
    if (o.INSIG2 > 0) fit.sse = o.INSIG2 * fit.df;
    fit.sigma2 = fit.df > 0 ? fit.sse / fit.df : Real(1);
    fit.sigma = fit.df > 0 ? qm::sqrt(qm::abs(fit.sse / fit.df)) : Real(1);
    const Real scale = o.MULSIGSQ ? fit.sigma * fit.sigma : Real(1);
    fit.cov.assign(std::size_t(k) * k, 0);
    for (std::size_t i = 0; i < fit.cov.size(); ++i) fit.cov[i] = scale * fit.xtx_inv[i];
}

namespace {

// The rows in use: the data rows scaled by the square root of the absolute weight, or the data
// rows themselves without weights (no copy is made).
const std::vector<Real>& rows_x(const OlsEstimate& e) {
    return e.fit.w.empty() ? e.fit.x : e.weighted_x;
}
const std::vector<Real>& rows_y(const OlsEstimate& e) {
    return e.fit.w.empty() ? e.fit.y : e.weighted_y;
}

// Up to the solution; false when an error ended it.
bool solve_ols(OlsEstimate& e, const OlsInputs& in, const OlsOptions& o) {
    OlsFit& fit = e.fit;
    note_ols_heading(e, o);
    if (o.RESTRICT && o.PILAGS)
        return ended_by(e, " ...ERROR..RESTRICTIONS NOT ALLOWED WITH PILAGS", ERR_RESTRICT_PILAGS);
    if (!ended_by(e, in.load_failure) || !ended_by(e, in.cluster_failure)) return false;
    if (fit.weight_ref != 0) apply_weights(e, in.weights, in.missing_value, o);
    const int n = fit.n, k = fit.k;
    fit.nobs = n;
    if (o.REPLICAT) {
        fit.nobs = 0;
        for (Real w : fit.w) fit.nobs += w;
    }

    // Data whose squares binary128 cannot hold stop here, before the moments of the columns
    // report them constant for want of representable squares.
    if (!e.columns.placed()) {
        const LsSolution range = squares_in_range(fit.x, fit.y, n, k);
        if (range.out_of_range > 0) return ended_out_of_range(e, range);
    }
    // Dependent variable made of zeros and ones.
    bool dummy = n > 0;
    for (Real v : fit.y) dummy = dummy && (equal_values(v, 0) || equal_values(v, 1));
    column_moments(fit, e.columns);
    note_data_warnings(e, dummy);

    const std::string too_few = too_few_observations_line(n);
    if (n < k - (o.DLRX ? 0 : lag_polynomial_restrictions(fit.terms)))
        return ended_by(e, too_few, ERR_TOO_FEW_OBSERVATIONS);
    if (!e.columns.placed()) weight_gathered_rows(e);
    LsSolution sol;
    if (e.columns.placed()) {
        const GramFit gram = gram_least_squares(e.columns.data, DEPENDENCE_RATIO);
        if (gram.status == GramStatus::non_finite) {
            // An infinity or NaN: the gathered data and the chosen solver, as always.
            gather_placed_columns(e);
            weight_gathered_rows(e);
        } else {
            sol = gram_solution(gram);
            e.coef_wide = gram.coef_wide;
        }
    }
    if (!e.columns.placed()) {
        sol = squares_in_range(rows_x(e), rows_y(e), n, k);
        if (sol.out_of_range == 0) sol = solve_regression(fit, o, rows_x(e), rows_y(e), e.notes);
    }
    if (!solution_usable(e, sol, o)) return false;
    // The exact test is worked out for the report only.
    if (o.DWPVALUE && o.method() == OlsMethod::HH && in.output_on)
        e.exact_dw = exact_durbin_watson(in.work_area, o, sol, e.notes);
    fit.coef = sol.coef;
    fit.xtx_inv = sol.xtx_inv;
    fit.sse = sol.sse;
    return true;
}

// From the residuals on; false when an error ended it.
bool finish_ols(OlsEstimate& e, const OlsInputs& in, const OlsOptions& o) {
    OlsFit& fit = e.fit;
    const int n = fit.n, k = fit.k;
    const std::vector<Real>& xs = rows_x(e);
    // Given coefficients replace the estimates; residuals and SSE follow from them.
    if (!ended_by(e, in.given_failure)) return false;
    if (in.coef_given) fit.coef = in.given_coef;
    const std::vector<Real>& given_cov = in.given_cov;
    if (e.columns.placed()) {
        // Residuals and predicted values of the columns in place, each the exact value rounded
        // once, written where the rows lie in the range and then moved up to the rows in use.
        // They are those of the unweighted rows; with weights SSE stays the fit's (of the
        // weighted rows).
        fit.fitted.assign(e.columns.span, 0);
        fit.resid.assign(e.columns.span, 0);
        GramColumns unweighted = e.columns.data;
        unweighted.row_scale = nullptr;
        const ResidualSums sums =
            gram_residuals(unweighted, e.coef_wide, fit.resid.data(), fit.fitted.data());
        compact_to_rows(e.columns, fit.fitted);
        compact_to_rows(e.columns, fit.resid);
        if (fit.w.empty()) fit.sse = sums.sse;
        // The sandwich covariances read the regressors row by row (they go without weights).
        if (o.covariance.chosen()) copy_placed_columns(e);
    } else {
        // Predicted values, each row the chain over the columns of x*b steps each rounded once.
        fit.fitted.assign(n, 0);
        fit.resid.assign(n, 0);
        std::vector<const Real*> columns(static_cast<std::size_t>(k));
        for (int j = 0; j < k; ++j) columns[std::size_t(j)] = fit.x.data() + std::size_t(j) * n;
        fused_multiply_add_rows(fit.fitted.data(), fit.coef.data(), columns.data(), std::size_t(k),
                                0, std::size_t(n));
        for (int i = 0; i < n; ++i) fit.resid[i] = fit.y[i] - fit.fitted[i];
    }
    // Residuals of the weighted rows; without weights they are the residuals themselves.
    std::vector<Real> weighted_resid;
    if (!fit.w.empty()) {
        weighted_resid = fit.resid;
        for (int i = 0; i < n; ++i) weighted_resid[i] *= qm::sqrt(qm::abs(fit.w[i]));
    }
    const std::vector<Real>& es = fit.w.empty() ? fit.resid : weighted_resid;
    // 10. Residual variance (fit.sse holds the solver's).
    if (!name_blank(o.INCOEFFI) || fit.restrictions > 0) {
        fit.sse = 0;
        for (Real r : es) fit.sse += r * r;
    }
    classical_covariance(fit, o);
    // Hat values cost N*K*K operations: only for the diagnostics and HATDIAG that use them.
    if (o.INFLUENC || !name_blank(o.HATDIAG)) fit.hat = hat_values(fit, xs);
    // A given covariance matrix (column after column) replaces the computed one.
    if (!given_cov.empty())
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < k; ++j)
                fit.cov[std::size_t(i) * k + j] = given_cov[std::size_t(j) * k + i];
    // 11. Robust covariance.
    if (o.HETCOV && !o.covariance.chosen()) {
        fit.cov = robust_least_squares_covariance(xs, es, fit.xtx_inv, n, k, std::max(o.AUTCOV, 0));
        e.notes.add(NotePlace::COVARIANCE, NoteKind::TEXT,
                    std::string(" USING HETEROSKEDASTICITY-CONSISTENT") + " COVARIANCE MATRIX");
        if (o.AUTCOV > 0) {
            e.notes.add(NotePlace::COVARIANCE, NoteKind::TEXT,
                        std::string(" AND AUTOCORRELATION-CONSISTENT MATRIX WITH") +
                            " ORDER=" + fmt_I(o.AUTCOV, 3));
            e.notes.add(NotePlace::COVARIANCE, NoteKind::TEXT, " BY NEWEY-WEST CORRECTION METHOD");
        }
    }
    // HC1-HC3 or the clustered covariance in place of the computed one.
    if (o.covariance.chosen()) {
        const CovarianceChoice& c = o.covariance;
        if (c.clustered()) {
            std::vector<Real> scores(std::size_t(n) * k);
            for (int j = 0; j < k; ++j)
                for (int i = 0; i < n; ++i)
                    scores[std::size_t(j) * n + i] = xs[std::size_t(j) * n + i] * es[i];
            const int groups = in.clusters.groups;
            fit.cov = clustered_covariance(scores, n, k, in.clusters.group, groups, fit.xtx_inv,
                                           cluster_factor(c, groups, n, k));
            e.notes.add(NotePlace::COVARIANCE, NoteKind::TEXT, covariance_note(c, groups));
        } else {
            const bool leverage =
                c.type == HeteroskedasticType::HC2 || c.type == HeteroskedasticType::HC3;
            const std::vector<Real> hat =
                leverage ? (fit.hat.empty() ? hat_values(fit, xs) : fit.hat) : std::vector<Real>{};
            fit.cov = heteroskedastic_covariance(xs, es, fit.xtx_inv, n, k, c.type, hat);
            e.notes.add(NotePlace::COVARIANCE, NoteKind::TEXT, covariance_note(c, 0));
        }
    }
    // 12. Auxiliary R-squares.
    if (o.AUXRSQR && !o.HETCOV) e.auxiliary = auxiliary_rsquares(fit, xs);
    // 13, 14. Influence diagnostics.
    if (o.INFLUENC) {
        e.has_influence = true;
        e.influence = influence_measures(fit, xs, es);
    }
    if (o.RECURSIV) {
        const RecursiveResiduals rr = recursive_residuals(xs, rows_y(e), n, k);
        e.has_recursive = true;
        e.recursive_first = rr.first;
        e.recursive = recursive_tests(rr);
        fit.recursive.assign(n, in.missing_value);
        for (int i = rr.first; i < n; ++i) fit.recursive[i] = rr.w[i];
    }
    summarise_ols(e, o);
    return true;
}

} // namespace

OlsEstimate estimate_ols(OlsInputs in, const OlsOptions& o) {
    OlsEstimate e;
    e.fit = std::move(in.fit);
    e.columns = std::move(in.columns);
    if (solve_ols(e, in, o) && (!o.RESTRICT || impose_restrictions(e, in.restrictions)) &&
        finish_ols(e, in, o))
        fill_ols_result(e, o, in.output_on);
    return e;
}

ModelResult OlsEstimate::stored_result() && {
    ModelResult out = std::move(result);
    out.record.obs = std::move(fit.obs);
    out.record.predicted = std::move(fit.fitted);
    out.record.residuals = std::move(fit.resid);
    return out;
}

} // namespace tarvex
