// The program's part in a run over several processes (built with TARVEX_MPI): MPI is started
// before the engine is loaded and ended when the process ends, however the run ended (the
// engine ends the process itself after a fatal stop). Built without MPI there is one process and
// these calls do nothing.
#pragma once

#ifdef TARVEX_MPI
#include <cstdlib>
#include <initializer_list>
#include <mpi.h>
#endif

namespace tarvex_cli {

#ifdef TARVEX_MPI
inline void end_rank_session() {
    int started = 0, ended = 0;
    MPI_Initialized(&started);
    MPI_Finalized(&ended);
    if (started != 0 && ended == 0) MPI_Finalize();
}
#endif

#ifdef TARVEX_MPI
// Whether a launcher (mpirun, mpiexec) started this process: it leaves the process's rank in the
// environment. A program started on its own is one rank and does not start MPI at all, so that
// it runs as the build without MPI does (MPI's start-up on its own needs its helper programs on
// PATH and room for its session files).
inline bool started_by_launcher() {
    for (const char* name : {"OMPI_COMM_WORLD_SIZE", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"})
        if (std::getenv(name) != nullptr) return true;
    return false;
}
#endif

// Starts MPI when a launcher started the process (the engine's calls come from the main thread
// only); false when it cannot start.
inline bool start_rank_session(int& argc, char**& argv) {
#ifdef TARVEX_MPI
    if (!started_by_launcher()) return true;
    int provided = 0;
    if (MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided) != MPI_SUCCESS) return false;
    std::atexit(end_rank_session);
#else
    (void)argc;
    (void)argv;
#endif
    return true;
}

// The number of processes running the script (1 without MPI).
inline int session_ranks() {
#ifdef TARVEX_MPI
    int started = 0;
    MPI_Initialized(&started);
    if (started == 0) return 1;
    int ranks = 1;
    MPI_Comm_size(MPI_COMM_WORLD, &ranks);
    return ranks;
#else
    return 1;
#endif
}

} // namespace tarvex_cli
