// The named output variables every estimator leaves on request: values by observation (PREDICT,
// RESID and the like; the missing-value code where an observation was not used), vectors with
// one element per coefficient (COEF, STDERR, TRATIO) and the K by K covariance matrix.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// Each returns false when the variable could not be made (the workspace has said why); a blank
// name asks for nothing and returns true.
// `values[i]` goes to observation obs[i]; the variable has `end` observations.
bool store_by_observation(Run& run, const std::string& name, int end, const std::vector<int>& obs,
                          const std::vector<Real>& values);
bool store_vector(Run& run, const std::string& name, const std::vector<Real>& values);
// `matrix` is K x K row-major and symmetric.
bool store_square_matrix(Run& run, const std::string& name, int k, const std::vector<Real>& matrix);

// `values` is rows x cols, column after column (the work area's own order).
bool store_column_matrix(Run& run, const std::string& name, int rows, int cols,
                         const std::vector<Real>& values);

// The coefficient outputs every estimator takes, in this order: COEF=, STDERR=, TRATIO= (one
// element per coefficient) and COVARIAN= (K x K); false at the first that could not be made.
bool store_coefficient_outputs(Run& run, const std::string& coef_name,
                               const std::string& stderr_name, const std::string& tratio_name,
                               const std::string& covarian_name, const std::vector<Real>& coef,
                               const std::vector<Real>& se, const std::vector<Real>& tstat,
                               const std::vector<Real>& cov);

} // namespace tarvex
