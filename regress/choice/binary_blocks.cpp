// Binary PROBIT and LOGIT over blocks of rows: the block source behind the estimator's shared
// passes (binary_parts.hpp), over this rank's share of the rows in a run over several ranks, and
// the estimate made from them.
#include "regress/choice/binary_blocks.hpp"

#include "numeric/fast_arith.hpp"
#include "parallel/exact_reduce.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"
#include "regress/choice/binary_parts.hpp"
#include "regress/choice/binary_rank_sums.hpp"

#include <algorithm>

namespace tarvex {

namespace {

const char* const BLOCKS_NOT_IN_CHUNKS = " ...ERROR..BLOCKS OF ROWS NOT CUT AT WHOLE CHUNKS";

// Ends the estimate when a block cannot be read or is cut off the chunks.
struct BinaryBlockFailure {
    std::string line;
};

class BinaryBlockSource : public BinarySource {
public:
    // Collective in a run over several ranks (the rows are counted over the ranks).
    BinaryBlockSource(ChoiceLink link, RowBlocks& rows, const ChoiceBlockColumns& where)
        : link_(link), rows_(rows), where_(where), total_(parallel::sum_over_ranks(rows.rows())) {
        const parallel::RowShare share =
            parallel::my_share_of_rows(total_, static_cast<long long>(PASS_CHUNK));
        first_row_ = share.first;
        whole_chunks_ = share.end - share.first == rows.rows();
    }
    std::size_t rows() const override { return static_cast<std::size_t>(total_); }

    // Calls work(view, block) for every block of this rank's rows, in order, and rewinds them.
    // Returns the line of a read that failed or of a block cut off the chunks, else empty.
    template <class Work>
    std::string read_blocks(Work&& work) {
        if (!whole_chunks_) return BLOCKS_NOT_IN_CHUNKS;
        RowBlock block;
        long long expected = 0;
        while (rows_.next(block)) {
            if (block.first != expected || (expected % static_cast<long long>(PASS_CHUNK)) != 0)
                return BLOCKS_NOT_IN_CHUNKS;
            expected = block.first + static_cast<long long>(block.length);
            work(view(block), block);
        }
        if (!rows_.failure().empty()) return rows_.failure();
        rows_.rewind();
        return "";
    }
    // Ends the estimate on every rank when the blocks of any rank could not be read (collective).
    static void agree(std::string failure) {
        if (!parallel::every_rank_ok(failure.empty(), failure)) throw BinaryBlockFailure{failure};
    }
    template <class Work>
    void each_block(Work&& work) {
        agree(read_blocks(work));
    }
    // The row of the data as a whole that the block's first row is.
    long long row_of(const RowBlock& block) const { return first_row_ + block.first; }

    // Each rank sums the chunks of its rows; the chunks of every rank are then added in order.
    void pass(const std::vector<Real>& b, PassSums& sums) override {
        std::vector<PassSums> chunks;
        each_block([&](const BinaryRows& v, const RowBlock& block) {
            add_binary_pass_chunks(link_, v, b, chunks, nullptr, row_of(block));
        });
        merge_pass_chunks_over_ranks(chunks, static_cast<int>(where_.terms.size()), sums);
    }

    void step_terms(const std::vector<Real>& b, const std::vector<Real>& d,
                    PassSums& sums) override {
        std::vector<PassSums> chunks;
        each_block([&](const BinaryRows& v, const RowBlock& block) {
            add_binary_step_chunks(link_, v, b, d, chunks, row_of(block));
        });
        merge_pass_chunks_over_ranks(chunks, static_cast<int>(where_.terms.size()), sums);
    }

    // Each pass forms the Hessian at its point as well, from the rows as they go by: the fit asks
    // for it at the point of the last pass, without another pass. Its exact sums are added over
    // the ranks.
    ChoiceFit fit(const std::vector<Real>& start, const ChoiceControl& control) override {
        const int p = static_cast<int>(where_.terms.size());
        std::vector<Real> hessian;
        RowColumns none;
        none.pass_hessian = [&hessian] { return hessian; };
        return maximize_passes(none, start, control,
                               [&](const std::vector<Real>& b, PassSums& sums, std::vector<Real>&,
                                   std::vector<Real>&) {
                                   GramAccumulator gram(p);
                                   std::vector<Real> root;
                                   std::vector<PassSums> chunks;
                                   each_block([&](const BinaryRows& v, const RowBlock& block) {
                                       root.resize(v.n);
                                       add_binary_pass_chunks(link_, v, b, chunks, root.data(),
                                                              row_of(block));
                                       GramColumns g;
                                       g.columns = v.x;
                                       g.nobs = v.n;
                                       g.row_scale = root.data();
                                       gram.add_block(g);
                                   });
                                   merge_pass_chunks_over_ranks(chunks, p, sums);
                                   parallel::reduce_exact_sums(gram.sums());
                                   if (!parallel::all_ranks_true(gram.finite()))
                                       gram.mark_not_finite();
                                   hessian = minus_cross_products(gram);
                               });
    }

    // The double sums go along the rows through the ranks in order, as one pass adds them.
    DoubleStart double_start(const std::vector<Real>& start, int max_iterations,
                             const InterruptCheck& interrupt) override {
        DoubleRowTerms terms;
        return double_newton_start(
            [&](const std::vector<double>& b, bool derivatives, DoublePoint& out) {
                out.reset(b.size());
                receive_double_point(out);
                const std::string failure = read_blocks([&](const BinaryRows& v, const RowBlock&) {
                    add_double_rows(link_, double_sample(v), b, derivatives, out, terms);
                });
                pass_double_point(out);
                agree(failure);
                take_double_point(out);
                return out.complete();
            },
            start, max_iterations, interrupt);
    }

    // The rows of this rank's share among `keep` (rows of the data as a whole), then every
    // rank's in rank order.
    ChoiceData rows_at(const std::vector<std::size_t>& keep) override {
        ChoiceData part = empty_choice_rows(where_);
        std::size_t next = static_cast<std::size_t>(
            std::lower_bound(keep.begin(), keep.end(), static_cast<std::size_t>(first_row_)) -
            keep.begin());
        each_block([&](const BinaryRows& v, const RowBlock& block) {
            append_kept_rows(v, static_cast<std::size_t>(row_of(block)), keep, next, part);
        });
        return gather_rows_over_ranks(part, where_.weight >= 0);
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
    long long total_;           // the rows of every rank
    long long first_row_ = 0;   // this rank's first row among them
    bool whole_chunks_ = false; // whether this rank's share is cut at whole chunks
    std::vector<Real> ones_;
};

} // namespace

BinaryBlockEstimate estimate_binary_blocks(ChoiceLink link, RowBlocks& rows,
                                           const ChoiceBlockColumns& where,
                                           const ChoiceControl& control) {
    BinaryBlockEstimate out;
    if (!blocks_can_estimate(control)) {
        out.failure = BINARY_BLOCKS_NEWTON_ONLY;
        return out;
    }
    BinaryEstimate& e = out.estimate;
    const int k = static_cast<int>(where.terms.size());
    const int intercept = intercept_term(where);
    BinaryBlockSource source(link, rows, where);
    e.n = static_cast<int>(source.rows());
    e.k = k;
    try {
        // The ones (weighted) and the rows counted with their weights, row after row as the
        // sample in memory sums them: carried through the ranks in order.
        Real carried[2] = {0, 0}; // the ones, the total
        parallel::receive_from_previous_rank(carried, 2);
        long long ones_here = 0;
        const std::string failure = source.read_blocks([&](const BinaryRows& v, const RowBlock&) {
            for (std::size_t i = 0; i < v.n; ++i) {
                carried[1] += v.weight_of(i);
                if (fast_is_zero(v.y[i])) continue;
                ++ones_here;
                carried[0] += v.weight_of(i);
            }
        });
        parallel::pass_to_next_rank(carried, 2);
        BinaryBlockSource::agree(failure);
        parallel::take_from_last_rank(carried, 2);
        e.ones = static_cast<int>(parallel::sum_over_ranks(ones_here));
        const Real ones = carried[0];
        const Real total = where.weight < 0 ? Real(e.n) : carried[1];
        const Real llf0 = constants_llf(ones, total, intercept >= 0);
        const ChoiceFit fit = fit_binary_source(
            link, source, simple_start(link, k, intercept, ones / total), control, e);
        e.iterations = fit.iterations;
        e.history = fit.history;
        e.history_llf = fit.history_llf;
        e.end = fit.end;
        e.bad_column = fit.bad_parameter;
        if (fit.end != ChoiceEnd::CONVERGED) return out;
        std::vector<BinaryTotals> chunks;
        source.each_block([&](const BinaryRows& v, const RowBlock&) {
            add_binary_totals_chunks(link, v, fit.theta, chunks);
        });
        BinaryTotals totals(static_cast<std::size_t>(k));
        merge_totals_over_ranks(chunks, totals);
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
