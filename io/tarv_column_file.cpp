// Writing TARVBIN series by positioned writes (see tarv_column_file.hpp).
#include "io/tarv_column_file.hpp"

#include "core/run.hpp"
#include "io/tarv_blocks.hpp"
#include "io/tarv_records.hpp"
#include "io/tarv_write_header.hpp"
#include "numeric/text.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

namespace tb = tarv_blocks;

namespace {

// Elements held per series before they are written.
constexpr std::size_t HELD_ELEMENTS = 65536;

// A short record with its counts, subrecords and all.
std::string framed_record(const std::string& contents, std::uint64_t limit) {
    std::string out;
    const std::uint64_t total = contents.size();
    const std::uint64_t count = tb::subrecord_count(total, limit);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::int32_t head = tb::subrecord_head(total, limit, i);
        const std::int32_t tail = tb::subrecord_tail(total, limit, i);
        out.append(reinterpret_cast<const char*>(&head), sizeof head);
        out.append(contents, static_cast<std::size_t>(i * limit),
                   static_cast<std::size_t>(head < 0 ? -head : head));
        out.append(reinterpret_cast<const char*>(&tail), sizeof tail);
    }
    return out;
}

} // namespace

TarvbinColumnFile::~TarvbinColumnFile() {
    if (fd_ >= 0) discard();
}

bool TarvbinColumnFile::create(Run& run, const std::string& path,
                               const std::vector<std::string>& names, long long length, Real fill) {
    path_ = path;
    length_ = length;
    fill_ = fill;
    limit_ = tarvbin_subrecord_limit();
    if (length > INT32_MAX) { // the block's shape counts elements in a 4-byte integer
        error_ = EFBIG;
        return false;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    struct stat st {};
    regular_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
    const std::uint64_t data_bytes = (static_cast<std::uint64_t>(length) + 1) * sizeof(Real);
    long long at = 0;
    for (const std::string& name : names) {
        const tb::BlockHeader h = series_block_header(run, name, length);
        const std::string kind = framed_record(std::string(tb::BINARY_KIND), limit_);
        const std::string header = framed_record(tarvbin_header_contents(h), limit_);
        if (!write_at(at, kind.data(), kind.size()) ||
            !write_at(at + static_cast<long long>(kind.size()), header.data(), header.size()))
            return false;
        at += static_cast<long long>(kind.size() + header.size());
        data_at_.push_back(at);
        // The counts of the data record's subrecords, then its length word.
        const std::uint64_t count = tb::subrecord_count(data_bytes, limit_);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::int32_t head = tb::subrecord_head(data_bytes, limit_, i);
            const std::int32_t tail = tb::subrecord_tail(data_bytes, limit_, i);
            const long long start =
                at + static_cast<long long>(i * (limit_ + 2 * tb::MARKER_BYTES));
            const long long size = head < 0 ? -static_cast<long long>(head) : head;
            if (!write_at(start, &head, sizeof head) ||
                !write_at(start + static_cast<long long>(tb::MARKER_BYTES) + size, &tail,
                          sizeof tail))
                return false;
        }
        const Real words = static_cast<Real>(length);
        next_.push_back(1);
        held_at_.push_back(1);
        held_.emplace_back();
        held_.back().reserve(HELD_ELEMENTS);
        if (!write_contents(data_at_.size() - 1, 0, &words, sizeof words)) return false;
        at += static_cast<long long>(tb::framed_record_bytes(data_bytes, limit_));
    }
    return true;
}

bool TarvbinColumnFile::put(std::size_t series, long long element, Real value) {
    if (error_ != 0) return false;
    std::vector<Real>& held = held_[series];
    while (next_[series] <= element) {
        held.push_back(next_[series] == element ? value : fill_);
        ++next_[series];
        if (held.size() == HELD_ELEMENTS && !flush(series)) return false;
    }
    return true;
}

bool TarvbinColumnFile::finish() {
    for (std::size_t s = 0; s < held_.size() && error_ == 0; ++s) {
        if (length_ >= next_[s] && !put(s, length_, fill_)) break;
        if (!flush(s)) break;
    }
    if (error_ == 0 && ::close(fd_) != 0)
        error_ = errno;
    else if (error_ != 0)
        ::close(fd_);
    fd_ = -1;
    if (error_ != 0 && regular_) ::unlink(path_.c_str());
    return error_ == 0;
}

void TarvbinColumnFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (regular_) ::unlink(path_.c_str());
}

bool TarvbinColumnFile::flush(std::size_t series) {
    std::vector<Real>& held = held_[series];
    if (held.empty()) return true;
    const std::uint64_t at = static_cast<std::uint64_t>(held_at_[series]) * sizeof(Real);
    if (!write_contents(series, at, held.data(), held.size() * sizeof(Real))) return false;
    held_at_[series] += static_cast<long long>(held.size());
    held.clear();
    return true;
}

// Bytes [at, at + bytes) of the series' data record, cut where its subrecords are cut.
bool TarvbinColumnFile::write_contents(std::size_t series, std::uint64_t at, const void* data,
                                       std::size_t bytes) {
    const auto* from = static_cast<const char*>(data);
    while (bytes > 0) {
        const std::uint64_t room = limit_ - at % limit_;
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, room));
        const long long offset =
            data_at_[series] + static_cast<long long>(tb::framed_offset(at, limit_));
        if (!write_at(offset, from, take)) return false;
        from += take;
        at += take;
        bytes -= take;
    }
    return true;
}

bool TarvbinColumnFile::write_at(long long offset, const void* data, std::size_t bytes) {
    const auto* from = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t done = ::pwrite(fd_, from, bytes, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            error_ = done < 0 ? errno : EIO;
            return false;
        }
        from += done;
        offset += done;
        bytes -= static_cast<std::size_t>(done);
    }
    return true;
}

} // namespace tarvex
