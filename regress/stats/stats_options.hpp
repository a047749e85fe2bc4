// The STATS option table (21 switches, 5 integers, no reals, 15 names), its defaults and the
// settings the command reads from it once the option parser has run.
#pragma once

#include "core/option_set.hpp"

#include <string>

namespace tarvex {

struct Run;

const OptionTable& stats_option_table();

// Value of STEMPLOT and NPOP when the option is not given.
inline constexpr int STATS_NOT_GIVEN = -99999;

struct StatsOptions {
    // switches
    bool PCORRELA = false, PCOVARIA = false, LIST = true, MATRIX = false, ALL = false;
    bool MAX = false, DN = false, PCPRODUC = false, PCPDEV = false, PRANKCOR = false;
    bool BARTLETT = false, ANOVA = false, BEHRENSF = false, PFREQUEN = false, PMEDIAN = false;
    bool WIDE = false, REPLICAT = false, NPARAM = false, SAMEOBS = false, DUMP = false;
    bool SAMPSIZE = false;
    // integers
    int BEG = 1, END = -999, OBS = 0, STEMPLOT = STATS_NOT_GIVEN, NPOP = STATS_NOT_GIVEN;
    // names (8 characters, blank-padded; blank when not given, "********" when left empty)
    std::string MEANS, VARIANCE, STDEVS, MINIMUMS, MAXIMUMS, CORRELAT, COVARIAN, CPRODUCT;
    std::string CPDEVIAT, RANKCORR, WEIGHT, MOMENTS, SUMS, MEDIANS, MODES;
};

// Stores the defaults into the shared option set (LIST follows the output switch, WIDE the
// SET switch, BEG and END the current sample, NPARAM on).
void set_stats_defaults(Run& run);

// Reads the parsed option set and applies the implications: PFREQUEN sets PMEDIAN, MAX sets
// every matrix and the table, and NPARAM is complemented (only NONPARAM turns the
// nonparametric tests on).
StatsOptions read_stats_options(const Run& run);

} // namespace tarvex
