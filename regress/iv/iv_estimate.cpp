// Two-stage least squares from the exact cross products of [Z X_endogenous y]: the first
// stages, the second stage, the structural residuals and the diagnostic tests.
#include "regress/iv/iv_estimate.hpp"

#include "core/result_scalars.hpp"
#include "kernels/gram_cholesky.hpp"
#include "kernels/gram_residuals.hpp"
#include "kernels/least_squares.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/iv/iv_gram.hpp"
#include "regress/iv/iv_robust.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// The F statistic of dropping `df1` columns: SSE from `restricted` to `full`.
IvStatistic f_statistic(Real restricted, Real full, int df1, int df2) {
    IvStatistic s;
    s.df1 = df1;
    s.df2 = df2;
    if (df1 < 1 || df2 < 1 || !(full > 0)) return s;
    s.value = ((restricted - full) / df1) / (full / df2);
    if (s.value < 0) s.value = 0;
    s.pvalue = f_tail(s.value, df1, df2);
    s.available = true;
    return s;
}

// SSE of the regression on `columns` (the last one the dependent variable); -1 when they are
// collinear.
Real residual_ss(const GramMatrix& gram, const std::vector<ProjectedColumn>& columns, int n) {
    const GramFit fit = gram_cholesky_solve(projected_gram(gram, columns), n, DEPENDENCE_RATIO);
    return fit.ok() ? fit.sse : Real(-1);
}

std::vector<ProjectedColumn> plain_columns(const std::vector<int>& columns) {
    std::vector<ProjectedColumn> out;
    for (int c : columns) out.push_back({c, nullptr});
    return out;
}

NamedStatistic iv_named_statistic(const std::string& name, const IvStatistic& s, StatisticLaw law) {
    return NamedStatistic{name, s.value, law, Real(s.df1), Real(s.df2), s.available, s.pvalue};
}

// The tests as the record's statistics and the result scalars, once the estimation is done.
void finish_iv_result(IvEstimate& e) {
    ModelResult& m = e.result;
    const EstimationResults& r = m.record;
    for (const IvStatistic& f : e.first_stage)
        m.add_statistic(iv_named_statistic("FIRST-STAGE F", f, StatisticLaw::F));
    if (e.wu_hausman.available)
        m.add_statistic(iv_named_statistic("WU-HAUSMAN", e.wu_hausman, StatisticLaw::F));
    if (e.sargan.available)
        m.add_statistic(iv_named_statistic("SARGAN", e.sargan, StatisticLaw::CHI_SQUARE));
    if (e.hansen.available)
        m.add_statistic(iv_named_statistic("HANSEN J", e.hansen, StatisticLaw::CHI_SQUARE));
    m.set_size_scalars();
    m.set_fit_scalars(e.sigma2, e.adjr2);
    m.set_scalar(R_SST, r.sst);
    if (e.sargan.available) m.set_scalar(R_CHI, e.sargan.value);
}

// The passes over columns in memory; the residuals and fitted values are kept, written at the
// rows' positions, for the robust covariances and the record.
class MemoryPasses : public IvPasses {
public:
    explicit MemoryPasses(const IvData& data) : data_(data) {}
    bool cross_products(const std::vector<int>& columns, GramMatrix& gram) override {
        GramColumns data;
        data.nobs = data_.n;
        data.rows = data_.rows;
        for (int c : columns) data.columns.push_back(column(c));
        gram = exact_gram(data);
        return true;
    }
    bool residuals(const std::vector<int>& columns, const std::vector<Wide>& coef,
                   ResidualSums& sums) override {
        GramColumns structural;
        structural.nobs = data_.n;
        structural.rows = data_.rows;
        for (int c : columns) structural.columns.push_back(column(c));
        structural.columns.push_back(data_.y);
        const std::size_t length = data_.rows != nullptr ? data_.span : data_.n;
        resid.assign(length, Real(0));
        fitted.assign(length, Real(0));
        sums = gram_residuals(structural, coef, resid.data(), fitted.data());
        return true;
    }
    const Real* column(int c) const { return c < 0 ? data_.y : data_.columns[c]; }
    const IvData& data() const { return data_; }
    std::vector<Real> resid, fitted;

private:
    const IvData& data_;
};

// The estimation up to its tests; the failures return early. `memory`: the passes over columns
// in memory, which the robust covariances and the record's rows need (null over blocks). False
// when a pass failed to read.
bool estimate_iv_fit(const IvLayout& layout, IvPasses& passes, const IvControl& control,
                     MemoryPasses* memory, IvEstimate& e) {
    EstimationResults& r = e.result.record;
    const int n = static_cast<int>(layout.n);
    const int k = static_cast<int>(layout.regressors.size());
    const int l = static_cast<int>(layout.instruments.size());
    e.n = n, e.k = k, e.l = l;
    r.n = n, r.k = k, r.df = n - k;
    e.robust = control.robust;
    e.lags = control.robust ? std::max(control.lags, 0) : 0;

    // Each regressor's column in the matrix of [Z X_endogenous y]; the included instruments.
    std::vector<int> xcol(static_cast<std::size_t>(k)), included;
    for (int a = 0; a < k; ++a) {
        const auto at =
            std::find(layout.instruments.begin(), layout.instruments.end(), layout.regressors[a]);
        if (at != layout.instruments.end()) {
            xcol[a] = static_cast<int>(at - layout.instruments.begin());
            included.push_back(xcol[a]);
        } else {
            xcol[a] = l + static_cast<int>(e.endogenous.size());
            e.endogenous.push_back(a);
        }
    }
    const int endo = static_cast<int>(e.endogenous.size());
    e.x_columns = xcol;
    e.excluded = l - static_cast<int>(included.size());
    if (endo > e.excluded) {
        e.end = IvEnd::UNDERIDENTIFIED;
        return true;
    }
    if (n < l || n <= k) {
        e.end = IvEnd::TOO_FEW;
        return true;
    }

    // The one pass over the data for the cross products of [Z X_endogenous y].
    std::vector<int> columns(layout.instruments);
    for (int a : e.endogenous) columns.push_back(layout.regressors[a]);
    columns.push_back(-1);
    if (!passes.cross_products(columns, e.gram)) return false;
    const GramMatrix& gram = e.gram;
    if (!gram.finite) {
        e.end = IvEnd::NON_FINITE;
        return true;
    }
    const int ycol = l + endo;
    // Solved scaled, the estimates are exact however far the data lie from 1, but the sums of
    // squares in the data's units must be representable for SSE and the covariance.
    for (int c = 0; c <= ycol; ++c) {
        const SquaresRange range = gram.diagonal_range(c);
        if (range != SquaresRange::inside) {
            e.end = IvEnd::OUT_OF_RANGE;
            e.bad_column = c;
            e.too_large = range == SquaresRange::too_large;
            return true;
        }
    }
    std::vector<int> zcols;
    for (int c = 0; c < l; ++c) zcols.push_back(c);

    // y on Z: the instruments' independence and (Z'Z)**-1.
    std::vector<int> cols(zcols);
    cols.push_back(ycol);
    const GramFit on_z = gram_cholesky_solve(gram_part(gram, cols), n, DEPENDENCE_RATIO);
    if (on_z.status == GramStatus::dependent_column) {
        e.end = IvEnd::INSTRUMENTS_COLLINEAR;
        e.bad_column = on_z.failed_column;
        return true;
    }
    if (!on_z.ok()) {
        e.end = IvEnd::NON_FINITE;
        return true;
    }

    // First stages: each endogenous regressor on Z, and on the included instruments alone.
    std::vector<std::vector<Wide>> fitted(static_cast<std::size_t>(endo));
    for (int j = 0; j < endo; ++j) {
        const int target = l + j;
        cols = zcols;
        cols.push_back(target);
        const GramFit first = gram_cholesky_solve(gram_part(gram, cols), n, DEPENDENCE_RATIO);
        fitted[j] = first.coef_wide;
        cols = included;
        cols.push_back(target);
        const Real restricted = included.empty() ? wide_value(gram.at(target, target))
                                                 : residual_ss(gram, plain_columns(cols), n);
        e.first_stage.push_back(f_statistic(restricted, first.sse, e.excluded, n - l));
    }

    // The second stage: y on the projected regressors.
    std::vector<ProjectedColumn> second;
    for (int a = 0; a < k; ++a) second.push_back({xcol[a], nullptr});
    for (int j = 0; j < endo; ++j) second[e.endogenous[j]].fitted = &fitted[j];
    second.push_back({ycol, nullptr});
    const GramFit fit = gram_cholesky_solve(projected_gram(gram, second), n, DEPENDENCE_RATIO);
    if (fit.status == GramStatus::dependent_column) {
        e.end = IvEnd::REGRESSORS_COLLINEAR;
        e.bad_column = fit.failed_column;
        return true;
    }
    if (!fit.ok()) {
        e.end = IvEnd::NON_FINITE;
        return true;
    }
    r.coef = fit.coef;
    e.coef_wide = fit.coef_wide;
    // FCAST's standard errors take sigma**2 (X^'X^)**-1, the covariance without HETCOV, as
    // after OLS. Symmetric: the same row-major.
    r.xtx_inv = fit.xtx_inverse;

    // The structural residuals y - Xb, a second pass.
    ResidualSums sums;
    if (!passes.residuals(layout.regressors, e.coef_wide, sums)) return false;
    if (!sums.finite) {
        e.end = IvEnd::NON_FINITE;
        return true;
    }
    r.sse = sums.sse;
    e.sigma2 = r.sse / (n - k);
    r.sigma = qm::sqrt(e.sigma2);

    // The covariance: sigma**2 (X^'X^)**-1, or the sandwich.
    std::vector<Real> s;
    std::vector<Real> projection(static_cast<std::size_t>(l) * k, Real(0));
    if (control.robust || control.covariance.chosen()) {
        for (int a = 0; a < k; ++a)
            if (xcol[a] < l) projection[static_cast<std::size_t>(xcol[a]) * k + a] = 1;
        for (int j = 0; j < endo; ++j)
            for (int z = 0; z < l; ++z)
                projection[static_cast<std::size_t>(z) * k + e.endogenous[j]] =
                    wide_value(fitted[j][z]);
    }
    if (control.robust && memory != nullptr) {
        s = weighted_instrument_products(memory->data(), memory->resid, e.lags);
        r.cov = robust_covariance(r.xtx_inv, projection, s, k, l);
    } else {
        r.cov.resize(r.xtx_inv.size());
        for (std::size_t i = 0; i < r.cov.size(); ++i) r.cov[i] = e.sigma2 * r.xtx_inv[i];
    }
    // HC1-HC3 or CLUSTER replace it (HETCOV's S still serves Hansen's J).
    if (control.covariance.chosen() && memory != nullptr) {
        r.cov =
            chosen_covariance(memory->data(), projection, r.xtx_inv, memory->resid, control, k, l);
        e.covariance_note = covariance_note(control.covariance, control.clusters.groups);
    }
    // The rows in use, in order.
    if (memory != nullptr && memory->data().rows != nullptr) {
        const IvData& data = memory->data();
        r.residuals.resize(data.n);
        r.predicted.resize(data.n);
        for (std::size_t i = 0; i < data.n; ++i) {
            r.residuals[i] = memory->resid[data.rows[i]];
            r.predicted[i] = memory->fitted[data.rows[i]];
        }
    } else if (memory != nullptr) {
        r.residuals = std::move(memory->resid);
        r.predicted = std::move(memory->fitted);
    }
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    infer_coefficients(e.result);

    // R-squared of the structural residuals, about the mean with a constant regressor.
    const Wide yy = gram.at(ycol, ycol);
    Wide sst = yy;
    for (int a = 0; a < k; ++a)
        if (layout.constant[layout.regressors[a]]) {
            const Wide sum_y = gram.at(xcol[a], ycol);
            e.centred = true;
            e.ymean = wide_value(sum_y) / n;
            sst = yy - sum_y * sum_y / wide(Real(n));
            break;
        }
    r.sst = wide_value(sst);
    r.rsqr = r.sst > 0 ? 1 - r.sse / r.sst : Real(0);
    r.intercept = e.centred;
    e.adjr2 = 1 - (1 - r.rsqr) * (n - (e.centred ? 1 : 0)) / (n - k);

    // An equation that fits y exactly leaves residuals of rounding noise: the tests of
    // exogeneity and over-identification would be ratios of noise, so none is made.
    e.exact_fit = r.sse <= Real(1e-30Q) * wide_value(yy);
    if (e.exact_fit) return true;

    // Wu-Hausman: y on X, and on X with the projected endogenous regressors.
    if (endo > 0) {
        cols = xcol;
        cols.push_back(ycol);
        const Real sse_ols = residual_ss(gram, plain_columns(cols), n);
        std::vector<ProjectedColumn> augmented = plain_columns(xcol);
        for (int j = 0; j < endo; ++j) augmented.push_back({l + j, &fitted[j]});
        augmented.push_back({ycol, nullptr});
        const Real sse_aug = residual_ss(gram, augmented, n);
        if (sse_ols >= 0 && sse_aug >= 0)
            e.wu_hausman = f_statistic(sse_ols, sse_aug, endo, n - k - endo);
    }

    // Sargan: N times the uncentred R-squared of u on Z, u'Z (Z'Z)**-1 Z'u / u'u.
    const int over = e.excluded - endo;
    if (over > 0 && r.sse > 0) {
        std::vector<Real> zu(static_cast<std::size_t>(l));
        for (int z = 0; z < l; ++z) {
            Wide g = gram.at(z, ycol);
            for (int a = 0; a < k; ++a) g = g - e.coef_wide[a] * gram.at(z, xcol[a]);
            zu[z] = wide_value(g);
        }
        Real q = 0;
        for (int a = 0; a < l; ++a)
            for (int b = 0; b < l; ++b) q += zu[a] * on_z.inverse_at(a, b) * zu[b];
        e.sargan.value = n * q / r.sse;
        e.sargan.df1 = over;
        e.sargan.pvalue = chi2_tail(e.sargan.value, over);
        e.sargan.available = true;
        if (control.robust && memory != nullptr) e.hansen = hansen_j(gram, xcol, l, s);
    }
    return true;
}

} // namespace

IvEstimate estimate_iv(const IvData& data, const IvControl& control) {
    IvLayout layout;
    layout.n = data.n;
    layout.regressors = data.regressors;
    layout.instruments = data.instruments;
    for (const Real* column : data.columns) layout.constant.push_back(column == nullptr);
    MemoryPasses passes(data);
    IvEstimate e;
    estimate_iv_fit(layout, passes, control, &passes, e); // columns in memory are always read
    if (e.end == IvEnd::OK) finish_iv_result(e);
    return e;
}

bool estimate_iv_passes(const IvLayout& layout, IvPasses& passes, IvEstimate& e) {
    e = IvEstimate{};
    if (!estimate_iv_fit(layout, passes, IvControl{}, nullptr, e)) return false;
    if (e.end == IvEnd::OK) finish_iv_result(e);
    return true;
}

} // namespace tarvex
