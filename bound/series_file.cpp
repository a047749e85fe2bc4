// The TARVBIN file of one series written in stretches: created exclusively (O_EXCL, so an
// existing file is never replaced), its head and tail from io/tarv_blocks.hpp, values buffered
// and written with every write and the close checked, and the file removed when unfinished.
#include "bound/series_file.hpp"

#include "core/interrupt.hpp"
#include "io/tarv_blocks.hpp"
#include "io/tarv_write_header.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace tarvex {

namespace {

namespace tb = tarv_blocks;

// Bytes gathered before a write.
inline constexpr std::size_t SERIES_FILE_BUFFER = 1 << 20;
// Names tried before giving up: tarvgenr.X, tarvgenr.X.2 ... tarvgenr.X.999.
inline constexpr int SERIES_FILE_NAMES = 999;

// The series name as part of a file name: letters, digits and '_' kept, others '_'.
std::string file_name_part(const std::string& name) {
    std::string part;
    for (char c : name) {
        if (c == ' ') break;
        const bool plain =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        part += plain ? c : '_';
    }
    return part;
}

} // namespace

SeriesFile::~SeriesFile() {
    if (!finished_) abandon();
}

bool SeriesFile::create(const Run& run, const std::string& directory, const std::string& name,
                        long long rows) {
    rows_ = rows;
    const std::string head = tb::binary_block_head(series_block_header(run, name, rows), rows);
    if (head.empty()) {
        error_ = EFBIG;
        return false;
    }
    // The file is named by its full path, so the end of the run finds it after a CD.
    std::string folder = directory;
    if (folder.empty() || folder.front() != '/') {
        std::error_code failed;
        const std::filesystem::path here = std::filesystem::current_path(failed);
        if (!failed) folder = (here / folder).lexically_normal().string();
    }
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string stem = folder + "tarvgenr." + file_name_part(name);
    for (int k = 1; k <= SERIES_FILE_NAMES && fd_ < 0; ++k) {
        const std::string candidate = k == 1 ? stem : stem + "." + std::to_string(k);
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            path_ = candidate;
            created_ = true;
        } else if (errno != EEXIST) {
            error_ = errno;
            path_ = candidate;
            return false;
        }
    }
    if (fd_ < 0) {
        error_ = EEXIST;
        path_ = stem;
        return false;
    }
    register_temporary(path_);
    data_offset_ = static_cast<long long>(head.size());
    return put(head.data(), head.size());
}

bool SeriesFile::put(const void* data, std::size_t size) {
    buffer_.append(static_cast<const char*>(data), size);
    return buffer_.size() < SERIES_FILE_BUFFER || flush();
}

bool SeriesFile::flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return true;
}

bool SeriesFile::append(const Real* values, std::size_t n) {
    if (fd_ < 0 || error_ != 0) return false;
    written_ += static_cast<long long>(n);
    return put(values, n * sizeof(Real));
}

bool SeriesFile::finish() {
    if (fd_ < 0 || error_ != 0) return false;
    if (written_ != rows_) {
        error_ = EIO;
        return false;
    }
    const std::string tail = tb::binary_block_tail(rows_);
    if (!put(tail.data(), tail.size()) || !flush()) return false;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        error_ = errno;
        return false;
    }
    finished_ = true;
    return true;
}

void SeriesFile::abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (created_) {
        std::remove(path_.c_str());
        forget_temporary(path_);
    }
    created_ = false;
    finished_ = true;
}

} // namespace tarvex
