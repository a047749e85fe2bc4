// xoshiro256** with splitmix64 seeding, and the binary128 uniform and normal draws, the normal
// ones optionally computed ahead a block at a time on two threads.
#include "numeric/random_numbers.hpp"

#include "numeric/fast_arith.hpp"
#include "numeric/fast_cos.hpp"
#include "numeric/fast_log.hpp"
#include "numeric/qmath.hpp"
#include "numeric/row_split.hpp"

#include <algorithm>
#include <cstring>

namespace tarvex::expr {

namespace {

// Normals computed ahead at a time: long enough for a second thread (row_split.hpp), short
// enough that a block dropped unused costs little.
constexpr std::size_t AHEAD_BLOCK = SPLIT_MIN_ROWS;
// Words of the generator one normal number uses: two uniforms of two words each.
constexpr int WORDS_PER_NORMAL = 4;

std::uint64_t rotl(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

std::uint64_t splitmix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// 2*pi rounded to binary128 (twice the rounded pi, exactly).
const Real TWO_PI = 2 * qm::PI;

// Box-Muller from the two uniforms of one draw: the logarithm, the cosine and the square root
// correctly rounded on the integer unit, the products as the library rounds them.
Real box_muller(Real u1, Real u2) {
    const Real log_u1 = fast_log(u1);
    return fast_multiply(qm::sqrt(-(log_u1 + log_u1)), fast_cos(fast_multiply(TWO_PI, u2)));
}

} // namespace

void RandomGenerator::seed(std::int64_t seed_value) {
    ahead_.clear();
    taken_ = 0;
    expected_ = 0;
    std::uint64_t state = static_cast<std::uint64_t>(seed_value);
    for (auto& word : s) word = splitmix64(state);
    seeded = true;
}

std::uint64_t RandomGenerator::raw_next() {
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

std::uint64_t RandomGenerator::next() {
    settle();
    return raw_next();
}

Real RandomGenerator::raw_uniform() {
    // 112 random bits: 64 from one draw, the top 48 of the next.
    const std::uint64_t high = raw_next() >> 16;
    const std::uint64_t low = raw_next();
    const unsigned __int128 m = (static_cast<unsigned __int128>(high) << 64) | low;
    const unsigned __int128 odd = (m << 1) | 1; // below 2**113: exact in binary128
    // odd * 2**-113 assembled from its bits: the leading one at bit `lead` becomes the hidden
    // bit, the exponent is lead - 113. Exact, so the same number as converting and scaling.
    const std::uint64_t odd_high = static_cast<std::uint64_t>(odd >> 64);
    const int lead = odd_high != 0 ? 127 - __builtin_clzll(odd_high)
                                   : 63 - __builtin_clzll(static_cast<std::uint64_t>(odd));
    constexpr int SIGNIFICAND_BITS = 112, EXPONENT_BIAS = 16383;
    const unsigned __int128 fraction =
        (odd << (SIGNIFICAND_BITS - lead)) &
        ((static_cast<unsigned __int128>(1) << SIGNIFICAND_BITS) - 1);
    const unsigned __int128 bits =
        (static_cast<unsigned __int128>(lead - 113 + EXPONENT_BIAS) << SIGNIFICAND_BITS) | fraction;
    Real value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Real RandomGenerator::uniform() {
    settle();
    return raw_uniform();
}

Real RandomGenerator::normal() {
    if (taken_ < ahead_.size()) return ahead_[taken_++];
    if (expected_ >= AHEAD_BLOCK) {
        draw_ahead();
        return ahead_[taken_++];
    }
    if (expected_ > 0) --expected_;
    const Real u1 = raw_uniform();
    const Real u2 = raw_uniform();
    return box_muller(u1, u2);
}

void RandomGenerator::expect_normals(std::size_t count) {
    settle();
    expected_ = count;
}

// The uniforms of the next block, drawn in order here; the transforms on two threads. Every
// ahead normal has been taken, so the state is that after the last one handed out.
void RandomGenerator::draw_ahead() {
    // The last block takes what is left when that is less than two blocks.
    const std::size_t n = expected_ < 2 * AHEAD_BLOCK ? expected_ : AHEAD_BLOCK;
    expected_ -= n;
    std::memcpy(before_, s, sizeof s);
    std::vector<Real> uniforms(2 * n);
    for (Real& u : uniforms) u = raw_uniform();
    ahead_.resize(n);
    taken_ = 0;
    split_rows(n, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            ahead_[i] = box_muller(uniforms[2 * i], uniforms[2 * i + 1]);
    });
}

void RandomGenerator::settle() {
    expected_ = 0;
    if (taken_ < ahead_.size()) { // back to the state after the normals handed out
        std::memcpy(s, before_, sizeof s);
        for (std::size_t k = 0; k < taken_ * WORDS_PER_NORMAL; ++k) raw_next();
    }
    std::vector<Real>().swap(ahead_); // the block's memory goes back at once
    taken_ = 0;
}

} // namespace tarvex::expr
