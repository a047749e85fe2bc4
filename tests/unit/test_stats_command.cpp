// The STATS command as a user sees it: report lines for hand-worked data, the option rules
// (NONPARAM against NPARAM, PFREQUEN and MAX implications, DN, SAMEOBS), missing values and
// skipped observations, weights, matrix columns, the per-variable messages, the stored result
// variables and $N, and the mark that keeps TEST from following STATS.
#include "ols_engine.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
using testing::OlsEngine;

bool has(const Lines& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

bool has_prefix(const Lines& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(text, 0) == 0; });
}

// x = 1..10, y = 2 4 3 8 5 6 9 8 10 8 (sum 63, sum of squares 463, sum xy 409).
struct TenObs : OlsEngine {
    TenObs() {
        data("X", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
        data("Y", {2, 4, 3, 8, 5, 6, 9, 8, 10, 8});
        sample(1, 10);
        run.sw[OWIDE] = false;
    }
};

TEST(StatsCommand, TableRowsInBothWidths) {
    TenObs e;
    const Lines narrow = e.statement("STATS X Y");
    ASSERT_EQ(narrow.size(), 3u);
    EXPECT_EQ(narrow[0],
              " NAME        N    MEAN        ST. DEV      VARIANCE     MINIMUM      MAXIMUM");
    // Mean 5.5, variance 82.5/9, standard deviation 3.02765.
    EXPECT_EQ(narrow[1],
              " X            10   5.5000      3.0277      9.1667       1.0000       10.000");
    // Mean 6.3, variance 66.1/9 = 7.34444.
    EXPECT_EQ(narrow[2],
              " Y            10   6.3000      2.7101      7.3444       2.0000       10.000");
    const Lines wide = e.statement("STATS X / WIDE DN");
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[0], " NAME        N   MEAN        ST. DEV      VARIANCE     MINIMUM      MAXIMUM"
                       "  COEF.OF.VARIATION CONSTANT-DIGITS");
    // Divided by N: variance 8.25, standard deviation 2.87228, CV 0.522233; the shared
    // digits log10(10/9) = 0.0457575.
    EXPECT_EQ(wide[1], " X            10   5.5000      2.8723      8.2500       1.0000       10.000"
                       "      0.52223      0.45757E-01");
    EXPECT_EQ(e.run.res[R_N], 10);
    // NOLIST prints nothing; a "?" statement neither.
    EXPECT_TRUE(e.statement("STATS X / NOLIST").empty());
    EXPECT_TRUE(e.statement("STATS X", true).empty());
}

TEST(StatsCommand, MatricesAsLowerTriangles) {
    TenObs e;
    const Lines m = e.statement("STATS X Y / NOLIST PCPRODUC PCPDEV PCOVARIA PCORRELA PRANKCOR");
    const Lines expected = {
        " ",
        " CROSSPRODUCT MATRIX OF VARIABLES -       10 OBSERVATIONS",
        " X          385.0000",
        " Y          409.0000       463.0000",
        " ",
        " CROSSPRODUCT MATRIX IN DEVIATIONS -       10 OBSERVATIONS",
        " X          82.50000",
        " Y          62.50000       66.10000",
        " ",
        "  COVARIANCE MATRIX OF VARIABLES -       10 OBSERVATIONS",
        " X          9.166667",
        " Y          6.944444       7.344444",
        // 62.5 / sqrt(82.5 * 66.1) = 0.846354...
        " ",
        "  CORRELATION MATRIX OF VARIABLES -       10 OBSERVATIONS",
        " X          1.000000",
        " Y         0.8463545       1.000000",
    };
    ASSERT_GE(m.size(), expected.size() + 4);
    EXPECT_EQ(Lines(m.begin(), m.begin() + long(expected.size())), expected);
    EXPECT_EQ(m[expected.size() + 1], " SPEARMAN RANK CORRELATION MATRIX -        10 OBSERVATIONS");
    // MAX turns on every matrix and the table.
    const Lines all = e.statement("STATS X Y / MAX");
    EXPECT_TRUE(has_prefix(all, " NAME "));
    EXPECT_TRUE(has_prefix(all, " SPEARMAN RANK CORRELATION MATRIX"));
    EXPECT_TRUE(has_prefix(all, " CROSSPRODUCT MATRIX IN DEVIATIONS"));
}

TEST(StatsCommand, SpearmanAndWideRowsWrap) {
    OlsEngine e;
    e.data("A", {1, 2, 3, 4, 5});
    e.data("B", {2, 1, 4, 3, 5}); // rank differences -1 1 -1 1 0: rho = 1 - 6*4/120 = 0.8
    for (const char* n : {"C3", "C4", "C5", "C6", "C7", "C8", "C9"})
        e.data(n, {5, 4, 3, 2, 1});
    e.sample(1, 5);
    const Lines r = e.statement("STATS A B C3 C4 C5 C6 C7 C8 C9 / NOLIST PRANKCOR RANKCORR=RC");
    EXPECT_EQ(r[3], " B         0.8000000       1.000000");
    // The ninth row holds nine values: eight on its line, the ninth on a continuation line.
    EXPECT_EQ(r.size(), 2u + 9 + 1);
    EXPECT_EQ(r.back(), std::string(12, ' ') + "1.000000");
    EXPECT_EQ(e.value("RC", 2), 0.8Q); // column-major 9 x 9: element (2,1)
    EXPECT_EQ(e.value("RC", 3), -1);   // (3,1): C3 falls as A rises
}

TEST(StatsCommand, PairsOverSharedAndOverTheirOwnObservations) {
    // x 1..5 and y 2 1 4 3 5: deviations -2 -1 0 1 2 and -1 -2 1 0 2, cross product 8, sums of
    // squares 10 and 10, r = 0.8, covariance 2. z is y without its last value: x and z share
    // 1..4 (cross product 3, squares 5 and 5, r = 0.6), y and z share 1..4 too (r = 1).
    OlsEngine e;
    e.data("X", {1, 2, 3, 4, 5});
    e.data("Y", {2, 1, 4, 3, 5});
    e.data("Z", {2, 1, 4, 3, -99999});
    e.sample(1, 5);
    e.statement("STATS X Y / NOLIST CORRELAT=RS COVARIAN=VS CPRODUCT=PS", true);
    EXPECT_EQ(e.value("RS", 2), 0.8Q);
    EXPECT_EQ(e.value("VS", 2), 2);
    EXPECT_EQ(e.value("PS", 1), 55); // sum x^2
    EXPECT_EQ(e.value("PS", 2), 53); // sum xy
    EXPECT_EQ(e.value("PS", 4), 55); // sum y^2
    const Lines own = e.statement("STATS X Y Z / NOLIST PCORRELA CORRELAT=R CPDEVIAT=D");
    EXPECT_EQ(own[1], "  CORRELATION MATRIX OF VARIABLES -        4 OBSERVATIONS");
    EXPECT_EQ(e.value("R", 2), 0.8Q); // x, y over all five observations
    EXPECT_EQ(e.value("R", 3), 0.6Q); // x, z over the first four
    EXPECT_EQ(e.value("R", 6), 1);    // y, z over the first four
    EXPECT_EQ(e.value("D", 2), 8);
    EXPECT_EQ(e.value("D", 3), 3);
    EXPECT_EQ(e.value("D", 9), 5);
}

TEST(StatsCommand, MediansModesFrequenciesAndStems) {
    TenObs e;
    const Lines m = e.statement("STATS X Y / NOLIST PFREQUEN STEMPLOT=1");
    const Lines x_part = {
        " ",
        "  VARIABLE = X",
        " MEDIAN =    5.5000",
        " LOWER 25%=   2.7500     UPPER 25%=   8.2500     INTERQUARTILE RANGE=  5.500",
        " MODE NOT APPLICABLE",
        "          VALUE       FREQUENCY      PERCENT   CUMULATIVE   REMAINING",
        "     1.0000000             1       10.00000    10.00000    90.00000",
    };
    ASSERT_GT(m.size(), x_part.size());
    EXPECT_EQ(Lines(m.begin(), m.begin() + long(x_part.size())), x_part);
    EXPECT_TRUE(has(m, "     10.000000             1       10.00000   100.00000     0.00000"));
    EXPECT_TRUE(has(m, " STEMPLOT:                 X       STEM DIGITS=     1"));
    EXPECT_TRUE(has(m, " CUMUL-FREQ STEM   LEAF"));
    EXPECT_TRUE(has(m, "       9     0 123456789"));
    EXPECT_TRUE(has(m, "      10     1 0"));
    // Y sorted 2 3 4 5 6 8 8 8 9 10: median 7, quartiles 3.75 and 8.25, mode 8 three times.
    EXPECT_TRUE(has(m, " MEDIAN =    7.0000"));
    EXPECT_TRUE(
        has(m, " LOWER 25%=   3.7500     UPPER 25%=   8.2500     INTERQUARTILE RANGE=  4.500"));
    EXPECT_TRUE(has(m, " MODE =    8.0000     WITH        3 OBSERVATIONS"));
    EXPECT_TRUE(has(m, "     8.0000000             3       30.00000    80.00000    20.00000"));
    EXPECT_TRUE(has(m, "       9     0 234568889"));
    // Two values sharing the highest count: the warning, then the larger.
    e.data("TWO", {1, 1, 2, 2, 3, 0, 0, 0, 0, 0});
    const Lines t = e.statement("STATS TWO / NOLIST PMEDIAN END=5");
    EXPECT_TRUE(has(t, " ...WARNING..MULTIPLE MODES - THE MAXIMUM IS REPORTED"));
    EXPECT_TRUE(has(t, " MODE =    2.0000     WITH        2 OBSERVATIONS"));
}

TEST(StatsCommand, TestsAcrossVariables) {
    TenObs e;
    e.data("A", {1, 3, 0, 0, 0, 0, 0, 0, 0, 0});
    e.data("B", {5, 7, 0, 0, 0, 0, 0, 0, 0, 0});
    // Groups 1 3 and 5 7: F = 8 on (1, 2), p = 1 - sqrt(0.8) = 0.1056.
    const Lines a = e.statement("STATS A B / NOLIST ANOVA END=2");
    ASSERT_GE(a.size(), 6u);
    EXPECT_EQ(a[1], "                 ANALYSIS OF VARIANCE - OVERALL MEAN=        4.0000");
    EXPECT_EQ(a[2],
              "                       SS         DF             MS                 F    P-VALUE");
    EXPECT_EQ(a[3],
              " BETWEEN           16.000          1.        16.000            8.0000     0.1056");
    EXPECT_EQ(a[4], " WITHIN            4.0000          2.        2.0000");
    EXPECT_EQ(a[5], " TOTAL             20.000          3.        6.6667");
    // Same observations in both: the two-way table follows (blocks 3 and 5, SS 8 on 1).
    EXPECT_TRUE(has(a, "            TWO-WAY ANALYSIS OF VARIANCE - OVERALL MEAN=        4.0000"));
    EXPECT_TRUE(has_prefix(a, " BLOCKS            4.0000          1."));

    // Variances 2 and 8: statistic ln(25/16)/1.5 = 0.2975247, p = erfc(sqrt(x/2)) = 0.585438.
    const Lines b = e.statement("STATS A C / NOLIST BARTLETT DUMP END=2");
    EXPECT_EQ(b.size(), 1u); // C does not exist: the scanner refuses the statement
    e.data("C", {5, 9, 0, 0, 0, 0, 0, 0, 0, 0});
    const Lines bt = e.statement("STATS A C / NOLIST BARTLETT DUMP END=2");
    EXPECT_TRUE(has(bt, " BARS BARL BARF BAR1F QTEST"));
    EXPECT_TRUE(
        has(bt, "  BARTLETTS HOMOGENEITY OF VARIANCE TEST =    0.29752       P-VALUE=  0.58544"));
    EXPECT_TRUE(has(bt, "     APPROXIMATELY CHI-SQUARE WITH    1 DEGREES OF FREEDOM"));

    // 1 3 against 4 8: t = -4/sqrt 5 = -1.78885; Welch df 25/17 printed as 1, p taken at 25/17
    // = 0.25853 (Simpson's rule on the t density with 200,000 steps);
    // pooled df 2, p = 1 - 4/sqrt 26 = 0.2155; F = 0.25, p = (4/pi) atan 0.5 = 0.5903.
    e.data("D", {4, 8, 0, 0, 0, 0, 0, 0, 0, 0});
    const Lines t = e.statement("STATS A D / NOLIST BEHRENSF END=2");
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[1],
              "   DIFFERENCE BETWEEN TWO SAMPLES TESTS:    STATISTIC          D.F.     P-VALUE");
    EXPECT_EQ(t[2],
              " APPROXIMATE    T-TEST OF EQUAL MEANS:       -1.7889                1    0.2585");
    EXPECT_EQ(t[3],
              " EQUAL VARIANCE T-TEST OF EQUAL MEANS:       -1.7889                2    0.2155");
    EXPECT_EQ(t[4],
              " F-TEST OF EQUAL VARIANCES:                  0.25000         1     1    0.5903");
    const Lines three = e.statement("STATS A B D / NOLIST BEHRENSF END=2");
    EXPECT_TRUE(
        has(three, " ...WARNING..TWO-SAMPLE TESTS NEED TWO VARIABLES WITH POSITIVE VARIANCES"));
}

TEST(StatsCommand, NonparametricOnlyWithNonparam) {
    TenObs e;
    EXPECT_FALSE(has_prefix(e.statement("STATS X Y / NOLIST NPARAM"), " KRUSKAL"));
    EXPECT_FALSE(has_prefix(e.statement("STATS X Y / NOLIST"), " KRUSKAL"));
    const Lines n = e.statement("STATS X Y / NOLIST NONPARAM");
    EXPECT_TRUE(has_prefix(n, " KRUSKAL-WALLIS TEST:"));
    EXPECT_TRUE(has_prefix(n, " MANN-WHITNEY TEST U="));
    // Differences x - y: five negative, four zero, one positive; P(X <= 1 | 6) = 7/64.
    EXPECT_TRUE(has(n, " NONPARAMETRIC SIGN TEST:"));
    EXPECT_TRUE(has(n, "  DIFFERENCES: NEGATIVE=    5 ZERO=    4 POSITIVE=    1"));
    EXPECT_TRUE(has(n, "  ONE-SIDED PVALUE= 0.10938 TWO-SIDED PVALUE= 0.21875"));
    // One variable: the sign test of its values (x: ten positive, P = 2^-10 one-sided).
    const Lines one = e.statement("STATS X / NOLIST NONPARAM");
    EXPECT_FALSE(has_prefix(one, " KRUSKAL"));
    EXPECT_TRUE(has(one, "  DIFFERENCES: NEGATIVE=    0 ZERO=    0 POSITIVE=   10"));
    EXPECT_TRUE(has(one, "  ONE-SIDED PVALUE= 0.00098 TWO-SIDED PVALUE= 0.00195"));
    // 1..6 split in halves: H = 27/7 = 3.85714, p = erfc(sqrt(27/14)) = 0.0495; U = 0.
    e.data("P", {1, 2, 3, 0, 0, 0, 0, 0, 0, 0});
    e.data("Q", {4, 5, 6, 0, 0, 0, 0, 0, 0, 0});
    const Lines k = e.statement("STATS P Q / NOLIST NONPARAM END=3");
    EXPECT_TRUE(
        has(k, " KRUSKAL-WALLIS TEST:   3.8571     IS CHI-SQUARE WITH     1 D.F. P-VALUE= 0.0495"));
    EXPECT_TRUE(has(k, " MANN-WHITNEY TEST U=   0.0000     N1=    3. N2=    3."));
}

TEST(StatsCommand, SampleSizeEstimate) {
    OlsEngine e;
    e.data("S", {8, 12, 8, 12}); // mean 10, variance 16/3
    e.sample(1, 4);
    const Lines s = e.statement("STATS S / NOLIST SAMPSIZE NPOP=100");
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[1], " SAMPLE SIZE ESTIMATION: NP=       100");
    EXPECT_EQ(s[2], " VARIABLE   ERROR MARGIN(+-)  N(W REPL)     N(WO REPL)");
    // n0 = (1.95996 * 2.3094 / 0.5)^2 = 81.95 -> 82; from 100: 8195.1 / 180.95 = 45.29 -> 46.
    EXPECT_EQ(s[3], " S          0.50000         4        82        46   10.000       2.3094");
}

TEST(StatsCommand, MissingValuesSkipsAndSameObs) {
    OlsEngine e;
    e.data("U", {1, -99999, 3, 4, 5});
    e.data("V", {2, 4, 6, 8, -99999});
    e.data("GONE", {-99999, -99999, -99999, -99999, -99999});
    e.data("SHORT", {1, 2});
    e.sample(1, 5);
    e.run.sw[OWIDE] = false;
    const Lines l = e.statement("STATS U V GONE / PCOVARIA");
    EXPECT_EQ(l[0], " GONE          0 NO OBSERVATIONS FOUND");
    EXPECT_EQ(l[2], " U             4   3.2500      1.7078      2.9167       1.0000       5.0000");
    EXPECT_EQ(l[3], " V             4   5.0000      2.5820      6.6667       2.0000       8.0000");
    // The pair shares observations 1, 3, 4: u 1 3 4, v 2 6 8: covariance 14/3 over 2.
    EXPECT_TRUE(has(l, "  COVARIANCE MATRIX OF VARIABLES -        3 OBSERVATIONS"));
    EXPECT_TRUE(has(l, " V          4.666667       6.666667"));
    const Lines s = e.statement("STATS U V / SAMEOBS PCOVARIA");
    EXPECT_EQ(s[1], " U             3   2.6667      1.5275      2.3333       1.0000       4.0000");
    EXPECT_TRUE(has(s, " USING COMMON OBSERVATIONS"));
    EXPECT_TRUE(has(s, " V          4.666667       9.333333"));
    // A sample range that starts after the variable ends.
    e.sample(3, 5);
    EXPECT_EQ(e.statement("STATS SHORT")[0], " SHORT    HAS NO OBSERVATIONS IN SAMPLE RANGE");
    // Skipped observations are left out like missing ones.
    e.sample(1, 5);
    e.run.smpl.MAXOB = 5;
    ASSERT_TRUE(make_skip_variable(e.run, 5));
    skip_codes(e.run).codes[5] = SKIP_BY_SKIPIF;
    EXPECT_EQ(e.statement("STATS U")[1],
              " U             3   2.6667      1.5275      2.3333       1.0000       4.0000");
}

TEST(StatsCommand, WeightsAndTheirMessages) {
    OlsEngine e;
    e.data("X", {1, 2, 3});
    e.data("W", {1, 2, 1});
    e.data("W2", {1, 2});
    e.sample(1, 3);
    e.run.sw[OWIDE] = false;
    // Replication counts: the data 1 2 2 3 (N 4, variance 2/3).
    const Lines r = e.statement("STATS X / WEIGHT=W REPLICAT");
    EXPECT_EQ(r[0], " STATISTICS ARE WEIGHTED BY VARIABLE W");
    EXPECT_EQ(r[2], " X             4   2.0000     0.81650     0.66667       1.0000       3.0000");
    // Scaled weights 0.75 1.5 0.75: variance 0.75.
    const Lines s = e.statement("STATS X / WEIGHT=W");
    EXPECT_EQ(s[2], " X             3   2.0000     0.86603     0.75000       1.0000       3.0000");
    // Replication counts in the matrices equal the duplicated rows: x 1 2 2 3, y 5 1 1 0.
    e.data("Y", {5, 1, 0});
    e.data("XD", {1, 2, 2, 3});
    e.data("YD", {5, 1, 1, 0});
    e.statement("STATS X Y / NOLIST WEIGHT=W REPLICAT COVARIAN=CW CPRODUCT=PW CORRELAT=RW");
    e.sample(1, 4);
    e.statement("STATS XD YD / NOLIST COVARIAN=CD CPRODUCT=PD CORRELAT=RD");
    for (int k = 1; k <= 4; ++k) {
        EXPECT_TRUE(fabsq(e.value("CW", k) - e.value("CD", k)) < 1e-32Q) << k;
        EXPECT_TRUE(fabsq(e.value("PW", k) - e.value("PD", k)) < 1e-32Q) << k;
        EXPECT_TRUE(fabsq(e.value("RW", k) - e.value("RD", k)) < 1e-32Q) << k;
    }
    // By hand: means 2 and 7/4, cross product in deviations -5, covariance -5/3.
    EXPECT_TRUE(fabsq(e.value("CD", 2) + Real(5) / 3) < 1e-32Q);
    e.sample(1, 3);
    EXPECT_EQ(e.statement("STATS X / WEIGHT=W2"), Lines{" ....ERROR..WEIGHT VECTOR TOO SHORT"});
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_EQ(e.statement("STATS X / WEIGHT=NOSUCH"),
              Lines{" ...ERROR..VARIABLE NOSUCH   IS INVALID"});
    EXPECT_EQ(e.statement("STATS X / MEANS="),
              Lines{" ...ERROR..IN RIGHT HAND SIDE OF OPTION..MEANS"});
}

TEST(StatsCommand, MatrixColumnsAndNonData) {
    OlsEngine e;
    const int m = e.make("MAT", 6, TYPE_MATRIX, 2);
    for (int k = 1; k <= 6; ++k)
        e.elem(m, k) = k; // columns 1 2 3 and 4 5 6
    e.sample(1, 3);
    e.run.sw[OWIDE] = false;
    EXPECT_EQ(e.statement("STATS MAT"), Lines{" MAT      VARIABLE IS NOT DATA - NO STATS"});
    const Lines c = e.statement("STATS MAT / MATRIX");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0], " ...NOTE..TREATING COLUMNS OF MAT     AS VECTORS");
    EXPECT_EQ(c[2], " MAT:1         3   2.0000      1.0000      1.0000       1.0000       3.0000");
    EXPECT_EQ(c[3], " MAT:2         3   5.0000      1.0000      1.0000       4.0000       6.0000");
    // A column named directly is a vector.
    EXPECT_EQ(e.statement("STATS MAT:2")[1],
              " MAT:2         3   5.0000      1.0000      1.0000       4.0000       6.0000");
}

TEST(StatsCommand, ResultVariablesAndEmptyList) {
    TenObs e;
    e.statement("STATS X Y / NOLIST MEANS=MU VARIANCE=VA STDEVS=SD MINIMUMS=LO MAXIMUMS=HI "
                "SUMS=SU MEDIANS=ME MODES=MO CORRELAT=CR COVARIAN=CV CPRODUCT=CP CPDEVIAT=CD "
                "MOMENTS=MM");
    EXPECT_EQ(e.value("MU", 1), 5.5Q);
    EXPECT_EQ(e.value("MU", 2), 6.3Q);
    EXPECT_EQ(e.value("SU", 2), 63);
    EXPECT_EQ(e.value("LO", 2), 2);
    EXPECT_EQ(e.value("HI", 1), 10);
    EXPECT_EQ(e.value("ME", 2), 7);
    EXPECT_EQ(e.value("MO", 1), -99999); // no value of X repeats
    EXPECT_EQ(e.value("MO", 2), 8);
    EXPECT_TRUE(fabsq(e.value("VA", 1) - 82.5Q / 9) < 1e-32Q);
    EXPECT_TRUE(fabsq(e.value("SD", 2) * e.value("SD", 2) - 66.1Q / 9) < 1e-32Q);
    EXPECT_EQ(e.value("CP", 2), 409);
    EXPECT_TRUE(fabsq(e.value("CD", 3) - 62.5Q) < 1e-30Q);
    EXPECT_TRUE(fabsq(e.value("CV", 4) - 66.1Q / 9) < 1e-32Q);
    EXPECT_TRUE(fabsq(e.value("CR", 2) - 62.5Q / sqrtq(82.5Q * 66.1Q)) < 1e-32Q);
    VarInfo info;
    ASSERT_TRUE(VINFO(e.run, VFIND(e.run, "CR"), info));
    EXPECT_EQ(info.type, TYPE_SYMMETRIC);
    EXPECT_EQ(info.ncol, 2);
    // MOMENTS: N, mean and the central moments of X (82.5/10, 0, 1208.625/10).
    EXPECT_EQ(e.value("MM", 1), 10);
    EXPECT_EQ(e.value("MM", 2), 5.5Q);
    EXPECT_TRUE(fabsq(e.value("MM", 3) - 8.25Q) < 1e-30Q);
    EXPECT_TRUE(fabsq(e.value("MM", 4)) < 1e-30Q);
    EXPECT_TRUE(fabsq(e.value("MM", 5) - 120.8625Q) < 1e-30Q);
    // Without a list every data variable is covered (the stored matrices are not data).
    const Lines all = e.statement("STATS");
    EXPECT_TRUE(has_prefix(all, " X  "));
    EXPECT_TRUE(has_prefix(all, " MU "));
    EXPECT_FALSE(has_prefix(all, " CR "));
    EXPECT_FALSE(has_prefix(all, " MM "));
}

TEST(StatsCommand, EveryOptionOnAwkwardDataLeavesTheDataAlone) {
    // Constant, single-observation, mostly missing and huge-valued variables under every
    // switch: each statement ends normally and the listed variables keep their values.
    OlsEngine e;
    const std::vector<std::vector<Real>> columns = {
        {3, 3, 3, 3}, {-99999, 2, -99999, -99999}, {1e300Q, -1e300Q, 5, 0}, {1, 2, 3, 4}};
    const char* names[] = {"K", "ONE", "HUGE", "T"};
    for (int i = 0; i < 4; ++i) e.data(names[i], columns[i]);
    e.sample(1, 4);
    const char* options[] = {"MAX WIDE", "PMEDIAN PFREQUEN STEMPLOT=2", "ANOVA BARTLETT DUMP",
                             "BEHRENSF NONPARAM", "SAMPSIZE NPOP=3", "SAMEOBS MAX",
                             "DN WEIGHT=T REPLICAT MAX", "STEMPLOT=-3 MOMENTS=MM"};
    const char* lists[] = {"K", "K ONE", "HUGE T", "K ONE HUGE T", "T T"};
    for (const char* list : lists)
        for (const char* option : options) {
            const std::string statement = std::string("STATS ") + list + " / " + option;
            e.statement(statement);
            for (int i = 0; i < 4; ++i)
                for (int t = 1; t <= 4; ++t)
                    ASSERT_EQ(e.value(names[i], t), columns[i][t - 1]) << statement;
        }
}

TEST(StatsCommand, LeavesNoEstimationForTest) {
    TenObs e;
    e.run.last_estimation.command = "OLSQ";
    e.run.last_estimation.k = 2;
    e.statement("STATS X / NOLIST");
    EXPECT_EQ(e.run.last_estimation.command, "STATS");
    EXPECT_EQ(e.run.last_estimation.k, 0);
    // Even a statement with a bad option replaces the estimation.
    e.run.last_estimation.command = "OLSQ";
    const Lines bad = e.statement("STATS X / NOSUCH");
    EXPECT_TRUE(has(bad, " ...ERROR..INVALID OPTION..NOSUCH"));
    EXPECT_EQ(e.run.last_estimation.command, "STATS");
    EXPECT_EQ(e.run.res[R_ERR], 1012);
}

} // namespace
} // namespace tarvex
