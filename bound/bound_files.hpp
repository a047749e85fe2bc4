// The readers of the files series are bound to, for the block source: a TARVBIN column read
// with pread at its known offset, and delimited records read in order through a buffer, each
// field converted exactly as READ converts it. Only the bound/ sources include this.
#pragma once

#include "core/bound_series.hpp"
#include "numeric/real.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace tarvex {

struct BoundFile {
    std::string path;
    BoundLayout layout = BoundLayout::TARVBIN;
    int fd = -1;
    long long file_size = 0; // as the binding recorded them
    long long modified_ns = 0;
    Real missing_code = 0; // what a missing field reads as (the run's missing value)
    // Delimited text: where the data records start, the delimiter, and the reader's position.
    long long data_offset = 0;
    char delimiter = 0;
    std::string buffer;      // bytes of the file from buffer_at
    long long buffer_at = 0; // file offset of buffer[0]
    std::size_t cursor = 0;  // next unread byte in buffer
    long long next_row = 0;  // 0-based data row of the next record
    long long line = 0;      // records read so far, counted from the first data record
    bool at_end = false;

    BoundFile() = default;
    BoundFile(BoundFile&& other) noexcept;
    BoundFile& operator=(BoundFile&&) = delete;
    BoundFile(const BoundFile&) = delete;
    ~BoundFile();
    // Back to the first data record.
    void restart();
};

// One series of a delimited file and where its values go.
struct TextField {
    const BoundSeries* series;
    Real* out;
};

// Opens the file of `series` and checks it is as it was bound; false with `error` set if not.
bool open_bound_file(BoundFile& file, const BoundSeries& series, std::string& error);
// Whether the file's size and modification time are still those recorded at binding.
bool file_unchanged(const BoundFile& file);
// out[k] = the series at observation obs[k], k < n (observations ascending).
bool read_binary_column(BoundFile& file, const BoundSeries& series, const long long* obs,
                        std::size_t n, Real* out, std::string& failure);
// For each field, out[k] = its value at observation obs[k] (ascending, from where the last
// call stopped).
bool read_text_rows(BoundFile& file, const std::vector<TextField>& fields, const long long* obs,
                    std::size_t n, std::string& failure);

} // namespace tarvex
