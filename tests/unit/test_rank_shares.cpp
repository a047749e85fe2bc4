// Running over several processes without MPI itself: exact sums packed, merged and unpacked as
// the all-reduce does (bit for bit the sums of one pass, however many shares), the rows each
// rank takes, the failure line that names a rank, and a rank other than 0 that runs a script
// through and writes neither report lines nor files.
#include "core/file_replace.hpp"
#include "core/rank_agreement.hpp"
#include "core/result_scalars.hpp"
#include "numeric/exact_dot.hpp"
#include "parallel/exact_packing.hpp"
#include "parallel/exact_reduce.hpp"
#include "parallel/ranks.hpp"

#include "test_support.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace tarvex {
namespace {

using testing::bits_equal;

// Terms that cancel: large values and their near-negatives, with small ones between, so that a
// sum needs many limbs and its rounded value depends on every term.
std::vector<Real> cancelling_terms(std::mt19937_64& draw, std::size_t n) {
    std::vector<Real> terms;
    std::uniform_int_distribution<int> scale(-300, 300);
    std::uniform_real_distribution<double> unit(0.5, 1.0); // seeds only: every term below is exact
    while (terms.size() < n) {
        const Real big = ldexpq(Real(unit(draw)) + ldexpq(Real(unit(draw)), -60), scale(draw));
        terms.push_back(big);
        terms.push_back(-big * (1 + ldexpq(Real(1), -100)));
        terms.push_back(ldexpq(Real(unit(draw)), scale(draw) - 200));
    }
    terms.resize(n);
    std::shuffle(terms.begin(), terms.end(), draw);
    return terms;
}

// The sums of `shares` cuts of the terms, each packed over the common ranges, merged and
// unpacked, as ranks 0 .. shares-1 would end an all-reduce.
std::vector<ExactAccumulator> merged_over_shares(const std::vector<std::vector<Real>>& columns,
                                                 int shares) {
    const std::size_t n = columns.size();
    std::vector<std::vector<ExactAccumulator>> per_share(shares, std::vector<ExactAccumulator>(n));
    std::vector<int> ranges(2 * n, ExactAccumulator::LIMBS);
    for (int s = 0; s < shares; ++s) {
        for (std::size_t c = 0; c < n; ++c) {
            const auto rows = parallel::share_of_rows(columns[c].size(), s, shares);
            for (long long r = rows.first; r < rows.end; ++r) per_share[s][c].add(columns[c][r]);
        }
        const std::vector<int> mine = parallel::limb_ranges(per_share[s].data(), n);
        for (std::size_t k = 0; k < ranges.size(); ++k) ranges[k] = std::min(ranges[k], mine[k]);
    }
    std::vector<std::uint64_t> total = parallel::pack_exact_sums(per_share[0].data(), n, ranges);
    for (int s = 1; s < shares; ++s) {
        const std::vector<std::uint64_t> part =
            parallel::pack_exact_sums(per_share[s].data(), n, ranges);
        EXPECT_EQ(part.size(), total.size());
        parallel::merge_packed_sums(part.data(), total.data());
    }
    std::vector<ExactAccumulator> out(n);
    parallel::unpack_exact_sums(total.data(), ranges, out.data(), n);
    return out;
}

TEST(RankShares, MergedPackedSumsAreTheSumsOfOnePass) {
    std::mt19937_64 draw(20261208);
    std::vector<std::vector<Real>> columns;
    for (std::size_t n : {997, 1000, 3, 0, 64}) columns.push_back(cancelling_terms(draw, n));
    // A column whose terms cancel exactly but for one tiny term far below the others.
    columns.push_back({ldexpq(Real(1), 200), ldexpq(Real(1), -900), -ldexpq(Real(1), 200)});
    for (int shares = 1; shares <= 5; ++shares) {
        const std::vector<ExactAccumulator> merged = merged_over_shares(columns, shares);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            ExactAccumulator whole;
            whole.add_values(columns[c].data(), columns[c].size());
            EXPECT_TRUE(bits_equal(merged[c].result(), whole.result()))
                << "column " << c << " over " << shares << " shares";
            EXPECT_EQ(merged[c].exponent(), whole.exponent());
            // The merged accumulator goes on summing like any other.
            ExactAccumulator more = merged[c];
            more.add(ldexpq(Real(1), -1000));
            whole.add(ldexpq(Real(1), -1000));
            EXPECT_TRUE(bits_equal(more.result(), whole.result()));
        }
    }
    EXPECT_TRUE(bits_equal(merged_over_shares(columns, 3)[5].result(), ldexpq(Real(1), -900)));
}

TEST(RankShares, InfiniteAndNanTermsOnOneShareDecideTheSum) {
    const Real inf = __builtin_infq();
    std::vector<std::vector<Real>> columns = {
        {1, 2, 3, inf, 5, 6}, {1, -inf, 3, 4, 5, inf}, {1, 2, 3, 4, 5, 6}};
    for (int shares = 1; shares <= 3; ++shares) {
        const std::vector<ExactAccumulator> merged = merged_over_shares(columns, shares);
        EXPECT_TRUE(bits_equal(merged[0].result(), inf)) << shares;
        EXPECT_TRUE(isnanq(merged[1].result())) << shares;
        EXPECT_TRUE(bits_equal(merged[2].result(), 21)) << shares;
    }
}

TEST(RankShares, RowsAreCutIntoContiguousNearlyEqualShares) {
    const auto share = [](long long rows, int rank, int ranks) {
        const parallel::RowShare s = parallel::share_of_rows(rows, rank, ranks);
        return std::vector<long long>{s.first, s.end};
    };
    EXPECT_EQ(share(10, 0, 4), (std::vector<long long>{0, 2}));
    EXPECT_EQ(share(10, 1, 4), (std::vector<long long>{2, 5}));
    EXPECT_EQ(share(10, 2, 4), (std::vector<long long>{5, 7}));
    EXPECT_EQ(share(10, 3, 4), (std::vector<long long>{7, 10}));
    EXPECT_EQ(share(3, 2, 4), (std::vector<long long>{1, 2}));
    EXPECT_EQ(share(3, 0, 4), (std::vector<long long>{0, 0})); // a rank may have no rows
    for (long long rows : {1LL, 7LL, 1000003LL, 5000000000LL})
        for (int ranks = 1; ranks <= 9; ++ranks) {
            long long next = 0;
            for (int r = 0; r < ranks; ++r) {
                const parallel::RowShare s = parallel::share_of_rows(rows, r, ranks);
                EXPECT_EQ(s.first, next);
                EXPECT_LE(s.end - s.first, rows / ranks + 1);
                EXPECT_GE(s.end - s.first, rows / ranks);
                next = s.end;
            }
            EXPECT_EQ(next, rows);
        }
}

// Shares cut at whole chunks: 110001 rows are 27 chunks of 4096 (the last 3585 rows), shared as
// 27 rows are, 6 7 7 7 chunks for 4 ranks (27/4 r + (27 mod 4) r / 4: 0 6 13 20 27).
TEST(RankShares, SharesInWholeChunksEndOnlyAtChunkEdges) {
    const auto share = [](long long rows, int rank, int ranks, long long unit) {
        const parallel::RowShare s = parallel::share_of_rows(rows, rank, ranks, unit);
        return std::vector<long long>{s.first, s.end};
    };
    EXPECT_EQ(share(110001, 0, 4, 4096), (std::vector<long long>{0, 6 * 4096}));
    EXPECT_EQ(share(110001, 1, 4, 4096), (std::vector<long long>{6 * 4096, 13 * 4096}));
    EXPECT_EQ(share(110001, 3, 4, 4096), (std::vector<long long>{20 * 4096, 110001}));
    EXPECT_EQ(share(110001, 1, 3, 4096), (std::vector<long long>{9 * 4096, 18 * 4096}));
    // Fewer chunks than ranks: the later ranks have no rows; a unit of 1 is the row cut.
    EXPECT_EQ(share(5000, 0, 3, 4096), (std::vector<long long>{0, 0}));
    EXPECT_EQ(share(5000, 1, 3, 4096), (std::vector<long long>{0, 4096}));
    EXPECT_EQ(share(5000, 2, 3, 4096), (std::vector<long long>{4096, 5000}));
    EXPECT_EQ(share(10, 1, 4, 1), share(10, 1, 4, 0));
    EXPECT_EQ(share(10, 1, 4, 1), (std::vector<long long>{2, 5}));
    EXPECT_EQ(share(0, 0, 2, 4096), (std::vector<long long>{0, 0}));
}

TEST(RankShares, OneProcessIsOneRankWithTheWholeRows) {
    EXPECT_EQ(parallel::rank(), 0);
    EXPECT_EQ(parallel::rank_count(), 1);
    const parallel::RowShare all = parallel::my_share_of_rows(12345);
    EXPECT_EQ(all.first, 0);
    EXPECT_EQ(all.end, 12345);
    std::string failure = " ...ERROR..CANNOT READ FILE big.bin";
    EXPECT_FALSE(parallel::all_ranks_ok(false, failure));
    EXPECT_EQ(failure, " ...ERROR..CANNOT READ FILE big.bin"); // no rank named with one rank
    EXPECT_TRUE(parallel::all_ranks_true(true));
    EXPECT_EQ(parallel::sum_over_ranks(41), 41);
    std::vector<ExactAccumulator> sums(2);
    sums[0].add(Real(1) / 3);
    parallel::reduce_exact_sums(sums);
    EXPECT_TRUE(bits_equal(sums[0].result(), Real(1) / 3));
    EXPECT_TRUE(bits_equal(sums[1].result(), 0));
}

TEST(RankShares, FailureLineNamesTheRank) {
    EXPECT_EQ(parallel::rank_failure_line(" ...ERROR..CANNOT OPEN FILE x.bin", 3),
              " ...ERROR..RANK 3: CANNOT OPEN FILE x.bin");
    EXPECT_EQ(parallel::rank_failure_line("read failed", 1), "RANK 1: read failed");
}

// A rank other than 0: the run as a whole, with the stored values and $ERR of every other
// rank, but not one report line and not one file (written whole or added to).
struct RankRun {
    std::string report;
    std::vector<Real> stored; // the values of B
    Real error = 0;           // $ERR at the end
};

RankRun run_as_rank(std::string script, bool writes) {
    auto run = std::make_unique<Run>();
    std::FILE* in = fmemopen(script.data(), script.size(), "r");
    char* text = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    run->streams.in = in;
    run->streams.out = out;
    run->buf.writes_report = writes;
    set_files_written_here(writes);
    try {
        start_run(*run, MODE_CONSOLE, 0, 1, 0);
    } catch (const FatalStop&) {
    }
    set_files_written_here(true);
    close_unit(*run, run->L5);
    close_unit(*run, run->L6);
    std::fclose(in);
    std::fclose(out);
    RankRun result;
    result.report.assign(text, length);
    std::free(text);
    const int ref = VFIND(*run, "B");
    VarInfo vi;
    if (ref > 0 && VINFO(*run, ref, vi))
        for (long long k = 1; k <= vi.length; ++k) result.stored.push_back(element(*run, vi, k));
    result.error = run->res[R_ERR];
    return result;
}

TEST(RankShares, OnlyRankZeroWritesReportLinesAndFiles) {
    testing::ScratchDir dir;
    const std::string writing = "READ A\n1\n2\nEND\nGENR B = A*2\nPRINT B\n"
                                "WRITE (whole.dat) B\nWRITE (added.dat) B / APPEND\n"
                                "WRITE (added.dat) A / APPEND\nSTOP\n";
    const RankRun other = run_as_rank(writing, false);
    EXPECT_EQ(other.report, "");
    EXPECT_EQ(other.stored, testing::reals({2, 4}));
    EXPECT_EQ(other.error, 0); // writing nowhere is no failure there
    EXPECT_FALSE(std::filesystem::exists("whole.dat"));
    EXPECT_FALSE(std::filesystem::exists("added.dat"));

    const RankRun first = run_as_rank(writing, true);
    EXPECT_TRUE(testing::contains(first.report, "B"));
    EXPECT_EQ(first.stored, testing::reals({2, 4}));
    EXPECT_EQ(first.error, 0);
    EXPECT_EQ(testing::file_lines("whole.dat").size(), 2u);
    EXPECT_EQ(testing::file_lines("added.dat").size(), 4u);

    // A failed read is known on every rank ($ERR), printed by rank 0 alone.
    const std::string failing = "READ (missing.dat) C\nSTOP\n";
    const RankRun quiet = run_as_rank(failing, false);
    const RankRun loud = run_as_rank(failing, true);
    EXPECT_EQ(quiet.report, "");
    EXPECT_TRUE(testing::contains(loud.report, "FILE DOES NOT EXIST: missing.dat"));
    EXPECT_NE(quiet.error, 0);
    EXPECT_EQ(quiet.error, loud.error);

    // A file the rank may not write is still refused there, as on rank 0.
    std::filesystem::create_directory("adir");
    set_files_written_here(false);
    EXPECT_EQ(write_file_text("adir", "x"), EISDIR);
    EXPECT_EQ(write_file_text("kept.txt", "x"), 0);
    EXPECT_EQ(write_file_text("kept.txt", "x", true), 0);
    set_files_written_here(true);
    EXPECT_FALSE(std::filesystem::exists("kept.txt"));
}

// What the other ranks are made to have found when a file is bound (READ ... / BIND).
StepOutcome other_ranks;

void agree_as_other_ranks_found(StepOutcome& outcome) {
    if (!outcome.ok) return; // this rank's own failure stands
    outcome = other_ranks;
}

TEST(RankShares, BindingIsKeptOnlyWhenEveryRankBoundTheSameRows) {
    testing::ScratchDir dir;
    std::ofstream("d.csv") << "A,C\n1,4\n2,5\n3,6\n";
    // A held in memory before the binding: it stays there when the binding is refused.
    const std::string script = "READ A\n7\n8\nEND\nREAD (d.csv) / NAMES BIND\nGENR B = A\nSTOP\n";
    set_rank_agreement(&agree_as_other_ranks_found);

    // Rank 1 could not open the file: rank 0 reports rank 1's line and number, binds nothing.
    other_ranks = StepOutcome{false, " ...ERROR..RANK 1: CANNOT OPEN FILE d.csv", 3001, 0, {}};
    const RankRun missing = run_as_rank(script, true);
    EXPECT_TRUE(testing::contains(missing.report, " ...ERROR..RANK 1: CANNOT OPEN FILE d.csv"));
    EXPECT_FALSE(testing::contains(missing.report, "BOUND TO FILE"));
    EXPECT_EQ(missing.error, 3001);
    EXPECT_EQ(missing.stored, testing::reals({7, 8}));

    // Every rank opened a file, but rank 1's holds other rows: refused on every rank.
    other_ranks = StepOutcome{false, "", 0, 0, {3, 2}};
    const RankRun differ = run_as_rank(script, true);
    EXPECT_TRUE(testing::contains(
        differ.report,
        " ...ERROR..THE RANKS FIND DIFFERENT ROWS IN FILE d.csv: RANK 0 3, RANK 1 2"));
    EXPECT_EQ(differ.error, 3035);
    EXPECT_EQ(differ.stored, testing::reals({7, 8}));

    // Every rank bound the same rows: the series is bound, and GENR over it binds its new series.
    other_ranks = StepOutcome{true, "", 0, 3, {}};
    const RankRun agreed = run_as_rank(script, true);
    EXPECT_TRUE(testing::contains(agreed.report, "2 SERIES BOUND TO FILE d.csv:         3 ROWS"));
    EXPECT_TRUE(testing::contains(agreed.report, "B IS BOUND TO FILE")) << agreed.report;
    set_rank_agreement(nullptr);
}

} // namespace
} // namespace tarvex
