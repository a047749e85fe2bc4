// The option table of NONPAR, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/estimator_front.hpp"

#include <string>

namespace tarvex {

struct Run;

// METHOD (regression) is NW or LOCLIN; KERNEL a kernel's name; RULE SILVERMA, SCOTT or CV.
struct NonparOptions : EstimatorOptions {
    bool PLOTS = false;
    int NGRID = 512;
    Real BANDWIDT = 0;
    bool BANDWIDT_given = false;
    std::string KERNEL, RULE, POINTS, CURVE, GRID;
};

const OptionTable& nonpar_option_table();
// The shared defaults, with KERNEL=GAUSSIAN, METHOD=NW and NGRID=512.
void set_nonpar_defaults(Run& run);
NonparOptions read_nonpar_options(const Run& run);

} // namespace tarvex
