// The derivative generator's twin in double precision: runs a compiled statement with every cell
// carrying its value, its gradient and (on request) its Hessian with respect to the parameters,
// all in double. It serves searches whose end point is then taken over by binary128 iterations
// (NLINEAR on a long sample): nothing it computes is ever a result. Every operation the binary128
// generator differentiates has a rule here; an evaluation that meets anything else, or a value
// or derivative that is not finite in double, fails, and the caller then does without it.
#pragma once

#include "expr/executor.hpp"
#include "expr/program.hpp"

#include <functional>
#include <vector>

namespace tarvex::expr {

// How the variables of a program stand for parameters and data: `parameter(ref, lag)` gives the
// parameter index (0-based) of the variable `ref` lagged `lag` observations, or -1; `datum(ref,
// lag, value)` gives the value of a variable that is not a parameter, at the observation being
// evaluated lagged `lag` observations, and false when there is none.
struct DoubleBinding {
    std::function<int(int ref, int lag)> parameter;
    std::function<bool(int ref, int lag, double& value)> datum;
};

struct DoubleDerivative {
    bool ok = false;
    double value = 0;
    const double* gradient = nullptr; // K values
    const double* hessian = nullptr;  // K x K row-major, both triangles (second order only)
};

class DoubleDerivativeEvaluator {
public:
    // For `k` parameters; `second`: with Hessians. The binding is kept: its `datum` reads the
    // observation the caller is at when it calls evaluate().
    DoubleDerivativeEvaluator(const Program& program, DoubleBinding binding, int k, bool second);
    // At the parameter values b (K values). Valid until the next call.
    const DoubleDerivative& evaluate(const double* b);
    // Whether every operation of the program has a rule in double.
    static bool supported(const Program& program);

private:
    struct Undefined {};
    const Program* p_;
    Decoded d_;
    DoubleBinding bind_;
    std::vector<int> parameter_of_; // each variable cell's parameter (-1: a datum)
    std::size_t k_;
    bool second_;
    std::vector<double> val_, grad_, hess_;
    std::vector<unsigned char> varies_; // the cell's derivatives are not all zero
    std::vector<double> g_, h_;         // scratch: one gradient and one Hessian
    DoubleDerivative out_;

    std::size_t at(int cell) const { return static_cast<std::size_t>(cell); }
    bool varies(int cell) const { return cell > 0 && varies_[at(cell)] != 0; }
    // r := f with first derivatives da, db and second derivatives daa, dab, dbb in the operands
    // a and b (b = 0: one operand).
    void set(int r, double value, int a, double da, int b = 0, double db = 0, double daa = 0,
             double dab = 0, double dbb = 0);
    void load(int r, int ref, int lag, int parameter, const double* b);
    void function(const Step& s, const double* b);
    void binary(const Step& s);
};

} // namespace tarvex::expr
