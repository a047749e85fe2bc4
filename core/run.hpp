// The run object: every block of run state (switches, run flags, sizes, the line buffer, the
// workspace, the result scalars, the scan block, the option set, the sample and the units)
// owned by the one run that TARVEXQX starts. Every routine receives it by reference.
#pragma once

#include "core/carried_variable.hpp"
#include "core/estimation_results.hpp"
#include "core/file_settings.hpp"
#include "core/graph_formats.hpp"
#include "core/host_link.hpp"
#include "core/host_settings.hpp"
#include "core/loop_state.hpp"
#include "core/option_set.hpp"
#include "core/result_scalars.hpp"
#include "core/scan_block.hpp"
#include "core/switches.hpp"
#include "core/units.hpp"
#include "core/user_commands.hpp"
#include "core/workspace_block.hpp"
#include "numeric/random_numbers.hpp"
#include "numeric/real.hpp"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace tarvex {

// Run modes held in MOS.
inline constexpr int MODE_CONSOLE = 16;
// A host that keeps the engine loaded and shares files with it: before a file is bound the host
// is asked whether another program holds it.
inline constexpr int MODE_SHARED_FILES = 28;
inline constexpr int MODE_BATCH_LOG = 29;
inline constexpr int MODE_WINDOWED = 30;
inline constexpr int MODE_WINDOWED_33 = 33;

inline constexpr int LINMAX = 262144;                      // longest statement
inline constexpr std::size_t HEADER_LABELS_WIDTH = 16 * 8; // the header label table
inline constexpr int PHYSICAL_LINE = 255;                  // longest physical line

// Flags of the other logical block: per-command flags and run flags.
struct RunFlags {
    bool OTNUM = false;            // numbered name ranges, strict name characters
    bool ONEWV = false;            // unknown names create new variables
    bool OERR = false;             // the scanner met a syntax error
    bool ODONT = false;            // the command must not run
    bool OPUT = true;              // the command may print
    bool OEOF = false;             // end of input on the command unit
    bool OPAR = false;             // a PAR/SIZE reallocation is pending across the restart
    bool multiple_windows = false; // host answered "Multiple" to GET_WINSTATE=
    bool editor_mode = false;      // between two TARVEDIT commands
    bool if_false = false;         // the statement was skipped by a false IF
    bool endif_hit = false;        // ENDIF met its condition (LHS -12345): the DO loop ends
};

// Sizes fixed at start-up.
struct RunSizes {
    int IPAR = 20480;  // work area kilobytes
    long long PAR = 0; // work area in NBYTES units
    int MAXVAR = 1000;
    int MXCOL = 1000;
    int MTYPE = 4;
    int NBYTES = 16;
    int COMLEN = 255; // character-string length limit
};

// Run values of SET (integers, reals and names beyond the switches).
struct RunValues {
    int READUNIT = 5;
    int WRITEUNI = 7;
    int COMLEN = 255;
    int RANSEED = 0;
    int MACLOAD = 0;
    int RANLEVEL = 4;
    Real CPUTIME = 0;
    Real RCPUTIME = 0;
    std::string names[13]; // FORMAT, READFILE, WRITEFIL, IDVAR, USER, BANKNAME, BANKTYPE,
                           // BANKFORM, COEFFICI, COVARIAN, IEEE, CRYPT, GIF
    std::string paths[3];  // the three 255-character path strings of RESET
};

// A statement read ahead by a command that reads its own lines (an abandoned TEST block that
// meets the next ordinary command), kept for the command loop to run next.
struct HeldStatement {
    bool held = false;
    std::string text;
    std::string word;
    int col = 0;
    int IKOD = 0;
    bool quiet = false;
};

// The current statement and the command it holds.
struct CommandState {
    std::string text; // the logical statement
    int col = 0;      // where the scanner continues after the command word (0-based)
    std::string word; // command word, 8 characters blank-padded
    int IKOD = 0;
    int LASKOD = 0;
    long long statements = 0; // statements read so far
    int unknown_in_row = 0;
    std::string goto_label;  // label sought by GOTO ("" when none)
    std::string stop_word;   // argument word of STOP / RESET / PAR
    bool quiet = false;      // the statement began with "?" (OPUT false)
    int end_request = 0;     // set by a handler: END_STOP or END_REALLOCATE ends the loop
    int replay_depth = 0;    // DO loops and procedures whose statements are being replayed
    int record_length = 255; // longest physical record read from the command unit
    HeldStatement ahead;     // returned by the next INPUT instead of a new statement
};

// Values of CommandState::end_request.
inline constexpr int END_NONE = 0;
inline constexpr int END_STOP = 1;
inline constexpr int END_REALLOCATE = 2;

// The sample block (filled by the sample commands).
struct SampleBlock {
    int IBEG = 1;
    int IEND = -999;
    int NOBS = -999;
    int MAXOB = 0;
    // Calendar of TIME: year and sub-period of observation 1, sub-periods per year
    // (ITIME2 = 0 until a TIME command has been given).
    int ITIME1 = 1;
    int ITIME2 = 0;
    int ITIME3 = 0;
    // Working count of SKIPIT (skipped observations in the check range) and the observation
    // just before the first skipped one. LSKIP is not kept here: LSKIP(run) looks SKIP$ up.
    int NSKIP = 0;
    int JBEG = 0;
    // Check range of CKSMPL and SKIPIT, set by the calling command; a last value of 0 or below
    // asks CKSMPL for the length of the shortest variable.
    int check_first = 1;
    int check_last = -9999;
};

// Where a run's console streams go: the entry point passes stdin/stdout; tests pass memory
// streams so that many runs can share one process.
struct RunStreams {
    std::FILE* in = stdin;
    std::FILE* out = stdout;
};

// The developers' check that every error line of a statement stores its number in $ERR: the
// statement's error lines and stored numbers are counted (TARVEX_CHECK_ERROR_NUMBERS turns it on).
struct ErrorNumberCheck {
    bool on = false;
    int error_lines = 0;    // "...ERROR.." lines written since the statement began
    int numbers_stored = 0; // numbers stored in $ERR since then
    std::string first_line; // the first of those lines
};

// The first error a step reported while its outcome is being recorded for the ranks of a run over
// several processes to agree on (core/rank_agreement.hpp).
struct StepErrors {
    bool recording = false;
    std::string line; // the first error line reported while recording ("" when none)
    int number = 0;   // the first $ERR number stored while recording (0 when none)
};

// A worked example that DEMONSTR is running: its statements come from `unit` until the file
// ends; at a terminal the run waits for RETURN before each of them but the first.
struct DemonstrationState {
    bool active = false;
    bool pausing = false;
    int statements = 0;      // statements read from the example so far
    int saved_read_unit = 5; // READUNIT before the example took it over
    int saved_input = 5;     // the input unit DEMONSTR was read from
    std::string name;        // the example's name, as listed
};

struct Run {
    int MOS = 1;
    int window = 0;
    int extra = 0;
    int L5 = 5, L6 = 6, L55 = 5, L86 = 86, LOUT = 0, IN = 5;

    SwitchBlock sw;
    RunFlags flags;
    RunSizes sizes;
    RunValues vals;
    CommandState cmd;
    LineBuffer buf;
    Workspace ws;
    ResultScalars res;
    ScanBlock scan;
    OptionSet opt;
    SampleBlock smpl;
    UnitTable units;
    FileSettings files; // directories set by FILE
    RunStreams streams;
    HostSettings host;                 // sizes, directories and fonts read at start-up
    expr::RandomGenerator rng;         // UNI and NOR draws; SET RANSEED reseeds it
    EstimationResults last_estimation; // what the last estimation command left
    LoopState loops;                   // DO loops and procedures
    DemonstrationState demo;           // the worked example DEMONSTR runs
    GraphFormats graph_formats;        // TIMEFMT, AXISFMT, NAMEFMT: what plots read
    UserCommands user_commands;        // the words and functions plug-in libraries added
    // The header label table: sixteen 8-character labels (TITLE text), carried by the data file
    // blocks WRITE makes and by every variable stored in the data bank.
    std::string header_labels = std::string(HEADER_LABELS_WIDTH, ' ');

    // Timing recorded at the start of the command loop.
    std::chrono::steady_clock::time_point wall_start{};
    std::clock_t cpu_start = 0;

    // Request left by PAR/SIZE for start-up: new kilobytes and variable count (0 = none).
    int requested_kb = 0;
    int requested_maxvar = 0;
    // Variables kept in memory across a PAR/SIZE reallocation (flags.OPAR marks them pending).
    std::vector<CarriedVariable> carried;
    ErrorNumberCheck error_check;
    StepErrors step_errors;
};

// Raised by the fatal stop XXIT; the entry point ends the process, tests catch it.
struct FatalStop {
    int code;
};

} // namespace tarvex
