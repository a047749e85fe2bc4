// Run state of DO loops and procedures: the marker table and index values of every level, the
// replay of a file loop from the scratch unit, and the procedure level table with the sample
// saved when the first level began.
#pragma once

#include "numeric/real.hpp"

#include <array>
#include <string>
#include <vector>

namespace tarvex {

inline constexpr int MAX_PROC_LEVELS = 18;    // running procedure levels
inline constexpr int NO_INDEX_VALUE = -32001; // a level without value substitutes nothing
inline constexpr int DO_FINISHED = 9999999;   // the index scalar of a finished loop
inline constexpr int LOOP_RECORD_LENGTH = 80; // records of the loop file are read this long
inline constexpr int LOOP_RECORD_TEXT = 79;   // longest command record written to it

// One bound of a DO statement as written: a number, a variable (element `element`, 0 = the
// first) or a result scalar ("$NAME").
struct LoopBound {
    std::string name; // "" for a number
    int element = 0;
    long long value = 0;
};

// A level of a file loop while it replays.
struct FileLoopLevel {
    long long start = 0, end = 0, step = 1;
};

// One row of the procedure level table.
struct ProcLevel {
    int ref = 0;            // the procedure text variable
    std::string name;       // its name (the marker for a loop body)
    bool exhausted = false; // no command left in the text
    bool loop = false;      // the level is a DO loop run as a procedure
    long long start = 0, end = 0, step = 1;
    long long index = NO_INDEX_VALUE;
    long long next = 1; // element of the next command in the text
    long long body = 1; // element of the first command of a loop pass
    // What the level's slot of the marker table held before the level began (a file loop
    // replaying around an EXECUTE owns slots 1 and 2); given back when the level closes.
    char displaced_marker = ' ';
    long long displaced_index = NO_INDEX_VALUE;
    Real displaced_scalar = 0;
};

// The sample as it was when procedure level 1 began.
struct SavedSample {
    bool held = false;
    int IBEG = 1, IEND = -999, NOBS = -999;
    bool had_skip = false;
    std::vector<Real> skip_codes;
};

struct LoopState {
    int L8 = 98;  // scratch unit of the loop file
    int L82 = 82; // unit of procedure files
    std::string loop_file = "TARV_8";

    // Marker and index of every level (index 1 .. 19); a blank marker never matches.
    std::array<char, MAX_PROC_LEVELS + 2> marker{};
    std::array<long long, MAX_PROC_LEVELS + 2> LOOP{};

    // File loop.
    bool replaying = false;   // the command input is the loop file
    int return_unit = 5;      // command input when the loop ends
    int loop_base_levels = 0; // procedure levels running when the loop began
    int saved_record_length = 255;
    std::array<FileLoopLevel, 3> file_level{};
    std::array<bool, 3> level_echo{};
    std::array<LoopBound, 3> inner_bounds{}; // the inner loop's bounds as its header gave them

    // Procedures.
    int levels = 0; // running procedure levels
    std::array<ProcLevel, MAX_PROC_LEVELS + 2> proc{};
    SavedSample saved_sample;
    int unknown_procedures = 0;  // EXECUTE of names with neither text nor file
    std::string pending_execute; // procedure to run once its file has defined it

    LoopState() {
        marker.fill(' ');
        LOOP.fill(NO_INDEX_VALUE);
    }
};

} // namespace tarvex
