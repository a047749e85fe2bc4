// The equation's columns in place (see ols_columns.hpp). A lag is folded into the column's
// pointer: the value of x lagged l at observation t is element t - l, so the pointer starts at
// element beg - l and the same row offsets serve every column.
#include "regress/ols/ols_columns.hpp"

#include "core/run.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/ols/lag_polynomial.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

bool fits_in_place(const OlsFit& fit, const OlsOptions& o) {
    if (fit.n < IN_PLACE_MIN_ROWS) return false;
    const OlsMethod method = o.method();
    if (method == OlsMethod::HH || (method == OlsMethod::NORMAL && o.RIDGE != 0)) return false;
    if (o.HETCOV || o.AUXRSQR || o.INFLUENC || o.RECURSIV || o.LM || o.RESTRICT || o.PILAGS)
        return false;
    if (!name_blank(o.HATDIAG) || !name_blank(o.INCOEFFI)) return false;
    if (fit.log_regressors) return false;
    return o.DLRX || find_lag_polynomials(fit.terms).empty();
}

bool place_columns(Run& run, const OlsFit& fit, PlacedColumns& out) {
    out = PlacedColumns{};
    if (fit.end < fit.beg) return false;
    out.span = static_cast<std::size_t>(fit.end - fit.beg + 1);
    std::vector<const Real*> columns;
    for (const OlsTerm& term : fit.terms) {
        if (term.kind == TermKind::INTERCEPT) {
            columns.push_back(nullptr);
            continue;
        }
        if (term.kind == TermKind::TREND) {
            out.trend.resize(out.span);
            for (std::size_t r = 0; r < out.span; ++r)
                out.trend[r] = Real(fit.beg) + Real(static_cast<long long>(r));
            columns.push_back(out.trend.data());
            continue;
        }
        const Real* start = series_start(run, term.ref, term.lag, fit.beg, fit.end);
        if (start == nullptr) {
            out = PlacedColumns{};
            return false;
        }
        columns.push_back(start);
    }
    const Real* y = fit.log_dependent
                        ? fit.y.data()
                        : series_start(run, fit.dep_ref, fit.dep_lag, fit.beg, fit.end);
    if (y == nullptr) {
        out = PlacedColumns{};
        return false;
    }
    columns.push_back(y);
    if (fit.obs.size() != out.span) {
        out.rows.reserve(fit.obs.size());
        for (int t : fit.obs) out.rows.push_back(static_cast<std::size_t>(t - fit.beg));
    }
    out.data.columns = std::move(columns);
    out.data.nobs = fit.obs.size();
    out.data.rows = out.rows.empty() ? nullptr : out.rows.data();
    if (fit.log_dependent) place_logged_dependent(fit, out);
    return true;
}

void place_logged_dependent(const OlsFit& fit, PlacedColumns& cols) {
    cols.dependent.clear();
    if (cols.rows.empty()) {
        cols.data.columns.back() = fit.y.data();
        return;
    }
    cols.dependent.assign(cols.span, Real(0));
    for (std::size_t i = 0; i < fit.obs.size(); ++i)
        cols.dependent[static_cast<std::size_t>(fit.obs[i] - fit.beg)] = fit.y[i];
    cols.data.columns.back() = cols.dependent.data();
}

void weight_rows(const OlsFit& fit, PlacedColumns& cols) {
    cols.rows.clear();
    if (fit.obs.size() != cols.span)
        for (int t : fit.obs) cols.rows.push_back(static_cast<std::size_t>(t - fit.beg));
    cols.root_weight.assign(cols.span, Real(0));
    for (std::size_t i = 0; i < fit.obs.size(); ++i)
        cols.root_weight[static_cast<std::size_t>(fit.obs[i] - fit.beg)] =
            qm::sqrt(qm::abs(fit.w[i]));
    cols.data.nobs = fit.obs.size();
    cols.data.rows = cols.rows.empty() ? nullptr : cols.rows.data();
    cols.data.row_scale = cols.root_weight.data();
    if (fit.log_dependent) place_logged_dependent(fit, cols);
}

const Real* rows_of_column(const PlacedColumns& cols, int c, std::vector<Real>& scratch) {
    const Real* column = cols.data.columns[c];
    if (column == nullptr) { // the constant
        scratch.assign(cols.data.nobs, Real(1));
        return scratch.data();
    }
    if (cols.rows.empty()) return column;
    scratch.resize(cols.rows.size());
    for (std::size_t i = 0; i < cols.rows.size(); ++i) scratch[i] = column[cols.rows[i]];
    return scratch.data();
}

void compact_to_rows(const PlacedColumns& cols, std::vector<Real>& values) {
    // rows[i] >= i: moving forward in order never overwrites a value still to be moved.
    if (!cols.rows.empty())
        for (std::size_t i = 0; i < cols.rows.size(); ++i) values[i] = values[cols.rows[i]];
    values.resize(cols.data.nobs);
}

} // namespace tarvex
