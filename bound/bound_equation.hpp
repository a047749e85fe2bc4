// The checks an estimator over series bound to a file shares with the others that take them: the
// estimation range against the bound rows, and the missing code found in a pass over the rows and
// warned about as the same series in memory are.
#pragma once

#include "bound/statement_series.hpp"
#include "kernels/row_blocks.hpp"

#include <memory>
#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The last observation the bound series among `names` hold (or `end` when none is shorter).
int bound_last_observation(Run& run, const std::vector<std::string>& names, int end);

// Ranges past the end of a bound series are errors, as for series in memory: each short series
// is reported. `wanted` is the last observation the range asks for (0 or below: none asked).
// `listed` names the first sources as the report shows them.
bool range_within_bound_rows(Run& run, const std::vector<StatementSeries>& listed,
                             const std::vector<std::string>& sources, int wanted);

// The refusal of what needs every row in memory at once (an option, a kind of data), before
// anything is read: " ...ERROR..<what> NEEDS THE SERIES IN MEMORY: READ THEM INSTEAD OF BINDING".
void refuse_needing_memory(Run& run, const std::string& what, int number);

// The rows of an estimation over bound series: the range BEG..END (`beg` from 1; `end` -999 or
// below 1: the sample's end) checked against the bound rows, cut at the last bound row when no
// range is given, and the source of this rank's blocks of the sample's rows over it (`beg` and
// `end` set to the range). Null after an error line: a range past the bound rows, or a file one
// rank cannot open (reported on every rank with `read_error`). The ranks' shares are cut at
// multiples of `share_unit` rows.
std::unique_ptr<RowBlocks> open_estimation_rows(Run& run,
                                                const std::vector<StatementSeries>& listed,
                                                const std::vector<std::string>& sources, int& beg,
                                                int& end, int read_error, long long share_unit = 1);

// The observations of each column of `rows` that hold the missing code, found by a pass over the
// rows (over several ranks, every rank's in rank order); the rows are rewound after it. False when
// a read failed (reported with `read_error`).
bool find_bound_missing_values(Run& run, RowBlocks& rows, std::vector<std::vector<long long>>& at,
                               int read_error);

// The missing code as the check of series in memory reports it: a warning for each observation
// of each series that holds it (in the order of the columns), then the note counting the
// observations of the columns other than `weight_column` (-1: none) that use it as data.
void warn_bound_missing_values(Run& run, const std::vector<StatementSeries>& listed,
                               const std::vector<std::string>& sources, int weight_column,
                               const std::vector<std::vector<long long>>& at);

} // namespace tarvex
