// Report lines of CHECKOUT: the heading, one line a finding (or one line saying a series is
// clean), the collinearity table and the closing count. Writes what it is given.
#pragma once

#include "numeric/real.hpp"
#include "regress/checkout/checkout_findings.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// The range checked, with its dates under TIME (empty otherwise).
struct CheckedRange {
    long long beg = 1, end = 0, in_use = 0;
    std::string beg_date, end_date;
};

// The collinearity part: the regressors' names, their factors and the condition number.
struct CollinearityShown {
    std::string command, dependent;
    long long n = 0;
    std::vector<std::string> names;
    std::vector<bool> constant; // the intercept has no factor
    std::vector<Real> vif;      // per regressor
    Real condition = 0;
    bool singular = false;
    Real vif_max = 10, condition_max = 30;
};

// `dates` gives the date text of observation t under TIME (or nothing).
void report_checkout_heading(Run& run, int series, const CheckedRange& range);
void report_series_findings(Run& run, const std::vector<CheckedSeries>& series,
                            const std::vector<Finding>& findings);
void report_gap(Run& run, const Finding& gap, const std::string& first_date,
                const std::string& last_date);
void report_collinearity(Run& run, const CollinearityShown& c);
void report_checkout_total(Run& run, long long findings, long long with_findings, int series);

} // namespace tarvex
