// The computation of STATS: every variable's summary, the matrices asked for or stored, the
// order statistics with their tables, the tests across the variables and the sample sizes.
#include "regress/stats/stats_result.hpp"

#include "core/run.hpp"
#include "kernels/stats_data.hpp"
#include "numeric/text.hpp"
#include "regress/stats/stats_options.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Stem-and-leaf plots with more stems than this are not drawn.
constexpr long long MAX_STEMS = 500;

// Every variable at the same observations, two or more of each: the two-way layout.
bool complete_layout(const StatsData& d) {
    return same_observations(d) && d.vars.size() >= 2 && d.vars[0].count() >= 2;
}

// Groups of the tests: each variable's observations in use.
Groups groups_of(const StatsData& d) {
    Groups g;
    for (std::size_t i = 0; i < d.vars.size(); ++i) g.push_back(d.plain(i));
    return g;
}

StatsTestResults tests_across(const StatsOptions& o, const StatsData& d) {
    StatsTestResults t;
    const std::size_t k = d.vars.size();
    if (!o.ANOVA && !o.BARTLETT && !o.BEHRENSF && !o.NPARAM) return t;
    const Groups groups = groups_of(d);
    if (o.ANOVA) {
        t.anova_warning = k < 2;
        if (k >= 2) {
            t.has_one_way = true;
            t.one_way = one_way_anova(groups);
            if (complete_layout(d)) {
                t.has_two_way = true;
                t.two_way = two_way_anova(groups);
            }
        }
    }
    if (o.BARTLETT) {
        t.bartlett = bartlett_test(groups);
        t.has_bartlett = t.bartlett.valid;
        t.bartlett_warning = !t.bartlett.valid;
    }
    if (o.BEHRENSF) {
        t.two_sample = k == 2 ? two_sample_tests(groups[0], groups[1]) : TwoSampleTests{};
        t.has_two_sample = t.two_sample.valid;
        t.two_sample_warning = !t.two_sample.valid;
    }
    if (o.NPARAM) {
        t.nonparametric = true;
        if (k >= 2) {
            t.kruskal_wallis = kruskal_wallis(groups);
            t.has_kruskal_wallis = t.kruskal_wallis.valid;
        }
        if (k == 2) {
            t.has_mann_whitney = true;
            t.mann_whitney = mann_whitney_u(groups[0], groups[1]);
            t.n1 = (long long)groups[0].size();
            t.n2 = (long long)groups[1].size();
        }
        if (k == 1) t.sign_tests.push_back(sign_test(groups[0]));
        if (k == 2) {
            std::vector<Real> x, y, w, diff;
            d.pair(0, 1, x, y, w);
            for (std::size_t i = 0; i < x.size(); ++i) diff.push_back(x[i] - y[i]);
            t.sign_tests.push_back(sign_test(diff));
        }
    }
    return t;
}

// Medians and modes of every variable (stored by MEDIANS and MODES), with the frequency tables
// and stem-and-leaf plots the options ask for.
void order_statistics(const Run& run, const StatsOptions& o, const StatsData& d, StatsResult& r) {
    const bool tables = o.PFREQUEN || o.STEMPLOT != STATS_NOT_GIVEN;
    for (std::size_t i = 0; i < d.vars.size(); ++i) {
        std::vector<Real> values = d.plain(i);
        VariableOrder v;
        // SORTSH sorts a copy of its own unless nothing else needs the values.
        v.order = SORTSH(tables ? values : std::move(values), run.ws.XMISS);
        r.medians.push_back(v.order.median);
        r.modes.push_back(v.order.mode_applicable ? v.order.mode : run.ws.XMISS);
        if (o.PFREQUEN) v.frequencies = frequency_table(values);
        if (o.STEMPLOT != STATS_NOT_GIVEN)
            v.stems = stem_and_leaf(values, o.STEMPLOT, MAX_STEMS, v.too_many_stems);
        r.orders.push_back(std::move(v));
    }
}

} // namespace

StatsResult compute_stats(const Run& run, const StatsOptions& o, const StatsData& d) {
    StatsResult r;
    const std::size_t k = d.vars.size();
    std::vector<CentredValues> centred;
    for (std::size_t i = 0; i < k; ++i) {
        r.names.push_back(d.vars[i].name);
        centred.push_back(centre(d.values(i)));
        r.rows.push_back(summarize(centred.back(), o.DN, !all_blanks(o.MOMENTS)));
    }
    r.has_matrices = o.PCPRODUC || o.PCPDEV || o.PCOVARIA || o.PCORRELA || o.PRANKCOR ||
                     !all_blanks(o.CORRELAT) || !all_blanks(o.COVARIAN) ||
                     !all_blanks(o.CPRODUCT) || !all_blanks(o.CPDEVIAT) || !all_blanks(o.RANKCORR);
    if (r.has_matrices)
        r.matrices = compute_matrices(d, centred, o.DN, o.PCPRODUC || !all_blanks(o.CPRODUCT),
                                      o.PRANKCOR || !all_blanks(o.RANKCORR));
    centred.clear(); // the deviations are not needed past the matrices
    order_statistics(run, o, d, r);
    r.tests = tests_across(o, d);
    if (o.SAMPSIZE) {
        r.population = o.NPOP > 0 ? o.NPOP : 0;
        if (r.population == 0)
            for (const VariableSummary& s : r.rows) r.population = std::max(r.population, s.count);
        for (const VariableSummary& s : r.rows)
            r.sample_sizes.push_back(sample_size(s.mean, s.stdev, r.population));
    }
    return r;
}

} // namespace tarvex
