// Sample ranges below the statement level: the SKIP$ codes a new sample keeps (SKIPIF and
// missing marks), TIME's date variable bit for bit and its calendar, CKSMPL's lengths and
// missing values, SKIPIT, and LSKIP. Single and multiple ranges with $N, bounds from variables,
// columns and result scalars, the errors that keep the previous sample and dates on the TIME
// calendar are pinned by the sample/stored golden.
#include "core/command_table.hpp"
#include "numeric/real.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace tarvex {
namespace {

using testing::WorkspaceEngine;
using Lines = std::vector<std::string>;

const std::string SYNTAX = " ...ERROR..SYNTAX ERROR IN ABOVE COMMAND";

struct SampleEngine : WorkspaceEngine {
    SampleEngine() : WorkspaceEngine(100, 100000) {}

    // Runs one statement of command `ikod` whose arguments are `args`.
    Lines command(int ikod, std::string args) {
        run.cmd.text = "CMD " + args;
        run.cmd.col = 4;
        run.cmd.IKOD = ikod;
        run.flags.ODONT = false;
        cmd_sample(run);
        return lines();
    }
    Lines sample(std::string args) { return command(C_SAMPLE, std::move(args)); }
    Lines time(std::string args) { return command(C_TIME, std::move(args)); }

    // Runs CKSMPL as command `ikod` over `refs` with the check range first..last.
    Lines check(int ikod, std::vector<int> refs, int first, int last, int drops_own = 0) {
        run.cmd.IKOD = ikod;
        run.flags.ODONT = false;
        run.smpl.check_first = first;
        run.smpl.check_last = last;
        CKSMPL(run, refs, drops_own);
        return lines();
    }
    // The SKIP$ codes 1..n as integers.
    std::vector<int> codes(int n) {
        std::vector<int> out;
        SkipCodes skip = skip_codes(run);
        for (int t = 1; t <= n; ++t) out.push_back(t <= skip.length ? int(skip.codes[t]) : -1);
        return out;
    }
    void set_code(int t, int code) { skip_codes(run).codes[t] = code; }
    int n_used() const { return int(run.res[R_N]); }
};

TEST(Sample, NewSampleRemovesGapMarksButKeepsSkipifAndMissingMarks) {
    SampleEngine eng;
    eng.sample("1 10");
    ASSERT_TRUE(make_skip_variable(eng.run, 10));
    eng.set_code(2, SKIP_BY_SKIPIF);
    eng.set_code(6, SKIP_BY_SKIPIF);
    eng.set_code(7, SKIP_MISSING);
    eng.sample("1 5 8 10");
    EXPECT_EQ(eng.codes(10), (std::vector<int>{0, 1, 0, 0, 0, 3, 9, 0, 0, 0}));
    EXPECT_EQ(eng.n_used(), 7);
    eng.sample("1 10");
    EXPECT_EQ(eng.codes(10), (std::vector<int>{0, 1, 0, 0, 0, 1, 9, 0, 0, 0}));
    EXPECT_FALSE(eng.run.sw[OSMPL]);
    EXPECT_EQ(eng.n_used(), 7);
    // SMPL is the same command.
    eng.command(C_SMPL, "3 4");
    EXPECT_EQ(eng.run.smpl.IEND, 4);
    EXPECT_EQ(eng.n_used(), 2);
}

TEST(Time, DateVariableValuesAreExactBinary128) {
    SampleEngine eng;
    eng.sample("1 6");
    EXPECT_EQ(eng.time("1960.1 4 DATE"),
              Lines{" VARIABLE DATE     CREATED WITH     6 OBSERVATIONS"});
    const int date = VFIND(eng.run, "DATE");
    ASSERT_GT(date, 0);
    const int years[] = {1960, 1960, 1960, 1960, 1961, 1961};
    const int periods[] = {1, 2, 3, 4, 1, 2};
    for (int t = 1; t <= 6; ++t)
        EXPECT_TRUE(eng.elem(date, t) == Real(years[t - 1]) + Real(periods[t - 1]) / Real(10)) << t;

    // Monthly: divisor 100; the year turns after period 12.
    eng.sample("1 14");
    eng.time("1960.01 12 MONTH");
    const int month = VFIND(eng.run, "MONTH");
    EXPECT_TRUE(eng.elem(month, 1) == Real(1960) + Real(1) / Real(100));
    EXPECT_TRUE(eng.elem(month, 12) == Real(1960) + Real(12) / Real(100));
    EXPECT_TRUE(eng.elem(month, 14) == Real(1961) + Real(2) / Real(100));

    // Yearly and weekly-style frequencies: divisors 10 and 1000.
    eng.sample("1 2");
    eng.time("1960.1 1 YEAR");
    const int year = VFIND(eng.run, "YEAR");
    EXPECT_TRUE(eng.elem(year, 2) == Real(1961) + Real(1) / Real(10));
    eng.time("2000.365 365 DAY");
    const int day = VFIND(eng.run, "DAY");
    EXPECT_TRUE(eng.elem(day, 1) == Real(2000) + Real(365) / Real(1000));
    EXPECT_TRUE(eng.elem(day, 2) == Real(2001) + Real(1) / Real(1000));
}

// The help line, the missing sample and the quiet "?" TIME are pinned by the sample/time golden.
TEST(Time, MessagesAndErrors) {
    SampleEngine eng;
    // The calendar is set even when the variable cannot be made.
    eng.time("1970.2 4 DATE");
    EXPECT_EQ(eng.run.smpl.ITIME1, 1970);
    EXPECT_EQ(eng.run.smpl.ITIME2, 2);
    EXPECT_EQ(VFIND(eng.run, "DATE"), 0);

    eng.sample("1 4");
    eng.run.sw[OSCAN] = false;
    EXPECT_EQ(eng.time("1960.1 4 9DATE"), Lines{SYNTAX});
    EXPECT_TRUE(eng.run.sw[OSCAN]);
    EXPECT_EQ(eng.time("1960.1"), Lines{SYNTAX});
    EXPECT_EQ(eng.time("X 4"), Lines{SYNTAX});
    EXPECT_EQ(eng.run.smpl.ITIME1, 1960); // 9DATE set the calendar before the name failed

    // A whole year starts at its first period; frequencies below 1 count as 1.
    eng.time("1980 0");
    EXPECT_EQ(eng.run.smpl.ITIME1, 1980);
    EXPECT_EQ(eng.run.smpl.ITIME2, 1);
    EXPECT_EQ(eng.run.smpl.ITIME3, 1);
}

TEST(Cksmpl, LengthOfVariablesAgainstTheCheckRange) {
    SampleEngine eng;
    const int x = eng.make("X", 20);
    const int y = eng.make("YLONGER", 30);
    EXPECT_EQ(eng.check(C_OLSQ, {x}, 1, 25),
              Lines{" ...ERROR..SAMPLE RANGE EXCEEDS LENGTH OF X               20        25"});
    EXPECT_TRUE(eng.run.flags.ODONT);

    EXPECT_EQ(eng.check(C_OLSQ, {y}, 1, 25), Lines{});
    EXPECT_FALSE(eng.run.flags.ODONT);
    eng.run.sw[ODMMP] = true;
    EXPECT_EQ(eng.check(C_OLSQ, {y}, 1, 25),
              Lines{" ...NOTE..LENGTH OF YLONGER EXCEEDS SAMPLE RANGE"});

    // A last value of 0 takes the shortest variable; matrices count rows; result scalars
    // -42..-50, columns and references above MAXVAR are ignored.
    const int m = eng.make("M", 24, TYPE_MATRIX, 2);
    EXPECT_EQ(eng.check(C_OLSQ, {y, m, -45, 2 + 1000 * x, MARK_BASE - y}, 1, 0),
              (Lines{" LENGTH OF SHORTEST VARIABLE IS      12",
                     " ...NOTE..LENGTH OF YLONGER EXCEEDS SAMPLE RANGE",
                     " ...NOTE..LENGTH OF YLONGER EXCEEDS SAMPLE RANGE"}));
    EXPECT_EQ(eng.run.smpl.check_last, 12);
    EXPECT_EQ(eng.check(C_OLSQ, {-45}, 1, 0), Lines{" LENGTH OF SHORTEST VARIABLE IS       0"});
    // A result scalar other than those is one observation long.
    eng.run.sw[ODMMP] = false;
    EXPECT_EQ(eng.check(C_OLSQ, {y, -R_R2}, 1, 0), Lines{});
    EXPECT_EQ(eng.run.smpl.check_last, 1);
    // NLINEAR keeps a last value of 0.
    eng.check(C_NLINEAR, {y}, 1, 0);
    EXPECT_EQ(eng.run.smpl.check_last, 0);
}

TEST(Cksmpl, MissingValueWarningsWithoutSkipmiss) {
    SampleEngine eng;
    const int x = eng.make("X", 6); // all elements missing to start with
    for (int t = 1; t <= 6; ++t) eng.elem(x, t) = t;
    eng.elem(x, 2) = -99999;
    eng.elem(x, 5) = -99999;
    EXPECT_EQ(eng.check(C_OLSQ, {x}, 1, 6), Lines{}); // WARNMISS off: silent
    eng.run.sw[OMSWRN] = true;
    const std::string warn2 =
        " ...WARNING..OBSERVATION      2 OF X        HAS MISSING DATA VALUE=-99999.000";
    const std::string warn5 =
        " ...WARNING..OBSERVATION      5 OF X        HAS MISSING DATA VALUE=-99999.000";
    // (The warnings of a regression's variables and the note that counts their observations are
    // pinned by the ols/missing_used golden.)
    eng.check(C_OLSQ, {x}, 1, 4);
    EXPECT_EQ(skip_slot(eng.run), 0);
    // A variable the command drops by itself is warned about but not counted; plots and FCAST,
    // which leave the code out, only warn.
    EXPECT_EQ(eng.check(C_OLSQ, {x}, 1, 6, x), (Lines{warn2, warn5}));
    EXPECT_EQ(eng.check(C_PLOTS, {x}, 1, 6), (Lines{warn2, warn5}));
    EXPECT_EQ(eng.check(C_FCAST, {x}, 1, 6), (Lines{warn2, warn5}));
    // READ and symmetric matrices are not examined.
    EXPECT_EQ(eng.check(C_READ, {x}, 1, 6), Lines{});
    const int s = eng.make("S", 4, TYPE_SYMMETRIC, 2);
    EXPECT_EQ(eng.check(C_OLSQ, {s}, 1, 2), Lines{});
}

TEST(Cksmpl, SkipmissMarksMissingObservations) {
    SampleEngine eng;
    eng.sample("1 8");
    const int x = eng.make("X", 8);
    const int y = eng.make("Y", 8);
    for (int t = 1; t <= 8; ++t) eng.elem(x, t) = eng.elem(y, t) = t;
    eng.elem(x, 3) = -99999;
    eng.elem(y, 6) = -99999;
    eng.run.sw[OSMISS] = true;

    // SKIP$ is created with MAXOB elements; only codes of 0 become 9.
    EXPECT_EQ(eng.check(C_OLSQ, {x, y}, 1, 8), Lines{});
    EXPECT_EQ(eng.codes(8), (std::vector<int>{0, 0, 9, 0, 0, 9, 0, 0}));

    // The marks are recomputed: an old 9 returns to 0, a SKIPIF mark stays.
    eng.elem(x, 3) = 3;
    eng.elem(x, 1) = -99999;
    eng.set_code(1, SKIP_BY_SKIPIF);
    eng.run.sw[OMSWRN] = true;
    EXPECT_EQ(eng.check(C_OLSQ, {x, y}, 1, 8),
              (Lines{" OBSERVATION      1 IS SKIPPED BECAUSE X        MISSING",
                     " OBSERVATION      6 IS SKIPPED BECAUSE Y        MISSING"}));
    EXPECT_EQ(eng.codes(8), (std::vector<int>{1, 0, 0, 0, 0, 9, 0, 0}));

    // FCAST does not examine its last variable; READ examines none.
    eng.run.sw[OMSWRN] = false;
    eng.check(C_FCAST, {x, y}, 1, 8);
    EXPECT_EQ(eng.codes(8), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0}));
    eng.check(C_READ, {y}, 1, 8);
    EXPECT_EQ(eng.codes(8), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Cksmpl, SkipmissStopsAtTheEndOfSkip) {
    SampleEngine eng;
    eng.sample("1 4");
    ASSERT_TRUE(make_skip_variable(eng.run, 4));
    const int x = eng.make("X", 10);
    for (int t = 1; t <= 10; ++t) eng.elem(x, t) = t;
    eng.elem(x, 2) = -99999;
    eng.elem(x, 7) = -99999;
    eng.run.sw[OSMISS] = true;
    eng.run.sw[OMSWRN] = true;
    EXPECT_EQ(eng.check(C_OLSQ, {x}, 1, 10),
              (Lines{" ...NOTE..SKIPMISS OPTION CHECKING UP TO OBS       4",
                     " OBSERVATION      2 IS SKIPPED BECAUSE X        MISSING"}));
    EXPECT_EQ(eng.codes(4), (std::vector<int>{0, 9, 0, 0}));
}

TEST(Skipit, CountsSkippedObservationsOfTheCheckRange) {
    SampleEngine eng;
    eng.run.smpl.check_first = 1;
    eng.run.smpl.check_last = 10;
    SKIPIT(eng.run); // no SKIP$
    EXPECT_EQ(eng.run.smpl.NSKIP, 0);

    ASSERT_TRUE(make_skip_variable(eng.run, 10));
    eng.set_code(4, SKIP_BY_SKIPIF);
    eng.set_code(7, SKIP_MISSING);
    eng.set_code(9, -1); // used
    SKIPIT(eng.run);
    EXPECT_EQ(eng.run.smpl.NSKIP, 2);
    EXPECT_EQ(eng.run.smpl.JBEG, 3);

    eng.run.smpl.check_first = 5;
    eng.run.smpl.check_last = 20; // cut at the length of SKIP$
    SKIPIT(eng.run);
    EXPECT_EQ(eng.run.smpl.NSKIP, 1);
    EXPECT_EQ(eng.run.smpl.JBEG, 6);

    eng.run.smpl.check_first = 8;
    SKIPIT(eng.run);
    EXPECT_EQ(eng.run.smpl.NSKIP, 0);
    EXPECT_EQ(eng.run.smpl.JBEG, 0);

    eng.run.smpl.check_first = 11; // beyond SKIP$: nothing else is done
    eng.run.smpl.JBEG = 5;
    SKIPIT(eng.run);
    EXPECT_EQ(eng.run.smpl.NSKIP, 0);
    EXPECT_EQ(eng.run.smpl.JBEG, 5);
}

TEST(SkipVariable, LskipFollowsSkipWhenItMovesAndResets) {
    SampleEngine eng;
    EXPECT_EQ(LSKIP(eng.run), 0);
    ASSERT_TRUE(make_skip_variable(eng.run, 5));
    const long long first = LSKIP(eng.run);
    EXPECT_EQ(first, eng.run.ws.KADD[skip_slot(eng.run)] + 3);
    eng.set_code(3, SKIP_BY_SKIPIF);
    eng.make("X", 5); // SKIP$ is no longer last: enlarging moves it
    ASSERT_TRUE(make_skip_variable(eng.run, 12));
    EXPECT_NE(LSKIP(eng.run), first);
    EXPECT_EQ(eng.codes(12), (std::vector<int>{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(obs_in_use(eng.run, 3));

    reset_workspace(eng.run.ws);
    EXPECT_EQ(LSKIP(eng.run), 0);
    EXPECT_TRUE(obs_in_use(eng.run, 3));
}

} // namespace
} // namespace tarvex
