// YHAT: predictions and forecast standard errors observation by observation.
#include "regress/fcast/fcast_predict.hpp"

#include "core/run.hpp"
#include "numeric/exact_dot.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"
#include "regress/box/box_estimate.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "workspace/workspace.hpp"

#include <cstring>
#include <map>
#include <memory>

namespace tarvex {

namespace {

ChoiceLink choice_link(const FcastModel& model) {
    return model.choice == FcastChoice::PROBIT ? ChoiceLink::PROBIT : ChoiceLink::LOGIT;
}

// The prediction of a choice model at the index x'b.
Real choice_prediction(const FcastModel& model, Real xb) {
    if (model.choice == FcastChoice::TOBIT)
        return tobit_expected(xb, model.tobit_sigma, model.censoring);
    return link_cdf(choice_link(model), xb);
}

// A variable read by observation number; the missing-value code outside its length, and
// throughout when it is not a variable of the work area.
struct Series {
    bool ok;
    SeriesReader reader;
    Series(Run& run, int ref) : ok(ref > 0 && reference_exists(run, ref)) {
        if (ok) reader = SeriesReader(run, ref);
        ok = ok && reader.ok();
    }
    Real at(Run& run, long long t) const {
        return ok ? reader.at(run, t, run.ws.XMISS) : run.ws.XMISS;
    }
};

bool is_lagged_dependent(const FcastModel& m, const OlsTerm& t) {
    return t.kind == TermKind::VARIABLE && t.ref == m.dep_ref && m.dep_lag == 0 && t.lag >= 1;
}

// Moving-average weights psi_0 .. psi_(count-1) of y_t = sum phi_L y_(t-L) + e_t.
std::vector<Real> psi_weights(const std::map<int, Real>& phi, int count) {
    std::vector<Real> psi(std::size_t(count > 0 ? count : 1), Real(0));
    psi[0] = 1;
    for (int j = 1; j < count; ++j)
        for (const auto& [lag, coef] : phi)
            if (j - lag >= 0) psi[j] += coef * psi[j - lag];
    return psi;
}

// Touches each 4 KB page of the fresh storage of n rows once, the halves of the rows on two
// threads: the kernel zeroes a page at its first touch, and for the rows of a long forecast that
// zeroing costs more than filling them, so it is shared between the threads instead of done by
// the one that fills the vector. Only storage that holds no values yet is touched (a zero byte
// is written); each thread touches the pages that start in its half.
template <class Row>
void touch_fresh_pages(Row* rows, std::size_t n) {
    constexpr std::size_t PAGE = 4096;
    char* const base = reinterpret_cast<char*>(rows);
    split_rows(n, [base](std::size_t begin, std::size_t end) {
        const std::size_t first = (begin * sizeof(Row) + PAGE - 1) / PAGE * PAGE;
        for (std::size_t at = first; at < end * sizeof(Row); at += PAGE)
            *static_cast<volatile char*>(base + at) = 0;
    });
}

} // namespace

// The row sums belong to RowPredictor, whose type is visible outside this file.
namespace fcast_rows {

// The two sums of a row, x'b and x'Vx, for fixed b and a fixed K x K matrix V. x'b is an exact
// sum rounded once. x'Vx is sum_a x_a u_a, each u_a an exact sum rounded once and the outer sum
// exact: u_a = V_aa x_a + sum_(b>a) 2 V_ab x_b when V is exactly symmetric (half the products),
// else u_a = sum_b V_ab x_b. The coefficients are taken apart once, each row's values once for
// all the sums they enter (the same sums as exact_dot on the values). Each thread has its own.
class RowSums {
public:
    RowSums(const std::vector<Real>& b, const std::vector<Real>* v, int k)
        : k_(k), b_(b), u_(std::size_t(k)), x_parts_(std::size_t(k)), u_parts_(std::size_t(k)),
          b_parts_(std::size_t(k)) {
        b_decoded_ = true;
        for (int a = 0; a < k; ++a)
            b_decoded_ = ExactAccumulator::decode(b_[std::size_t(a)], b_parts_[std::size_t(a)]) &&
                         b_decoded_;
        if (v == nullptr) return;
        // Symmetric to the bit, and doubling an element stays finite.
        symmetric_ = true;
        for (int a = 0; a < k && symmetric_; ++a)
            for (int c = a + 1; c < k && symmetric_; ++c) {
                const Real vac = (*v)[std::size_t(a) * k + c];
                symmetric_ = std::memcmp(&vac, &(*v)[std::size_t(c) * k + a], sizeof(Real)) == 0 &&
                             finiteq(2 * vac);
            }
        for (int a = 0; a < k; ++a)
            for (int c = symmetric_ ? a : 0; c < k; ++c) {
                const Real vac = (*v)[std::size_t(a) * k + c];
                coef_.push_back(symmetric_ && c > a ? 2 * vac : vac);
            }
        coef_parts_.resize(coef_.size());
        decoded_ = true;
        for (std::size_t e = 0; e < coef_.size(); ++e)
            decoded_ = ExactAccumulator::decode(coef_[e], coef_parts_[e]) && decoded_;
    }

    // Takes the row's values apart, for the sums that follow.
    void set_row(const Real* x) {
        x_ = x;
        x_decoded_ = true;
        for (int a = 0; a < k_ && x_decoded_; ++a)
            x_decoded_ = ExactAccumulator::decode(x[a], x_parts_[std::size_t(a)]);
    }

    Real xb() {
        if (!(x_decoded_ && b_decoded_)) return exact_dot(b_.data(), x_, std::size_t(k_));
        sum_.clear();
        sum_.add_decoded_products(b_parts_.data(), x_parts_.data(), std::size_t(k_));
        return sum_.result();
    }

    Real xvx() {
        const bool decoded = decoded_ && x_decoded_;
        std::size_t row = 0;
        bool u_decoded = decoded;
        for (int a = 0; a < k_; ++a) {
            const int first = symmetric_ ? a : 0;
            const std::size_t count = std::size_t(k_ - first);
            if (count == 1) {
                // One product: its exact value rounded once is the IEEE product.
                u_[a] = coef_[row] * x_[first];
            } else {
                sum_.clear();
                if (decoded)
                    sum_.add_decoded_products(coef_parts_.data() + row, x_parts_.data() + first,
                                              count);
                else // an infinite or undefined value: the IEEE sum
                    sum_.add_products(coef_.data() + row, x_ + first, count);
                u_[a] = sum_.result();
            }
            u_decoded = u_decoded && ExactAccumulator::decode(u_[a], u_parts_[std::size_t(a)]);
            row += count;
        }
        if (!u_decoded) return exact_dot(x_, u_.data(), std::size_t(k_));
        sum_.clear();
        sum_.add_decoded_products(x_parts_.data(), u_parts_.data(), std::size_t(k_));
        return sum_.result();
    }

private:
    int k_;
    const std::vector<Real>& b_;
    bool symmetric_ = false;
    bool decoded_ = false;   // every element of V is finite
    bool b_decoded_ = false; // every coefficient is finite
    bool x_decoded_ = false; // every value of the row is finite
    const Real* x_ = nullptr;
    std::vector<Real> coef_; // row a of V: its elements from column `first` on
    std::vector<ExactAccumulator::Factor> coef_parts_;
    std::vector<Real> u_;
    std::vector<ExactAccumulator::Factor> x_parts_, u_parts_, b_parts_;
    ExactAccumulator sum_;
};

} // namespace fcast_rows

// The work a row needs beside its values: the coefficients and covariance taken apart once.
struct RowPredictor::Sums {
    fcast_rows::RowSums sums;
    Sums(const std::vector<Real>& b, const std::vector<Real>* v, int k) : sums(b, v, k) {}
};

RowPredictor::RowPredictor(const FcastModel& model, Real missing_code, const std::vector<Real>* psi)
    : model_(model), xmiss_(missing_code), sigma2_(model.sigma * model.sigma), psi_(psi) {
    const std::vector<Real>* covariance = model.has_covariance() ? &model.cov : nullptr;
    sums_ = std::make_unique<Sums>(model.coef, covariance, model.k());
    if (psi_ != nullptr)
        for (std::size_t j = 0; j < psi_->size(); ++j)
            spread_upto_.push_back((spread_upto_.empty() ? Real(0) : spread_upto_.back()) +
                                   (*psi_)[j] * (*psi_)[j]);
}

RowPredictor::~RowPredictor() = default;

void RowPredictor::begin(FcastRow& row, int t, Real y) const {
    row = FcastRow{};
    row.obs = t;
    row.known = !equal_values(y, xmiss_);
    row.observed = row.known ? y : xmiss_;
}

bool RowPredictor::put(FcastRow& row, int j, Real v, Real* x) const {
    const OlsTerm& term = model_.terms[std::size_t(j)];
    if (term.kind == TermKind::INTERCEPT) {
        x[j] = 1;
        return true;
    }
    if (term.kind == TermKind::TREND) {
        x[j] = row.obs;
        return true;
    }
    if (equal_values(v, xmiss_)) {
        row.problem = FcastProblem::UNDEFINED;
        return false;
    }
    if (model_.log_regressors || model_.box_regressors) {
        if (!(v > 0)) {
            row.problem = FcastProblem::NON_POSITIVE;
            return false;
        }
        v = model_.box_regressors ? box_cox(qm::log(v), model_.lambda_x).value : qm::log(v);
    }
    x[j] = v;
    return true;
}

void RowPredictor::finish(FcastRow& row, const Real* x, int steps) const {
    fcast_rows::RowSums& sums = sums_->sums;
    if (row.problem == FcastProblem::NONE) {
        sums.set_row(x);
        const Real xb = sums.xb();
        if (model_.box_cox) { // back to the scale of y: (1 + lambda x'b)**(1/lambda)
            row.defined = box_cox_inverse(xb, model_.lambda_y, row.predicted);
        } else if (model_.choice != FcastChoice::NONE) {
            row.predicted = choice_prediction(model_, xb);
            row.defined = finiteq(row.predicted) != 0;
        } else {
            row.predicted = model_.log_dependent ? qm::exp(xb) : xb;
            row.defined = finiteq(row.predicted) != 0;
        }
        if (!row.defined) row.problem = FcastProblem::UNDEFINED;
    }
    if (row.defined && model_.has_covariance()) {
        const Real quad = sums.xvx(); // x'Vx
        const Real spread = spread_upto_.empty() ? Real(1) : spread_upto_[std::size_t(steps - 1)];
        row.se = qm::sqrt(qm::abs(fast_add(fast_multiply(sigma2_, spread), quad)));
        if (model_.log_dependent) row.se *= row.predicted;
        if (model_.choice == FcastChoice::PROBIT || model_.choice == FcastChoice::LOGIT)
            row.se = link_density(choice_link(model_), sums.xb()) * qm::sqrt(qm::abs(quad));
    }
    if (!row.defined) row.predicted = xmiss_;
    if (row.defined && row.known) row.error = fast_subtract(row.observed, row.predicted);
}

bool has_lagged_dependent(const FcastModel& model) {
    for (const OlsTerm& t : model.terms)
        if (is_lagged_dependent(model, t)) return true;
    return false;
}

Forecast YHAT(Run& run, const FcastModel& model, const FcastSettings& settings) {
    Forecast out;
    out.has_se = model.has_covariance();
    const int k = model.k();
    const Real xmiss = run.ws.XMISS;
    const Series dep(run, model.dep_ref);
    std::vector<Series> columns;
    columns.reserve(k);
    for (const OlsTerm& t : model.terms)
        columns.emplace_back(run, t.kind == TermKind::VARIABLE ? t.ref : 0);

    // Lagged dependent terms and their coefficients (psi weights apply when the lagged values
    // enter on the scale of the explained variable).
    std::map<int, Real> phi;
    for (int j = 0; j < k; ++j)
        if (settings.dynamic && is_lagged_dependent(model, model.terms[j]))
            phi[model.terms[j].lag] += model.coef[j];
    const bool same_scale = model.log_dependent == model.log_regressors;
    std::vector<Real> psi;
    if (!phi.empty() && same_scale && !settings.obs.empty())
        psi = psi_weights(phi, settings.obs.back() - settings.dynamic_origin);

    // Rows by observation, for the forecasts that replace lagged data in a dynamic forecast.
    const int first_obs = settings.obs.empty() ? 0 : settings.obs.front();
    std::vector<int> row_of;
    if (settings.dynamic && !settings.obs.empty())
        row_of.assign(std::size_t(settings.obs.back() - first_obs + 1), -1);
    out.k = k;
    const std::size_t n = settings.obs.size();
    out.rows.reserve(n);
    touch_fresh_pages(out.rows.data(), n);
    out.rows.assign(n, FcastRow{});
    if (settings.keep_regressors) {
        out.x.reserve(n * std::size_t(k));
        out.x.assign(n * std::size_t(k), Real(0));
    }

    // Row i: its regressors into x (the kept row, or scratch), the prediction and its standard
    // error. A dynamic forecast reads the rows before it; other rows stand alone.
    auto compute_row = [&](std::size_t i, Real* scratch, const RowPredictor& predictor) {
        const int t = settings.obs[i];
        FcastRow& row = out.rows[i];
        Real* x = settings.keep_regressors ? out.x.data() + i * std::size_t(k) : scratch;
        predictor.begin(row, t, dep.at(run, (long long)t - model.dep_lag));
        for (int j = 0; j < k; ++j) {
            const OlsTerm& term = model.terms[j];
            Real v = 0;
            if (term.kind == TermKind::VARIABLE) {
                const int source = t - term.lag;
                v = columns[j].at(run, source);
                if (settings.dynamic && is_lagged_dependent(model, term) &&
                    source > settings.dynamic_origin) {
                    const int at = source >= first_obs && source - first_obs < int(row_of.size())
                                       ? row_of[std::size_t(source - first_obs)]
                                       : -1;
                    v = at >= 0 && out.rows[std::size_t(at)].defined
                            ? out.rows[std::size_t(at)].predicted
                            : xmiss;
                }
            }
            if (!predictor.put(row, j, v, x)) break;
        }
        const int steps =
            psi.empty() || t <= settings.dynamic_origin ? 1 : t - settings.dynamic_origin;
        predictor.finish(row, x, steps);
        if (!row_of.empty()) row_of[std::size_t(t - first_obs)] = int(i);
    };

    const std::vector<Real>* weights = psi.empty() ? nullptr : &psi;
    if (settings.dynamic) {
        std::vector<Real> scratch(std::size_t(k), Real(0));
        const RowPredictor predictor(model, xmiss, weights);
        for (std::size_t i = 0; i < n; ++i) compute_row(i, scratch.data(), predictor);
    } else {
        // Rows stand alone: long forecasts share them between two threads, each with its own
        // scratch row and sums; every row's result is the same bits either way.
        split_rows(n, [&](std::size_t begin, std::size_t end) {
            std::vector<Real> scratch(std::size_t(k), Real(0));
            const RowPredictor predictor(model, xmiss, weights);
            for (std::size_t i = begin; i < end; ++i) compute_row(i, scratch.data(), predictor);
        });
    }
    return out;
}

} // namespace tarvex
