// The STATS option table and its defaults.
#include "regress/stats/stats_options.hpp"

#include "core/run.hpp"
#include "options/option_access.hpp"
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

} // namespace

const OptionTable& stats_option_table() {
    return STATS_TABLE;
}

void set_stats_defaults(Run& run) {
    OptionDefaults d(run.opt, STATS_TABLE);
    d.on("LIST", run.flags.OPUT);
    d.on("WIDE", run.sw[OWIDE]);
    d.on("NPARAM");
    d.on("DUMP", run.sw[ODMMP]);
    d.integer("BEG", run.smpl.IBEG);
    d.integer("END", run.smpl.IEND);
    d.integer("STEMPLOT", STATS_NOT_GIVEN);
    d.integer("NPOP", STATS_NOT_GIVEN);
}

StatsOptions read_stats_options(const Run& run) {
    const OptionValues v(run.opt, STATS_TABLE);
    StatsOptions o;
    o.PCORRELA = v.on("PCORRELA"), o.PCOVARIA = v.on("PCOVARIA"), o.LIST = v.on("LIST");
    o.MATRIX = v.on("MATRIX"), o.ALL = v.on("ALL"), o.MAX = v.on("MAX"), o.DN = v.on("DN");
    o.PCPRODUC = v.on("PCPRODUC"), o.PCPDEV = v.on("PCPDEV"), o.PRANKCOR = v.on("PRANKCOR");
    o.BARTLETT = v.on("BARTLETT"), o.ANOVA = v.on("ANOVA"), o.BEHRENSF = v.on("BEHRENSF");
    o.PFREQUEN = v.on("PFREQUEN"), o.PMEDIAN = v.on("PMEDIAN"), o.WIDE = v.on("WIDE");
    o.REPLICAT = v.on("REPLICAT"), o.NPARAM = v.on("NPARAM"), o.SAMEOBS = v.on("SAMEOBS");
    o.DUMP = v.on("DUMP"), o.SAMPSIZE = v.on("SAMPSIZE");
    o.BEG = v.integer("BEG"), o.END = v.integer("END"), o.OBS = v.integer("OBS"),
    o.STEMPLOT = v.integer("STEMPLOT");
    o.NPOP = v.integer("NPOP");
    o.MEANS = v.name("MEANS"), o.VARIANCE = v.name("VARIANCE"), o.STDEVS = v.name("STDEVS");
    o.MINIMUMS = v.name("MINIMUMS"), o.MAXIMUMS = v.name("MAXIMUMS"),
    o.CORRELAT = v.name("CORRELAT");
    o.COVARIAN = v.name("COVARIAN"), o.CPRODUCT = v.name("CPRODUCT"),
    o.CPDEVIAT = v.name("CPDEVIAT");
    o.RANKCORR = v.name("RANKCORR"), o.WEIGHT = v.name("WEIGHT"), o.MOMENTS = v.name("MOMENTS*");
    o.SUMS = v.name("SUMS"), o.MEDIANS = v.name("MEDIANS"), o.MODES = v.name("MODES");
    if (o.PFREQUEN) o.PMEDIAN = true;
    if (o.MAX) o.PCORRELA = o.PCOVARIA = o.LIST = o.PCPRODUC = o.PCPDEV = o.PRANKCOR = true;
    o.NPARAM = !o.NPARAM;
    return o;
}

} // namespace tarvex
