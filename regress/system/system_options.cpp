// The option table of SYSTEM and its defaults.
#include "regress/system/system_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable SYSTEM_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  an intercept in every equation and among the instruments (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "BEG",       //  5 integer first observation
        "END",       //  6 integer last observation
        "MAXIT",     //  7 integer ITSUR iteration limit (100)
        "CONVERGE",  //  8 real    ITSUR: relative change of the coefficients (1E-20)
        "METHOD",    //  9 name    SUR (default), ITSUR or 3SLS
        "PREDICT",   // 10 name    fitted values, one variable per equation (name1, name2 ...)
        "RESID",     // 11 name    residuals, one variable per equation
        "COEF",      // 12 name    coefficients, equation after equation
        "COVARIAN",  // 13 name    coefficient covariance matrix
        "STDERR",    // 14 name    standard errors
        "TRATIO",    // 15 name    t-ratios
    },
    4, 3, 1, 7};
// clang-format on

int at(std::string_view keyword) {
    return option_index(SYSTEM_TABLE, keyword);
}

} // namespace

const OptionTable& system_option_table() {
    return SYSTEM_TABLE;
}

void set_system_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(SYSTEM_TABLE);
    opt.sw[at("CONSTANT")] = true;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("MAXIT")] = 100;
    opt.rv[at("CONVERGE")] = 1e-20Q;
    opt.name[at("METHOD")] = first_8_padded("SUR");
}

SystemOptions read_system_options(const Run& run) {
    const OptionSet& opt = run.opt;
    SystemOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.CONSTANT = s("CONSTANT"), o.PCOV = s("PCOV"), o.PCOR = s("PCOR"), o.WIDE = s("WIDE");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")], o.MAXIT = opt.iv[at("MAXIT")];
    o.CONVERGE = opt.rv[at("CONVERGE")];
    o.METHOD = trim_trailing_blanks(n("METHOD"));
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    return o;
}

} // namespace tarvex
