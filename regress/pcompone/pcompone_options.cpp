// The option table of PCOMPONE and its own defaults.
#include "regress/pcompone/pcompone_options.hpp"

#include "core/run.hpp"
#include "options/option_access.hpp"
#include "regress/fit/estimator_front.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable PCOMPONE_TABLE = {
    {
        //  #  keyword      effect
        "COVAR",     //  1 switch  components of the covariance matrix (off: the correlation matrix)
        "PLOTS",     //  2 switch  scree plot of the eigenvalues
        "BEG",       //  3 integer first observation
        "END",       //  4 integer last observation
        "NCOMP",     //  5 integer components whose scores SCORES= stores (0: all)
        "SCORES",    //  6 name    prefix of the score series: prefix1, prefix2, ...
        "LOADINGS",  //  7 name    the loadings, K by K, one column a component
        "EIGVAL",    //  8 name    the eigenvalues, largest first
    },
    2, 3, 0, 3};
// clang-format on

} // namespace

const OptionTable& pcompone_option_table() {
    return PCOMPONE_TABLE;
}

void set_pcompone_defaults(Run& run) {
    set_estimator_defaults(run, PCOMPONE_TABLE);
}

PcomponeOptions read_pcompone_options(const Run& run) {
    const OptionValues v(run.opt, PCOMPONE_TABLE);
    PcomponeOptions o;
    o.COVAR = v.on("COVAR");
    o.PLOTS = v.on("PLOTS");
    o.BEG = v.integer("BEG");
    o.END = v.integer("END");
    o.NCOMP = v.integer("NCOMP");
    o.SCORES = v.name("SCORES");
    o.LOADINGS = v.name("LOADINGS");
    o.EIGVAL = v.name("EIGVAL");
    return o;
}

} // namespace tarvex
