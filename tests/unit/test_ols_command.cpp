// Tests of the regression command's inner state that no report shows: the option implications
// that choose the method, a quiet statement and the record of the last estimation. The messages
// and fits a user sees are in the ols golden transcripts, a scan-only run in switches/scan.
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
        sample(1, 6);
    }
};

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

TEST(OlsCommand, QuietStatementStoresResultsWithoutLines) {
    SmallData e;
    EXPECT_EQ(e.statement("OLS Y X / PREDICT=YHAT", true), Lines{});
    EXPECT_GT(e.run.res[R_R2], 0);
    EXPECT_GT(VFIND(e.run, "YHAT"), 0);
}

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
