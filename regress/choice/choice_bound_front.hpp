// What PROBIT, LOGIT and TOBIT over series bound to a file share before the checks of their data:
// the statement's checks as the command makes them for series in memory (a run over several
// processes refused, whole data series only beside bound ones, the list, a variable on both
// sides), the refusal of an option that needs every row, the estimation range opened over the
// blocks and the count of observations against the coefficients.
#pragma once

#include "bound/statement_series.hpp"
#include "kernels/row_blocks.hpp"
#include "regress/choice/choice_block_columns.hpp"
#include "regress/choice/choice_equation.hpp"

#include <memory>
#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct ChoiceOptions;

struct BoundChoiceStatement {
    ChoiceEquation eq;
    ChoiceBlockColumns where;            // the dependent variable in column 0, no weights
    std::vector<std::string> names;      // the coefficients' names as the report prints them
    std::vector<StatementSeries> listed; // the series as the statement lists them
    std::vector<std::string> sources;    // their sources: the dependent variable, then the terms
    int intercept = -1;                  // the intercept's coefficient, -1 without
    std::unique_ptr<RowBlocks> rows;
};

// Fills `out` for `command` over the bound series the statement lists; `refused_option` is the
// option (as the statement names it) that needs every row, empty when none. `parameters` is the
// count of parameters beyond the coefficients of the terms (TOBIT's sigma: 1). False after an
// error line, and when the statement is only scanned.
bool open_bound_choice(Run& run, int command, const ChoiceOptions& o,
                       const std::string& refused_option, int parameters,
                       BoundChoiceStatement& out);

} // namespace tarvex
