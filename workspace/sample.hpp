// Sample ranges: the SAMPLE/SMPL and TIME commands, the skip variable SKIP$ through which
// ranges, SKIPIF and missing-value skipping act, the check CKSMPL and the counter SKIPIT.
#pragma once

#include "numeric/real.hpp"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;
struct SampleBlock;

// Codes held in SKIP$ for one observation (an observation is used when its code is 0 or less).
inline constexpr int SKIP_IN_USE = 0;
inline constexpr int SKIP_BY_SKIPIF = 1;
inline constexpr int SKIP_OUTSIDE_RANGES = 2; // added to the code, so 2 or 3
inline constexpr int SKIP_MISSING = 9;

// ---- The skip variable -------------------------------------------------------------------

// The codes of SKIP$, addressed as codes[t] for observation t = 1 .. length (codes points at
// DATA(LSKIP), so codes[t] is DATA(LSKIP + t)). Empty (codes null, length 0) without SKIP$.
// The view is valid until the next NEWVAR, DELETE or compaction.
struct SkipCodes {
    Real* codes = nullptr;
    long long length = 0;
    explicit operator bool() const { return codes != nullptr; }
};

// Slot of SKIP$ (0 when it does not exist).
int skip_slot(const Run& run);
// LSKIP: the DATA index just before the first element of SKIP$, 0 without SKIP$. It is looked
// up afresh on each call, so it follows SKIP$ through NEWVAR moves, DELETE and RESET.
long long LSKIP(const Run& run);
SkipCodes skip_codes(Run& run);
// Whether observation t is in use: no SKIP$, t outside it, or its code is 0 or less.
bool obs_in_use(const Run& run, int t);
// Creates SKIP$ with `length` elements, or enlarges it keeping its codes (new codes are 0).
// False when the workspace could not hold it (NEWVAR has reported why).
bool make_skip_variable(Run& run, long long length);

// ---- Sample state ------------------------------------------------------------------------

// Returns the sample block to its state at the start of a run (no sample, no calendar).
void reset_sample(SampleBlock& smpl);
// Number of observations in first..last whose SKIP$ code is above 0.
int count_skipped(const Run& run, int first, int last);

// ---- Commands ----------------------------------------------------------------------------

// Handler of SAMPLE, SMPL and TIME (the latter chosen by IKOD).
void cmd_sample(Run& run);
// TIME beg freq [var].
void cmd_time(Run& run);

// ---- Checks before a command computes ----------------------------------------------------

// Checks the variables of the current command against the check range (run.smpl.check_first,
// check_last): fills in the last value from the shortest variable when it is 0 or below, warns
// about or marks (SKIPMISS) missing values, and reports a variable shorter than the range
// (ODONT). Without SKIPMISS an estimator that takes the missing code as a number adds one note
// counting the observations that hold it; `drops_own_missing` names a listed variable whose
// missing observations the command leaves out itself (the OLS weight): warned about, not counted.
// `lagged_only` lists variables the command reads only through lags: their ranges are checked and
// their missing values warned about, but an observation is not left out (nor counted) for a
// value it does not read; the command leaves out those that read it through the lag.
void CKSMPL(Run& run, std::span<const int> refs, int drops_own_missing = 0,
            std::span<const int> lagged_only = {});
// The lines CKSMPL writes about the missing code, for commands that check series it cannot see
// (series bound to a file): the warning about observation t of a variable (`name8`, 8 columns),
// and the note counting the observations that use the code as data (nothing when none).
std::string missing_value_warning(const Run& run, long long t, const std::string& name8);
void note_missing_values_used(Run& run, long long used);
// Counts the skipped observations of the check range: NSKIP = their number, JBEG = one less
// than the first of them (0 when none); NSKIP = 0 when SKIP$ is shorter than the range start.
void SKIPIT(Run& run);

// ---- Statement words shared by SAMPLE and TIME --------------------------------------------

// The words after the command word: blanks, commas and ";" separate them, ":" is a word alone.
std::vector<std::string> sample_statement_words(const Run& run);
// Reads "year.sub" (sub digits as an integer, 0 or none counting as 1); false otherwise.
bool parse_date_word(std::string_view word, long long& year, long long& sub);
// Writes "...ERROR..SYNTAX ERROR IN ABOVE COMMAND" and ends the command (OSCAN unless OTALK).
void sample_syntax_error(Run& run);

} // namespace tarvex
