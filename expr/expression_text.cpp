// The tree of a compiled statement, its chain-rule derivative and the printer of both.
#include "expr/expression_text.hpp"

#include "expr/arguments.hpp"
#include "expr/executor.hpp"
#include "numeric/decimal.hpp"
#include "numeric/qmath.hpp"
#include "numeric/real_digits.hpp"
#include "numeric/text.hpp"

#include <map>
#include <memory>
#include <vector>

namespace tarvex::expr {

namespace {

struct TermNode;
using Term = std::shared_ptr<const TermNode>;

// A number, a name (a variable, X(-1), $PI) or an operation on its arguments.
struct TermNode {
    enum Kind { NUMBER, NAME, OPERATION } kind = NUMBER;
    Real number = 0;
    std::string name;
    int op = 0;
    std::vector<Term> args;
};

Term number_term(Real v) {
    auto t = std::make_shared<TermNode>();
    t->number = v;
    return t;
}
Term name_term(std::string name) {
    auto t = std::make_shared<TermNode>();
    t->kind = TermNode::NAME;
    t->name = std::move(name);
    return t;
}
Term operation_term(int op, std::vector<Term> args) {
    auto t = std::make_shared<TermNode>();
    t->kind = TermNode::OPERATION;
    t->op = op;
    t->args = std::move(args);
    return t;
}

bool is_number(const Term& t, Real v) {
    return t->kind == TermNode::NUMBER && t->number == v;
}
bool is_zero_term(const Term& t) {
    return is_number(t, 0);
}

// The derivative's arithmetic, simplified only where the result is plain.
Term d_add(const Term& a, const Term& b) {
    if (is_zero_term(a)) return b;
    if (is_zero_term(b)) return a;
    return operation_term(OP_ADD, {a, b});
}
Term d_neg(const Term& a) {
    if (is_zero_term(a)) return a;
    if (a->kind == TermNode::NUMBER) return number_term(-a->number);
    if (a->kind == TermNode::OPERATION && a->op == OP_NEG) return a->args[0];
    return operation_term(OP_NEG, {a});
}
Term d_sub(const Term& a, const Term& b) {
    if (is_zero_term(b)) return a;
    if (is_zero_term(a)) return d_neg(b);
    return operation_term(OP_SUB, {a, b});
}
Term d_mul(const Term& a, const Term& b) {
    if (is_zero_term(a) || is_zero_term(b)) return number_term(0);
    if (is_number(a, 1)) return b;
    if (is_number(b, 1)) return a;
    return operation_term(OP_MUL, {a, b});
}
Term d_div(const Term& a, const Term& b) {
    if (is_zero_term(a)) return a;
    if (is_number(b, 1)) return a;
    return operation_term(OP_DIV, {a, b});
}
Term d_pow(const Term& a, const Term& b) {
    if (is_number(b, 1)) return a;
    if (is_zero_term(b)) return number_term(1);
    return operation_term(OP_POW, {a, b});
}
Term call(int op, std::vector<Term> args) {
    return operation_term(op, std::move(args));
}
Term pi_term() {
    return name_term("$PI");
}

// Raised when an operation's derivative has no written form.
struct NoForm {
    int op;
};

// Builds, for each cell, the term of its value and of its derivative.
class TermBuilder {
public:
    TermBuilder(const Program& p, int wrt, const std::function<std::string(int)>& name_of)
        : p_(p), d_(decode(p)), wrt_(wrt), name_of_(name_of) {}

    ExpressionText build() {
        ExpressionText out;
        Term final_value, final_derivative;
        bool derivative_ok = true;
        for (const Step& s : d_.steps) {
            if (s.op == OP_COMMA) continue;
            if (s.op == OP_END) {
                final_value = value(s.a);
                if (derivative_ok) final_derivative = derivative(s.a);
                break;
            }
            cells_[s.r] = value_of_step(s);
            if (!derivative_ok) continue;
            try {
                derivs_[s.r] = derivative_of_step(s);
            } catch (const NoForm& f) {
                derivative_ok = false;
                out.no_form_op = f.op;
            }
        }
        if (final_value) out.expression = print(final_value, 0);
        if (final_derivative) out.derivative = print(final_derivative, 0);
        return out;
    }

private:
    const Program& p_;
    Decoded d_;
    int wrt_;
    const std::function<std::string(int)>& name_of_;
    std::map<int, Term> cells_, derivs_;

    Term value(int cell) {
        if (p_.is_variable_cell(cell))
            return name_term(name_of_(p_.vars[static_cast<std::size_t>(cell)]));
        if (p_.is_constant_cell(cell))
            return number_term(p_.constants[static_cast<std::size_t>(cell - p_.ICON0)]);
        const auto it = cells_.find(cell);
        return it != cells_.end() ? it->second : number_term(0);
    }
    Term derivative(int cell) {
        if (p_.is_variable_cell(cell))
            return number_term(p_.vars[static_cast<std::size_t>(cell)] == wrt_ ? 1 : 0);
        if (p_.is_constant_cell(cell)) return number_term(0);
        const auto it = derivs_.find(cell);
        return it != derivs_.end() ? it->second : number_term(0);
    }
    std::vector<int> arguments(const Step& s) const {
        std::vector<int> out;
        for (int j = 0; j < s.nargs; ++j)
            out.push_back(d_.args[static_cast<std::size_t>(s.first_arg + j)]);
        return out;
    }
    // A lagged variable X(-n), or LAG(...) as written.
    Term lag_term(const Step& s) {
        const std::vector<int> args = arguments(s);
        const int var = args[0];
        if (p_.is_variable_cell(var) && (args.size() == 1 || p_.is_constant_cell(args[1]))) {
            const Real n = args.size() == 1
                               ? Real(1)
                               : p_.constants[static_cast<std::size_t>(args[1] - p_.ICON0)];
            if (n == static_cast<long long>(n) && n != 0) {
                const long long k = static_cast<long long>(n);
                return name_term(name_of_(p_.vars[static_cast<std::size_t>(var)]) + "(" +
                                 (k > 0 ? "-" : "+") + std::to_string(k > 0 ? k : -k) + ")");
            }
        }
        std::vector<Term> terms;
        for (int a : args) terms.push_back(value(a));
        return call(OP_LAG, terms);
    }

    Term value_of_step(const Step& s) {
        if (is_function(s.op)) {
            if (s.op == OP_LAG) return lag_term(s);
            std::vector<Term> terms;
            for (int a : arguments(s)) terms.push_back(value(a));
            return call(s.op, terms);
        }
        switch (s.op) {
        case OP_SUBSCRIPT:
            if (s.a == 0) return value(s.b);
            return call(OP_SUBSCRIPT, {value(s.a), value(s.b)});
        case OP_NEG:
        case OP_NOT:
            return operation_term(s.op, {value(s.a)});
        case OP_USER_CALL:
            return value(s.a);
        default:
            return operation_term(s.op, {value(s.a), value(s.b)});
        }
    }

    Term derivative_of_step(const Step& s) {
        if (is_function(s.op)) return function_derivative(s);
        const Term a = value(s.a), b = s.b > 0 ? value(s.b) : number_term(0);
        const Term da = derivative(s.a), db = s.b > 0 ? derivative(s.b) : number_term(0);
        switch (s.op) {
        case OP_ADD:
            return d_add(da, db);
        case OP_SUB:
            return d_sub(da, db);
        case OP_MUL:
            return d_add(d_mul(da, b), d_mul(a, db));
        case OP_DIV:
            return d_sub(d_div(da, b), d_div(d_mul(a, db), d_pow(b, number_term(2))));
        case OP_POW: {
            // d a**b = b a**(b-1) da + a**b LOG(a) db
            const Term lower =
                b->kind == TermNode::NUMBER ? number_term(b->number - 1) : d_sub(b, number_term(1));
            const Term first = is_zero_term(da) ? da : d_mul(d_mul(b, d_pow(a, lower)), da);
            const Term second =
                is_zero_term(db) ? db : d_mul(d_mul(s_value(s), call(OP_LOG, {a})), db);
            return d_add(first, second);
        }
        case OP_SUBSCRIPT:
            if (s.a == 0) return db;
            return number_term(0); // an element of a variable is held fixed
        case OP_NEG:
            return d_neg(da);
        case OP_USER_CALL:
            return da;
        case OP_E: {
            const Term first = operation_term(OP_E, {da, b});
            if (is_zero_term(db)) return is_zero_term(da) ? da : first;
            return d_add(is_zero_term(da) ? da : first,
                         d_mul(d_mul(s_value(s), call(OP_LOG, {number_term(10)})), db));
        }
        default:
            return number_term(0); // comparisons and logical operators are step functions
        }
    }
    Term s_value(const Step& s) { return cells_[s.r]; }

    Term function_derivative(const Step& s) {
        const std::vector<int> args = arguments(s);
        const Term a = value(args[0]);
        const Term da = derivative(args[0]);
        const Term r = s_value(s);
        auto chain = [&](const Term& factor) { return d_mul(factor, da); };
        auto square = [](const Term& t) { return d_pow(t, number_term(2)); };
        bool constant = true;
        for (int c : args) constant = constant && is_zero_term(derivative(c));
        if (constant && s.op != OP_LAG) return number_term(0);
        switch (s.op) {
        case OP_EXP:
            return chain(r);
        case OP_ABS:
            return chain(d_sub(call(OP_DUM, {a}), call(OP_DUM, {d_neg(a)})));
        case OP_LOG:
            return d_div(da, a);
        case OP_SQRT:
            return d_div(da, d_mul(number_term(2), r));
        case OP_INT:
        case OP_DUM:
        case OP_MISS:
            return number_term(0);
        case OP_LAG: {
            // LAG(X, 0) is X itself; other lags of a variable are held fixed.
            if (args.size() == 2 && p_.is_variable_cell(args[0]) && p_.is_constant_cell(args[1]) &&
                p_.constants[static_cast<std::size_t>(args[1] - p_.ICON0)] == 0)
                return da;
            if (p_.is_variable_cell(args[0])) return number_term(0);
            throw NoForm{s.op};
        }
        case OP_SIN: {
            if (args.size() == 1) return chain(call(OP_COS, {a}));
            const Term period = value(args[1]);
            if (!is_zero_term(derivative(args[1]))) throw NoForm{s.op};
            const Term w = d_div(d_mul(number_term(2), pi_term()), period);
            return chain(d_mul(call(OP_COS, {d_mul(w, a)}), w));
        }
        case OP_MIN:
        case OP_MAX: {
            if (args.size() != 2) throw NoForm{s.op};
            // The first argument unless the second is strictly beyond it.
            const Term b = value(args[1]), db = derivative(args[1]);
            const int beyond = s.op == OP_MAX ? OP_GT : OP_LT;
            const int within = s.op == OP_MAX ? OP_LE : OP_GE;
            return d_add(d_mul(operation_term(beyond, {b, a}), db),
                         d_mul(operation_term(within, {b, a}), da));
        }
        case OP_NCDF:
            return chain(d_div(call(OP_EXP, {d_div(d_neg(square(a)), number_term(2))}),
                               call(OP_SQRT, {d_mul(number_term(2), pi_term())})));
        case OP_MOD: {
            const Term b = value(args[1]), db = derivative(args[1]);
            return d_sub(da, d_mul(call(OP_INT, {d_div(a, b)}), db));
        }
        case OP_USER:
            return da;
        case OP_COS:
            return chain(d_neg(call(OP_SIN, {a})));
        case OP_TAN:
            return chain(d_add(number_term(1), square(r)));
        case OP_ATAN:
            return d_div(da, d_add(number_term(1), square(a)));
        case OP_ASIN:
            return d_div(da, call(OP_SQRT, {d_sub(number_term(1), square(a))}));
        case OP_ACOS:
            return d_neg(d_div(da, call(OP_SQRT, {d_sub(number_term(1), square(a))})));
        case OP_SINH:
            return chain(call(OP_COSH, {a}));
        case OP_COSH:
            return chain(call(OP_SINH, {a}));
        case OP_TANH:
            return chain(d_sub(number_term(1), square(r)));
        case OP_ERF:
        case OP_ERFC: {
            const Term d = d_div(d_mul(number_term(2), call(OP_EXP, {d_neg(square(a))})),
                                 call(OP_SQRT, {pi_term()}));
            return chain(s.op == OP_ERF ? d : d_neg(d));
        }
        case OP_INVNCDF:
            return chain(d_mul(call(OP_SQRT, {d_mul(number_term(2), pi_term())}),
                               call(OP_EXP, {d_div(square(r), number_term(2))})));
        case OP_LOG10:
            return d_div(da, d_mul(a, call(OP_LOG, {number_term(10)})));
        default:
            // LGAM and GAMMA (their derivatives need the digamma function), random numbers,
            // running sums and the functions of the observation.
            throw NoForm{s.op};
        }
    }

    // Binding strength of a term as printed (functions and names bind tightest).
    int strength(const Term& t) const {
        if (t->kind == TermNode::NUMBER) return t->number < 0 ? 8 : 11;
        if (t->kind == TermNode::NAME) return 11;
        if (is_function(t->op) || t->op == OP_SUBSCRIPT) return 11;
        if (t->op == OP_NEG) return 8;
        return STRENGTH[static_cast<std::size_t>(t->op)];
    }

    std::string print(const Term& t, int context) const {
        switch (t->kind) {
        case TermNode::NUMBER:
            // pi copied from $PI reads back as $PI.
            if (t->number == qm::PI) return "$PI";
            return t->number < 0 && context > 0 ? "(" + number_text(t->number) + ")"
                                                : number_text(t->number);
        case TermNode::NAME:
            return t->name;
        case TermNode::OPERATION:
            break;
        }
        const int op = t->op;
        if (is_function(op)) {
            std::string out(op_name(op));
            out += "(";
            for (std::size_t j = 0; j < t->args.size(); ++j)
                out += (j ? ", " : "") + print(t->args[j], 0);
            return out + ")";
        }
        if (op == OP_SUBSCRIPT) return print(t->args[0], 11) + "(" + print(t->args[1], 0) + ")";
        if (op == OP_NEG) {
            // A negation is bracketed inside any other operation, and its operand unless the
            // operand is a name, a function or a number: both bindings of the unary minus read it
            // alike.
            const std::string inner = strength(t->args[0]) >= 11 ? print(t->args[0], 11)
                                                                 : "(" + print(t->args[0], 0) + ")";
            return context > 0 ? "(-" + inner + ")" : "-" + inner;
        }
        if (op == OP_NOT) {
            const std::string inner = print(t->args[0], STRENGTH[OP_NOT]);
            return context > STRENGTH[OP_NOT] ? "(.NOT. " + inner + ")" : ".NOT. " + inner;
        }
        const int own = STRENGTH[static_cast<std::size_t>(op)];
        std::string sym;
        switch (op) {
        case OP_ADD:
            sym = "+";
            break;
        case OP_SUB:
            sym = "-";
            break;
        case OP_MUL:
            sym = "*";
            break;
        case OP_DIV:
            sym = "/";
            break;
        case OP_POW:
            sym = "**";
            break;
        default:
            sym = " ." + std::string(op_name(op)) + ". ";
            break;
        }
        const Term& left = t->args[0];
        const Term& right = t->args[1];
        // Equal strengths group left to right: a right operand of the same strength is bracketed.
        // A negation on the left of + or - needs no brackets under either binding.
        std::string l;
        if (left->kind == TermNode::OPERATION && left->op == OP_NEG &&
            (op == OP_ADD || op == OP_SUB))
            l = print(left, 0);
        else
            l = strength(left) < own || (left->kind == TermNode::OPERATION && left->op == OP_NEG)
                    ? "(" + print(left, 0) + ")"
                    : print(left, own);
        const std::string r =
            strength(right) <= own && !(right->kind == TermNode::NUMBER && right->number < 0)
                ? "(" + print(right, 0) + ")"
                : print(right, own + 1);
        const std::string out = l + sym + r;
        return context > own ? "(" + out + ")" : out;
    }
};

} // namespace

std::string number_text(Real value) {
    std::string text = round_trip_text(value);
    if (text.empty()) text = real_to_string(value, 36);
    std::string out;
    for (char c : text) {
        if (c == 'e') c = 'E';
        if (c == '+') continue;
        out += c;
    }
    return out;
}

ExpressionText expression_text(const Program& program, int wrt,
                               const std::function<std::string(int ref)>& name_of) {
    TermBuilder builder(program, wrt, name_of);
    return builder.build();
}

} // namespace tarvex::expr
