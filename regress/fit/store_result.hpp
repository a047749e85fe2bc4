// The one function that stores an estimation's result once its report is written: the record
// that TEST, FCAST and the listings read, the result scalars, and the output variables the
// options name.
#pragma once

#include "regress/fit/estimation_equation.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/model_result.hpp"
#include "regress/fit/ols_fit.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The value a result scalar holds when the last estimation does not give it.
inline constexpr int RESULT_NOT_AVAILABLE = -9999999;

// Names the equation of a record: the command, the dependent variable, the terms (with the
// names of their variables from the workspace) and, after them, the named parameters.
void name_equation(const Run& run, const std::string& command, int dep_ref, int dep_lag,
                   const std::string& dep_name, const std::vector<OlsTerm>& terms,
                   const std::vector<std::string>& parameters, EstimationResults& record);

// The same for a whole equation, with its range and observations (the record's obs, beg and
// end), before the report prints the result.
void name_equation(const Run& run, const std::string& command, const EstimationEquation& eq,
                   const std::vector<std::string>& parameters, EstimationResults& record);

// Stores `result` (moving its record into the run): the scalars, then the record, then the
// output variables PREDICT, RESID, COEF, STDERR, TRATIO, COVARIAN and TESTSTAT in that order.
// False when an output variable could not be made (the workspace has said why).
bool store_model_result(Run& run, ModelResult&& result, const OutputNames& out);

} // namespace tarvex
