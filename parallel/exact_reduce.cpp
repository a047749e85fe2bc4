// The all-reduce of exact sums: the ranks agree on each accumulator's limb range (a minimum
// over the ranges), pack their sums over it, and MPI adds the packed forms with a user-defined
// operation that merges them exactly.
#include "parallel/exact_reduce.hpp"

#include "parallel/exact_packing.hpp"
#include "parallel/ranks.hpp"

#ifdef TARVEX_MPI
#include <mpi.h>
#endif

namespace tarvex::parallel {

namespace {

#ifdef TARVEX_MPI
// The MPI operation: each element is one whole packed form (a contiguous type of its words).
void merge_packed_elements(void* in, void* inout, int* count, MPI_Datatype*) {
    auto* from = static_cast<const std::uint64_t*>(in);
    auto* into = static_cast<std::uint64_t*>(inout);
    for (int e = 0; e < *count; ++e) {
        const std::size_t words = into[0];
        merge_packed_sums(from, into);
        from += words;
        into += words;
    }
}
#endif

} // namespace

std::size_t packed_bytes(const ExactAccumulator* sums, std::size_t n) {
    return pack_exact_sums(sums, n, limb_ranges(sums, n)).size() * sizeof(std::uint64_t);
}

void reduce_exact_sums(ExactAccumulator* sums, std::size_t n) {
#ifdef TARVEX_MPI
    if (rank_count() == 1 || n == 0) return;
    std::vector<int> ranges = limb_ranges(sums, n);
    MPI_Allreduce(MPI_IN_PLACE, ranges.data(), static_cast<int>(ranges.size()), MPI_INT, MPI_MIN,
                  MPI_COMM_WORLD);
    std::vector<std::uint64_t> packed = pack_exact_sums(sums, n, ranges);
    MPI_Datatype whole;
    MPI_Type_contiguous(static_cast<int>(packed.size()), MPI_UINT64_T, &whole);
    MPI_Type_commit(&whole);
    MPI_Op merge;
    MPI_Op_create(merge_packed_elements, 1, &merge);
    MPI_Allreduce(MPI_IN_PLACE, packed.data(), 1, whole, merge, MPI_COMM_WORLD);
    MPI_Op_free(&merge);
    MPI_Type_free(&whole);
    unpack_exact_sums(packed.data(), ranges, sums, n);
#else
    (void)sums;
    (void)n;
#endif
}

} // namespace tarvex::parallel
