// COINTEGR vars / options: reads and checks the options and the list, gathers the rows (the
// observations of the range, which must follow one another), and hands them to the test the
// list and the options call for: one variable, the augmented Dickey-Fuller test (PP: Phillips-
// Perron, KPSS: KPSS); several, Engle-Granger's test (JOHANSEN: Johansen's). A test that cannot
// be done is reported as a failed estimation; a finished one is reported and its result stored
// (the cointegrating regression of Engle-Granger's test as the estimation TEST and FCAST read).
#include "regress/coint/coint_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "kernels/value_range.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/coint/coint_errors.hpp"
#include "regress/coint/coint_options.hpp"
#include "regress/coint/engle_granger.hpp"
#include "regress/coint/johansen.hpp"
#include "regress/coint/johansen_rank_table.hpp"
#include "regress/coint/johansen_report.hpp"
#include "regress/coint/unit_root_report.hpp"
#include "regress/coint/unit_root_result.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/fit/term_names.hpp"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace tarvex {

namespace {

bool check_options(Run& run, const CointOptions& o) {
    // Not given, each is chosen from the data; typed, it must be a number of lags.
    if (o.LAGS_given && o.LAGS < 0)
        return option_out_of_range(run, "LAGS", o.LAGS, "IT MUST BE 0 OR MORE");
    if (o.BANDWIDT_given && o.BANDWIDT < 0)
        return option_out_of_range(run, "BANDWIDT", o.BANDWIDT, "IT MUST BE 0 OR MORE");
    if (!o.SELECT.empty() && o.SELECT != "FIXED" && o.SELECT != "AIC" && o.SELECT != "BIC")
        return bad_option_value(run, "SELECT", ERR_COINT_OPTION);
    if (!check_name_options(run, coint_option_table(), ERR_COINT_OPTION)) return false;
    if (o.JOHANSEN && (o.PP || o.KPSS)) {
        report_error(run, " ...ERROR..CHOOSE ONE OF JOHANSEN, PP AND KPSS", ERR_COINT_OPTION);
        return false;
    }
    if (o.JOHANSEN && (o.LAGS == 0 || (!o.SELECT.empty() && o.SELECT != "FIXED")))
        return bad_option_value(run, o.LAGS == 0 ? "LAGS" : "SELECT", ERR_COINT_OPTION);
    if (o.PP && o.KPSS) {
        report_error(run, " ...ERROR..CHOOSE ONE OF PP AND KPSS", ERR_COINT_OPTION);
        return false;
    }
    if (!o.JOHANSEN && !name_blank(o.RANKTEST)) {
        report_error(run, " ...ERROR..RANKTEST= HOLDS THE RANK TESTS OF JOHANSEN: ADD JOHANSEN",
                     ERR_COINT_RANKTEST);
        return false;
    }
    return true;
}

// DETERM's word (blank: CONSTANT) as one of the test's `choices`; another word is reported.
template <class Terms>
bool read_determ(Run& run, const std::string& word,
                 std::initializer_list<std::pair<std::string_view, Terms>> choices, Terms& out) {
    const std::string_view given = word.empty() ? std::string_view("CONSTANT") : word;
    for (const auto& [choice, terms] : choices)
        if (given == choice) {
            out = terms;
            return true;
        }
    return bad_option_value(run, "DETERM", ERR_COINT_OPTION);
}

bool read_deterministic(Run& run, const std::string& word, Deterministic& det) {
    return read_determ(run, word,
                       {{"CONSTANT", Deterministic::CONSTANT},
                        {"NONE", Deterministic::NONE},
                        {"TREND", Deterministic::TREND}},
                       det);
}

EstimationFailure too_few(int n, int k) {
    return {" ...ERROR.." + fmt_I(n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(k, 4) +
                " COEFFICIENTS",
            ERR_COINT_TOO_FEW};
}

EstimationFailure constant_variable(const std::string& name) {
    return {" ...ERROR..VARIABLE " + trim_trailing_blanks(name) + " IS CONSTANT",
            ERR_COINT_CONSTANT};
}

EstimationFailure singular(const std::string& culprit) {
    return {" ...ERROR..SINGULAR REGRESSION: " + trim_trailing_blanks(culprit) +
                " IS A LINEAR COMBINATION OF THE OTHER REGRESSORS",
            ERR_COINT_SINGULAR};
}

// What a test of one variable, or Johansen's, can store: the coefficients of a test regression
// (ADF) or COEF's first relation (Johansen), and TESTSTAT. No series is fitted.
OutputNames test_outputs(const OutputNames& out, bool regression, bool relation) {
    OutputNames kept;
    kept.TESTSTAT = out.TESTSTAT;
    if (regression || relation) kept.COEF = out.COEF;
    if (regression) {
        kept.STDERR = out.STDERR;
        kept.TRATIO = out.TRATIO;
        kept.COVARIAN = out.COVARIAN;
    }
    return kept;
}

// The default number of lagged differences: trunc((n-1)**(1/3)).
int default_lags(int n) {
    int k = int(qm::floor(cbrtq(Real(n - 1)) * (1 + 1e-30Q)));
    return k < 0 ? 0 : k;
}

LagSelection selection_of(const std::string& word) {
    return word == "AIC"   ? LagSelection::AIC
           : word == "BIC" ? LagSelection::BIC
                           : LagSelection::FIXED;
}

std::string adf_culprit(const std::string& name, const AdfFit& f, Deterministic det) {
    const std::string base = trim_trailing_blanks(name);
    const int c = f.failed_column;
    if (c == 0) return lagged_name(base, 1);
    if (c <= f.lag) return lagged_name(suffixed_name("D", base), c);
    return det == Deterministic::TREND && c == f.lag + 1 ? "TREND" : "CONSTANT";
}

// The ADF test of `y` (its name for the report), with the lag options, judged on the p-value
// surface for `nvars` variables and `surface` terms; false (reported) when it cannot be done.
bool adf_test(Run& run, const std::string& name, const std::vector<Real>& y, Deterministic det,
              Deterministic surface, int nvars, const CointOptions& o, LagChoice& choice,
              AdfTest& test) {
    const int n = int(y.size());
    choice.select = selection_of(o.SELECT);
    choice.max_lag = o.LAGS >= 0 ? o.LAGS : default_lags(n);
    AdfFit f = augmented_dickey_fuller(y.data(), y.size(), det, choice.max_lag, choice.select);
    EstimationFailure failure;
    if (f.status == UnitRootStatus::constant) failure = constant_variable(name);
    if (f.status == UnitRootStatus::too_few) failure = too_few(f.n, f.k);
    if (f.status == UnitRootStatus::singular) failure = singular(adf_culprit(name, f, det));
    if (f.status != UnitRootStatus::ok) {
        report_estimation_failure(run, failure);
        return false;
    }
    test = judge_adf(std::move(f), surface, nvars);
    return true;
}

void unit_root_tests(Run& run, const std::string& name, const std::vector<Real>& y,
                     const CointOptions& o) {
    Deterministic det;
    if (!read_deterministic(run, o.DETERM, det)) return;
    if (!o.PP && !o.KPSS) {
        LagChoice choice;
        AdfTest test;
        if (!adf_test(run, name, y, det, det, 1, o, choice, test)) return;
        report_adf(run, name, test, det, choice, o.WIDE);
        store_model_result(run, adf_result(test), test_outputs(o.out, true, false));
        return;
    }
    if (det == Deterministic::NONE) {
        bad_option_value(run, "DETERM", ERR_COINT_OPTION);
        return;
    }
    // The variances the tests report are on the scale of the squares of y.
    const SquaresRange range = squares_range(y.data(), y.size());
    if (range != SquaresRange::inside)
        return report_estimation_failure(
            run, {values_out_of_range(trim_trailing_blanks(name), range == SquaresRange::too_large),
                  ERR_COINT_RANGE});
    const int n = int(y.size()) - (o.PP ? 1 : 0);
    const int bandwidth = o.BANDWIDT >= 0 ? o.BANDWIDT : default_bandwidth(n, o.LONG);
    UnitRootStatus status;
    int fn = 0;
    PhillipsPerronFit pp;
    KpssFit kpss;
    if (o.PP) {
        pp = phillips_perron(y.data(), y.size(), det, bandwidth);
        status = pp.status, fn = pp.n;
    } else {
        kpss = kpss_statistic(y.data(), y.size(), det, bandwidth);
        status = kpss.status, fn = kpss.n;
    }
    const int k = (det == Deterministic::TREND ? 2 : 1) + (o.PP ? 1 : 0);
    if (status == UnitRootStatus::constant)
        return report_estimation_failure(run, constant_variable(name));
    if (status == UnitRootStatus::too_few) return report_estimation_failure(run, too_few(fn, k));
    if (status == UnitRootStatus::singular) return report_estimation_failure(run, singular(name));
    const OutputNames out = test_outputs(o.out, false, false);
    if (o.PP) {
        const PhillipsPerronTest test = judge_phillips_perron(pp, det);
        report_phillips_perron(run, name, test, det);
        store_model_result(run, phillips_perron_result(test), out);
    } else {
        const KpssTest test = judge_kpss(kpss, det);
        report_kpss(run, name, test, det);
        store_model_result(run, kpss_result(test), out);
    }
}

void engle_granger(Run& run, EstimationEquation& eq, const ListRows& rows, const CointOptions& o) {
    Deterministic det;
    if (!read_deterministic(run, o.DETERM, det)) return;
    if (det == Deterministic::NONE) return (void)bad_option_value(run, "DETERM", ERR_COINT_OPTION);
    std::vector<std::vector<Real>> x = rows.x;
    x.pop_back(); // the constant: an empty column, placed last
    if (det == Deterministic::TREND) {
        OlsTerm t;
        t.kind = TermKind::TREND;
        t.ref = run.ws.MAXVAR + 2;
        t.name = first_8_padded("TREND");
        eq.terms.insert(eq.terms.end() - 1, t);
        std::vector<Real> trend;
        for (int obs : rows.obs) trend.push_back(Real(obs));
        x.push_back(std::move(trend));
    }
    x.push_back({});
    const int n = int(rows.y.size()), k = int(x.size());
    if (n <= k + 1) return report_estimation_failure(run, too_few(n, k));
    for (std::size_t j = 0; j + 1 < rows.x.size(); ++j) {
        bool varies = false;
        for (Real v : rows.x[j]) varies = varies || v != rows.x[j][0];
        if (!varies) return report_estimation_failure(run, constant_variable(eq.terms[j].name));
    }
    // The regression reports its residual sum of squares, on the scale of the squares of y.
    for (std::size_t j = 0; j <= rows.x.size(); ++j) {
        if (j + 1 == rows.x.size()) continue; // the constant
        const std::vector<Real>& v = j < rows.x.size() ? rows.x[j] : rows.y;
        const SquaresRange range = squares_range(v.data(), v.size());
        if (range != SquaresRange::inside)
            return report_estimation_failure(
                run, {values_out_of_range(
                          trim_trailing_blanks(j < rows.x.size() ? eq.terms[j].name : eq.dep_name),
                          range == SquaresRange::too_large),
                      ERR_COINT_RANGE});
    }
    CointRegression r = cointegrating_regression(rows.y, x);
    if (!r.ok) {
        const int c = r.failed_column;
        return report_estimation_failure(
            run,
            singular(c >= 0 && c < int(eq.terms.size()) ? eq.terms[c].name : std::string("?")));
    }
    report_cointegrating_regression(run, eq, r, o);
    // The variables: y and the regressors other than the constant.
    LagChoice choice;
    AdfTest test;
    if (!adf_test(run, "RESID", r.result.record.residuals, Deterministic::NONE, det,
                  int(rows.x.size()), o, choice, test))
        return;
    report_adf(run, "RESID", test, Deterministic::NONE, choice, o.WIDE);
    add_adf_statistic(r.result, test);
    EstimationResults& record = r.result.record;
    name_equation(run, "COINTEGR", eq, {}, record);
    store_model_result(run, std::move(r.result), o.out);
}

bool read_johansen_terms(Run& run, const std::string& word, JohansenTerms& terms) {
    return read_determ(run, word,
                       {{"CONSTANT", JohansenTerms::CONSTANT},
                        {"NONE", JohansenTerms::NONE},
                        {"RESTRICT", JohansenTerms::RESTRICTED},
                        {"TREND", JohansenTerms::TREND}},
                       terms);
}

// Johansen's test of the list's variables: a VAR of LAGS lags in levels (2 when not given).
void johansen_test(Run& run, const EstimationEquation& eq, const ListRows& rows,
                   const CointOptions& o) {
    JohansenTerms terms = JohansenTerms::CONSTANT;
    if (!read_johansen_terms(run, o.DETERM, terms)) return;
    std::vector<std::string> names{eq.dep_name};
    std::vector<std::vector<Real>> x{rows.y};
    for (std::size_t j = 0; j + 1 < rows.x.size(); ++j) {
        names.push_back(eq.terms[j].name);
        x.push_back(rows.x[j]);
    }
    for (std::size_t j = 0; j < x.size(); ++j) {
        bool varies = false;
        for (Real v : x[j]) varies = varies || v != x[j][0];
        if (!varies) return report_estimation_failure(run, constant_variable(names[j]));
    }
    const int lags = o.LAGS > 0 ? o.LAGS : 2;
    const JohansenFit fit = johansen(x, lags, terms);
    const int m = int(x.size());
    switch (fit.status) {
    case JohansenStatus::ok:
        break;
    case JohansenStatus::too_few:
        return report_estimation_failure(run, {" ...ERROR.." + fmt_I(int(rows.y.size()), 5) +
                                                   " OBSERVATIONS IS NOT ENOUGH FOR A VAR OF" +
                                                   fmt_I(lags, 3) + " LAGS IN" + fmt_I(m, 3) +
                                                   " VARIABLES",
                                               ERR_COINT_VAR_TOO_FEW});
    case JohansenStatus::dependent: {
        const int c = fit.failed_column;
        const bool lag = c >= 0 && c < m * (lags - 1);
        return report_estimation_failure(
            run, singular(lag ? lagged_name(suffixed_name("D", trim_trailing_blanks(names[c % m])),
                                            c / m + 1)
                              : std::string("CONSTANT")));
    }
    case JohansenStatus::singular_00:
    case JohansenStatus::singular_11:
    case JohansenStatus::no_eigen:
        return report_estimation_failure(
            run, {std::string(" ...ERROR..JOHANSEN: ") +
                      (fit.status == JohansenStatus::singular_00
                           ? "THE RESIDUALS OF THE DIFFERENCES ARE DEPENDENT (S00)"
                       : fit.status == JohansenStatus::singular_11
                           ? "THE RESIDUALS OF THE LEVELS ARE DEPENDENT (S11)"
                           : "THE EIGENVALUES DID NOT SETTLE"),
                  ERR_COINT_MOMENTS});
    }
    report_johansen(run, names, fit, terms, o.WIDE);
    if (store_model_result(run, johansen_result(fit, terms), test_outputs(o.out, false, true)))
        store_rank_tests(run, o.RANKTEST, fit, terms);
}

} // namespace

void cmd_cointegr(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " COINTEGR");
    set_coint_defaults(run);
    if (!OPTION(run, coint_option_table())) return;
    const CointOptions o = read_coint_options(run);
    if (!check_options(run, o)) return;
    const ScanBlock& scan = run.scan;
    if (scan.NF < 1) {
        report_error(run, " ...ERROR..COINTEGR NEEDS A VARIABLE, OR TWO OR MORE",
                     ERR_COINT_NO_LIST);
        return;
    }
    if (scan.NF == 1 && o.JOHANSEN) {
        report_error(run, " ...ERROR..JOHANSEN TESTS TWO OR MORE VARIABLES", ERR_COINT_COMBINATION);
        return;
    }
    if (scan.NF > 1 && (o.PP || o.KPSS)) {
        report_error(run,
                     std::string(" ...ERROR..") + (o.PP ? "PP" : "KPSS") + " TESTS ONE VARIABLE",
                     ERR_COINT_COMBINATION);
        return;
    }
    EstimationEquation eq;
    const OlsTerm dep = list_term(run, 1);
    eq.dep_ref = dep.ref, eq.dep_lag = dep.lag, eq.dep_name = dep.name;
    for (int k = 2; k <= scan.NF; ++k) eq.terms.push_back(list_term(run, k));
    eq.terms.push_back(intercept_term(run));
    ListRows rows;
    if (!gather_equation_rows(run, eq, eq.terms, o.BEG, o.END, rows)) return;
    if (!rows.obs.empty() && rows.obs.back() - rows.obs.front() + 1 != int(rows.obs.size())) {
        report_error(run, " ...ERROR..COINTEGR NEEDS OBSERVATIONS THAT FOLLOW ONE ANOTHER",
                     ERR_COINT_GAPS);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    if (scan.NF == 1) {
        unit_root_tests(run, eq.dep_name, rows.y, o);
        return;
    }
    if (o.JOHANSEN)
        johansen_test(run, eq, rows, o);
    else
        engle_granger(run, eq, rows, o);
}

} // namespace tarvex
