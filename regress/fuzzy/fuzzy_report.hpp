// FUZZY's report: the level, the minimised total spread and the program's certificate, the
// table of centres and spreads with each coefficient's h-level interval, and on request each
// observation's band.
#pragma once

#include "regress/fit/estimation_equation.hpp"
#include "regress/fuzzy/fuzzy_estimate.hpp"

namespace tarvex {

struct Run;

void report_fuzzy(Run& run, const EstimationEquation& eq, const FuzzyData& data,
                  const FuzzyFit& fit, Real h, bool print_band);

} // namespace tarvex
