// Writing and storing the estimates of SYSTEM.
#include "regress/system/system_report.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/system/system_errors.hpp"

namespace tarvex {

namespace {

const char* method_title(const std::string& method) {
    if (method == "ITSUR") return " METHOD: ITSUR (ITERATED SEEMINGLY UNRELATED REGRESSIONS)";
    if (method == "3SLS") return " METHOD: 3SLS (THREE STAGE LEAST SQUARES)";
    return " METHOD: SUR (SEEMINGLY UNRELATED REGRESSIONS)";
}

// A title and the terms' names, eight to a line, the following lines indented under the first.
void write_terms(Run& run, const std::string& title, const std::vector<OlsTerm>& terms) {
    if (terms.empty()) return;
    std::string line = title;
    const std::string indent(title.size(), ' ');
    int on_line = 0;
    for (const OlsTerm& t : terms) {
        if (on_line == 8) {
            write_line(run, line);
            line = indent;
            on_line = 0;
        }
        line += " " + t.name;
        ++on_line;
    }
    write_line(run, line);
}

std::vector<std::string> parameter_names(const SystemModel& model) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < model.regressors.size(); ++i)
        for (const OlsTerm& t : model.regressors[i])
            names.push_back(system_parameter_name(t.name, static_cast<int>(i)));
    return names;
}

void write_equation(Run& run, const SystemModel& model, const SystemEstimate& e, int i, bool wide) {
    const int m = e.m;
    write_line(run, " ");
    write_line(run, " EQUATION" + fmt_I(i + 1, 3) + " OF" + fmt_I(m, 3) +
                        ":   DEPENDENT VARIABLE= " + model.block.equations[i].dep.name);
    write_line(run, "  R-SQUARE =" + fmt_F(e.r2[i], 9, 4) + fmt_X(5) +
                        "SUM OF SQUARED ERRORS-SSE=" + fmt_G(e.sse[i], 13, 5));
    write_line(run, " RESIDUAL VARIANCE (SSE/N) =" +
                        fmt_G(e.sigma[static_cast<std::size_t>(i) * m + i], 13, 5) + fmt_X(5) +
                        "MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean[i], 13, 5));
    write_line(run, " ");
    CoefficientTable t;
    for (const OlsTerm& term : model.regressors[i]) t.names.push_back(term.name);
    const auto from = e.coef.begin() + e.first[i], to = from + e.k[i];
    t.coef.assign(from, to);
    t.se.assign(e.se.begin() + e.first[i], e.se.begin() + e.first[i] + e.k[i]);
    t.tstat.assign(e.tstat.begin() + e.first[i], e.tstat.begin() + e.first[i] + e.k[i]);
    t.df = e.n - e.k[i];
    t.wide = wide;
    write_coefficient_table(run, t);
}

void store_estimation(Run& run, const SystemModel& model, const SystemEstimate& e) {
    EstimationResults& s = run.last_estimation;
    s = EstimationResults{};
    s.command = "SYSTEM";
    s.not_forecast = "SYSTEM OF EQUATIONS";
    const OlsTerm& dep = model.block.equations.front().dep;
    s.dep_ref = dep.ref;
    s.dep_lag = dep.lag;
    s.dep_name = dep.name;
    s.dep_variable = reference_name(run, dep.ref);
    const std::vector<std::string> names = parameter_names(model);
    for (std::size_t j = 0; j < names.size(); ++j)
        record_parameter(run, names[j], static_cast<int>(j), s);
    s.coef = e.coef;
    s.cov = e.cov;
    s.stderrs = e.se;
    s.tratios = e.tstat;
    s.obs = model.obs;
    s.n = e.n;
    s.k = e.p;
    s.beg = model.beg;
    s.end = model.end;
    s.df = Real(e.n) * e.m - e.p;
    for (Real v : e.sse) s.sse += v;
}

// Output variable `base` with the equation's number appended (cut to 8 columns).
std::string equation_variable(const std::string& base, int i) {
    return suffixed_name(trim_trailing_blanks(base), std::to_string(i + 1));
}

} // namespace

std::string system_parameter_name(const std::string& term, int i) {
    return first_8_padded(suffixed_name(trim_trailing_blanks(term), "_" + std::to_string(i + 1)));
}

void report_system(Run& run, const SystemModel& model, const SystemEstimate& e,
                   const SystemOptions& o) {
    const int m = e.m;
    if (run.flags.OPUT) {
        write_line(run, " SYSTEM OF" + fmt_I(m, 3) + " EQUATIONS");
        write_line(run, fmt_I(e.n, 9) + " OBSERVATIONS");
        write_line(run, method_title(o.METHOD));
        write_terms(run, " ENDOGENOUS:", model.block.endogenous);
        write_terms(run, " EXOGENOUS:", model.block.exogenous);
        write_terms(run, " LAGGED ENDOGENOUS:", model.block.lagged);
        if (o.METHOD == "3SLS") write_terms(run, " INSTRUMENTS:", model.instruments);
        for (const std::string& identity : model.block.identities)
            write_line(run, " IDENTITY (NOT ESTIMATED): " + identity);
        write_line(run, o.METHOD == "3SLS" ? " SIGMA = E'E/N FROM THE 2SLS RESIDUALS"
                        : o.METHOD == "ITSUR"
                            ? " SIGMA = E'E/N RENEWED FROM THE RESIDUALS OF EACH STEP"
                            : " SIGMA = E'E/N FROM THE OLS RESIDUALS");
    }
    if (o.METHOD == "ITSUR")
        report_iteration_end(run,
                             e.end == SystemEnd::ITERATION_LIMIT ? IterationEnd::ITERATION_LIMIT
                                                                 : IterationEnd::CONVERGED,
                             e.iterations, "COEFFICIENTS", ERR_SYS_NO_CONVERGENCE,
                             ERR_SYS_NO_CONVERGENCE);
    if (run.flags.OPUT) {
        for (int i = 0; i < m; ++i) write_equation(run, model, e, i, o.WIDE);
        std::vector<std::string> deps;
        for (const SystemEquation& q : model.block.equations) deps.push_back(q.dep.name);
        write_coefficient_matrix(run, deps, e.sigma,
                                 " CROSS-EQUATION COVARIANCE MATRIX OF THE RESIDUALS (DIVISOR N)",
                                 false, o.WIDE);
        write_coefficient_matrix(run, deps, e.sigma,
                                 " CROSS-EQUATION CORRELATION MATRIX OF THE RESIDUALS", true,
                                 o.WIDE);
        write_coefficient_matrices(run, parameter_names(model), e.cov, o.PCOV, o.PCOR, o.WIDE);
    }
    ResultScalars& res = run.res;
    Real sse = 0;
    for (Real v : e.sse) sse += v;
    res[R_N] = e.n;
    res[R_K] = e.p;
    res[R_DF] = Real(e.n) * m - e.p;
    res[R_SSE] = sse;
    store_estimation(run, model, e);
    for (int i = 0; i < m; ++i) {
        if (!name_blank(o.PREDICT) && !store_by_observation(run, equation_variable(o.PREDICT, i),
                                                            model.end, model.obs, e.fitted[i]))
            return;
        if (!name_blank(o.RESID) && !store_by_observation(run, equation_variable(o.RESID, i),
                                                          model.end, model.obs, e.resid[i]))
            return;
    }
    store_coefficient_outputs(run, o.COEF, o.STDERR, o.TRATIO, o.COVARIAN, e.coef, e.se, e.tstat,
                              e.cov);
}

} // namespace tarvex
