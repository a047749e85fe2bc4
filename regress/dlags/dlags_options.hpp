// The DLAGS option table, its defaults and the options read from it.
#pragma once

#include "options/options.hpp"

#include <string>

namespace tarvex {

struct Run;
struct OlsOptions;

const OptionTable& dlags_option_table();
void set_dlags_defaults(Run& run);

// The distributed lag DLAGS imposes.
struct DlagsShape {
    int lags = 0;         // the longest lag; lags 0 .. lags of the lagged variable enter
    int order = 0;        // degree of the lag polynomial
    int endcon = 0;       // 0 free, 1 NEAR, 2 FAR, 3 BOTH
    int end_switches = 0; // how many of NEAR, FAR, BOTH were given
};

DlagsShape read_dlags_shape(const Run& run);

// The regression options of the DLAGS command laid over `o` (OLS's defaults): the printing
// switches, the intercept, the range and the output names; DLAG's lag-sum table is always on.
void apply_dlags_options(const Run& run, OlsOptions& o);

} // namespace tarvex
