// Pending READ values and their one-step commit into the workspace.
#include "io/read_staging.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unordered_set>

namespace tarvex {

namespace {

constexpr std::size_t CHUNK_BYTES = ChunkedValues::CHUNK * sizeof(Real);

} // namespace

ChunkedValues::~ChunkedValues() {
    clear();
}

// The first chunks come from the heap, each four times the last (512, 2048, 8192, 32768
// elements), so that a read of many short variables stays small: a thousand columns of a
// thousand rows take a few megabytes, not a 2 MiB mapping each. Later chunks are mappings of
// their own, given back to the system as soon as they are stored. They are left in ordinary
// pages: a request for 2 MB pages makes the kernel find (or compact) a free 2 MB block and clear
// it whole on first touch, and on a virtual machine that hands such blocks back to its host,
// that first touch costs far more than the page faults it saves.
void ChunkedValues::grow() {
    const std::size_t heap_size = chunks_.empty()         ? FIRST_CHUNK
                                  : chunks_.back().mapped ? 0
                                                          : 4 * chunks_.back().capacity;
    if (heap_size != 0 && heap_size < CHUNK) {
        note_fill();
        auto* p = static_cast<Real*>(std::malloc(heap_size * sizeof(Real)));
        if (p == nullptr) throw std::bad_alloc();
        chunks_.push_back({p, heap_size, false, 0});
        fill_ = 0;
        return;
    }
    note_fill();
    void* p =
        mmap(nullptr, CHUNK_BYTES, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    chunks_.push_back({static_cast<Real*>(p), CHUNK, true, 0});
    fill_ = 0;
}

void ChunkedValues::release(Chunk& chunk) {
    if (chunk.data == nullptr) return;
    if (chunk.mapped)
        munmap(chunk.data, CHUNK_BYTES);
    else
        std::free(chunk.data);
    chunk.data = nullptr;
}

void ChunkedValues::clear() {
    for (Chunk& c : chunks_) release(c);
    chunks_.clear();
    fill_ = 0;
    size_ = 0;
}

void ChunkedValues::drain_to(Real* out) {
    note_fill();
    for (Chunk& c : chunks_) {
        std::memcpy(out, c.data, c.used * sizeof(Real));
        out += c.used;
        release(c);
    }
    clear();
}

// Chunks of either part may be partly filled after this: each keeps its own count.
void ChunkedValues::append(ChunkedValues&& tail) {
    if (tail.chunks_.empty()) return;
    note_fill();
    tail.note_fill();
    chunks_.reserve(chunks_.size() + tail.chunks_.size());
    for (const Chunk& c : tail.chunks_) chunks_.push_back(c);
    fill_ = tail.fill_;
    size_ += tail.size_;
    tail.chunks_.clear(); // the chunks are ours now
    tail.fill_ = 0;
    tail.size_ = 0;
}

long long ChunkedValues::count_equal(Real v) const {
    long long found = 0;
    for (std::size_t k = 0; k < chunks_.size(); ++k) {
        const Chunk& c = chunks_[k];
        const std::size_t used = k + 1 == chunks_.size() ? fill_ : c.used;
        for (std::size_t j = 0; j < used; ++j)
            if (equal_values(c.data[j], v)) ++found;
    }
    return found;
}

void ChunkedValues::truncate(long long n) {
    if (n >= size_) return;
    note_fill();
    long long kept = 0;
    std::size_t k = 0;
    while (k < chunks_.size() && kept < n) {
        Chunk& c = chunks_[k++];
        if (kept + static_cast<long long>(c.used) > n) c.used = static_cast<std::size_t>(n - kept);
        kept += static_cast<long long>(c.used);
    }
    for (std::size_t j = k; j < chunks_.size(); ++j) release(chunks_[j]);
    chunks_.resize(k);
    fill_ = chunks_.empty() ? 0 : chunks_.back().used;
    size_ = n;
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

// The empty records at the end of the workspace that the scanner made for new names of this
// READ are taken back, so that the variables are appended in their place instead of leaving
// one hole each.
void take_back_empty_records(Run& run, const std::vector<PendingVariable>& pending) {
    Workspace& ws = run.ws;
    std::unordered_set<std::string> names;
    for (const PendingVariable& var : pending)
        if (!var.skip) names.insert(padded_name(var.name, run.sw[OLC]));
    auto pending_name = [&](const std::string& vname) { return names.count(vname) != 0; };
    while (ws.NVARS > 0) {
        const int slot = ws.NVARS;
        const long long addr = ws.KADD[slot];
        if (addr < 1 || addr + 3 > ws.MAXADD || ws.DATA[addr] != 1 || ws.DATA[addr + 2] != 0 ||
            addr + 3 != ws.LASADD || !pending_name(ws.VNAME[slot]))
            break;
        ws.VNAME[slot].assign(ws.VNAME[slot].size(), ' ');
        ws.LASADD = addr - 1;
        ws.NVARS -= 1;
    }
}

bool commit_pending(Run& run, std::vector<PendingVariable>& pending, long long first) {
    take_back_empty_records(run, pending);
    for (PendingVariable& var : pending) {
        if (var.skip) continue;
        const long long length = first - 1 + var.values.size();
        const int found = VFIND(run, var.name);
        VarInfo old;
        const bool existed = found > 0 && VINFO(run, found, old) && old.length > 0;
        if (existed && (old.type != var.type || old.length != length) && run.flags.OPUT &&
            run.sw[OWARN])
            write_line(run, " ...WARNING..VARIABLE:" + trim_trailing_blanks(var.name) +
                                " CURRENTLY EXISTS");
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
