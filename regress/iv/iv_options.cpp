// The option table of 2SLS and INSTRUME and its defaults.
#include "regress/iv/iv_options.hpp"

#include "core/run.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable IV_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept among the regressors and the instruments (on)
        "HETCOV",    //  2 switch  heteroskedasticity-consistent covariance (White)
        "PCOV",      //  3 switch  print the coefficient covariance matrix
        "PCOR",      //  4 switch  print the coefficient correlation matrix
        "WIDE",      //  5 switch  130-column report (SET WIDE)
        "BEG",       //  6 integer first observation
        "END",       //  7 integer last observation
        "AUTCOV",    //  8 integer Newey-West lag order (implies HETCOV)
        "PREDICT",   //  9 name    Xb
        "RESID",     // 10 name    y - Xb, the structural residuals
        "COEF",      // 11 name    coefficients
        "COVARIAN",  // 12 name    coefficient covariance matrix
        "STDERR",    // 13 name    standard errors
        "TRATIO",    // 14 name    t-ratios
    },
    5, 3, 0, 6};
// clang-format on

int at(std::string_view keyword) {
    return option_index(IV_TABLE, keyword);
}

} // namespace

const OptionTable& iv_option_table() {
    return IV_TABLE;
}

void set_iv_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(IV_TABLE);
    opt.sw[at("CONSTANT")] = true;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
}

IvOptions read_iv_options(const Run& run) {
    const OptionSet& opt = run.opt;
    IvOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.CONSTANT = s("CONSTANT"), o.HETCOV = s("HETCOV"), o.PCOV = s("PCOV"), o.PCOR = s("PCOR");
    o.WIDE = s("WIDE");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")], o.AUTCOV = opt.iv[at("AUTCOV")];
    if (o.AUTCOV != 0) o.HETCOV = true;
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    return o;
}

} // namespace tarvex
