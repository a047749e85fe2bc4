// Tests of the expression language: the compiled instructions of small statements, binding
// strengths, every compiler and executor message, the values GENR, IF, SKIPIF and the functions
// store (checked against hand-worked and published values), and the random numbers.
#include "expr/genr_command.hpp"
#include "expr/program.hpp"
#include "expr/scalar_functions.hpp"
#include "core/command_table.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/random_numbers.hpp"
#include "workspace/sample.hpp"
#include "workspace_engine.hpp"
#include "workspace/workspace.hpp"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace tarvex {
namespace {

using testing::WorkspaceEngine;
using Lines = std::vector<std::string>;

struct ExprEngine : WorkspaceEngine {
    explicit ExprEngine(int obs = 5) : WorkspaceEngine(100, 200000) {
        for (SwitchId id : {OWARN, OMSWRN, OLC, OBAT, OSKWRN, OTALK, OOPUT}) run.sw[id] = true;
        sample(1, obs);
    }
    void sample(int first, int last) {
        run.smpl.IBEG = first;
        run.smpl.IEND = last;
        run.smpl.MAXOB = std::max(run.smpl.MAXOB, last);
        run.smpl.NOBS = last - first + 1;
    }
    // Runs one statement of command `ikod`; returns the report lines.
    Lines command(int ikod, const std::string& word, const std::string& args) {
        run.cmd.text = word + " " + args;
        run.cmd.col = static_cast<int>(word.size());
        run.cmd.IKOD = ikod;
        run.flags.ODONT = false;
        run.flags.OPUT = true;
        run.flags.if_false = false;
        run.flags.endif_hit = false;
        cmd_genr(run);
        return lines();
    }
    Lines genr(const std::string& args) { return command(C_GENR, "GENR", args); }
    // Element t of a named variable.
    Real at(const std::string& name, long long t) {
        const int ref = VFIND(run, name);
        EXPECT_GT(ref, 0) << name;
        return ref > 0 ? elem(ref, t) : Real(-1);
    }
    std::vector<double> values(const std::string& name, int n) {
        std::vector<double> out; // doubles only to print readable test failures
        for (int t = 1; t <= n; ++t) out.push_back(static_cast<double>(at(name, t)));
        return out;
    }
    // Fills a new variable with the given values.
    void data(const std::string& name, std::vector<Real> v) {
        const int ref = make(name, static_cast<long long>(v.size()));
        for (std::size_t k = 0; k < v.size(); ++k) elem(ref, static_cast<long long>(k + 1)) = v[k];
    }
};

std::string row(int op, int a, int b, int r) {
    return fmt_I(op, 8) + fmt_I(a, 8) + fmt_I(b, 8) + fmt_I(r, 8);
}

// ---- compiled instructions -------------------------------------------------------------------

// The listings of arithmetic, a lag, IF and SKIPIF are pinned by the genr/dump_listing golden;
// a plain copy, .AND. under relations and ENDIF's kind are not.
TEST(ExprCompiler, ListsCopiesLogicalsAndEndIf) {
    ExprEngine e;
    e.data("X", {1, 2, 3, 4, 5});
    e.data("Z", {0, 0, 0, 0, 0});
    e.run.sw[ODMMP] = true;
    // MAXVAR = 100: temporaries from 101, constants from 100 + 60 + 2 = 162.
    EXPECT_EQ(e.genr("W = X")[1], row(7, 0, 2, 101));
    // (X.GT.0).AND.(Z.LT.1): relations bind tighter than .AND.
    const Lines logical = {" CODES", row(40, 2, 162, 101), row(38, 3, 163, 102),
                           row(43, 101, 102, 103), row(14, 103, 0, 0), " INPTNOUT",
                           fmt_I(4, 8) + fmt_I(1, 8) + fmt_I(2, 8)};
    EXPECT_EQ(e.genr("V = X .GT. 0 .AND. Z .LT. 1"), logical);
    // The condition of ENDIF ends with kind 5 (IF 2, SKIPIF 1).
    EXPECT_EQ(e.command(C_ENDIF, "ENDIF", "(X .EQ. 99)")[2], row(14, 101, 0, 5));
}

TEST(ExprCompiler, BindingStrengthsAndUnaryMinus) {
    ExprEngine e(1);
    e.genr("A = -2**2");
    EXPECT_EQ(e.at("A", 1), 4);
    e.genr("B = 2**3**2");
    EXPECT_EQ(e.at("B", 1), 64);
    e.genr("C = 2 - 3 - 4");
    EXPECT_EQ(e.at("C", 1), -5);
    e.genr("D = 12 / 3 / 2");
    EXPECT_EQ(e.at("D", 1), 2);
    e.genr("F = 2 + 3 * 4 ** 2");
    EXPECT_EQ(e.at("F", 1), 50);
    e.genr("G = .NOT. 1 .GT. 2 .OR. 0");
    EXPECT_EQ(e.at("G", 1), 1);
    e.genr("H = 1.5.E.3 + 2E-1 + .5");
    EXPECT_EQ(e.at("H", 1), Real(1500.7Q));
    e.run.sw[OUMIN] = true;
    e.genr("A = -2**2");
    EXPECT_EQ(e.at("A", 1), -4);
}

// ---- messages ---------------------------------------------------------------------------------

TEST(ExprCompiler, EveryErrorLeavesTheWorkspaceAlone) {
    ExprEngine e;
    e.data("X", {1, 2, 3, 4, 5});
    const int nvars = e.run.ws.NVARS;
    const long long lasadd = e.run.ws.LASADD;
    const std::string syntax = " ...ERROR..SYNTAX ERROR WHEN GENERATING VARIABLE";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Y = ((X)", " ...ERROR..MISMATCHED PARENTHESES"},
        {"Y = X)", " ...ERROR..MISMATCHED PARENTHESES"},
        {"Y = $QQQQ", " ...ERROR..$QQQQ IS NOT CURRENTLY DEFINED"},
        {"$QQ = 1", " ...ERROR..$QQ   IS NOT CURRENTLY DEFINED"},
        {"Y = X +", syntax},
        {"Y = X X", syntax},
        {"Y 2", syntax},
        {"= 2", syntax},
        {"Y = 2 # 3", syntax},
        {"Y = (1, 2)", syntax},
        {"Y = MOD(5)", syntax},
        {"Y = LOG(1, 2)", syntax},
        {"Y = X .XX. 2", syntax},
        {"Y = NOTHERE + 1", " ...ERROR..VARIABLE NOTHERE DOES NOT EXIST..."},
        {"Y = SAMP(X + 1)", " ...ERROR..SAMP FUNCTION MAY NOT BE AN EQUATION"},
        {"Y = DATA(2)", " ...ERROR..ABOVE FUNCTION REQUIRES PRE-DEFINED VARIABLE"},
        {"Y = DATA(Y)", " ...ERROR..ABOVE FUNCTION REQUIRES PRE-DEFINED VARIABLE"},
    };
    for (const auto& [statement, message] : cases) {
        const Lines out = e.genr(statement);
        ASSERT_EQ(out.size(), 1u) << statement;
        EXPECT_EQ(out[0], message) << statement;
        EXPECT_TRUE(e.run.flags.ODONT) << statement;
        EXPECT_EQ(e.run.ws.NVARS, nvars) << statement;
        EXPECT_EQ(e.run.ws.LASADD, lasadd) << statement;
    }
    EXPECT_EQ(e.run.res[R_ERR], 1016);
    // In a batch run a compile error also stops the later statements.
    e.run.sw[OTALK] = false;
    e.genr("Y = (");
    EXPECT_TRUE(e.run.sw[OSCAN]);
}

TEST(ExprCompiler, SpaceAndSizeErrors) {
    ExprEngine e;
    // More constants than cells: MAXVAR = 100 leaves 39 constant cells.
    std::string many = "Y = 1";
    for (int k = 0; k < 45; ++k) many += " + 1";
    EXPECT_EQ(e.genr(many), (Lines{" ...ERROR..DISASTER..NO ROOM FOR THIS MANY PARAMETERS, RAISE SIZE COMMAND"}));
    // No sample.
    e.run.smpl.IEND = -999;
    EXPECT_EQ(e.genr("Y = 1"), (Lines{" ...ERROR..SAMPLE RANGE HAS NOT YET BEEN DEFINED"}));
    // GEN1 needs no sample.
    EXPECT_TRUE(e.command(C_GEN1, "GEN1", "Y = 7").empty());
    EXPECT_EQ(e.at("Y", 1), 7);
    // A work area too small for the cells.
    e.sample(1, 199900);
    const Lines out = e.genr("Z = 1");
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0].substr(0, 39), " ...ERROR..INSUFFICIENT MEMORY. AT LEAS");
    EXPECT_EQ(VFIND(e.run, "Z"), 0);
}

TEST(ExprCompiler, LongNamesAndNewTargets) {
    ExprEngine e(3);
    EXPECT_EQ(e.genr("VERYLONGNAME = 1"),
              (Lines{" ...WARNING..VAR LONGER THAN 8 CHARACTERS TRUNCATED TO:VERYLONG"}));
    const int ref = VFIND(e.run, "VERYLONG");
    ASSERT_GT(ref, 0);
    VarInfo info;
    VINFO(e.run, ref, info);
    EXPECT_EQ(info.length, 3);
    EXPECT_EQ(info.type, TYPE_DATA);
    EXPECT_EQ(e.run.ws.LASADD, info.addr + 3 + 3);
    // Lower-case names are upper-cased; the target may appear on the right (zeros at first).
    e.genr("low = low + time(0)");
    EXPECT_EQ(e.values("LOW", 3), (std::vector<double>{1, 2, 3}));
}

// ---- values -----------------------------------------------------------------------------------

TEST(ExprExecutor, LagsLeadsTimeSeasonsAndRunningValues) {
    ExprEngine e;
    e.data("Y", {10, 20, 30, 40, 50});
    e.genr("X = LAG(Y)");
    EXPECT_EQ(e.values("X", 5), (std::vector<double>{0, 10, 20, 30, 40}));
    e.genr("W = Y(+1)");
    EXPECT_EQ(e.values("W", 5), (std::vector<double>{20, 30, 40, 50, 0}));
    e.genr("V = LAG(Y, 2) + Y(-3)");
    EXPECT_EQ(e.values("V", 5), (std::vector<double>{0, 0, 10, 30, 50}));
    e.genr("T = TIME(0)");
    EXPECT_EQ(e.values("T", 5), (std::vector<double>{1, 2, 3, 4, 5}));
    e.genr("Q = SEAS(2)");
    EXPECT_EQ(e.values("Q", 5), (std::vector<double>{1, 0, 1, 0, 1}));
    e.genr("S = SUM(Y)");
    EXPECT_EQ(e.values("S", 5), (std::vector<double>{10, 30, 60, 100, 150}));
    e.genr("L = LAG(Y * 2)"); // a lag register: the expression at the previous observation
    EXPECT_EQ(e.values("L", 5), (std::vector<double>{0, 20, 40, 60, 80}));
    e.genr("L2 = LAG(Y + 1, 2)");
    EXPECT_EQ(e.values("L2", 5), (std::vector<double>{0, 0, 11, 21, 31}));
    e.genr("E = Y(2) + Y(T)");
    EXPECT_EQ(e.values("E", 5), (std::vector<double>{30, 40, 50, 60, 70}));
    e.genr("M = MIN(Y, 35, 100) + MAX(T, 3)");
    EXPECT_EQ(e.values("M", 5), (std::vector<double>{13, 23, 33, 39, 40}));
    e.data("Z", {3, 1, 4, 1, 5});
    e.genr("RM = MAX(Z) * 10 + MIN(Z)");
    EXPECT_EQ(e.values("RM", 5), (std::vector<double>{33, 31, 41, 41, 51}));
    // BACK runs from the last observation to the first: LAG(B) is still the old value.
    e.data("B", {1, 1, 1, 1, 1});
    e.run.sw[OBACK] = true;
    e.genr("B = LAG(B) + 1");
    EXPECT_EQ(e.values("B", 5), (std::vector<double>{1, 2, 2, 2, 2}));
    e.run.sw[OBACK] = false;
    e.genr("B = LAG(B) + 1");
    EXPECT_EQ(e.values("B", 5), (std::vector<double>{1, 2, 3, 4, 5}));
}

TEST(ExprExecutor, ArithmeticAndFunctionsAgainstHandValues) {
    ExprEngine e(1);
    auto value = [&](const std::string& expression) {
        e.genr("R = " + expression);
        return e.at("R", 1);
    };
    EXPECT_EQ(value("MOD(7, 3) + MOD(-7, 3) * 10"), -9);
    EXPECT_EQ(value("INT(-2.7) + INT(2.7) * 10"), 18);
    EXPECT_EQ(value("ABS(-3) + DUM(2) + DUM(-2)"), 4);
    EXPECT_EQ(value("(1 .EQ. 1) + (1 .NE. 1) * 2 + (1 .LT. 2) * 4 + (2 .LE. 2) * 8"), 13);
    EXPECT_EQ(value("(3 .GE. 4) + (3 .GT. 2) * 2 + (0 .OR. -1) * 4 + (1 .AND. 2) * 8"), 10);
    EXPECT_EQ(value("2 ** -2"), Real(0.25Q));
    EXPECT_EQ(value("16 ** 0.5"), 4);
    EXPECT_EQ(value("7 .E. -1"), Real(0.7Q)); // correctly rounded, not 7 * 0.1
    // SQRT(2) is correctly rounded: 1.6a09e667f3bcc908b2fb1366ea95 in hexadecimal, as the exact
    // root 1.6a09e667f3bcc908b2fb1366ea95|7d3e... rounds down.
    const Real root2 = 0x1.6a09e667f3bcc908b2fb1366ea95p+0Q;
    EXPECT_EQ(value("SQRT(2)"), root2);
    EXPECT_EQ(value("SQRT(2) * SQRT(2) - 2"), Real(root2 * root2 - 2));
    EXPECT_EQ(value("1/3"), Real(1) / 3);
    // EXP(1) lies 0.26 units below e; its logarithm, 1 - 0.70 * 2**-113, rounds below 1.
    EXPECT_EQ(value("LOG(EXP(1))"), 1 - EPSNEG);
    EXPECT_EQ(value("LOG(2) * 2 - LOG(4)"), 0);
    EXPECT_EQ(value("SIN(3, 12)"), 1); // a quarter of the period
    EXPECT_EQ(value("MISS(-99999) + MISS(0)"), 1);
    // ln(gamma(1/2)) = ln(sqrt(pi)); ln(9!) = ln(362880).
    EXPECT_LT(qm::abs(value("LGAM(0.5)") - 0.572364942924700087071713675676529356Q), 1e-33Q);
    EXPECT_LT(qm::abs(value("LGAM(10)") - 12.8018274800814696112077178745667062Q), 1e-32Q);
    EXPECT_EQ(value("LGAM(1)"), 0);
    EXPECT_EQ(value("NCDF(0)"), Real(0.5Q));
    EXPECT_EQ(value("$PI"), qm::PI);
    e.data("D", {5, 6, 7});
    EXPECT_EQ(value("DATA(D) + SAMP(D)"), 4);
}

TEST(ExprFunctions, NormalTailsToThirtyDigits) {
    // Published values of the standard normal distribution function.
    struct Point {
        Real x, phi;
    };
    const Point points[] = {
        {-30, 4.906713927148187059533809256580190472e-198Q},
        {-10, 7.619853024160526065973343251599308364e-24Q},
        {-37.5Q, 4.605353009581954843827969097610896239e-308Q},
        {5, 0.9999997133484281208060883262476671253546Q},
        {-1, 0.158655253931457051414767454367962077522Q},
    };
    for (const Point& p : points) {
        const Real got = expr::ncdf(p.x);
        EXPECT_LT(qm::abs(got - p.phi) / p.phi, 1e-30Q) << static_cast<double>(p.x);
    }
    EXPECT_EQ(expr::ncdf(-200), 0);
    EXPECT_EQ(expr::ncdf(40), 1);
}

TEST(ExprFunctions, ExponentialSplitAndPowers) {
    bool overflow = false;
    EXPECT_EQ(expr::exp_split(0, overflow), 1);
    EXPECT_FALSE(overflow);
    const Real near = expr::exp_split(11356.52Q, overflow); // just above EXLIM, still finite
    EXPECT_FALSE(overflow);
    EXPECT_LT(qm::abs(near / expq(11356.52Q) - 1), 1e-31Q);
    expr::exp_split(11357, overflow);
    EXPECT_TRUE(overflow);
    // Arguments far beyond the range overflow at once instead of stepping towards infinity
    // from a remainder that has lost every digit (1e4000 once stepped from exp(r) = 0).
    for (const Real huge : {2 * EXLIM, 1e40Q, 1e4000Q, __builtin_infq()}) {
        overflow = false;
        expr::exp_split(huge, overflow);
        EXPECT_TRUE(overflow) << static_cast<double>(huge);
    }
    bool illegal = false;
    EXPECT_EQ(expr::power(3, 4, illegal), 81);
    EXPECT_EQ(expr::power(-2, 3, illegal), -8);
    EXPECT_FALSE(illegal);
    expr::power(-8, 1.0Q / 3, illegal);
    EXPECT_TRUE(illegal);
    expr::power(0, -1, illegal);
    EXPECT_TRUE(illegal);
    Real hi, lo;
    expr::two_product(1 + EPSNEG * 2, 1 + EPSNEG * 2, hi, lo);
    EXPECT_EQ(hi, 1 + EPSNEG * 4);
    EXPECT_EQ(lo, EPSNEG * EPSNEG * 4);
}

// The LOG, DIV and SQRT warnings and their silencing are pinned by the genr/illegal golden.
TEST(ExprExecutor, IllegalOperationsGiveTheMissingCode) {
    ExprEngine e(4);
    e.data("X", {1, 0, -1, 4});
    e.genr("Z = LOG(X)");
    EXPECT_EQ(e.at("Z", 2), -99999);
    EXPECT_EQ(e.at("Z", 3), -99999);
    EXPECT_EQ(e.at("Z", 4), logq(4));
    const Lines out = e.genr("S = SQRT(X) + LGAM(X) + X ** 0.5");
    EXPECT_EQ(out[0], " ...WARNING..ILLEGAL LGAM IN OBS    2,VALUE=     0.000 USING MISSING CODE=-99999.000");
    // Without warnings nothing is printed, but the code is still stored.
    e.run.sw[OWARN] = false;
    e.run.sw[OMSWRN] = false;
    EXPECT_TRUE(e.genr("Z = LOG(X - 10)").empty());
    EXPECT_EQ(e.at("Z", 4), -99999);
    // EXP beyond the exponent limit, with a fixed-point argument.
    e.run.sw[OWARN] = true;
    EXPECT_EQ(e.command(C_GEN1, "GEN1", "Z = EXP(12000)")[0], " ...ERROR..EXPONENTIAL OVERFLOW EXP=12000.000");
}

TEST(ExprExecutor, SkipMissUsesTheMissingFlag) {
    ExprEngine e(3);
    e.data("X", {1, -99999, 3});
    e.run.sw[OSMISS] = true;
    const Lines out = e.genr("Y = X * 2");
    EXPECT_EQ(out, (Lines{" ...WARNING..OBSERVATION    2 IS ASSIGNED MISSING CODE=-99999.000"}));
    EXPECT_EQ(e.values("Y", 3), (std::vector<double>{2, -99999, 6}));
    // With SKIPMISS off the code is used as a number.
    e.run.sw[OSMISS] = false;
    EXPECT_TRUE(e.genr("Y = X * 2").empty());
    EXPECT_EQ(e.at("Y", 2), -199998);
}

// The notes of IF, SKIPIF and ENDIF, $N and the passing over of skipped observations are pinned
// by the genr/if_skipif golden.
TEST(ExprExecutor, IfSkipIfAndEndIf) {
    ExprEngine e;
    e.data("X", {-1, 2, -3, 4, 5});
    e.data("Y", {9, 9, 9, 9, 9});
    EXPECT_TRUE(e.command(C_IF, "IF", "(X .GT. 0) Y = X * 10").empty());
    EXPECT_EQ(e.values("Y", 5), (std::vector<double>{9, 20, 9, 40, 50}));
    EXPECT_FALSE(e.run.flags.if_false);
    e.command(C_IF, "IF", "(X .GT. 100) Y = 0");
    EXPECT_TRUE(e.run.flags.if_false);
    e.command(C_IF1, "IF1", "(1) Y = -5");
    EXPECT_EQ(e.values("Y", 2), (std::vector<double>{-5, 20}));

    e.run.res[R_N] = 5;
    e.command(C_SKIPIF, "SKIPIF", "(X .LT. 0)");
    EXPECT_TRUE(e.run.sw[OSKIP]);
    SkipCodes skip = skip_codes(e.run);
    ASSERT_TRUE(skip);
    EXPECT_EQ(skip.codes[1], 1);
    EXPECT_EQ(skip.codes[2], 0);
    EXPECT_EQ(skip.codes[3], 1);
    // Marking again does not count twice.
    e.command(C_SKIPIF, "SKIPIF", "(X .LT. 0)");
    EXPECT_EQ(e.run.res[R_N], 3);

    e.command(C_ENDIF, "ENDIF", "(X .GT. 3)");
    EXPECT_TRUE(e.run.flags.endif_hit);
    e.command(C_ENDIF, "ENDIF", "(X .GT. 30)");
    EXPECT_FALSE(e.run.flags.endif_hit);
}

TEST(ExprExecutor, TargetsScalarsColumnsAndShortVariables) {
    ExprEngine e(4);
    e.data("X", {1, 2, 3, 4});
    e.genr("$T1 = X * 3");
    EXPECT_EQ(e.run.res[R_T1], 12);
    e.genr("Y = $T1 + 1");
    EXPECT_EQ(e.at("Y", 3), 13);
    // A short target ends the run at its length.
    e.data("SHORT", {0, 0});
    Lines out = e.genr("SHORT = X");
    EXPECT_EQ(out, (Lines{" ...WARNING..FINISHED AT OBS    3 THE LENGTH OF SHORT"}));
    EXPECT_EQ(e.values("SHORT", 2), (std::vector<double>{1, 2}));
    // A short input is reported instead of being read beyond its end.
    out = e.genr("Z = SHORT + 1");
    EXPECT_EQ(out, (Lines{" ...ERROR..SAMPLE RANGE EXCEEDS LENGTH OF SHORT            2         4"}));
    EXPECT_EQ(VFIND(e.run, "Z"), 0);
    // A column target makes a matrix; a whole matrix is not a data vector.
    e.genr("X:2 = X * 10");
    const int ref = VFIND(e.run, "X");
    VarInfo info;
    VINFO(e.run, ref, info);
    EXPECT_EQ(info.type, TYPE_MATRIX);
    EXPECT_EQ(info.ncol, 2);
    EXPECT_EQ(e.elem(ref, 7), 30);
    e.genr("C2 = X:2 + 1");
    EXPECT_EQ(e.values("C2", 4), (std::vector<double>{11, 21, 31, 41}));
    out = e.genr("W = X + 1");
    EXPECT_EQ(out, (Lines{" ...ERROR..X IS NOT A DATA VECTOR"}));
    EXPECT_EQ(VFIND(e.run, "W"), 0);
    // An element beyond the variable.
    out = e.genr("W = C2(9)");
    EXPECT_EQ(out, (Lines{" ...ERROR..ROW OR COLUMN    9 EXCEEDS VARIABLE SIZE"}));
    // RECODE with a three-column table: the last matching row wins.
    const int table = e.make("TAB", 6, TYPE_MATRIX, 3);
    const Real rows[6] = {0, 2, 2, 3.5Q, 3, 7}; // rows (0, 2, 3) and (2, 3.5, 7)
    for (int k = 0; k < 6; ++k) e.elem(table, k + 1) = rows[k];
    e.genr("R = RECODE(C2 / 10, TAB)");
    EXPECT_EQ(e.values("R", 4), (std::vector<double>{3, 7, 7, static_cast<double>(4.1Q)}));
    e.command(C_GEN1, "GEN1", "R = RECODE(2, TAB)"); // both rows match: the last one wins
    EXPECT_EQ(e.at("R", 1), 7);
}

TEST(ExprExecutor, SubscriptsAndLagDistancesThatAreNoNumber) {
    ExprEngine e(3);
    e.data("V", {10, 20, 30});
    e.data("I", {2, __builtin_nanq(""), __builtin_infq()});
    e.data("OLD", {1, 2, 3});
    // A subscript that is not a number stops the command before anything is stored.
    Lines out = e.genr("OLD = V(I)");
    EXPECT_EQ(out, (Lines{" ...ERROR..ROW OR COLUMN-9999 EXCEEDS VARIABLE SIZE"}));
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_EQ(e.values("OLD", 3), (std::vector<double>{20, 2, 3})); // observation 1 was done
    out = e.genr("W = V(I)");
    EXPECT_EQ(out, (Lines{" ...ERROR..ROW OR COLUMN-9999 EXCEEDS VARIABLE SIZE"}));
    EXPECT_EQ(VFIND(e.run, "W"), 0); // the new target is dropped
    // An infinite subscript is shown as the largest number the field holds.
    e.command(C_GEN1, "GEN1", "W = 1");
    out = e.genr("W = V(I(3))");
    EXPECT_EQ(out, (Lines{" ...ERROR..ROW OR COLUMN99999 EXCEEDS VARIABLE SIZE"}));
    // A LAG distance that is not a number (or infinite) reaches nothing: the value is 0.
    const Lines lag_note{" ...NOTE..LAG VALUE IN UNDEFINED OBSERVATIONS SET TO ZERO"};
    EXPECT_EQ(e.genr("L = LAG(V, I)"), lag_note);
    EXPECT_EQ(e.values("L", 3), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(e.genr("L = LAG(V, I(1) - 1)"), lag_note); // distance 1, not a constant
    EXPECT_EQ(e.values("L", 3), (std::vector<double>{0, 10, 20}));
    EXPECT_EQ(e.genr("L = LAG(V, -1) + V ** 2 + V ** 0"), lag_note);
    EXPECT_EQ(e.values("L", 3), (std::vector<double>{121, 431, 901}));
}

TEST(ExprRandom, SeededAndReproducible) {
    ExprEngine e(2000);
    e.run.rng.seed(7);
    e.genr("U = UNI(2)");
    e.genr("N = NOR(1)");
    e.genr("V = UNI(3, 5)");
    Real sum = 0, squares = 0, usum = 0;
    bool low_bits = false;
    for (int t = 1; t <= 2000; ++t) {
        const Real u = e.at("U", t);
        ASSERT_GT(u, 0);
        ASSERT_LT(u, 2);
        const Real v = e.at("V", t);
        ASSERT_GT(v, 3);
        ASSERT_LT(v, 5);
        usum += u;
        const Real n = e.at("N", t);
        sum += n;
        squares += n * n;
        // The draws fill the significand well beyond a double's 53 bits.
        const Real scaled = u * 0.5Q * 9007199254740992.0Q; // u/2 * 2**53
        if (scaled - qm::floor(scaled) != 0) low_bits = true;
    }
    EXPECT_NEAR(static_cast<double>(usum / 2000), 1.0, 0.05);
    EXPECT_NEAR(static_cast<double>(sum / 2000), 0.0, 0.07);
    EXPECT_NEAR(static_cast<double>(squares / 2000), 1.0, 0.1);
    EXPECT_TRUE(low_bits);
    // The same seed gives the same numbers.
    const Real first = e.at("U", 1);
    e.run.rng.seed(7);
    e.genr("U2 = UNI(2)");
    EXPECT_EQ(e.at("U2", 1), first);
}

// Normals computed ahead in blocks on two threads are the numbers drawn one at a time, bit for
// bit, and a uniform draw after some of them continues from the state after those alone.
TEST(ExprRandom, NormalsDrawnAheadAreTheSameNumbers) {
    const std::size_t n = 200000, taken = 150001;
    expr::RandomGenerator one, ahead;
    one.seed(11);
    ahead.seed(11);
    ahead.expect_normals(n);
    for (std::size_t k = 0; k < taken; ++k) {
        const Real a = one.normal(), b = ahead.normal();
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "normal number " << k;
    }
    const Real a = one.uniform(), b = ahead.uniform();
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(std::memcmp(one.s, ahead.s, sizeof one.s), 0);
}

} // namespace
} // namespace tarvex
