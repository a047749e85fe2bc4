// The block source over series bound to a file: on files cut into many small blocks and a
// sample with gaps, every block holds the values of the observations in use, in order, with
// their observation numbers; a second pass gives the same; a file changed since binding ends
// the pass; a field that is not a number names the file and the row.
#include "bound/bound_rows.hpp"
#include "core/run.hpp"
#include "reference_support.hpp"
#include "test_support.hpp"

#include <cstdio>
#include <gtest/gtest.h>

namespace tarvex::testing {

namespace {

// X = t + 1/8 and Y = t*t - 0.3 over observations 1..200, kept in memory as XM and YM and also
// written to a TARVBIN file and a comma-delimited file, then X and Y bound to one of them. The
// sample is 3-10, 25-25, 40-173 (143 observations in use).
const char* bound_script(bool binary) {
    return binary ? "SMPL 1 200\nGENR X = TIME(0) + 0.125\nGENR Y = TIME(0)**2 - 0.3\n"
                    "GENR XM = X\nGENR YM = Y\nWRITE (bnd.bin) X Y / TARVEX BINARY\n"
                    "READ (bnd.bin) X Y / TARVEX BIND\nSMPL 3 10 25 25 40 173\n"
                  : "SMPL 1 200\nGENR X = TIME(0) + 0.125\nGENR Y = TIME(0)**2 - 0.3\n"
                    "GENR XM = X\nGENR YM = Y\nWRITE (bnd.csv) X Y / FORMAT=COMMA NAMES\n"
                    "READ (bnd.csv) / NAMES BIND\nSMPL 3 10 25 25 40 173\n";
}

std::vector<long long> sample_observations() {
    std::vector<long long> obs;
    for (long long t = 3; t <= 10; ++t) obs.push_back(t);
    obs.push_back(25);
    for (long long t = 40; t <= 173; ++t) obs.push_back(t);
    return obs;
}

// Reads a whole pass: the observation numbers, the columns' values and the block lengths.
struct Pass {
    std::vector<long long> observations, firsts;
    std::vector<std::vector<Real>> columns;
    std::vector<std::size_t> lengths;
};
Pass read_pass(RowBlocks& rows) {
    Pass pass;
    pass.columns.resize(static_cast<std::size_t>(rows.columns()));
    RowBlock block;
    while (rows.next(block)) {
        pass.firsts.push_back(block.first);
        pass.lengths.push_back(block.length);
        for (std::size_t k = 0; k < block.length; ++k) {
            pass.observations.push_back(block.observations[k]);
            for (std::size_t c = 0; c < pass.columns.size(); ++c)
                pass.columns[c].push_back(block.columns[c][k]);
        }
    }
    return pass;
}

void expect_sample_pass(const Pass& pass, const std::vector<Real>& xm,
                        const std::vector<Real>& ym) {
    const std::vector<long long> want = sample_observations();
    ASSERT_EQ(pass.observations, want);
    // Blocks of 7 rows: 143 rows make 20 full blocks and one of 3, each starting where the
    // previous ended.
    ASSERT_EQ(pass.lengths.size(), 21u);
    EXPECT_EQ(pass.lengths.back(), 3u);
    for (std::size_t b = 0; b < pass.firsts.size(); ++b)
        EXPECT_EQ(pass.firsts[b], static_cast<long long>(7 * b));
    ASSERT_EQ(pass.columns.size(), 3u);
    for (std::size_t k = 0; k < want.size(); ++k) {
        const std::size_t t = static_cast<std::size_t>(want[k]);
        EXPECT_TRUE(bits_equal(pass.columns[0][k], xm[t - 1])) << "X at obs " << t;
        EXPECT_TRUE(bits_equal(pass.columns[1][k], ym[t - 1])) << "Y at obs " << t;
        // The work-area series beside them comes through the same blocks.
        EXPECT_TRUE(bits_equal(pass.columns[2][k], xm[t - 1])) << "XM at obs " << t;
    }
}

} // namespace

struct BoundRowsTest : ::testing::TestWithParam<bool>, ScratchDir {};

TEST_P(BoundRowsTest, BlocksHoldTheSampleInOrderOnEveryPass) {
    ScriptRun s(bound_script(GetParam()));
    ASSERT_EQ(s.info("X").length, -1) << "a bound series is not in the work area";
    ASSERT_EQ(s.run->ws.bound.size(), 2u);
    const std::vector<Real> xm = s.values("XM");
    const std::vector<Real> ym = s.values("YM");
    ASSERT_EQ(xm.size(), 200u);
    std::string error;
    std::unique_ptr<RowBlocks> rows = open_bound_rows(*s.run, {"X", "Y", "XM"}, error, 7);
    ASSERT_TRUE(rows) << error;
    EXPECT_EQ(rows->rows(), 143);
    expect_sample_pass(read_pass(*rows), xm, ym);
    EXPECT_TRUE(rows->failure().empty()) << rows->failure();
    rows->rewind();
    expect_sample_pass(read_pass(*rows), xm, ym);
    // The file grows: the next pass fails at once and says why.
    {
        std::FILE* f = std::fopen(GetParam() ? "bnd.bin" : "bnd.csv", "ab");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fputs("\n", f), 1);
        ASSERT_EQ(std::fclose(f), 0);
    }
    rows->rewind();
    RowBlock block;
    EXPECT_FALSE(rows->next(block));
    EXPECT_TRUE(contains(rows->failure(), "HAS CHANGED SINCE ITS SERIES WERE BOUND"))
        << rows->failure();
    // Opening again refuses the changed file too.
    EXPECT_FALSE(open_bound_rows(*s.run, {"X"}, error, 7));
    EXPECT_TRUE(contains(error, "HAS CHANGED")) << error;
}

INSTANTIATE_TEST_SUITE_P(BinaryAndDelimited, BoundRowsTest, ::testing::Values(true, false));

struct BoundRowsFaults : ::testing::Test, ScratchDir {};

TEST_F(BoundRowsFaults, BadFieldAndDifferentRowsAreNamed) {
    write("bad.csv", "A,B\n1,2\n3,4\n\n5,x7\n9,10\n");
    write("short.csv", "C,D\n1,2\n2,3\n");
    ScriptRun s("READ (bad.csv) / NAMES BIND\nREAD (short.csv) / NAMES BIND\nSMPL 1 4\n");
    std::string error;
    // A is read whole; B's third row (the empty line is not a row) is not a number.
    std::unique_ptr<RowBlocks> a = open_bound_rows(*s.run, {"A"}, error, 2);
    ASSERT_TRUE(a) << error;
    const Pass pass = read_pass(*a);
    EXPECT_TRUE(a->failure().empty()) << a->failure();
    ASSERT_EQ(pass.columns[0].size(), 4u);
    EXPECT_TRUE(bits_equal(pass.columns[0][2], 5));
    std::unique_ptr<RowBlocks> b = open_bound_rows(*s.run, {"A", "B"}, error, 2);
    ASSERT_TRUE(b) << error;
    read_pass(*b);
    EXPECT_TRUE(contains(b->failure(), "FILE bad.csv ROW 3 COLUMN 2: 'x7' IS NOT A NUMBER"))
        << b->failure();
    EXPECT_FALSE(open_bound_rows(*s.run, {"A", "C"}, error, 2));
    EXPECT_TRUE(contains(error, "MUST HAVE THE SAME ROWS")) << error;
}

TEST_F(BoundRowsFaults, ShortAndUnreadableFilesAreNamed) {
    ScriptRun s("SMPL 1 4\nGENR X = TIME(0)\nWRITE (x.bin) X / TARVEX BINARY\n"
                "READ (x.bin) X / TARVEX BIND\n");
    ASSERT_EQ(s.run->ws.bound.size(), 1u);
    // A binding that claims two rows more than the file holds: the first block of 4 is read,
    // the second stops at row 5.
    BoundSeries& x = s.run->ws.bound.begin()->second;
    x.rows = 6;
    s.run->smpl.IEND = 6;
    std::string error;
    std::unique_ptr<RowBlocks> rows = open_bound_rows(*s.run, {"X"}, error, 4);
    ASSERT_TRUE(rows) << error;
    const Pass pass = read_pass(*rows);
    EXPECT_EQ(pass.observations, (std::vector<long long>{1, 2, 3, 4}));
    EXPECT_EQ(rows->failure(),
              " ...ERROR..FILE x.bin ENDS BEFORE ROW 5: ITS SERIES CANNOT BE READ");
    // A delimited binding whose file cannot be read (a directory): the read error is named.
    x.rows = 4;
    s.run->smpl.IEND = 4;
    x.layout = BoundLayout::DELIMITED;
    x.file = dir.string();
    ASSERT_TRUE(file_stamp(x.file, x.file_size, x.modified_ns));
    rows = open_bound_rows(*s.run, {"X"}, error, 4);
    ASSERT_TRUE(rows) << error;
    read_pass(*rows);
    const std::string unreadable = " ...ERROR..FILE " + x.file + " COULD NOT BE READ AT LINE 1: ";
    EXPECT_EQ(rows->failure().rfind(unreadable, 0), 0u) << rows->failure();
    // Without a sample there are no rows in use to deliver.
    s.run->smpl.IEND = -999;
    EXPECT_FALSE(open_bound_rows(*s.run, {"X"}, error, 4));
    EXPECT_EQ(error, " ...ERROR..NO SAMPLE IS SET");
}

} // namespace tarvex::testing
