// The block form of the double-precision derivative generator: the row-at-a-time evaluator's
// rules (double_derivative.cpp) written as loops over the rows of a block, each cell's gradient
// and Hessian kept only in the entries its form allows (a pattern fixed by the statement, the
// same at every row).
#include "expr/double_block_derivative.hpp"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <type_traits>

// The loops over a block's rows are vectorised (each element the same operations as alone: the
// same bits), also where the length or the arrays' overlap is known only at run time.
#pragma GCC push_options
#pragma GCC optimize("vect-cost-model=dynamic")

namespace tarvex::expr {

namespace {

const double BLOCK_ROOT_2PI = 2.50662827463100050242;
const double BLOCK_LOG_10 = 2.30258509299404568402;

bool has_block_rule(const Step& s) {
    switch (s.op) {
    case OP_ADD:
    case OP_SUB:
    case OP_MUL:
    case OP_DIV:
    case OP_POW:
    case OP_NEG:
    case OP_COMMA:
    case OP_END:
    case OP_EXP:
    case OP_ABS:
    case OP_LOG:
    case OP_LOG10:
    case OP_SQRT:
    case OP_INT:
    case OP_DUM:
    case OP_NCDF:
    case OP_USER:
    case OP_USER_CALL:
    case OP_COS:
    case OP_TANH:
    case OP_ATAN:
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
    case OP_SIN:
        return s.nargs == 1;
    case OP_SUBSCRIPT:
        return s.a == 0;
    default:
        return false;
    }
}

// The Hessian pattern of the products of the entries in m1 with those in m2 (bit 8 i + j,
// i <= j).
std::uint64_t outer(std::uint64_t m1, std::uint64_t m2) {
    std::uint64_t out = 0;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j)
            if ((m1 >> i & 1) && (m2 >> j & 1))
                out |= std::uint64_t(1) << (i <= j ? 8 * i + j : 8 * j + i);
    return out;
}

} // namespace

bool DoubleBlockEvaluator::supported(const Program& program, int k) {
    if (k < 0 || k > MOST_PARAMETERS || program.matrix) return false;
    const Decoded d = decode(program);
    for (const Step& s : d.steps)
        if (!has_block_rule(s)) return false;
    return true;
}

DoubleBlockEvaluator::DoubleBlockEvaluator(const Program& program, DoubleBlockBinding binding,
                                           int k, bool second)
    : p_(&program), d_(decode(program)), bind_(std::move(binding)), k_(static_cast<std::size_t>(k)),
      second_(second) {
    // The cells in use: the variables read, the constants and every operand and result.
    slot_.assign(static_cast<std::size_t>(2 * p_->MAXVAR + 2), -1);
    int used = 0;
    auto use = [&](int cell) {
        if (cell > 0 && slot_[static_cast<std::size_t>(cell)] < 0)
            slot_[static_cast<std::size_t>(cell)] = used++;
    };
    for (int cell = 1; cell <= p_->NF; ++cell)
        if (p_->direct[static_cast<std::size_t>(cell)]) use(cell);
    for (std::size_t c = 0; c < p_->constants.size(); ++c) use(p_->ICON0 + static_cast<int>(c));
    for (const Step& s : d_.steps) {
        use(s.a);
        if (s.op != OP_END) use(s.r);
        if (s.b > 0) use(s.b);
        for (int j = 0; j < s.nargs; ++j) use(d_.args[static_cast<std::size_t>(s.first_arg + j)]);
    }
    const std::size_t cells = static_cast<std::size_t>(used);
    val_.assign(cells * BLOCK, 0);
    grad_.assign(cells * k_ * BLOCK, 0);
    if (second_) hess_.assign(cells * k_ * k_ * BLOCK, 0);
    gmask_.assign(cells, 0);
    hmask_.assign(cells, 0);
    zeros_.assign(BLOCK, 0);
    scratch_.assign(6 * BLOCK, 0);
    constants_.assign(5 * BLOCK, 0);
    g_.assign(k_ * BLOCK, 0);
    h_.assign(second_ ? k_ * k_ * BLOCK : 0, 0);
    parameter_of_.assign(static_cast<std::size_t>(p_->NF) + 1, -1);
    for (int cell = 1; cell <= p_->NF; ++cell)
        parameter_of_[static_cast<std::size_t>(cell)] =
            bind_.parameter ? bind_.parameter(p_->vars[static_cast<std::size_t>(cell)]) : -1;
    for (std::size_t c = 0; c < p_->constants.size(); ++c)
        for (std::size_t i = 0; i < BLOCK; ++i)
            val_[at(p_->ICON0 + static_cast<int>(c)) * BLOCK + i] =
                static_cast<double>(p_->constants[c]);
}

const double* DoubleBlockEvaluator::grad_of(int cell, std::size_t j) const {
    if (cell <= 0 || !(gmask_[at(cell)] >> j & 1)) return zeros_.data();
    return &grad_[(at(cell) * k_ + j) * BLOCK];
}

const double* DoubleBlockEvaluator::hess_of(int cell, std::size_t i, std::size_t j) const {
    if (cell <= 0 || !(hmask_[at(cell)] >> (8 * i + j) & 1)) return zeros_.data();
    return &hess_[((at(cell) * k_ + i) * k_ + j) * BLOCK];
}

const double* DoubleBlockEvaluator::gradient(int j) const {
    const double* g = grad_of(result_, static_cast<std::size_t>(j));
    return g == zeros_.data() ? nullptr : g;
}

const double* DoubleBlockEvaluator::hessian(int i, int j) const {
    const double* h = hess_of(result_, static_cast<std::size_t>(i), static_cast<std::size_t>(j));
    return h == zeros_.data() ? nullptr : h;
}

const double* DoubleBlockEvaluator::rows_of(Coefficient c, int slot) {
    if (c.row != nullptr) return c.row;
    double* spread = &constants_[static_cast<std::size_t>(slot) * BLOCK];
    for (std::size_t i = 0; i < count_; ++i) spread[i] = c.constant;
    return spread;
}

void DoubleBlockEvaluator::set(int r, const double* value, int a, Coefficient da, int b,
                               Coefficient db, Coefficient daa, Coefficient dab, Coefficient dbb) {
    const std::size_t n = count_, cr = at(r);
    // Every row looked at (no exit from the loop, which keeps it one pass of vector compares).
    bool finite = true;
    for (std::size_t i = 0; i < n; ++i) finite &= std::fabs(value[i]) <= DBL_MAX;
    if (!finite) throw Undefined{};
    const bool va = varies(a), vb = varies(b);
    const std::uint64_t ga_mask = va ? gmask_[at(a)] : 0, gb_mask = vb ? gmask_[at(b)] : 0;
    std::uint64_t hm = 0;
    if (second_) {
        if (va) hm |= hmask_[at(a)] | (daa.present() ? outer(ga_mask, ga_mask) : 0);
        if (vb) hm |= hmask_[at(b)] | (dbb.present() ? outer(gb_mask, gb_mask) : 0);
        if (va && vb && dab.present()) hm |= outer(ga_mask, gb_mask);
    }
    // Each coefficient over the rows (a constant one spread out), so that the loops below read
    // plain arrays.
    const double *pa = rows_of(da, 0), *pb = rows_of(db, 1), *paa = rows_of(daa, 2),
                 *pab = rows_of(dab, 3), *pbb = rows_of(dbb, 4);
    // The derivatives are formed in full before any is stored: r may be a or b. The loops have
    // one form for each pair (va, vb), with the row-at-a-time evaluator's operations.
    double *g = g_.data(), *h = h_.data();
    const std::uint64_t gm = ga_mask | gb_mask;
    for (std::size_t j = 0; j < k_; ++j) {
        if (!(gm >> j & 1)) continue;
        const double *ga = grad_of(a, j), *gb = grad_of(b, j);
        double* out = &g[j * n];
        if (va && vb)
            for (std::size_t i = 0; i < n; ++i) out[i] = pa[i] * ga[i] + pb[i] * gb[i];
        else if (va)
            for (std::size_t i = 0; i < n; ++i) out[i] = pa[i] * ga[i] + 0.0;
        else
            for (std::size_t i = 0; i < n; ++i) out[i] = 0.0 + pb[i] * gb[i];
    }
    auto second = [&](auto with_a, auto with_b, std::size_t p, std::size_t q) {
        const double *ha = hess_of(a, p, q), *hb = hess_of(b, p, q);
        const double *gap = grad_of(a, p), *gaq = grad_of(a, q);
        const double *gbp = grad_of(b, p), *gbq = grad_of(b, q);
        double* out = &h[(p * k_ + q) * n];
        for (std::size_t i = 0; i < n; ++i) {
            double v = 0;
            if constexpr (with_a()) v += pa[i] * ha[i] + paa[i] * gap[i] * gaq[i];
            if constexpr (with_b()) v += pb[i] * hb[i] + pbb[i] * gbp[i] * gbq[i];
            if constexpr (with_a() && with_b()) v += pab[i] * (gap[i] * gbq[i] + gbp[i] * gaq[i]);
            out[i] = v;
        }
    };
    for (std::size_t p = 0; p < k_; ++p)
        for (std::size_t q = p; q < k_; ++q) {
            if (!(hm >> (8 * p + q) & 1)) continue;
            if (va && vb)
                second(std::true_type{}, std::true_type{}, p, q);
            else if (va)
                second(std::true_type{}, std::false_type{}, p, q);
            else
                second(std::false_type{}, std::true_type{}, p, q);
        }
    std::memmove(&val_[cr * BLOCK], value, n * sizeof(double));
    for (std::size_t j = 0; j < k_; ++j)
        if (gm >> j & 1) std::memcpy(&grad_[(cr * k_ + j) * BLOCK], &g[j * n], n * sizeof(double));
    for (std::size_t p = 0; p < k_; ++p)
        for (std::size_t q = p; q < k_; ++q)
            if (hm >> (8 * p + q) & 1)
                std::memcpy(&hess_[((cr * k_ + p) * k_ + q) * BLOCK], &h[(p * k_ + q) * n],
                            n * sizeof(double));
    gmask_[cr] = gm;
    hmask_[cr] = hm;
}

void DoubleBlockEvaluator::function(const Step& s) {
    const int a = d_.args[static_cast<std::size_t>(s.first_arg)];
    const double* x = &val_[at(a) * BLOCK];
    const std::size_t n = count_;
    double *v = scratch(0), *d1 = scratch(1), *d2 = scratch(2);
    switch (s.op) {
    case OP_EXP:
        for (std::size_t i = 0; i < n; ++i) v[i] = std::exp(x[i]);
        set(s.r, v, a, {v}, 0, {}, {v});
        return;
    case OP_ABS:
        for (std::size_t i = 0; i < n; ++i) {
            v[i] = std::fabs(x[i]);
            d1[i] = x[i] > 0 ? 1.0 : x[i] < 0 ? -1.0 : 0.0;
        }
        set(s.r, v, a, {d1});
        return;
    case OP_LOG:
    case OP_LOG10: {
        const double unit = s.op == OP_LOG ? 1.0 : 1.0 / BLOCK_LOG_10;
        for (std::size_t i = 0; i < n; ++i) {
            if (!(x[i] > 0)) throw Undefined{};
            v[i] = s.op == OP_LOG ? std::log(x[i]) : std::log10(x[i]);
            d1[i] = unit / x[i];
            d2[i] = -unit / (x[i] * x[i]);
        }
        set(s.r, v, a, {d1}, 0, {}, {d2});
        return;
    }
    case OP_SQRT:
        for (std::size_t i = 0; i < n; ++i) {
            if (x[i] < 0 || (x[i] == 0 && varies(a))) throw Undefined{};
            const double r = std::sqrt(x[i]);
            v[i] = r;
            d1[i] = r > 0 ? 1 / (2 * r) : 0.0;
            d2[i] = r > 0 ? -1 / (4 * r * x[i]) : 0.0;
        }
        set(s.r, v, a, {d1}, 0, {}, {d2});
        return;
    case OP_INT:
        for (std::size_t i = 0; i < n; ++i) v[i] = std::trunc(x[i]);
        set(s.r, v, 0, {});
        return;
    case OP_DUM:
        for (std::size_t i = 0; i < n; ++i) v[i] = x[i] > 0 ? 1 : 0;
        set(s.r, v, 0, {});
        return;
    case OP_USER:
        set(s.r, x, a, {nullptr, 1});
        return;
    case OP_SIN:
        for (std::size_t i = 0; i < n; ++i) {
            v[i] = std::sin(x[i]);
            d1[i] = std::cos(x[i]);
            d2[i] = -v[i];
        }
        set(s.r, v, a, {d1}, 0, {}, {d2});
        return;
    case OP_COS:
        for (std::size_t i = 0; i < n; ++i) {
            v[i] = std::cos(x[i]);
            d1[i] = -std::sin(x[i]);
            d2[i] = -v[i];
        }
        set(s.r, v, a, {d1}, 0, {}, {d2});
        return;
    case OP_NCDF:
        for (std::size_t i = 0; i < n; ++i) {
            const double density = std::exp(-x[i] * x[i] / 2) / BLOCK_ROOT_2PI;
            v[i] = 0.5 * std::erfc(-x[i] * M_SQRT1_2);
            d1[i] = density;
            d2[i] = -x[i] * density;
        }
        set(s.r, v, a, {d1}, 0, {}, {d2});
        return;
    case OP_TANH:
        for (std::size_t i = 0; i < n; ++i) {
            const double t = std::tanh(x[i]), d = 1 - t * t;
            v[i] = t;
            d1[i] = d;
            d2[i] = -2 * t * d;
        }
        set(s.r, v, a, {d1}, 0, {}, {d2});
        return;
    case OP_ATAN:
        for (std::size_t i = 0; i < n; ++i) {
            const double d = 1 / (1 + x[i] * x[i]);
            v[i] = std::atan(x[i]);
            d1[i] = d;
            d2[i] = -2 * x[i] * d * d;
        }
        set(s.r, v, a, {d1}, 0, {}, {d2});
        return;
    default:
        throw Undefined{};
    }
}

void DoubleBlockEvaluator::binary(const Step& s) {
    const std::size_t n = count_;
    const double* x = &val_[at(s.a) * BLOCK];
    const double* y = s.b > 0 ? &val_[at(s.b) * BLOCK] : zeros_.data();
    double *v = scratch(0), *d1 = scratch(1), *d2 = scratch(2), *d11 = scratch(3),
           *d12 = scratch(4), *d22 = scratch(5);
    // A comparison or logical operation: 1 where it holds, no derivative. The operation is a
    // constant of each loop, so the one rule's switch is settled outside it.
    auto compare = [&](auto op) {
        for (std::size_t i = 0; i < n; ++i) {
            bool truth = false;
            logical_operation(decltype(op)::value, x[i], y[i], truth);
            v[i] = truth ? 1 : 0;
        }
        set(s.r, v, 0, {});
    };
    switch (s.op) {
    case OP_ADD:
        for (std::size_t i = 0; i < n; ++i) v[i] = x[i] + y[i];
        set(s.r, v, s.a, {nullptr, 1}, s.b, {nullptr, 1});
        return;
    case OP_SUB:
        for (std::size_t i = 0; i < n; ++i) v[i] = x[i] - y[i];
        set(s.r, v, s.a, {nullptr, 1}, s.b, {nullptr, -1});
        return;
    case OP_MUL:
        for (std::size_t i = 0; i < n; ++i) v[i] = x[i] * y[i];
        set(s.r, v, s.a, {y}, s.b, {x}, {}, {nullptr, 1}, {});
        return;
    case OP_DIV:
        for (std::size_t i = 0; i < n; ++i) {
            if (y[i] == 0) throw Undefined{};
            const double q = x[i] / y[i];
            v[i] = q;
            d1[i] = 1 / y[i];
            d2[i] = -q / y[i];
            d12[i] = -1 / (y[i] * y[i]);
            d22[i] = 2 * q / (y[i] * y[i]);
        }
        set(s.r, v, s.a, {d1}, s.b, {d2}, {}, {d12}, {d22});
        return;
    case OP_POW: {
        const bool exponent_varies = varies(s.b);
        const bool curved = second_ && varies(s.a);
        for (std::size_t i = 0; i < n; ++i) {
            const double xi = x[i], yi = y[i];
            const bool whole = std::trunc(yi) == yi;
            if ((xi < 0 && !whole) || (xi == 0 && yi < 0)) throw Undefined{};
            const double r = std::pow(xi, yi);
            double dx = 0, dxx = 0, dxy = 0, dy = 0, dyy = 0;
            if (yi != 0) {
                dx = yi * std::pow(xi, yi - 1);
                if (curved && yi != 1) dxx = yi * (yi - 1) * std::pow(xi, yi - 2);
            }
            if (exponent_varies) {
                if (!(xi > 0)) throw Undefined{};
                const double lx = std::log(xi);
                dy = r * lx;
                dyy = dy * lx;
                dxy = std::pow(xi, yi - 1) * (1 + yi * lx);
            }
            v[i] = r;
            d1[i] = dx;
            d2[i] = dy;
            d11[i] = dxx;
            d12[i] = dxy;
            d22[i] = dyy;
        }
        set(s.r, v, s.a, {d1}, s.b, {d2}, {d11}, {d12}, {d22});
        return;
    }
    case OP_SUBSCRIPT:
        set(s.r, y, s.b, {nullptr, 1});
        return;
    case OP_NEG:
        for (std::size_t i = 0; i < n; ++i) v[i] = -x[i];
        set(s.r, v, s.a, {nullptr, -1});
        return;
    case OP_EQ:
        return compare(std::integral_constant<int, OP_EQ>{});
    case OP_NE:
        return compare(std::integral_constant<int, OP_NE>{});
    case OP_LT:
        return compare(std::integral_constant<int, OP_LT>{});
    case OP_LE:
        return compare(std::integral_constant<int, OP_LE>{});
    case OP_GT:
        return compare(std::integral_constant<int, OP_GT>{});
    case OP_GE:
        return compare(std::integral_constant<int, OP_GE>{});
    case OP_OR:
        return compare(std::integral_constant<int, OP_OR>{});
    case OP_AND:
        return compare(std::integral_constant<int, OP_AND>{});
    case OP_NOT:
        return compare(std::integral_constant<int, OP_NOT>{});
    case OP_USER_CALL:
        set(s.r, x, s.a, {nullptr, 1});
        return;
    default:
        throw Undefined{};
    }
}

bool DoubleBlockEvaluator::evaluate(const double* b, std::size_t count) {
    count_ = count;
    try {
        for (int cell = 1; cell <= p_->NF; ++cell) {
            if (!p_->direct[static_cast<std::size_t>(cell)]) continue;
            const std::size_t c = at(cell);
            double* v = &val_[c * BLOCK];
            const int parameter = parameter_of_[static_cast<std::size_t>(cell)];
            hmask_[c] = 0;
            if (parameter >= 0) {
                for (std::size_t i = 0; i < count; ++i) v[i] = b[parameter];
                double* g = &grad_[(c * k_ + static_cast<std::size_t>(parameter)) * BLOCK];
                for (std::size_t i = 0; i < count; ++i) g[i] = 1;
                gmask_[c] = std::uint64_t(1) << parameter;
                continue;
            }
            gmask_[c] = 0;
            if (!bind_.data || !bind_.data(p_->vars[static_cast<std::size_t>(cell)], count, v))
                throw Undefined{};
        }
        for (const Step& s : d_.steps) {
            if (s.op == OP_COMMA) continue;
            if (s.op == OP_END) {
                result_ = s.a;
                return true;
            }
            if (is_function(s.op))
                function(s);
            else
                binary(s);
        }
    } catch (const Undefined&) {
    }
    return false;
}

} // namespace tarvex::expr

#pragma GCC pop_options
