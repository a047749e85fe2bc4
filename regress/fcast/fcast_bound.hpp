// FCAST over series bound to a file on disk, and FCAST / BIND=file: the forecast computed a block
// of rows at a time in one pass, each row by the same code and to the same bits as the series in
// memory, the output series (PREDICT=, RESID=, FCSE=) written to a TARVBIN file as the pass goes
// and then bound to it, and the accuracy statistics added exactly block by block. What needs every
// row in memory at once is refused before anything is read.
#pragma once

namespace tarvex {

struct Run;
struct FcastModel;
struct FcastOptions;

// $ERR numbers of FCAST over bound series and to a file.
inline constexpr int ERR_FCAST_BOUND_BESIDE = 49025; // a lag, matrix or result among the series
inline constexpr int ERR_FCAST_NEEDS_MEMORY = 49026; // an option that needs the rows in memory
inline constexpr int ERR_FCAST_BIND_OUTPUTS = 49028; // BIND= without outputs, outputs without BIND=
inline constexpr int ERR_FCAST_NOT_WRITTEN = 49029;  // the file could not be written or bound
inline constexpr int ERR_FCAST_FILE_IN_USE = 49030;  // other series are bound to the file
inline constexpr int ERR_FCAST_BOUND_READ = 49077;   // a pass over the bound rows failed

// Whether FCAST goes over blocks of rows: a series of the equation is bound, or BIND= is given.
bool fcast_over_blocks(const FcastOptions& o, const FcastModel& model);

// The forecast over blocks of rows, reported and stored (see above).
void fcast_over_bound_series(Run& run, const FcastOptions& o, const FcastModel& model);

} // namespace tarvex
