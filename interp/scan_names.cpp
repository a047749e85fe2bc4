// Names in the statement scanner: numbered name ranges (X1-X12), and the lookup of each name
// in the workspace with creation under ONEWV, the quiet DELETE skip, the data bank under DB and
// the unknown message.
#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "interp/scan_parts.hpp"
#include "numeric/text.hpp"
#include "workspace/data_bank.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

// $ERR of a listed variable that does not exist: the command's number x 1000 + this.

// Splits a name into its leading part and its trailing digits.
struct NumberedName {
    std::string_view stem;
    std::string_view digits;
};

NumberedName split_suffix(std::string_view name) {
    std::size_t cut = name.size();
    while (cut > 0 && is_ascii_digit(name[cut - 1])) --cut;
    return {name.substr(0, cut), name.substr(cut)};
}

// Value of a digit string, or -1 when it exceeds the range limit.
int suffix_value(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > RANGE_SUFFIX_MAX) return -1;
    }
    return value;
}

// Adds one to a decimal digit string, growing it by a digit when every digit was 9.
void count_up(std::string& digits) {
    for (std::size_t k = digits.size(); k-- > 0;) {
        if (digits[k] != '9') {
            ++digits[k];
            return;
        }
        digits[k] = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

RangeKind expand_name_range(std::string_view item, std::vector<std::string>& names) {
    names.clear();
    std::size_t dash = item.find('-');
    if (dash == std::string_view::npos) return RangeKind::NOT_RANGE;
    std::string_view from = item.substr(0, dash);
    std::string_view to = item.substr(dash + 1);
    if (to.find('-') != std::string_view::npos) return RangeKind::BAD;
    NumberedName a = split_suffix(from);
    NumberedName b = split_suffix(to);
    if (a.stem.empty() || a.digits.empty() || b.digits.empty()) return RangeKind::BAD;
    if (upper_ascii(a.stem) != upper_ascii(b.stem)) return RangeKind::BAD;
    const int first = suffix_value(a.digits);
    const int last = suffix_value(b.digits);
    if (first < 0 || last < 0 || last < first) return RangeKind::BAD;
    std::string digits(a.digits);
    for (int value = first; value <= last; ++value) {
        names.push_back(std::string(a.stem) + digits);
        count_up(digits);
    }
    return RangeKind::RANGE;
}

std::string shown_name(const Run& run, std::string_view name) {
    return run.sw[OLC] ? upper_ascii(name) : std::string(name);
}

int resolve_name(Run& run, const std::string& name) {
    if (int found = VFIND(run, name); found != 0) return found;
    if (run.flags.ONEWV && !name.empty() && name.front() != '$') {
        int ref = 0; // whole variable
        NEWVAR(run, name, 1, TYPE_DATA, 0, 1, ref);
        if (ref > 0)
            ++run.scan.NEWV;
        else
            report_error(run, ""); // NEWVAR has reported the full work area or name table
        return ref;
    }
    if (run.cmd.IKOD == C_DELETE && !run.flags.OPUT) return 0; // "?DELETE": skip quietly
    // With DB on the name is also sought in the data bank (an error there is reported by it).
    if (run.sw[ODB] && !name.empty() && name.front() != '$') {
        bool bank_failed = false;
        if (int fetched = find_or_fetch(run, name, &bank_failed); fetched > 0) return fetched;
        if (bank_failed) {
            report_error(run, "");
            return 0;
        }
    }
    const int ikod = run.cmd.IKOD;
    if (!name.empty() && name.front() == '$' &&
        (ikod == C_PRINT || ikod == C_WRITE || ikod == C_LIST)) {
        // PRINT and WRITE name an unknown result scalar in their own words.
        report_error(run,
                     " ...ERROR..$" + shown_name(run, name.substr(1)) + " IS NOT CURRENTLY DEFINED",
                     shared_error::RESULT_UNDEFINED);
        return 0;
    }
    report_error(run, " ...ERROR..VARIABLE " + shown_name(run, name) + " DOES NOT EXIST...",
                 shared_error::NO_SUCH_VARIABLE);
    return 0;
}

} // namespace tarvex
