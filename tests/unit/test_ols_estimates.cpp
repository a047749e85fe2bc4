// Tests of the regression numbers against values from outside the code: the NIST certified
// Longley results from the estimator alone, the notes it meets, NoInt1 and Wampler1 results, a
// three-point regression worked by hand (criteria, variance tables, p-values, residual
// statistics, robust covariance) to the last bits, weights against dropped and repeated rows, and
// the named output variables. The report lines of the hand-worked fits are pinned by the
// ols/small and ols/hand_lines goldens.
#include "numeric/text.hpp"
#include "ols_engine.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/ols/ols_estimation.hpp"
#include "regress/ols/ols_gnuplot.hpp"
#include "workspace/workspace.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::has_line;
using testing::OlsEngine;
using testing::read_table;

Real rel_error(Real got, Real want) {
    return want == 0 ? fabsq(got) : fabsq((got - want) / want);
}

// The equation y on the named regressors and the intercept over observations 1..n, as the OLS
// command hands it to the estimator.
OlsFit equation(OlsEngine& e, const std::vector<std::string>& regressors, int n) {
    OlsFit f;
    f.label = "  OLS ";
    f.dep_ref = VFIND(e.run, "Y");
    f.dep_name = first_8_padded("Y");
    for (const std::string& name : regressors) {
        OlsTerm t;
        t.ref = VFIND(e.run, name);
        t.name = first_8_padded(name);
        f.terms.push_back(t);
    }
    OlsTerm c;
    c.kind = TermKind::INTERCEPT;
    c.ref = e.run.ws.MAXVAR + 1;
    c.name = first_8_padded("CONSTANT");
    f.terms.push_back(c);
    f.has_intercept = true;
    f.k = int(f.terms.size());
    f.beg = 1;
    f.end = n;
    f.n = n;
    return f;
}

// The options of a plain OLS statement.
OlsOptions default_options(OlsEngine& e) {
    set_olsq_defaults(e.run);
    OlsOptions o = read_olsq_options(e.run);
    apply_olsq_implications(o, false);
    return o;
}

// The estimator alone, without a statement or a report: NIST's Longley data. The report lines
// of the same fit are pinned by the ols/longley golden.
TEST(OlsEstimates, LongleyAgainstCertifiedValues) {
    OlsEngine e;
    auto t = read_table("Longley.txt");
    ASSERT_EQ(t.size(), 7u);
    e.data("Y", t[0]);
    for (int j = 1; j <= 6; ++j) e.data("X" + std::to_string(j), t[j]);
    const OlsOptions o = default_options(e);
    const OlsEstimate est = estimate_ols(
        read_ols_inputs(e.run, equation(e, {"X1", "X2", "X3", "X4", "X5", "X6"}, 16), o), o);
    ASSERT_FALSE(est.failed());
    EXPECT_TRUE(e.lines().empty()); // the estimator writes nothing
    // Exact least-squares values of the decimal data (40 digits); coefficient 0 is the
    // intercept, which the estimate holds last.
    const Real b[7] = {-3482258.634595818325276897428755447506379Q,
                       15.06187227137329496998846794296007785257Q,
                       -0.03581917929259101661685775253601936061655Q,
                       -2.020229803816825085653474062042079984104Q,
                       -1.033226867173591975494691463284501725674Q,
                       -0.05110410565358071447066426569869100815265Q,
                       1829.151464613551845229766684240085457977Q};
    const Real sd[7] = {
        890420.3836073725472432832622189688160503Q,   84.91492577476694524650557117428986645024Q,
        0.03349100777224318891500094857197392095971Q, 0.4883996816516994626297097681744707080287Q,
        0.2142741631616752638796311263695498342222Q,  0.2260732000693703592466483870216189394491Q,
        455.4784991422119927177036651450163448893Q};
    const OlsFit& fit = est.fit;
    for (int j = 1; j <= 7; ++j) {
        const int certified = j % 7; // the intercept (certified 0) stands last
        EXPECT_LT(rel_error(fit.coef[j - 1], b[certified]), 1e-22Q) << "b" << certified;
        EXPECT_LT(rel_error(fit.se[j - 1], sd[certified]), 1e-22Q) << "sd" << certified;
    }
    EXPECT_LT(rel_error(est.summary.r2, 0.9954790045772956009001298858748625472709Q), 1e-25Q);
    EXPECT_LT(rel_error(sqrtq(est.summary.sigma2), 304.8540735619648021381522170660437924612Q),
              1e-25Q);
    EXPECT_EQ(fit.df, 9);
    // Log-likelihood of the Gaussian model: -(16/2)(ln(2 pi SSE/16) + 1), pi as stored.
    EXPECT_LT(rel_error(est.summary.llf, -8 * (logq(2 * 3.1415926535898Q * fit.sse / 16) + 1)),
              1e-30Q);
    // The heading is a note of the estimate, first of all.
    ASSERT_FALSE(est.notes.lines.empty());
    EXPECT_EQ(est.notes.lines[0].text, "  OLS ESTIMATION");
    EXPECT_TRUE(est.notes.find(NoteKind::NOTE, "SAMPLE RANGE SET TO:      1,     16") != nullptr);
}

// The warnings an estimate meets are in its notes, with their place and switch, whatever the
// output switches; the report writes them before the summary.
TEST(OlsEstimates, NotesOfAConstantRegressorAndADummyDependentVariable) {
    OlsEngine e;
    e.data("Y", {0, 1, 1, 0, 1});
    e.data("X", {1, 2, 3, 4, 6});
    e.data("C", {2, 2, 2, 2, 2});
    e.run.flags.OPUT = false;
    const OlsOptions o = default_options(e);
    const OlsEstimate est = estimate_ols(read_ols_inputs(e.run, equation(e, {"X", "C"}, 5), o), o);
    // The intercept and C are the same column: the estimation ends on the second of them.
    EXPECT_TRUE(est.failed());
    EXPECT_EQ(est.result.failure.number, 6017);
    const ReportNote* dummy =
        est.notes.find(NoteKind::WARNING, "DEPENDENT VARIABLE IS DUMMY VARIABLE");
    ASSERT_NE(dummy, nullptr);
    EXPECT_EQ(dummy->place, NotePlace::DATA);
    EXPECT_EQ(dummy->needs_switch, OWARN);
    const ReportNote* constant =
        est.notes.find(NoteKind::WARNING, "VARIABLE C        IS A CONSTANT");
    ASSERT_NE(constant, nullptr);
    EXPECT_GT(constant, dummy); // in the order met
}

TEST(OlsEstimates, NoInterceptPrintsTheRawMomentRSquare) {
    OlsEngine e;
    auto t = read_table("NoInt1.txt");
    e.data("Y", t[0]);
    e.data("X", t[1]);
    e.sample(1, 11);
    const Lines out = e.statement("OLS Y X / NOCONST NOGF NOANOVA");
    EXPECT_LT(rel_error(e.run.res[R_RAW], 0.9993654922986627750194317983534525150299Q), 1e-28Q);
    EXPECT_LT(rel_error(sqrtq(e.run.res[R_SIG2]), 3.567530340063378812459273416214868059330Q),
              1e-28Q);
    EXPECT_TRUE(has_line(out, " RAW MOMENT R-SQUARE =   0.9994"));
    EXPECT_TRUE(has_line(
        out, " X          2.0744     0.16529E-01   125.50     0.0000 0.9997   2.0744      0.99878"))
        << ::testing::PrintToString(out);
    // y = x + 70 here, so the standardised coefficient is b itself; elasticity b*65/135.
    // R-square about the mean is 1 - SSE/SST, negative without the intercept.
    EXPECT_TRUE(has_line(out, "  R-SQUARE =  -0.1570     R-SQUARE ADJUSTED =  -0.1570"));
    // With the intercept the line is not printed.
    const Lines with = e.statement("OLS Y X / NOGF NOANOVA");
    for (const std::string& l : with) EXPECT_EQ(l.find("RAW MOMENT"), std::string::npos);
}

TEST(OlsEstimates, ExactFitHasNoCriteriaAndNoLikelihood) {
    OlsEngine e;
    auto t = read_table("Wampler1.txt");
    e.data("Y", t[0]);
    e.data("X", t[1]);
    e.sample(1, 21);
    // x**2 .. x**5 as data.
    for (int p = 2; p <= 5; ++p) {
        std::vector<Real> v;
        for (Real x : t[1]) v.push_back(powq(x, p));
        e.data("X" + std::to_string(p), v);
    }
    const Lines out = e.statement("OLS Y X X2-X5 / COEF=B");
    for (int j = 1; j <= 6; ++j) EXPECT_LT(rel_error(e.value("B", j), 1), 1e-25Q) << j;
    EXPECT_LT(e.run.res[R_SSE], 1e-25Q);
    EXPECT_LT(fabsq(e.run.res[R_R2] - 1), 1e-30Q);
}

// y = 1 2 4 on x = 1 2 3: b = 1.5, a = -2/3, residuals 1/6 -1/3 1/6, SSE = 1/6, SST = 14/3,
// R2 = 27/28, DF 1, F = t**2 = 27 and P(F(1,1) > 27) = 1 - (2/pi) atan(sqrt 27) = 0.121.
struct ThreePoints : OlsEngine {
    ThreePoints() {
        data("Y", {1, 2, 4});
        data("X", {1, 2, 3});
        sample(1, 3);
    }
};

// The summary, criteria, variance-table and coefficient lines of this fit are pinned by the
// ols/small golden; here the stored values behind them and the residual statistics.
TEST(OlsEstimates, ThreePointStoredValuesByHand) {
    ThreePoints e;
    e.statement("OLS Y X / RSTAT NOGF");
    // Criteria with s = SSE/N = 1/18, K = 2, N = 3.
    EXPECT_LT(rel_error(e.run.res[R_FPE], Real(5) / 18), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_LAIC], logq(Real(1) / 18) + Real(4) / 3), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_LSC], logq(Real(1) / 18) + 2 * logq(Real(3)) / 3), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_GCV], Real(1) / 2), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_RICE], Real(-1) / 6), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_SHIB], Real(7) / 54), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_HQ], powq(logq(Real(3)), Real(4) / 3) / 18), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_AIC], expq(e.run.res[R_LAIC])), 1e-30Q);
    // Variance tables.
    EXPECT_LT(rel_error(e.run.res[R_ANF], 27), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_ZSST], 21), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_ZSSR], 21 - Real(1) / 6), 1e-30Q);
    EXPECT_EQ(e.run.res[R_ZDF], 2);
    // Residual statistics: d = (1/4 + 1/4)/(1/6) = 3, rho = (-1/9)/(1/6) = -2/3 (their lines
    // and the runs test's are pinned by the ols/hand_lines golden).
    EXPECT_LT(rel_error(e.run.res[R_DW], 3), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_RHO], Real(-2) / 3), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_R2OP], Real(27) / 28), 1e-30Q);
}

TEST(OlsEstimates, HeteroskedasticityConsistentCovariance) {
    ThreePoints e;
    // HC0 slope variance: sum (x - xbar)**2 e**2 / Sxx**2 = (1/36 + 1/36)/4 = 1/72.
    e.statement("OLS Y X / HETCOV STDERR=SE NOANOVA NOGF");
    EXPECT_LT(rel_error(e.value("SE", 1), sqrtq(Real(1) / 72)), 1e-30Q);
    // Newey-West with one lag adds (1/2) sum e_t e_t-1 (x_t x_t-1' + x_t-1 x_t').
    e.statement("OLS Y X / AUTCOV=1 STDERR=SE NOANOVA NOGF");
    // Slope row of (X'X)**-1 is (1/2)(x - xbar): a_t = -1/2, 0, 1/2; middle for the slope:
    // sum a_t**2 e_t**2 + 2 (1/2) sum a_t a_t-1 e_t e_t-1 = 1/72 + 0 (a_2 = 0 kills both lags).
    EXPECT_LT(rel_error(e.value("SE", 1), sqrtq(Real(1) / 72)), 1e-30Q);
}

TEST(OlsEstimates, WeightsDropZeroAndMissingAndEqualRepeatedRows) {
    OlsEngine e;
    e.data("Y", {1, 2, 4, 3, 9});
    e.data("X", {1, 2, 3, 4, 7});
    e.data("W", {1, 2, 1, 0, -99999});
    e.sample(1, 5);
    e.statement("OLS Y X / WEIGHT=W NONORM COEF=BW NOANOVA NOGF");
    EXPECT_EQ(e.run.res[R_N], 3);
    // Weight 2 on observation 2 equals that row twice: y = 1 2 2 4 on x = 1 2 2 3, which gives
    // b = 1.5 and a = -2/3 + ... worked out: xbar = 2, ybar = 9/4, Sxy = 3, Sxx = 2.
    EXPECT_LT(rel_error(e.value("BW", 1), Real(3) / 2), 1e-30Q);
    EXPECT_LT(rel_error(e.value("BW", 2), Real(9) / 4 - 3), 1e-30Q);
    // Normalised weights (mean 1) change nothing in the coefficients.
    e.statement("OLS Y X / WEIGHT=W COEF=BN NOANOVA NOGF");
    EXPECT_LT(rel_error(e.value("BN", 1), Real(3) / 2), 1e-30Q);
}

TEST(OlsEstimates, OutputVariables) {
    ThreePoints e;
    e.sample(2, 3);
    e.data("X3", {5, 6, 7});
    e.sample(1, 3);
    e.statement("OLS Y X / PREDICT=YHAT RESID=E COEF=B COVAR=V TRATIO=T STDERR=S HATDIAG=H BEG=1 "
                "END=3 NOGF");
    EXPECT_LT(rel_error(e.value("YHAT", 1), Real(5) / 6), 1e-30Q);
    EXPECT_LT(rel_error(e.value("E", 2), Real(-1) / 3), 1e-30Q);
    EXPECT_LT(rel_error(e.value("B", 2), Real(-2) / 3), 1e-30Q);
    EXPECT_LT(rel_error(e.value("T", 1), sqrtq(Real(27))), 1e-30Q);
    // Hat values of x = 1 2 3: 1/3 + (x - 2)**2/2 = 5/6, 1/3, 5/6.
    EXPECT_LT(rel_error(e.value("H", 1), Real(5) / 6), 1e-30Q);
    EXPECT_LT(rel_error(e.value("H", 2), Real(1) / 3), 1e-30Q);
    VarInfo info;
    ASSERT_TRUE(VINFO(e.run, VFIND(e.run, "V"), info));
    EXPECT_EQ(info.type, TYPE_MATRIX);
    EXPECT_EQ(info.ncol, 2);
    EXPECT_LT(rel_error(e.value("V", 2), Real(-1) / 6), 1e-30Q);
    EXPECT_LT(rel_error(e.value("V", 4), Real(7) / 18), 1e-30Q);
    // Observations outside the range hold the missing-value code.
    e.statement("OLS Y X / BEG=2 PREDICT=YHAT NOGF");
    EXPECT_EQ(e.value("YHAT", 1), -99999);
}

// Residuals 1/6, -1/3, 1/6 of the three-point fit: m2 = 1/18, m3 = -1/108, m4 = 1/216, so the
// skewness is -1/sqrt 2, the excess kurtosis 1.5 - 3 = -1.5 and JB = 3 (1/12 + 2.25/24) = 0.53125
// exactly (the ols/hand_lines golden shows the lines).
TEST(OlsEstimates, JarqueBeraOnTheRoundingTie) {
    ThreePoints e;
    e.statement("OLS Y X / LM NOANOVA NOGF");
    EXPECT_LT(fabsq(e.run.res[R_JB] - 0.53125Q), 1e-30Q);
}

TEST(OlsEstimates, VarianceOptions) {
    ThreePoints e;
    // Finite population of 6: variances times 1 - 3/6.
    e.statement("OLS Y X / NPOP=6 STDERR=SE NOANOVA NOGF");
    EXPECT_LT(rel_error(e.value("SE", 1), sqrtq(Real(1) / 24)), 1e-30Q);
    // A given error variance of 1: SSE = DF, se(b) = sqrt(1/2).
    e.statement("OLS Y X / INSIG2=1 STDERR=SE NOANOVA NOGF");
    EXPECT_LT(rel_error(e.value("SE", 1), sqrtq(Real(1) / 2)), 1e-30Q);
    EXPECT_EQ(e.run.res[R_SSE], 1);
    // DN divides by N: sigma**2 = (1/6)/3.
    e.statement("OLS Y X / DN NOANOVA NOGF");
    EXPECT_LT(rel_error(e.run.res[R_SIG2], Real(1) / 18), 1e-30Q);
    EXPECT_EQ(e.run.res[R_DF], 3);
    // Without MULSIGSQ the covariance is (X'X)**-1 itself.
    e.statement("OLS Y X / NOMULSIGSQ STDERR=SE NOANOVA NOGF");
    EXPECT_LT(rel_error(e.value("SE", 1), sqrtq(Real(1) / 2)), 1e-30Q);
}

std::string file_text(const std::string& name) {
    std::ifstream in(name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(OlsEstimates, GnuplotFiles) {
    EXPECT_EQ(plot_data_file("COMM.GNU"), "COMM.DAT");
    EXPECT_EQ(plot_data_file("/tmp/a.b/plot"), "/tmp/a.b/plot.DAT");
    char dir[] = "/tmp/tarvex_plotXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string cmd = std::string(dir) + "/resid.gnu";
    const std::string picture = std::string(dir) + "/fit";
    ThreePoints e;
    const Lines drawn =
        e.statement("OLS Y X / GNUPLOT NOANOVA NOGF COMMFILE=" + cmd + " OUTPUT=" + picture);
    // One line per observation: number, actual, fitted, residual.
    const std::string data = file_text(std::string(dir) + "/resid.DAT");
    EXPECT_EQ(data.substr(0, data.find('\n')), "1 1 0.83333333333333333333 0.16666666666666666667");
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), 3);
    // The command file opens the picture (PNG unless DEVICE says otherwise), which gnuplot draws.
    const std::string first = file_text(cmd);
    EXPECT_NE(first.find("set terminal pngcairo size 800,600 noenhanced\nset output '" + picture +
                         ".png'\n"),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("plot '" + std::string(dir) + "/resid.DAT' using 1:2 title 'ACTUAL'"),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("using 1:4 title 'RESIDUAL' with impulses"), std::string::npos);
    EXPECT_TRUE(has_line(drawn, " ...NOTE..GRAPH WRITTEN: " + picture + ".png"));
    // GNUPLOT implies the residual statistics.
    EXPECT_LT(fabsq(e.run.res[R_DW] - 3), 1e-30Q);
    // APPEND adds to the command file; without it the file is rewritten.
    e.statement("OLS Y X / GRAPHICS APPEND DEVICE=SVG NOANOVA NOGF COMMFILE=" + cmd +
                " OUTPUT=" + picture);
    const std::string both = file_text(cmd);
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_NE(both.find("set output '" + picture + ".svg'\n"), std::string::npos) << both;
    const Lines again =
        e.statement("OLS Y X / GNUPLOT NOANOVA NOGF COMMFILE=" + cmd + " OUTPUT=" + picture);
    EXPECT_EQ(file_text(cmd), first);
    EXPECT_TRUE(has_line(again, " ...NOTE..GRAPH REPLACED: " + picture + ".png"));
    // A command file that cannot be written is reported and the run goes on.
    const Lines bad = e.statement("OLS Y X / GNUPLOT NOANOVA NOGF COMMFILE=/nonexistent/dir/x.gnu");
    EXPECT_TRUE(has_line(bad, " ...ERROR..CANNOT WRITE PLOT FILE /nonexistent/dir/x.DAT"));
    for (const char* name : {"/resid.DAT", "/fit.png", "/fit.svg"})
        unlink((std::string(dir) + name).c_str());
    unlink(cmd.c_str());
    rmdir(dir);
}

TEST(OlsEstimates, GivenCoefficientsAndCovariance) {
    ThreePoints e;
    e.data("B0", {1, 0});       // slope 1, no intercept
    e.data("V0", {4, 0, 0, 9}); // standard errors 2 and 3
    e.statement("OLS Y X / INCOEFFI=B0 INCOVARI=V0 RESID=E STDERR=SE NOANOVA NOGF");
    // y - x = 0 0 1: SSE = 1.
    EXPECT_EQ(e.run.res[R_SSE], 1);
    EXPECT_EQ(e.value("E", 3), 1);
    EXPECT_EQ(e.value("SE", 1), 2);
    EXPECT_EQ(e.value("SE", 2), 3);
    // Without INCOVARI the covariance is sigma**2 (X'X)**-1 with the given coefficients' SSE.
    e.statement("OLS Y X / INCOEFFI=B0 STDERR=SE NOANOVA NOGF");
    EXPECT_LT(rel_error(e.value("SE", 1), sqrtq(Real(1) / 2)), 1e-30Q);
    // A vector too short for the equation is refused.
    e.data("B1", {1});
    e.run.res[R_ERR] = 0;
    EXPECT_TRUE(has_line(e.statement("OLS Y X / INCOEFFI=B1"),
                         " ...ERROR..IN RIGHT HAND SIDE OF OPTION..INCOEFFI"));
    EXPECT_EQ(e.run.res[R_ERR], 6011);
}

// Replication counts 1 2 1 on y = 1 2 4, x = 1 2 3 equal the rows 1 2 2 4 on 1 2 2 3:
// b = 1.5, a = -3/4, residuals 1/4 -1/4 -1/4 1/4, SSE = 1/4, DF = 4 - 2, sigma**2 = 1/8.
TEST(OlsEstimates, ReplicationCountsEqualRepeatedRows) {
    ThreePoints e;
    e.data("W", {1, 2, 1});
    const Lines out = e.statement("OLS Y X / WEIGHT=W REPLICAT COEF=B STDERR=SE NOANOVA NOGF");
    EXPECT_TRUE(has_line(out, " NUMBER OF OBSERVATIONS AFTER REPLICATION =        4"));
    EXPECT_EQ(e.run.res[R_N], 4);
    EXPECT_EQ(e.run.res[R_DF], 2);
    EXPECT_LT(rel_error(e.run.res[R_SSE], Real(1) / 4), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_SIG2], Real(1) / 8), 1e-30Q);
    EXPECT_LT(rel_error(e.value("B", 2), Real(-3) / 4), 1e-30Q);
    const Real se_replicated = e.value("SE", 1);
    OlsEngine rows;
    rows.data("Y", {1, 2, 2, 4});
    rows.data("X", {1, 2, 2, 3});
    rows.sample(1, 4);
    rows.statement("OLS Y X / STDERR=SE NOANOVA NOGF");
    EXPECT_LT(rel_error(se_replicated, rows.value("SE", 1)), 1e-30Q);
    EXPECT_LT(rel_error(e.run.res[R_R2], rows.run.res[R_R2]), 1e-30Q);
}

// The estimate carries what is stored: the record with the p-values and partial correlations the
// table prints (y = 1 2 4 on x = 1 2 3: t = sqrt 27 with 1 DF), OLS's own scalars (R**2 =
// 27/28) without clearing the others, and nothing written; given coefficients the front end
// cannot read end the estimation with the option's message.
TEST(OlsEstimates, ResultHoldsRecordScalarsAndFailure) {
    ThreePoints e;
    OlsOptions o = default_options(e);
    const OlsEstimate est = estimate_ols(read_ols_inputs(e.run, equation(e, {"X"}, 3), o), o);
    ASSERT_FALSE(est.failed());
    EXPECT_TRUE(e.lines().empty());
    const EstimationResults& r = est.result.record;
    ASSERT_EQ(r.coef.size(), 2u);
    EXPECT_LT(rel_error(r.coef[0], Real(3) / 2), 1e-30Q);
    ASSERT_EQ(r.pvalues.size(), 2u);
    // Two-sided t with 1 DF: p = 1 - (2/pi) atan(t).
    EXPECT_LT(rel_error(r.pvalues[0], 1 - 2 / M_PIq * atanq(sqrtq(Real(27)))), 1e-30Q);
    ASSERT_EQ(est.result.partials.size(), 2u);
    EXPECT_LT(rel_error(est.result.partials[0], sqrtq(Real(27) / 28)), 1e-30Q);
    EXPECT_FALSE(est.result.clears_other_scalars);
    bool has_r2 = false;
    for (const ResultScalar& v : est.result.scalars)
        if (v.id == R_R2) {
            has_r2 = true;
            EXPECT_LT(rel_error(v.value, Real(27) / 28), 1e-30Q);
        }
    EXPECT_TRUE(has_r2);
    EXPECT_EQ(r.command, "OLSQ");

    o.INCOEFFI = first_8_padded("NOSUCH");
    const OlsEstimate given = estimate_ols(read_ols_inputs(e.run, equation(e, {"X"}, 3), o), o);
    EXPECT_TRUE(given.failed());
    EXPECT_EQ(given.result.failure.number, 6011);
    EXPECT_EQ(given.result.failure.line, " ...ERROR..IN RIGHT HAND SIDE OF OPTION..INCOEFFI");
    EXPECT_TRUE(e.lines().empty());
}

// Lines written while a command reads a block of its own wait for its report.
TEST(OlsEstimates, HeldLinesWaitForTheReport) {
    OlsEngine e;
    e.lines();
    std::vector<std::string> held;
    {
        const HeldLines holding(e.run.buf, held);
        write_line(e.run, " |_restrict x = 1");
    }
    write_line(e.run, " AFTER");
    EXPECT_EQ(held, Lines{" |_restrict x = 1"});
    EXPECT_EQ(e.lines(), Lines{" AFTER"});
}

} // namespace
} // namespace tarvex
