// Binary PROBIT and LOGIT over blocks of rows: the block source behind the estimator's shared
// passes (binary_parts.hpp), and the estimate made from them.
#include "regress/choice/binary_blocks.hpp"

#include "numeric/fast_arith.hpp"
#include "regress/choice/binary_parts.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Ends the estimate when a block cannot be read or is cut off the chunks.
struct BinaryBlockFailure {
    std::string line;
};

class BinaryBlockSource : public BinarySource {
public:
    BinaryBlockSource(ChoiceLink link, RowBlocks& rows, const ChoiceBlockColumns& where)
        : link_(link), rows_(rows), where_(where) {}
    std::size_t rows() const override { return static_cast<std::size_t>(rows_.rows()); }

    // Calls work(view, block) for every block of a pass, in order.
    template <class Work>
    void each_block(Work&& work) {
        RowBlock block;
        long long expected = 0;
        while (rows_.next(block)) {
            if (block.first != expected || (expected % static_cast<long long>(PASS_CHUNK)) != 0)
                throw BinaryBlockFailure{" ...ERROR..BLOCKS OF ROWS NOT CUT AT WHOLE CHUNKS"};
            expected = block.first + static_cast<long long>(block.length);
            work(view(block), block);
        }
        if (!rows_.failure().empty()) throw BinaryBlockFailure{rows_.failure()};
        rows_.rewind();
    }

    void pass(const std::vector<Real>& b, PassSums& sums) override {
        sums.reset(static_cast<int>(where_.terms.size()));
        each_block([&](const BinaryRows& v, const RowBlock& block) {
            add_binary_pass(link_, v, b, sums, nullptr, nullptr, block.first);
        });
    }

    // Each pass forms the Hessian at its point as well, from the rows as they go by: the fit asks
    // for it at the point of the last pass, without another pass.
    ChoiceFit fit(const std::vector<Real>& start, const ChoiceControl& control) override {
        const int p = static_cast<int>(where_.terms.size());
        std::vector<Real> hessian;
        RowColumns none;
        none.pass_hessian = [&hessian] { return hessian; };
        return maximize_passes(none, start, control,
                               [&](const std::vector<Real>& b, PassSums& sums, std::vector<Real>&,
                                   std::vector<Real>&) {
                                   sums.reset(p);
                                   GramAccumulator gram(p);
                                   std::vector<Real> root;
                                   each_block([&](const BinaryRows& v, const RowBlock& block) {
                                       root.resize(v.n);
                                       add_binary_pass(link_, v, b, sums, root.data(), nullptr,
                                                       block.first);
                                       GramColumns g;
                                       g.columns = v.x;
                                       g.nobs = v.n;
                                       g.row_scale = root.data();
                                       gram.add_block(g);
                                   });
                                   hessian = minus_cross_products(gram);
                               });
    }

    DoubleStart double_start(const std::vector<Real>& start, int max_iterations,
                             const InterruptCheck& interrupt) override {
        return double_newton_start(
            [&](const std::vector<double>& b, bool derivatives, DoublePoint& out) {
                out.reset(b.size());
                each_block([&](const BinaryRows& v, const RowBlock&) {
                    add_double_rows(link_, double_sample(v), b, derivatives, out);
                });
                return out.complete();
            },
            start, max_iterations, interrupt);
    }

    ChoiceData rows_at(const std::vector<std::size_t>& keep) override {
        ChoiceData part;
        const std::size_t k = where_.terms.size();
        part.x.resize(k);
        for (std::size_t j = 0; j < k; ++j)
            if (where_.terms[j] < 0) part.intercept = static_cast<int>(j);
        std::size_t next = 0;
        each_block([&](const BinaryRows& v, const RowBlock& block) {
            const std::size_t first = static_cast<std::size_t>(block.first);
            for (; next < keep.size() && keep[next] < first + v.n; ++next) {
                const std::size_t i = keep[next] - first;
                part.y.push_back(v.y[i]);
                for (std::size_t j = 0; j < k; ++j) part.x[j].push_back(v.x[j][i]);
                if (v.weighted()) part.weight.push_back(v.weight[i]);
            }
        });
        return part;
    }

    // The block's rows as the passes read them: the intercept a column of ones.
    BinaryRows view(const RowBlock& block) {
        BinaryRows v;
        v.n = block.length;
        v.y = block.columns[std::size_t(where_.dependent)];
        if (where_.weight >= 0) v.weight = block.columns[std::size_t(where_.weight)];
        if (ones_.size() < block.length) ones_.assign(block.length, Real(1));
        for (const int c : where_.terms)
            v.x.push_back(c < 0 ? ones_.data() : block.columns[std::size_t(c)]);
        return v;
    }

private:
    ChoiceLink link_;
    RowBlocks& rows_;
    const ChoiceBlockColumns& where_;
    std::vector<Real> ones_;
};

} // namespace

BinaryBlockEstimate estimate_binary_blocks(ChoiceLink link, RowBlocks& rows,
                                           const ChoiceBlockColumns& where,
                                           const ChoiceControl& control) {
    BinaryBlockEstimate out;
    if (control.sandwich || control.covariance.clustered() ||
        control.method != MaximizeMethod::NEWTON) {
        out.failure = BINARY_BLOCKS_NEWTON_ONLY;
        return out;
    }
    BinaryEstimate& e = out.estimate;
    const int k = static_cast<int>(where.terms.size());
    e.n = static_cast<int>(rows.rows());
    e.k = k;
    int intercept = -1;
    for (int j = 0; j < k; ++j)
        if (where.terms[std::size_t(j)] < 0) intercept = j;
    BinaryBlockSource source(link, rows, where);
    try {
        // The ones (weighted) and the rows counted with their weights, row after row as the
        // sample in memory sums them.
        Real ones = 0, total = 0;
        source.each_block([&](const BinaryRows& v, const RowBlock&) {
            for (std::size_t i = 0; i < v.n; ++i) {
                total += v.weight_of(i);
                if (fast_is_zero(v.y[i])) continue;
                ++e.ones;
                ones += v.weight_of(i);
            }
        });
        if (where.weight < 0) total = Real(e.n);
        const Real llf0 = constants_llf(ones, total, intercept >= 0);
        const ChoiceFit fit = fit_binary_source(
            link, source, simple_start(link, k, intercept, ones / total), control, e);
        e.iterations = fit.iterations;
        e.history = fit.history;
        e.history_llf = fit.history_llf;
        e.end = fit.end;
        e.bad_column = fit.bad_parameter;
        if (fit.end != ChoiceEnd::CONVERGED) return out;
        BinaryTotals totals(static_cast<std::size_t>(k));
        source.each_block([&](const BinaryRows& v, const RowBlock&) {
            add_binary_totals(link, v, fit.theta, totals, nullptr, nullptr, nullptr);
        });
        std::vector<Real> cov;
        if (!choice_covariance(fit, k, false, cov, e.bad_column)) {
            e.end = ChoiceEnd::SINGULAR;
            return out;
        }
        describe_binary(link, fit, std::move(cov), totals, llf0, total, intercept, e);
    } catch (const BinaryBlockFailure& failure) {
        out.failure = failure.line;
    }
    return out;
}

} // namespace tarvex
