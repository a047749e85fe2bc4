// TOBIT over blocks of rows: the block source behind the estimator's shared passes
// (tobit_parts.hpp), and the estimate made from them.
#include "regress/choice/tobit_blocks.hpp"

#include "regress/choice/binary_blocks.hpp"
#include "regress/choice/tobit_parts.hpp"

#include <numeric>

namespace tarvex {

namespace {

// Ends the estimate when a block cannot be read or is cut off the chunks.
struct TobitBlockFailure {
    std::string line;
};

class TobitBlockSource : public TobitSource {
public:
    TobitBlockSource(RowBlocks& rows, const ChoiceBlockColumns& where, const TobitCensoring& c)
        : rows_(rows), where_(where), censoring_(c) {}
    std::size_t rows() const override { return static_cast<std::size_t>(rows_.rows()); }

    // Calls work(stretch, block) for every block of a pass, in order.
    template <class Work>
    void each_block(Work&& work) {
        RowBlock block;
        long long expected = 0;
        while (rows_.next(block)) {
            if (block.first != expected || (expected % static_cast<long long>(PASS_CHUNK)) != 0)
                throw TobitBlockFailure{" ...ERROR..BLOCKS OF ROWS NOT CUT AT WHOLE CHUNKS"};
            expected = block.first + static_cast<long long>(block.length);
            work(view(block), block);
        }
        if (!rows_.failure().empty()) throw TobitBlockFailure{rows_.failure()};
        rows_.rewind();
    }

    // The counts and sums of the sample, in one pass; N_u of every later pass is taken from them.
    TobitTotals totals() {
        TobitTotals t(where_.terms.size());
        each_block([&](const TobitStretch& v, const RowBlock&) { add_tobit_totals(v, t); });
        between_ = t.between;
        return t;
    }
    // N_u known already (the intercept-only model of the same rows).
    void set_between(Real between) { between_ = between; }

    void pass(const std::vector<Real>& theta, PassSums& sums) override {
        sums.reset(static_cast<int>(theta.size()));
        each_block([&](const TobitStretch& v, const RowBlock& block) {
            add_tobit_pass(v, censoring_, theta, sums, nullptr, nullptr, block.first);
        });
        finish_tobit_pass(between_, theta, sums, nullptr);
    }

    // Each pass forms the Hessian of the rows at its point as well, as they go by: the fit asks
    // for it at the point of the last pass, without another pass.
    ChoiceFit fit(const std::vector<Real>& start, const ChoiceControl& control) override {
        const int p = static_cast<int>(where_.terms.size()) + 1;
        std::vector<Real> hessian;
        RowColumns none;
        none.pass_hessian = [&hessian] { return hessian; };
        return maximize_passes(
            none, start, control,
            [&](const std::vector<Real>& theta, PassSums& sums, std::vector<Real>&,
                std::vector<Real>&) {
                sums.reset(p);
                GramAccumulator gram(p);
                std::vector<Real> root;
                each_block([&](const TobitStretch& v, const RowBlock& block) {
                    root.resize(v.n);
                    add_tobit_pass(v, censoring_, theta, sums, root.data(), nullptr, block.first);
                    GramColumns g;
                    g.columns = v.x;
                    g.columns.push_back(v.limit);
                    g.nobs = v.n;
                    g.row_scale = root.data();
                    gram.add_block(g);
                });
                hessian = minus_cross_products(gram);
            },
            [&](const std::vector<Real>& theta, PassSums& sums, std::vector<Real>* h) {
                finish_tobit_pass(between_, theta, sums, h);
            });
    }

    DoubleStart double_start(const std::vector<Real>& start, int max_iterations,
                             const InterruptCheck& interrupt) override {
        const double between = start_double(between_);
        return double_newton_start(
            [&](const std::vector<double>& theta, bool derivatives, DoublePoint& point) {
                if (!start_tobit_double(theta, point)) return false;
                each_block([&](const TobitStretch& v, const RowBlock&) {
                    add_tobit_double_rows(tobit_double_rows(v), censoring_, theta, derivatives,
                                          point);
                });
                return finish_tobit_double(between, theta, derivatives, point);
            },
            start, max_iterations, interrupt);
    }

    ChoiceData rows_at(const std::vector<std::size_t>& keep) override {
        ChoiceData part = empty_choice_rows(where_);
        std::size_t next = 0;
        each_block([&](const TobitStretch& v, const RowBlock& block) {
            append_kept_rows(v, static_cast<std::size_t>(block.first), keep, next, part);
        });
        return part;
    }

    // A short sample is gathered once; a long one is not held at once.
    const ChoiceData* every_row() override {
        if (rows() > SUBSAMPLE_ABOVE) return nullptr;
        if (every_.y.size() != rows()) {
            std::vector<std::size_t> all(rows());
            std::iota(all.begin(), all.end(), std::size_t(0));
            every_ = rows_at(all);
        }
        return &every_;
    }

private:
    // The block's rows as the passes read them: the intercept a column of ones, the sides and the
    // last column of the row vectors formed for the block.
    TobitStretch view(const RowBlock& block) {
        TobitStretch v;
        v.n = block.length;
        v.y = block.columns[std::size_t(where_.dependent)];
        if (where_.weight >= 0) v.weight = block.columns[std::size_t(where_.weight)];
        if (ones_.size() < block.length) ones_.assign(block.length, Real(1));
        for (const int c : where_.terms)
            v.x.push_back(c < 0 ? ones_.data() : block.columns[std::size_t(c)]);
        side_.resize(block.length);
        limit_.resize(block.length);
        tobit_sides(v.y, v.n, censoring_, side_.data(), limit_.data());
        v.side = side_.data();
        v.limit = limit_.data();
        return v;
    }

    RowBlocks& rows_;
    const ChoiceBlockColumns& where_;
    TobitCensoring censoring_;
    Real between_ = 0;
    std::vector<Real> ones_, limit_;
    std::vector<TobitSide> side_;
    ChoiceData every_;
};

// What a fit that needed every row of a long sample for its start is refused as.
const char* const TOBIT_START_NEEDS_ROWS = "A START NOT FOUND ON A SUBSAMPLE";

} // namespace

TobitBlockEstimate estimate_tobit_blocks(RowBlocks& rows, const ChoiceBlockColumns& where,
                                         const TobitCensoring& censoring,
                                         const ChoiceControl& control) {
    TobitBlockEstimate out;
    if (!blocks_can_estimate(control)) {
        out.failure = BINARY_BLOCKS_NEWTON_ONLY;
        return out;
    }
    TobitEstimate& e = out.estimate;
    const int k = static_cast<int>(where.terms.size()), p = k + 1;
    e.n = static_cast<int>(rows.rows());
    e.k = k;
    const int intercept = intercept_term(where);
    TobitBlockSource source(rows, where, censoring);
    try {
        const TobitTotals totals = source.totals();
        e.n_below = static_cast<int>(totals.below);
        e.n_above = static_cast<int>(totals.above);
        e.n_between = e.n - e.n_below - e.n_above;
        bool needs_every_row = false;
        const ChoiceFit fit = fit_tobit_source(source, censoring, control, e.subsample_n,
                                               e.double_iterations, needs_every_row);
        if (needs_every_row) {
            out.needs_memory = TOBIT_START_NEEDS_ROWS;
            return out;
        }
        e.iterations = fit.iterations;
        e.end = fit.end;
        e.bad_column = fit.bad_parameter;
        if (fit.end == ChoiceEnd::UNDEFINED || fit.end == ChoiceEnd::SINGULAR ||
            fit.end == ChoiceEnd::EXACT_FIT)
            return out;
        tobit_history(fit, e);
        std::vector<Real> v;
        if (!choice_covariance(fit, p, false, v, e.bad_column)) {
            e.end = ChoiceEnd::SINGULAR;
            return out;
        }
        bool has_llf0 = false;
        Real llf0 = 0;
        if (intercept >= 0 && k > 1) {
            ChoiceBlockColumns alone = where;
            alone.terms = {-1};
            TobitBlockSource alone_source(rows, alone, censoring);
            alone_source.set_between(totals.between);
            int unused_n = 0, unused_double = 0;
            const ChoiceFit f0 = fit_tobit_source(alone_source, censoring, control, unused_n,
                                                  unused_double, needs_every_row);
            if (needs_every_row) {
                out.needs_memory = TOBIT_START_NEEDS_ROWS;
                return out;
            }
            has_llf0 = f0.end == ChoiceEnd::CONVERGED;
            llf0 = f0.llf;
        }
        describe_tobit(fit, v, totals, has_llf0, llf0, intercept, censoring, e);
    } catch (const TobitBlockFailure& failure) {
        out.failure = failure.line;
    }
    return out;
}

} // namespace tarvex
