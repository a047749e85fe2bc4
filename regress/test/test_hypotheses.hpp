// One hypothesis on the coefficients of an estimated equation: its line (an expression, or
// expression = expression) is compiled with the regressor names standing for their
// coefficients, and GENRDF gives its value f(b) and its exact gradient at b.
#pragma once

#include "expr/program.hpp"
#include "numeric/real.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;
struct EstimationResults;

// The equation a hypothesis is written on: one entry per coefficient, in report order.
struct TestEquation {
    std::vector<std::string> names; // 8 columns ("CONSTANT" for the intercept)
    std::vector<int> refs;          // plain references; MAXVAR+1 intercept, MAXVAR+2 trend
    std::vector<int> lags;
    std::vector<Real> coef; // b, where hypotheses are evaluated
};

TestEquation equation_of(const EstimationResults& e);

// A hypothesis f(b) = 0: its value at b and its gradient row df/db.
struct Hypothesis {
    Real value = 0;
    std::vector<Real> gradient;
};

// Error numbers of TEST and RESTRICT.
inline constexpr int ERR_TEST_MEMORY = 15008;
inline constexpr int ERR_TEST_SYNTAX = 15009;
inline constexpr int ERR_TEST_NO_NAME = 15011;
inline constexpr int ERR_TEST_NOT_IN_EQUATION = 15012;
inline constexpr int ERR_TEST_TOO_MANY = 15013;
inline constexpr int ERR_TEST_NO_ESTIMATION = 15014;
inline constexpr int ERR_TEST_NOT_DONE = 15015;
inline constexpr int ERR_TEST_SINGULAR = 15016;
inline constexpr int ERR_TEST_INVALID = 15017;
inline constexpr int ERR_TEST_NOT_BLOCK = 15018;
inline constexpr int ERR_TEST_LONG_NAME = 15019; // a name longer than a coefficient's 8 columns

// Reserves work-area words for q gradient rows of k values and the q x q variance matrix; when
// they do not fit, writes the 15008 error and returns false.
bool reserve_test_space(Run& run, int q, int k);

// A hypothesis line compiled on an equation, to be evaluated at its coefficients later, with
// the names (as messages print them) of the variables it was bound to.
struct CompiledHypothesis {
    expr::Program program;
    std::vector<std::pair<int, std::string>> variable_names; // reference, name
};

// Compiles one hypothesis line (syntax and names). On failure the message has been written,
// $ERR set, and false is returned.
bool compile_hypothesis_program(Run& run, const TestEquation& eq, std::string_view text,
                                CompiledHypothesis& out);

// A compiled hypothesis at the equation's coefficients: its value and gradient, or the line and
// $ERR number that say why it has none.
struct HypothesisValue {
    Hypothesis hypothesis;
    std::string error_line;
    int error_number = 0;
    bool ok() const { return error_line.empty() && error_number == 0; }
};
HypothesisValue evaluate_hypothesis(const CompiledHypothesis& compiled, const TestEquation& eq);

// The lines DMMP shows of an evaluated hypothesis: its value and gradient.
std::vector<std::string> hypothesis_dump_lines(const Hypothesis& h);

// Compiles and evaluates one hypothesis line (the text after TEST or RESTRICT). On failure the
// message has been written, $ERR set, and false is returned.
bool compile_hypothesis(Run& run, const TestEquation& eq, std::string_view text, Hypothesis& out);

} // namespace tarvex
