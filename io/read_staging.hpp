// Values a READ collects before it touches the workspace: one pending variable per name, its
// elements held in page-mapped chunks (no copying growth, each chunk given back as soon as it is
// stored). Nothing reaches the workspace until commit_pending, so a failed READ leaves every
// existing variable as it was.
#pragma once

#include "numeric/real.hpp"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarvex {

struct Run;

class ChunkedValues {
public:
    static constexpr std::size_t FIRST_CHUNK = 512; // elements in the first heap chunk (then x4)
    static constexpr std::size_t CHUNK = 131072;    // elements per later chunk (2 MiB)

    ChunkedValues() = default;
    ChunkedValues(ChunkedValues&& other) noexcept { swap(other); }
    ChunkedValues& operator=(ChunkedValues&& other) noexcept {
        clear();
        swap(other);
        return *this;
    }
    ~ChunkedValues();

    [[gnu::always_inline]] void push(Real v) {
        if (chunks_.empty() || fill_ == chunks_.back().capacity) grow();
        chunks_.back().data[fill_++] = v;
        ++size_;
    }
    long long size() const { return size_; }
    // Copies the elements to out[0..] and gives each chunk back once copied.
    void drain_to(Real* out);
    void clear();
    // Moves the elements of `tail` (in order) after these, without copying; `tail` is left empty.
    void append(ChunkedValues&& tail);
    // How many elements equal `v` exactly.
    long long count_equal(Real v) const;
    // Keeps the first `n` elements (n <= size()).
    void truncate(long long n);

private:
    struct Chunk {
        Real* data;
        std::size_t capacity;
        bool mapped;      // a page mapping (else heap memory)
        std::size_t used; // elements held; the last chunk's count is fill_ until note_fill()
    };
    void grow();
    void note_fill() {
        if (!chunks_.empty()) chunks_.back().used = fill_;
    }
    void release(Chunk& chunk);
    void swap(ChunkedValues& other) noexcept {
        chunks_.swap(other.chunks_);
        std::swap(fill_, other.fill_);
        std::swap(size_, other.size_);
    }
    std::vector<Chunk> chunks_;
    std::size_t fill_ = 0;
    long long size_ = 0;
};

struct PendingVariable {
    std::string name; // as the variable table holds it (up to 8 characters)
    int type = 1;     // type code
    int ncol = 1;
    bool skip = false; // a SKIP$ column: read and passed over
    ChunkedValues values;
    // TIME settings to restore (types 1 and 6 from a TARVDATA block); time_set says whether.
    bool time_set = false;
    int time1 = 1, time2 = 0, time3 = 0;
};

// Work-area words the commit would append (variables that must grow or be created).
long long words_needed(Run& run, const std::vector<PendingVariable>& pending, long long first);
// Stores every pending variable: the element k of `values` goes to element first + k of the
// variable (first = 1 for matrices and character data). Warns when an existing variable of
// another type or length is replaced. False when the workspace cannot hold them (reported).
bool commit_pending(Run& run, std::vector<PendingVariable>& pending, long long first);

} // namespace tarvex
