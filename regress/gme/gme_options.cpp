// The option table of GME and its defaults.
#include "regress/gme/gme_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable GME_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "BEG",       //  5 integer first observation
        "END",       //  6 integer last observation
        "MAXIT",     //  7 integer Newton iteration limit (100)
        "EPOINTS",   //  8 integer J, points of the 3-sigma error support (3)
        "CONVERGE",  //  9 real    Newton decrement that ends the iterations (1E-28)
        "BSUPPORT",  // 10 name    the coefficients' support points (K x M, or 1 x M)
        "ESUPPORT",  // 11 name    the errors' support points (J values around 0)
        // 12-17: PREDICT X b, RESID y - X b, COEF b, COVARIAN STDERR TRATIO (asymptotic)
    },
    {},
    4, 4, 1);
// clang-format on

} // namespace

const OptionTable& gme_option_table() {
    return GME_TABLE;
}

void set_gme_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, GME_TABLE);
    d.integer("MAXIT", 100);
    d.integer("EPOINTS", 3);
    d.real("CONVERGE", 1e-28Q);
}

GmeOptions read_gme_options(const Run& run) {
    const OptionValues v(run.opt, GME_TABLE);
    GmeOptions o;
    read_estimator_options(v, o);
    o.EPOINTS = v.integer("EPOINTS");
    o.BSUPPORT = v.name("BSUPPORT"), o.ESUPPORT = v.name("ESUPPORT");
    return o;
}

} // namespace tarvex
