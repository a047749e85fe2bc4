// Option prices: the closed form and its sensitivities, the binomial tree with early exercise,
// and the implied volatility.
#include "kernels/option_pricing.hpp"

#include "numeric/distributions.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <vector>

namespace tarvex {

namespace {

bool positive_finite(Real x) {
    return x > 0 && !qm::isinf(x);
}

Real exercise_value(OptionKind kind, Real spot, Real strike) {
    return std::max<Real>(kind == OptionKind::CALL ? spot - strike : strike - spot, 0);
}

} // namespace

OptionFault option_arguments_fault(const OptionTerms& t, bool vol_unused) {
    if (!positive_finite(t.spot)) return OptionFault::SPOT;
    if (!positive_finite(t.strike)) return OptionFault::STRIKE;
    if (!vol_unused && !positive_finite(t.vol)) return OptionFault::VOL;
    if (!positive_finite(t.time)) return OptionFault::TIME;
    return OptionFault::NONE;
}

OptionValue european_option(const OptionTerms& t) {
    const Real root_t = qm::sqrt(t.time);
    const Real spread = t.vol * root_t;
    const Real d1 =
        (qm::log(t.spot / t.strike) + (t.rate - t.yield + t.vol * t.vol / 2) * t.time) / spread;
    const Real d2 = d1 - spread;
    const Real held = t.spot * qm::exp(-t.yield * t.time);  // S e^-qT
    const Real paid = t.strike * qm::exp(-t.rate * t.time); // K e^-rT
    const Real density = qm::exp(-d1 * d1 / 2) / qm::sqrt(2 * qm::PI);
    OptionValue v;
    v.gamma = held * density / (t.spot * t.spot * spread);
    v.vega = held * density * root_t;
    const Real decay = -held * density * t.vol / (2 * root_t);
    if (t.kind == OptionKind::CALL) {
        const Real n1 = dist::normal_lower(d1), n2 = dist::normal_lower(d2);
        v.value = held * n1 - paid * n2;
        v.delta = held / t.spot * n1;
        v.theta = decay - t.rate * paid * n2 + t.yield * held * n1;
        v.rho = t.time * paid * n2;
        v.psi = -t.time * held * n1;
    } else {
        const Real n1 = dist::normal_upper(d1), n2 = dist::normal_upper(d2); // N(-d1), N(-d2)
        v.value = paid * n2 - held * n1;
        v.delta = -held / t.spot * n1;
        v.theta = decay + t.rate * paid * n2 - t.yield * held * n1;
        v.rho = -t.time * paid * n2;
        v.psi = t.time * held * n1;
    }
    return v;
}

std::optional<OptionValue> american_option(const OptionTerms& t, int steps) {
    const Real dt = t.time / steps;
    const Real move = t.vol * qm::sqrt(dt);
    const Real up = qm::exp(move), down = 1 / up;
    const Real growth = qm::exp((t.rate - t.yield) * dt);
    const Real p_up = (growth - down) / (up - down), p_down = (up - growth) / (up - down);
    if (!(p_up >= 0 && p_down >= 0)) return std::nullopt;
    const Real discount = qm::exp(-t.rate * dt);
    // spot_at[k + steps] = S u^k, the spot after k more up moves than down moves.
    std::vector<Real> spot_at(2 * std::size_t(steps) + 1);
    for (int k = -steps; k <= steps; ++k)
        spot_at[std::size_t(k + steps)] = t.spot * qm::exp(k * move);
    auto node_spot = [&](int step, int ups) {
        return spot_at[std::size_t(2 * ups - step + steps)];
    };

    std::vector<Real> v(std::size_t(steps) + 1);
    for (int j = 0; j <= steps; ++j)
        v[std::size_t(j)] = exercise_value(t.kind, node_spot(steps, j), t.strike);
    std::vector<Real> after_one, after_two;
    for (int i = steps - 1; i >= 0; --i) {
        // v holds the values at step i + 1: keep those after one and two steps.
        if (i + 1 == 2) after_two.assign(v.begin(), v.begin() + 3);
        if (i + 1 == 1) after_one.assign(v.begin(), v.begin() + 2);
        for (int j = 0; j <= i; ++j) {
            const Real hold =
                discount * (p_up * v[std::size_t(j) + 1] + p_down * v[std::size_t(j)]);
            v[std::size_t(j)] = std::max(hold, exercise_value(t.kind, node_spot(i, j), t.strike));
        }
    }
    OptionValue out;
    out.value = v[0];
    out.delta = (after_one[1] - after_one[0]) / (node_spot(1, 1) - node_spot(1, 0));
    if (steps >= 2) {
        const Real s_up = node_spot(2, 2), s_mid = node_spot(2, 1), s_down = node_spot(2, 0);
        out.gamma = ((after_two[2] - after_two[1]) / (s_up - s_mid) -
                     (after_two[1] - after_two[0]) / (s_mid - s_down)) /
                    ((s_up - s_down) / 2);
        out.theta = (after_two[1] - v[0]) / (2 * dt);
    }
    return out;
}

PriceBounds european_price_bounds(const OptionTerms& t) {
    const Real held = t.spot * qm::exp(-t.yield * t.time);
    const Real paid = t.strike * qm::exp(-t.rate * t.time);
    if (t.kind == OptionKind::CALL) return {std::max<Real>(held - paid, 0), held};
    return {std::max<Real>(paid - held, 0), paid};
}

std::optional<Real> implied_volatility(OptionTerms t, Real price) {
    const Real largest = 1e6Q;
    Real low = 0, high = 1;
    for (t.vol = high; european_option(t).value < price; t.vol = high) {
        if (high >= largest) return std::nullopt;
        low = high;
        high *= 2;
    }
    // Start where vega is largest in the log-moneyness (the closed form is convex in the
    // volatility below that point and concave above, so Newton from there moves one way).
    const Real moneyness = qm::abs(qm::log(t.spot / t.strike) + (t.rate - t.yield) * t.time);
    Real sigma = qm::sqrt(2 * moneyness / t.time);
    if (!(sigma > low && sigma < high)) sigma = (low + high) / 2;
    Real last_error = -1;
    for (int iteration = 0; iteration < 1000; ++iteration) {
        t.vol = sigma;
        const OptionValue v = european_option(t);
        const Real error = v.value - price;
        if (error == 0) return sigma;
        (error < 0 ? low : high) = sigma;
        Real next = sigma - error / *v.vega;
        const bool inside = *v.vega > 0 && next > low && next < high;
        const bool shrinking = last_error < 0 || qm::abs(error) < qm::abs(last_error) / 2;
        if (!inside || !shrinking) next = (low + high) / 2;
        last_error = qm::abs(error);
        if (qm::abs(next - sigma) <= 2 * EPSNEG * next || high - low <= 2 * EPSNEG * high)
            return next;
        sigma = next;
    }
    return sigma;
}

} // namespace tarvex
