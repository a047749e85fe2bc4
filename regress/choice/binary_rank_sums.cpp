// The chunks' sums of the binary passes gathered over the ranks, and the double sums carried
// from rank to rank (see binary_rank_sums.hpp).
#include "regress/choice/binary_rank_sums.hpp"

#include "parallel/rank_exchange.hpp"
#include "regress/choice/binary_step_terms.hpp"

namespace tarvex {

namespace {

// Rows [begin, end) of `rows`.
BinaryRows rows_between(const BinaryRows& rows, std::size_t begin, std::size_t end) {
    BinaryRows part;
    part.y = rows.y + begin;
    for (const Real* column : rows.x) part.x.push_back(column + begin);
    if (rows.weighted()) part.weight = rows.weight + begin;
    part.n = end - begin;
    return part;
}

// Calls work(chunk, rows of the chunk) for the chunks of `rows` (on the threads, as a pass shares
// them), the chunks numbered from `first` on.
template <class Work>
void each_chunk(const BinaryRows& rows, std::size_t first, Work&& work) {
    for_each_chunk(rows.n, [&](std::size_t c, std::size_t begin, std::size_t end) {
        work(first + c, begin, rows_between(rows, begin, end));
    });
}

std::size_t chunk_count(std::size_t n) {
    return (n + PASS_CHUNK - 1) / PASS_CHUNK;
}

std::vector<double> flat(const DoublePoint& point) {
    std::vector<double> v{point.llf};
    v.insert(v.end(), point.gradient.begin(), point.gradient.end());
    v.insert(v.end(), point.hessian.begin(), point.hessian.end());
    return v;
}

void unflat(const std::vector<double>& v, DoublePoint& point) {
    const std::size_t k = point.gradient.size();
    point.llf = v[0];
    std::copy(v.begin() + 1, v.begin() + 1 + std::ptrdiff_t(k), point.gradient.begin());
    std::copy(v.begin() + 1 + std::ptrdiff_t(k), v.end(), point.hessian.begin());
}

} // namespace

void add_binary_pass_chunks(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& b,
                            std::vector<PassSums>& chunks, Real* root, long long first_row) {
    const std::size_t base = chunks.size();
    chunks.resize(base + chunk_count(rows.n));
    each_chunk(rows, base, [&](std::size_t c, std::size_t begin, const BinaryRows& part) {
        PassSums& s = chunks[c];
        s.reset(static_cast<int>(rows.x.size()));
        add_binary_pass(link, part, b, s, root == nullptr ? nullptr : root + begin, nullptr,
                        first_row + static_cast<long long>(begin));
    });
}

void add_binary_step_chunks(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& b,
                            const std::vector<Real>& d, std::vector<PassSums>& chunks,
                            long long first_row) {
    const std::size_t base = chunks.size();
    chunks.resize(base + chunk_count(rows.n));
    each_chunk(rows, base, [&](std::size_t c, std::size_t begin, const BinaryRows& part) {
        PassSums& s = chunks[c];
        s.reset(static_cast<int>(rows.x.size()));
        add_binary_step_terms(link, part, b, d, STEP_TERMS_REACH, s,
                              first_row + static_cast<long long>(begin));
    });
}

void merge_pass_chunks_over_ranks(const std::vector<PassSums>& chunks, int p, PassSums& sums) {
    // Each chunk as p + 3 values: the log-likelihood, the gradient, whether defined, the row.
    const std::size_t width = std::size_t(p) + 3;
    std::vector<Real> mine;
    mine.reserve(chunks.size() * width);
    for (const PassSums& s : chunks) {
        mine.push_back(s.llf);
        mine.insert(mine.end(), s.gradient.begin(), s.gradient.end());
        mine.push_back(s.defined ? Real(1) : Real(0));
        mine.push_back(Real(s.failed_row));
    }
    const std::vector<Real> all = parallel::gather_over_ranks(mine);
    sums.reset(p);
    PassSums chunk;
    chunk.reset(p);
    for (std::size_t at = 0; at + width <= all.size(); at += width) {
        chunk.llf = all[at];
        for (std::size_t j = 0; j < std::size_t(p); ++j) chunk.gradient[j] = all[at + 1 + j];
        chunk.defined = all[at + std::size_t(p) + 1] != 0;
        chunk.failed_row = static_cast<long long>(all[at + std::size_t(p) + 2]);
        sums.merge(chunk);
    }
}

void add_binary_totals_chunks(ChoiceLink link, const BinaryRows& rows,
                              const std::vector<Real>& theta, std::vector<BinaryTotals>& chunks) {
    const std::size_t base = chunks.size();
    chunks.resize(base + chunk_count(rows.n), BinaryTotals(rows.x.size()));
    each_chunk(rows, base, [&](std::size_t c, std::size_t, const BinaryRows& part) {
        add_binary_totals(link, part, theta, chunks[c], nullptr, nullptr, nullptr);
    });
}

void merge_totals_over_ranks(const std::vector<BinaryTotals>& chunks, BinaryTotals& totals) {
    // Each chunk as 5 + 2k values: the prediction table, sum f(z_i), sum f'(z_i) x_i, sum x_i.
    const std::size_t k = totals.x_sum.size(), width = 5 + 2 * k;
    std::vector<Real> mine;
    mine.reserve(chunks.size() * width);
    for (const BinaryTotals& t : chunks) {
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b) mine.push_back(Real(t.table[a][b]));
        mine.push_back(t.density);
        mine.insert(mine.end(), t.slope_x.begin(), t.slope_x.end());
        mine.insert(mine.end(), t.x_sum.begin(), t.x_sum.end());
    }
    const std::vector<Real> all = parallel::gather_over_ranks(mine);
    BinaryTotals chunk(k);
    for (std::size_t at = 0; at + width <= all.size(); at += width) {
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
                chunk.table[a][b] = static_cast<long long>(all[at + std::size_t(2 * a + b)]);
        chunk.density = all[at + 4];
        for (std::size_t j = 0; j < k; ++j) {
            chunk.slope_x[j] = all[at + 5 + j];
            chunk.x_sum[j] = all[at + 5 + k + j];
        }
        totals.merge(chunk);
    }
}

void receive_double_point(DoublePoint& point) {
    std::vector<double> v = flat(point);
    parallel::receive_from_previous_rank(v.data(), v.size());
    unflat(v, point);
}

void pass_double_point(const DoublePoint& point) {
    const std::vector<double> v = flat(point);
    parallel::pass_to_next_rank(v.data(), v.size());
}

void take_double_point(DoublePoint& point) {
    std::vector<double> v = flat(point);
    parallel::take_from_last_rank(v.data(), v.size());
    unflat(v, point);
}

ChoiceData gather_rows_over_ranks(const ChoiceData& mine, bool weighted) {
    // Row after row: y, the regressors, the weight.
    const std::size_t k = mine.x.size(), width = 1 + k + (weighted ? 1 : 0);
    std::vector<Real> rows;
    rows.reserve(mine.y.size() * width);
    for (std::size_t i = 0; i < mine.y.size(); ++i) {
        rows.push_back(mine.y[i]);
        for (std::size_t j = 0; j < k; ++j) rows.push_back(mine.x[j][i]);
        if (weighted) rows.push_back(mine.weight[i]);
    }
    const std::vector<Real> all = parallel::gather_over_ranks(rows);
    ChoiceData out;
    out.intercept = mine.intercept;
    out.x.resize(k);
    for (std::size_t at = 0; at + width <= all.size(); at += width) {
        out.y.push_back(all[at]);
        for (std::size_t j = 0; j < k; ++j) out.x[j].push_back(all[at + 1 + j]);
        if (weighted) out.weight.push_back(all[at + 1 + k]);
    }
    return out;
}

} // namespace tarvex
