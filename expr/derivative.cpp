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
#include "numeric/qmath.hpp"

#include <algorithm>

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

Real DerivativeEvaluator::check(Real v) {
    if (qm::isnan(v) || qm::isinf(v)) fail(DerivativeStatus::UNDEFINED);
    return v;
}

void DerivativeEvaluator::set(int r, Real value, int a, Real da, int b, Real db, Real daa,
                              Real dab, Real dbb) {
    const std::size_t k = k_;
    const bool ga = !constant_gradient(a) && (da != 0 || daa != 0 || dab != 0);
    const bool gb = !constant_gradient(b) && (db != 0 || dbb != 0 || dab != 0);
    const Real* pa = ga ? &grad_[at(a) * k] : nullptr;
    const Real* pb = gb ? &grad_[at(b) * k] : nullptr;
    bool any = false;
    if (order_ >= 1 && (ga || gb)) {
        Real* g = g_scratch_.data();
        for (std::size_t j = 0; j < k; ++j) {
            Real v = 0;
            if (ga && da != 0) v += check(da) * pa[j];
            if (gb && db != 0) v += check(db) * pb[j];
            g[j] = check(v);
        }
        any = (ga && da != 0) || (gb && db != 0);
    }
    bool any_h = false;
    if (order_ >= 2 && (ga || gb)) {
        Real* h = h_scratch_.data();
        const bool ha = ga && da != 0 && has_hess_[at(a)];
        const bool hb = gb && db != 0 && has_hess_[at(b)];
        const Real* qa = ha ? &hess_[at(a) * k * k] : nullptr;
        const Real* qb = hb ? &hess_[at(b) * k * k] : nullptr;
        for (std::size_t i = 0; i < k; ++i)
            for (std::size_t j = 0; j < k; ++j) {
                Real v = 0;
                if (ha) v += da * qa[i * k + j];
                if (hb) v += db * qb[i * k + j];
                if (ga && daa != 0) v += check(daa) * pa[i] * pa[j];
                if (ga && gb && dab != 0) v += check(dab) * (pa[i] * pb[j] + pb[i] * pa[j]);
                if (gb && dbb != 0) v += check(dbb) * pb[i] * pb[j];
                h[i * k + j] = check(v);
            }
        any_h = ha || hb || (ga && daa != 0) || (ga && gb && dab != 0) || (gb && dbb != 0);
    }
    val_[at(r)] = check(value);
    has_grad_[at(r)] = any || any_h;
    has_hess_[at(r)] = any_h;
    if (any || any_h) std::copy(g_scratch_.begin(), g_scratch_.end(), grad_.begin() + at(r) * k);
    if (!any && any_h) std::fill(grad_.begin() + at(r) * k, grad_.begin() + (at(r) + 1) * k, 0);
    if (any_h) std::copy(h_scratch_.begin(), h_scratch_.end(), hess_.begin() + at(r) * k * k);
}

void DerivativeEvaluator::load_cell(int r, int ref, int lag) {
    const int j = bind_->parameter ? bind_->parameter(ref, lag) : -1;
    if (j >= 0) {
        val_[at(r)] = bind_->values[static_cast<std::size_t>(j)];
        has_grad_[at(r)] = 1;
        has_hess_[at(r)] = 0;
        Real* g = &grad_[at(r) * k_];
        std::fill(g, g + k_, 0);
        g[static_cast<std::size_t>(j)] = 1;
        return;
    }
    Real v = 0;
    if (bind_->datum && bind_->datum(ref, lag, v)) {
        val_[at(r)] = v;
        has_grad_[at(r)] = 0;
        has_hess_[at(r)] = 0;
        return;
    }
    out_.unbound_ref = ref;
    out_.unbound_lag = lag;
    fail(DerivativeStatus::UNBOUND);
}

void DerivativeEvaluator::load_variables() {
    for (int cell = 1; cell <= p_->NF; ++cell)
        if (p_->direct[at(cell)]) load_cell(cell, p_->vars[at(cell)], 0);
    for (std::size_t c = 0; c < p_->constants.size(); ++c) {
        val_[at(p_->ICON0) + c] = p_->constants[c];
        has_grad_[at(p_->ICON0) + c] = 0;
        has_hess_[at(p_->ICON0) + c] = 0;
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
    load_cell(s.r, p_->vars[at(var)], static_cast<int>(n));
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
        set(s.r, sn, a, c * w, pc, -c * angle / period, -sn * w * w,
            (sn * angle - c) * w / period, (2 * c * angle - sn * angle * angle) / p2);
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
        set(s.r, x + y, s.a, 1, s.b, 1);
        return;
    case OP_SUB:
        set(s.r, x - y, s.a, 1, s.b, -1);
        return;
    case OP_MUL:
        set(s.r, x * y, s.a, y, s.b, x, 0, 1, 0);
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
        set(s.r, x == y ? 1 : 0, 0, 0);
        return;
    case OP_NE:
        set(s.r, x != y ? 1 : 0, 0, 0);
        return;
    case OP_LT:
        set(s.r, x < y ? 1 : 0, 0, 0);
        return;
    case OP_LE:
        set(s.r, x <= y ? 1 : 0, 0, 0);
        return;
    case OP_GT:
        set(s.r, x > y ? 1 : 0, 0, 0);
        return;
    case OP_GE:
        set(s.r, x >= y ? 1 : 0, 0, 0);
        return;
    case OP_OR:
        set(s.r, (x > 0 || y > 0) ? 1 : 0, 0, 0);
        return;
    case OP_AND:
        set(s.r, (x > 0 && y > 0) ? 1 : 0, 0, 0);
        return;
    case OP_NOT:
        set(s.r, x <= 0 ? 1 : 0, 0, 0);
        return;
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
    const std::size_t k = binding.values.size();
    const std::size_t cells = at(2 * p_->MAXVAR + 2);
    if (k != k_ || val_.size() != cells) {
        k_ = k;
        val_.assign(cells, 0);
        grad_.assign(cells * k, 0);
        has_grad_.assign(cells, 0);
        has_hess_.assign(cells, 0);
        g_scratch_.assign(k, 0);
        hess_.clear();
        h_scratch_.clear();
    }
    if (order_ >= 2 && hess_.size() != cells * k * k) {
        hess_.assign(cells * k * k, 0);
        h_scratch_.assign(k * k, 0);
    }
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
                    if (has_grad_[c])
                        std::copy(grad_.begin() + c * k, grad_.begin() + (c + 1) * k,
                                  out_.gradient.begin());
                }
                if (order_ >= 2) {
                    out_.hessian.assign(k * k, 0);
                    if (has_hess_[c])
                        std::copy(hess_.begin() + c * k * k, hess_.begin() + (c + 1) * k * k,
                                  out_.hessian.begin());
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
