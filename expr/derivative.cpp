// GENRDF: runs a compiled statement once with every cell carrying its value and its gradient
// with respect to the parameters. Variable cells are parameters (unit gradients); constants
// have zero gradients; each operation applies its exact derivative rule.
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

struct Failure {
    DerivativeStatus status;
};

class Differentiator {
public:
    Differentiator(const Program& p, const ParameterBinding& b)
        : p_(p), bind_(b), d_(decode(p)), k_(b.values.size()) {}

    DerivativeResult run();

private:
    const Program& p_;
    const ParameterBinding& bind_;
    Decoded d_;
    std::size_t k_;
    std::vector<Real> val_;
    std::vector<std::vector<Real>> grad_; // empty: zero gradient
    DerivativeResult out_;

    [[noreturn]] void fail(DerivativeStatus s) { throw Failure{s}; }
    Real check(Real v) {
        if (qm::isnan(v) || qm::isinf(v)) fail(DerivativeStatus::UNDEFINED);
        return v;
    }
    std::size_t at(int cell) const { return static_cast<std::size_t>(cell); }

    // r := value with gradient da * grad(a) + db * grad(b) (b = 0: one operand).
    void set(int r, Real value, int a, Real da, int b = 0, Real db = 0) {
        std::vector<Real> g;
        auto add = [&](int cell, Real factor) {
            if (cell <= 0 || grad_[at(cell)].empty() || factor == 0) return;
            if (g.empty()) g.assign(k_, 0);
            const std::vector<Real>& src = grad_[at(cell)];
            for (std::size_t j = 0; j < k_; ++j) g[j] += check(factor) * src[j];
        };
        add(a, da);
        add(b, db);
        val_[at(r)] = check(value);
        for (Real v : g) check(v);
        grad_[at(r)] = std::move(g);
    }
    bool constant_gradient(int cell) const { return cell <= 0 || grad_[at(cell)].empty(); }

    void load_variables();
    void lag(const Step& s);
    void function(const Step& s);
    void binary(const Step& s);
};

void Differentiator::load_variables() {
    for (int cell = 1; cell <= p_.NF; ++cell) {
        if (!p_.direct[at(cell)]) continue;
        const int j = bind_.parameter(p_.vars[at(cell)], 0);
        if (j < 0) {
            out_.unbound_ref = p_.vars[at(cell)];
            out_.unbound_lag = 0;
            fail(DerivativeStatus::UNBOUND);
        }
        val_[at(cell)] = bind_.values[static_cast<std::size_t>(j)];
        grad_[at(cell)].assign(k_, 0);
        grad_[at(cell)][static_cast<std::size_t>(j)] = 1;
    }
    for (std::size_t c = 0; c < p_.constants.size(); ++c) {
        val_[at(p_.ICON0) + c] = p_.constants[c];
        grad_[at(p_.ICON0) + c].clear();
    }
}

// LAG(X, n) of a variable stands for the parameter of X lagged n observations.
void Differentiator::lag(const Step& s) {
    const int var = d_.args[static_cast<std::size_t>(s.first_arg)];
    if (!p_.is_variable_cell(var)) fail(DerivativeStatus::UNSUPPORTED);
    Real n = 1;
    if (s.nargs == 2) {
        const int nc = d_.args[static_cast<std::size_t>(s.first_arg + 1)];
        if (!constant_gradient(nc)) fail(DerivativeStatus::UNSUPPORTED);
        n = val_[at(nc)];
    }
    if (qm::trunc(n) != n || qm::abs(n) > 1000000) fail(DerivativeStatus::UNSUPPORTED);
    const int lag = static_cast<int>(n);
    const int j = bind_.parameter(p_.vars[at(var)], lag);
    if (j < 0) {
        out_.unbound_ref = p_.vars[at(var)];
        out_.unbound_lag = lag;
        fail(DerivativeStatus::UNBOUND);
    }
    val_[at(s.r)] = bind_.values[static_cast<std::size_t>(j)];
    grad_[at(s.r)].assign(k_, 0);
    grad_[at(s.r)][static_cast<std::size_t>(j)] = 1;
}

void Differentiator::function(const Step& s) {
    auto arg = [&](int j) { return d_.args[static_cast<std::size_t>(s.first_arg + j)]; };
    const int a = arg(0);
    const Real x = val_[at(a)];
    bool bad = false;
    switch (s.op) {
    case OP_EXP: {
        const Real e = exp_split(x, bad);
        if (bad) fail(DerivativeStatus::UNDEFINED);
        set(s.r, e, a, e);
        return;
    }
    case OP_ABS:
        set(s.r, qm::abs(x), a, x > 0 ? Real(1) : x < 0 ? Real(-1) : Real(0));
        return;
    case OP_LOG:
        if (!(x > 0)) fail(DerivativeStatus::UNDEFINED);
        set(s.r, qm::log(x), a, 1 / x);
        return;
    case OP_SQRT: {
        if (x < 0 || (x == 0 && !constant_gradient(a))) fail(DerivativeStatus::UNDEFINED);
        const Real r = qm::sqrt(x);
        set(s.r, r, a, r > 0 ? 1 / (2 * r) : Real(0));
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
            set(s.r, qm::sin(x), a, qm::cos(x));
            return;
        }
        const int pc = arg(1);
        const Real period = val_[at(pc)];
        if (period == 0) fail(DerivativeStatus::UNDEFINED);
        const Real angle = 2 * qm::PI * x / period;
        const Real c = qm::cos(angle);
        set(s.r, qm::sin(angle), a, c * 2 * qm::PI / period, pc, -c * angle / period);
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
    case OP_NCDF:
        set(s.r, ncdf(x), a, qm::exp(-x * x / 2) / qm::sqrt(2 * qm::PI));
        return;
    case OP_LGAM:
        if (!(x > 0)) fail(DerivativeStatus::UNDEFINED);
        set(s.r, qm::lgamma(x), a, digamma(x));
        return;
    case OP_MOD: {
        const int bc = arg(1);
        const Real y = val_[at(bc)];
        if (y == 0) fail(DerivativeStatus::UNDEFINED);
        set(s.r, qm::fmod(x, y), a, 1, bc, -qm::trunc(x / y));
        return;
    }
    case OP_USER:
        set(s.r, x, a, 1);
        return;
    default:
        // Random numbers, running sums, the observation counter and data-dependent functions
        // have no value at a set of coefficients.
        fail(DerivativeStatus::UNSUPPORTED);
    }
}

void Differentiator::binary(const Step& s) {
    const Real x = val_[at(s.a)];
    const Real y = s.b > 0 ? val_[at(s.b)] : Real(0);
    bool bad = false;
    switch (s.op) {
    case OP_ADD:
        set(s.r, x + y, s.a, 1, s.b, 1);
        return;
    case OP_SUB:
        set(s.r, x - y, s.a, 1, s.b, -1);
        return;
    case OP_MUL:
        set(s.r, x * y, s.a, y, s.b, x);
        return;
    case OP_DIV:
        if (y == 0) fail(DerivativeStatus::UNDEFINED);
        set(s.r, x / y, s.a, 1 / y, s.b, -x / (y * y));
        return;
    case OP_POW: {
        const Real r = power(x, y, bad);
        if (bad) fail(DerivativeStatus::UNDEFINED);
        // d/dx x**y = y x**(y-1); d/dy x**y = x**y ln x (needed only for a varying exponent).
        Real dx = 0;
        if (y != 0) {
            const Real lower = power(x, y - 1, bad);
            if (bad) fail(DerivativeStatus::UNDEFINED);
            dx = y * lower;
        }
        Real dy = 0;
        if (!constant_gradient(s.b)) {
            if (!(x > 0)) fail(DerivativeStatus::UNDEFINED);
            dy = r * qm::log(x);
        }
        set(s.r, r, s.a, dx, s.b, dy);
        return;
    }
    case OP_SUBSCRIPT:
        if (s.a != 0) fail(DerivativeStatus::UNSUPPORTED); // an element of a variable
        set(s.r, y, s.b, 1);
        return;
    case OP_NEG:
        set(s.r, -x, s.a, -1);
        return;
    case OP_E: {
        const Real scale = power(10, y, bad);
        if (bad) fail(DerivativeStatus::UNDEFINED);
        set(s.r, x * scale, s.a, scale, s.b, x * scale * qm::log(Real(10)));
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
        fail(DerivativeStatus::UNSUPPORTED);
    }
}

DerivativeResult Differentiator::run() {
    const std::size_t cells = at(2 * p_.MAXVAR + 2);
    val_.assign(cells, 0);
    grad_.assign(cells, {});
    try {
        load_variables();
        for (const Step& s : d_.steps) {
            if (s.op == OP_COMMA) continue;
            if (s.op == OP_END) {
                out_.value = val_[at(s.a)];
                out_.gradient = grad_[at(s.a)];
                out_.gradient.resize(k_, 0);
                out_.status = DerivativeStatus::OK;
                return out_;
            }
            if (s.op == OP_READ) fail(DerivativeStatus::UNSUPPORTED);
            if (is_function(s.op))
                function(s);
            else
                binary(s);
        }
        fail(DerivativeStatus::UNSUPPORTED); // no end of statement
    } catch (const Failure& f) {
        out_.status = f.status;
        out_.gradient.assign(k_, 0);
    }
    return out_;
}

} // namespace

DerivativeResult GENRDF(const Program& program, const ParameterBinding& binding) {
    Differentiator d(program, binding);
    return d.run();
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

} // namespace tarvex::expr
