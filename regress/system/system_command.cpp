// SYSTEM / options and its block: one EQ line per equation (an intercept added to each unless
// NOCONSTANT), the ENDOGENO, EXOGENOU and LAGGED lists, IDENTITY lines, and END. 3SLS takes
// the EXOGENOU and LAGGED variables (and the intercept) as the instruments of every equation.
// Reads and checks the options and the block, gathers the rows every equation has, and hands
// them to the estimator and then the report.
#include "regress/system/system_command.hpp"

#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/system/system_block.hpp"
#include "regress/system/system_errors.hpp"
#include "regress/system/system_estimate.hpp"
#include "regress/system/system_options.hpp"
#include "regress/system/system_report.hpp"

#include <utility>

namespace tarvex {

namespace {

bool same_term(const OlsTerm& a, const OlsTerm& b) {
    return a.kind == b.kind && (a.kind != TermKind::VARIABLE || (a.ref == b.ref && a.lag == b.lag));
}

// One message for the options: CONVERGE out of range before MAXIT before METHOD, then the first
// name option typed with no value.
bool check_options(Run& run, const SystemOptions& o) {
    if (!(o.CONVERGE > 0) || !(o.CONVERGE < 1))
        return bad_option_value(run, "CONVERGE", ERR_SYS_OPTION);
    if (o.MAXIT < 1) return bad_option_value(run, "MAXIT", ERR_SYS_OPTION);
    if (o.METHOD != "SUR" && o.METHOD != "ITSUR" && o.METHOD != "3SLS")
        return bad_option_value(run, "METHOD", ERR_SYS_OPTION);
    return check_name_options(run, system_option_table(), ERR_SYS_OPTION);
}

// No output may overwrite a variable of the block: PREDICT= and RESID= write one variable an
// equation (the name with the equation's number), the other outputs the name itself.
bool outputs_not_inputs(Run& run, const SystemOptions& o, const SystemModel& model) {
    const SystemBlock& block = model.block;
    std::vector<int> inputs;
    const auto add = [&](const std::vector<OlsTerm>& terms) {
        for (const OlsTerm& t : terms)
            if (t.kind == TermKind::VARIABLE) inputs.push_back(t.ref);
    };
    for (const SystemEquation& q : block.equations) {
        inputs.push_back(q.dep.ref);
        add(q.regressors);
    }
    add(block.endogenous), add(block.exogenous), add(block.lagged);
    std::vector<OutputName> outputs{{"COEF", o.out.COEF},         {"STDERR", o.out.STDERR},
                                    {"TRATIO", o.out.TRATIO},     {"COVARIAN", o.out.COVARIAN},
                                    {"TESTSTAT", o.out.TESTSTAT}, {"RESCOV", o.RESCOV}};
    for (int i = 0; i < int(block.equations.size()); ++i) {
        if (!name_blank(o.out.PREDICT))
            outputs.push_back({"PREDICT", system_equation_variable(model, o.out.PREDICT, i)});
        if (!name_blank(o.out.RESID))
            outputs.push_back({"RESID", system_equation_variable(model, o.out.RESID, i)});
    }
    return check_output_names(run, outputs, inputs);
}

// The first name `names` holds twice; empty when each is once.
std::string repeated_name(const std::vector<std::string>& names) {
    for (std::size_t a = 0; a < names.size(); ++a)
        for (std::size_t b = a + 1; b < names.size(); ++b)
            if (names[a] == names[b]) return trim_trailing_blanks(names[a]);
    return {};
}

// Under DEPNAMES two equations with one dependent variable (or names alike in their first six
// columns) would give two coefficients, or two PREDICT= or RESID= variables, one name.
bool names_distinct(Run& run, const SystemOptions& o, const SystemModel& model) {
    std::string twice = repeated_name(system_parameter_names(model));
    for (const std::string& base : {o.out.PREDICT, o.out.RESID}) {
        if (!twice.empty() || name_blank(base)) continue;
        std::vector<std::string> variables;
        for (std::size_t i = 0; i < model.labels.size(); ++i)
            variables.push_back(system_equation_variable(model, base, int(i)));
        twice = repeated_name(variables);
    }
    if (twice.empty()) return true;
    report_error(run, " ...ERROR..DEPNAMES GIVES TWO COEFFICIENTS OR OUTPUTS THE NAME " + twice,
                 ERR_SYS_NAMES);
    return false;
}

// Each equation's regressors with the intercept, and the instruments; false (reported) when an
// equation has no regressor or its dependent variable on the right, or 3SLS has no instrument.
bool complete_model(Run& run, const SystemOptions& o, SystemModel& model) {
    const SystemBlock& block = model.block;
    if (block.equations.empty()) {
        report_error(run, " ...ERROR..SYSTEM NEEDS EQ LINES: EQ depvar regressors",
                     ERR_SYS_NO_EQUATIONS);
        return false;
    }
    for (const SystemEquation& q : block.equations) {
        std::vector<OlsTerm> x = q.regressors;
        for (const OlsTerm& t : x)
            if (same_term(t, q.dep)) {
                report_error(run,
                             " ...ERROR..VARIABLE " + q.dep.name + " IS ON BOTH SIDES OF EQUATION",
                             ERR_SYS_BOTH_SIDES);
                return false;
            }
        if (o.CONSTANT) x.push_back(intercept_term(run));
        if (x.empty()) {
            report_error(run, " ...ERROR..AN EQ LINE NEEDS depvar regressors",
                         ERR_SYS_NO_EQUATIONS);
            return false;
        }
        model.regressors.push_back(x);
    }
    label_equations(model, o.DEPNAMES);
    if (o.DEPNAMES && !names_distinct(run, o, model)) return false;
    if (!outputs_not_inputs(run, o, model)) return false;
    if (o.METHOD == "3SLS") {
        model.instruments = block.exogenous;
        model.instruments.insert(model.instruments.end(), block.lagged.begin(), block.lagged.end());
        if (model.instruments.empty()) {
            report_error(run,
                         " ...ERROR..3SLS NEEDS THE EXOGENOUS (AND LAGGED) VARIABLES AS "
                         "INSTRUMENTS",
                         ERR_SYS_NO_INSTRUMENTS);
            return false;
        }
        if (o.CONSTANT) model.instruments.push_back(intercept_term(run));
    }
    return true;
}

// The distinct terms of the system (every dependent variable, regressor and instrument) and
// their columns in the estimator's data.
struct Placed {
    std::vector<OlsTerm> terms;
    SystemData data;
};

int place(Placed& p, const OlsTerm& t) {
    for (std::size_t j = 0; j < p.terms.size(); ++j)
        if (same_term(p.terms[j], t)) return static_cast<int>(j);
    p.terms.push_back(t);
    return static_cast<int>(p.terms.size()) - 1;
}

// Why the estimator stopped, as the user reads it.
EstimationFailure failure_of(const SystemModel& model, const SystemEstimate& e) {
    switch (e.end) {
    case SystemEnd::UNDERIDENTIFIED:
        return {" ...ERROR..EQUATION" + fmt_I(e.bad_equation + 1, 3) + " IS NOT IDENTIFIED:" +
                    fmt_I(e.underidentified_endogenous, 4) + " ENDOGENOUS REGRESSORS AND" +
                    fmt_I(e.underidentified_excluded, 4) + " EXCLUDED INSTRUMENTS",
                ERR_SYS_UNDERIDENTIFIED};
    case SystemEnd::INSTRUMENTS_COLLINEAR:
        return {" ...ERROR..INSTRUMENT " +
                    trim_trailing_blanks(model.instruments[e.bad_column].name) +
                    " IS A LINEAR COMBINATION OF THE INSTRUMENTS BEFORE IT",
                ERR_SYS_INSTRUMENTS};
    case SystemEnd::REGRESSORS_COLLINEAR:
        return {" ...ERROR..REGRESSOR " +
                    trim_trailing_blanks(model.regressors[e.bad_equation][e.bad_column].name) +
                    " OF EQUATION" + fmt_I(e.bad_equation + 1, 3) +
                    " IS A LINEAR COMBINATION OF THE REGRESSORS BEFORE IT",
                ERR_SYS_REGRESSORS};
    case SystemEnd::SINGULAR_COVARIANCE:
        return {" ...ERROR..THE CROSS-EQUATION COVARIANCE MATRIX OF THE RESIDUALS IS SINGULAR",
                ERR_SYS_SINGULAR};
    case SystemEnd::TOO_FEW:
        return {" ...ERROR.." + fmt_I(e.n, 5) +
                    " OBSERVATIONS IS NOT ENOUGH FOR THE EQUATIONS OR THE INSTRUMENTS",
                ERR_SYS_TOO_FEW};
    case SystemEnd::NON_FINITE:
        return {" ...ERROR..A VALUE OF THE SYSTEM IS INFINITE OR NOT A NUMBER", ERR_SYS_NON_FINITE};
    case SystemEnd::OK:
    case SystemEnd::ITERATION_LIMIT:
        break;
    }
    return {};
}

// PREDICT= and RESID=: one variable per equation, the name with the equation's number.
bool store_equation_series(Run& run, const SystemModel& model, const SystemEstimate& e,
                           const OutputNames& out) {
    for (int i = 0; i < e.m; ++i) {
        if (!name_blank(out.PREDICT) &&
            !store_by_observation(run, system_equation_variable(model, out.PREDICT, i), model.end,
                                  model.obs, e.fitted[i]))
            return false;
        if (!name_blank(out.RESID) &&
            !store_by_observation(run, system_equation_variable(model, out.RESID, i), model.end,
                                  model.obs, e.resid[i]))
            return false;
    }
    return true;
}

} // namespace

void cmd_system(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " SYSTEM");
    set_system_defaults(run);
    if (!OPTION(run, system_option_table())) return;
    const SystemOptions o = read_system_options(run);
    // The block follows whatever the options were: it is read (and passed over) in any case.
    SystemModel model;
    const bool options_ok = check_options(run, o);
    if (!read_system_block(run, model.block) || !options_ok) return;
    if (!complete_model(run, o, model)) return;

    Placed p;
    const int dep0 = place(p, model.block.equations.front().dep);
    for (std::size_t i = 0; i < model.regressors.size(); ++i) {
        SystemEquationColumns q;
        q.y = place(p, model.block.equations[i].dep);
        for (const OlsTerm& t : model.regressors[i]) q.regressors.push_back(place(p, t));
        p.data.equations.push_back(q);
    }
    for (const OlsTerm& t : model.instruments) p.data.instruments.push_back(place(p, t));
    // The rows every term has: the first dependent variable and all the other terms together.
    const std::vector<OlsTerm> others(p.terms.begin() + dep0 + 1, p.terms.end());
    ListRows rows;
    const OlsTerm& first = p.terms[dep0];
    if (!list_rows_in_range(run, first.ref, first.lag, others, o.BEG, o.END, rows)) return;
    if (rows.obs.empty()) {
        report_estimation_failure(
            run,
            {" ...ERROR..THE EQUATIONS OF THE SYSTEM SHARE NO OBSERVATIONS", ERR_SYS_NO_COMMON});
        return;
    }
    model.obs = rows.obs;
    model.beg = rows.beg;
    model.end = rows.end;
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    // The columns where they lie when they can be, else gathered (the same estimates).
    p.data.n = rows.obs.size();
    const PlacedRows placed = place_list_rows(run, first.ref, first.lag, others, rows);
    p.data.columns.push_back(placed.y);
    p.data.columns.insert(p.data.columns.end(), placed.x.begin(), placed.x.end());
    if (!placed.positions.empty()) {
        p.data.rows = placed.positions.data();
        p.data.span = placed.span;
    }
    SystemControl control;
    control.method = o.METHOD == "3SLS"    ? SystemMethod::THREE_SLS
                     : o.METHOD == "ITSUR" ? SystemMethod::ITSUR
                                           : SystemMethod::SUR;
    control.max_iterations = o.MAXIT;
    control.tolerance = o.CONVERGE;
    control.interrupt = interrupt_checkpoint;
    SystemEstimate e = estimate_system(p.data, control);
    if (e.end != SystemEnd::OK && e.end != SystemEnd::ITERATION_LIMIT) {
        report_estimation_failure(run, failure_of(model, e));
        return;
    }
    // The record is named by the first equation's dependent variable and every coefficient.
    const OlsTerm& dep = model.block.equations.front().dep;
    const EstimationEquation eq{dep.ref, dep.lag, dep.name, {}, model.obs, model.beg, model.end};
    name_equation(run, "SYSTEM", eq, system_parameter_names(model), e.result.record);
    report_system(run, model, e, o);
    // The stacked outputs with the record; the fitted values and residuals by equation after.
    OutputNames stacked = o.out;
    stacked.PREDICT = stacked.RESID = "";
    if (!store_model_result(run, std::move(e.result), stacked)) return;
    if (!store_equation_series(run, model, e, o.out)) return;
    store_square_matrix(run, o.RESCOV, e.m, e.sigma);
}

} // namespace tarvex
