// The block source over named series: series bound to a file on disk (READ ... / BIND), and
// series of the work area beside them, delivered over the observations of the current sample a
// block of rows at a time, the next block read on a second thread while the caller works on
// this one. The memory held is a few blocks whatever the length of the files.
#pragma once

#include "kernels/row_blocks.hpp"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct BoundSeries;

// The $ERR numbers of the commands over bound series (first given by OLS, the same for each).
inline constexpr int ERR_BOUND_BESIDE =
    6025; // beside bound series, an item not a whole data series
inline constexpr int ERR_NEEDS_MEMORY = 6026;     // an option that needs the series in memory
inline constexpr int ERR_BOUND_NOT_FINITE = 6027; // an infinite or undefined value among bound rows
// Bound series that could not be opened or read (the number every command gives such a pass).
inline constexpr int ERR_BOUND_READ = 6077;

// Rows per block when the caller does not ask for another size (a block of ten series is
// about ten megabytes).
inline constexpr std::size_t BOUND_BLOCK_ROWS = 65536;

// Whether any of `names` is bound.
bool any_bound(const Run& run, const std::vector<std::string>& names);

// The named series (bound, or data series of the work area covering the same observations) over
// the observations of the sample in use (its ranges and SKIP$ codes), in observation order.
// Null, with `error` set to the error line, when a name is neither, when the bound series do not
// all have the same rows, when the sample runs past them, or when a file has changed since its
// series were bound. In a run over several ranks the source delivers this rank's share of those
// observations (parallel/ranks.hpp my_share_of_rows over the rows in use, cut at multiples of
// `share_unit` of them). `block_rows` is the size of a block (tests cut files into many blocks).
std::unique_ptr<RowBlocks> open_bound_rows(Run& run, const std::vector<std::string>& names,
                                           std::string& error,
                                           std::size_t block_rows = BOUND_BLOCK_ROWS,
                                           long long share_unit = 1);

// The named series over every observation first..last, in use or not, in one process (whatever
// the ranks): the rows a statement reads around its sample (GENR's lags and leads). Null, with
// `error` set, as for open_bound_rows, or when first..last runs past the series' rows.
std::unique_ptr<RowBlocks> open_bound_range(Run& run, const std::vector<std::string>& names,
                                            long long first, long long last, std::string& error,
                                            std::size_t block_rows = BOUND_BLOCK_ROWS);

// The line that says a file no longer is what its series were bound to.
std::string changed_file_message(const std::string& file);

} // namespace tarvex
