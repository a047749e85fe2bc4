// PROBIT depvar indeps / options, LOGIT the same, TOBIT depvar indeps / LOWER= UPPER= options.
// Reads and checks the options and the list, gathers the rows, checks the data each model
// needs, and hands them to the estimator: binary PROBIT and LOGIT, TOBIT, a LOGIT of more than
// two outcomes (the multinomial logit) or, with ORDERED, the ordered probit and logit. A failed
// estimation is reported as such; a finished one is named, reported and stored.
#include "regress/choice/choice_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/choice/binary_report.hpp"
#include "regress/choice/category_errors.hpp"
#include "regress/choice/choice_bound_command.hpp"
#include "regress/choice/choice_errors.hpp"
#include "regress/choice/choice_options.hpp"
#include "regress/choice/choice_report_parts.hpp"
#include "regress/choice/choice_results_out.hpp"
#include "regress/choice/choice_weights.hpp"
#include "regress/choice/multinomial_report.hpp"
#include "regress/choice/ordered_report.hpp"
#include "regress/choice/tobit_bound_command.hpp"
#include "regress/choice/tobit_report.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/store_result.hpp"

#include <set>

namespace tarvex {

void report_constant_regressor(Run& run, int command, const std::string& name, Real value) {
    report_error(run,
                 " ...ERROR..REGRESSOR " + trim_trailing_blanks(name) + " IS CONSTANT (" +
                     number_text(value) + "): IT CANNOT BE ESTIMATED BESIDE THE INTERCEPT",
                 choice_error(command, CHOICE_CONSTANT_REGRESSOR));
}

void report_one_outcome(Run& run, int command, const std::string& name, bool no_ones) {
    report_error(run,
                 " ...ERROR..NO OBSERVATION HAS " + name + " =" + (no_ones ? " 1" : " 0") +
                     ": BOTH OUTCOMES ARE NEEDED",
                 choice_error(command, CHOICE_EMPTY_CATEGORY));
}

void report_not_binary(Run& run, int command, const std::string& name, Real value,
                       long long observation) {
    report_error(run,
                 " ...ERROR..DEPENDENT VARIABLE " + name + " MUST BE 0 OR 1: IT IS " +
                     number_text(value) + " AT OBSERVATION" + fmt_I(observation, 7),
                 choice_error(command, CHOICE_NOT_BINARY));
}

namespace {

bool check_options(Run& run, int command, const ChoiceOptions& o) {
    const int err = choice_error(command, CHOICE_OPTION);
    if (!check_iteration_options(run, o, {"NEWTON", "BHHH", "BFGS", "DFP"}, err) ||
        !check_name_options(run, choice_option_table(), err))
        return false;
    const TobitCensoring& c = o.censoring;
    if (command == C_TOBIT && c.below && c.above && !(c.lower < c.upper)) {
        report_error(run,
                     " ...ERROR..LOWER=" + number_text(c.lower) +
                         " IS NOT BELOW UPPER=" + number_text(c.upper),
                     choice_error(command, CHOICE_LIMITS));
        return false;
    }
    return true;
}

// A regressor other than the intercept that has one value throughout.
bool check_regressors(Run& run, const ChoiceEquation& eq, const ChoiceData& data) {
    if (data.intercept < 0) return true;
    const std::size_t n = data.rows();
    for (std::size_t j = 0; j < data.columns(); ++j) {
        if (int(j) == data.intercept) continue;
        const Real* x = data.column(j);
        bool varies = false;
        for (std::size_t i = 1; i < n && !varies; ++i) varies = !equal_values(x[i], x[0]);
        if (!varies) {
            report_constant_regressor(run, eq.command, data.names[j], n == 0 ? Real(0) : x[0]);
            return false;
        }
    }
    return true;
}

// The outcome of a binary model: BINARY, MULTINOMIAL (LOGIT, more than two whole values >= 0),
// or reported as wrong.
enum class Outcome { BINARY, MULTINOMIAL, BAD };

// A LOGIT whose dependent variable has more whole values than a multinomial logit takes: most
// likely a continuous variable or a count given by mistake. The note says what to do instead.
void report_too_many_outcomes(Run& run, const std::string& name, std::size_t outcomes) {
    report_error(run,
                 " ...ERROR..THE DEPENDENT VARIABLE " + name + " TAKES " +
                     std::to_string(outcomes) +
                     " DISTINCT VALUES: A MULTINOMIAL LOGIT TAKES AT MOST " +
                     std::to_string(MAX_MULTINOMIAL_OUTCOMES) + " OUTCOMES",
                 ERR_MULTINOMIAL_LOGIT_BASE + ERR_CAT_TOO_MANY);
    write_line(run, " ...NOTE..IF " + name +
                        " IS A MEASUREMENT OR A COUNT, USE OLS; FOR A BINARY MODEL MAKE IT 0 OR 1 "
                        "FIRST: GENR D = " +
                        name + " .GT. LIMIT");
}

Outcome classify_outcome(Run& run, const ChoiceEquation& eq, const ChoiceData& data) {
    const std::string name = trim_trailing_blanks(eq.dep_name);
    std::set<long long> whole; // the values other than 0 and 1
    bool zero = false, one = false;
    int first_bad = -1;
    bool binary = true;
    const std::size_t n = data.rows();
    const Real* values = data.y_values();
    for (std::size_t i = 0; i < n; ++i) {
        const Real y = values[i];
        if (y == 0 || y == 1) {
            (y == 0 ? zero : one) = true;
            continue;
        }
        binary = false;
        if (y > 0 && qm::floor(y) == y && y < Real(1e9Q)) {
            whole.insert(static_cast<long long>(y));
        } else if (first_bad < 0) {
            first_bad = static_cast<int>(i);
        }
    }
    if (binary) {
        std::size_t ones = 0;
        for (std::size_t i = 0; i < n; ++i) ones += values[i] == 1;
        if (ones == 0 || ones == n) {
            report_one_outcome(run, eq.command, name, ones == 0);
            return Outcome::BAD;
        }
        return Outcome::BINARY;
    }
    const std::size_t outcomes = whole.size() + zero + one;
    if (eq.command == C_LOGIT && first_bad < 0 && outcomes > 2) {
        if (outcomes <= std::size_t(MAX_MULTINOMIAL_OUTCOMES)) return Outcome::MULTINOMIAL;
        report_too_many_outcomes(run, name, outcomes);
        return Outcome::BAD;
    }
    if (first_bad < 0) // whole values only: the first one that is not 0 or 1
        for (std::size_t i = 0; i < n && first_bad < 0; ++i)
            if (!(values[i] == 0 || values[i] == 1)) first_bad = static_cast<int>(i);
    report_not_binary(run, eq.command, name, values[std::size_t(first_bad)],
                      data.observations[std::size_t(first_bad)]);
    return Outcome::BAD;
}

// The rows read into `rows` as the sample's own copies.
void take_rows(ListRows& rows, ChoiceData& data) {
    data.y = std::move(rows.y);
    data.x = std::move(rows.x);
    data.y_at = nullptr;
    data.x_at.clear();
    data.placed_rows = 0;
    data.ones.clear();
}

// The `n` rows where they lie in the work area, with a column of ones for the intercept.
void place_rows(const PlacedRows& placed, std::size_t n, ChoiceData& data) {
    data.y_at = placed.y;
    data.x_at = placed.x;
    data.placed_rows = n;
    for (const Real* column : placed.x)
        if (column == nullptr) data.ones.assign(n, Real(1));
}

bool failed(const EstimationFailure& f) {
    return !f.line.empty() || f.number != 0;
}

// Names the record of a finished estimate after the equation (its terms, then the named
// parameters) and the observations in use.
void name_choice_record(const Run& run, const ChoiceEquation& eq, const std::vector<OlsTerm>& terms,
                        const std::vector<std::string>& parameters, EstimationResults& record) {
    EstimationEquation named = eq;
    named.terms = terms;
    name_equation(run, choice_command_word(eq.command), named, parameters, record);
}

void run_binary(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                const ChoiceControl& control, const ChoiceOptions& o) {
    const ChoiceLink link = eq.command == C_PROBIT ? ChoiceLink::PROBIT : ChoiceLink::LOGIT;
    BinaryEstimate e = estimate_binary(link, data, control);
    const EstimationFailure f = choice_fit_failure(eq, e.end, e.bad_column, data.names);
    if (failed(f)) return report_estimation_failure(run, f);
    if (e.end == ChoiceEnd::SEPARATED) {
        report_estimation_failure(run, separation_failure(eq, data, e.separation));
        write_separation_details(run, data, e.separation);
        return;
    }
    name_choice_record(run, eq, eq.terms, {}, e.result.record);
    report_binary(run, eq, data, e, o);
    if (store_model_result(run, std::move(e.result), o.out))
        store_marginal_effects(run, o, e.at_means);
}

void run_tobit(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
               const ChoiceControl& control, const ChoiceOptions& o) {
    const TobitCensoring& c = o.censoring;
    const EstimationFailure censoring = tobit_censoring_failure(eq, data, c);
    if (failed(censoring)) return report_estimation_failure(run, censoring);
    TobitEstimate e = estimate_tobit(data, c, control);
    std::vector<std::string> names = data.names;
    names.push_back(TOBIT_SIGMA_NAME);
    const EstimationFailure f = choice_fit_failure(eq, e.end, e.bad_column, names);
    if (failed(f)) return report_estimation_failure(run, f);
    name_choice_record(run, eq, eq.terms, {TOBIT_SIGMA_NAME}, e.result.record);
    report_tobit(run, eq, data, c, e, o);
    if (store_model_result(run, std::move(e.result), o.out))
        store_marginal_effects(run, o, e.observed);
}

void run_multinomial_logit(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                           const ChoiceControl& control, const ChoiceOptions& o) {
    MultinomialEstimate e = estimate_multinomial_logit(data, control);
    if (!choice_reportable(e.end))
        return report_estimation_failure(run, multinomial_failure(data, e));
    name_choice_record(run, eq, {}, multinomial_parameter_names(data, e), e.result.record);
    report_multinomial_logit(run, data, e, o);
    if (store_model_result(run, std::move(e.result), o.out))
        store_outcome_probabilities(run, o.PROBS, eq, e.probability);
}

void run_ordered_choice(Run& run, const ChoiceEquation& eq, const ChoiceData& data,
                        const ChoiceControl& control, const ChoiceOptions& o) {
    const OrderedLink link = eq.command == C_PROBIT ? OrderedLink::PROBIT : OrderedLink::LOGIT;
    OrderedEstimate e = estimate_ordered_choice(data, link, control);
    if (!choice_reportable(e.end))
        return report_estimation_failure(run, ordered_failure(data, link, e));
    name_choice_record(run, eq, {}, ordered_parameter_names(data, e), e.result.record);
    report_ordered_choice(run, data, link, e, o);
    if (store_model_result(run, std::move(e.result), o.out) &&
        store_by_observation(run, o.INDEX, eq.end, eq.obs, e.index))
        store_outcome_probabilities(run, o.PROBS, eq, e.probability);
}

} // namespace

void cmd_choice(Run& run) {
    const int command = run.cmd.IKOD;
    if (run.sw[OTRACE]) write_line(run, std::string(" ") + choice_command_word(command));
    set_choice_defaults(run);
    if (!OPTION(run, choice_option_table())) return;
    ChoiceOptions o = read_choice_options(run);
    if (!check_options(run, command, o)) return;
    if (choice_lists_bound_series(run)) {
        if (command == C_TOBIT)
            tobit_over_bound_series(run, o);
        else
            choice_over_bound_series(run, command, o);
        return;
    }
    ChoiceEquation eq;
    eq.command = command;
    if (!read_estimation_equation(run, choice_command_word(command), o.CONSTANT,
                                  choice_error(command, CHOICE_NO_LIST),
                                  choice_error(command, CHOICE_BOTH_SIDES), eq))
        return;

    // WEIGHT=: the weights are read as one more column, then taken out.
    OlsTerm weight;
    if (!choice_weight_term(run, o.WEIGHT, choice_error(command, CHOICE_OPTION), weight)) return;
    std::vector<OlsTerm> read_terms = eq.terms;
    if (weight.ref != 0) read_terms.push_back(weight);
    ListRows rows;
    PlacedRows placed;
    // Binary PROBIT and LOGIT read a stretch of plain series where it lies (a LOGIT found to have
    // more outcomes takes copies then); TOBIT, the ordered models and weighted fits copies.
    const bool may_place = command != C_TOBIT && !o.ORDERED && weight.ref == 0;
    if (!gather_equation_rows(run, eq, read_terms, o.BEG, o.END, rows,
                              may_place ? &placed : nullptr))
        return;
    std::vector<Real> weights;
    if (weight.ref != 0 && !run.sw[OSCAN] && !run.flags.ODONT &&
        !take_choice_weights(run, o.WEIGHT, choice_error(command, CHOICE_NEGATIVE_WEIGHT), eq, rows,
                             weights))
        return;
    const int k = static_cast<int>(eq.terms.size()) + (command == C_TOBIT ? 1 : 0);
    const int n = static_cast<int>(rows.obs.size());
    if (n <= k) {
        report_error(run,
                     " ...ERROR.." + fmt_I(n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(k, 4) +
                         " COEFFICIENTS",
                     choice_error(command, CHOICE_TOO_FEW));
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    ChoiceData data;
    if (placed.y != nullptr)
        place_rows(placed, static_cast<std::size_t>(n), data);
    else
        take_rows(rows, data);
    for (const OlsTerm& t : eq.terms) data.names.push_back(t.name);
    data.observations = eq.obs;
    data.intercept = o.CONSTANT ? static_cast<int>(eq.terms.size()) - 1 : -1;
    data.dependent = eq.dep_name;
    data.weight = std::move(weights);
    ChoiceControl control;
    control.method = maximize_method(o.METHOD);
    control.max_iterations = o.MAXIT;
    control.parameter_tolerance = o.CONVERGE;
    control.sandwich = o.HETCOV;
    control.interrupt = interrupt_checkpoint;
    // CLUSTER serves the binary models and TOBIT.
    if (!covariance_from_options(run, false, false, false, o.CLHC0, o.CLUSTER,
                                 control.covariance) ||
        !refuse_covariance_with(run, control.covariance,
                                o.ORDERED  ? "ORDERED"
                                : o.HETCOV ? "HETCOV"
                                           : ""))
        return;
    if (!read_clusters_or_report(run, control.covariance, eq.obs, control.clusters)) return;
    if (control.covariance.clustered())
        o.covariance_note = covariance_note(control.covariance, control.clusters.groups);

    if (!check_regressors(run, eq, data)) {
        run.last_estimation = EstimationResults{};
        return;
    }
    if (command == C_TOBIT) {
        run_tobit(run, eq, data, control, o);
        return;
    }
    if (o.ORDERED) {
        run_ordered_choice(run, eq, data, control, o);
        return;
    }
    switch (classify_outcome(run, eq, data)) {
    case Outcome::BAD:
        run.last_estimation = EstimationResults{};
        return;
    case Outcome::MULTINOMIAL:
        if (!refuse_covariance_with(run, control.covariance, "MORE THAN TWO OUTCOMES")) return;
        if (data.in_place()) {
            fill_list_rows(run, eq.dep_ref, eq.dep_lag, eq.terms, rows);
            take_rows(rows, data);
        }
        run_multinomial_logit(run, eq, data, control, o);
        return;
    case Outcome::BINARY:
        run_binary(run, eq, data, control, o);
        return;
    }
}

} // namespace tarvex
