// A new TARVBIN file holding one data series, written a stretch of values at a time (the layout
// of WRITE ... / TARVEX BINARY): the file GENR makes for a series it computes from series bound
// to a file. The file is created under a name not yet taken, never over an existing file, and
// every write and the close are checked.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <string>

namespace tarvex {

struct Run;

class SeriesFile {
public:
    SeriesFile() = default;
    SeriesFile(const SeriesFile&) = delete;
    SeriesFile& operator=(const SeriesFile&) = delete;
    // An unfinished file is removed.
    ~SeriesFile();

    // Creates `directory` + "tarvgenr." + name (then ".2", ".3" ... while a name is taken) for a
    // series of `rows` values named `name` and writes the block's head. False with error() set
    // (the system's error number; EFBIG when the series is too long for one record).
    bool create(const Run& run, const std::string& directory, const std::string& name,
                long long rows);
    // The next n values of the series.
    bool append(const Real* values, std::size_t n);
    // Writes what is buffered and the block's end, then closes the file.
    bool finish();
    // Closes and removes the file.
    void abandon();

    const std::string& path() const { return path_; }
    // Byte offset of the series' first value.
    long long data_offset() const { return data_offset_; }
    int error() const { return error_; }

private:
    bool put(const void* data, std::size_t size);
    bool flush();

    int fd_ = -1;
    std::string path_;
    std::string buffer_;
    long long rows_ = 0;
    long long written_ = 0; // values appended
    long long data_offset_ = 0;
    int error_ = 0;
    bool created_ = false; // the file exists (this object made it)
    bool finished_ = false;
};

} // namespace tarvex
