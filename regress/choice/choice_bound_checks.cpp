// The checks of the data of PROBIT and LOGIT over bound series, over this rank's rows and then
// put together over the ranks (see choice_bound_checks.hpp).
#include "regress/choice/choice_bound_checks.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/qmath.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"
#include "regress/choice/binary_blocks.hpp"
#include "regress/choice/multinomial_logit.hpp"
#include "workspace/workspace.hpp"

#include <string>

namespace tarvex {

namespace {

// The checks of this rank's rows.
void check_share(RowBlocks& rows, const ChoiceBlockColumns& where, Real missing,
                 BoundChoiceChecks& c) {
    const std::size_t k = where.terms.size();
    c.varies.assign(k, false);
    c.first.assign(k, Real(0));
    c.missing_at.assign(static_cast<std::size_t>(rows.columns()), {});
    RowBlock block;
    while (rows.next(block)) {
        const auto observation = [&block](std::size_t i) {
            return block.observations != nullptr ? block.observations[i]
                                                 : block.first + (long long)i + 1;
        };
        for (std::size_t col = 0; col < c.missing_at.size(); ++col)
            for (std::size_t i = 0; i < block.length; ++i)
                if (equal_values(block.columns[col][i], missing))
                    c.missing_at[col].push_back(observation(i));
        const Real* y = block.columns[std::size_t(where.dependent)];
        for (std::size_t i = 0; i < block.length; ++i) {
            const Real v = y[i];
            if (v == 0 || v == 1) {
                c.ones += v == 1;
                c.zero = c.zero || v == 0;
                continue;
            }
            const long long t = observation(i);
            if (c.first_not_binary < 0) c.first_not_binary = t, c.not_binary_value = v;
            if (v > 0 && qm::floor(v) == v && v < Real(1e9Q)) {
                if (c.whole.size() <= std::size_t(MAX_MULTINOMIAL_OUTCOMES))
                    c.whole.insert(static_cast<long long>(v));
            } else if (c.first_not_whole < 0) {
                c.first_not_whole = t, c.not_whole_value = v;
            }
        }
        for (std::size_t j = 0; j < k; ++j) {
            const int col = where.terms[j];
            if (col < 0) continue;
            const Real* x = block.columns[std::size_t(col)];
            for (std::size_t i = 0; i < block.length; ++i) {
                if (c.rows == 0 && i == 0)
                    c.first[j] = x[0];
                else if (!equal_values(x[i], c.first[j]))
                    c.varies[j] = true;
            }
        }
        c.rows += static_cast<long long>(block.length);
    }
}

// The findings of every rank put together as one pass over all their rows in order finds them.
void combine_over_ranks(BoundChoiceChecks& c) {
    if (parallel::rank_count() == 1) return;
    long long counts[3] = {c.ones, c.rows, c.zero ? 1 : 0};
    parallel::sum_over_ranks(counts, 3);
    // The first value not 0 or 1 (and not whole) of the lowest rank that has one.
    const std::vector<long long> at =
        parallel::gather_over_ranks(std::vector<long long>{c.first_not_binary, c.first_not_whole});
    const std::vector<Real> value =
        parallel::gather_over_ranks(std::vector<Real>{c.not_binary_value, c.not_whole_value});
    c.first_not_binary = c.first_not_whole = -1;
    for (std::size_t r = 0; r < at.size(); r += 2) {
        if (c.first_not_binary < 0 && at[r] >= 0)
            c.first_not_binary = at[r], c.not_binary_value = value[r];
        if (c.first_not_whole < 0 && at[r + 1] >= 0)
            c.first_not_whole = at[r + 1], c.not_whole_value = value[r + 1];
    }
    const std::vector<long long> whole =
        parallel::gather_over_ranks(std::vector<long long>(c.whole.begin(), c.whole.end()));
    c.whole.insert(whole.begin(), whole.end());
    // Each regressor's first value is that of the lowest rank with rows; it varies when it varies
    // within a share or a share starts with another value.
    const std::size_t k = c.first.size(), width = 1 + 2 * k;
    std::vector<Real> mine{Real(c.rows > 0 ? 1 : 0)};
    for (std::size_t j = 0; j < k; ++j) mine.push_back(Real(c.varies[j] ? 1 : 0));
    mine.insert(mine.end(), c.first.begin(), c.first.end());
    const std::vector<Real> shares = parallel::gather_over_ranks(mine);
    bool any_rows = false;
    for (std::size_t at_share = 0; at_share + width <= shares.size(); at_share += width) {
        if (shares[at_share] == 0) continue;
        for (std::size_t j = 0; j < k; ++j) {
            const Real first = shares[at_share + 1 + k + j];
            if (!any_rows) {
                c.first[j] = first;
                c.varies[j] = shares[at_share + 1 + j] != 0;
            } else if (shares[at_share + 1 + j] != 0 || !equal_values(first, c.first[j])) {
                c.varies[j] = true;
            }
        }
        any_rows = true;
    }
    for (std::vector<long long>& column : c.missing_at)
        column = parallel::gather_over_ranks(column);
    c.ones = counts[0];
    c.rows = counts[1];
    c.zero = counts[2] > 0;
}

} // namespace

bool check_bound_choice_rows(Run& run, RowBlocks& rows, const ChoiceBlockColumns& where,
                             BoundChoiceChecks& c, int read_error) {
    check_share(rows, where, run.ws.XMISS, c);
    std::string failure = rows.failure();
    if (!parallel::every_rank_ok(failure.empty(), failure)) {
        report_error(run, failure, read_error);
        return false;
    }
    rows.rewind();
    combine_over_ranks(c);
    return true;
}

} // namespace tarvex
