// Printed names of the terms of an estimated or summarised equation: a variable, a matrix
// column ("name:col"), a result scalar ("$NAME") and a lagged term ("X(2)"), each cut to fit
// the 8 columns a report gives a name.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct OlsTerm;
struct EstimationResults;

// The variable reference a list entry stands for, with the scanner's lag mark taken off.
int plain_reference(int ref);

// The name of a variable reference: the slot's name (blanks trimmed), "name:col" for a column
// reference, "$NAME" for a result scalar; empty for a reference that names nothing.
std::string reference_name(const Run& run, int ref);

// A base name followed by a suffix, the base cut so that the whole fits 8 columns.
std::string suffixed_name(std::string base, const std::string& tail);

// A lagged term's name: "X(2)" for X lagged two observations (the base alone for lag 0).
std::string lagged_name(std::string base, int lag);

// The coefficients of an estimation record, in report order: each term's name, its variable's
// name (none for the intercept and the trend), reference and lag ...
void record_terms(const Run& run, const std::vector<OlsTerm>& terms, EstimationResults& e);
// ... and the named parameter `name`, the j-th named coefficient of the estimation.
void record_parameter(const Run& run, const std::string& name, int j, EstimationResults& e);

// The last estimation started afresh for `command`: cleared, with the dependent variable and the
// terms recorded. The estimator's report adds its estimates.
EstimationResults& new_estimation_record(Run& run, const std::string& command, int dep_ref,
                                         int dep_lag, const std::string& dep_name,
                                         const std::vector<OlsTerm>& terms);

} // namespace tarvex
