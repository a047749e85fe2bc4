// What one frequency conversion of CONVERT is asked to do, checked against the workspace and
// the options before anything is computed, and the pieces its report shows.
#pragma once

#include "convert/convert_options.hpp"
#include "numeric/real.hpp"
#include "workspace/calendar_dates.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

enum class ConvertMethod { SUM, AVERAGE, FIRST, LAST, CONSTANT, LINEAR, DENTON, CHOWLIN };

struct ConvertPlan {
    std::string new_name, old_name;
    int old_ref = 0;
    std::vector<std::string> indicator_names;
    std::vector<int> indicator_refs;
    int from = 0, to = 0, ratio = 1;
    bool down = true; // to a lower frequency
    ConvertMethod method = ConvertMethod::SUM;
    std::string method_word;
    bool match_average = false; // DENTON, CHOWLIN: period averages are met, not sums
    long long beg = 1, end = 0; // observations of the old series converted
    // The TIME calendar, when its frequency is the old series' own: the date of `beg`.
    bool dated = false;
    CalendarDate first_date;
    int offset = 0; // sub-periods of the first new period before `beg` (down conversion)
};

// Reads and checks the statement's names and options; false after the error line.
bool plan_conversion(Run& run, const ConvertOptions& o, const std::vector<std::string>& words,
                     ConvertPlan& plan);

// "SUM", "DENTON" ...
const char* method_name(ConvertMethod method);

} // namespace tarvex
