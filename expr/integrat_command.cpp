// INTEGRAT (X, a, b) target = expression: the integrand is compiled as GENR compiles a statement,
// with X standing for the point of integration (a workspace variable of that name is not
// read); other inputs must be scalars. The limits are numbers, scalar expressions or INF. The
// integrand is evaluated in binary128 by the derivative generator's evaluator and integrated
// by tanh-sinh quadrature; the value goes to the target, $VAL, and its error estimate to $STES.
#include "expr/calculus_commands.hpp"

#include "core/error_report.hpp"
#include "core/estimation_results.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "expr/calculus_parts.hpp"
#include "expr/derivative.hpp"
#include "expr/expr_errors.hpp"
#include "expr/expression_text.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/quadrature.hpp"
#include "numeric/real_digits.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <string>
#include <vector>

namespace tarvex {

namespace {

using namespace expr;

enum IntegratError : int {
    INTEGRAT_FORM = 1,          // no (variable, lower, upper) before the statement
    INTEGRAT_LIMIT = 2,         // a limit that is not a number
    INTEGRAT_SERIES_INPUT = 3,  // the integrand reads a series
    INTEGRAT_NOT_FINITE = 4,    // the integrand has no finite value at a point
    INTEGRAT_NOT_ACCURATE = 5,  // the tolerance was not reached
    INTEGRAT_TARGET = 6,        // the target is not a scalar
    INTEGRAT_NO_POINT_VALUE = 7 // an operation without a value at a point
};

void integrat_error(Run& run, const std::string& text, int sequence) {
    report_error(run, text, command_error_number(run, sequence), ErrorSeverity::SERIOUS);
}

// Why the integrand could not be evaluated at a point.
struct IntegrandFailure {
    int sequence;
    std::string text;
};

// A limit: INF, -INF, or an expression of numbers, result scalars and scalars.
bool read_limit(Run& run, const std::string& text, Real& value) {
    const std::string word = upper_ascii(text);
    if (word == "INF" || word == "+INF") {
        value = Real(__builtin_infq());
        return true;
    }
    if (word == "-INF") {
        value = -Real(__builtin_infq());
        return true;
    }
    CompileRequest request;
    request.form = Form::VALUE;
    request.silent = true;
    Program program;
    const bool dont = run.flags.ODONT;
    const bool ok = !text.empty() && GENR(run, text, request, program);
    run.flags.ODONT = dont;
    if (!ok) return false;
    InputValues inputs(run);
    ParameterBinding binding;
    binding.datum = [&](int ref, int lag, Real& v) {
        if (ref > 0 && inputs.length(ref) != 1) return false;
        return inputs.datum(ref, lag, v);
    };
    if (!inputs.check(program)) return false;
    DerivativeEvaluator evaluator(program);
    const DerivativeResult& r = evaluator.evaluate(binding, DerivativeOrder::VALUE);
    if (r.status != DerivativeStatus::OK || qm::isnan(r.value)) return false;
    value = r.value;
    return true;
}

std::string limit_text(Real v) {
    if (qm::isinf(v)) return v > 0 ? "INF" : "-INF";
    return number_text(v);
}

} // namespace

void cmd_integrat(Run& run) {
    std::vector<std::string> prefix;
    std::string statement;
    if (!split_prefix(statement_text(run), prefix, statement) || prefix.size() != 3 ||
        !is_plain_name(prefix[0])) {
        integrat_error(run,
                       " ...ERROR..INTEGRAT READS: INTEGRAT (variable, lower, upper) target = "
                       "expression",
                       INTEGRAT_FORM);
        return;
    }
    const std::string x_name = upper_ascii(prefix[0]).substr(0, 8);
    Real lower = 0, upper = 0;
    for (int j = 1; j <= 2; ++j)
        if (!read_limit(run, prefix[static_cast<std::size_t>(j)], j == 1 ? lower : upper)) {
            integrat_error(run,
                           " ...ERROR..THE LIMIT " +
                               upper_ascii(prefix[static_cast<std::size_t>(j)]) +
                               " IS NOT A NUMBER, A SCALAR EXPRESSION OR INF",
                           INTEGRAT_LIMIT);
            return;
        }

    // The integration variable is a reference that no workspace name has.
    const int x_ref = parameter_reference(run.ws.MAXVAR, 0);
    CompileRequest request;
    request.form = Form::ASSIGN;
    request.find_name = [&](std::string_view typed) -> int {
        if (upper_ascii(trim_trailing_blanks(typed)).substr(0, 8) == x_name) return x_ref;
        return VFIND(run, typed);
    };
    Program program;
    if (!GENR(run, statement, request, program)) return;
    if (program.LHS == x_ref || program.target_col > 0) {
        integrat_error(run,
                       " ...ERROR..THE INTEGRAL GOES INTO A SCALAR OR A $ RESULT, NOT " +
                           (program.LHS == x_ref ? x_name
                                                 : upper_ascii(program.target_name) + ":" +
                                                       std::to_string(program.target_col)),
                       INTEGRAT_TARGET);
        return;
    }
    InputValues inputs(run);
    if (!inputs.check(program, x_ref)) return;

    ParameterBinding binding;
    binding.values.assign(1, Real(0));
    binding.parameter = [x_ref](int ref, int lag) { return ref == x_ref && lag == 0 ? 0 : -1; };
    binding.datum = [&](int ref, int lag, Real& v) {
        if (ref > 0 && inputs.length(ref) != 1) return false;
        return inputs.datum(ref, lag, v);
    };
    DerivativeEvaluator evaluator(program);
    auto integrand = [&](Real x) -> Real {
        binding.values[0] = x;
        const DerivativeResult& r = evaluator.evaluate(binding, DerivativeOrder::VALUE);
        switch (r.status) {
        case DerivativeStatus::OK:
            if (qm::isnan(r.value) || qm::isinf(r.value)) break;
            return r.value;
        case DerivativeStatus::UNBOUND:
            throw IntegrandFailure{
                INTEGRAT_SERIES_INPUT,
                " ...ERROR..THE INTEGRAND MAY VARY WITH " + x_name + " ONLY: IT READS " +
                    (r.unbound_ref == x_ref ? x_name + " LAGGED"
                                            : reference_name(run, r.unbound_ref) + ", A SERIES")};
        case DerivativeStatus::UNSUPPORTED:
            throw IntegrandFailure{
                INTEGRAT_NO_POINT_VALUE,
                " ...ERROR.." + std::string(op_name(r.failed_op)) +
                    " CANNOT BE USED IN AN INTEGRAND: IT HAS NO VALUE AT A POINT"};
        case DerivativeStatus::UNDEFINED:
            break;
        }
        throw IntegrandFailure{INTEGRAT_NOT_FINITE,
                               " ...ERROR..THE INTEGRAND HAS NO FINITE VALUE AT " + x_name + "=" +
                                   upper_ascii(trim_blanks(general_text(x, 20)))};
    };

    QuadratureResult q;
    try {
        q = integrate_double_exponential(integrand, lower, upper);
    } catch (const IntegrandFailure& f) {
        integrat_error(run, f.text, f.sequence);
        return;
    }
    const ExpressionText text = expression_text(
        program, 0, [&](int ref) { return ref == x_ref ? x_name : reference_name(run, ref); });
    write_expression_lines(run,
                           " INTEGRAL OVER " + x_name + " FROM " + limit_text(lower) + " TO " +
                               limit_text(upper) + " OF ",
                           text.expression);
    run.res[R_VAL] = q.value;
    run.res[R_STES] = q.error;
    const std::string value_text = upper_ascii(trim_blanks(general_text(q.value, 33)));
    const std::string error_text = upper_ascii(trim_blanks(general_text(q.error, 2)));
    if (!q.converged) {
        integrat_error(run,
                       " ...ERROR..THE INTEGRAL DID NOT REACH 30 DIGITS: BEST ESTIMATE " +
                           value_text + ", ERROR ESTIMATE " + error_text,
                       INTEGRAT_NOT_ACCURATE);
        return;
    }
    const std::string target =
        program.LHS < 0 ? program.target_name : upper_ascii(program.target_name);
    write_line(run, " " + target + " = " + value_text);
    write_line(run, " ERROR ESTIMATE = " + error_text +
                        "   EVALUATIONS = " + std::to_string(q.evaluations) +
                        "   STEP HALVINGS = " + std::to_string(q.levels));
    if (program.LHS < 0) {
        run.res[-program.LHS] = q.value;
        return;
    }
    int ref = 0;
    NEWVAR(run, program.target_name, 1, TYPE_DATA, 1, 1, ref);
    VarInfo info;
    if (ref == 0 || run.flags.ODONT || !VINFO(run, ref, info)) return;
    fit_variable_shape(run, ref, 1, 1);
    if (!VINFO(run, ref, info)) return;
    element(run, info, 1) = q.value;
}

} // namespace tarvex
