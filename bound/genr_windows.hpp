// The windows through which GENR reads series bound to a file and writes its new series: the
// rows of the bound series are read a block at a time, in one pass, and each window keeps the
// rows before the stretch being run that its lags reach (and the rows after it that its leads
// reach), so every read of the statement finds the value the series in memory would give
// without reading the file twice. The new series' values go to its file as each stretch ends.
#pragma once

#include "expr/program.hpp"
#include "kernels/row_blocks.hpp"

#include <memory>
#include <string>
#include <vector>

namespace tarvex {

struct Run;
class SeriesFile;

// A bound series the statement reads, by the reference the compiler gave it.
struct WindowSource {
    int ref = 0;
    expr::SeriesWindow window;
    std::vector<Real> values; // the window's rows, window.first onwards
};

// How far the statement reads around the observation it computes.
struct WindowReach {
    long long behind = 0; // the longest lag, in observations
    long long ahead = 0;  // the longest lead
};

class GenrWindows final : public expr::WindowFeed {
public:
    // `blocks` delivers the sources' rows read_first..read_last (in that order, the columns in
    // the order of `sources`); `target`, when not null, is the file of the new series of
    // `target_rows` values named `target_name` (the target cell's window).
    GenrWindows(Run& run, std::vector<WindowSource> sources, std::unique_ptr<RowBlocks> blocks,
                long long read_first, long long read_last, const expr::TransRange& range,
                WindowReach reach, SeriesFile* target, const std::string& target_name,
                long long target_rows, int read_error, int write_error);

    expr::SeriesWindow* window(int cell, int ref) override;
    bool next_stretch(long long& from, long long& to) override;
    // Writes the rest of the new series (its last values and the observations past the last
    // stretch) and ends its file; false after a failure (reported).
    bool finish();
    // A read or a write failed (reported).
    bool failed() const { return failed_; }

private:
    bool read_block();
    bool write_target(long long upto);
    void fail_write();

    Run& run_;
    std::vector<WindowSource> sources_;
    std::unique_ptr<RowBlocks> blocks_;
    long long read_upto_; // last observation read into the windows
    long long read_last_;
    bool read_done_;
    long long range_last_;
    long long next_;   // first observation of the next stretch
    long long ran_to_; // last observation of the stretch before it
    WindowReach reach_;
    SeriesFile* file_;
    expr::SeriesWindow target_;
    std::vector<Real> target_values_; // the target's rows from target_.first
    long long written_ = 0;           // observations of the target in its file
    int read_error_;
    int write_error_;
    bool failed_ = false;
};

} // namespace tarvex
