// The option table of BOX and its defaults.
#include "regress/box/box_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable BOX_TABLE = {
    {
        //  #  keyword      effect
        "CONSTANT",  //  1 switch  intercept (on)
        "ALLBOX",    //  2 switch  the regressors take the lambda of y
        "XLAMBDA",   //  3 switch  the regressors take a second lambda
        "PCOV",      //  4 switch  print the coefficient covariance matrix
        "PCOR",      //  5 switch  print the coefficient correlation matrix
        "WIDE",      //  6 switch  130-column report (SET WIDE)
        "BEG",       //  7 integer first observation
        "END",       //  8 integer last observation
        "MAXIT",     //  9 integer iteration limit (100)
        "CONVERGE",  // 10 real    relative change of every parameter (1E-28)
        "PREDICT",   // 11 name    predictions on the scale of y
        "RESID",     // 12 name    y minus the prediction
        "COEF",      // 13 name    b, the lambdas and sigma**2
        "COVARIAN",  // 14 name    their covariance matrix
        "STDERR",    // 15 name    standard errors
        "TRATIO",    // 16 name    asymptotic t-ratios
    },
    6, 3, 1, 6};
// clang-format on

int at(std::string_view keyword) {
    return option_index(BOX_TABLE, keyword);
}

} // namespace

const OptionTable& box_option_table() {
    return BOX_TABLE;
}

void set_box_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(BOX_TABLE);
    opt.sw[at("CONSTANT")] = true;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("MAXIT")] = 100;
    opt.rv[at("CONVERGE")] = 1e-28Q;
}

BoxOptions read_box_options(const Run& run) {
    const OptionSet& opt = run.opt;
    BoxOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.CONSTANT = s("CONSTANT"), o.ALLBOX = s("ALLBOX"), o.XLAMBDA = s("XLAMBDA");
    o.PCOV = s("PCOV"), o.PCOR = s("PCOR"), o.WIDE = s("WIDE");
    o.BEG = opt.iv[at("BEG")], o.END = opt.iv[at("END")], o.MAXIT = opt.iv[at("MAXIT")];
    o.CONVERGE = opt.rv[at("CONVERGE")];
    o.PREDICT = n("PREDICT"), o.RESID = n("RESID"), o.COEF = n("COEF");
    o.COVARIAN = n("COVARIAN"), o.STDERR = n("STDERR"), o.TRATIO = n("TRATIO");
    return o;
}

} // namespace tarvex
