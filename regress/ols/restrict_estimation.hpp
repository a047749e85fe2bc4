// The RESTRICT option of the least-squares estimators. The command reads the RESTRICT block that
// follows it before it estimates: each line compiled on the equation, and the lines the reading
// wrote (the statements' echoes, its messages) held for the report. The estimation then
// evaluates the restrictions at its solution, imposes R b = r, and notes the F test of the
// restrictions, with the held lines where the block stands in the report.
#pragma once

#include "numeric/real.hpp"
#include "regress/test/test_hypotheses.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct OlsFit;
struct OlsEstimate;

struct RestrictionBlock {
    bool read = false;     // the block was read (RESTRICT given)
    bool ok = false;       // every line compiled and END reached
    TestEquation equation; // the names, references and lags of the terms (no coefficients)
    std::vector<CompiledHypothesis> rows;
    // The lines the reading wrote, in order; rows[i]'s lines end before held[held_end[i]].
    std::vector<std::string> held;
    std::vector<std::size_t> held_end;
    bool space_ok = true; // the work area holds the gradient rows and their variance matrix
};

// Reads the block for the equation of `fit` (front end: statements are read here).
RestrictionBlock read_restriction_block(Run& run, const OlsFit& fit);

// Evaluates the restrictions at the solved fit and replaces its coefficients and (X'X)**-1 by
// their restricted forms (fit.restrictions grows by q); fit.sse holds the unrestricted sum of
// squared residuals. The held lines and the F test go to the notes. False when the estimation
// ends: the failure is the estimate's.
bool impose_restrictions(OlsEstimate& e, const RestrictionBlock& block);

} // namespace tarvex
