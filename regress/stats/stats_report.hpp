// The report of STATS: fixed-column lines for the table of statistics, the matrices, the order
// statistics, frequency tables, stem-and-leaf plots and the tests. Nothing here computes.
#pragma once

#include "kernels/stats_moments.hpp"
#include "kernels/stats_order.hpp"
#include "kernels/stats_tests.hpp"
#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

void report_stats_table(Run& run, const std::vector<std::string>& names,
                        const std::vector<VariableSummary>& rows, bool wide);
// A symmetric k x k matrix (row-major) as a lower triangle, eight values to a line.
void report_stats_matrix(Run& run, const std::string& title, long long n, bool common,
                         const std::vector<std::string>& names, const std::vector<Real>& m);
void report_order_statistics(Run& run, const std::string& name, const OrderStatistics& o);
void report_frequencies(Run& run, const std::vector<FrequencyRow>& rows);
void report_stemplot(Run& run, const std::string& name, int digits,
                     const std::vector<StemRow>& rows);
void report_one_way(Run& run, const OneWayAnova& a);
void report_two_way(Run& run, const TwoWayAnova& a);
void report_bartlett(Run& run, const BartlettTest& b, bool dump);
void report_two_sample(Run& run, const TwoSampleTests& t);
void report_kruskal_wallis(Run& run, const KruskalWallis& kw);
void report_mann_whitney(Run& run, Real u, long long n1, long long n2);
void report_sign_test(Run& run, const SignTest& s);
void report_sample_size_heading(Run& run, long long population);
void report_sample_size_row(Run& run, const std::string& name, const SampleSize& s, long long n,
                            Real mean, Real stdev);

} // namespace tarvex
