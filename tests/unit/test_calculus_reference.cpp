// DERIVATI and INTEGRAT against mpmath at 40 digits (mp.dps = 40), through the values a user
// reads after the commands: the stored derivative series, the integral in its target and $VAL,
// the error estimate in $STES. The mpmath expression of each reference stands beside it; exact
// values are used where mpmath's own quadrature falls short of them (1/sqrt(x) on [0, 1]).
// Also: the derivative as written reads back through GENR to the stored values.
#include "test_support.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>
#include <quadmath.h>

namespace tarvex::testing {
namespace {

const Real DIGITS_32 = 1e-32Q;

const std::string DATA = "SAMPLE 1 4\nREAD X\n.5\n1.25\n2\n3.75\nGEN1 A = 2.5\n";

Real ref(const char* digits) {
    return strtoflt128(digits, nullptr);
}

void expect_series(const ScriptRun& r, const std::string& name,
                   const std::vector<const char*>& want, Real tolerance = DIGITS_32) {
    const std::vector<Real> got = r.values(name);
    ASSERT_EQ(got.size(), want.size()) << name;
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_TRUE(agrees(got[i], ref(want[i]), tolerance)) << name << " at observation " << i + 1;
}

// X = .5, 1.25, 2, 3.75 and A = 2.5; mpmath: [mp.diff(f, x) for x in X].
TEST(CalculusReference, DerivativesAgreeWithMpmathToThirtyTwoDigits) {
    ScriptRun r(DATA + "DERIVATI (X) D1 = X**3*A + LOG(X)*SIN(X)\n"
                       "DERIVATI (X) D2 = EXP(-(X**2)/2)/SQRT(2*$PI)*ATAN(X)\n"
                       "DERIVATI (X) D3 = X**X/(1 + X)\n"
                       "DERIVATI (X) D4 = SQRT(1 + X**2)*ERF(X/2)\n"
                       "STOP\n");
    // diff(lambda x: x**3*A + log(x)*sin(x), x)
    expect_series(
        r, "D1",
        {"2.2255571987255204440647627306602388807", "12.548299847238135449561655993127103729",
         "30.166197706961248695938784883414802113", "104.23175452571967168898324442592321955"});
    // diff(lambda x: exp(-(x**2)/2)/sqrt(2*pi)*atan(x), x)
    expect_series(r, "D2",
                  {"0.20003513792826209972046367944531652373",
                   "-0.13330192870319982986509307600332154216",
                   "-0.10875386539244204771715023773165250293",
                   "-0.0017089738751237789479927487441620558591"});
    // diff(lambda x: x**x/(1 + x), x)
    expect_series(
        r, "D3",
        {"-0.16961787422583850292666849407733356281", "0.45743003248384589452598402949993274821",
         "1.8130851296354826347785317174997909797", "63.162468540880734023628234092921798015"});
    // diff(lambda x: sqrt(1 + x**2)*erf(x/2), x)
    expect_series(
        r, "D4",
        {"0.71614283107747351333184662210490615302", "1.0977671635078760105466618324779403154",
         "1.2178387941925493689087000023137721514", "1.0235918660564621249707592334814521445"});
}

// The derivative as the command writes it, typed back into GENR, gives the stored values.
TEST(CalculusReference, WrittenDerivativeReadsBackToTheStoredValues) {
    const std::vector<std::string> statements = {
        "X**3*A + LOG(X)*SIN(X)",
        "EXP(-(X**2)/2)/SQRT(2*$PI)*ATAN(X)",
        "X**X/(1 + X)",
        "-X**2 + -(X*A) + SQRT(1 + X**2)*ERF(X/2)",
        "MAX(X, 1.5) + MIN(X, 2*A) + MOD(X, 1.5)",
        "SIN(X, 4) + TAN(X/4) + ASIN(X/4) + ACOS(X/4) + SINH(X) + COSH(X) + TANH(X)",
        "ERFC(X) + NCDF(X) + LOG10(X) + INVNCDF(X/4) + (X .GT. 1)*X + 3 .E. X"};
    for (const std::string& s : statements) {
        ScriptRun first(DATA + "DERIVATI (X) D = " + s + "\nSTOP\n");
        // The written form, joined again where it was continued on indented lines.
        const Lines lines = first.lines();
        std::string derivative;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(" D = ", 0) != 0) continue;
            derivative = lines[i].substr(5);
            for (std::size_t j = i + 1; j < lines.size() && lines[j].rfind("      ", 0) == 0; ++j)
                derivative += lines[j].substr(6);
        }
        ASSERT_FALSE(derivative.empty()) << s << "\n" << first.output;
        ScriptRun again(DATA + "GENR E = " + derivative + "\nSTOP\n");
        const std::vector<Real> stored = first.values("D"), retyped = again.values("E");
        ASSERT_EQ(stored.size(), 4u) << s;
        ASSERT_EQ(retyped.size(), 4u) << derivative;
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(agrees(retyped[i], stored[i], DIGITS_32)) << s << " -> " << derivative;
    }
}

struct IntegralCase {
    const char* statement;
    const char* reference;
    const char* mpmath;
};

// mp.quad at mp.dps = 40 (or the exact value) for each integral.
TEST(CalculusReference, IntegralsAgreeWithMpmathToThirtyTwoDigits) {
    const IntegralCase cases[] = {
        {"(X, 0, 1) Q = SQRT(X)", "0.66666666666666666666666666666666666667", "2/3"},
        {"(X, 0, 1) Q = LOG(X)", "-1", "quad(log, [0, 1])"},
        {"(X, 0, 10) Q = SIN(X)/X", "1.6583475942188740493309718793896724806", "si(10)"},
        {"(X, -3, 3) Q = EXP(-(X**2))", "1.7724146965190424677889691558236911591",
         "quad(lambda x: exp(-x*x), [-3, 3])"},
        {"(X, 0, 1) Q = 1/(1 + 1000*(X - .25)**2)", "0.094034469451508717219056504250514710122",
         "(atan(0.75*sqrt(1000)) + atan(0.25*sqrt(1000)))/sqrt(1000)"},
        {"(X, 0, 1) Q = 1/SQRT(X)", "2", "exact"},
        {"(X, 0, INF) Q = EXP(-(X**2))", "0.8862269254527580136490837416705725914", "sqrt(pi)/2"},
        {"(X, -INF, INF) Q = EXP(-(X**2))", "1.7724538509055160272981674833411451828", "sqrt(pi)"},
        {"(X, 1, 0) Q = EXP(X)", "-1.7182818284590452353602874713526624978", "-(e - 1)"},
        {"(T, 0, INF) Q = EXP(A*LOG(T) - T)", "3.3233509704478425511840640312646472177",
         "gamma(3.5)"},
        {"(X, 0, INF) Q = 1/(1 + X**2)", "1.5707963267948966192313216916397514421", "pi/2"},
        {"(X, 0, 1) Q = LOG(X)*LOG(1 - X)", "0.35506593315177356352758483335397481078",
         "2 - pi**2/6"},
    };
    for (const IntegralCase& c : cases) {
        ScriptRun r("GEN1 A = 2.5\nINTEGRAT " + std::string(c.statement) + "\nSTOP\n");
        const std::vector<Real> q = r.values("Q");
        ASSERT_EQ(q.size(), 1u) << c.statement << "\n" << r.output;
        const Real want = ref(c.reference);
        EXPECT_TRUE(agrees(q[0], want, DIGITS_32)) << c.statement << " (" << c.mpmath << ")";
        EXPECT_TRUE(same_bits(r.scalar(R_VAL), q[0])) << c.statement;
        // The error estimate is an honest bound here: no larger than the error plus a few
        // units, and below the 30-digit tolerance.
        const Real err = r.scalar(R_STES);
        EXPECT_LE(err, 1e-30Q * fabsq(want) + 1e-33Q) << c.statement;
    }
}

// Reversing the limits changes only the sign; a sample is not needed.
TEST(CalculusReference, ReversedLimitsNegateTheIntegral) {
    ScriptRun r("INTEGRAT (X, 0, 2) P = X*EXP(-X)\nINTEGRAT (X, 2, 0) M = X*EXP(-X)\nSTOP\n");
    ASSERT_EQ(r.values("P").size(), 1u) << r.output;
    EXPECT_TRUE(same_bits(r.values("M")[0], -r.values("P")[0]));
    // quad(lambda x: x*exp(-x), [0, 2]) = 1 - 3*exp(-2)
    EXPECT_TRUE(
        agrees(r.values("P")[0], ref("0.59399415029016192431800151508254678978"), DIGITS_32));
}

} // namespace
} // namespace tarvex::testing
