// STATS: parses the options, loads the variables, computes what the options ask for
// (compute_stats), then writes it in order (table, matrices, order statistics, tests, sample
// sizes) and stores the result variables.
#include "regress/stats/stats_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "kernels/stats_data.hpp"
#include "kernels/stats_matrices.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/stats/stats_bound.hpp"
#include "regress/stats/stats_errors.hpp"
#include "regress/stats/stats_options.hpp"
#include "regress/stats/stats_report.hpp"
#include "regress/stats/stats_result.hpp"
#include "regress/stats/stats_store.hpp"
#include "regress/stats/stats_variables.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// The name options in table order with their keywords, for the empty right-hand-side check.
std::vector<std::pair<const char*, const std::string*>> name_options(const StatsOptions& o) {
    return {{"MEANS", &o.MEANS},       {"VARIANCE", &o.VARIANCE}, {"STDEVS", &o.STDEVS},
            {"MINIMUMS", &o.MINIMUMS}, {"MAXIMUMS", &o.MAXIMUMS}, {"CORRELAT", &o.CORRELAT},
            {"COVARIAN", &o.COVARIAN}, {"CPRODUCT", &o.CPRODUCT}, {"CPDEVIAT", &o.CPDEVIAT},
            {"RANKCORR", &o.RANKCORR}, {"WEIGHT", &o.WEIGHT},     {"MOMENTS*", &o.MOMENTS},
            {"SUMS", &o.SUMS},         {"MEDIANS", &o.MEDIANS},   {"MODES", &o.MODES}};
}

void warn(Run& run, const std::string& text) {
    if (run.flags.OPUT) write_line(run, " ...WARNING.." + text);
}

// The tests' own lines are written even in a quiet statement; their warnings are not.
void write_tests(Run& run, const StatsTestResults& t, bool dump) {
    if (t.anova_warning) warn(run, "ANOVA NEEDS TWO OR MORE VARIABLES");
    if (t.has_one_way) report_one_way(run, t.one_way);
    if (t.has_two_way) report_two_way(run, t.two_way);
    if (t.has_bartlett) report_bartlett(run, t.bartlett, dump);
    if (t.bartlett_warning)
        warn(run, "BARTLETT TEST NEEDS TWO OR MORE VARIABLES WITH POSITIVE VARIANCES");
    if (t.has_two_sample) report_two_sample(run, t.two_sample);
    if (t.two_sample_warning)
        warn(run, "TWO-SAMPLE TESTS NEED TWO VARIABLES WITH POSITIVE VARIANCES");
    if (!t.nonparametric) return;
    if (run.flags.OPUT) write_line(run, " ");
    if (t.has_kruskal_wallis) report_kruskal_wallis(run, t.kruskal_wallis);
    if (t.has_mann_whitney) report_mann_whitney(run, t.mann_whitney, t.n1, t.n2);
    for (const SignTest& sign : t.sign_tests) report_sign_test(run, sign);
}

// The report of a computed STATS, in order: table, matrices, order statistics, tests, sample
// sizes.
void write_stats_report(Run& run, const StatsOptions& o, const StatsResult& r, long long common) {
    if (!run.flags.OPUT) {
        write_tests(run, r.tests, o.DUMP);
        return;
    }
    if (o.LIST) report_stats_table(run, r.names, r.rows, o.WIDE);
    if (r.has_matrices) {
        const StatsMatrices& m = r.matrices;
        const long long n = o.SAMEOBS ? common : m.n;
        const struct {
            bool on;
            const char* title;
            const std::vector<Real>& values;
        } printed[] = {
            {o.PCPRODUC, " CROSSPRODUCT MATRIX OF VARIABLES -", m.cprod},
            {o.PCPDEV, " CROSSPRODUCT MATRIX IN DEVIATIONS -", m.cpdev},
            {o.PCOVARIA, "  COVARIANCE MATRIX OF VARIABLES -", m.cov},
            {o.PCORRELA, "  CORRELATION MATRIX OF VARIABLES -", m.corr},
            {o.PRANKCOR, " SPEARMAN RANK CORRELATION MATRIX - ", m.rank},
        };
        for (const auto& p : printed)
            if (p.on) report_stats_matrix(run, p.title, n, o.SAMEOBS, r.names, p.values);
    }
    for (std::size_t i = 0; i < r.orders.size(); ++i) {
        const VariableOrder& v = r.orders[i];
        if (o.PMEDIAN) report_order_statistics(run, r.names[i], v.order);
        if (o.PFREQUEN) report_frequencies(run, v.frequencies);
        if (o.STEMPLOT == STATS_NOT_GIVEN) continue;
        if (v.too_many_stems)
            warn(run, "STEMPLOT OF " + r.names[i] + " NEEDS TOO MANY STEMS - USE MORE STEM DIGITS");
        else
            report_stemplot(run, r.names[i], o.STEMPLOT, v.stems);
    }
    write_tests(run, r.tests, o.DUMP);
    if (!o.SAMPSIZE) return;
    report_sample_size_heading(run, r.population);
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
        const VariableSummary& s = r.rows[i];
        report_sample_size_row(run, r.names[i], r.sample_sizes[i], s.count, s.mean, s.stdev);
    }
}

// The result variables the name options ask for; stops at the first the workspace refuses.
void store_results(Run& run, const StatsOptions& o, const StatsResult& r) {
    const std::vector<VariableSummary>& rows = r.rows;
    const StatsMatrices& m = r.matrices;
    auto column = [&](Real VariableSummary::*field) {
        std::vector<Real> v;
        for (const VariableSummary& s : rows) v.push_back(s.*field);
        return v;
    };
    bool ok = store_stats_vector(run, o.MEANS, column(&VariableSummary::mean)) &&
              store_stats_vector(run, o.VARIANCE, column(&VariableSummary::variance)) &&
              store_stats_vector(run, o.STDEVS, column(&VariableSummary::stdev)) &&
              store_stats_vector(run, o.MINIMUMS, column(&VariableSummary::minimum)) &&
              store_stats_vector(run, o.MAXIMUMS, column(&VariableSummary::maximum)) &&
              store_stats_vector(run, o.SUMS, column(&VariableSummary::sum)) &&
              store_stats_vector(run, o.MEDIANS, r.medians) &&
              store_stats_vector(run, o.MODES, r.modes);
    const long long k = (long long)rows.size();
    ok = ok && store_stats_matrix(run, o.CORRELAT, TYPE_SYMMETRIC, k, k, m.corr) &&
         store_stats_matrix(run, o.COVARIAN, TYPE_SYMMETRIC, k, k, m.cov) &&
         store_stats_matrix(run, o.CPRODUCT, TYPE_SYMMETRIC, k, k, m.cprod) &&
         store_stats_matrix(run, o.CPDEVIAT, TYPE_SYMMETRIC, k, k, m.cpdev) &&
         store_stats_matrix(run, o.RANKCORR, TYPE_SYMMETRIC, k, k, m.rank);
    if (!ok || all_blanks(o.MOMENTS)) return;
    std::vector<Real> moments;
    for (const VariableSummary& s : rows)
        moments.insert(moments.end(), {s.n, s.mean, s.m2, s.m3, s.m4});
    store_stats_matrix(run, o.MOMENTS, TYPE_MATRIX, 5, k, moments);
}

} // namespace

void cmd_stats(Run& run) {
    // TEST cannot follow STATS; FCAST still forecasts from the estimation before it.
    run.last_estimation.stats_since = true;

    set_stats_defaults(run);
    if (!OPTION(run, stats_option_table())) return;
    const StatsOptions o = read_stats_options(run);
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    for (const auto& [keyword, value] : name_options(o))
        if (given_without_value(*value)) {
            report_error(run, std::string(" ...ERROR..IN RIGHT HAND SIDE OF OPTION..") + keyword,
                         ERR_STATS_OPTION_VALUE);
            return;
        }

    if (stats_lists_bound(run)) { // series bound to a file: the table over blocks of rows
        StatsResult r;
        if (!compute_bound_stats(run, o, r) || r.rows.empty()) return;
        run.res[R_N] = r.rows.back().n;
        write_stats_report(run, o, r, 0);
        store_results(run, o, r);
        return;
    }
    StatsData d;
    if (!load_stats_variables(run, o, d)) return;
    long long common = 0;
    if (o.SAMEOBS && !d.vars.empty()) {
        common = d.keep_common_observations();
        if (common == 0) {
            report_error(run, " ...ERROR..NO OBSERVATIONS COMMON TO ALL VARIABLES",
                         ERR_STATS_NO_COMMON_OBS);
            return;
        }
    }
    if (d.vars.empty()) return;
    const StatsResult r = compute_stats(run, o, d);
    run.res[R_N] = r.rows.back().n;
    write_stats_report(run, o, r, common);
    store_results(run, o, r);
}

} // namespace tarvex
