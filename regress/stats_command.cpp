// STATS: parses the options, loads the variables, computes what the options ask for, prints it
// in order (table, matrices, order statistics, tests) and stores the result variables.
#include "regress/stats_command.hpp"

#include "interp/run.hpp"
#include "regress/stats_data.hpp"
#include "regress/stats_matrices.hpp"
#include "regress/stats_options.hpp"
#include "regress/stats_report.hpp"
#include "regress/stats_store.hpp"
#include "regress/stats_variables.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Stem-and-leaf plots with more stems than this are not drawn.
constexpr long long MAX_STEMS = 500;

bool left_empty(const std::string& name) {
    return name.rfind("********", 0) == 0;
}

// The name options in table order with their keywords, for the empty right-hand-side check.
std::vector<std::pair<const char*, const std::string*>> name_options(const StatsOptions& o) {
    return {{"MEANS", &o.MEANS},       {"VARIANCE", &o.VARIANCE}, {"STDEVS", &o.STDEVS},
            {"MINIMUMS", &o.MINIMUMS}, {"MAXIMUMS", &o.MAXIMUMS}, {"CORRELAT", &o.CORRELAT},
            {"COVARIAN", &o.COVARIAN}, {"CPRODUCT", &o.CPRODUCT}, {"CPDEVIAT", &o.CPDEVIAT},
            {"RANKCORR", &o.RANKCORR}, {"WEIGHT", &o.WEIGHT},     {"MOMENTS", &o.MOMENTS},
            {"SUMS", &o.SUMS},         {"MEDIANS", &o.MEDIANS},   {"MODES", &o.MODES}};
}

bool wanted(const std::string& name) {
    return name.find_first_not_of(' ') != std::string::npos;
}

// Every variable at the same observations, two or more of each: the two-way layout.
bool complete_layout(const StatsData& d) {
    return same_observations(d) && d.vars.size() >= 2 && d.vars[0].count() >= 2;
}

// Groups of the tests: each variable's observations in use.
Groups groups_of(const StatsData& d) {
    Groups g;
    for (std::size_t i = 0; i < d.vars.size(); ++i)
        g.push_back(d.plain(i));
    return g;
}

void warn(Run& run, const std::string& text) {
    if (run.flags.OPUT) write_line(run, " ...WARNING.." + text);
}

void run_tests(Run& run, const StatsOptions& o, const StatsData& d) {
    const std::size_t k = d.vars.size();
    const Groups groups = groups_of(d);
    if (o.ANOVA) {
        if (k < 2) {
            warn(run, "ANOVA NEEDS TWO OR MORE VARIABLES");
        } else {
            report_one_way(run, one_way_anova(groups));
            if (complete_layout(d)) report_two_way(run, two_way_anova(groups));
        }
    }
    if (o.BARTLETT) {
        const BartlettTest b = bartlett_test(groups);
        if (b.valid)
            report_bartlett(run, b, o.DUMP);
        else
            warn(run, "BARTLETT TEST NEEDS TWO OR MORE VARIABLES WITH POSITIVE VARIANCES");
    }
    if (o.BEHRENSF) {
        const TwoSampleTests t = k == 2 ? two_sample_tests(groups[0], groups[1]) : TwoSampleTests{};
        if (t.valid)
            report_two_sample(run, t);
        else
            warn(run, "TWO-SAMPLE TESTS NEED TWO VARIABLES WITH POSITIVE VARIANCES");
    }
    if (o.NPARAM) {
        if (run.flags.OPUT) write_line(run, " ");
        if (k >= 2) {
            const KruskalWallis kw = kruskal_wallis(groups);
            if (kw.valid) report_kruskal_wallis(run, kw);
        }
        if (k == 2)
            report_mann_whitney(run, mann_whitney_u(groups[0], groups[1]),
                                (long long)groups[0].size(), (long long)groups[1].size());
        if (k == 1) report_sign_test(run, sign_test(groups[0]));
        if (k == 2) {
            std::vector<Real> x, y, w, diff;
            d.pair(0, 1, x, y, w);
            for (std::size_t i = 0; i < x.size(); ++i)
                diff.push_back(x[i] - y[i]);
            report_sign_test(run, sign_test(diff));
        }
    }
}

// Computes the matrices the options print or store, and prints the requested ones.
StatsMatrices report_matrices(Run& run, const StatsOptions& o, const StatsData& d,
                              const std::vector<CentredValues>& centred,
                              const std::vector<std::string>& names, long long common) {
    const bool any = o.PCPRODUC || o.PCPDEV || o.PCOVARIA || o.PCORRELA || o.PRANKCOR ||
                     wanted(o.CORRELAT) || wanted(o.COVARIAN) || wanted(o.CPRODUCT) ||
                     wanted(o.CPDEVIAT) || wanted(o.RANKCORR);
    StatsMatrices m;
    if (!any) return m;
    m = compute_matrices(d, centred, o.DN, o.PCPRODUC || wanted(o.CPRODUCT),
                         o.PRANKCOR || wanted(o.RANKCORR));
    if (!run.flags.OPUT) return m;
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
        if (p.on) report_stats_matrix(run, p.title, n, o.SAMEOBS, names, p.values);
    return m;
}

struct OrderResults {
    std::vector<Real> medians, modes; // modes: the missing-value code where none repeats
};

// Medians and modes of every variable (stored by MEDIANS and MODES), with the order
// statistics, frequency tables and stem-and-leaf plots the options print.
OrderResults order_statistics_pass(Run& run, const StatsOptions& o, const StatsData& d,
                                   const std::vector<std::string>& names) {
    OrderResults r;
    const bool tables = run.flags.OPUT && (o.PFREQUEN || o.STEMPLOT != STATS_NOT_GIVEN);
    for (std::size_t i = 0; i < d.vars.size(); ++i) {
        std::vector<Real> values = d.plain(i);
        // SORTSH sorts a copy of its own unless nothing else needs the values.
        const OrderStatistics os =
            SORTSH(tables ? values : std::move(values), run.ws.XMISS);
        r.medians.push_back(os.median);
        r.modes.push_back(os.mode_applicable ? os.mode : run.ws.XMISS);
        if (!run.flags.OPUT) continue;
        if (o.PMEDIAN) report_order_statistics(run, names[i], os);
        if (o.PFREQUEN) report_frequencies(run, frequency_table(values));
        if (o.STEMPLOT == STATS_NOT_GIVEN) continue;
        bool too_many = false;
        const auto stems = stem_and_leaf(values, o.STEMPLOT, MAX_STEMS, too_many);
        if (too_many)
            warn(run, "STEMPLOT OF " + names[i] + " NEEDS TOO MANY STEMS - USE MORE STEM DIGITS");
        else
            report_stemplot(run, names[i], o.STEMPLOT, stems);
    }
    return r;
}

// The sample-size table; the population is NPOP, else the largest N.
void report_sample_sizes(Run& run, const StatsOptions& o, const std::vector<std::string>& names,
                         const std::vector<VariableSummary>& rows) {
    long long population = o.NPOP > 0 ? o.NPOP : 0;
    if (population == 0)
        for (const VariableSummary& s : rows)
            population = std::max(population, s.count);
    report_sample_size_heading(run, population);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const VariableSummary& s = rows[i];
        report_sample_size_row(run, names[i], sample_size(s.mean, s.stdev, population), s.count,
                               s.mean, s.stdev);
    }
}

// The result variables the name options ask for; stops at the first the workspace refuses.
void store_results(Run& run, const StatsOptions& o, const std::vector<VariableSummary>& rows,
                   const OrderResults& order, const StatsMatrices& m) {
    auto column = [&](Real VariableSummary::*field) {
        std::vector<Real> v;
        for (const VariableSummary& s : rows)
            v.push_back(s.*field);
        return v;
    };
    bool ok = store_stats_vector(run, o.MEANS, column(&VariableSummary::mean)) &&
              store_stats_vector(run, o.VARIANCE, column(&VariableSummary::variance)) &&
              store_stats_vector(run, o.STDEVS, column(&VariableSummary::stdev)) &&
              store_stats_vector(run, o.MINIMUMS, column(&VariableSummary::minimum)) &&
              store_stats_vector(run, o.MAXIMUMS, column(&VariableSummary::maximum)) &&
              store_stats_vector(run, o.SUMS, column(&VariableSummary::sum)) &&
              store_stats_vector(run, o.MEDIANS, order.medians) &&
              store_stats_vector(run, o.MODES, order.modes);
    const long long k = (long long)rows.size();
    ok = ok && store_stats_matrix(run, o.CORRELAT, TYPE_SYMMETRIC, k, k, m.corr) &&
         store_stats_matrix(run, o.COVARIAN, TYPE_SYMMETRIC, k, k, m.cov) &&
         store_stats_matrix(run, o.CPRODUCT, TYPE_SYMMETRIC, k, k, m.cprod) &&
         store_stats_matrix(run, o.CPDEVIAT, TYPE_SYMMETRIC, k, k, m.cpdev) &&
         store_stats_matrix(run, o.RANKCORR, TYPE_SYMMETRIC, k, k, m.rank);
    if (!ok || !wanted(o.MOMENTS)) return;
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
        if (left_empty(*value)) {
            write_line(run, std::string(" ...ERROR..IN RIGHT HAND SIDE OF OPTION..") + keyword);
            run.flags.ODONT = true;
            return;
        }

    StatsData d;
    if (!load_stats_variables(run, o, d)) return;
    long long common = 0;
    if (o.SAMEOBS && !d.vars.empty()) {
        common = d.keep_common_observations();
        if (common == 0) {
            write_line(run, " ...ERROR..NO OBSERVATIONS COMMON TO ALL VARIABLES");
            run.flags.ODONT = true;
            return;
        }
    }
    if (d.vars.empty()) return;
    const bool out = run.flags.OPUT;
    const std::size_t k = d.vars.size();
    std::vector<std::string> names;
    std::vector<CentredValues> centred;
    std::vector<VariableSummary> rows;
    for (std::size_t i = 0; i < k; ++i) {
        names.push_back(d.vars[i].name);
        centred.push_back(centre(d.values(i)));
        rows.push_back(summarize(centred.back(), o.DN, wanted(o.MOMENTS)));
    }
    run.res[R_N] = rows.back().n;
    if (out && o.LIST) report_stats_table(run, names, rows, o.WIDE);

    const StatsMatrices m = report_matrices(run, o, d, centred, names, common);
    centred.clear(); // the deviations are not needed past the matrices
    const OrderResults order = order_statistics_pass(run, o, d, names);
    run_tests(run, o, d);
    if (o.SAMPSIZE && out) report_sample_sizes(run, o, names, rows);
    store_results(run, o, rows, order, m);
}

} // namespace tarvex
