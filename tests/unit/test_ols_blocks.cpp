// OLS over row blocks against OLS of the same data in memory: the rows served from memory in
// blocks of several sizes (a few rows, a block edge inside every pass, one block for all), with
// and without the constant, with weights (some dropped), a logged dependent variable, the
// heteroskedasticity-consistent covariances and the residual statistics: every stored value,
// every estimate and every report line the same to the bit. Also the accumulator of the exact
// cross products fed in blocks and merged, a failed read and an infinite value.
#include "kernels/exact_gram.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/ols/ols_bound.hpp"
#include "regress/ols/ols_command.hpp"
#include "regress/ols/ols_report.hpp"

#include "memory_rows.hpp"
#include "ols_engine.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_equal;
using testing::expect_all_bits;
using testing::OlsEngine;

using testing::MemoryRows;

constexpr int ROWS = 70000; // above the length from which data in memory are fitted in place

struct Data {
    std::vector<Real> y, x1, x2, w;
};

Data make_data(unsigned seed) {
    std::mt19937_64 gen(seed);
    std::uniform_int_distribution<int> digits(-99999, 99999);
    Data d;
    for (int t = 0; t < ROWS; ++t) {
        const Real x1 = Real(digits(gen)) / 1000, x2 = Real(digits(gen)) / 7;
        const Real noise = Real(digits(gen)) / 3000;
        d.x1.push_back(x1);
        d.x2.push_back(x2);
        // Positive, for the logs; a few weights zero (those rows dropped).
        d.y.push_back(500 + 2 * x1 - Real(1) / 3 * x2 / 100 + noise);
        d.w.push_back(t % 997 == 0 ? Real(0) : Real(1 + t % 5) / 2);
    }
    return d;
}

struct Case {
    std::string name;
    bool constant = true;
    bool weighted = false;
    bool logged = false;
    int hc = -1; // HeteroskedasticType, -1: classical
    bool gf = false;
};

OlsFit equation_of(OlsEngine& e, const Case& c) {
    OlsFit f;
    f.label = "  OLS ";
    f.dep_ref = VFIND(e.run, "Y");
    f.dep_name = first_8_padded("Y");
    for (const char* name : {"X1", "X2"}) {
        OlsTerm t;
        t.ref = VFIND(e.run, name);
        t.name = first_8_padded(name);
        f.terms.push_back(t);
    }
    if (c.constant) {
        OlsTerm t;
        t.kind = TermKind::INTERCEPT;
        t.ref = e.run.ws.MAXVAR + 1;
        t.name = first_8_padded("CONSTANT");
        f.terms.push_back(t);
        f.has_intercept = true;
    }
    f.k = int(f.terms.size());
    f.beg = 1;
    f.end = ROWS;
    f.n = ROWS;
    f.log_dependent = c.logged;
    if (c.weighted) f.weight_ref = VFIND(e.run, "W");
    return f;
}

OlsOptions options_of(OlsEngine& e, const Case& c) {
    set_olsq_defaults(e.run);
    OlsOptions o = read_olsq_options(e.run);
    o.RSTAT = true;
    o.ANOVA = true;
    o.PCOV = true;
    o.GF = c.gf;
    o.LOGLIN = c.logged;
    if (c.weighted) o.WEIGHT = first_8_padded("W");
    if (c.hc >= 0) {
        o.covariance.type = static_cast<HeteroskedasticType>(c.hc);
        o.covariance.typed_hc = true;
    }
    apply_olsq_implications(o, false);
    return o;
}

// The report lines of an estimate.
std::vector<std::string> report_of(OlsEngine& e, const OlsEstimate& est, const OlsOptions& o) {
    e.lines();
    OLSOUT(e.run, est, o);
    return e.lines();
}

void expect_same_fit(OlsEngine& e, const OlsEstimate& blocks, const OlsEstimate& memory,
                     const OlsOptions& o) {
    ASSERT_FALSE(memory.failed()) << memory.result.failure.line;
    ASSERT_FALSE(blocks.failed()) << blocks.result.failure.line;
    expect_all_bits(blocks.fit.coef, memory.fit.coef, "coef");
    expect_all_bits(blocks.fit.cov, memory.fit.cov, "cov");
    expect_all_bits(blocks.fit.se, memory.fit.se, "se");
    expect_all_bits(blocks.fit.xmean, memory.fit.xmean, "xmean");
    expect_all_bits(blocks.fit.xsd, memory.fit.xsd, "xsd");
    expect_all_bits({blocks.fit.sse, blocks.fit.sst, blocks.fit.raw, blocks.fit.ymean,
                     blocks.fit.ysd, blocks.fit.nobs, blocks.result.record.swt},
                    {memory.fit.sse, memory.fit.sst, memory.fit.raw, memory.fit.ymean,
                     memory.fit.ysd, memory.fit.nobs, memory.result.record.swt},
                    "sums");
    const ResidualStats& r = blocks.residuals;
    const ResidualStats& m = memory.residuals;
    expect_all_bits(
        {r.dw, r.rho, r.sum, r.abs_sum, r.r2op, r.r2op_antilog, r.skew, r.kurt, r.jb, r.runs_z},
        {m.dw, m.rho, m.sum, m.abs_sum, m.r2op, m.r2op_antilog, m.skew, m.kurt, m.jb, m.runs_z},
        "residual statistics");
    EXPECT_EQ(r.runs, m.runs);
    expect_all_bits(r.gf_observed, m.gf_observed, "goodness-of-fit classes");
    // The stored $ values, in the order they are set.
    ASSERT_EQ(blocks.result.scalars.size(), memory.result.scalars.size());
    for (std::size_t i = 0; i < blocks.result.scalars.size(); ++i) {
        EXPECT_EQ(blocks.result.scalars[i].id, memory.result.scalars[i].id);
        EXPECT_TRUE(bits_equal(blocks.result.scalars[i].value, memory.result.scalars[i].value))
            << "scalar " << i;
    }
    const std::vector<std::string> memory_lines = report_of(e, memory, o);
    const std::vector<std::string> block_lines = report_of(e, blocks, o);
    EXPECT_GT(memory_lines.size(), 30u);
    EXPECT_EQ(block_lines, memory_lines);
}

TEST(OlsBlocks, SameBitsAndReportAsInMemoryForEveryBlockSize) {
    OlsEngine e(2000000);
    const Data d = make_data(37);
    e.data("Y", d.y);
    e.data("X1", d.x1);
    e.data("X2", d.x2);
    e.data("W", d.w);
    e.sample(1, ROWS);
    const std::vector<Case> cases = {
        {"plain", true, false, false, -1, true},
        {"no constant", false, false, false, -1, false},
        {"weighted", true, true, false, -1, false},
        {"logged y", true, false, true, -1, false},
        {"HC0", true, false, false, int(HeteroskedasticType::HC0), false},
        {"HC1", true, false, false, int(HeteroskedasticType::HC1), false},
        {"HC2 without constant", false, false, false, int(HeteroskedasticType::HC2), false},
        {"HC3", true, false, false, int(HeteroskedasticType::HC3), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OlsOptions o = options_of(e, c);
        const OlsEstimate memory = estimate_ols(read_ols_inputs(e.run, equation_of(e, c), o), o);
        for (const std::size_t block : {std::size_t(13), std::size_t(4099), std::size_t(ROWS)}) {
            SCOPED_TRACE(block);
            MemoryRows rows({d.y, d.x1, d.x2, d.w}, block);
            BoundOlsColumns where;
            where.dependent = 0;
            where.terms = c.constant ? std::vector<int>{1, 2, -1} : std::vector<int>{1, 2};
            where.weight = c.weighted ? 3 : -1;
            BoundOlsSettings settings;
            settings.missing_value = e.run.ws.XMISS;
            const OlsEstimate blocks =
                estimate_ols_blocks(rows, where, equation_of(e, c), o, settings);
            EXPECT_TRUE(blocks.fit.resid.empty()); // no row of the data is held
            expect_same_fit(e, blocks, memory, o);
        }
    }
}

// The missing code among long samples is found in the first pass over the blocks, column by
// column, at the observations that hold it (the equation is fitted with it as data, as in
// memory), wherever the blocks are cut.
TEST(OlsBlocks, FirstPassFindsTheMissingCode) {
    OlsEngine e(2000000);
    Data d = make_data(11);
    const Real missing = e.run.ws.XMISS;
    d.y[4000] = missing;
    d.x1[12] = missing;
    d.x1[ROWS - 1] = missing;
    d.w[5] = missing;
    for (const std::size_t block : {std::size_t(13), std::size_t(ROWS)}) {
        SCOPED_TRACE(block);
        MemoryRows rows({d.y, d.x1, d.x2, d.w}, block);
        BoundOlsColumns where;
        where.terms = {1, 2, -1};
        where.weight = 3;
        Case c;
        c.weighted = true;
        const OlsOptions o = options_of(e, c);
        BoundOlsSettings settings;
        settings.missing_value = missing;
        std::vector<std::vector<long long>> found;
        settings.missing_observations = &found;
        const OlsFit equation = equation_of(e, c);
        const OlsEstimate blocks = estimate_ols_blocks(rows, where, equation, o, settings);
        EXPECT_FALSE(blocks.failed()) << blocks.result.failure.line;
        const std::vector<std::vector<long long>> expected = {{4001}, {13, ROWS}, {}, {6}};
        EXPECT_EQ(found, expected);
    }
}

// The options that need the rows in memory are refused by the bound/ols_refused golden.
TEST(OlsBlocks, AFailedReadAndAnInfiniteValue) {
    OlsEngine e;
    Case plain{"plain"};
    // A read that fails ends the estimation with the line of the source.
    const Data d = make_data(5);
    e.data("Y", d.y);
    e.data("X1", d.x1);
    e.data("X2", d.x2);
    MemoryRows rows({d.y, d.x1, d.x2}, 5000, ROWS - 10);
    BoundOlsColumns where{0, {1, 2, -1}, -1};
    const OlsEstimate est =
        estimate_ols_blocks(rows, where, equation_of(e, plain), options_of(e, plain), {});
    ASSERT_TRUE(est.failed());
    EXPECT_EQ(est.result.failure.line, " ...ERROR..READING ROW " + std::to_string(ROWS - 10));
    EXPECT_EQ(est.result.failure.number, ERR_BOUND_READ);

    // An infinite value among the rows ends the estimation before the solution.
    std::vector<Real> spoilt = d.x2;
    spoilt[ROWS / 2] = Real(1) / Real(0);
    MemoryRows with_infinity({d.y, d.x1, spoilt}, 5000);
    const OlsEstimate inf =
        estimate_ols_blocks(with_infinity, where, equation_of(e, plain), options_of(e, plain), {});
    ASSERT_TRUE(inf.failed());
    EXPECT_EQ(inf.result.failure.line,
              " ...ERROR..INFINITE OR UNDEFINED VALUES IN THE BOUND SERIES");
    EXPECT_EQ(inf.result.failure.number, ERR_BOUND_NOT_FINITE);
}

TEST(OlsBlocks, GramAccumulatorMergesBlocksToTheSameBits) {
    const Data d = make_data(11);
    GramColumns whole;
    whole.columns = {d.x1.data(), nullptr, d.y.data()};
    whole.nobs = ROWS;
    const GramMatrix once = exact_gram(whole, 2);
    // Two accumulators over alternate blocks of uneven sizes, merged.
    GramAccumulator even(3), odd(3);
    std::size_t at = 0;
    for (int b = 0; at < std::size_t(ROWS); ++b) {
        const std::size_t length =
            std::min<std::size_t>(std::size_t(ROWS) - at, 777 + 1000 * (b % 3));
        GramColumns block;
        block.columns = {d.x1.data() + at, nullptr, d.y.data() + at};
        block.nobs = length;
        (b % 2 == 0 ? even : odd).add_block(block, 1 + b % 2);
        at += length;
    }
    even.merge(odd);
    const GramMatrix merged = even.finish();
    ASSERT_EQ(merged.entries.size(), once.entries.size());
    for (std::size_t i = 0; i < once.entries.size(); ++i) {
        EXPECT_TRUE(bits_equal(merged.entries[i].hi, once.entries[i].hi));
        EXPECT_TRUE(bits_equal(merged.entries[i].lo, once.entries[i].lo));
    }
    EXPECT_EQ(merged.shift, once.shift);
    // An infinite value anywhere leaves the matrix not finite.
    std::vector<Real> bad(d.x1.begin(), d.x1.begin() + 100);
    bad[50] = Real(1) / Real(0);
    GramColumns block;
    block.columns = {bad.data(), nullptr, d.y.data()};
    block.nobs = 100;
    GramAccumulator spoilt(3);
    spoilt.add_block(block);
    EXPECT_FALSE(spoilt.finite());
    EXPECT_FALSE(spoilt.finish().finite);
}

} // namespace
} // namespace tarvex
