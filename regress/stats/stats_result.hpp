// What STATS computes before it reports: the table of statistics, the matrices, the order
// statistics of every variable with its frequency table and stem-and-leaf plot, the tests across
// the variables and the warnings met, in the order the report writes them. The report writes
// this value and changes nothing of it.
#pragma once

#include "kernels/stats_matrices.hpp"
#include "kernels/stats_moments.hpp"
#include "kernels/stats_order.hpp"
#include "kernels/stats_tests.hpp"
#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct StatsOptions;
struct StatsData;

// The order statistics of one variable, with the tables PFREQUEN and STEMPLOT ask for.
struct VariableOrder {
    OrderStatistics order;
    std::vector<FrequencyRow> frequencies; // PFREQUEN
    std::vector<StemRow> stems;            // STEMPLOT
    bool too_many_stems = false;           // the plot would need more stems than are drawn
};

// The tests across the variables; a test asked for that cannot be done is marked, and the report
// writes its warning in its place.
struct StatsTestResults {
    bool anova_warning = false, bartlett_warning = false, two_sample_warning = false;
    bool has_one_way = false, has_two_way = false;
    OneWayAnova one_way;
    TwoWayAnova two_way;
    bool has_bartlett = false;
    BartlettTest bartlett;
    bool has_two_sample = false;
    TwoSampleTests two_sample;
    bool nonparametric = false; // NONPARAM
    bool has_kruskal_wallis = false;
    KruskalWallis kruskal_wallis;
    bool has_mann_whitney = false;
    Real mann_whitney = 0;
    long long n1 = 0, n2 = 0;
    std::vector<SignTest> sign_tests; // of one variable, or of the paired differences
};

struct StatsResult {
    std::vector<std::string> names; // 8 columns
    std::vector<VariableSummary> rows;
    bool has_matrices = false;
    StatsMatrices matrices;
    std::vector<VariableOrder> orders;
    std::vector<Real> medians, modes; // modes: the missing-value code where none repeats
    StatsTestResults tests;
    long long population = 0; // SAMPSIZE: NPOP, else the largest N
    std::vector<SampleSize> sample_sizes;
};

// Computes everything the options ask for from the loaded variables. Writes nothing.
StatsResult compute_stats(const Run& run, const StatsOptions& o, const StatsData& d);

} // namespace tarvex
