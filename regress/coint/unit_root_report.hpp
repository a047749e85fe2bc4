// The reports of the unit-root tests of one variable: the test regression (ADF) through the
// coefficient table, the statistic with its p-value and critical values. The reports only
// write: the tests are judged and stored by unit_root_result and the command.
#pragma once

#include "regress/coint/unit_root_result.hpp"

#include <string>

namespace tarvex {

struct Run;

// What the report says about the choice of the lag length.
struct LagChoice {
    LagSelection select = LagSelection::FIXED;
    int max_lag = 0;
};

const char* deterministic_word(Deterministic det);

// `det` is the test regression's.
void report_adf(Run& run, const std::string& name, const AdfTest& test, Deterministic det,
                const LagChoice& choice, bool wide);
void report_phillips_perron(Run& run, const std::string& name, const PhillipsPerronTest& test,
                            Deterministic det);
void report_kpss(Run& run, const std::string& name, const KpssTest& test, Deterministic det);

} // namespace tarvex
