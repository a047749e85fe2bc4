// DIAGNOSE: parses FCAST's options, checks that a linear least-squares estimation stands and
// that the tests asked for fit its sample, reads the estimation's rows again, runs the tests and
// writes them; the scalars of the last test are set at the end, when every test was done.
#include "regress/diagnose/diagnose_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/diagnose/diagnose_errors.hpp"
#include "regress/diagnose/diagnose_report.hpp"
#include "regress/diagnose/stability_plot.hpp"
#include "regress/diagnose/stability_tests.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fcast/fcast_predict.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/cusum_squares_bounds.hpp"
#include "regress/ols/recursive_residuals.hpp"
#include "workspace/bound_names.hpp"

#include <algorithm>
#include <utility>
#include <vector>

namespace tarvex {

namespace {

// Share of the sample kept off each end of the sup-F test's breaks.
constexpr int SUP_F_TRIM_PERCENT = 15;

// The rows of the estimation: x row after row and y.
struct DiagnoseRows {
    std::vector<int> obs;
    std::vector<Real> x, y;
    int k = 0;
};

bool linear_estimation_stands(Run& run) {
    const EstimationResults& e = run.last_estimation;
    if ((e.command != "OLSQ" && e.command != "IMLS") || e.obs.empty()) {
        report_error(run, " ...ERROR..DIAGNOSE NEEDS A LINEAR LEAST-SQUARES ESTIMATION BEFORE IT",
                     ERR_DIAGNOSE_NO_OLS);
        return false;
    }
    if (!e.weights.empty() || e.log_dependent || e.log_regressors) {
        report_error(run, " ...ERROR..DIAGNOSE TESTS ONLY AN UNWEIGHTED ESTIMATION IN LEVELS",
                     ERR_DIAGNOSE_FORM);
        return false;
    }
    return true;
}

// The regressors and the dependent variable at the estimation's observations, read as FCAST
// reads them; false after the message when a value is missing now.
bool read_estimation_rows(Run& run, const FcastOptions& o, DiagnoseRows& rows) {
    FcastModel model;
    if (!build_fcast_model(run, o, model)) return false;
    // The rows of an estimation over series bound to a file are not kept: DIAGNOSE refuses them
    // as every command that needs the series in memory does.
    std::string bound = model.dep_bound;
    for (const std::string& name : model.term_bound)
        if (bound.empty()) bound = name;
    if (const BoundSeries* series = bound.empty() ? nullptr : find_bound_series(run, bound)) {
        report_error(run, bound_in_memory_message(run, bound, *series),
                     command_error_number(run, BOUND_NEEDS_MEMORY_SEQUENCE));
        return false;
    }
    FcastSettings settings;
    settings.obs = run.last_estimation.obs;
    settings.keep_regressors = true;
    const Forecast f = YHAT(run, model, settings);
    rows.k = f.k;
    rows.obs = settings.obs;
    rows.x = f.x;
    for (const FcastRow& r : f.rows) {
        if (!r.defined || !r.known) {
            report_error(run,
                         " ...ERROR..THE DATA OF THE LAST ESTIMATION ARE MISSING NOW AT OBS." +
                             fmt_I(r.obs, 7),
                         ERR_DIAGNOSE_DATA);
            return false;
        }
        rows.y.push_back(r.observed);
    }
    return true;
}

// The row (0-based) of the first observation at or after `obs`.
int row_at(const std::vector<int>& obs, int at) {
    int i = 0;
    while (i < int(obs.size()) && obs[std::size_t(i)] < at) ++i;
    return i;
}

void set_f_scalars(Run& run, Real f, Real df1, Real df2, Real p) {
    run.res[R_F] = f;
    run.res[R_DF1] = df1;
    run.res[R_DF2] = df2;
    run.res[R_PVAL] = p;
}

// The recursive residuals with the CUSUM and the CUSUM of squares between their bounds.
struct RecursivePart {
    RecursiveResiduals rr;
    RecursiveTests tests;
    CusumSquaresBounds squares;
};

RecursivePart recursive_part(const DiagnoseRows& rows, int level_percent) {
    const int n = int(rows.y.size()), k = rows.k;
    std::vector<Real> columns(rows.x.size());
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < k; ++j)
            columns[std::size_t(j) * n + i] = rows.x[std::size_t(i) * k + j];
    RecursivePart p;
    p.rr = recursive_residuals(columns, rows.y, n, k);
    p.tests = recursive_tests(p.rr);
    p.squares = cusum_squares_bounds(p.tests, level_percent);
    return p;
}

void write_recursive_part(Run& run, const DiagnoseRows& rows, const RecursivePart& p,
                          const FcastOptions& o) {
    // The table reads the observations and the residuals from a fit record.
    OlsFit shown;
    shown.obs = rows.obs;
    shown.recursive = p.rr.w;
    write_recursive_estimation(run, shown, p.rr.first, p.tests, &p.squares);
    if (!o.GNU || p.tests.count == 0) return;
    const std::vector<int> obs(rows.obs.begin() + p.rr.first, rows.obs.end());
    write_stability_plot(run, obs, p.tests, p.squares, trim_trailing_blanks(o.commfile_full),
                         o.APPEND, trim_trailing_blanks(o.DEVICE), trim_trailing_blanks(o.OUTPUT));
}

} // namespace

void cmd_diagnose(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " DIAGNOSE");
    set_fcast_defaults(run, true, run.last_estimation.command);
    if (!OPTION(run, fcast_option_table())) return;
    FcastOptions o = read_fcast_options(run);
    if (o.MHET > 0) o.HETEROSC = true;
    const int q = o.MHET > 0 ? o.MHET : 1;
    if (!linear_estimation_stands(run)) return;
    const EstimationResults& e = run.last_estimation;
    const int n = int(e.obs.size()), k = e.k;

    // Every test's own conditions, before anything is written.
    int split = -1;
    if (o.CHOWONE != 0) {
        if (o.CHOWONE <= e.obs.front() || o.CHOWONE > e.obs.back()) {
            report_error(run,
                         " ...ERROR..CHOWONE=" + std::to_string(o.CHOWONE) +
                             " IS NOT INSIDE THE ESTIMATION RANGE" + fmt_I(e.obs.front(), 7) +
                             " TO" + fmt_I(e.obs.back(), 7),
                         ERR_DIAGNOSE_BREAK_OUTSIDE);
            return;
        }
        split = row_at(e.obs, o.CHOWONE);
        if (split <= k) {
            report_error(run,
                         " ...ERROR..CHOWONE=" + std::to_string(o.CHOWONE) + " LEAVES" +
                             fmt_I(split, 5) + " OBSERVATIONS BEFORE THE BREAK: MORE THAN" +
                             fmt_I(k, 4) + " ARE NEEDED",
                         ERR_DIAGNOSE_BREAK_SHORT);
            return;
        }
    }
    const int trim = n * SUP_F_TRIM_PERCENT / 100;
    const int lo = std::max(trim, k), hi = std::min(n - trim, n - k);
    if (o.CHOWTEST && (lo > hi || n - 2 * k < 1)) {
        report_error(run,
                     " ...ERROR..TOO FEW OBSERVATIONS FOR THE SUP-F TEST:" + fmt_I(n, 6) + " WITH" +
                         fmt_I(k, 4) + " COEFFICIENTS",
                     ERR_DIAGNOSE_TRIM);
        return;
    }
    if (o.HETEROSC && n - 2 * q - 1 < 1) {
        report_error(run,
                     " ...ERROR..ARCH TEST OF ORDER" + fmt_I(q, 4) + " NEEDS MORE THAN" +
                         fmt_I(2 * q + 1, 5) + " OBSERVATIONS",
                     ERR_DIAGNOSE_ARCH_SHORT);
        return;
    }
    if (o.RECRESID && !cusum_squares_level_tabulated(o.SIGLEVEL)) {
        report_error(run,
                     " ...ERROR..SIGLEVEL=" + std::to_string(o.SIGLEVEL) +
                         ": THE CUSUM OF SQUARES BOUNDS ARE AT 1, 2, 5, 10 OR 20 PERCENT",
                     ERR_DIAGNOSE_SIGLEVEL);
        return;
    }
    DiagnoseRows rows;
    if (!read_estimation_rows(run, o, rows)) return;
    if (run.sw[OSCAN]) return;

    // The tests.
    ChowTests chow;
    if (split > 0) chow = chow_tests(rows.x, rows.y, k, split);
    SupWald sup;
    if (o.CHOWTEST) sup = sup_wald(rows.x, rows.y, k, lo, hi);
    RecursivePart recursive;
    if (o.RECRESID) recursive = recursive_part(rows, o.SIGLEVEL);
    ArchTest arch;
    if (o.HETEROSC) arch = arch_test(e.residuals, q);
    if (chow.singular || (o.CHOWTEST && sup.at < 0)) {
        report_error(run, " ...ERROR..A PART OF THE SAMPLE DOES NOT DETERMINE EVERY COEFFICIENT",
                     ERR_DIAGNOSE_SINGULAR);
        return;
    }

    // The report, then the scalars of the tests in the order written.
    if (run.flags.OPUT) {
        write_diagnose_heading(run, e.obs.front(), e.obs.back(), n, k);
        if (o.RECRESID) write_recursive_part(run, rows, recursive, o);
        if (split > 0) write_chow_tests(run, o.CHOWONE, split, n - split, chow);
        if (o.CHOWTEST)
            write_sup_wald(run, rows.obs[std::size_t(lo)], rows.obs[std::size_t(hi)],
                           rows.obs[std::size_t(sup.at)], sup);
        if (o.HETEROSC && arch.done) write_arch_test(run, q, arch);
        if (o.HETEROSC && !arch.done)
            write_line(run, " ARCH TEST: THE SQUARED RESIDUALS DO NOT VARY, NO TEST");
    }
    if (recursive.squares.done) run.res[R_CRIT] = recursive.squares.c0;
    if (chow.breakpoint_done)
        set_f_scalars(run, chow.f_break, chow.df1_break, chow.df2_break, chow.p_break);
    else if (chow.predictive_done)
        set_f_scalars(run, chow.f_pred, chow.df1_pred, chow.df2_pred, chow.p_pred);
    if (o.CHOWTEST) {
        run.res[R_CHI] = sup.sup;
        if (sup.p_done) run.res[R_PVAL] = sup.p;
    }
    if (arch.done) {
        set_f_scalars(run, arch.f, q, arch.df2, arch.p_f);
        run.res[R_CHI] = arch.lm;
    }
}

} // namespace tarvex
