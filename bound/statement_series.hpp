// The list of a statement that takes series bound to a file: each item a bound series or a whole
// data series of the work area beside them, with the name the block source takes and the name a
// report shows.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct StatementSeries {
    std::string source; // the name open_bound_rows takes
    std::string shown;  // the name as READ makes it, at most 8 characters, trailing blanks trimmed
};

// The scanned list, item by item. False at the first item that is neither a bound series nor a
// whole data series in memory (a lag, a matrix, a column, a result): nothing is reported, the
// command refuses it in its own words.
bool statement_series(Run& run, std::vector<StatementSeries>& out);

// The last observation the bound series among `names` hold (or `end` when none is shorter).
int bound_last_observation(Run& run, const std::vector<std::string>& names, int end);

// A range past the end of a bound series is an error, as for series in memory: each short series
// is reported (" ...ERROR..SAMPLE RANGE EXCEEDS LENGTH OF"). `wanted` is the last observation the
// range asks for (0 or below: none asked); `sources` the names the block source takes, `listed`
// the statement's items they come from (the first ones).
bool range_within_bound_rows(Run& run, const std::vector<StatementSeries>& listed,
                             const std::vector<std::string>& sources, int wanted);

} // namespace tarvex
