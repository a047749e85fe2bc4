// An estimated equation written in the expression language: the compiled program of its right
// side (NLINEAR: the fitted function; MLE: one observation's log-likelihood), its parameters
// bound to their own references, its data bound to the workspace series it reads, and the
// observations in use. Evaluation runs the derivative generator once per observation, on two
// threads for long samples, in blocks of rows whose sums are added in a fixed order, so that the
// results are the same whatever the number of threads.
#pragma once

#include "expr/derivative.hpp"
#include "expr/program.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/nonlin/model_block.hpp"

#include <functional>
#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct EquationModel {
    std::vector<std::string> names; // the parameters, upper case
    std::vector<Real> start;
    std::string text; // the right side as typed
    int dep_ref = 0;  // NLINEAR: the dependent variable
    std::string dep_name;
    expr::Program program;
    // SET UMINUS would change what a -A**B in the equation means.
    bool uminus_matters = false;
    int parameter_base = 0; // the reference of parameter 0 (the others follow)
    // A data series the equation reads: element t at first[t * inc] for 1 <= t <= length,
    // or one value at every observation.
    struct Series {
        int ref = 0;
        const Real* first = nullptr;
        long long length = 0, inc = 1;
        bool constant = false;
        Real value = 0;
    };
    std::vector<Series> series;
    std::vector<int> obs; // the observations in use
    int beg = 0, end = 0;
    int k() const { return static_cast<int>(names.size()); }
    int n() const { return static_cast<int>(obs.size()); }
};

// Compiles `block`'s equation. With `dependent` the equation must read "name = expression" and
// the name is the dependent variable; without, a leading "name =" is allowed and ignored.
// Checks that every parameter is used. False after an error (reported).
bool compile_equation(Run& run, const ModelBlock& block, bool dependent, EquationModel& model);

// The workspace variables the equation reads (the dependent variable first, when there is one).
std::vector<int> equation_data_refs(const EquationModel& model);
// Binds the data series the equation reads. False when a variable has gone.
bool bind_series(Run& run, EquationModel& model);
// Checks the range (CKSMPL), binds the data series and sets the observations in use: BEG..END
// less those SKIP$ drops. False after an error (reported).
bool bind_observations(Run& run, EquationModel& model, int beg, int end);

// Where an evaluation failed: the row (index into obs) and the derivative generator's status.
struct RowFailure {
    int row = -1;
    expr::DerivativeStatus status = expr::DerivativeStatus::OK;
    int op = 0;
    int unbound_ref = 0;
};

// Evaluates the equation at every observation in use with parameters `b`, calling
// `each(chunk, row, result)` for each (rows of one chunk in order, on the thread that owns the
// chunk). Returns false when a row cannot be evaluated, `failure` naming the lowest such row;
// the evaluation stops there, or, with `every_row`, goes on and hands that row's result (its
// status not OK) to `each` as well.
using RowCallback = std::function<void(int chunk, int row, const expr::DerivativeResult&)>;
// With `direction` (K values) the derivatives are those along it (see ParameterBinding).
bool evaluate_rows(const EquationModel& model, const std::vector<Real>& b,
                   expr::DerivativeOrder order, const RowCallback& each, RowFailure& failure,
                   bool every_row = false, const std::vector<Real>& direction = {});

// The number of chunks evaluate_rows cuts the rows into, and the size of each.
constexpr int ROW_CHUNK = 4096;
inline int row_chunks(int n) {
    return (n + ROW_CHUNK - 1) / ROW_CHUNK;
}

// The message for a failure at the starting values (NLINEAR, MLE): observation and operation.
EstimationFailure evaluation_failure(const EquationModel& model, const RowFailure& failure);

} // namespace tarvex
