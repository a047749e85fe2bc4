// GENRDF, the derivative generator: evaluates a compiled statement together with its exact
// gradient (and, on request, its exact Hessian) with respect to a set of parameters, carrying
// value and derivatives through every instruction (forward-mode differentiation in binary128).
// A linear statement gives its exact coefficient row; a non-linear one the exact derivatives
// at the given parameter values. Variables that are not parameters may be data: their value
// at the observation being evaluated enters with zero derivatives.
#pragma once

#include "expr/executor.hpp"
#include "expr/program.hpp"
#include "numeric/real.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarvex::expr {

// How the variable cells of a program stand for parameters: `parameter(ref, lag)` gives the
// index (0-based) of the parameter that the variable `ref` lagged `lag` observations stands
// for, or -1 when there is none. `values` holds the parameter values. `datum(ref, lag, v)`,
// when set, gives the value of a variable that is not a parameter (data at the observation
// being evaluated, lagged `lag` observations); it returns false when there is none.
//
// An evaluator asks `parameter` once per variable cell for each binding it is given (its answers
// must not change while it evaluates with that binding); lagged cells ask it at every evaluation.
//
// By default the derivatives are taken with respect to each parameter. With `seeds` (K rows of
// D values, row-major) they are taken along D directions instead: parameter j moves by
// seeds[j*D + d] along direction d, so that D = 1 and seeds = v give the derivatives of
// f(b + t v) in t (the second one is v'Hv) at the cost of one direction.
struct ParameterBinding {
    std::function<int(int ref, int lag)> parameter;
    std::vector<Real> values;
    std::function<bool(int ref, int lag, Real& value)> datum;
    std::vector<Real> seeds;
    int directions = 0; // D; 0: the parameters themselves
};

enum class DerivativeStatus {
    OK,
    UNBOUND,     // a variable (or one of its lags) stands for no parameter: `unbound_ref`
    UNSUPPORTED, // an operation without a derivative here (random numbers, running sums, ...)
    UNDEFINED,   // the value or derivative does not exist at the point (log of 0, 0/0, ...)
};

struct DerivativeResult {
    DerivativeStatus status = DerivativeStatus::OK;
    Real value = 0;             // f at the parameter values
    std::vector<Real> gradient; // df/dp, one per parameter (or direction)
    std::vector<Real> hessian;  // d2f/dp dp', K x K row-major (second order only)
    int unbound_ref = 0;        // for UNBOUND: the variable reference
    int unbound_lag = 0;
    int failed_op = 0; // for UNDEFINED and UNSUPPORTED: the operation number
};

// Derivative orders an evaluation carries.
enum class DerivativeOrder { VALUE = 0, GRADIENT = 1, HESSIAN = 2 };

// A program prepared once and evaluated many times (once per observation by the estimators),
// reusing its storage. Not shared between threads: each thread takes its own copy.
class DerivativeEvaluator {
public:
    explicit DerivativeEvaluator(const Program& program);
    // Evaluates at the binding's parameter values (and data). The result is valid until the
    // next call.
    const DerivativeResult& evaluate(const ParameterBinding& binding,
                                     DerivativeOrder order = DerivativeOrder::GRADIENT);

private:
    struct Failure {
        DerivativeStatus status;
    };
    const Program* p_;
    Decoded d_;
    const ParameterBinding* bind_ = nullptr;
    std::size_t k_ = 0;
    int order_ = 1;
    std::vector<Real> val_;
    // Each cell's gradient and Hessian are stored in full, with the set of the parameters they
    // involve as a bit mask (every bit set when there are more than 64): entries outside it are
    // zero, and the rules touch only the entries inside, so a sum of many terms in one
    // parameter each costs what its terms cost.
    std::vector<Real> grad_;           // cells x K
    std::vector<Real> hess_;           // cells x K x K, upper triangle (second order)
    std::vector<std::uint64_t> gmask_; // the gradient's parameters; 0: zero gradient
    std::vector<std::uint64_t> hmask_; // the Hessian's rows and columns; 0: zero Hessian
    std::vector<Real> g_scratch_;      // K
    std::vector<Real> h_scratch_;      // K x K
    bool dense_ = false;               // more than 64 parameters: masks are all or nothing
    bool hessians_kept_ = false;       // the last evaluation kept the Hessians
    // Each variable cell's parameter (-1: none) under the binding `indexed_for_`.
    const ParameterBinding* indexed_for_ = nullptr;
    std::vector<int> parameter_of_;
    DerivativeResult out_;

    [[noreturn]] void fail(DerivativeStatus s, int op = 0);
    Real check(Real v);
    std::size_t at(int cell) const { return static_cast<std::size_t>(cell); }
    bool constant_gradient(int cell) const { return cell <= 0 || gmask_[at(cell)] == 0; }
    template <class F>
    void each(std::uint64_t mask, F&& f) const;
    // f(i, j) for the entries with i <= j of the rows and columns in the mask.
    template <class F>
    void each_upper(std::uint64_t mask, F&& f) const;

    // r := f with first derivatives da, db and second derivatives daa, dab, dbb with respect
    // to the operands a and b (b = 0: one operand).
    void set(int r, Real value, int a, Real da, int b = 0, Real db = 0, Real daa = 0, Real dab = 0,
             Real dbb = 0);
    // r := a parameter (unit gradient) or a datum (zero gradient); `j` the parameter (-1: none).
    void load_cell(int r, int ref, int lag, int j);

    void load_variables();
    void lag(const Step& s);
    void function(const Step& s);
    void binary(const Step& s);
};

// Evaluates the program's final value and its gradient (a program whose variables are all
// parameters: a hypothesis on the coefficients).
DerivativeResult GENRDF(const Program& program, const ParameterBinding& binding);

// The derivative of ln gamma (the digamma function), for x > 0.
Real digamma(Real x);
// The derivative of the digamma function (the trigamma function), for x > 0.
Real trigamma(Real x);

} // namespace tarvex::expr
