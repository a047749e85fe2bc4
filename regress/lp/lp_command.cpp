// LP: reads c, A and b from the list and TYPES=, LOWER=, UPPER= from the options, checks that
// they conform, solves, reports and stores what was asked for; infeasible, unbounded and
// uncertified programs are errors and store nothing.
#include "regress/lp/lp_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "kernels/linear_program.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/lp/lp_errors.hpp"
#include "regress/lp/lp_inputs.hpp"
#include "regress/lp/lp_options.hpp"
#include "regress/lp/lp_report.hpp"

namespace tarvex {

namespace {

const InputErrors LP_INPUT_ERRORS{ERR_LP_NOT_NUMERIC, ERR_LP_MISSING, ERR_LP_SHAPE};

bool lp_shape_error(Run& run, const InputMatrix& m, const std::string& wanted) {
    return input_shape_error(run, m, wanted, LP_INPUT_ERRORS);
}

// No variables or no rows: nothing to optimise.
bool lp_empty(Run& run) {
    report_error(run, " ...ERROR..THE LINEAR PROGRAM IS EMPTY: IT NEEDS A VARIABLE AND A ROW",
                 ERR_LP_EMPTY);
    return false;
}

bool read_problem(Run& run, const LpOptions& o, LinearProgram& lp, std::vector<int>& inputs) {
    InputMatrix c, a, b;
    InputMatrix* fill[] = {&c, &a, &b};
    for (int k = 1; k <= 3; ++k) {
        const int ref = plain_reference(run.scan.list[std::size_t(k)]);
        inputs.push_back(ref);
        if (!read_input_matrix(run, ref, reference_name(run, ref), LP_INPUT_ERRORS, *fill[k - 1]))
            return false;
    }
    if (c.values.empty() || a.values.empty() || b.values.empty()) return lp_empty(run);
    const long long n = c.rows * c.cols;
    if (c.rows != 1 && c.cols != 1) return lp_shape_error(run, c, "A VECTOR (THE COSTS C)");
    if (a.cols != n)
        return lp_shape_error(run, a,
                              "A MATRIX OF " + std::to_string(n) + " COLUMNS (ONE PER ELEMENT OF " +
                                  c.name + ")");
    if (!is_vector_of(b, a.rows))
        return lp_shape_error(
            run, b, "A VECTOR OF " + std::to_string(a.rows) + " (ONE PER ROW OF " + a.name + ")");
    lp.rows = int(a.rows);
    lp.cols = int(n);
    lp.c = c.values;
    lp.a = a.values;
    lp.b = b.values;
    lp.maximise = o.MAX;
    ProgramLimits limits;
    if (!read_program_limits(run, {o.TYPES, o.LOWER, o.UPPER}, a.rows, n, Real(0),
                             {LP_INPUT_ERRORS, ERR_LP_TYPES, ERR_LP_BOUNDS}, limits, inputs))
        return false;
    lp.sense = std::move(limits.sense);
    lp.lower = std::move(limits.lower);
    lp.upper = std::move(limits.upper);
    return true;
}

bool lp_solved(Run& run, const LpSolution& s, long long limit) {
    switch (s.status) {
    case LpStatus::OPTIMAL:
        return true;
    case LpStatus::INFEASIBLE:
        report_error(run,
                     " ...ERROR..THE LINEAR PROGRAM IS INFEASIBLE: NO X MEETS EVERY ROW AND BOUND",
                     ERR_LP_INFEASIBLE);
        return false;
    case LpStatus::UNBOUNDED:
        report_error(run,
                     " ...ERROR..THE LINEAR PROGRAM IS UNBOUNDED: THE OBJECTIVE HAS NO OPTIMUM",
                     ERR_LP_UNBOUNDED);
        return false;
    case LpStatus::NO_CERTIFICATE:
        break;
    }
    report_uncertified(run, s.iterations + s.exact_iterations, limit, ERR_LP_UNCERTIFIED);
    return false;
}

} // namespace

void cmd_lp(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " LP");
    set_lp_defaults(run);
    if (!OPTION(run, lp_option_table())) return;
    const LpOptions o = read_lp_options(run);
    if (!check_name_options(run, lp_option_table(), ERR_LP_OPTION)) return;
    if (o.MAXIT < 0)
        return (void)option_out_of_range(run, "MAXIT", o.MAXIT,
                                         "IT MUST BE 0 (THE DEFAULT LIMIT) OR MORE PIVOTS");
    if (o.MAX && o.MIN) {
        report_error(run, " ...ERROR..LP TAKES MAX OR MIN, NOT BOTH", ERR_LP_SENSE);
        return;
    }
    if (run.scan.NF == 0) return (void)lp_empty(run);
    if (run.scan.NF != 3) {
        report_error(run,
                     " ...ERROR..LP NEEDS THREE VARIABLES: LP c A b (COSTS, ROWS, RIGHT SIDES)",
                     ERR_LP_LIST);
        return;
    }
    LinearProgram lp;
    std::vector<int> inputs;
    if (!read_problem(run, o, lp, inputs)) return;
    const std::vector<OutputName> outputs{
        {"X", o.X}, {"DUAL", o.DUAL}, {"REDUCED", o.REDUCED}, {"SLACK", o.SLACK}};
    if (!check_output_names(run, outputs, inputs)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    lp.pivot_limit = o.MAXIT;
    const LpSolution s = solve_linear_program(lp);
    if (!lp_solved(run, s, o.MAXIT > 0 ? o.MAXIT : default_pivot_limit(lp.rows, lp.cols))) return;
    if (!o.SILENT) report_linear_program(run, lp, s);
    run.res[R_VAL] = s.objective;
    run.res[R_N] = Real(lp.rows);
    run.res[R_K] = Real(lp.cols);
    if (!store_vector(run, o.X, s.x) || !store_vector(run, o.DUAL, s.dual) ||
        !store_vector(run, o.REDUCED, s.reduced))
        return;
    store_vector(run, o.SLACK, s.slack);
}

} // namespace tarvex
