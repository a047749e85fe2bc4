// OLS over row blocks (see ols_bound.hpp). The passes, each over every block in order:
//   0. the rows in use: a logged dependent variable checked, weights zero or missing dropped with
//      their warnings, the kept weights summed (their mean normalises them);
//   1. the exact cross-product matrix of [X y] (rows scaled by sqrt|w|), the exact sums of the
//      columns and their squares (without weights) or the weighted sums added in order (with
//      them), the largest values the sandwich covariance scales by;
//   2. the residuals and fitted values of each row (each the exact value rounded once, as in
//      memory) and their exact sums: squares, sum, absolute sum, squared differences and lag
//      products carried across block edges, the runs, the sums of the observed-predicted
//      correlation; with weights the weighted squares about the means;
//   3. the moments of the residuals about their mean, the goodness-of-fit classes and the meat
//      of the sandwich covariance.
// Sums added in order in memory are added in the same order here; exact sums are exact, so the
// bits do not depend on where the blocks are cut.
//
// In a run over several ranks each rank's source delivers its share of the rows; after each
// pass the ranks check together that every share was read, add their exact sums and counts, take
// the extremes over the shares, and join what a pass carries from row to row across the edges
// of the shares (the residual before a share's first one, the sign of the last run). Sums added
// in row order (those of weighted fits) go through the ranks one after another, each rank
// continuing from the previous rank's sums, so the fit has the bits of one process.
#include "regress/ols/ols_bound.hpp"

#include "kernels/gram_cholesky.hpp"
#include "kernels/gram_residuals.hpp"
#include "kernels/least_squares.hpp"
#include "kernels/long_run_covariance.hpp"
#include "numeric/exact_sums.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "parallel/exact_reduce.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"
#include "regress/fit/covariance_choice.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/ols/lag_polynomial.hpp"
#include "regress/ols/ols_command.hpp"
#include "regress/ols/ols_estimate_steps.hpp"

#include <algorithm>
#include <climits>
#include <memory>

namespace tarvex {

namespace {

constexpr int BOUND_FAR_EXPONENT = 1000; // as the sandwich covariance scales data beyond 2^+-1000

// Calls visit(block) for each block of a pass; false when a read failed.
template <class Visit>
bool each_block(RowBlocks& rows, Visit&& visit) {
    rows.rewind();
    RowBlock block;
    while (rows.next(block)) visit(block);
    return rows.failure().empty();
}

int observation_of(const RowBlock& block, std::size_t i, int beg) {
    return block.observations != nullptr
               ? static_cast<int>(block.observations[i])
               : beg + static_cast<int>(block.first) + static_cast<int>(i);
}

// Sums added in row order, carried through the ranks: each rank's pass continues from the values
// the previous rank ends with, and the last rank's values are the sums over every row.
class RowOrderSums {
public:
    explicit RowOrderSums(std::vector<Real*> sums) : sums_(std::move(sums)) {}
    void before_pass() {
        std::vector<Real> v = values();
        parallel::receive_from_previous_rank(v.data(), v.size());
        set(v);
    }
    void after_pass() {
        const std::vector<Real> v = values();
        parallel::pass_to_next_rank(v.data(), v.size());
    }
    void take_whole() {
        std::vector<Real> v = values();
        parallel::take_from_last_rank(v.data(), v.size());
        set(v);
    }

private:
    std::vector<Real> values() const {
        std::vector<Real> v;
        for (const Real* p : sums_) v.push_back(*p);
        return v;
    }
    void set(const std::vector<Real>& v) {
        for (std::size_t i = 0; i < sums_.size(); ++i) *sums_[i] = v[i];
    }
    std::vector<Real*> sums_;
};

// The largest of each value over the ranks.
void largest_over_ranks(std::vector<Real>& values) {
    const std::vector<Real> all = parallel::gather_over_ranks(values);
    for (std::size_t at = values.size(); at < all.size(); ++at) {
        Real& v = values[at % values.size()];
        v = std::max(v, all[at]);
    }
}

// The sums of the accumulators added over the ranks.
void reduce_accumulators(std::initializer_list<ExactAccumulator*> sums) {
    std::vector<ExactAccumulator> packed;
    for (const ExactAccumulator* a : sums) packed.push_back(*a);
    parallel::reduce_exact_sums(packed);
    std::size_t at = 0;
    for (ExactAccumulator* a : sums) *a = packed[at++];
}

void reduce_correlation_sums(CorrelationSums& c) {
    reduce_accumulators({&c.a, &c.b, &c.aa, &c.bb, &c.ab});
}

void reduce_gram(GramAccumulator& gram) {
    parallel::reduce_exact_sums(gram.sums());
    if (!parallel::all_ranks_true(gram.finite())) gram.mark_not_finite();
}

int exponent_of_largest(Real largest) {
    return largest > 0 && finiteq(largest) ? ilogbq(largest) : 0;
}

// The short sample read into memory: the inputs the front end would have read (every rank's
// share put together, in rank order, on every rank). `failure` is the line when a read failed.
OlsInputs read_blocks_into_memory(RowBlocks& rows, const BoundOlsColumns& where, OlsFit fit,
                                  const BoundOlsSettings& settings, bool& read_ok,
                                  std::string& failure) {
    OlsInputs in;
    in.missing_value = settings.missing_value;
    in.output_on = settings.output_on;
    const std::size_t share = static_cast<std::size_t>(rows.rows());
    const std::size_t k = static_cast<std::size_t>(fit.k);
    std::vector<long long> share_obs;
    share_obs.reserve(share);
    std::vector<Real> share_y(share), share_x(share * k), share_w;
    if (where.weight >= 0) share_w.resize(share);
    read_ok = each_block(rows, [&](const RowBlock& block) {
        for (std::size_t i = 0; i < block.length; ++i) {
            const std::size_t r = static_cast<std::size_t>(block.first) + i;
            share_obs.push_back(observation_of(block, i, fit.beg));
            share_y[r] = block.columns[static_cast<std::size_t>(where.dependent)][i];
            for (std::size_t j = 0; j < k; ++j) {
                const int c = where.terms[j];
                share_x[j * share + r] =
                    c < 0 ? Real(1) : block.columns[static_cast<std::size_t>(c)][i];
            }
            if (where.weight >= 0)
                share_w[r] = block.columns[static_cast<std::size_t>(where.weight)][i];
        }
    });
    failure = rows.failure();
    read_ok = parallel::every_rank_ok(read_ok, failure);
    std::vector<Real> y = parallel::gather_over_ranks(share_y), x, w;
    if (where.weight >= 0) w = parallel::gather_over_ranks(share_w);
    const std::size_t n = y.size();
    for (std::size_t j = 0; j < k; ++j) {
        const std::vector<Real> column = parallel::gather_over_ranks(
            std::vector<Real>(share_x.begin() + static_cast<std::ptrdiff_t>(j * share),
                              share_x.begin() + static_cast<std::ptrdiff_t>((j + 1) * share)));
        x.insert(x.end(), column.begin(), column.end());
    }
    fit.obs.clear();
    for (const long long t : parallel::gather_over_ranks(share_obs))
        fit.obs.push_back(static_cast<int>(t));
    fit.n = static_cast<int>(n);
    if (fit.log_dependent)
        for (Real& v : y) {
            if (!(v > 0)) {
                in.load_failure = {" ...ERROR..VARIABLE " + fit.dep_name + " IS NOT VALID",
                                   ERR_NOT_VALID};
                break;
            }
            v = qm::log(v);
        }
    fit.y = std::move(y);
    if (in.load_failure.line.empty()) fit.x = std::move(x);
    in.weights = std::move(w);
    in.fit = std::move(fit);
    return in;
}

// Everything the passes carry from block to block.
class BlockPasses {
public:
    BlockPasses(RowBlocks& rows, const BoundOlsColumns& where, OlsEstimate& e, const OlsOptions& o,
                const BoundOlsSettings& settings)
        : rows_(rows), where_(where), e_(e), o_(o), settings_(settings), k_(e.fit.k),
          gram_(e.fit.k + 1), column_sums_(static_cast<std::size_t>(e.fit.k + 1)),
          column_squares_(static_cast<std::size_t>(e.fit.k + 1)),
          weighted_sums_(static_cast<std::size_t>(e.fit.k + 1), Real(0)),
          weighted_squares_(static_cast<std::size_t>(e.fit.k + 1), Real(0)),
          largest_x_(static_cast<std::size_t>(e.fit.k), Real(0)) {}

    bool run();

private:
    // The rows kept in the block (all without weights), their normalised weights and sqrt|w|,
    // and y as the fit takes it (logged on request).
    void prepare(const RowBlock& block);
    const Real* value_column(const RowBlock& block, int j) const;
    GramColumns block_columns(const RowBlock& block, bool weighted_rows) const;
    // The collective check after a pass: false (the failure noted) when a read failed on any
    // rank.
    bool all_read(bool read);
    // The residuals across the edges of the ranks' shares, once every share is done.
    void join_residuals_across_ranks();
    bool scan_rows();
    bool first_pass();
    void residuals_of(const RowBlock& block);
    bool second_pass();
    bool third_pass();
    void residual_statistics();
    bool sandwich_covariance_ready() const { return o_.covariance.chosen(); }
    Real sandwich_residual(const RowBlock& block, std::size_t i, Real r) const;

    RowBlocks& rows_;
    const BoundOlsColumns& where_;
    OlsEstimate& e_;
    const OlsOptions& o_;
    const BoundOlsSettings& settings_;
    const int k_;
    bool weighted_ = false;
    Real weight_scale_ = 1; // the mean the weights are divided by (1: none)

    // The block being read.
    std::vector<std::size_t> kept_;
    std::vector<Real> weight_, root_weight_, logged_y_, resid_, fitted_;
    const Real* y_ = nullptr;

    GramAccumulator gram_;
    std::vector<ExactAccumulator> column_sums_, column_squares_; // K regressors, then y
    std::vector<Real> weighted_sums_, weighted_squares_;         // the same, weighted
    Real weight_sum_ = 0, raw_ = 0, replicated_ = 0;
    std::vector<Real> largest_x_;
    bool dummy_ = true;

    // The residuals.
    ExactAccumulator squares_, sum_, abs_sum_, differences_, lag_;
    CorrelationSums observed_predicted_, antilogs_;
    RunsCounter runs_;
    Real previous_ = 0;
    bool has_previous_ = false;
    Real first_residual_ = 0; // this rank's first residual, the sign of its first run
    int first_sign_ = 0;
    Real largest_e_ = 0;
    ExactAccumulator third_, fourth_;
    std::unique_ptr<NormalClassCounts> classes_;
    Real residual_mean_ = 0;
};

bool BlockPasses::all_read(bool read) {
    std::string failure = rows_.failure();
    if (parallel::every_rank_ok(read, failure)) return true;
    e_.result.fail(failure, ERR_BOUND_READ);
    return false;
}

void BlockPasses::join_residuals_across_ranks() {
    constexpr std::size_t PER_RANK = 5;
    const std::vector<Real> all = parallel::gather_over_ranks(
        std::vector<Real>{Real(has_previous_ ? 1 : 0), first_residual_, previous_,
                          Real(first_sign_), Real(runs_.last)});
    const std::size_t me = static_cast<std::size_t>(parallel::rank());
    if (has_previous_) {
        // The residual and the run sign before this share's first row: the last ones of the
        // nearest earlier share that has any.
        bool has_before = false, has_sign_before = false;
        Real before = 0;
        int sign_before = 0;
        for (std::size_t q = 0; q < me; ++q) {
            const Real* at = &all[q * PER_RANK];
            if (at[0] == 0) continue;
            has_before = true;
            before = at[2];
            if (at[4] != 0) {
                has_sign_before = true;
                sign_before = static_cast<int>(at[4]);
            }
        }
        if (has_before) {
            const Real r = first_residual_;
            differences_.add_product(r, r);
            differences_.add_product(before, before);
            differences_.add_product(r, -2 * before);
            lag_.add_product(r, before);
        }
        // This share counted a new run at its first sign: not new when the run goes on.
        if (has_sign_before && first_sign_ != 0 && first_sign_ == sign_before) --runs_.runs;
    }
    long long counts[] = {runs_.runs, runs_.pos, runs_.zero, runs_.neg};
    parallel::sum_over_ranks(counts, 4);
    runs_.runs = static_cast<int>(counts[0]);
    runs_.pos = static_cast<int>(counts[1]);
    runs_.zero = static_cast<int>(counts[2]);
    runs_.neg = static_cast<int>(counts[3]);
    reduce_accumulators({&squares_, &sum_, &abs_sum_, &differences_, &lag_});
    reduce_correlation_sums(observed_predicted_);
    reduce_correlation_sums(antilogs_);
    std::vector<Real> largest{largest_e_};
    largest_over_ranks(largest);
    largest_e_ = largest[0];
}

const Real* BlockPasses::value_column(const RowBlock& block, int j) const {
    if (j == k_) return y_;
    const int c = where_.terms[static_cast<std::size_t>(j)];
    return c < 0 ? nullptr : block.columns[static_cast<std::size_t>(c)];
}

void BlockPasses::prepare(const RowBlock& block) {
    const std::size_t length = block.length;
    kept_.clear();
    if (weighted_) {
        const Real* w = block.columns[static_cast<std::size_t>(where_.weight)];
        weight_.assign(length, Real(0));
        root_weight_.assign(length, Real(0));
        for (std::size_t i = 0; i < length; ++i) {
            if (w[i] == settings_.missing_value || w[i] == 0) continue;
            kept_.push_back(i);
            const Real v = weight_scale_ != 1 ? w[i] / weight_scale_ : w[i];
            weight_[i] = v;
            root_weight_[i] = qm::sqrt(qm::abs(v));
        }
    } else {
        for (std::size_t i = 0; i < length; ++i) kept_.push_back(i);
    }
    const Real* y = block.columns[static_cast<std::size_t>(where_.dependent)];
    y_ = y;
    if (e_.fit.log_dependent) {
        logged_y_.assign(length, Real(0));
        for (const std::size_t i : kept_) logged_y_[i] = qm::log(y[i]);
        y_ = logged_y_.data();
    }
}

GramColumns BlockPasses::block_columns(const RowBlock& block, bool weighted_rows) const {
    GramColumns data;
    for (int j = 0; j <= k_; ++j) data.columns.push_back(value_column(block, j));
    data.nobs = kept_.size();
    if (weighted_) {
        data.rows = kept_.data();
        if (weighted_rows) data.row_scale = root_weight_.data();
    }
    return data;
}

// The residual of row i as the sandwich weighs it: divided by sqrt(1 - h) under HC2 and by
// 1 - h under HC3, h the row's leverage x_t' (X'X)^-1 x_t added in the order the data in memory
// add it.
Real BlockPasses::sandwich_residual(const RowBlock& block, std::size_t i, Real r) const {
    const HeteroskedasticType type = o_.covariance.type;
    if (type != HeteroskedasticType::HC2 && type != HeteroskedasticType::HC3) return r;
    const std::vector<Real>& inverse = e_.fit.xtx_inv;
    Real h = 0;
    for (int a = 0; a < k_; ++a) {
        Real s = 0;
        for (int b = 0; b < k_; ++b) {
            const Real* vb = value_column(block, b);
            s += inverse[std::size_t(a) * k_ + b] * (vb == nullptr ? Real(1) : vb[i]);
        }
        const Real* va = value_column(block, a);
        h += (va == nullptr ? Real(1) : va[i]) * s;
    }
    return type == HeteroskedasticType::HC2 ? r / qm::sqrt(1 - h) : r / (1 - h);
}

// Pass 0: the values the logs need, the weights kept and their sum.
bool BlockPasses::scan_rows() {
    OlsFit& fit = e_.fit;
    weighted_ = where_.weight >= 0;
    bool logs_valid = true;
    long long kept = 0;
    Real total = 0;
    std::vector<long long> skipped;
    RowOrderSums carried({&total});
    if (weighted_) carried.before_pass();
    std::vector<std::vector<long long>>* missing = settings_.missing_observations;
    if (missing != nullptr) missing->assign(static_cast<std::size_t>(rows_.columns()), {});
    const bool read = each_block(rows_, [&](const RowBlock& block) {
        if (missing != nullptr)
            for (std::size_t c = 0; c < missing->size(); ++c) {
                const Real* v = block.columns[c];
                for (std::size_t i = 0; i < block.length; ++i)
                    if (equal_values(v[i], settings_.missing_value))
                        (*missing)[c].push_back(observation_of(block, i, fit.beg));
            }
        const Real* y = block.columns[static_cast<std::size_t>(where_.dependent)];
        if (fit.log_dependent)
            for (std::size_t i = 0; i < block.length && logs_valid; ++i) logs_valid = y[i] > 0;
        if (!weighted_) return;
        const Real* w = block.columns[static_cast<std::size_t>(where_.weight)];
        for (std::size_t i = 0; i < block.length; ++i) {
            if (w[i] == settings_.missing_value || w[i] == 0) {
                skipped.push_back(observation_of(block, i, fit.beg));
                continue;
            }
            ++kept;
            total += w[i];
        }
    });
    if (weighted_) carried.after_pass();
    if (!all_read(read)) return false;
    if (missing != nullptr)
        for (std::vector<long long>& at : *missing) at = parallel::gather_over_ranks(at);
    if (weighted_) {
        carried.take_whole();
        kept = parallel::sum_over_ranks(kept);
        skipped = parallel::gather_over_ranks(skipped);
    }
    logs_valid = parallel::all_ranks_true(logs_valid);
    if (!logs_valid) {
        e_.result.fail(" ...ERROR..VARIABLE " + fit.dep_name + " IS NOT VALID", ERR_NOT_VALID);
        return false;
    }
    if (weighted_) {
        for (const long long t : skipped) note_weight_skipped(e_, static_cast<int>(t));
        fit.n = static_cast<int>(kept);
        fit.weighted = true;
        if (o_.NORMALIZ && !o_.REPLICAT && kept > 0) {
            const Real mean = total / kept;
            if (mean != 0) weight_scale_ = mean;
        }
    }
    return true;
}

// Pass 1: the cross products and the sums of the columns.
bool BlockPasses::first_pass() {
    OlsFit& fit = e_.fit;
    Real sum_log_root_w = 0;
    std::vector<Real*> ordered{&weight_sum_, &raw_, &sum_log_root_w, &replicated_};
    for (Real& v : weighted_sums_) ordered.push_back(&v);
    RowOrderSums carried(std::move(ordered));
    if (weighted_) carried.before_pass();
    const bool read = each_block(rows_, [&](const RowBlock& block) {
        prepare(block);
        gram_.add_block(block_columns(block, true), settings_.threads);
        for (int j = 0; j <= k_; ++j) {
            const Real* v = value_column(block, j);
            if (weighted_) {
                for (const std::size_t i : kept_) {
                    const Real value = v == nullptr ? Real(1) : v[i];
                    weighted_sums_[j] += weight_[i] * value;
                }
                continue;
            }
            if (v == nullptr) continue;
            column_sums_[j].add_values(v, block.length);
            column_squares_[j].add_products(v, v, block.length);
            if (j < k_)
                for (std::size_t i = 0; i < block.length; ++i)
                    largest_x_[j] = std::max(largest_x_[j], fabsq(v[i]));
        }
        for (const std::size_t i : kept_) {
            dummy_ = dummy_ && (equal_values(y_[i], 0) || equal_values(y_[i], 1));
            if (!weighted_) continue;
            weight_sum_ += weight_[i];
            raw_ += weight_[i] * y_[i] * y_[i];
            sum_log_root_w += qm::log(qm::sqrt(qm::abs(weight_[i])));
            replicated_ += weight_[i];
        }
    });
    if (weighted_) carried.after_pass();
    if (!all_read(read)) return false;
    if (weighted_) carried.take_whole();
    reduce_gram(gram_);
    parallel::reduce_exact_sums(column_sums_);
    parallel::reduce_exact_sums(column_squares_);
    largest_over_ranks(largest_x_);
    dummy_ = parallel::all_ranks_true(dummy_);
    if (weighted_) {
        fit.sum_log_root_w = sum_log_root_w;
        fit.weight_total = weight_sum_;
        note_weight_sums(e_, o_, replicated_);
    }
    return true;
}

void BlockPasses::residuals_of(const RowBlock& block) {
    resid_.assign(block.length, Real(0));
    fitted_.assign(block.length, Real(0));
    gram_residuals(block_columns(block, false), e_.coef_wide, resid_.data(), fitted_.data(),
                   settings_.threads);
}

// Pass 2: the residuals and their sums (with weights also the weighted squares of the columns
// about their means, which the warnings on constant regressors need before the solution is
// judged).
bool BlockPasses::second_pass() {
    OlsFit& fit = e_.fit;
    const bool solved = !e_.coef_wide.empty();
    std::vector<Real> y_kept, fitted_kept, resid_kept;
    std::vector<Real*> ordered;
    for (Real& v : weighted_squares_) ordered.push_back(&v);
    RowOrderSums carried(std::move(ordered));
    if (weighted_) carried.before_pass();
    const bool read = each_block(rows_, [&](const RowBlock& block) {
        prepare(block);
        if (weighted_)
            for (int j = 0; j <= k_; ++j) {
                const Real* v = value_column(block, j);
                const Real mean = j < k_ ? fit.xmean[j] : fit.ymean;
                for (const std::size_t i : kept_) {
                    const Real d = (v == nullptr ? Real(1) : v[i]) - mean;
                    weighted_squares_[j] += weight_[i] * d * d;
                }
            }
        if (!solved) return;
        residuals_of(block);
        y_kept.clear();
        fitted_kept.clear();
        resid_kept.clear();
        for (const std::size_t i : kept_) {
            const Real r = resid_[i];
            y_kept.push_back(y_[i]);
            fitted_kept.push_back(fitted_[i]);
            resid_kept.push_back(r);
            squares_.add_product(r, r);
            sum_.add(r);
            abs_sum_.add(fabsq(r));
            if (has_previous_) {
                // (r - p)**2 exactly: r*r + p*p - 2 r p.
                differences_.add_product(r, r);
                differences_.add_product(previous_, previous_);
                differences_.add_product(r, -2 * previous_);
                lag_.add_product(r, previous_);
            }
            if (!has_previous_) first_residual_ = r;
            previous_ = r;
            has_previous_ = true;
            runs_.add(r);
            if (first_sign_ == 0) first_sign_ = runs_.last; // this share's first sign
            if (sandwich_covariance_ready())
                largest_e_ = std::max(largest_e_, fabsq(sandwich_residual(block, i, r)));
        }
        observed_predicted_.add(y_kept.data(), fitted_kept.data(), y_kept.size());
        if (fit.log_dependent) {
            for (Real& v : y_kept) v = qm::exp(v);
            for (Real& v : fitted_kept) v = qm::exp(v);
            antilogs_.add(y_kept.data(), fitted_kept.data(), y_kept.size());
        }
    });
    if (weighted_) carried.after_pass();
    if (!all_read(read)) return false;
    if (weighted_) carried.take_whole();
    join_residuals_across_ranks();
    if (weighted_) {
        const auto sd = [&fit](Real ss) {
            return fit.nobs > 1 ? qm::sqrt(qm::abs(ss / (fit.nobs - 1))) : Real(0);
        };
        for (int j = 0; j < k_; ++j) fit.xsd[j] = sd(weighted_squares_[j]);
        fit.sst = weighted_squares_[k_];
        fit.ysd = sd(fit.sst);
    }
    return true;
}

// Pass 3: the residuals again, for their moments about the mean, the normal classes and the
// meat of the sandwich covariance.
bool BlockPasses::third_pass() {
    OlsFit& fit = e_.fit;
    const std::size_t n = static_cast<std::size_t>(fit.n);
    residual_mean_ = sum_.result() / n;
    if (o_.GF) classes_ = std::make_unique<NormalClassCounts>(fit.n);
    // The sandwich: scores x_t e_t (e_t scaled by the leverage under HC2 and HC3), the data
    // scaled by powers of two when far from 1, as the covariance of the data in memory does.
    const bool sandwich = sandwich_covariance_ready();
    const HeteroskedasticType type = o_.covariance.type;
    GramAccumulator meat(k_);
    std::vector<int> shift(static_cast<std::size_t>(k_), 0);
    int shift_e = 0;
    bool far = false;
    if (sandwich) {
        shift_e = exponent_of_largest(largest_e_);
        far = shift_e <= -BOUND_FAR_EXPONENT || shift_e >= BOUND_FAR_EXPONENT;
        for (int j = 0; j < k_; ++j) {
            // The constant's column is ones.
            shift[j] = where_.terms[j] < 0 ? 0 : exponent_of_largest(largest_x_[j]);
            far = far || shift[j] <= -BOUND_FAR_EXPONENT || shift[j] >= BOUND_FAR_EXPONENT;
        }
    }
    std::vector<Real> scores_e, resid_kept;
    std::vector<std::vector<Real>> scaled_x(static_cast<std::size_t>(k_));
    const bool read = each_block(rows_, [&](const RowBlock& block) {
        prepare(block);
        residuals_of(block);
        resid_kept.clear();
        for (const std::size_t i : kept_) {
            const Real r = resid_[i];
            resid_kept.push_back(r);
            const Real d = r - residual_mean_;
            const Real d2 = d * d;
            third_.add_product(d2, d);
            fourth_.add_product(d2, d2);
        }
        if (classes_) classes_->add(resid_kept.data(), resid_kept.size(), fit.sigma);
        if (!sandwich) return;
        const std::size_t length = block.length;
        scores_e.assign(length, Real(0));
        GramColumns scores;
        scores.nobs = length;
        for (int j = 0; j < k_; ++j) {
            const Real* v = value_column(block, j);
            if (!far) {
                scores.columns.push_back(v);
                continue;
            }
            std::vector<Real>& column = scaled_x[static_cast<std::size_t>(j)];
            column.assign(length, Real(0));
            for (std::size_t i = 0; i < length; ++i)
                column[i] = scalbnq(v == nullptr ? Real(1) : v[i], -shift[j]);
            scores.columns.push_back(column.data());
        }
        for (std::size_t i = 0; i < length; ++i) {
            const Real r = sandwich_residual(block, i, resid_[i]);
            scores_e[i] = far ? scalbnq(r, -shift_e) : r;
        }
        scores.row_scale = scores_e.data();
        meat.add_block(scores, settings_.threads);
    });
    if (!all_read(read)) return false;
    reduce_accumulators({&third_, &fourth_});
    if (classes_) classes_->add_over_ranks();
    if (!sandwich) return true;
    reduce_gram(meat);
    // The meat as the long-run covariance of the scores at bandwidth 0 takes it, then B S B.
    const std::size_t kk = static_cast<std::size_t>(k_);
    std::vector<Real> s(kk * kk, Real(0));
    const GramMatrix g = meat.finish();
    std::vector<Real> bread = fit.xtx_inv;
    if (!g.finite) {
        s.assign(kk * kk, nanq(""));
    } else {
        for (int a = 0; a < k_; ++a)
            for (int b = 0; b < k_; ++b) s[std::size_t(a) * kk + b] = g.at(a, b).hi;
    }
    if (far)
        for (std::size_t j = 0; j < kk; ++j)
            for (std::size_t l = 0; l < kk; ++l)
                bread[j * kk + l] = scalbnq(bread[j * kk + l], shift[j] + shift[l]);
    std::vector<Real> cov = sandwich_product(bread, s, k_);
    if (far)
        for (std::size_t j = 0; j < kk; ++j)
            for (std::size_t l = 0; l < kk; ++l)
                cov[j * kk + l] = scalbnq(cov[j * kk + l], 2 * shift_e - shift[j] - shift[l]);
    if (type == HeteroskedasticType::HC1)
        for (Real& v : cov) v *= Real(fit.n) / Real(fit.n - k_);
    fit.cov = std::move(cov);
    e_.notes.add(NotePlace::COVARIANCE, NoteKind::TEXT, covariance_note(o_.covariance, 0));
    return true;
}

// The statistics of the residuals from the sums of passes 2 and 3, formed as residual_stats
// forms them from the residuals in memory.
void BlockPasses::residual_statistics() {
    const OlsFit& fit = e_.fit;
    ResidualStats& s = e_.residuals;
    s = ResidualStats{};
    const int n = fit.n;
    if (n == 0) return;
    const std::size_t count = static_cast<std::size_t>(n);
    const Real ss = squares_.result();
    s.sum = sum_.result();
    s.abs_sum = abs_sum_.result();
    const Real diff = n > 1 ? differences_.result() : Real(0);
    const Real lag = lag_.result();
    if (ss > 0) {
        s.dw = diff / ss;
        s.rho = lag / ss;
    }
    s.von_neumann = n > 1 ? s.dw * n / (n - 1) : Real(0);
    s.variance = fit.df > 0 ? fit.sse / fit.df : Real(0);
    s.r2op = observed_predicted_.squared_correlation(count);
    if (fit.log_dependent) s.r2op_antilog = antilogs_.squared_correlation(count);
    runs_.finish(s);
    if (fit.lagged_dependent >= 0 && !fit.cov.empty()) {
        const int j = fit.lagged_dependent;
        const Real term = 1 - n * fit.cov[std::size_t(j) * fit.k + j];
        if (term > 0) {
            s.durh_available = true;
            s.durh = s.rho * qm::sqrt(n / term);
        }
    }
    const Real mean = residual_mean_;
    const Real m2 = exact_centred_from_sums(squares_, sum_, sum_, count, mean, mean) / n;
    set_normality_tests(s, n, m2, third_.result() / n, fourth_.result() / n);
    if (classes_) classes_->finish(s);
}

bool BlockPasses::run() {
    OlsFit& fit = e_.fit;
    if (!scan_rows()) return false;
    const int n = fit.n;
    fit.nobs = n;
    if (!first_pass()) return false;
    if (o_.REPLICAT) fit.nobs = replicated_;
    fit.xmean.assign(k_, 0);
    fit.xsd.assign(k_, 0);
    // The means (and, without weights, the spreads) of the columns.
    for (int j = 0; j <= k_; ++j) {
        Real mean = 0, sd = 0, ss = 0;
        if (weighted_) {
            mean = weight_sum_ != 0 ? weighted_sums_[j] / weight_sum_ : Real(0);
        } else if (j < k_ && where_.terms[j] < 0) {
            mean = n > 0 ? Real(1) : Real(0); // a column of ones: mean 1, no spread
        } else if (n > 0) {
            const std::size_t count = static_cast<std::size_t>(n);
            mean = column_sums_[j].result() / static_cast<Real>(count);
            ss = exact_centred_from_sums(column_squares_[j], column_sums_[j], column_sums_[j],
                                         count, mean, mean);
            sd = fit.nobs > 1 ? qm::sqrt(qm::abs(ss / (fit.nobs - 1))) : Real(0);
        }
        if (j < k_) {
            fit.xmean[j] = mean;
            fit.xsd[j] = sd;
        } else {
            fit.ymean = mean;
            fit.ysd = sd;
            fit.sst = ss;
        }
    }
    if (!weighted_) raw_ = n > 0 ? column_squares_[k_].result() : Real(0);
    fit.raw = raw_;

    // The solution, judged once the warnings on the data are noted.
    LsSolution sol;
    const GramMatrix gram = gram_.finish();
    bool not_finite = !gram.finite;
    if (gram.finite && n >= k_) {
        const GramFit solved = gram_cholesky_solve(gram, n, DEPENDENCE_RATIO);
        not_finite = solved.status == GramStatus::non_finite;
        sol = gram_solution(solved);
        if (solved.ok() && solved.out_of_range_column < 0) {
            e_.coef_wide = solved.coef_wide;
            fit.xtx_inv = sol.xtx_inv; // the leverages of the second pass read it
        }
    }
    if (!not_finite && !second_pass()) return false;
    note_data_warnings(e_, dummy_ && n > 0);
    if (n < k_) {
        e_.result.fail(too_few_observations_line(n), ERR_TOO_FEW_OBSERVATIONS);
        return false;
    }
    if (not_finite) {
        e_.result.fail(" ...ERROR..INFINITE OR UNDEFINED VALUES IN THE BOUND SERIES",
                       ERR_BOUND_NOT_FINITE);
        return false;
    }
    if (!solution_usable(e_, sol, o_)) return false;
    fit.coef = sol.coef;
    fit.xtx_inv = sol.xtx_inv;
    fit.sse = sol.sse;
    // Without weights SSE is that of the residuals as formed, exact.
    if (!weighted_) fit.sse = squares_.result();
    classical_covariance(fit, o_);
    if (!third_pass()) return false;
    summarise_ols_fit(e_, o_);
    residual_statistics();
    return true;
}

} // namespace

std::string option_needing_memory(const OlsFit& fit, const OlsOptions& o) {
    struct Need {
        bool needed;
        const char* name;
    };
    const OlsMethod method = o.method();
    const Need needs[] = {
        {o.LIST, "LIST"},
        {!name_blank(o.PREDICT), "PREDICT"},
        {!name_blank(o.RESID), "RESID"},
        {!name_blank(o.HATDIAG), "HATDIAG"},
        {o.INFLUENC, "INFLUENC"},
        {o.RECURSIV, "RECURSIV"},
        {o.LM, "LM"},
        {o.GNUPLOT || o.GRAPHICS, "GNUPLOT"},
        {o.RESTRICT, "RESTRICT"},
        {!name_blank(o.INCOEFFI), "INCOEFFI"},
        {o.PILAGS, "PILAGS"},
        {o.RIDGE != 0, "RIDGE"},
        {o.DWPVALUE || method == OlsMethod::HH, "METHOD=HH"},
        {o.AUTCOV > 0, "AUTCOV"},
        {o.HETCOV, "HETCOV"},
        {o.covariance.clustered(), "CLUSTER"},
        {o.AUXRSQR, "AUXRSQR"},
        {fit.log_regressors, o.LOGLOG ? "LOGLOG" : "LINLOG"},
        {!name_blank(o.PCOMPONE), "PCOMPONE"},
        {!o.DLRX && !find_lag_polynomials(fit.terms).empty(), "PDL"},
    };
    for (const Need& need : needs)
        if (need.needed) return need.name;
    return "";
}

OlsEstimate estimate_ols_blocks(RowBlocks& rows, const BoundOlsColumns& where, OlsFit equation,
                                const OlsOptions& o, const BoundOlsSettings& settings) {
    const long long total_rows = parallel::sum_over_ranks(rows.rows());
    if (total_rows < settings.in_memory_below) {
        bool read_ok = true;
        std::string failure;
        OlsInputs in =
            read_blocks_into_memory(rows, where, std::move(equation), settings, read_ok, failure);
        if (!read_ok) {
            OlsEstimate failed;
            failed.fit = std::move(in.fit);
            failed.result.fail(failure, ERR_BOUND_READ);
            return failed;
        }
        return estimate_ols(std::move(in), o);
    }
    OlsEstimate e;
    e.fit = std::move(equation);
    OlsFit& fit = e.fit;
    fit.rows_in_blocks = true;
    fit.n = static_cast<int>(total_rows);
    fit.obs.clear();
    fit.x.clear();
    fit.y.clear();
    note_ols_heading(e, o);
    BlockPasses passes(rows, where, e, o, settings);
    if (passes.run()) fill_ols_result(e, o, settings.output_on);
    return e;
}

} // namespace tarvex
