// Writing the estimates of SYSTEM, and the names of its coefficients and output variables.
#include "regress/system/system_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"
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

void write_equation(Run& run, const SystemModel& model, const SystemEstimate& e, int i, bool wide) {
    const int m = e.m;
    write_line(run, " ");
    if (model.named)
        write_line(run, " EQUATION " + model.labels[std::size_t(i)] + " (" +
                            fmt_I_fitted(i + 1, 3) + " OF" + fmt_I_fitted(m, 3) +
                            "):   DEPENDENT VARIABLE= " + model.block.equations[i].dep.name);
    else
        write_line(run, " EQUATION" + fmt_I_fitted(i + 1, 3) + " OF" + fmt_I_fitted(m, 3) +
                            ":   DEPENDENT VARIABLE= " + model.block.equations[i].dep.name);
    write_line(run, "  R-SQUARE =" + fmt_F_fitted(e.r2[i], 9, 4) + fmt_X(5) +
                        "SUM OF SQUARED ERRORS-SSE=" + fmt_G(e.sse[i], 13, 5));
    write_line(run, " RESIDUAL VARIANCE (SSE/N) =" +
                        fmt_G(e.sigma[static_cast<std::size_t>(i) * m + i], 13, 5) + fmt_X(5) +
                        "MEAN OF DEPENDENT VARIABLE =" + fmt_G(e.ymean[i], 13, 5));
    write_line(run, " ");
    // The equation's slice of the stacked estimates, under the terms' own names.
    const EstimationResults& r = e.result.record;
    const std::size_t from = std::size_t(e.first[i]), to = from + std::size_t(e.k[i]);
    auto slice = [&](const std::vector<Real>& v) {
        return std::vector<Real>(v.begin() + from, v.begin() + to);
    };
    CoefficientTable t;
    for (const OlsTerm& term : model.regressors[i]) t.names.push_back(term.name);
    t.coef = slice(r.coef);
    t.se = slice(r.stderrs);
    t.tstat = slice(r.tratios);
    t.pvalue = slice(r.pvalues);
    t.partial = slice(e.result.partials);
    t.df = e.n - e.k[i];
    t.wide = wide;
    write_coefficient_table(run, t);
}

} // namespace

void label_equations(SystemModel& model, bool named) {
    model.named = named;
    model.labels.clear();
    for (std::size_t i = 0; i < model.block.equations.size(); ++i) {
        std::string label =
            named ? trim_trailing_blanks(model.block.equations[i].dep.name) : std::to_string(i + 1);
        if (label.size() > 6) label.resize(6);
        model.labels.push_back(label);
    }
}

std::string system_parameter_name(const SystemModel& model, const std::string& term, int i) {
    return first_8_padded(
        suffixed_name(trim_trailing_blanks(term), "_" + model.labels[std::size_t(i)]));
}

std::vector<std::string> system_parameter_names(const SystemModel& model) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < model.regressors.size(); ++i)
        for (const OlsTerm& t : model.regressors[i])
            names.push_back(system_parameter_name(model, t.name, static_cast<int>(i)));
    return names;
}

std::string system_equation_variable(const SystemModel& model, const std::string& base, int i) {
    const std::string& label = model.labels[std::size_t(i)];
    return suffixed_name(trim_trailing_blanks(base), model.named ? "_" + label : label);
}

void report_system(Run& run, const SystemModel& model, const SystemEstimate& e,
                   const SystemOptions& o) {
    const int m = e.m;
    if (run.flags.OPUT) {
        write_line(run, " SYSTEM OF" + fmt_I_fitted(m, 3) + " EQUATIONS");
        write_line(run, fmt_I_fitted(e.n, 9) + " OBSERVATIONS");
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
        write_coefficient_matrices(run, e.result.record.names, e.result.record.cov, o.PCOV, o.PCOR,
                                   o.WIDE);
    }
}

} // namespace tarvex
