// The arguments of CALLOPTI and PUTOPTIO: each of SPOT, STRIKE, RATE, YIELD, VOL, TIME and
// PRICE is a number, a scalar (a variable of one element or a "$" result) or a series. With no
// series every argument is one value and one option is priced; with series, one option is
// priced at each observation in use of BEG..END, the numbers and scalars the same at all.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct OptionArgument {
    std::string keyword; // SPOT, STRIKE ...
    bool given = false;
    int series_ref = 0;        // the series read (0: a single value)
    int variable_ref = 0;      // the variable read, series or scalar (0: a number)
    Real value = 0;            // the single value
    std::vector<Real> at_rows; // a series' values at the observations in use
};

// The value typed for `keyword` read: false (reported, $ERR sequence `bad_argument`) when it is
// neither a number nor a scalar or series variable. A blank text is an argument not given.
bool read_option_argument(Run& run, const std::string& keyword, const std::string& typed,
                          int bad_argument, OptionArgument& out);

// The observations in use when some argument is a series: BEG..END checked as the estimators
// check it over every series argument, each series' values gathered into at_rows. False when
// the range check stopped the command.
bool gather_argument_rows(Run& run, std::vector<OptionArgument*> arguments, int beg, int end,
                          std::vector<int>& obs, int& last);

// The value of an argument at row i of the observations in use.
inline Real argument_at(const OptionArgument& a, std::size_t i) {
    return a.series_ref ? a.at_rows[i] : a.value;
}

} // namespace tarvex
