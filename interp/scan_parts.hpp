// Pieces of the statement scanner shared by its files: lag references, numbered name ranges,
// name lookup and creation, and the scan dump. Only the scanner's own files include this.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// A lag reference name(first.last[,order[,endcon]]).
struct LagRange {
    int first = 0;
    int last = 0;
    int order = 0;
    int endcon = 0;
};

inline constexpr int LAG_ORDER_UNIT = 10000; // lag code = L + 10000*order + 10000000*endcon
inline constexpr int LAG_ENDCON_UNIT = 10000000;
inline constexpr int LAG_CODE_MAX = 999;      // largest order or end-constraint code
inline constexpr int RANGE_SUFFIX_MAX = 9999; // numbered name ranges count up to 9999

// Lag code of lag `lag` of a reference.
inline int lag_code(const LagRange& lags, int lag) {
    return lag + LAG_ORDER_UNIT * lags.order + LAG_ENDCON_UNIT * lags.endcon;
}

// Parses the lag reference that begins with "(" at text[pos]. On success `pos` is just past
// ")"; on a syntax error it returns false with `pos` at the offending column.
bool parse_lag_reference(std::string_view text, std::size_t& pos, LagRange& lags);
// After a lag reference that failed at text[open] == '(': when it was written name(-n), the
// form expressions use, a note says how a list writes that lag.
void note_lag_form(Run& run, std::string_view text, std::size_t open, std::string_view name);

// Writes "  LAG FOR <name in 8 columns>RANGE =<first><last> ORDER=<order> ENDCON=<endcon>".
void report_lag_range(Run& run, std::string_view name, const LagRange& lags);

// Outcome of reading an item as a numbered name range such as X1-X12.
enum class RangeKind { NOT_RANGE, RANGE, BAD };

// Expands "X1-X12" into X1 ... X12 (the suffix counts up keeping its width until it must
// grow, so X08-X11 gives X08 X09 X10 X11). NOT_RANGE when the item holds no "-"; BAD when the
// two names differ in their letters, have no numeric suffix or count down.
RangeKind expand_name_range(std::string_view item, std::vector<std::string>& names);

// Finds `name` in the workspace (creating it under ONEWV). Returns the reference, or 0 when
// the name is skipped or unknown (the unknown-variable message is written and ODONT set).
int resolve_name(Run& run, const std::string& name);

// The name as the run's messages show it: upper-cased when the run folds names (OLC).
std::string shown_name(const Run& run, std::string_view name);

// Under ODMMP: writes the scan block as the scanner left it.
void dump_scan_block(Run& run);

} // namespace tarvex
