// Pieces shared by the file loop and the procedure machinery: the words of a DO statement, its
// bounds and their checks, the index result scalars and the loop messages.
#pragma once

#include "core/run.hpp"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

inline constexpr long long LOWEST_INDEX = -32000;
inline constexpr long long HIGHEST_INDEX = 999999999;
inline constexpr long long UNKNOWN_BOUND = 31000; // an inner bound named before it exists

// A parsed DO statement: marker, start, end and step.
struct DoStatement {
    char marker = ' ';
    std::array<LoopBound, 3> bound{};
    int nbounds = 0;
};

enum class DoParse { OK, MISSING_EQUALS, SYNTAX };

// The words after the command word: blanks, commas and tabs separate them, "=" and ":" are
// words of their own.
std::vector<std::string> do_statement_words(std::string_view text, std::size_t col);
// Parses "m = start, end [, step]"; unknown bound names are an error unless `unknown_allowed`,
// when they stand for UNKNOWN_BOUND. The step defaults to 1. With `named_bounds_later` (an
// inner loop, whose named bounds are looked up again when it runs) the order of start and end
// is only checked when both are numbers.
DoParse parse_do_statement(Run& run, std::string_view text, std::size_t col, bool unknown_allowed,
                           DoStatement& out, bool named_bounds_later = false);
// Evaluates a named bound again (numbers keep their value); false when the name is unknown or
// its value is unusable.
bool reevaluate_bound(Run& run, LoopBound& bound);
// The checks of the loop parameters: a nonzero step that moves start towards end, and start
// and end within LOWEST_INDEX..HIGHEST_INDEX.
bool loop_parameters_valid(long long start, long long end, long long step);
// Whether `index` has not yet passed `end` in the direction of `step`.
bool index_within(long long index, long long end, long long step);
// Whether a one-character word may serve as a loop marker.
bool valid_marker(std::string_view word);

// The index result scalar of a level: $DO for level 1, DO2 .. DO18 for the others.
void set_index_scalar(Run& run, int level, long long value);
Real index_scalar(const Run& run, int level);
// Puts back a value the level's index scalar held earlier.
void restore_index_scalar(Run& run, int level, Real value);

// " EXECUTION BEGINNING FOR DO LOOP  m =   start" and the finishing line.
void write_loop_beginning(Run& run, char marker, long long start);
void write_loop_finished(Run& run, char marker, long long index);
// An error in a DO statement or loop (its message and $ERR number); ends the command.
void do_syntax_error(Run& run, const std::string& message, int number);
// The error for a DO statement that did not parse: a missing "=" or any other syntax error.
void do_statement_error(Run& run, DoParse parsed);

// The early end of a replaying file loop (ENDIF); false when none replays.
bool end_file_loop_early(Run& run);

// Keeps the count that COMPRESS reads in step with the loops and levels running.
void sync_replay_depth(Run& run);

} // namespace tarvex
