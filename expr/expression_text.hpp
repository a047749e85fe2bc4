// Compiled statements written back as expressions of the language, and the written form of
// their derivative with respect to one variable. The text reads back through GENR to the same
// values: operators keep their binding (parentheses where the binding needs them, negations
// always bracketed inside another operation), numbers keep every bit. The derivative form
// applies the chain rule instruction by instruction and simplifies only trivially (x*1, x+0,
// 0*x, x/1, -0); its values are those the derivative generator computes.
#pragma once

#include "expr/program.hpp"

#include <functional>
#include <string>

namespace tarvex::expr {

struct ExpressionText {
    std::string expression; // the statement's final value as an expression
    std::string derivative; // its derivative (empty when it has no written form)
    int no_form_op = 0;     // the operation whose derivative the language cannot write
};

// `name_of(ref)` gives the written name of a variable reference; `wrt` is the reference the
// derivative is taken with respect to (lags and elements of it are held fixed).
ExpressionText expression_text(const Program& program, int wrt,
                               const std::function<std::string(int ref)>& name_of);

// A number as the language reads it back to the same binary128 value ("2", "0.5",
// "1.5E-30"; negative numbers with their sign).
std::string number_text(Real value);

} // namespace tarvex::expr
