// The option table of GLS and its defaults.
#include "regress/gls/gls_options.hpp"

#include "core/run.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable GLS_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "PCOV",      //  2 switch  print the coefficient covariance matrix
        "PCOR",      //  3 switch  print the coefficient correlation matrix
        "WIDE",      //  4 switch  130-column report (SET WIDE)
        "BEG",       //  5 integer first observation
        "END",       //  6 integer last observation
        "OMEGA",     //  7 name    N x N error covariance matrix (up to a factor)
        "VARIANCE",  //  8 name    error variance of each observation (up to a factor)
        "PREDICT",   //  9 name    fitted values x'b
        "RESID",     // 10 name    residuals y - x'b
        "COEF",      // 11 name    coefficients
        "COVARIAN",  // 12 name    coefficient covariance matrix
        "STDERR",    // 13 name    standard errors
        "TRATIO",    // 14 name    t-ratios
    },
    4, 2, 0, 8};
// clang-format on

int at(std::string_view keyword) {
    return option_index(GLS_TABLE, keyword);
}

} // namespace

const OptionTable& gls_option_table() {
    return GLS_TABLE;
}

void set_gls_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(GLS_TABLE);
    opt.sw[at("CONSTANT")] = true;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
}

GlsOptions read_gls_options(const Run& run) {
    const OptionSet& opt = run.opt;
    GlsOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.CONSTANT = s("CONSTANT"), o.PCOV = s("PCOV"), o.PCOR = s("PCOR"), o.WIDE = s("WIDE");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")];
    o.OMEGA = n("OMEGA"), o.VARIANCE = n("VARIANCE");
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    return o;
}

} // namespace tarvex
