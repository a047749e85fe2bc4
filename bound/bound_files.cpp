// The file readers of the block source: pread of TARVBIN columns into the block's aligned
// arrays, and the records of a delimited file read through a buffer and split and converted by
// READ's own field functions, so a bound value has the bits READ would store.
#include "bound/bound_files.hpp"

#include "bound/bound_rows.hpp"
#include "io/data_lines.hpp"
#include "io/record_scan.hpp"
#include "numeric/text.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr std::size_t TEXT_READ_BYTES = 1 << 20;
constexpr std::size_t SHOWN_FIELD = 40;

// Reads `bytes` at `offset` in full (pread may return less than asked); the bytes read.
long long read_fully(int fd, void* into, std::size_t bytes, long long offset) {
    auto* at = static_cast<char*>(into);
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::pread(fd, at + done, bytes - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(done);
}

// The next record of a delimited file without its line end; false at the end of the file or
// when a read fails (`failure` then says so).
bool next_record(BoundFile& file, std::string_view& record, std::string& failure) {
    for (;;) {
        const std::size_t end = file.buffer.find('\n', file.cursor);
        if (end != std::string::npos || file.at_end) {
            if (file.cursor >= file.buffer.size()) return false;
            const std::size_t stop = end != std::string::npos ? end : file.buffer.size();
            record = std::string_view(file.buffer).substr(file.cursor, stop - file.cursor);
            while (!record.empty() && record.back() == '\r') record.remove_suffix(1);
            file.cursor = end != std::string::npos ? end + 1 : file.buffer.size();
            ++file.line;
            return true;
        }
        // Keep the part record read so far and append the next bytes of the file.
        file.buffer_at += static_cast<long long>(file.cursor);
        file.buffer.erase(0, file.cursor);
        file.cursor = 0;
        // READ's own bound on a record: the binding has read every record under it already.
        if (file.buffer.size() > LONGEST_DATA_RECORD) {
            failure = " ...ERROR..RECORD" + std::to_string(file.line + 1) + " IS LONGER THAN " +
                      std::to_string(LONGEST_DATA_RECORD) + " CHARACTERS IN: " + file.path;
            return false;
        }
        const std::size_t held = file.buffer.size();
        file.buffer.resize(held + TEXT_READ_BYTES);
        const long long at = file.buffer_at + static_cast<long long>(held);
        const ssize_t got = ::pread(file.fd, file.buffer.data() + held, TEXT_READ_BYTES, at);
        if (got < 0) {
            if (errno == EINTR) {
                file.buffer.resize(held);
                continue;
            }
            failure = " ...ERROR..FILE " + file.path + " COULD NOT BE READ AT LINE " +
                      std::to_string(file.line + 1) + ": " + std::strerror(errno);
            file.buffer.resize(held);
            return false;
        }
        file.buffer.resize(held + static_cast<std::size_t>(got));
        if (got == 0) file.at_end = true;
    }
}

} // namespace

BoundFile::BoundFile(BoundFile&& other) noexcept
    : path(std::move(other.path)), layout(other.layout), fd(other.fd), file_size(other.file_size),
      modified_ns(other.modified_ns), missing_code(other.missing_code),
      data_offset(other.data_offset), delimiter(other.delimiter), buffer(std::move(other.buffer)),
      buffer_at(other.buffer_at), cursor(other.cursor), next_row(other.next_row), line(other.line),
      at_end(other.at_end) {
    other.fd = -1;
}

BoundFile::~BoundFile() {
    if (fd >= 0) ::close(fd); // read only: nothing to lose on close
}

void BoundFile::restart() {
    buffer.clear();
    buffer_at = data_offset;
    cursor = 0;
    next_row = 0;
    line = 0;
    at_end = false;
}

bool file_unchanged(const BoundFile& file) {
    long long size = 0;
    long long modified = 0;
    return file_stamp(file.path, size, modified) && size == file.file_size &&
           modified == file.modified_ns;
}

bool open_bound_file(BoundFile& file, const BoundSeries& series, std::string& error) {
    file.path = series.file;
    file.layout = series.layout;
    file.file_size = series.file_size;
    file.modified_ns = series.modified_ns;
    file.data_offset = series.layout == BoundLayout::DELIMITED ? series.offset : 0;
    file.delimiter = series.delimiter;
    file.fd = ::open(series.file.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) {
        error = " ...ERROR..FILE " + series.file +
                " OF THE BOUND SERIES CANNOT BE OPENED: " + std::strerror(errno);
        return false;
    }
    if (!file_unchanged(file)) {
        error = changed_file_message(series.file);
        return false;
    }
    file.restart();
    return true;
}

namespace {

// Bytes [at, at + bytes) of a TARVBIN column into `out`: one positioned read where the column is
// contiguous, one per stretch where its data record was cut into subrecords. The bytes read.
long long read_column_bytes(const BoundFile& file, const BoundSeries& series, long long at,
                            char* out, long long bytes) {
    if (series.pieces.empty())
        return read_fully(file.fd, out, static_cast<std::size_t>(bytes), series.offset + at);
    long long done = 0;
    for (const BoundPiece& piece : series.pieces) {
        if (done == bytes) break;
        const long long from = at + done;
        if (from >= piece.at + piece.length || from < piece.at) continue;
        const long long take = std::min(bytes - done, piece.at + piece.length - from);
        const long long got = read_fully(file.fd, out + done, static_cast<std::size_t>(take),
                                         piece.file_at + (from - piece.at));
        done += std::max(0LL, got);
        if (got != take) break;
    }
    return done;
}

} // namespace

bool read_binary_column(BoundFile& file, const BoundSeries& series, const long long* obs,
                        std::size_t n, Real* out, std::string& failure) {
    constexpr long long VALUE_BYTES = sizeof(Real);
    std::size_t k = 0;
    while (k < n) {
        // A run of consecutive observations is one read (one per stretch of the column).
        std::size_t end = k + 1;
        while (end < n && obs[end] == obs[end - 1] + 1) ++end;
        const long long row = obs[k] - series.first_observation;
        const long long bytes = static_cast<long long>(end - k) * VALUE_BYTES;
        const long long got = read_column_bytes(file, series, row * VALUE_BYTES,
                                                reinterpret_cast<char*>(out + k), bytes);
        if (got != bytes) {
            const long long bad_row = row + 1 + got / VALUE_BYTES;
            failure = " ...ERROR..FILE " + file.path + " ENDS BEFORE ROW " +
                      std::to_string(bad_row) + ": ITS SERIES CANNOT BE READ";
            return false;
        }
        k = end;
    }
    return true;
}

bool read_text_rows(BoundFile& file, const std::vector<TextField>& fields, const long long* obs,
                    std::size_t n, std::string& failure) {
    if (fields.empty()) return true;
    const long long first_obs = fields.front().series->first_observation;
    std::vector<std::string_view> parts;
    for (std::size_t k = 0; k < n; ++k) {
        const long long row = obs[k] - first_obs;
        std::string_view record;
        for (;;) {
            if (!next_record(file, record, failure)) {
                if (failure.empty())
                    failure = " ...ERROR..FILE " + file.path + " ENDS BEFORE ROW " +
                              std::to_string(row + 1) + ": ITS SERIES CANNOT BE READ";
                return false;
            }
            const char delimiter = file.delimiter != 0 ? file.delimiter : record_delimiter(record);
            split_fields(record, delimiter, parts);
            if (parts.empty()) continue; // an empty record holds no row, as READ reads it
            if (file.next_row++ == row) break;
        }
        for (const TextField& field : fields) {
            const std::size_t at = static_cast<std::size_t>(field.series->column);
            Real value = file.missing_code;
            bool missing = true;
            if (at < parts.size() && !field_value(parts[at], value, missing)) {
                failure = " ...ERROR..FILE " + file.path + " ROW " + std::to_string(row + 1) +
                          " COLUMN " + std::to_string(at + 1) + ": '" +
                          std::string(parts[at].substr(0, SHOWN_FIELD)) + "' IS NOT A NUMBER";
                return false;
            }
            field.out[k] = missing ? file.missing_code : value;
        }
    }
    return true;
}

} // namespace tarvex
