// Carrying values from rank to rank, gathering and summing them: MPI point-to-point and
// collective calls over the bytes of the values (binary128 has no MPI type; the ranks of a run
// are the same program on the same kind of machine, so the bytes are the values).
#include "parallel/rank_exchange.hpp"

#include "parallel/ranks.hpp"

#ifdef TARVEX_MPI
#include <mpi.h>
#endif

namespace tarvex::parallel {

namespace {

constexpr int CARRIED_VALUES_TAG = 37;

#ifdef TARVEX_MPI
// Every rank's bytes, in rank order.
template <class Value>
std::vector<Value> gather_values(const std::vector<Value>& mine) {
    const int ranks = rank_count();
    if (ranks == 1) return mine;
    const int bytes = static_cast<int>(mine.size() * sizeof(Value));
    std::vector<int> counts(static_cast<std::size_t>(ranks), 0), offsets(counts);
    MPI_Allgather(&bytes, 1, MPI_INT, counts.data(), 1, MPI_INT, MPI_COMM_WORLD);
    long long total = 0;
    for (int r = 0; r < ranks; ++r) {
        offsets[static_cast<std::size_t>(r)] = static_cast<int>(total);
        total += counts[static_cast<std::size_t>(r)];
    }
    std::vector<Value> all(static_cast<std::size_t>(total) / sizeof(Value));
    MPI_Allgatherv(mine.data(), bytes, MPI_BYTE, all.data(), counts.data(), offsets.data(),
                   MPI_BYTE, MPI_COMM_WORLD);
    return all;
}
#endif

// The carried values as bytes: rank r > 0 receives rank r - 1's, rank r passes its own to r + 1,
// and the last rank's go to every rank.
void receive_bytes(void* values, std::size_t bytes) {
#ifdef TARVEX_MPI
    if (rank_count() == 1 || rank() == 0) return;
    MPI_Recv(values, static_cast<int>(bytes), MPI_BYTE, rank() - 1, CARRIED_VALUES_TAG,
             MPI_COMM_WORLD, MPI_STATUS_IGNORE);
#else
    (void)values;
    (void)bytes;
#endif
}

void pass_bytes(const void* values, std::size_t bytes) {
#ifdef TARVEX_MPI
    if (rank() + 1 >= rank_count()) return;
    MPI_Send(values, static_cast<int>(bytes), MPI_BYTE, rank() + 1, CARRIED_VALUES_TAG,
             MPI_COMM_WORLD);
#else
    (void)values;
    (void)bytes;
#endif
}

void take_bytes(void* values, std::size_t bytes) {
#ifdef TARVEX_MPI
    if (rank_count() == 1) return;
    MPI_Bcast(values, static_cast<int>(bytes), MPI_BYTE, rank_count() - 1, MPI_COMM_WORLD);
#else
    (void)values;
    (void)bytes;
#endif
}

} // namespace

void receive_from_previous_rank(Real* values, std::size_t n) {
    receive_bytes(values, n * sizeof(Real));
}

void pass_to_next_rank(const Real* values, std::size_t n) {
    pass_bytes(values, n * sizeof(Real));
}

void take_from_last_rank(Real* values, std::size_t n) {
    take_bytes(values, n * sizeof(Real));
}

void receive_from_previous_rank(double* values, std::size_t n) {
    receive_bytes(values, n * sizeof(double));
}

void pass_to_next_rank(const double* values, std::size_t n) {
    pass_bytes(values, n * sizeof(double));
}

void take_from_last_rank(double* values, std::size_t n) {
    take_bytes(values, n * sizeof(double));
}

std::vector<Real> gather_over_ranks(const std::vector<Real>& mine) {
#ifdef TARVEX_MPI
    return gather_values(mine);
#else
    return mine;
#endif
}

std::vector<long long> gather_over_ranks(const std::vector<long long>& mine) {
#ifdef TARVEX_MPI
    return gather_values(mine);
#else
    return mine;
#endif
}

void sum_over_ranks(long long* values, std::size_t n) {
#ifdef TARVEX_MPI
    if (rank_count() == 1 || n == 0) return;
    MPI_Allreduce(MPI_IN_PLACE, values, static_cast<int>(n), MPI_LONG_LONG, MPI_SUM,
                  MPI_COMM_WORLD);
#else
    (void)values;
    (void)n;
#endif
}

} // namespace tarvex::parallel

namespace tarvex::parallel {

bool every_rank_ok(bool mine, std::string& failure) {
    if (rank_count() == 1) return mine;
    if (all_ranks_true(!mine)) return false;
    return all_ranks_ok(mine, failure);
}

bool every_rank_ok(bool mine, std::string& failure, int& number) {
    if (rank_count() == 1) return mine;
    if (all_ranks_true(!mine)) return false;
    // A succeeded rank offers no number; the lowest failing rank's goes with its line.
    const std::vector<long long> numbers =
        gather_over_ranks(std::vector<long long>{mine ? -1 : number});
    for (const long long n : numbers)
        if (n >= 0) {
            number = static_cast<int>(n);
            break;
        }
    return all_ranks_ok(mine, failure);
}

} // namespace tarvex::parallel
