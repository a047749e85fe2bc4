// Creating and filling the named output variables of an estimation.
#include "regress/fit/output_variables.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_options.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

// Creates `name` with exactly `length` elements (columns `ncol`), dropping what an existing,
// longer variable of that name held beyond them, and returns its header, or false.
bool create(Run& run, const std::string& name, int type, long long length, int ncol,
            VarInfo& info) {
    int ref = 0;
    NEWVAR(run, trim_trailing_blanks(name), 1, type, length, ncol, ref);
    if (ref <= 0 || run.flags.ODONT) return false;
    fit_variable_shape(run, ref, length, ncol);
    return VINFO(run, ref, info);
}

} // namespace

bool store_by_observation(Run& run, const std::string& name, int end, const std::vector<int>& obs,
                          const std::vector<Real>& values) {
    if (name_blank(name)) return true;
    VarInfo info;
    if (!create(run, name, TYPE_DATA, end, 1, info)) return false;
    for (long long t = 1; t <= end && t <= info.length; ++t) element(run, info, t) = run.ws.XMISS;
    for (std::size_t i = 0; i < obs.size() && i < values.size(); ++i)
        if (obs[i] <= info.length) element(run, info, obs[i]) = values[i];
    return true;
}

bool store_vector(Run& run, const std::string& name, const std::vector<Real>& values) {
    if (name_blank(name)) return true;
    VarInfo info;
    if (!create(run, name, TYPE_DATA, (long long)values.size(), 1, info)) return false;
    for (std::size_t j = 0; j < values.size(); ++j)
        element(run, info, (long long)j + 1) = values[j];
    return true;
}

bool store_square_matrix(Run& run, const std::string& name, int k,
                         const std::vector<Real>& matrix) {
    if (name_blank(name)) return true;
    VarInfo info;
    if (!create(run, name, TYPE_MATRIX, (long long)k * k, k, info)) return false;
    // Column after column; the matrix is symmetric, so row-major reads the same.
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i)
            element(run, info, (long long)j * k + i + 1) = matrix[std::size_t(i) * k + j];
    return true;
}

bool store_column_matrix(Run& run, const std::string& name, int rows, int cols,
                         const std::vector<Real>& values) {
    if (name_blank(name)) return true;
    VarInfo info;
    const long long length = (long long)rows * cols;
    if (!create(run, name, TYPE_MATRIX, length, cols, info)) return false;
    for (long long j = 0; j < length && j < (long long)values.size(); ++j)
        element(run, info, j + 1) = values[std::size_t(j)];
    return true;
}

bool store_coefficient_outputs(Run& run, const std::string& coef_name,
                               const std::string& stderr_name, const std::string& tratio_name,
                               const std::string& covarian_name, const std::vector<Real>& coef,
                               const std::vector<Real>& se, const std::vector<Real>& tstat,
                               const std::vector<Real>& cov) {
    return store_vector(run, coef_name, coef) && store_vector(run, stderr_name, se) &&
           store_vector(run, tratio_name, tstat) &&
           store_square_matrix(run, covarian_name, static_cast<int>(coef.size()), cov);
}

} // namespace tarvex
