// TARVEXQX, the engine's one exported entry point: picks the run mode from the entry code,
// runs the run and ends it as the code requires.
#include "interp/entry.hpp"

#include "core/file_replace.hpp"
#include "core/rank_agreement.hpp"
#include "core/units.hpp"
#include "host/tarvextern.hpp"
#include "parallel/rank_exchange.hpp"
#include "parallel/ranks.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// The mode of the last run in this process: the one piece of state that outlives a run, so
// that a later unknown code can tell that a windowed host had been attached.
int previous_mos = 1;

constexpr int ENGINE_ID = 9557;

// Answers an entry code above 306 that names no run mode.
void refuse_code(int window) {
    if (previous_mos == tarvex::MODE_WINDOWED || previous_mos == tarvex::MODE_WINDOWED_33) {
        char text[tarvex::host::MSG_TEXT_SIZE] = "";
        tarvex::host::SendMsg(window, tarvex::host::MSG_REFRESH, 0, 0, text);
        char command[tarvex::host::MSG_TEXT_SIZE] = "FLUSH_BUFFER";
        tarvex::host::SendMsg(window, tarvex::host::MSG_COMMAND, 0, 0, command);
        tarvex::host::pause_message("MISSING SOME VERSION 10 FILES!");
    }
}

// The ranks' agreement on a step that may fail on some of them only (core/rank_agreement.hpp):
// the failure of the lowest failing rank, else, when the counts they found differ, every count.
void agree_with_ranks(tarvex::StepOutcome& outcome) {
    namespace parallel = tarvex::parallel;
    if (parallel::rank_count() == 1) return;
    if (!parallel::every_rank_ok(outcome.ok, outcome.line, outcome.number)) {
        outcome.ok = false;
        return;
    }
    const std::vector<long long> counts =
        parallel::gather_over_ranks(std::vector<long long>{outcome.count});
    for (const long long count : counts)
        if (count != counts.front()) {
            outcome.ok = false;
            outcome.counts = counts;
            return;
        }
}

} // namespace

extern "C" int TARVEXQX(int* code, int* window, int* extra) {
    using namespace tarvex;
    int mode = 0;
    switch (*code) {
    case -1:
        *window = ENGINE_ID;
        return 0;
    case 29:
        mode = MODE_BATCH_LOG;
        break;
    case 166:
    case 167:
    case 327:
        mode = MODE_CONSOLE;
        break;
    case 307:
        mode = MODE_WINDOWED;
        break;
    case 337:
        mode = MODE_WINDOWED_33;
        break;
    default:
        if (*code > 306) {
            refuse_code(*window);
            *code = -7;
        } else {
            host::pause_message("Improper TARVEX Ver 11 Installation, Reinstall");
        }
        return 0;
    }
    const int entry_code = *code;
    if (entry_code != 29) *code = mode;
    previous_mos = mode;

    auto run = std::make_unique<Run>();
    // In a run over several processes every rank runs the script; rank 0 alone writes.
    parallel::watch_for_failed_ranks();
    set_rank_agreement(&agree_with_ranks);
    const bool writes = parallel::rank() == 0;
    run->buf.writes_report = writes;
    set_files_written_here(writes);
    if (mode == MODE_BATCH_LOG && writes) open_unit(*run, run->L86, "TARVEX.LOG", "w");
    try {
        start_run(*run, mode, *window, 1, *extra);
    } catch (const FatalStop&) {
        run.reset();
        std::fflush(nullptr);
        std::exit(0);
    }
    if (entry_code == 327) {
        close_unit(*run, 5);
        close_unit(*run, 6);
    }
    if (mode == MODE_BATCH_LOG) {
        close_unit(*run, run->L86);
        run.reset();
        std::fflush(nullptr);
        std::exit(0);
    }
    std::fflush(run->streams.out);
    return 0;
}
