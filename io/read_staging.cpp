// Pending READ values and their one-step commit into the workspace.
#include "io/read_staging.hpp"

#include "interp/run.hpp"
#include "workspace/workspace.hpp"

#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace tarvex {

namespace {

constexpr std::size_t CHUNK_BYTES = ChunkedValues::CHUNK * sizeof(Real);

std::string trimmed(const std::string& s) {
    std::size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

} // namespace

ChunkedValues::~ChunkedValues() { clear(); }

// Chunks are aligned to their size and marked for huge pages: a million-row read then takes a
// few hundred page faults instead of tens of thousands.
void ChunkedValues::grow() {
    const std::size_t span = 2 * CHUNK_BYTES;
    void* p = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    const auto base = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = (base + CHUNK_BYTES - 1) & ~(std::uintptr_t(CHUNK_BYTES) - 1);
    if (aligned > base) munmap(p, aligned - base);
    if (aligned + CHUNK_BYTES < base + span)
        munmap(reinterpret_cast<void*>(aligned + CHUNK_BYTES), base + span - aligned - CHUNK_BYTES);
    madvise(reinterpret_cast<void*>(aligned), CHUNK_BYTES, MADV_HUGEPAGE);
    chunks_.push_back(reinterpret_cast<Real*>(aligned));
    fill_ = 0;
}

void ChunkedValues::clear() {
    for (Real* c : chunks_)
        if (c != nullptr) munmap(c, CHUNK_BYTES);
    chunks_.clear();
    fill_ = 0;
    size_ = 0;
}

void ChunkedValues::drain_to(Real* out) {
    long long left = size_;
    for (Real*& c : chunks_) {
        const long long n = left < static_cast<long long>(CHUNK) ? left : static_cast<long long>(CHUNK);
        std::memcpy(out, c, static_cast<std::size_t>(n) * sizeof(Real));
        out += n;
        left -= n;
        munmap(c, CHUNK_BYTES);
        c = nullptr;
    }
    clear();
}

long long words_needed(Run& run, const std::vector<PendingVariable>& pending, long long first) {
    long long words = 0;
    for (const PendingVariable& var : pending) {
        if (var.skip) continue;
        const long long length = first - 1 + var.values.size();
        const int found = VFIND(run, var.name);
        VarInfo old;
        if (found > 0 && VINFO(run, found, old) && old.length >= length) continue;
        words += 4 + length;
    }
    return words;
}

bool commit_pending(Run& run, std::vector<PendingVariable>& pending, long long first) {
    for (PendingVariable& var : pending) {
        if (var.skip) continue;
        const long long length = first - 1 + var.values.size();
        const int found = VFIND(run, var.name);
        VarInfo old;
        const bool existed = found > 0 && VINFO(run, found, old) && old.length > 0;
        if (existed && (old.type != var.type || old.length != length) && run.flags.OPUT &&
            run.sw[OWARN])
            write_line(run, " ...WARNING..VARIABLE:" + trimmed(var.name) + " CURRENTLY EXISTS");
        int ref = 1;
        NEWVAR(run, var.name, 1, var.type, length, var.ncol, ref);
        if (ref <= 0 || run.flags.ODONT) return false;
        VarInfo info;
        VINFO(run, ref, info);
        // A data vector keeps the observations outside those read; any other kind, or a
        // variable of another kind before, takes exactly the shape read.
        Real* header = &run.ws.DATA[info.addr];
        if (var.type != TYPE_DATA || (existed && old.type != var.type)) {
            header[1] = var.type;
            header[2] = static_cast<Real>(length);
            header[3] = var.ncol;
        }
        var.values.drain_to(header + 3 + first);
        if (var.time_set) {
            run.smpl.ITIME1 = var.time1;
            run.smpl.ITIME2 = var.time2;
            run.smpl.ITIME3 = var.time3;
        }
    }
    return true;
}

} // namespace tarvex
