// The parallel layer under mpirun, as the estimators will use it:
//   mpi_check reduce          exact sums of cancelling columns cut into one share per rank and
//                             all-reduced: every rank must hold, bit for bit, the sums of one
//                             pass over all the rows; rank 0 prints one line saying so.
//   mpi_check failure FILE    rank 1 cannot open FILE: every rank must stop with the same line,
//                             naming rank 1 and the file; rank 0 alone prints it.
//   mpi_check abort FILE      rank 1 gives up alone (abort_all_ranks) while the others wait in a
//                             collective call: the whole run must end, with the message.
//   mpi_check die             rank 1 is killed while the others wait in a collective call:
//                             the whole run must end, not wait for ever.
//   mpi_check exchange        sums added in row order carried through the ranks, every rank's
//                             values gathered in rank order, counts summed and a failure met
//                             by every rank: the same bits and lines as one pass; rank 0 prints
//                             one line saying so.
//   mpi_check time ROWS REPS  the time of one all-reduce of the exact Gram sums of 11 columns
//                             (66 entries) over ROWS rows, for bench/mpi_reduce.sh.
// Exit status 0 when the checks held on every rank.
#include "numeric/exact_dot.hpp"
#include "parallel/exact_reduce.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"

#include <mpi.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using tarvex::ExactAccumulator;
using tarvex::Real;
namespace parallel = tarvex::parallel;

namespace {

bool same_bits(Real a, Real b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The same columns on every rank (one seed): values whose sums cancel, over many scales.
std::vector<std::vector<Real>> cancelling_columns(int count, long long rows) {
    std::mt19937_64 draw(7 + count);
    std::uniform_int_distribution<int> scale(-400, 400);
    std::uniform_int_distribution<long long> digits(1, (1LL << 52) - 1);
    std::vector<std::vector<Real>> columns(count);
    for (auto& column : columns) {
        for (long long r = 0; r < rows; r += 3) {
            const Real big =
                ldexpq(Real(digits(draw)) + ldexpq(Real(digits(draw)), -60), scale(draw));
            column.push_back(big);
            column.push_back(-big * (1 + ldexpq(Real(1), -90)));
            column.push_back(ldexpq(Real(digits(draw)), scale(draw) - 300));
        }
        column.resize(rows);
        std::shuffle(column.begin(), column.end(), draw);
    }
    return columns;
}

// Gram sums x_i x_j (i <= j) of `columns` over rows [first, end).
std::vector<ExactAccumulator> gram_sums(const std::vector<std::vector<Real>>& columns,
                                        long long first, long long end) {
    const std::size_t k = columns.size();
    std::vector<ExactAccumulator> sums(k * (k + 1) / 2);
    std::size_t e = 0;
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = i; j < k; ++j, ++e)
            sums[e].add_products(columns[i].data() + first, columns[j].data() + first,
                                 std::size_t(end - first));
    return sums;
}

int check_reduce() {
    const int ranks = parallel::rank_count();
    int failures = 0;
    for (long long rows : {1LL, 5LL, 999LL, 4000LL}) {
        const auto columns = cancelling_columns(11, rows);
        const auto whole = gram_sums(columns, 0, rows);
        const parallel::RowShare mine = parallel::my_share_of_rows(rows);
        auto sums = gram_sums(columns, mine.first, mine.end);
        parallel::reduce_exact_sums(sums);
        for (std::size_t e = 0; e < sums.size(); ++e)
            if (!same_bits(sums[e].result(), whole[e].result()) ||
                sums[e].exponent() != whole[e].exponent())
                ++failures;
        if (parallel::sum_over_ranks(mine.end - mine.first) != rows) ++failures;
    }
    const bool all = parallel::all_ranks_true(failures == 0);
    if (parallel::rank() == 0)
        std::printf("reduce over %d ranks: %s\n", ranks,
                    all ? "every sum identical to one pass" : "SUMS DIFFER");
    return all ? 0 : 1;
}

std::string open_failure(const std::string& path) {
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp != nullptr) {
        std::fclose(fp);
        return "";
    }
    return " ...ERROR..CANNOT OPEN FILE " + path + ": " + std::strerror(errno);
}

int check_failure(const std::string& path) {
    // Rank 1 reads `path`; the others read the program itself, which exists.
    std::string failure = open_failure(parallel::rank() == 1 ? path : "/proc/self/exe");
    const bool ok = parallel::all_ranks_ok(failure.empty(), failure);
    const bool expected = parallel::rank_count() == 1 ? ok : !ok;
    const bool named = parallel::rank_count() == 1 ||
                       failure.find("RANK 1: CANNOT OPEN FILE " + path) != std::string::npos;
    const bool all = parallel::all_ranks_true(expected && named);
    if (parallel::rank() == 0) {
        if (!ok) std::printf("%s\n", failure.c_str());
        std::printf("stopped on every rank: %s\n", all ? "yes" : "NO");
    }
    return all ? 0 : 1;
}

int check_abort(const std::string& path) {
    if (parallel::rank() == 1) parallel::abort_all_ranks("cannot read " + path);
    std::vector<ExactAccumulator> sums(3);
    parallel::reduce_exact_sums(sums); // waits for rank 1, which never comes
    if (parallel::rank() == 0) std::printf("the run went on without rank 1\n");
    return 1;
}

int check_death() {
    if (parallel::rank() == 1) std::raise(SIGKILL);
    std::vector<ExactAccumulator> sums(3);
    parallel::reduce_exact_sums(sums);
    if (parallel::rank() == 0) std::printf("the run went on without rank 1\n");
    return 1;
}

int time_reduce(long long rows, int repeats) {
    const auto columns = cancelling_columns(11, rows);
    const parallel::RowShare mine = parallel::my_share_of_rows(rows);
    const auto pass_start = std::chrono::steady_clock::now();
    const auto sums = gram_sums(columns, mine.first, mine.end);
    const double pass =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - pass_start).count();
    MPI_Barrier(MPI_COMM_WORLD);
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < repeats; ++k) {
        auto copy = sums;
        parallel::reduce_exact_sums(copy);
    }
    const double each =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
    double slowest_pass = pass;
    MPI_Reduce(&pass, &slowest_pass, 1, MPI_DOUBLE, MPI_MAX, 0, MPI_COMM_WORLD);
    if (parallel::rank() == 0)
        std::printf("ranks %d rows %lld pass %.6f s reduce %.6f s packed %zu bytes\n",
                    parallel::rank_count(), rows, slowest_pass, each,
                    parallel::packed_bytes(sums.data(), sums.size()));
    return 0;
}

int check_exchange() {
    const int ranks = parallel::rank_count();
    const int me = parallel::rank();
    int failures = 0;
    for (long long rows : {0LL, 1LL, 3LL, 1001LL}) {
        const auto columns = cancelling_columns(2, rows);
        // One pass in row order, as one process adds.
        Real whole[2] = {0, 0};
        for (long long r = 0; r < rows; ++r) {
            whole[0] += columns[0][r];
            whole[1] += columns[0][r] * columns[1][r];
        }
        const parallel::RowShare mine = parallel::my_share_of_rows(rows);
        Real carried[2] = {0, 0};
        parallel::receive_from_previous_rank(carried, 2);
        for (long long r = mine.first; r < mine.end; ++r) {
            carried[0] += columns[0][r];
            carried[1] += columns[0][r] * columns[1][r];
        }
        parallel::pass_to_next_rank(carried, 2);
        parallel::take_from_last_rank(carried, 2);
        if (!same_bits(carried[0], whole[0]) || !same_bits(carried[1], whole[1])) ++failures;
        // The shares gathered are the column; the counts summed are the rows.
        const std::vector<Real> share(columns[1].begin() + mine.first,
                                      columns[1].begin() + mine.end);
        const std::vector<Real> gathered = parallel::gather_over_ranks(share);
        if (gathered.size() != columns[1].size() ||
            !std::equal(gathered.begin(), gathered.end(), columns[1].begin(), same_bits))
            ++failures;
        long long counts[2] = {mine.end - mine.first, 1};
        parallel::sum_over_ranks(counts, 2);
        if (counts[0] != rows || counts[1] != ranks) ++failures;
    }
    // A failure every rank meets keeps each rank's own line; one rank's failure names it.
    std::string line = " ...ERROR..ROW " + std::to_string(me);
    if (parallel::every_rank_ok(false, line) || line != " ...ERROR..ROW " + std::to_string(me))
        ++failures;
    line = me == ranks - 1 ? " ...ERROR..LAST" : "";
    const bool ok = parallel::every_rank_ok(me != ranks - 1, line);
    const std::string named =
        ranks == 1 ? " ...ERROR..LAST" : " ...ERROR..RANK " + std::to_string(ranks - 1) + ": LAST";
    if (ok || line != named) ++failures;
    failures = static_cast<int>(parallel::sum_over_ranks(failures));
    if (me == 0) {
        if (failures == 0)
            std::printf("exchange over %d ranks: every value identical to one pass\n", ranks);
        else
            std::printf("exchange over %d ranks: %d checks failed\n", ranks, failures);
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    parallel::watch_for_failed_ranks();
    const std::string mode = argc > 1 ? argv[1] : "";
    int status = 2;
    if (mode == "reduce")
        status = check_reduce();
    else if (mode == "exchange")
        status = check_exchange();
    else if (mode == "failure" && argc > 2)
        status = check_failure(argv[2]);
    else if (mode == "abort" && argc > 2)
        status = check_abort(argv[2]);
    else if (mode == "die")
        status = check_death();
    else if (mode == "time" && argc > 3)
        status = time_reduce(std::stoll(argv[2]), std::stoi(argv[3]));
    else if (parallel::rank() == 0)
        std::fprintf(stderr,
                     "usage: mpi_check reduce | failure FILE | abort FILE | die | time ROWS "
                     "REPS\n");
    if (std::fflush(stdout) != 0) status = 1;
    MPI_Finalize();
    return status;
}
