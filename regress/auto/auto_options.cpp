// The option table of AUTO and its own defaults.
#include "regress/auto/auto_options.hpp"

#include "core/run.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable AUTO_TABLE = estimator_option_table(
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "PITER",     //  5 switch  print every iteration
        "BEG",       //  6 integer first observation
        "END",       //  7 integer last observation
        "ORDER",     //  8 integer order of the autoregressive errors, 1 or 2 (1)
        "MAXIT",     //  9 integer iteration limit (100)
        "CONVERGE",  // 10 real    change of every rho that ends the iterations (1E-20)
        // 11-16: PREDICT the one-step predictions x'b + rho u(t-1) ..., RESID their errors (the
        // innovations), COEF COVARIAN STDERR TRATIO of the regression coefficients
    },
    {
        "METHOD",    // 17 name    ML, CORC (Cochrane-Orcutt) or PW (Prais-Winsten)
    },
    5, 4, 1);
// clang-format on

} // namespace

const OptionTable& auto_option_table() {
    return AUTO_TABLE;
}

void set_auto_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, AUTO_TABLE);
    d.integer("ORDER", 1);
    d.integer("MAXIT", 100);
    d.real("CONVERGE", 1e-20Q);
    d.name("METHOD", "ML");
}

AutoOptions read_auto_options(const Run& run) {
    const OptionValues v(run.opt, AUTO_TABLE);
    AutoOptions o;
    read_estimator_options(v, o);
    o.ORDER = v.integer("ORDER");
    return o;
}

} // namespace tarvex
