// GENRDF and its reusable evaluator: runs a compiled statement with every cell carrying its
// value, its gradient and (on request) its Hessian with respect to the parameters. Parameter
// cells have unit gradients; data and constants zero ones; each operation applies its exact
// first and second derivative rules: for r = f(a, b),
//   grad r = f_a grad a + f_b grad b,
//   hess r = f_a hess a + f_b hess b + f_aa ga ga' + f_ab (ga gb' + gb ga') + f_bb gb gb'.
// Storage is flat and reused between evaluations, with a flag per cell for zero derivatives.
#include "expr/derivative.hpp"

#include "expr/arguments.hpp"
#include "expr/executor.hpp"
#include "expr/scalar_functions.hpp"
#include "numeric/elementary_functions.hpp"
#include "numeric/fast_arith.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>
#include <cstring>

namespace tarvex::expr {

namespace {

// Bernoulli numbers B2, B4, ..., B24 for the asymptotic series of the digamma function.
const Real BERNOULLI[12] = {
    1.0Q / 6,       -1.0Q / 30,       1.0Q / 42,       -1.0Q / 30,
    5.0Q / 66,      -691.0Q / 2730,   7.0Q / 6,        -3617.0Q / 510,
    43867.0Q / 798, -174611.0Q / 330, 854513.0Q / 138, -236364091.0Q / 2730,
};
// Below this the digamma recurrence shifts the argument up before the series is used.
const Real DIGAMMA_SERIES_START = 60;

} // namespace

DerivativeEvaluator::DerivativeEvaluator(const Program& program)
    : p_(&program), d_(decode(program)) {}

void DerivativeEvaluator::fail(DerivativeStatus s, int op) {
    out_.failed_op = op;
    throw Failure{s};
}

// Bit tests on the binary128 representation (little-endian): no library call per operation.
bool finite_value(Real v) {
    std::uint64_t w[2];
    std::memcpy(w, &v, sizeof w);
    return ((w[1] >> 48) & 0x7fff) != 0x7fff;
}
bool zero_value(Real v) {
    std::uint64_t w[2];
    std::memcpy(w, &v, sizeof w);
    return ((w[1] << 1) | w[0]) == 0;
}

namespace {

// factor * x, with the factors 1 and -1 (most of those of sums and differences) applied without
// a multiplication, and so the entries 1 and -1 (a parameter's own gradient, scaled by a rule's
// derivative): each is exact either way.
Real times(Real factor, Real x) {
    constexpr std::uint64_t ONE = 0x3fff000000000000ULL, MINUS_ONE = 0xbfff000000000000ULL;
    std::uint64_t w[2], v[2];
    std::memcpy(w, &factor, sizeof w);
    std::memcpy(v, &x, sizeof v);
    if (w[0] == 0 && w[1] == ONE) return x;
    if (w[0] == 0 && w[1] == MINUS_ONE) return -x;
    if (v[0] == 0 && v[1] == ONE) return factor;
    if (v[0] == 0 && v[1] == MINUS_ONE) return -factor;
    return fast_multiply(factor, x);
}

} // namespace

Real DerivativeEvaluator::check(Real v) {
    if (!finite_value(v)) fail(DerivativeStatus::UNDEFINED);
    return v;
}

template <class F>
void DerivativeEvaluator::each(std::uint64_t mask, F&& f) const {
    if (dense_) {
        if (mask != 0)
            for (std::size_t j = 0; j < k_; ++j) f(j);
        return;
    }
    while (mask != 0) {
        f(static_cast<std::size_t>(__builtin_ctzll(mask)));
        mask &= mask - 1;
    }
}

template <class F>
void DerivativeEvaluator::each_upper(std::uint64_t mask, F&& f) const {
    if (dense_) {
        if (mask != 0)
            for (std::size_t i = 0; i < k_; ++i)
                for (std::size_t j = i; j < k_; ++j) f(i, j);
        return;
    }
    // For each i of the mask, the bits from i on: the entries (i, j) with j >= i.
    each(mask, [&](std::size_t i) {
        each(mask & (~std::uint64_t(0) << i), [&](std::size_t j) { f(i, j); });
    });
}

void DerivativeEvaluator::set(int r, Real value, int a, Real da, int b, Real db, Real daa, Real dab,
                              Real dbb) {
    const std::size_t k = k_;
    const std::size_t cr = at(r);
    const std::uint64_t ma = a > 0 ? gmask_[at(a)] : 0, mb = b > 0 ? gmask_[at(b)] : 0;
    const bool za = ma == 0 || zero_value(da), zb = mb == 0 || zero_value(db);
    const Real* pa = ma != 0 ? &grad_[at(a) * k] : nullptr;
    const Real* pb = mb != 0 ? &grad_[at(b) * k] : nullptr;
    // The gradient, into the scratch row over its mask: a's part written, b's added where the
    // two masks meet and written elsewhere.
    std::uint64_t mr = 0;
    if (order_ >= 1) {
        mr = (za ? 0 : ma) | (zb ? 0 : mb);
        Real* g = g_scratch_.data();
        if (!za) {
            check(da);
            each(ma, [&](std::size_t j) { g[j] = times(da, pa[j]); });
        }
        if (!zb) {
            check(db);
            each(mb, [&](std::size_t j) {
                const Real t = times(db, pb[j]);
                const bool in_a = !za && (dense_ || (ma >> j & 1) != 0);
                g[j] = in_a ? fast_add(g[j], t) : t;
            });
        }
    }
    // The Hessian, into the upper triangle of the scratch matrix over its rows and columns
    // (the matrices are symmetric: only entries (i, j) with i <= j are kept).
    std::uint64_t hr = 0;
    if (order_ >= 2) {
        const std::uint64_t ha = za ? 0 : hmask_[at(a)], hb = zb ? 0 : hmask_[at(b)];
        const bool zaa = ma == 0 || zero_value(daa), zbb = mb == 0 || zero_value(dbb);
        const bool zab = ma == 0 || mb == 0 || zero_value(dab);
        hr = ha | hb | (zaa ? 0 : ma) | (zbb ? 0 : mb) | (zab ? 0 : (ma | mb));
        if (!zaa) check(daa);
        if (!zbb) check(dbb);
        if (!zab) check(dab);
        Real* h = h_scratch_.data();
        // Each term over its own rows and columns only: a term in one parameter of b costs one
        // row and column, not the whole matrix. The terms f_a hess a, f_b hess b, f_aa ga ga'
        // and f_bb gb gb' put one value in each entry of their rows and columns; one that
        // covers the whole result is written first, which saves clearing it and an addition
        // an entry, and the others are added.
        struct Term {
            std::uint64_t mask;
            Real factor;
            const Real* from; // a Hessian (scaled) or a gradient (its square)
            bool square;
        };
        Term terms[4];
        int count = 0;
        if (ha != 0) terms[count++] = {ha, da, &hess_[at(a) * k * k], false};
        if (hb != 0) terms[count++] = {hb, db, &hess_[at(b) * k * k], false};
        if (!zaa) terms[count++] = {ma, daa, pa, true};
        if (!zbb) terms[count++] = {mb, dbb, pb, true};
        auto apply = [&](const Term& t, bool write) {
            if (!t.square) {
                each_upper(t.mask, [&](std::size_t i, std::size_t j) {
                    const Real v = times(t.factor, t.from[i * k + j]);
                    h[i * k + j] = write ? v : fast_add(h[i * k + j], v);
                });
                return;
            }
            std::size_t row = k;
            Real fu = 0;
            each_upper(t.mask, [&](std::size_t i, std::size_t j) {
                if (i != row) fu = times(t.factor, t.from[row = i]);
                const Real v = fast_multiply(fu, t.from[j]);
                h[i * k + j] = write ? v : fast_add(h[i * k + j], v);
            });
        };
        int first = -1;
        for (int t = 0; t < count && first < 0; ++t)
            if (terms[t].mask == hr) first = t;
        if (first >= 0)
            apply(terms[first], true);
        else
            each_upper(hr, [&](std::size_t i, std::size_t j) { h[i * k + j] = 0; });
        for (int t = 0; t < count; ++t)
            if (t != first) apply(terms[t], false);
        // f_ab (ga gb' + gb ga'): entry (i, j) of ga gb' lands at (min, max), twice on the
        // diagonal.
        if (!zab)
            each(ma, [&](std::size_t i) {
                const Real fu = times(dab, pa[i]);
                each(mb, [&](std::size_t j) {
                    const Real t = fast_multiply(fu, pb[j]);
                    Real& to = i <= j ? h[i * k + j] : h[j * k + i];
                    to = fast_add(to, t);
                    if (i == j) to = fast_add(to, t);
                });
            });
    }
    val_[cr] = check(value);
    // Written back; the entries of the old masks outside the new ones are cleared.
    Real* gr = grad_.data() + cr * k;
    each(gmask_[cr] & ~mr, [&](std::size_t j) { gr[j] = 0; });
    each(mr, [&](std::size_t j) { gr[j] = g_scratch_[j]; });
    if (order_ >= 2) {
        Real* hrow = hess_.data() + cr * k * k;
        const std::uint64_t old = hmask_[cr];
        // Entries of the old rows and columns that the new ones do not cover are cleared (none
        // when the new set holds the old, the usual case).
        if ((old & ~hr) != 0 || (dense_ && hr == 0 && old != 0))
            each_upper(old, [&](std::size_t i, std::size_t j) { hrow[i * k + j] = 0; });
        each_upper(hr,
                   [&](std::size_t i, std::size_t j) { hrow[i * k + j] = h_scratch_[i * k + j]; });
        hmask_[cr] = hr;
        // A cell whose gradient is zero at this point but whose Hessian is not still varies.
        mr |= hr;
    }
    gmask_[cr] = mr;
}

void DerivativeEvaluator::load_cell(int r, int ref, int lag, int j) {
    const std::size_t cr = at(r);
    auto clear = [&]() {
        Real* g = grad_.data() + cr * k_;
        each(gmask_[cr], [&](std::size_t i) { g[i] = 0; });
        if (order_ >= 2 && hmask_[cr] != 0) {
            Real* h = hess_.data() + cr * k_ * k_;
            each(hmask_[cr], [&](std::size_t i) {
                each(hmask_[cr], [&](std::size_t m) { h[i * k_ + m] = 0; });
            });
        }
        gmask_[cr] = 0;
        if (order_ >= 2) hmask_[cr] = 0;
    };
    if (j >= 0) {
        val_[cr] = bind_->values[static_cast<std::size_t>(j)];
        clear();
        Real* g = grad_.data() + cr * k_;
        std::uint64_t m = 0;
        if (bind_->directions > 0) {
            for (std::size_t d = 0; d < k_; ++d) {
                const Real seed = bind_->seeds[static_cast<std::size_t>(j) * k_ + d];
                if (zero_value(seed)) continue;
                g[d] = seed;
                m |= dense_ ? ~std::uint64_t(0) : std::uint64_t(1) << d;
            }
        } else {
            g[static_cast<std::size_t>(j)] = 1;
            m = dense_ ? ~std::uint64_t(0) : std::uint64_t(1) << j;
        }
        gmask_[cr] = m;
        return;
    }
    Real v = 0;
    if (bind_->datum && bind_->datum(ref, lag, v)) {
        val_[cr] = v;
        clear();
        return;
    }
    out_.unbound_ref = ref;
    out_.unbound_lag = lag;
    fail(DerivativeStatus::UNBOUND);
}

void DerivativeEvaluator::load_variables() {
    if (indexed_for_ != bind_) {
        parameter_of_.assign(at(p_->NF) + 1, -1);
        for (int cell = 1; cell <= p_->NF; ++cell)
            if (p_->direct[at(cell)] && bind_->parameter)
                parameter_of_[at(cell)] = bind_->parameter(p_->vars[at(cell)], 0);
        indexed_for_ = bind_;
    }
    for (int cell = 1; cell <= p_->NF; ++cell)
        if (p_->direct[at(cell)]) load_cell(cell, p_->vars[at(cell)], 0, parameter_of_[at(cell)]);
    for (std::size_t c = 0; c < p_->constants.size(); ++c) {
        val_[at(p_->ICON0) + c] = p_->constants[c];
        gmask_[at(p_->ICON0) + c] = 0; // constants are never written with derivatives
    }
}

// LAG(X, n) of a variable stands for the parameter (or the datum) of X lagged n observations.
void DerivativeEvaluator::lag(const Step& s) {
    const int var = d_.args[static_cast<std::size_t>(s.first_arg)];
    if (!p_->is_variable_cell(var)) fail(DerivativeStatus::UNSUPPORTED, s.op);
    Real n = 1;
    if (s.nargs == 2) {
        const int nc = d_.args[static_cast<std::size_t>(s.first_arg + 1)];
        if (!constant_gradient(nc)) fail(DerivativeStatus::UNSUPPORTED, s.op);
        n = val_[at(nc)];
    }
    if (qm::trunc(n) != n || qm::abs(n) > 1000000) fail(DerivativeStatus::UNSUPPORTED, s.op);
    const int ref = p_->vars[at(var)], lag = static_cast<int>(n);
    load_cell(s.r, ref, lag, bind_->parameter ? bind_->parameter(ref, lag) : -1);
}

void DerivativeEvaluator::function(const Step& s) {
    auto arg = [&](int j) { return d_.args[static_cast<std::size_t>(s.first_arg + j)]; };
    const int a = arg(0);
    const Real x = val_[at(a)];
    bool bad = false;
    auto undefined = [&]() { fail(DerivativeStatus::UNDEFINED, s.op); };
    switch (s.op) {
    case OP_EXP: {
        const Real e = exp_split(x, bad);
        if (bad) undefined();
        set(s.r, e, a, e, 0, 0, e);
        return;
    }
    case OP_ABS:
        set(s.r, qm::abs(x), a, x > 0 ? Real(1) : x < 0 ? Real(-1) : Real(0));
        return;
    case OP_LOG:
        if (!(x > 0)) undefined();
        set(s.r, qm::log(x), a, 1 / x, 0, 0, -1 / (x * x));
        return;
    case OP_SQRT: {
        if (x < 0 || (x == 0 && !constant_gradient(a))) undefined();
        const Real r = qm::sqrt(x);
        set(s.r, r, a, r > 0 ? 1 / (2 * r) : Real(0), 0, 0, r > 0 ? -1 / (4 * r * x) : Real(0));
        return;
    }
    // Step functions: their derivative is zero wherever it exists.
    case OP_INT:
        set(s.r, qm::trunc(x), 0, 0);
        return;
    case OP_DUM:
        set(s.r, x > 0 ? 1 : 0, 0, 0);
        return;
    case OP_MISS:
        set(s.r, 0, 0, 0);
        return;
    case OP_LAG:
        lag(s);
        return;
    case OP_SIN: {
        if (s.nargs == 1) {
            const Real sn = qm::sin(x);
            set(s.r, sn, a, qm::cos(x), 0, 0, -sn);
            return;
        }
        // sin(2 pi x / P): derivatives in x and in the period P.
        const int pc = arg(1);
        const Real period = val_[at(pc)];
        if (period == 0) undefined();
        const Real w = 2 * qm::PI / period;
        const Real angle = w * x;
        const Real c = qm::cos(angle), sn = qm::sin(angle);
        const Real p2 = period * period;
        set(s.r, sn, a, c * w, pc, -c * angle / period, -sn * w * w, (sn * angle - c) * w / period,
            (2 * c * angle - sn * angle * angle) / p2);
        return;
    }
    case OP_MIN:
    case OP_MAX: {
        int best = a;
        for (int j = 1; j < s.nargs; ++j) {
            const int c = arg(j);
            if (s.op == OP_MIN ? val_[at(c)] < val_[at(best)] : val_[at(c)] > val_[at(best)])
                best = c;
        }
        set(s.r, val_[at(best)], best, 1);
        return;
    }
    case OP_NCDF: {
        const Real density = qm::exp(-x * x / 2) / qm::sqrt(2 * qm::PI);
        set(s.r, ncdf(x), a, density, 0, 0, -x * density);
        return;
    }
    case OP_LGAM:
        if (!(x > 0)) undefined();
        set(s.r, qm::lgamma(x), a, digamma(x), 0, 0, trigamma(x));
        return;
    case OP_MOD: {
        const int bc = arg(1);
        const Real y = val_[at(bc)];
        if (y == 0) undefined();
        set(s.r, qm::fmod(x, y), a, 1, bc, -qm::trunc(x / y));
        return;
    }
    case OP_USER:
        set(s.r, x, a, 1);
        return;
    case OP_COS: {
        const Real c = elem::cos(x);
        set(s.r, c, a, -qm::sin(x), 0, 0, -c);
        return;
    }
    case OP_TAN: {
        const Real t = elem::tan(x), d = 1 + t * t;
        set(s.r, t, a, d, 0, 0, 2 * t * d);
        return;
    }
    case OP_ATAN: {
        const Real d = 1 / (1 + x * x);
        set(s.r, elem::atan(x), a, d, 0, 0, -2 * x * d * d);
        return;
    }
    case OP_ASIN:
    case OP_ACOS: {
        // Both have the derivative +-1/sqrt(1 - x^2), infinite at +-1.
        if (!(qm::abs(x) < 1)) undefined();
        const Real w = 1 - x * x, d = 1 / qm::sqrt(w), sign = s.op == OP_ASIN ? 1 : -1;
        set(s.r, s.op == OP_ASIN ? elem::asin(x) : elem::acos(x), a, sign * d, 0, 0,
            sign * x * d / w);
        return;
    }
    case OP_SINH:
    case OP_COSH: {
        const Real sh = elem::sinh(x), ch = elem::cosh(x);
        if (qm::isinf(sh) || qm::isinf(ch)) undefined();
        if (s.op == OP_SINH)
            set(s.r, sh, a, ch, 0, 0, sh);
        else
            set(s.r, ch, a, sh, 0, 0, ch);
        return;
    }
    case OP_TANH: {
        const Real t = elem::tanh(x), d = 1 - t * t;
        set(s.r, t, a, d, 0, 0, -2 * t * d);
        return;
    }
    case OP_ERF:
    case OP_ERFC: {
        // d erf/dx = 2/sqrt(pi) exp(-x^2); erfc has the opposite sign.
        const Real sign = s.op == OP_ERF ? 1 : -1;
        const Real d = sign * 2 / qm::sqrt(qm::PI) * qm::exp(-x * x);
        set(s.r, s.op == OP_ERF ? elem::erf(x) : elem::erfc(x), a, d, 0, 0, -2 * x * d);
        return;
    }
    case OP_GAMMA: {
        // gamma' = gamma psi, gamma'' = gamma (psi^2 + psi').
        Real g;
        if (!more_function(OP_GAMMA, x, g)) undefined();
        const Real psi = digamma(x);
        set(s.r, g, a, g * psi, 0, 0, g * (psi * psi + trigamma(x)));
        return;
    }
    case OP_INVNCDF: {
        // q = Phi^-1(p): dq/dp = 1/phi(q), d2q/dp2 = q/phi(q)^2.
        Real q;
        if (!more_function(OP_INVNCDF, x, q)) undefined();
        const Real density = qm::exp(-q * q / 2) / qm::sqrt(2 * qm::PI);
        if (!(density > 0)) undefined();
        const Real d = 1 / density;
        set(s.r, q, a, d, 0, 0, q * d * d);
        return;
    }
    case OP_LOG10: {
        if (!(x > 0)) undefined();
        const Real d = 1 / (x * qm::log(Real(10)));
        set(s.r, elem::log10(x), a, d, 0, 0, -d / x);
        return;
    }
    default:
        // Random numbers, running sums, the observation counter and data-dependent functions
        // have no value at a set of coefficients.
        fail(DerivativeStatus::UNSUPPORTED, s.op);
    }
}

void DerivativeEvaluator::binary(const Step& s) {
    const Real x = val_[at(s.a)];
    const Real y = s.b > 0 ? val_[at(s.b)] : Real(0);
    bool bad = false;
    auto undefined = [&]() { fail(DerivativeStatus::UNDEFINED, s.op); };
    switch (s.op) {
    case OP_ADD:
        set(s.r, fast_add(x, y), s.a, 1, s.b, 1);
        return;
    case OP_SUB:
        set(s.r, fast_subtract(x, y), s.a, 1, s.b, -1);
        return;
    case OP_MUL:
        set(s.r, fast_multiply(x, y), s.a, y, s.b, x, 0, 1, 0);
        return;
    case OP_DIV: {
        if (y == 0) undefined();
        const Real q = x / y;
        set(s.r, q, s.a, 1 / y, s.b, -q / y, 0, -1 / (y * y), 2 * q / (y * y));
        return;
    }
    case OP_POW: {
        const Real r = power(x, y, bad);
        if (bad) undefined();
        // d/dx x**y = y x**(y-1); d/dy x**y = x**y ln x (needed only for a varying exponent).
        Real dx = 0, dxx = 0, dxy = 0, dy = 0, dyy = 0;
        if (y != 0) {
            const Real lower = power(x, y - 1, bad);
            if (bad) undefined();
            dx = y * lower;
            if (order_ >= 2 && !constant_gradient(s.a) && y != 1) {
                const Real lower2 = power(x, y - 2, bad);
                if (bad) undefined();
                dxx = y * (y - 1) * lower2;
            }
        }
        if (!constant_gradient(s.b)) {
            if (!(x > 0)) undefined();
            const Real lx = qm::log(x);
            dy = r * lx;
            dyy = dy * lx;
            dxy = power(x, y - 1, bad) * (1 + y * lx);
        }
        set(s.r, r, s.a, dx, s.b, dy, dxx, dxy, dyy);
        return;
    }
    case OP_SUBSCRIPT:
        if (s.a != 0) fail(DerivativeStatus::UNSUPPORTED, s.op); // an element of a variable
        set(s.r, y, s.b, 1);
        return;
    case OP_NEG:
        set(s.r, -x, s.a, -1);
        return;
    case OP_E: {
        const Real scale = power(10, y, bad);
        if (bad) undefined();
        const Real l10 = qm::log(Real(10));
        set(s.r, x * scale, s.a, scale, s.b, x * scale * l10, 0, scale * l10,
            x * scale * l10 * l10);
        return;
    }
    case OP_EQ:
    case OP_NE:
    case OP_LT:
    case OP_LE:
    case OP_GT:
    case OP_GE:
    case OP_OR:
    case OP_AND:
    case OP_NOT: {
        bool truth = false;
        logical_operation(s.op, x, y, truth);
        set(s.r, truth ? 1 : 0, 0, 0);
        return;
    }
    case OP_USER_CALL:
        set(s.r, x, s.a, 1);
        return;
    default:
        fail(DerivativeStatus::UNSUPPORTED, s.op);
    }
}

const DerivativeResult& DerivativeEvaluator::evaluate(const ParameterBinding& binding,
                                                      DerivativeOrder order) {
    bind_ = &binding;
    order_ = static_cast<int>(order);
    const std::size_t k = binding.directions > 0 ? static_cast<std::size_t>(binding.directions)
                                                 : binding.values.size();
    const std::size_t cells = at(2 * p_->MAXVAR + 2);
    const bool second = order_ >= 2;
    if (k != k_ || val_.size() != cells || (second && hess_.size() != cells * k * k)) {
        k_ = k;
        dense_ = k > 64;
        val_.assign(cells, 0);
        grad_.assign(cells * k, 0);
        gmask_.assign(cells, 0);
        hmask_.assign(cells, 0);
        g_scratch_.assign(k, 0);
        hess_.assign(second ? cells * k * k : 0, 0);
        h_scratch_.assign(second ? k * k : 0, 0);
    } else if (!second && hessians_kept_) {
        // A lower order does not keep the Hessians up to date: they are cleared once.
        hmask_.assign(cells, 0);
        std::fill(hess_.begin(), hess_.end(), 0);
    }
    hessians_kept_ = second;
    out_.status = DerivativeStatus::OK;
    out_.unbound_ref = out_.unbound_lag = out_.failed_op = 0;
    try {
        load_variables();
        for (const Step& s : d_.steps) {
            if (s.op == OP_COMMA) continue;
            if (s.op == OP_END) {
                const std::size_t c = at(s.a);
                out_.value = val_[c];
                if (order_ >= 1) {
                    out_.gradient.assign(k, 0);
                    const Real* g = grad_.data() + c * k;
                    each(gmask_[c], [&](std::size_t j) { out_.gradient[j] = check(g[j]); });
                }
                if (order_ >= 2) {
                    out_.hessian.assign(k * k, 0);
                    const Real* h = hess_.data() + c * k * k;
                    each_upper(hmask_[c], [&](std::size_t i, std::size_t j) {
                        out_.hessian[i * k + j] = out_.hessian[j * k + i] = check(h[i * k + j]);
                    });
                }
                return out_;
            }
            if (s.op == OP_READ) fail(DerivativeStatus::UNSUPPORTED, s.op);
            if (is_function(s.op))
                function(s);
            else
                binary(s);
        }
        fail(DerivativeStatus::UNSUPPORTED); // no end of statement
    } catch (const Failure& f) {
        out_.status = f.status;
        out_.gradient.assign(k, 0);
        if (order_ >= 2) out_.hessian.assign(k * k, 0);
    }
    return out_;
}

DerivativeResult GENRDF(const Program& program, const ParameterBinding& binding) {
    DerivativeEvaluator evaluator(program);
    return evaluator.evaluate(binding, DerivativeOrder::GRADIENT);
}

Real digamma(Real x) {
    Real shift = 0;
    while (x < DIGAMMA_SERIES_START) {
        shift -= 1 / x;
        x += 1;
    }
    const Real inv2 = 1 / (x * x);
    Real series = 0;
    Real power2 = inv2;
    for (int k = 0; k < 12; ++k) {
        series += BERNOULLI[k] / (2 * (k + 1)) * power2;
        power2 *= inv2;
    }
    return shift + qm::log(x) - 1 / (2 * x) - series;
}

Real trigamma(Real x) {
    Real shift = 0;
    while (x < DIGAMMA_SERIES_START) {
        shift += 1 / (x * x);
        x += 1;
    }
    // 1/x + 1/(2x^2) + sum B_2k / x^(2k+1)
    const Real inv = 1 / x, inv2 = inv * inv;
    Real series = 0;
    Real power = inv2 * inv;
    for (int k = 0; k < 12; ++k) {
        series += BERNOULLI[k] * power;
        power *= inv2;
    }
    return shift + inv + inv2 / 2 + series;
}

} // namespace tarvex::expr
