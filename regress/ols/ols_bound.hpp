// OLS over rows delivered a block at a time (kernels/row_blocks.hpp), for series bound to a file
// on disk: the exact cross-product matrix of [X y] in one pass, the coefficients by the solver
// the long samples in memory use on that matrix, then the residuals block by block for every
// statistic the report prints, each an exact sum over the whole sample as in memory, so that the
// report and the stored values are those of the same data read into memory. What needs every
// residual or value held at once (listings, plots, output series, influence, restrictions, ...)
// is refused before anything is read.
#pragma once

#include "kernels/row_blocks.hpp"
#include "regress/ols/ols_estimation.hpp"

#include <string>
#include <vector>

namespace tarvex {

// Where the equation's values lie among the columns of the blocks.
struct BoundOlsColumns {
    int dependent = 0;      // the column of y
    std::vector<int> terms; // per term of the equation: its column, -1 for the constant
    int weight = -1;        // the column of the WEIGHT variable, -1 without weights
};

// The option (as the report names it) that needs the series in memory, or empty when the fit
// can run over row blocks.
std::string option_needing_memory(const OlsFit& fit, const OlsOptions& o);

struct BoundOlsSettings {
    Real missing_value = 0;
    bool output_on = true;
    // Samples shorter than this are read into memory and estimated there, as the data in memory
    // would be (the solvers of short samples differ from the cross-product fit in the last bits).
    long long in_memory_below = IN_PLACE_MIN_ROWS;
    int threads = 0; // threads per block (0: as many as the machine has)
    // When set, and the sample is long enough for the passes over blocks: filled, in the first
    // pass, with the observations (ascending, every rank's) at which each column of the blocks
    // holds `missing_value`, for the warnings the series in memory would give.
    std::vector<std::vector<long long>>* missing_observations = nullptr;
};

// The estimate of `equation` (its terms, names, range, weight reference and functional form
// set; n, obs and the data left empty) from the rows of `rows`. The result holds no row of data:
// obs, predicted values and residuals stay empty unless the sample was read into memory.
OlsEstimate estimate_ols_blocks(RowBlocks& rows, const BoundOlsColumns& where, OlsFit equation,
                                const OlsOptions& o, const BoundOlsSettings& settings);

} // namespace tarvex
