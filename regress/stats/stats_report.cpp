// Report lines of STATS, column by column as the command prints them.
#include "regress/stats/stats_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"

namespace tarvex {

namespace {

constexpr int MATRIX_PER_LINE = 8;

void blank(Run& run) {
    write_line(run, " ");
}

// N in an integer field; a sum of replication weights too large for any field fills it with "*".
std::string count_field(Real n, int w) {
    const Real limit = 1e17Q;
    return fabsq(n) < limit ? fmt_I((long long)roundq(n), w) : std::string(std::size_t(w), '*');
}

void anova_heading(Run& run) {
    write_line(run,
               fmt_X(23) + "SS" + fmt_X(9) + "DF" + fmt_X(13) + "MS" + fmt_X(17) + "F    P-VALUE");
}

std::string anova_tail(const AnovaRow& r) {
    return fmt_F(r.df, 8, 0) + fmt_G(r.ms, 18, 5);
}

// F and its p-value; blank when the error mean square is 0 and no F can be formed.
std::string anova_test(const AnovaRow& r) {
    return r.tested ? fmt_G(r.f, 18, 5) + fmt_F(r.p, 7, 4) : std::string();
}

} // namespace

void report_stats_table(Run& run, const std::vector<std::string>& names,
                        const std::vector<VariableSummary>& rows, bool wide) {
    if (wide)
        write_line(run, " NAME        N   MEAN        ST. DEV      VARIANCE"
                        "     MINIMUM      MAXIMUM  COEF.OF.VARIATION CONSTANT-DIGITS");
    else
        write_line(run, " NAME        N    MEAN        ST. DEV      VARIANCE"
                        "     MINIMUM      MAXIMUM");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const VariableSummary& s = rows[i];
        std::string line = " " + fmt_A(names[i], 8) + count_field(s.n, 7) + fmt_G(s.mean, 13, 5) +
                           fmt_G(s.stdev, 12, 5) + fmt_G(s.variance, 12, 5) +
                           fmt_G(s.minimum, 13, 5) + fmt_G(s.maximum, 13, 5);
        if (wide)
            line +=
                (s.cv_defined ? fmt_G(s.cv, 13, 5) : fmt_X(13)) + fmt_G(s.constant_digits, 13, 5);
        write_line(run, line);
    }
}

void report_stats_matrix(Run& run, const std::string& title, long long n, bool common,
                         const std::vector<std::string>& names, const std::vector<Real>& m) {
    const std::size_t k = names.size();
    blank(run);
    write_line(run, title + fmt_I(n, 9) + " OBSERVATIONS");
    if (common) write_line(run, " USING COMMON OBSERVATIONS");
    for (std::size_t i = 0; i < k; ++i) {
        std::string line = " " + fmt_A(names[i], 8);
        for (std::size_t j = 0; j <= i; ++j) {
            if (j > 0 && j % MATRIX_PER_LINE == 0) {
                write_line(run, line);
                line = fmt_X(9);
            }
            line += fmt_G(m[i * k + j], 15, 7);
        }
        write_line(run, line);
    }
}

void report_order_statistics(Run& run, const std::string& name, const OrderStatistics& o) {
    blank(run);
    write_line(run, "  VARIABLE = " + name);
    write_line(run, " MEDIAN = " + fmt_G(o.median, 13, 5));
    write_line(run, " LOWER 25%=" + fmt_G(o.lower_quartile, 13, 5) +
                        " UPPER 25%=" + fmt_G(o.upper_quartile, 13, 5) + " INTERQUARTILE RANGE=" +
                        fmt_G(o.upper_quartile - o.lower_quartile, 11, 4));
    if (!o.mode_applicable) {
        write_line(run, " MODE NOT APPLICABLE");
        return;
    }
    if (o.multiple_modes) write_line(run, " ...WARNING..MULTIPLE MODES - THE MAXIMUM IS REPORTED");
    write_line(run, " MODE = " + fmt_G(o.mode, 13, 5) + " WITH " + fmt_I(o.mode_count, 8) +
                        " OBSERVATIONS");
}

void report_frequencies(Run& run, const std::vector<FrequencyRow>& rows) {
    write_line(run, fmt_X(10) + "VALUE       FREQUENCY      PERCENT   CUMULATIVE" + fmt_X(3) +
                        "REMAINING");
    for (const FrequencyRow& r : rows)
        write_line(run, fmt_G(r.value, 18, 8) + fmt_I(r.count, 10) + fmt_X(3) +
                            fmt_F(r.percent, 12, 5) + fmt_F(r.cumulative, 12, 5) +
                            fmt_F(r.remaining, 12, 5));
}

void report_stemplot(Run& run, const std::string& name, int digits,
                     const std::vector<StemRow>& rows) {
    blank(run);
    write_line(run, " STEMPLOT: " + fmt_A(name, 24) + "STEM DIGITS=" + fmt_I(digits, 6));
    write_line(run, " CUMUL-FREQ STEM   LEAF");
    for (const StemRow& r : rows)
        write_line(run, fmt_I(r.cumulative, 8) + fmt_I(r.stem, 6) + " " + r.leaves);
}

void report_one_way(Run& run, const OneWayAnova& a) {
    blank(run);
    write_line(run, fmt_X(17) + "ANALYSIS OF VARIANCE - OVERALL MEAN=" + fmt_G(a.mean, 18, 5));
    anova_heading(run);
    write_line(run, " BETWEEN   " + fmt_G(a.between.ss, 18, 5) + anova_tail(a.between) +
                        anova_test(a.between));
    write_line(run, " WITHIN     " + fmt_G(a.within.ss, 17, 5) + anova_tail(a.within));
    write_line(run, " TOTAL" + fmt_G(a.total.ss, 23, 5) + anova_tail(a.total));
}

void report_two_way(Run& run, const TwoWayAnova& a) {
    blank(run);
    write_line(run,
               fmt_X(12) + "TWO-WAY ANALYSIS OF VARIANCE - OVERALL MEAN=" + fmt_G(a.mean, 18, 5));
    anova_heading(run);
    write_line(run, " GROUPS    " + fmt_G(a.groups.ss, 18, 5) + anova_tail(a.groups) +
                        anova_test(a.groups));
    write_line(run, " BLOCKS     " + fmt_G(a.blocks.ss, 17, 5) + anova_tail(a.blocks) +
                        anova_test(a.blocks));
    write_line(run, " ERROR" + fmt_G(a.error.ss, 23, 5) + anova_tail(a.error));
    write_line(run, " TOTAL" + fmt_G(a.total.ss, 23, 5) + anova_tail(a.total));
}

void report_bartlett(Run& run, const BartlettTest& b, bool dump) {
    blank(run);
    if (dump) {
        write_line(run, " BARS BARL BARF BAR1F QTEST");
        write_line(run, " " + fmt_G(b.pooled, 15, 7) + fmt_G(b.numerator, 15, 7) +
                            fmt_G(b.sum_inverse, 15, 7) + fmt_G(b.inverse, 15, 7) +
                            fmt_G(b.statistic, 15, 7));
    }
    write_line(run, "  BARTLETTS HOMOGENEITY OF VARIANCE TEST = " + fmt_G(b.statistic, 14, 5) +
                        fmt_X(3) + "P-VALUE=" + fmt_F(b.p, 9, 5));
    write_line(run, "     APPROXIMATELY CHI-SQUARE WITH " + fmt_I(b.df, 4) + " DEGREES OF FREEDOM");
}

void report_two_sample(Run& run, const TwoSampleTests& t) {
    blank(run);
    write_line(run, "   DIFFERENCE BETWEEN TWO SAMPLES TESTS:" + fmt_X(4) +
                        "STATISTIC          D.F.     P-VALUE");
    write_line(run, " APPROXIMATE    T-TEST OF EQUAL MEANS:" + fmt_G(t.welch_t, 18, 5) +
                        fmt_I(t.welch_df, 13) + fmt_F(t.welch_p, 10, 4));
    write_line(run, " EQUAL VARIANCE T-TEST OF EQUAL MEANS:" + fmt_G(t.pooled_t, 18, 5) +
                        fmt_I(t.pooled_df, 13) + fmt_F(t.pooled_p, 10, 4));
    write_line(run, " F-TEST OF EQUAL VARIANCES:           " + fmt_G(t.f, 18, 5) +
                        fmt_I(t.f_df1, 6) + fmt_I(t.f_df2, 6) + fmt_F(t.f_p, 10, 4));
}

void report_kruskal_wallis(Run& run, const KruskalWallis& kw) {
    write_line(run, " KRUSKAL-WALLIS TEST:" + fmt_G(kw.h, 13, 5) + " IS CHI-SQUARE WITH " +
                        fmt_I(kw.df, 5) + " D.F. P-VALUE=" + fmt_F(kw.p, 7, 4));
}

void report_mann_whitney(Run& run, Real u, long long n1, long long n2) {
    write_line(run, " MANN-WHITNEY TEST U=" + fmt_G(u, 13, 5) + " N1=" + fmt_F(Real(n1), 6, 0) +
                        " N2=" + fmt_F(Real(n2), 6, 0));
}

void report_sign_test(Run& run, const SignTest& s) {
    write_line(run, " NONPARAMETRIC SIGN TEST:");
    write_line(run, "  DIFFERENCES: NEGATIVE=" + fmt_I(s.negative, 5) +
                        " ZERO=" + fmt_I(s.zero, 5) + " POSITIVE=" + fmt_I(s.positive, 5));
    write_line(run, "  ONE-SIDED PVALUE=" + fmt_F(s.one_sided, 8, 5) +
                        " TWO-SIDED PVALUE=" + fmt_F(s.two_sided, 8, 5));
}

void report_sample_size_heading(Run& run, long long population) {
    blank(run);
    write_line(run, " SAMPLE SIZE ESTIMATION: NP=" + fmt_I(population, 10));
    write_line(run, " VARIABLE   ERROR MARGIN(+-)  N(W REPL)     N(WO REPL)");
}

void report_sample_size_row(Run& run, const std::string& name, const SampleSize& s, long long n,
                            Real mean, Real stdev) {
    write_line(run, " " + fmt_A(name, 8) + fmt_F(s.margin, 10, 5) + fmt_I(n, 10) +
                        fmt_I(s.with_replacement, 10) + fmt_I(s.without_replacement, 10) +
                        fmt_G(mean, 13, 5) + fmt_G(stdev, 13, 5));
}

} // namespace tarvex
