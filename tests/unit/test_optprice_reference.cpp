// Option prices against python3 mpmath at 50 digits (mp.dps = 50), to 30 digits. With
//   d1 = (log(S/K) + (r - q + v*v/2)*T)/(v*sqrt(T)); d2 = d1 - v*sqrt(T)
// the call is S*exp(-q*T)*ncdf(d1) - K*exp(-r*T)*ncdf(d2), delta exp(-q*T)*ncdf(d1), gamma
// exp(-q*T)*npdf(d1)/(S*v*sqrt(T)), vega S*exp(-q*T)*npdf(d1)*sqrt(T), theta
// -S*exp(-q*T)*npdf(d1)*v/(2*sqrt(T)) - r*K*exp(-r*T)*ncdf(d2) + q*S*exp(-q*T)*ncdf(d1), rho
// K*T*exp(-r*T)*ncdf(d2), psi -S*T*exp(-q*T)*ncdf(d1); the put the same with ncdf(-d1),
// ncdf(-d2) and the signs turned. The tree is the same recursion in mpmath:
//   dt=T/N; u=exp(v*sqrt(dt)); d=1/u; p=(exp((r-q)*dt)-d)/(u-d); disc=exp(-r*dt)
//   V=[pay(S*u**(2*j-N)) for j in range(N+1)]
//   for i in range(N-1,-1,-1): V=[max(disc*(p*V[j+1]+(1-p)*V[j]), pay(S*u**(2*j-i))) ...]
// delta (V1[1]-V1[0])/(S*u-S*d), gamma ((V2[2]-V2[1])/(S*u*u-S)-(V2[1]-V2[0])/(S-S*d*d)) /
// ((S*u*u-S*d*d)/2), theta (V2[1]-V0)/(2*dt), where Vi are the values after i steps.
#include "reference_support.hpp"
#include "test_support.hpp"

#include "kernels/option_pricing.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;
using testing::ScriptRun;

const Real DIGITS_30 = 1e-30Q;

const OptionTerms CALL_TERMS{OptionKind::CALL, 100, 95, 0.05Q, 0.02Q, 0.25Q, 0.5Q};

TEST(OptionPriceReference, EuropeanCallAndPutWithEverySensitivity) {
    const OptionValue c = european_option(CALL_TERMS);
    EXPECT_TRUE(agrees(c.value, 10.3924296839918096061970901310300077Q, DIGITS_30));
    EXPECT_TRUE(agrees(*c.delta, 0.671710306722284493353787979426420484Q, DIGITS_30));
    EXPECT_TRUE(agrees(*c.gamma, 0.0200683671129286415498263900819773048Q, DIGITS_30));
    EXPECT_TRUE(agrees(*c.vega, 25.085458891160801937282987602471631Q, DIGITS_30));
    EXPECT_TRUE(agrees(*c.theta, -7.76687415875746348407225633234566882Q, DIGITS_30));
    EXPECT_TRUE(agrees(*c.rho, 28.3893004941183198645908539058060203Q, DIGITS_30));
    EXPECT_TRUE(agrees(*c.psi, -33.5855153361142246676893989713210242Q, DIGITS_30));
    OptionTerms put = CALL_TERMS;
    put.kind = OptionKind::PUT;
    const OptionValue p = european_option(put);
    EXPECT_TRUE(agrees(p.value, 4.04188795176660776837020267524294588Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p.delta, -0.318339527026883560220117997753616074Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p.theta, -5.11425174412121941524188277359491224Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p.rho, -17.9379203272274818951910012253022766Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p.psi, 15.9169763513441780110058998876808037Q, DIGITS_30));
    // Put-call parity: C - P = S exp(-qT) - K exp(-rT).
    EXPECT_TRUE(
        agrees(c.value - p.value, 100 * expq(-0.02Q * 0.5Q) - 95 * expq(-0.05Q * 0.5Q), DIGITS_30));
}

TEST(OptionPriceReference, DeepOutOfTheMoneyPutKeepsItsDigits) {
    // The normal tail is computed directly: a price of 1.5e-7 keeps 30 digits.
    const OptionValue p = european_option({OptionKind::PUT, 100, 60, 0.03Q, 0, 0.2Q, 0.25Q});
    EXPECT_TRUE(agrees(p.value, 1.51839407728192667640938447303631038e-7Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p.delta, -8.32748013378775856190210319246189548e-8Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p.vega, 2.25359002809111737589902726487639046e-5Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p.rho, -2.11982988537898780738576040994138163e-6Q, DIGITS_30));
}

TEST(OptionPriceReference, AmericanTreeFollowsTheSameRecursion) {
    const OptionTerms put{OptionKind::PUT, 100, 100, 0.05Q, 0.02Q, 0.3Q, 1};
    const std::optional<OptionValue> p = american_option(put, 50);
    ASSERT_TRUE(p.has_value());
    EXPECT_TRUE(agrees(p->value, 10.4378719415950540707648412780670008Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p->delta, -0.414298848003958645697369735656649174Q, DIGITS_30));
    EXPECT_TRUE(agrees(*p->gamma, 0.0139766485656534605950572612016448673Q, 1e-28Q));
    EXPECT_TRUE(agrees(*p->theta, -4.5282825696639085266579832422666138Q, 1e-28Q));
    EXPECT_FALSE(p->vega.has_value());
    OptionTerms call = put;
    call.kind = OptionKind::CALL;
    EXPECT_TRUE(
        agrees(american_option(call, 50)->value, 12.96261355983631484574130024108811Q, DIGITS_30));
    // Without a dividend an American call is never exercised early: its tree is the European
    // tree, value 14.1724828851607344163101230295330356 in both recursions.
    call.yield = 0;
    EXPECT_TRUE(agrees(american_option(call, 50)->value, 14.1724828851607344163101230295330356Q,
                       DIGITS_30));
    // One step gives delta only; a step too long for the drift has no probability.
    const std::optional<OptionValue> one = american_option(put, 1);
    EXPECT_TRUE(one->delta.has_value());
    EXPECT_FALSE(one->gamma.has_value());
    EXPECT_FALSE(american_option({OptionKind::PUT, 100, 100, 0.9Q, 0, 0.01Q, 1}, 1).has_value());
}

TEST(OptionPriceReference, ImpliedVolatilityRoundTripsToThirtyDigits) {
    OptionTerms t = CALL_TERMS;
    t.vol = 0;
    EXPECT_TRUE(
        agrees(*implied_volatility(t, 10.3924296839918096061970901310300077Q), 0.25Q, DIGITS_30));
    const OptionTerms deep{OptionKind::PUT, 100, 60, 0.03Q, 0, 0, 0.25Q};
    EXPECT_TRUE(agrees(*implied_volatility(deep, 1.51839407728192667640938447303631038e-7Q), 0.2Q,
                       DIGITS_30));
    // A volatility far above the starting bracket is still reached.
    OptionTerms wild = CALL_TERMS;
    wild.vol = 7.5Q;
    const Real price = european_option(wild).value;
    wild.vol = 0;
    EXPECT_TRUE(agrees(*implied_volatility(wild, price), 7.5Q, 1e-28Q));
}

TEST(OptionPriceCommand, ScalarCallLeavesItsValueAndOutputs) {
    ScriptRun r("CALLOPTI / SPOT=100 STRIKE=95 RATE=.05 YIELD=.02 VOL=.25 TIME=.5 DELTA=D "
                "VALUE=V\nSTOP\n");
    EXPECT_TRUE(agrees(r.scalar(R_VAL), 10.3924296839918096061970901310300077Q, DIGITS_30))
        << r.output;
    EXPECT_EQ(r.scalar(R_N), 1);
    ASSERT_EQ(r.values("D").size(), 1u);
    EXPECT_TRUE(agrees(r.values("D")[0], 0.671710306722284493353787979426420484Q, DIGITS_30));
    EXPECT_TRUE(agrees(r.values("V")[0], r.scalar(R_VAL), 0));
}

TEST(OptionPriceCommand, PutPriceGivesItsImpliedVolatilityInVal) {
    ScriptRun r("PUTOPTIO / SPOT=100 STRIKE=95 RATE=.05 YIELD=.02 TIME=.5 "
                "PRICE=4.04188795176660776837020267524294588\nSTOP\n");
    EXPECT_TRUE(agrees(r.scalar(R_VAL), 0.25Q, DIGITS_30)) << r.output;
}

TEST(OptionPriceCommand, SeriesArgumentsPriceEachObservation) {
    // Strikes as a series, the rest numbers and a scalar variable: each observation is the
    // closed form with its own strike.
    ScriptRun r("SAMPLE 1 3\nREAD K\n90\n95\n100\nMATRIX S0 = 100\n"
                "CALLOPTI / SPOT=S0 STRIKE=K RATE=.05 YIELD=.02 VOL=.25 TIME=.5 VALUE=C\n"
                "STOP\n");
    const std::vector<Real> c = r.values("C");
    ASSERT_EQ(c.size(), 3u) << r.output;
    EXPECT_TRUE(agrees(c[1], 10.3924296839918096061970901310300077Q, DIGITS_30));
    for (int i = 0; i < 3; ++i) {
        const OptionTerms t{OptionKind::CALL, 100, Real(90 + 5 * i), 0.05Q, 0.02Q, 0.25Q, 0.5Q};
        EXPECT_TRUE(agrees(c[std::size_t(i)], european_option(t).value, 0));
    }
    EXPECT_EQ(r.scalar(R_N), 3);
}

} // namespace
} // namespace tarvex
