// Ranks, shares of rows and the collective checks: MPI calls in the MPI build, the one-rank
// versions otherwise (and in a process MPI was not started in, such as the unit tests).
#include "parallel/ranks.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifdef TARVEX_MPI
#include <mpi.h>
#endif

namespace tarvex::parallel {

namespace {

#ifdef TARVEX_MPI
bool mpi_running() {
    int started = 0, ended = 0;
    MPI_Initialized(&started);
    if (started == 0) return false;
    MPI_Finalized(&ended);
    return ended == 0;
}

// MPI's report of a failed call: every rank is ended with the reason.
void failed_rank_handler(MPI_Comm*, int* code, ...) {
    char text[MPI_MAX_ERROR_STRING] = "";
    int length = 0;
    MPI_Error_string(*code, text, &length);
    abort_all_ranks(std::string("MPI failure: ") + text);
}
#endif

constexpr const char* ERROR_MARK = " ...ERROR..";

} // namespace

int rank() {
#ifdef TARVEX_MPI
    if (!mpi_running()) return 0;
    int r = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &r);
    return r;
#else
    return 0;
#endif
}

int rank_count() {
#ifdef TARVEX_MPI
    if (!mpi_running()) return 1;
    int n = 1;
    MPI_Comm_size(MPI_COMM_WORLD, &n);
    return n;
#else
    return 1;
#endif
}

void watch_for_failed_ranks() {
#ifdef TARVEX_MPI
    if (!mpi_running()) return;
    MPI_Errhandler handler;
    if (MPI_Comm_create_errhandler(failed_rank_handler, &handler) == MPI_SUCCESS)
        MPI_Comm_set_errhandler(MPI_COMM_WORLD, handler);
#endif
}

RowShare share_of_rows(long long rows, int rank, int ranks) {
    if (ranks < 1 || rows <= 0) return {};
    const auto bound = [rows, ranks](long long r) {
        return rows / ranks * r + rows % ranks * r / ranks;
    };
    return {bound(rank), bound(rank + 1)};
}

RowShare share_of_rows(long long rows, int rank, int ranks, long long unit) {
    if (unit <= 1) return share_of_rows(rows, rank, ranks);
    const RowShare units = share_of_rows((rows + unit - 1) / unit, rank, ranks);
    return {std::min(rows, units.first * unit), std::min(rows, units.end * unit)};
}

RowShare my_share_of_rows(long long rows, long long unit) {
    return share_of_rows(rows, rank(), rank_count(), unit);
}

std::string rank_failure_line(const std::string& line, int rank) {
    const std::string mark = ERROR_MARK;
    const std::string name = "RANK " + std::to_string(rank) + ": ";
    if (line.compare(0, mark.size(), mark) == 0) return mark + name + line.substr(mark.size());
    return name + line;
}

bool all_ranks_ok(bool mine, std::string& failure) {
#ifdef TARVEX_MPI
    const int ranks = rank_count();
    if (ranks == 1) return mine;
    const int me = rank();
    int lowest = mine ? ranks : me;
    MPI_Allreduce(MPI_IN_PLACE, &lowest, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    if (lowest == ranks) return true;
    int length = me == lowest ? static_cast<int>(failure.size()) : 0;
    MPI_Bcast(&length, 1, MPI_INT, lowest, MPI_COMM_WORLD);
    std::string text = me == lowest ? failure : std::string(static_cast<std::size_t>(length), ' ');
    MPI_Bcast(text.data(), length, MPI_CHAR, lowest, MPI_COMM_WORLD);
    failure = rank_failure_line(text, lowest);
    return false;
#else
    return mine;
#endif
}

bool all_ranks_true(bool value) {
#ifdef TARVEX_MPI
    if (rank_count() == 1) return value;
    int all = value ? 1 : 0;
    MPI_Allreduce(MPI_IN_PLACE, &all, 1, MPI_INT, MPI_LAND, MPI_COMM_WORLD);
    return all != 0;
#else
    return value;
#endif
}

long long sum_over_ranks(long long value) {
#ifdef TARVEX_MPI
    if (rank_count() == 1) return value;
    MPI_Allreduce(MPI_IN_PLACE, &value, 1, MPI_LONG_LONG, MPI_SUM, MPI_COMM_WORLD);
#endif
    return value;
}

void abort_all_ranks(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "tarvex: rank %d: %s\n", rank(), message.c_str());
    std::fflush(stderr);
#ifdef TARVEX_MPI
    if (mpi_running()) MPI_Abort(MPI_COMM_WORLD, 1);
#endif
    std::_Exit(1);
}

} // namespace tarvex::parallel
