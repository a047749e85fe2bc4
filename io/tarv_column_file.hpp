// Data series a command writes to a TARVBIN file a block of rows at a time and then binds to it
// (FCAST / BIND=): the file holds one block per series, laid out as WRITE (file) names / TARVEX
// BINARY lays them out, every block's place known from the series' length before any value is
// written, so that the values of all the series are written in one pass by positioned writes in
// a few buffers of memory. Also the binding of the series of such a file.
#pragma once

#include "numeric/real.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvex {

struct Run;

class TarvbinColumnFile {
public:
    TarvbinColumnFile() = default;
    TarvbinColumnFile(const TarvbinColumnFile&) = delete;
    TarvbinColumnFile& operator=(const TarvbinColumnFile&) = delete;
    ~TarvbinColumnFile(); // an unfinished file is discarded

    // Creates (or empties) `path` with a block for each of `names`, each a data series of
    // `length` elements (the run's time settings and header labels as WRITE gives them). The
    // elements not given by put() hold `fill`. False, with error() set, when the file cannot be
    // created or written.
    bool create(Run& run, const std::string& path, const std::vector<std::string>& names,
                long long length, Real fill);
    // Element `element` (from 1) of series `series`; the elements of a series come in ascending
    // order (those passed over hold the fill).
    bool put(std::size_t series, long long element, Real value);
    // Fills every series to its length, writes what is held and closes the file, every write and
    // the close checked. False, with error() set and the file removed, on any failure.
    bool finish();
    // Closes the file and removes it (a regular file: not a device such as /dev/full).
    void discard();
    // The system's error number of the first failure (0: none).
    int error() const { return error_; }

private:
    bool flush(std::size_t series);
    bool write_contents(std::size_t series, std::uint64_t at, const void* data, std::size_t bytes);
    bool write_at(long long offset, const void* data, std::size_t bytes);

    int fd_ = -1;
    int error_ = 0;
    bool regular_ = false;
    std::string path_;
    long long length_ = 0;
    Real fill_ = 0;
    std::uint64_t limit_ = 0;
    std::vector<long long> data_at_; // per series: file offset of its data record's first count
    std::vector<long long> next_;    // per series: the next element to be written
    std::vector<long long> held_at_; // per series: the element of held[0]
    std::vector<std::vector<Real>> held_;
};

// Binds `names` to the TARVBIN blocks of those names in `path` (a file the command has just
// written), as READ (path) names / TARVEX BIND would: a variable or binding of the same name is
// replaced, and the binding note is written. False, with the error written and `number` in $ERR,
// when the file does not hold them as written.
bool bind_written_series(Run& run, const std::string& path, const std::vector<std::string>& names,
                         int number);

} // namespace tarvex
