// The option table of NLINEAR and MLE and its defaults.
#include "regress/nonlin/nonlin_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable NONLIN_TABLE = {
    {
        //  #  keyword      effect
        "PITER",     //  1 switch  print every iteration
        "HETCOV",    //  2 switch  sandwich covariance
        "PCOV",      //  3 switch  print the coefficient covariance matrix
        "PCOR",      //  4 switch  print the coefficient correlation matrix
        "WIDE",      //  5 switch  130-column report (SET WIDE)
        "BEG",       //  6 integer first observation
        "END",       //  7 integer last observation
        "MAXIT",     //  8 integer iteration limit (100)
        "CONVERGE",  //  9 real    relative change of every parameter (1E-28)
        "OBJCONV",   // 10 real    MLE: relative change of the log-likelihood (1E-30)
        "PREDICT",   // 11 name    predicted values (NLINEAR)
        "RESID",     // 12 name    residuals (NLINEAR)
        "COEF",      // 13 name    coefficients
        "COVARIAN",  // 14 name    coefficient covariance matrix
        "STDERR",    // 15 name    standard errors
        "TRATIO",    // 16 name    t-ratios
        "METHOD",    // 17 name    MLE: NEWTON, BHHH, BFGS or DFP
        "COVTYPE",   // 18 name    MLE: HESSIAN, OPG or SANDWICH
    },
    5, 3, 2, 8};
// clang-format on

int at(std::string_view keyword) {
    return option_index(NONLIN_TABLE, keyword);
}

} // namespace

const OptionTable& nonlin_option_table() {
    return NONLIN_TABLE;
}

void set_nonlin_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(NONLIN_TABLE);
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("MAXIT")] = 100;
    opt.rv[at("CONVERGE")] = 1e-28Q;
    opt.rv[at("OBJCONV")] = 1e-30Q;
    opt.name[at("METHOD")] = first_8_padded("NEWTON");
    opt.name[at("COVTYPE")] = first_8_padded("HESSIAN");
}

NonlinOptions read_nonlin_options(const Run& run) {
    const OptionSet& opt = run.opt;
    NonlinOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.PITER = s("PITER"), o.HETCOV = s("HETCOV"), o.PCOV = s("PCOV"), o.PCOR = s("PCOR");
    o.WIDE = s("WIDE");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")], o.MAXIT = opt.iv[at("MAXIT")];
    o.CONVERGE = opt.rv[at("CONVERGE")], o.OBJCONV = opt.rv[at("OBJCONV")];
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    o.METHOD = trim_trailing_blanks(n("METHOD"));
    o.COVTYPE = trim_trailing_blanks(n("COVTYPE"));
    return o;
}

} // namespace tarvex
