// DERIVATI (X) target = expression: the statement is compiled as GENR compiles it; the derivative
// generator gives the derivative with respect to X at every observation of the sample (X's
// value there is the point; other inputs and lags of X are held at their values), and the
// chain-rule form of the derivative is written before the values are stored as GENR stores them.
#include "expr/calculus_commands.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "expr/calculus_parts.hpp"
#include "expr/derivative.hpp"
#include "expr/executor.hpp"
#include "expr/expr_errors.hpp"
#include "expr/expression_text.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <string>
#include <utility>
#include <vector>

namespace tarvex {

namespace {

using namespace expr;

enum DerivatiError : int {
    DERIVATI_FORM = 1,        // no (variable) before the statement
    DERIVATI_UNKNOWN_WRT = 2, // the variable does not exist
    DERIVATI_NO_DERIVATIVE = 3,
};

void derivati_error(Run& run, const std::string& text, int sequence) {
    report_error(run, text, command_error_number(run, sequence), ErrorSeverity::SERIOUS);
}

// Where the derivative goes: the statement's target, as GENR places it.
bool store_derivative(Run& run, const Program& program,
                      const std::vector<std::pair<long long, Real>>& values, long long length) {
    if (program.LHS < 0) {
        if (!values.empty()) run.res[-program.LHS] = values.back().second;
        return true;
    }
    int ref = program.LHS;
    if (program.ONEWV || program.target_col > 1) {
        VarInfo existing;
        const bool kept = !program.ONEWV && VINFO(run, program.LHS, existing) &&
                          existing.type == TYPE_DATA && existing.ncol > 1;
        if (!kept) {
            ref = program.target_col;
            NEWVAR(run, program.target_name, 1, TYPE_DATA, length, 1, ref);
            if (ref == 0 || run.flags.ODONT) return false;
            VarInfo fresh;
            if (!VINFO(run, ref, fresh)) return false;
            for (long long k = 1; k <= length; ++k) element(run, fresh, k) = 0;
        }
    }
    VarInfo info;
    if (!VINFO(run, ref, info)) return false;
    const long long rows = info.ncol > 1 ? info.length / info.ncol : info.length;
    for (const auto& [t, v] : values) {
        if (t > rows) {
            if (run.sw[OWARN])
                write_line(run, " ...WARNING..FINISHED AT OBS" + fmt_I(t, 5) + " THE LENGTH OF " +
                                    reference_name(run, ref));
            break;
        }
        element(run, info, t) = v;
    }
    return true;
}

} // namespace

void cmd_derivati(Run& run) {
    const long long first = run.smpl.IBEG, last = run.smpl.IEND;
    if (last < 1 || first < 1) {
        report_error(run, " ...ERROR..SAMPLE RANGE HAS NOT YET BEEN DEFINED",
                     command_error_number(run, EXPR_NO_SAMPLE), ErrorSeverity::SERIOUS);
        return;
    }
    std::vector<std::string> prefix;
    std::string statement;
    if (!split_prefix(statement_text(run), prefix, statement) || prefix.size() != 1 ||
        !is_plain_name(prefix[0])) {
        derivati_error(run, " ...ERROR..DERIVATI READS: DERIVATI (variable) target = expression",
                       DERIVATI_FORM);
        return;
    }
    const std::string wrt_name = upper_ascii(prefix[0]).substr(0, 8);
    const int wrt = VFIND(run, prefix[0]);
    if (wrt <= 0) {
        derivati_error(run,
                       " ...ERROR..NO VARIABLE " + wrt_name + " TO DIFFERENTIATE WITH RESPECT TO",
                       DERIVATI_UNKNOWN_WRT);
        return;
    }
    CompileRequest request;
    request.form = Form::ASSIGN;
    Program program;
    if (!GENR(run, statement, request, program)) return;
    // Running values (sums, lags of expressions, running extremes) have no derivative at a point.
    for (const Step& s : decode(program).steps)
        if (s.reg >= 0) {
            derivati_error(run,
                           " ...ERROR..THE DERIVATIVE OF " + std::string(op_name(s.op)) +
                               " IS NOT DEFINED: IT DEPENDS ON EARLIER OBSERVATIONS",
                           DERIVATI_NO_DERIVATIVE);
            return;
        }
    InputValues inputs(run);
    if (!inputs.check(program)) return;
    // An existing target must hold data (a vector, or a matrix for a column target).
    if (!program.ONEWV && program.LHS > 0) {
        VarInfo info;
        if (!VINFO(run, program.LHS, info)) return;
        const bool column = program.LHS > 2 * run.ws.MAXVAR;
        if (!(info.type == TYPE_DATA ||
              (column && info.type >= TYPE_MATRIX && info.type <= TYPE_TRIANGLE))) {
            report_error(run,
                         " ...ERROR.." + reference_name(run, program.LHS) + " IS NOT A DATA VECTOR",
                         command_error_number(run, EXPR_NOT_DATA_VECTOR), ErrorSeverity::SERIOUS);
            return;
        }
    }

    ParameterBinding binding;
    binding.values.assign(1, Real(0));
    binding.parameter = [wrt](int ref, int lag) { return ref == wrt && lag == 0 ? 0 : -1; };
    binding.datum = [&inputs](int ref, int lag, Real& v) { return inputs.datum(ref, lag, v); };
    DerivativeEvaluator evaluator(program);
    std::vector<std::pair<long long, Real>> values;
    bool warned = false;
    std::vector<std::string> warnings; // written after the derivative
    for (long long t = first; t <= last; ++t) {
        if (!obs_in_use(run, static_cast<int>(t))) continue;
        inputs.at_observation(t);
        Real x = 0;
        inputs.datum(wrt, 0, x);
        binding.values[0] = x;
        const DerivativeResult& r = evaluator.evaluate(binding, DerivativeOrder::GRADIENT);
        if (r.status == DerivativeStatus::UNSUPPORTED) {
            derivati_error(run,
                           " ...ERROR..THE DERIVATIVE OF " + std::string(op_name(r.failed_op)) +
                               " IS NOT DEFINED: IT HAS NO VALUE AT A POINT",
                           DERIVATI_NO_DERIVATIVE);
            return;
        }
        Real d = r.status == DerivativeStatus::OK ? r.gradient[0] : run.ws.XMISS;
        if (inputs.missing()) d = run.ws.XMISS;
        if (r.status == DerivativeStatus::UNDEFINED && !inputs.missing() && run.sw[OWARN] &&
            (!warned || run.sw[OMSWRN])) {
            warnings.push_back(" ...WARNING..DERIVATIVE UNDEFINED (" +
                               std::string(op_name(r.failed_op)) + ") IN OBS" + fmt_I(t, 5) +
                               " USING MISSING CODE=" + code_text(run.ws.XMISS));
            warned = true;
        }
        values.emplace_back(t, d);
    }

    const ExpressionText text =
        expression_text(program, wrt, [&run](int ref) { return reference_name(run, ref); });
    const std::string target = program.LHS < 0 ? program.target_name
                                               : (program.ONEWV ? upper_ascii(program.target_name)
                                                                : reference_name(run, program.LHS));
    write_expression_lines(run, " DERIVATIVE WITH RESPECT TO " + wrt_name + " OF ",
                           text.expression);
    if (text.no_form_op != 0)
        write_line(run, " ...NOTE..THE DERIVATIVE OF " + std::string(op_name(text.no_form_op)) +
                            " HAS NO WRITTEN FORM HERE: ONLY ITS VALUES ARE STORED");
    else
        write_expression_lines(run, " " + target + " = ", text.derivative);
    for (const std::string& w : warnings) write_line(run, w);
    store_derivative(run, program, values, last);
}

} // namespace tarvex
