// xoshiro256** with splitmix64 seeding, and the binary128 uniform and normal draws.
#include "numeric/random_numbers.hpp"

#include "numeric/qmath.hpp"

namespace tarvex::expr {

namespace {

std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

std::uint64_t splitmix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

} // namespace

void RandomGenerator::seed(std::int64_t seed_value) {
    std::uint64_t state = static_cast<std::uint64_t>(seed_value);
    for (auto& word : s) word = splitmix64(state);
    seeded = true;
}

std::uint64_t RandomGenerator::next() {
    if (!seeded) seed(0);
    const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
}

Real RandomGenerator::uniform() {
    // 112 random bits: 64 from one draw, the top 48 of the next.
    const std::uint64_t high = next() >> 16;
    const std::uint64_t low = next();
    const unsigned __int128 m = (static_cast<unsigned __int128>(high) << 64) | low;
    const unsigned __int128 odd = (m << 1) | 1; // below 2**113: exact in binary128
    return static_cast<Real>(odd) * EPSNEG; // EPSNEG is 2**-113
}

Real RandomGenerator::normal() {
    const Real u1 = uniform();
    const Real u2 = uniform();
    return qm::sqrt(-2 * qm::log(u1)) * qm::cos(2 * qm::PI * u2);
}

} // namespace tarvex::expr
