// The option table of HETERO and its defaults.
#include "regress/hetero/hetero_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable HETERO_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept in the mean equation (on)
        "HETCOV",    //  2 switch  sandwich covariance
        "PCOV",      //  3 switch  print the coefficient covariance matrix
        "PCOR",      //  4 switch  print the coefficient correlation matrix
        "WIDE",      //  5 switch  130-column report (SET WIDE)
        "PITER",     //  6 switch  print every iteration
        "BEG",       //  7 integer first observation
        "END",       //  8 integer last observation
        "MAXIT",     //  9 integer iteration limit (100)
        "CONVERGE",  // 10 real    relative change of every parameter (1E-28)
        "PREDICT",   // 11 name    x'b
        "RESID",     // 12 name    y - x'b
        "COEF",      // 13 name    coefficients, mean then variance equation
        "COVARIAN",  // 14 name    coefficient covariance matrix
        "STDERR",    // 15 name    standard errors
        "TRATIO",    // 16 name    asymptotic t-ratios
        "VARPRED",   // 17 name    the fitted variance exp(z'g)
        "METHOD",    // 18 name    NEWTON, BHHH, BFGS or DFP
    },
    6, 3, 1, 8};
// clang-format on

int at(std::string_view keyword) {
    return option_index(HETERO_TABLE, keyword);
}

} // namespace

const OptionTable& hetero_option_table() {
    return HETERO_TABLE;
}

void set_hetero_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(HETERO_TABLE);
    opt.sw[at("CONSTANT")] = true;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("MAXIT")] = 100;
    opt.rv[at("CONVERGE")] = 1e-28Q;
    opt.name[at("METHOD")] = first_8_padded("NEWTON");
}

HeteroOptions read_hetero_options(const Run& run) {
    const OptionSet& opt = run.opt;
    HeteroOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.CONSTANT = s("CONSTANT"), o.HETCOV = s("HETCOV"), o.PCOV = s("PCOV"), o.PCOR = s("PCOR");
    o.WIDE = s("WIDE"), o.PITER = s("PITER");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")], o.MAXIT = opt.iv[at("MAXIT")];
    o.CONVERGE = opt.rv[at("CONVERGE")];
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    o.VARPRED = n("VARPRED");
    o.METHOD = trim_trailing_blanks(n("METHOD"));
    return o;
}

} // namespace tarvex
