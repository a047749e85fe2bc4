// The option table of SYSTEM and its defaults.
#include "regress/system/system_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable SYSTEM_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  an intercept in every equation and among the instruments (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "DEPNAMES",  //  5 switch  equations named by their dependent variables, not numbered
        "BEG",       //  6 integer first observation
        "END",       //  7 integer last observation
        "MAXIT",     //  8 integer ITSUR iteration limit (100)
        "CONVERGE",  //  9 real    ITSUR: relative change of the coefficients (1E-20)
        "METHOD",    // 10 name    SUR (default), ITSUR or 3SLS
        // 11-16: PREDICT fitted values and RESID residuals, one variable per equation (name1,
        // name2 ... or name_dep1 ...); COEF (equation after equation) COVARIAN STDERR TRATIO
    },
    {
        "RESCOV",    // 17 name    the cross-equation covariance of the residuals, M by M
    },
    5, 3, 1);
// clang-format on

} // namespace

const OptionTable& system_option_table() {
    return SYSTEM_TABLE;
}

void set_system_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, SYSTEM_TABLE);
    d.integer("MAXIT", 100);
    d.real("CONVERGE", 1e-20Q);
    d.name("METHOD", "SUR");
}

SystemOptions read_system_options(const Run& run) {
    const OptionValues v(run.opt, SYSTEM_TABLE);
    SystemOptions o;
    read_estimator_options(v, o);
    o.DEPNAMES = v.on("DEPNAMES");
    o.RESCOV = v.name("RESCOV");
    return o;
}

} // namespace tarvex
