// The STATS option table and its defaults.
#include "regress/stats/stats_options.hpp"

#include "core/run.hpp"
#include "options/options.hpp"

namespace tarvex {

namespace {

// clang-format off
const OptionTable STATS_TABLE = {
    {
        //  #  keyword      effect
        "PCORRELA",  //  1 switch  print the correlation matrix
        "PCOVARIA",  //  2 switch  print the covariance matrix
        "LIST",      //  3 switch  print the table of statistics (on when output is on)
        "MATRIX",    //  4 switch  columns of a matrix argument are separate variables
        "ALL",       //  5 switch  every data variable (also an empty list)
        "MAX",       //  6 switch  every matrix and the table
        "DN",        //  7 switch  variances divide by N instead of N - 1
        "PCPRODUC",  //  8 switch  print the cross-product matrix
        "PCPDEV",    //  9 switch  print the cross products in deviations from the means
        "PRANKCOR",  // 10 switch  print the Spearman rank-correlation matrix
        "BARTLETT",  // 11 switch  Bartlett's test of equal variances
        "ANOVA",     // 12 switch  analysis of variance across the variables
        "BEHRENSF",  // 13 switch  two-sample tests
        "PFREQUEN",  // 14 switch  frequency tables (sets PMEDIAN)
        "PMEDIAN",   // 15 switch  medians, quartiles and modes
        "WIDE",      // 16 switch  wide table (SET WIDE)
        "REPLICAT",  // 17 switch  weights are replication counts
        "NPARAM",    // 18 switch  on as stored; NONPARAM turns the nonparametric tests on
        "SAMEOBS",   // 19 switch  only observations where every variable is present
        "DUMP",      // 20 switch  intermediate sums of Bartlett's test
        "SAMPSIZE",  // 21 switch  sample-size estimate
        "BEG",       // 22 integer first observation
        "END",       // 23 integer last observation
        "OBS",       // 24 integer
        "STEMPLOT",  // 25 integer stem-and-leaf plot; the value is the power of ten of a stem
        "NPOP",      // 26 integer population size of the sample-size estimate
        "MEANS",     // 27 name    vector of means
        "VARIANCE",  // 28 name    vector of variances
        "STDEVS",    // 29 name    vector of standard deviations
        "MINIMUMS",  // 30 name    vector of minimums
        "MAXIMUMS",  // 31 name    vector of maximums
        "CORRELAT",  // 32 name    correlation matrix
        "COVARIAN",  // 33 name    covariance matrix
        "CPRODUCT",  // 34 name    cross-product matrix
        "CPDEVIAT",  // 35 name    cross products in deviations
        "RANKCORR",  // 36 name    rank-correlation matrix
        "WEIGHT",    // 37 name    weight variable
        "MOMENTS*",  // 38 name    central moments, one column per variable
        "SUMS",      // 39 name    vector of sums
        "MEDIANS",   // 40 name    vector of medians
        "MODES",     // 41 name    vector of modes
    },
    21, 5, 0, 15};
// clang-format on

int at(std::string_view keyword) {
    return option_index(STATS_TABLE, keyword);
}

} // namespace

const OptionTable& stats_option_table() {
    return STATS_TABLE;
}

void set_stats_defaults(Run& run) {
    OptionSet& opt = run.opt;
    opt.prepare(STATS_TABLE);
    opt.sw[at("LIST")] = run.flags.OPUT;
    opt.sw[at("WIDE")] = run.sw[OWIDE];
    opt.sw[at("NPARAM")] = true;
    opt.sw[at("DUMP")] = run.sw[ODMMP];
    opt.iv[at("BEG")] = run.smpl.IBEG;
    opt.iv[at("END")] = run.smpl.IEND;
    opt.iv[at("STEMPLOT")] = STATS_NOT_GIVEN;
    opt.iv[at("NPOP")] = STATS_NOT_GIVEN;
}

StatsOptions read_stats_options(const Run& run) {
    const OptionSet& opt = run.opt;
    StatsOptions o;
    auto s = [&](const char* k) { return bool(opt.sw[at(k)]); };
    auto i = [&](const char* k) { return opt.iv[at(k)]; };
    auto n = [&](const char* k) { return opt.name[at(k)]; };
    o.PCORRELA = s("PCORRELA"), o.PCOVARIA = s("PCOVARIA"), o.LIST = s("LIST");
    o.MATRIX = s("MATRIX"), o.ALL = s("ALL"), o.MAX = s("MAX"), o.DN = s("DN");
    o.PCPRODUC = s("PCPRODUC"), o.PCPDEV = s("PCPDEV"), o.PRANKCOR = s("PRANKCOR");
    o.BARTLETT = s("BARTLETT"), o.ANOVA = s("ANOVA"), o.BEHRENSF = s("BEHRENSF");
    o.PFREQUEN = s("PFREQUEN"), o.PMEDIAN = s("PMEDIAN"), o.WIDE = s("WIDE");
    o.REPLICAT = s("REPLICAT"), o.NPARAM = s("NPARAM"), o.SAMEOBS = s("SAMEOBS");
    o.DUMP = s("DUMP"), o.SAMPSIZE = s("SAMPSIZE");
    o.BEG = i("BEG"), o.END = i("END"), o.OBS = i("OBS"), o.STEMPLOT = i("STEMPLOT");
    o.NPOP = i("NPOP");
    o.MEANS = n("MEANS"), o.VARIANCE = n("VARIANCE"), o.STDEVS = n("STDEVS");
    o.MINIMUMS = n("MINIMUMS"), o.MAXIMUMS = n("MAXIMUMS"), o.CORRELAT = n("CORRELAT");
    o.COVARIAN = n("COVARIAN"), o.CPRODUCT = n("CPRODUCT"), o.CPDEVIAT = n("CPDEVIAT");
    o.RANKCORR = n("RANKCORR"), o.WEIGHT = n("WEIGHT"), o.MOMENTS = n("MOMENTS*");
    o.SUMS = n("SUMS"), o.MEDIANS = n("MEDIANS"), o.MODES = n("MODES");
    if (o.PFREQUEN) o.PMEDIAN = true;
    if (o.MAX) o.PCORRELA = o.PCOVARIA = o.LIST = o.PCPRODUC = o.PCPDEV = o.PRANKCOR = true;
    o.NPARAM = !o.NPARAM;
    return o;
}

} // namespace tarvex
