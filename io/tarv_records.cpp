// Reading TARVBIN records made of subrecords (see tarv_records.hpp).
#include "io/tarv_records.hpp"

#include "io/tarv_blocks.hpp"

#include <atomic>

namespace tarvex {

namespace tb = tarv_blocks;

namespace {

std::atomic<std::uint64_t> subrecord_limit{tb::SUBRECORD_LIMIT};

bool read_marker(std::FILE* fp, std::int32_t& value) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, fp) != 4) return false;
    value = static_cast<std::int32_t>(std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) |
                                      (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24));
    return true;
}

} // namespace

bool read_tarv_record(std::FILE* fp, long long file_size, std::string* keep,
                      std::vector<RecordPiece>* pieces, long long& total) {
    total = 0;
    if (keep != nullptr) keep->clear();
    if (pieces != nullptr) pieces->clear();
    for (bool first = true;; first = false) {
        std::int32_t head = 0, tail = 0;
        if (!read_marker(fp, head) || head == INT32_MIN) return false;
        const long long length = head < 0 ? -static_cast<long long>(head) : head;
        const long long at = ftello(fp);
        // A count the rest of the file cannot hold is a broken record, not a request for memory.
        if (at < 0 || at + length + 4 > file_size) return false;
        if (keep != nullptr) {
            const std::size_t old = keep->size();
            keep->resize(old + static_cast<std::size_t>(length));
            if (length > 0 && std::fread(keep->data() + old, 1, static_cast<std::size_t>(length),
                                         fp) != static_cast<std::size_t>(length))
                return false;
        } else if (fseeko(fp, at + length, SEEK_SET) != 0) {
            return false;
        }
        if (pieces != nullptr && length > 0) pieces->push_back({total, at, length});
        total += length;
        // The count after: the same size, negative exactly when a subrecord came before.
        if (!read_marker(fp, tail) || tail == INT32_MIN) return false;
        if ((tail < 0 ? -static_cast<long long>(tail) : tail) != length) return false;
        if ((tail < 0) != !first) return false;
        if (head >= 0) return true;
    }
}

std::uint64_t tarvbin_subrecord_limit() {
    return subrecord_limit.load(std::memory_order_relaxed);
}

void set_tarvbin_subrecord_limit(std::uint64_t bytes) {
    subrecord_limit.store(bytes == 0 || bytes > tb::SUBRECORD_LIMIT ? tb::SUBRECORD_LIMIT : bytes,
                          std::memory_order_relaxed);
}

} // namespace tarvex
