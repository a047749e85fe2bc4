// Tests of the regression command's parsing and checks: the help line, each error message with
// its $ERR number, the order of the option implications as the methods show them, the estimation
// range and skipped observations, and that a failed command leaves the workspace as it was.
#include "ols_engine.hpp"
#include "regress/fit/ols_options.hpp"
#include "workspace/workspace.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::OlsEngine;

// y = 1 2 4 3 5 6, x = 1 2 3 4 5 6 and a second regressor.
struct SmallData : OlsEngine {
    SmallData() {
        data("Y", {1, 2, 4, 3, 5, 6});
        data("X", {1, 2, 3, 4, 5, 6});
        data("Z", {2, 1, 2, 1, 2, 2});
        data("ZERO", {0, 0, 0, 0, 0, 0});
        data("NEG", {1, 2, -3, 4, 5, 6});
        sample(1, 6);
    }
    bool contains(const Lines& lines, const std::string& text) {
        for (const std::string& l : lines)
            if (l == text) return true;
        return false;
    }
};

TEST(OlsCommand, HelpLineWithoutListIsNoError) {
    SmallData e;
    e.run.res[R_ERR] = 0;
    EXPECT_EQ(e.statement("OLS"), Lines{" COMMAND STRUCTURE:  OLS depvar indeps / options"});
    EXPECT_EQ(e.statement("IMLS"), Lines{" COMMAND STRUCTURE: IMLS depvar indeps / options"});
    EXPECT_EQ(e.run.res[R_ERR], 0);
    EXPECT_FALSE(e.run.flags.ODONT);
    // The options are still parsed: an invalid one is reported.
    const Lines bad = e.statement("OLS / NOSUCH");
    ASSERT_GE(bad.size(), 2u);
    EXPECT_EQ(bad[1], " ...ERROR..INVALID OPTION..NOSUCH");
    EXPECT_EQ(e.run.res[R_ERR], 1012);
}

// Statements go through the command loop's dispatch: once a run without TALK only scans, the
// scanner still checks each statement but the handler no longer runs (no option error, no
// estimation, $ERR left alone).
TEST(OlsCommand, ScanOnlyRunChecksNamesButRunsNoHandler) {
    SmallData e;
    e.run.sw[OSCAN] = true;
    e.run.res[R_ERR] = 0;
    EXPECT_EQ(e.statement("OLS Y X / NOSUCH"), Lines{});
    EXPECT_EQ(e.run.res[R_ERR], 0);
    EXPECT_EQ(e.statement("OLS Y NOTHERE"), Lines{" ...ERROR..VARIABLE NOTHERE DOES NOT EXIST..."});
}

// The message ends in a blank, which the line writer trims like every trailing blank.
const std::string INCOMPATIBLE = " ...ERROR..INCOMPATIBLE OPTIONS";

TEST(OlsCommand, ErrorMessagesAndNumbers) {
    SmallData e;
    struct Case {
        std::string statement;
        std::string message;
        int err;
    };
    const std::vector<Case> cases = {
        {"OLS Y X Y", "..ERROR..VARIABLE Y        IS ON BOTH SIDES OF EQUATION", 6010},
        {"OLS Y X / PRED=", " ...ERROR..IN RIGHT HAND SIDE OF OPTION..PREDICT", 6011},
        {"OLS Y X / WEIGHT=NOSUCH", " ...ERROR..IN RIGHT HAND SIDE OF OPTION..WEIGHT", 6011},
        {"OLS Y X / METHOD=QR", " ...ERROR..IN RIGHT HAND SIDE OF OPTION..METHOD", 6011},
        {"OLS Y X / LOGLOG LOGLIN", INCOMPATIBLE, 6012},
        {"OLS Y X / LOGLIN LINLOG", INCOMPATIBLE, 6012},
        {"OLS Y X / DWPVALUE HETCOV", INCOMPATIBLE, 6012},
        {"OLS Y X / EXACTDW RESTRICT", INCOMPATIBLE, 6012},
        {"OLS Y X / METHOD=HH AUTCOV=2", INCOMPATIBLE, 6012},
        {"OLS Y / NOCONST", " ...ERROR..INSUFFICIENT NUMBER OF VARIABLES SPECIFIED", 6013},
        {"OLS Y X Z / BEG=5", " ...ERROR..    2 OBSERVATIONS IS NOT ENOUGH FOR ESTIMATION", 6014},
        {"OLS Y X / RESTRICT RIDGE=0.1", " ...ERROR..RESTRICT AND RIDGE OPTIONS NOT ALLOWED", 6015},
        {"OLS Y NEG / LINLOG", " ...ERROR..VARIABLE NEG      IS NOT VALID", 6016},
        {"OLS NEG X / LOGLIN", " ...ERROR..VARIABLE NEG      IS NOT VALID", 6016},
    };
    for (const Case& c : cases) {
        e.run.res[R_ERR] = 0;
        const Lines out = e.statement(c.statement);
        EXPECT_TRUE(e.contains(out, c.message)) << c.statement << " gave:\n"
                                                << ::testing::PrintToString(out);
        EXPECT_EQ(e.run.res[R_ERR], c.err) << c.statement;
        EXPECT_TRUE(e.run.flags.ODONT) << c.statement;
    }
}

TEST(OlsCommand, ErrorsBeforeDataLeaveNoHeadingAndNoResults) {
    SmallData e;
    e.run.res[R_R2] = 42;
    EXPECT_EQ(e.statement("OLS Y X Y"),
              Lines{"..ERROR..VARIABLE Y        IS ON BOTH SIDES OF EQUATION"});
    EXPECT_EQ(e.statement("OLS Y / NOCONST"),
              Lines{" ...ERROR..INSUFFICIENT NUMBER OF VARIABLES SPECIFIED"});
    EXPECT_EQ(e.run.res[R_R2], 42) << "no estimate, no result scalars";
    // The data are untouched by the failures.
    EXPECT_EQ(e.value("Y", 3), 4);
    EXPECT_EQ(e.value("X", 6), 6);
}

TEST(OlsCommand, PerfectCollinearityNamesTheSecondOfTwoEqualRegressors) {
    SmallData e;
    e.data("X2", {1, 2, 3, 4, 5, 6});
    const Lines out = e.statement("OLS Y X X2 / NOANOVA NOGF");
    EXPECT_TRUE(e.contains(
        out, " ...WARNING..THIS USUALLY INDICATES PERFECT MULTICOLLINEARITY WITH VARIABLE X2"))
        << ::testing::PrintToString(out);
    EXPECT_EQ(e.run.res[R_ERR], 6017);
    for (const std::string& l : out)
        EXPECT_EQ(l.find("R-SQUARE"), std::string::npos) << "no report";
    // The cross-product method finds the same regressor; the Householder method calls the
    // system singular.
    const Lines normal = e.statement("OLS Y X X2 / METHOD=NORMAL");
    EXPECT_TRUE(e.contains(
        normal, " ...WARNING..THIS USUALLY INDICATES PERFECT MULTICOLLINEARITY WITH VARIABLE X2"));
    e.run.res[R_ERR] = 0;
    const Lines hh = e.statement("OLS Y X X2 / METHOD=HH");
    EXPECT_TRUE(e.contains(hh, "           ...ERROR..SINGULAR SYSTEM. NO SOLUTION"));
    EXPECT_EQ(e.run.res[R_ERR], 6017);
    // A regressor of zeros is dependent on nothing before it but has no length of its own.
    e.run.res[R_ERR] = 0;
    const Lines zero = e.statement("OLS Y ZERO X");
    EXPECT_TRUE(e.contains(zero, " ...WARNING..VARIABLE ZERO     IS A CONSTANT"));
    EXPECT_TRUE(e.contains(
        zero, " ...WARNING..THIS USUALLY INDICATES PERFECT MULTICOLLINEARITY WITH VARIABLE ZERO"));
}

TEST(OlsCommand, ZeroDegreesOfFreedomIsAWarningOnly) {
    SmallData e;
    e.run.res[R_ERR] = 0;
    const Lines out = e.statement("OLS Y X / BEG=5");
    EXPECT_TRUE(e.contains(out, " ...WARNING..ZERO DEGREES OF FREEDOM LEFT"))
        << ::testing::PrintToString(out);
    EXPECT_EQ(e.run.res[R_ERR], 0);
    EXPECT_EQ(e.run.res[R_DF], 0);
    EXPECT_EQ(e.run.res[R_N], 2);
    EXPECT_EQ(e.run.res[R_ADR2], 9999999);
}

TEST(OlsCommand, InterceptOnlyRegression) {
    SmallData e;
    const Lines out = e.statement("OLS Y / NOGF");
    EXPECT_EQ(e.run.res[R_K], 1);
    EXPECT_EQ(e.run.res[R_R2], 0);
    EXPECT_EQ(e.run.res[R_SSE], e.run.res[R_SST]);
    // The mean of 1 2 4 3 5 6 is 3.5: the one coefficient.
    EXPECT_TRUE(e.contains(
        out, " CONSTANT   3.5000     0.76376       4.5826     0.0059 0.8987   0.0000       1.0000"))
        << ::testing::PrintToString(out);
}

TEST(OlsCommand, HeadingRangeAndSkippedObservations) {
    SmallData e;
    const Lines out = e.statement("OLS Y X / BEG=2 END=5 NOANOVA NOGF");
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], "  OLS ESTIMATION");
    EXPECT_EQ(out[1], "        4 OBSERVATIONS     DEPENDENT VARIABLE= Y");
    EXPECT_EQ(out[2], " ...NOTE..SAMPLE RANGE SET TO:      2,      5");
    const Real r2_range = e.run.res[R_R2];

    // Observation 1 and 6 skipped through SKIP$ give the same fit over the whole sample.
    make_skip_variable(e.run, 6);
    e.elem(VFIND(e.run, "SKIP$"), 1) = 1;
    e.elem(VFIND(e.run, "SKIP$"), 6) = 1;
    const Lines skipped = e.statement("OLS Y X / NOANOVA NOGF");
    EXPECT_EQ(skipped[1], "        4 OBSERVATIONS     DEPENDENT VARIABLE= Y");
    EXPECT_EQ(skipped[2], " ...NOTE..SAMPLE RANGE SET TO:      1,      6");
    EXPECT_EQ(e.run.res[R_R2], r2_range);
    EXPECT_EQ(e.run.res[R_N], 4);

    // A sample longer than the data is the length error of the sample check.
    e.sample(1, 8);
    const Lines longer = e.statement("OLS Y X");
    ASSERT_FALSE(longer.empty());
    EXPECT_EQ(longer[0].substr(0, 42), " ...ERROR..SAMPLE RANGE EXCEEDS LENGTH OF ");
}

TEST(OlsCommand, ImplicationsChooseTheMethod) {
    OlsOptions o;
    o.METHOD = "GS      ";
    o.DWPVALUE = true;
    apply_olsq_implications(o, false);
    EXPECT_EQ(o.method(), OlsMethod::HH);
    o.RIDGE = 0.1Q;
    apply_olsq_implications(o, false);
    EXPECT_EQ(o.method(), OlsMethod::NORMAL) << "RIDGE wins over DWPVALUE";

    OlsOptions lags;
    lags.METHOD = "GS      ";
    lags.EXACTDW = true;
    apply_olsq_implications(lags, true);
    EXPECT_FALSE(lags.DWPVALUE) << "distributed lags clear DWPVALUE after EXACTDW set it";
    EXPECT_EQ(lags.method(), OlsMethod::NORMAL);

    OlsOptions chain;
    chain.METHOD = "GS      ";
    chain.AUTCOV = 2;
    chain.AUXRSQR = true;
    chain.GRAPHICS = true;
    chain.REPLICAT = true;
    chain.PILAGS = true;
    chain.PCOV = chain.PCOR = true;
    apply_olsq_implications(chain, false);
    EXPECT_TRUE(chain.HETCOV);
    EXPECT_TRUE(chain.AUXRSQR) << "AUTCOV sets HETCOV only after HETCOV cleared AUXRSQR";
    EXPECT_TRUE(chain.GNUPLOT);
    EXPECT_TRUE(chain.RSTAT);
    EXPECT_TRUE(chain.UT);
    EXPECT_FALSE(chain.PCOV);
    EXPECT_FALSE(chain.PCOR);
    EXPECT_EQ(chain.method(), OlsMethod::GS);

    OlsOptions given;
    given.METHOD = "HH      ";
    given.INCOEFFI = "B       ";
    apply_olsq_implications(given, false);
    EXPECT_EQ(given.method(), OlsMethod::NORMAL);
}

TEST(OlsCommand, DwpvalueWithRidgeRunsByCrossProducts) {
    SmallData e;
    e.run.res[R_ERR] = 0;
    const Lines out = e.statement("OLS Y X / DWPVALUE RIDGE=0.1 NOANOVA NOGF");
    EXPECT_TRUE(e.contains(out, "  ESTIMATING RIDGE REGRESSION FOR K= 0.10000000"))
        << ::testing::PrintToString(out);
    EXPECT_EQ(e.run.res[R_ERR], 0);
}

TEST(OlsCommand, QuietStatementStoresResultsWithoutLines) {
    SmallData e;
    EXPECT_EQ(e.statement("OLS Y X / PREDICT=YHAT", true), Lines{});
    EXPECT_GT(e.run.res[R_R2], 0);
    EXPECT_GT(VFIND(e.run, "YHAT"), 0);
}

TEST(OlsCommand, LaggedRegressorsMoveTheStart) {
    SmallData e;
    const Lines out = e.statement("OLS Y X(1.1) / NOANOVA NOGF");
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[1], "        5 OBSERVATIONS     DEPENDENT VARIABLE= Y");
    EXPECT_EQ(out[2], " ...NOTE..SAMPLE RANGE SET TO:      2,      6");
    // Y on X lagged once is Y(t) on t-1: the slope matches Y on X over 2..6.
    const Real slope_lag = e.run.res[R_R2];
    e.statement("OLS Y X / BEG=2 NOANOVA NOGF");
    EXPECT_LT(fabsq(e.run.res[R_R2] - slope_lag), 1e-30Q);
    EXPECT_LT(fabsq(e.run.res[R_R2] - 0.81Q), 1e-30Q) << "Y(2..6) on 1..5: r = 0.9";
    // The dependent variable lagged once is allowed and gives Durbin's h.
    const Lines h = e.statement("OLS Y Y(1.1) X / RSTAT NOANOVA NOGF");
    bool seen = false;
    for (const std::string& l : h)
        if (l.find("DURBIN H STATISTIC") != std::string::npos) seen = true;
    EXPECT_TRUE(seen) << ::testing::PrintToString(h);
}

} // namespace
} // namespace tarvex

namespace tarvex {
namespace {

// Statements a user could type by mistake: each must end with a message or a report, never a
// crash, and leave the data as it was.
TEST(OlsCommand, HostileStatementsEndCleanly) {
    SmallData e;
    e.make("M", 12, TYPE_MATRIX, 2);
    e.data("HUGE", {1e4000Q, -1e4000Q, 1e4000Q, 2, 3, 4});
    e.data("W0", {0, 0, 0, 0, 0, 0});
    const std::vector<std::string> statements = {
        "OLS $R2 X",
        "OLS Y X / BEG=100",
        "OLS Y X / END=100",
        "OLS Y X / BEG=-5",
        "OLS Y X / AUTCOV=100000",
        "OLS Y X / NPOP=-5 INSIG2=-1",
        "OLS Y M",
        "OLS Y M:2 X",
        "OLS Y X / WEIGHT=W0",
        "OLS Y X / WEIGHT=$R2",
        "OLS Y HUGE / LIST RSTAT LM GF INFLUENC DFBETAS PCOV PCOR AUXRSQR",
        "OLS Y X / IDVAR=NOSUCH LIST",
        "OLS Y X / PREDICT=Y2 RESID=Y2",
        "OLS Y(1.1) X",
        "OLS Y X(5.5)",
        "OLS Y X(0.9)",
        "OLS Y X / INFLUENC DFBETAS BEG=5",
        "OLS Y X Z / HETCOV AUTCOV=3 NPOP=10 LIST",
        "OLS Y X / METHOD=WHATEVER",
        "OLS Y X / BEG=$R2 END=X",
        "IMLS Y X / LIST",
    };
    for (const std::string& s : statements) {
        e.run.flags = RunFlags{};
        e.statement(s);
        EXPECT_EQ(e.value("Y", 3), 4) << s;
        EXPECT_EQ(e.value("X", 6), 6) << s;
    }
    // The dependent variable lagged once: Y(t-1) for t = 2..6 on X.
    e.statement("OLS Y(1.1) X / NOANOVA NOGF");
    EXPECT_EQ(e.run.res[R_N], 5);
}

} // namespace
} // namespace tarvex

namespace tarvex {
namespace {

TEST(OlsCommand, LastEstimationIsRecordedAndClearedByAFailedOne) {
    SmallData e;
    e.statement("OLS Y X Z / NOANOVA NOGF");
    const EstimationResults& last = e.run.last_estimation;
    EXPECT_EQ(last.command, "OLSQ");
    EXPECT_EQ(last.k, 3);
    EXPECT_EQ(last.n, 6);
    ASSERT_EQ(last.names.size(), 3u);
    EXPECT_EQ(last.names[2], "CONSTANT");
    EXPECT_EQ(last.refs[0], VFIND(e.run, "X"));
    EXPECT_EQ(last.cov.size(), 9u);
    EXPECT_EQ(last.df, 3);
    e.statement("IMLS Y Z / NOANOVA NOGF");
    EXPECT_EQ(e.run.last_estimation.command, "IMLS");
    EXPECT_EQ(e.run.last_estimation.names[2], "TREND   ");
    // An estimation stopped by collinear data leaves none standing.
    e.data("X2", {1, 2, 3, 4, 5, 6});
    e.statement("OLS Y X X2");
    EXPECT_TRUE(e.run.last_estimation.command.empty());
}

} // namespace
} // namespace tarvex
