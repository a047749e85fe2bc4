// The double-precision twin of the derivative generator: dense gradients and Hessians (the
// parameters are few where it is used), the first and second derivative rules of each operation
// as in derivative.cpp, and a failure on anything not finite.
#include "expr/double_derivative.hpp"

#include "expr/derivative.hpp"
#include "expr/scalar_functions.hpp"

#include <cmath>

namespace tarvex::expr {

namespace {

const double ROOT_2PI = 2.50662827463100050242;
const double TWO_OVER_ROOT_PI = 1.12837916709551257390;
const double LOG_10 = 2.30258509299404568402;

// A binary128 function for the few operations without a double one in the C library (the value
// is only a search's).
double via_binary128(int op, double x, bool& bad) {
    Real v;
    bad = !more_function(op, Real(x), v);
    return bad ? 0.0 : static_cast<double>(v);
}

bool has_double_rule(int op) {
    switch (op) {
    case OP_ADD:
    case OP_SUB:
    case OP_MUL:
    case OP_DIV:
    case OP_POW:
    case OP_SUBSCRIPT:
    case OP_NEG:
    case OP_COMMA:
    case OP_END:
    case OP_EXP:
    case OP_ABS:
    case OP_LOG:
    case OP_SQRT:
    case OP_INT:
    case OP_DUM:
    case OP_MISS:
    case OP_LAG:
    case OP_SIN:
    case OP_MIN:
    case OP_MAX:
    case OP_NCDF:
    case OP_LGAM:
    case OP_MOD:
    case OP_USER:
    case OP_USER_CALL:
    case OP_E:
    case OP_EQ:
    case OP_NE:
    case OP_LT:
    case OP_LE:
    case OP_GT:
    case OP_GE:
    case OP_OR:
    case OP_AND:
    case OP_NOT:
        return true;
    default:
        return is_more_function(op);
    }
}

} // namespace

DoubleDerivativeEvaluator::DoubleDerivativeEvaluator(const Program& program, DoubleBinding binding,
                                                     int k, bool second)
    : p_(&program), d_(decode(program)), bind_(std::move(binding)), k_(static_cast<std::size_t>(k)),
      second_(second) {
    const std::size_t cells = at(2 * p_->MAXVAR + 2);
    val_.assign(cells, 0);
    grad_.assign(cells * k_, 0);
    if (second_) hess_.assign(cells * k_ * k_, 0);
    varies_.assign(cells, 0);
    g_.assign(k_, 0);
    h_.assign(k_ * k_, 0);
    parameter_of_.assign(at(p_->NF) + 1, -1);
    for (int cell = 1; cell <= p_->NF; ++cell)
        parameter_of_[at(cell)] = bind_.parameter ? bind_.parameter(p_->vars[at(cell)], 0) : -1;
    for (std::size_t c = 0; c < p_->constants.size(); ++c)
        val_[at(p_->ICON0) + c] = static_cast<double>(p_->constants[c]);
}

bool DoubleDerivativeEvaluator::supported(const Program& program) {
    const Decoded d = decode(program);
    for (const Step& s : d.steps)
        if (!has_double_rule(s.op) || (s.op == OP_SUBSCRIPT && s.a != 0)) return false;
    return true;
}

void DoubleDerivativeEvaluator::set(int r, double value, int a, double da, int b, double db,
                                    double daa, double dab, double dbb) {
    if (!std::isfinite(value)) throw Undefined{};
    const bool va = varies(a), vb = varies(b);
    val_[at(r)] = value;
    if (!va && !vb) {
        varies_[at(r)] = 0;
        return;
    }
    const std::size_t k = k_;
    const double* ga = va ? &grad_[at(a) * k] : nullptr;
    const double* gb = vb ? &grad_[at(b) * k] : nullptr;
    for (std::size_t j = 0; j < k; ++j) g_[j] = (va ? da * ga[j] : 0.0) + (vb ? db * gb[j] : 0.0);
    if (second_) {
        const double* ha = va ? &hess_[at(a) * k * k] : nullptr;
        const double* hb = vb ? &hess_[at(b) * k * k] : nullptr;
        for (std::size_t i = 0; i < k; ++i)
            for (std::size_t j = i; j < k; ++j) {
                double v = 0;
                if (va) v += da * ha[i * k + j] + daa * ga[i] * ga[j];
                if (vb) v += db * hb[i * k + j] + dbb * gb[i] * gb[j];
                if (va && vb) v += dab * (ga[i] * gb[j] + gb[i] * ga[j]);
                h_[i * k + j] = v;
            }
        double* hr = &hess_[at(r) * k * k];
        for (std::size_t i = 0; i < k; ++i)
            for (std::size_t j = i; j < k; ++j) hr[i * k + j] = hr[j * k + i] = h_[i * k + j];
    }
    double* gr = &grad_[at(r) * k];
    for (std::size_t j = 0; j < k; ++j) gr[j] = g_[j];
    varies_[at(r)] = 1;
}

void DoubleDerivativeEvaluator::load(int r, int ref, int lag, int parameter, const double* b) {
    const std::size_t cr = at(r);
    if (parameter >= 0) {
        val_[cr] = b[parameter];
        double* g = &grad_[cr * k_];
        for (std::size_t j = 0; j < k_; ++j) g[j] = 0;
        g[parameter] = 1;
        if (second_)
            for (std::size_t j = 0; j < k_ * k_; ++j) hess_[cr * k_ * k_ + j] = 0;
        varies_[cr] = 1;
        return;
    }
    double v = 0;
    if (!bind_.datum || !bind_.datum(ref, lag, v)) throw Undefined{};
    val_[cr] = v;
    varies_[cr] = 0;
}

void DoubleDerivativeEvaluator::function(const Step& s, const double* b) {
    auto arg = [&](int j) { return d_.args[static_cast<std::size_t>(s.first_arg + j)]; };
    const int a = arg(0);
    const double x = val_[at(a)];
    bool bad = false;
    switch (s.op) {
    case OP_EXP: {
        const double e = std::exp(x);
        set(s.r, e, a, e, 0, 0, e);
        return;
    }
    case OP_ABS:
        set(s.r, std::fabs(x), a, x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0);
        return;
    case OP_LOG:
    case OP_LOG10: {
        if (!(x > 0)) throw Undefined{};
        const double unit = s.op == OP_LOG ? 1.0 : 1.0 / LOG_10;
        set(s.r, s.op == OP_LOG ? std::log(x) : std::log10(x), a, unit / x, 0, 0, -unit / (x * x));
        return;
    }
    case OP_SQRT: {
        if (x < 0 || (x == 0 && varies(a))) throw Undefined{};
        const double r = std::sqrt(x);
        set(s.r, r, a, r > 0 ? 1 / (2 * r) : 0.0, 0, 0, r > 0 ? -1 / (4 * r * x) : 0.0);
        return;
    }
    case OP_INT:
        set(s.r, std::trunc(x), 0, 0);
        return;
    case OP_DUM:
        set(s.r, x > 0 ? 1 : 0, 0, 0);
        return;
    case OP_MISS:
        set(s.r, 0, 0, 0);
        return;
    case OP_LAG: {
        if (!p_->is_variable_cell(a)) throw Undefined{};
        double n = 1;
        if (s.nargs == 2) {
            const int nc = arg(1);
            if (varies(nc)) throw Undefined{};
            n = val_[at(nc)];
        }
        if (std::trunc(n) != n || std::fabs(n) > 1000000) throw Undefined{};
        const int ref = p_->vars[at(a)];
        load(s.r, ref, static_cast<int>(n),
             bind_.parameter ? bind_.parameter(ref, static_cast<int>(n)) : -1, b);
        return;
    }
    case OP_SIN: {
        if (s.nargs == 1) {
            const double sn = std::sin(x);
            set(s.r, sn, a, std::cos(x), 0, 0, -sn);
            return;
        }
        const int pc = arg(1);
        const double period = val_[at(pc)];
        if (period == 0) throw Undefined{};
        const double w = 2 * M_PI / period, angle = w * x;
        const double c = std::cos(angle), sn = std::sin(angle), p2 = period * period;
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
        const double density = std::exp(-x * x / 2) / ROOT_2PI;
        set(s.r, 0.5 * std::erfc(-x * M_SQRT1_2), a, density, 0, 0, -x * density);
        return;
    }
    case OP_LGAM: {
        if (!(x > 0)) throw Undefined{};
        int sign = 0;
        set(s.r, lgamma_r(x, &sign), a, static_cast<double>(digamma(Real(x))), 0, 0,
            static_cast<double>(trigamma(Real(x))));
        return;
    }
    case OP_MOD: {
        const int bc = arg(1);
        const double y = val_[at(bc)];
        if (y == 0) throw Undefined{};
        set(s.r, std::fmod(x, y), a, 1, bc, -std::trunc(x / y));
        return;
    }
    case OP_USER:
        set(s.r, x, a, 1);
        return;
    case OP_COS: {
        const double c = std::cos(x);
        set(s.r, c, a, -std::sin(x), 0, 0, -c);
        return;
    }
    case OP_TAN: {
        const double t = std::tan(x), d = 1 + t * t;
        set(s.r, t, a, d, 0, 0, 2 * t * d);
        return;
    }
    case OP_ATAN: {
        const double d = 1 / (1 + x * x);
        set(s.r, std::atan(x), a, d, 0, 0, -2 * x * d * d);
        return;
    }
    case OP_ASIN:
    case OP_ACOS: {
        if (!(std::fabs(x) < 1)) throw Undefined{};
        const double w = 1 - x * x, d = 1 / std::sqrt(w), sign = s.op == OP_ASIN ? 1 : -1;
        set(s.r, s.op == OP_ASIN ? std::asin(x) : std::acos(x), a, sign * d, 0, 0,
            sign * x * d / w);
        return;
    }
    case OP_SINH:
        set(s.r, std::sinh(x), a, std::cosh(x), 0, 0, std::sinh(x));
        return;
    case OP_COSH:
        set(s.r, std::cosh(x), a, std::sinh(x), 0, 0, std::cosh(x));
        return;
    case OP_TANH: {
        const double t = std::tanh(x), d = 1 - t * t;
        set(s.r, t, a, d, 0, 0, -2 * t * d);
        return;
    }
    case OP_ERF:
    case OP_ERFC: {
        const double sign = s.op == OP_ERF ? 1 : -1;
        const double d = sign * TWO_OVER_ROOT_PI * std::exp(-x * x);
        set(s.r, s.op == OP_ERF ? std::erf(x) : std::erfc(x), a, d, 0, 0, -2 * x * d);
        return;
    }
    case OP_GAMMA: {
        const double g = via_binary128(OP_GAMMA, x, bad);
        if (bad) throw Undefined{};
        const double psi = static_cast<double>(digamma(Real(x)));
        set(s.r, g, a, g * psi, 0, 0, g * (psi * psi + static_cast<double>(trigamma(Real(x)))));
        return;
    }
    case OP_INVNCDF: {
        const double q = via_binary128(OP_INVNCDF, x, bad);
        if (bad) throw Undefined{};
        const double density = std::exp(-q * q / 2) / ROOT_2PI;
        if (!(density > 0)) throw Undefined{};
        const double d = 1 / density;
        set(s.r, q, a, d, 0, 0, q * d * d);
        return;
    }
    default:
        throw Undefined{};
    }
}

void DoubleDerivativeEvaluator::binary(const Step& s) {
    const double x = val_[at(s.a)];
    const double y = s.b > 0 ? val_[at(s.b)] : 0.0;
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
        if (y == 0) throw Undefined{};
        const double q = x / y;
        set(s.r, q, s.a, 1 / y, s.b, -q / y, 0, -1 / (y * y), 2 * q / (y * y));
        return;
    }
    case OP_POW: {
        const bool whole = std::trunc(y) == y;
        if ((x < 0 && !whole) || (x == 0 && y < 0)) throw Undefined{};
        const double r = std::pow(x, y);
        double dx = 0, dxx = 0, dxy = 0, dy = 0, dyy = 0;
        if (y != 0) {
            dx = y * std::pow(x, y - 1);
            if (second_ && varies(s.a) && y != 1) dxx = y * (y - 1) * std::pow(x, y - 2);
        }
        if (varies(s.b)) {
            if (!(x > 0)) throw Undefined{};
            const double lx = std::log(x);
            dy = r * lx;
            dyy = dy * lx;
            dxy = std::pow(x, y - 1) * (1 + y * lx);
        }
        set(s.r, r, s.a, dx, s.b, dy, dxx, dxy, dyy);
        return;
    }
    case OP_SUBSCRIPT:
        set(s.r, y, s.b, 1);
        return;
    case OP_NEG:
        set(s.r, -x, s.a, -1);
        return;
    case OP_E: {
        const double scale = std::pow(10.0, y);
        set(s.r, x * scale, s.a, scale, s.b, x * scale * LOG_10, 0, scale * LOG_10,
            x * scale * LOG_10 * LOG_10);
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
        throw Undefined{};
    }
}

const DoubleDerivative& DoubleDerivativeEvaluator::evaluate(const double* b) {
    out_.ok = false;
    try {
        for (int cell = 1; cell <= p_->NF; ++cell)
            if (p_->direct[at(cell)]) load(cell, p_->vars[at(cell)], 0, parameter_of_[at(cell)], b);
        for (const Step& s : d_.steps) {
            if (s.op == OP_COMMA) continue;
            if (s.op == OP_END) {
                const std::size_t c = at(s.a);
                const bool v = varies(s.a);
                out_.value = val_[c];
                for (std::size_t j = 0; j < k_; ++j) g_[j] = v ? grad_[c * k_ + j] : 0.0;
                out_.gradient = g_.data();
                if (second_) {
                    for (std::size_t j = 0; j < k_ * k_; ++j)
                        h_[j] = v ? hess_[c * k_ * k_ + j] : 0.0;
                    out_.hessian = h_.data();
                }
                out_.ok = true;
                return out_;
            }
            if (is_function(s.op))
                function(s, b);
            else
                binary(s);
        }
    } catch (const Undefined&) {
    }
    return out_;
}

} // namespace tarvex::expr
