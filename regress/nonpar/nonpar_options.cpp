// The option table of NONPAR and its own defaults.
#include "regress/nonpar/nonpar_options.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable NONPAR_TABLE = {
    {
        //  #  keyword      effect
        "PLOTS",     //  1 switch  a character plot of the curve (with the data of a regression)
        "BEG",       //  2 integer first observation
        "END",       //  3 integer last observation
        "NGRID",     //  4 integer points of the grid the estimate is computed on (512)
        "BANDWIDT",  //  5 real    the bandwidth, the kernel's standard deviation (chosen when not given)
        "KERNEL",    //  6 name    GAUSSIAN, EPANECHN, BIWEIGHT, TRIANGUL, RECTANGU, COSINE, OPTCOSIN
        "RULE",      //  7 name    density: SILVERMA (default), SCOTT or CV; regression: CV
        "METHOD",    //  8 name    regression: NW (Nadaraya-Watson) or LOCLIN (local linear)
        "POINTS",    //  9 name    a variable whose values are the points of the estimate
        "PREDICT",   // 10 name    regression: fitted values at the observations
        "RESID",     // 11 name    regression: residuals
        "COEF",      // 12 name    the bandwidth
        "CURVE",     // 13 name    the estimate at the points (or on the grid)
        "GRID",      // 14 name    the grid's points
    },
    1, 3, 1, 9};
// clang-format on

} // namespace

const OptionTable& nonpar_option_table() {
    return NONPAR_TABLE;
}

void set_nonpar_defaults(Run& run) {
    OptionDefaults d = set_estimator_defaults(run, NONPAR_TABLE);
    d.integer("NGRID", 512);
    d.name("KERNEL", "GAUSSIAN");
    d.name("METHOD", "NW");
}

NonparOptions read_nonpar_options(const Run& run) {
    const OptionValues v(run.opt, NONPAR_TABLE);
    NonparOptions o;
    read_estimator_options(v, o);
    o.PLOTS = v.on("PLOTS");
    o.NGRID = v.integer("NGRID");
    o.BANDWIDT = v.real("BANDWIDT"), o.BANDWIDT_given = v.real_given("BANDWIDT");
    o.KERNEL = trim_trailing_blanks(v.name("KERNEL"));
    o.RULE = trim_trailing_blanks(v.name("RULE"));
    o.POINTS = v.name("POINTS"), o.CURVE = v.name("CURVE"), o.GRID = v.name("GRID");
    return o;
}

} // namespace tarvex
