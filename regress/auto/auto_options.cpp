// The option table of AUTO and its own defaults.
#include "regress/auto/auto_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable AUTO_TABLE = {
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
        "PREDICT",   // 11 name    one-step predictions x'b + rho u(t-1) ...
        "RESID",     // 12 name    their errors (the innovations)
        "COEF",      // 13 name    regression coefficients
        "COVARIAN",  // 14 name    their covariance matrix
        "STDERR",    // 15 name    standard errors
        "TRATIO",    // 16 name    t-ratios
        "METHOD",    // 17 name    ML, CORC (Cochrane-Orcutt) or PW (Prais-Winsten)
    },
    5, 4, 1, 7};
// clang-format on

int at(std::string_view keyword) {
    return option_index(AUTO_TABLE, keyword);
}

} // namespace

const OptionTable& auto_option_table() {
    return AUTO_TABLE;
}

void set_auto_defaults(Run& run) {
    set_estimator_defaults(run, AUTO_TABLE);
    OptionSet& opt = run.opt;
    opt.iv[at("ORDER")] = 1;
    opt.iv[at("MAXIT")] = 100;
    opt.rv[at("CONVERGE")] = 1e-20Q;
    opt.name[at("METHOD")] = first_8_padded("ML");
}

AutoOptions read_auto_options(const Run& run) {
    const OptionValues v(run.opt, AUTO_TABLE);
    AutoOptions o;
    o.CONSTANT = v.on("CONSTANT"), o.PCOV = v.on("PCOV"), o.PCOR = v.on("PCOR");
    o.WIDE = v.on("WIDE"), o.PITER = v.on("PITER");
    o.BEG = v.integer("BEG"), o.END = v.integer("END"), o.ORDER = v.integer("ORDER");
    o.MAXIT = v.integer("MAXIT");
    o.CONVERGE = v.real("CONVERGE");
    o.METHOD = trim_trailing_blanks(v.name("METHOD"));
    o.out = read_output_names(v);
    return o;
}

} // namespace tarvex
