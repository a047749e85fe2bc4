// Double-binary128 arithmetic (see double_binary128.hpp): the accurate sum with two two-sums,
// the product from Dekker's exact product of the high parts, the quotient with three partial
// quotients, and the square root by one Newton step from the binary128 root.
#include "numeric/double_binary128.hpp"

#include "numeric/qmath.hpp"

namespace tarvex {
namespace {

// s + e = a + b exactly.
inline void two_sum(Real a, Real b, Real& s, Real& e) {
    s = a + b;
    const Real bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

// s + e = a + b exactly, for |a| >= |b| (or a zero).
inline void quick_two_sum(Real a, Real b, Real& s, Real& e) {
    s = a + b;
    e = b - (s - a);
}

// hi + lo = a with hi holding the upper 56 bits: Veltkamp's split at 2^57 + 1.
inline void split(Real a, Real& hi, Real& lo) {
    const Real SPLITTER = 144115188075855873.0Q; // 2^57 + 1
    const Real c = SPLITTER * a;
    hi = c - (c - a);
    lo = a - hi;
}

// p + e = a * b exactly (Dekker), barring overflow and underflow.
inline void two_product(Real a, Real b, Real& p, Real& e) {
    p = a * b;
    Real ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

inline Wide times(Wide a, Real b) {
    Real p, e;
    two_product(a.hi, b, p, e);
    e += a.lo * b;
    Wide r;
    quick_two_sum(p, e, r.hi, r.lo);
    return r;
}

} // namespace

Wide operator+(Wide a, Wide b) {
    Real s1, s2, t1, t2;
    two_sum(a.hi, b.hi, s1, s2);
    two_sum(a.lo, b.lo, t1, t2);
    s2 += t1;
    quick_two_sum(s1, s2, s1, s2);
    s2 += t2;
    Wide r;
    quick_two_sum(s1, s2, r.hi, r.lo);
    return r;
}

Wide operator-(Wide a, Wide b) {
    return a + (-b);
}

Wide operator*(Wide a, Wide b) {
    Real p, e;
    two_product(a.hi, b.hi, p, e);
    e += a.hi * b.lo + a.lo * b.hi;
    Wide r;
    quick_two_sum(p, e, r.hi, r.lo);
    return r;
}

Wide operator/(Wide a, Wide b) {
    const Real q1 = a.hi / b.hi;
    Wide r = a - times(b, q1);
    const Real q2 = r.hi / b.hi;
    r = r - times(b, q2);
    const Real q3 = r.hi / b.hi;
    Wide q;
    quick_two_sum(q1, q2, q.hi, q.lo);
    return q + wide(q3);
}

Wide wide_sqrt(Wide a) {
    if (!(a.hi > 0)) return {};
    // x = sqrt(a.hi) to 113 bits; x + (a - x^2) / (2x) doubles the bits.
    const Real x = qm::sqrt(a.hi);
    const Wide square = times(wide(x), x);
    const Real correction = (a - square).hi / (2 * x);
    Wide r;
    quick_two_sum(x, correction, r.hi, r.lo);
    return r;
}

bool wide_less_equal(Wide a, Wide b) {
    const Wide d = b - a;
    return d.hi >= 0;
}

} // namespace tarvex
