// The processes of a partitioned run (`mpirun -n P tarvex job.tvx`): every rank runs the same
// script; series bound on disk are cut into contiguous shares of rows, one per rank, and the
// estimators that read them combine their per-rank results with the calls here and in
// exact_reduce.hpp, so that every rank ends with the whole-data result. Built without MPI
// (TARVEX_MPI off), or in a process that MPI_Init did not start, there is one rank and every
// call is the one-rank version: the shares are the whole, the reductions leave their
// arguments as they are.
//
// Every call below is collective: each rank must make the same calls in the same order (which
// running the same script on data that are whole and identical in memory guarantees), from the
// run's main thread.
#pragma once

#include <string>

namespace tarvex::parallel {

// This process's rank, 0 .. rank_count() - 1.
int rank();
// The number of ranks of the run (1 without MPI).
int rank_count();

// Installs the handler that ends every rank, with a message on standard error, when an MPI call
// fails (a rank that died, a lost connection), instead of leaving the others waiting. Called
// once by the engine's entry point; without MPI it does nothing.
void watch_for_failed_ranks();

// Rows [first, end) of `rows` that rank `rank` of `ranks` takes: contiguous shares, in rank
// order, whose lengths differ by at most one (cut as run_row_shares cuts rows between
// threads).
struct RowShare {
    long long first = 0;
    long long end = 0;
};
RowShare share_of_rows(long long rows, int rank, int ranks);
// The same, cut only at multiples of `unit` rows (a pass that sums its rows in fixed chunks
// gives each rank whole chunks): the chunks shared as share_of_rows shares rows, the last one
// short when `rows` is not a multiple of `unit`. A unit of 1 (or below) is share_of_rows.
RowShare share_of_rows(long long rows, int rank, int ranks, long long unit);
// This rank's share of `rows` (cut at multiples of `unit`).
RowShare my_share_of_rows(long long rows, long long unit = 1);

// The collective check after a step that can fail on some ranks only (a read error, a file
// that one rank cannot open). `mine` says whether this rank's step succeeded; when it did not,
// `failure` holds its error line on entry. Returns true when every rank succeeded (`failure`
// untouched). Otherwise every rank returns false with `failure` set to the error line of the
// lowest failing rank, naming that rank (rank_failure_line), so that every rank reports the
// same line and stops the command at the same point. With one rank: returns `mine`.
bool all_ranks_ok(bool mine, std::string& failure);
// " ...ERROR..TEXT" from rank r of a run of several ranks as " ...ERROR..RANK r: TEXT"; a line
// of another form gets "RANK r: " in front.
std::string rank_failure_line(const std::string& line, int rank);

// True on every rank when `value` is true on every rank (whether every share's values were
// finite, for instance).
bool all_ranks_true(bool value);
// The sum over the ranks of `value` (the rows used in each share, for instance), on every rank.
long long sum_over_ranks(long long value);

// Ends every rank of the run at once: writes "tarvex: rank r: message" on standard error and
// aborts the run (without MPI: ends the process with status 1). For a failure the ranks cannot
// agree on (a rank that is gone).
[[noreturn]] void abort_all_ranks(const std::string& message);

} // namespace tarvex::parallel
