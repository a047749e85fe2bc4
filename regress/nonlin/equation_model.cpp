// Compiling the equation of NLINEAR and MLE, binding its data, and evaluating it by observation.
#include "regress/nonlin/equation_model.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/switches.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/row_split.hpp"
#include "numeric/text.hpp"
#include "regress/fit/lagged_missing.hpp"
#include "regress/nonlin/minus_power.hpp"
#include "regress/nonlin/nonlin_errors.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <mutex>
#include <thread>

namespace tarvex {

namespace {

struct UnknownName {
    std::string name;
};

bool blank(std::string_view s) {
    return s.find_first_not_of(" \t") == std::string_view::npos;
}

// Splits "name = expression" at its first "=" when the left side is one name.
bool split_dependent(const std::string& text, std::string& name, std::string& right) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) return false;
    const std::string left = trim_blanks(text.substr(0, eq));
    if (left.empty() || !is_ascii_letter(left[0])) return false;
    for (char c : left)
        if (!is_ascii_letter(c) && !is_ascii_digit(c) && c != '_' && c != '$' && c != '#')
            return false;
    name = upper_ascii(left);
    right = text.substr(eq + 1);
    return !blank(right);
}

// True when the first appearance of `upper_name` as a whole name in the equation is followed by
// "(": the compiler looks names up from left to right, so that is the use it failed on, and a
// name written before "(" that is neither a function nor a variable is a misspelt function.
bool written_as_call(const std::string& text, const std::string& upper_name) {
    const std::string upper = upper_ascii(text);
    auto name_char = [](char c) {
        return is_ascii_letter(c) || is_ascii_digit(c) || c == '_' || c == '$' || c == '#';
    };
    for (std::size_t at = upper.find(upper_name); at != std::string::npos;
         at = upper.find(upper_name, at + 1)) {
        const std::size_t end = at + upper_name.size();
        if ((at > 0 && name_char(upper[at - 1])) || (end < upper.size() && name_char(upper[end])))
            continue;
        std::size_t next = end;
        while (next < upper.size() && upper[next] == ' ') ++next;
        return next < upper.size() && upper[next] == '(';
    }
    return false;
}

std::string operation_name(int op) {
    switch (op) {
    case expr::OP_DIV:
        return "DIVISION";
    case expr::OP_POW:
        return "**";
    case expr::OP_EXP:
        return "EXP";
    case expr::OP_LOG:
        return "LOG";
    case expr::OP_SQRT:
        return "SQRT";
    case expr::OP_LGAM:
        return "LGAM";
    case expr::OP_MOD:
        return "MOD";
    case expr::OP_SIN:
        return "SIN";
    case expr::OP_E:
        return "E";
    case expr::OP_ASIN:
    case expr::OP_ACOS:
    case expr::OP_SINH:
    case expr::OP_COSH:
    case expr::OP_GAMMA:
    case expr::OP_INVNCDF:
    case expr::OP_LOG10:
        return std::string(expr::op_name(op));
    default:
        return "ARITHMETIC";
    }
}

} // namespace

bool compile_equation(Run& run, const ModelBlock& block, bool dependent, EquationModel& model) {
    model.names = block.names;
    model.start = block.start;
    const std::string& text = block.equations.front();
    std::string name, right = text;
    const bool has_left = split_dependent(text, name, right);
    if (dependent) {
        if (!has_left) {
            report_error(run, " ...ERROR..THE EQUATION MUST READ: EQ dependent = expression",
                         ERR_NL_NO_DEPENDENT);
            return false;
        }
        model.dep_ref = VFIND(run, name);
        if (model.dep_ref <= 0) {
            report_error(run, " ...ERROR.." + name + " DOES NOT EXIST", ERR_NL_UNKNOWN_NAME);
            return false;
        }
        model.dep_name = first_8_padded(name);
    }
    model.text = trim_blanks(right);
    const int maxvar = run.ws.MAXVAR;
    const int k = model.k();
    if (k > maxvar - 3) {
        report_error(run, " ...ERROR..TOO MANY PARAMETERS FOR THE WORK AREA", ERR_NL_OPTION);
        return false;
    }
    model.parameter_base = parameter_reference(maxvar, 0);
    expr::CompileRequest request;
    request.form = expr::Form::VALUE;
    request.value_kind = expr::KIND_TEST;
    request.silent = true;
    request.find_name = [&](std::string_view typed) -> int {
        const std::string key = upper_ascii(trim_trailing_blanks(typed));
        for (int j = 0; j < k; ++j)
            if (model.names[j] == key) return model.parameter_base + j;
        const int ref = VFIND(run, typed);
        if (ref <= 0) throw UnknownName{key};
        return ref;
    };
    const bool warn = run.sw[OWARN];
    run.sw[OWARN] = false;
    bool compiled = false;
    try {
        compiled = expr::GENR(run, model.text, request, model.program);
        if (compiled) {
            // The same equation with the other binding of the unary minus.
            // (Compiling changes nothing else; a failure there would only set ODONT.)
            expr::Program other;
            const bool dont = run.flags.ODONT;
            run.sw[OUMIN] = !run.sw[OUMIN];
            const bool again = expr::GENR(run, model.text, request, other);
            run.sw[OUMIN] = !run.sw[OUMIN];
            run.flags.ODONT = dont;
            model.uminus_matters = again && !(minus_powers(model.program) == minus_powers(other));
        }
        run.sw[OWARN] = warn;
    } catch (const UnknownName& u) {
        run.sw[OWARN] = warn;
        if (written_as_call(model.text, u.name))
            report_error(run, " ...ERROR.." + u.name + " IS NOT A KNOWN FUNCTION",
                         ERR_NL_UNKNOWN_FUNCTION);
        else
            report_error(run, " ...ERROR.." + u.name + " IS NOT A PARAMETER OR A VARIABLE",
                         ERR_NL_UNKNOWN_NAME);
        return false;
    }
    if (!compiled) {
        report_error(run, " ...ERROR..SYNTAX ERROR IN EQ LINE", ERR_NL_SYNTAX);
        return false;
    }
    // Every parameter must appear in the equation.
    for (int j = 0; j < k; ++j) {
        bool used = false;
        for (int cell = 1; cell <= model.program.NF && !used; ++cell)
            used = model.program.vars[static_cast<std::size_t>(cell)] == model.parameter_base + j;
        if (!used) {
            report_error(
                run, " ...ERROR..PARAMETER " + model.names[j] + " IS NEVER USED IN THE EQUATION",
                ERR_NL_UNUSED);
            return false;
        }
    }
    return true;
}

std::vector<int> equation_data_refs(const EquationModel& model) {
    const int base = model.parameter_base;
    std::vector<int> refs;
    if (model.dep_ref > 0) refs.push_back(model.dep_ref);
    for (int cell = 1; cell <= model.program.NF; ++cell) {
        const int ref = model.program.vars[static_cast<std::size_t>(cell)];
        if (ref >= base && ref < base + model.k()) continue;
        if (std::find(refs.begin(), refs.end(), ref) == refs.end()) refs.push_back(ref);
    }
    return refs;
}

bool bind_series(Run& run, EquationModel& model) {
    model.series.clear();
    for (int ref : equation_data_refs(model)) {
        VarInfo info;
        if (!VINFO(run, ref, info)) return false;
        EquationModel::Series s;
        s.ref = ref;
        if (info.scalar != 0 || info.length <= 1) {
            s.constant = true;
            s.value = element(run, info, 1);
        } else {
            s.first = &element(run, info, 0); // element t at first[t * inc]
            s.length = info.length;
            s.inc = info.inc;
        }
        model.series.push_back(s);
    }
    return true;
}

namespace {

// With SKIPMISS the sample check leaves out the observations where a variable of the equation
// holds the missing code; an observation whose equation reads the code through a lag (X(-1) at t
// reads X at t - 1) is left out too. The equation is evaluated once at each observation in use,
// at the starting values, to see what it reads.
void skip_lag_reads_of_missing(Run& run, const EquationModel& model) {
    const Real xmiss = run.ws.XMISS;
    const int base = model.parameter_base, k = model.k();
    expr::DerivativeEvaluator evaluator(model.program);
    expr::ParameterBinding binding;
    binding.values = model.start;
    binding.parameter = [base, k](int ref, int lag) {
        return lag == 0 && ref >= base && ref < base + k ? ref - base : -1;
    };
    long long t = 0;
    int missing_ref = 0, missing_lag = 0;
    binding.datum = [&](int ref, int lag, Real& value) {
        for (const EquationModel::Series& s : model.series) {
            if (s.ref != ref) continue;
            const long long at = t - lag;
            if (s.constant) {
                value = s.value;
            } else {
                if (at < 1 || at > s.length) return false;
                value = s.first[at * s.inc];
            }
            if (lag > 0 && missing_ref == 0 && equal_values(value, xmiss)) {
                missing_ref = ref;
                missing_lag = lag;
            }
            return true;
        }
        return false;
    };
    for (int obs : model.obs) {
        t = obs;
        missing_ref = 0;
        evaluator.evaluate(binding, expr::DerivativeOrder::VALUE);
        if (missing_ref != 0) skip_lag_read_of_missing(run, t, missing_ref, missing_lag);
    }
}

} // namespace

bool bind_observations(Run& run, EquationModel& model, int beg, int end) {
    SampleBlock& smpl = run.smpl;
    smpl.check_first = std::max(beg, 1);
    smpl.check_last = end >= 1 ? end : 0;
    // A variable the equation reads only through lags leaves out the observations whose lag
    // reads its missing value (below), not its own.
    std::vector<int> lagged_only;
    for (int cell = 1; cell <= model.program.NF; ++cell) {
        const auto at = static_cast<std::size_t>(cell);
        const int ref = model.program.vars[at];
        if (at < model.program.direct.size() && !model.program.direct[at] && ref != model.dep_ref)
            lagged_only.push_back(ref);
    }
    CKSMPL(run, equation_data_refs(model), 0, lagged_only);
    if (run.flags.ODONT) return false;
    model.beg = smpl.check_first;
    model.end = smpl.check_last;
    if (!bind_series(run, model)) return false;
    auto rows_in_use = [&]() {
        model.obs.clear();
        const SkipCodes skip = skip_codes(run);
        for (int t = model.beg; t <= model.end; ++t)
            if (!skip || t > skip.length || skip.codes[t] <= 0) model.obs.push_back(t);
    };
    rows_in_use();
    if (run.sw[OSMISS]) {
        skip_lag_reads_of_missing(run, model);
        rows_in_use();
    }
    return true;
}

bool evaluate_rows(const EquationModel& model, const std::vector<Real>& b,
                   expr::DerivativeOrder order, const RowCallback& each, RowFailure& failure,
                   bool every_row, const std::vector<Real>& direction) {
    const int n = model.n();
    const int chunks = row_chunks(n);
    const int base = model.parameter_base, k = model.k();
    std::mutex failure_lock;
    failure = RowFailure{};
    // Runs chunks [first, last) with its own evaluator; records the earliest failing row.
    auto work = [&](int first, int last) {
        expr::DerivativeEvaluator evaluator(model.program);
        long long t = 0;
        expr::ParameterBinding binding;
        binding.values = b;
        if (!direction.empty()) {
            binding.seeds = direction;
            binding.directions = 1;
        }
        binding.parameter = [base, k](int ref, int lag) {
            return lag == 0 && ref >= base && ref < base + k ? ref - base : -1;
        };
        binding.datum = [&](int ref, int lag, Real& value) {
            for (const EquationModel::Series& s : model.series) {
                if (s.ref != ref) continue;
                if (s.constant) {
                    value = s.value;
                    return true;
                }
                const long long at = t - lag;
                if (at < 1 || at > s.length) return false;
                value = s.first[at * s.inc];
                return true;
            }
            return false;
        };
        for (int c = first; c < last; ++c) {
            const int row_end = std::min(n, (c + 1) * ROW_CHUNK);
            for (int row = c * ROW_CHUNK; row < row_end; ++row) {
                t = model.obs[static_cast<std::size_t>(row)];
                const expr::DerivativeResult& r = evaluator.evaluate(binding, order);
                if (r.status != expr::DerivativeStatus::OK) {
                    {
                        std::lock_guard<std::mutex> hold(failure_lock);
                        if (failure.row < 0 || row < failure.row)
                            failure = {row, r.status, r.failed_op, r.unbound_ref};
                    }
                    if (!every_row) return;
                }
                each(c, row, r);
            }
        }
    };
    if (n >= static_cast<int>(SPLIT_MIN_ROWS) && two_threads_available() && chunks > 1) {
        const int middle = chunks / 2;
        std::thread upper;
        try {
            upper = std::thread([&] { work(middle, chunks); });
        } catch (const std::system_error&) {
            work(0, chunks);
            return failure.row < 0;
        }
        work(0, middle);
        upper.join();
    } else {
        work(0, chunks);
    }
    return failure.row < 0;
}

EstimationFailure evaluation_failure(const EquationModel& model, const RowFailure& failure) {
    if (failure.row < 0) // every row evaluated, but their sum overflows
        return {std::string(" ...ERROR..THE ") +
                    (model.dep_ref != 0 ? "SUM OF SQUARES" : "LOG-LIKELIHOOD") +
                    " IS NOT FINITE AT THE STARTING VALUES",
                ERR_NL_UNDEFINED};
    const int t = model.obs[static_cast<std::size_t>(failure.row)];
    if (failure.status == expr::DerivativeStatus::UNSUPPORTED)
        return {" ...ERROR..THE EQUATION USES AN OPERATION WITHOUT A DERIVATIVE",
                ERR_NL_NO_DERIVATIVE};
    if (failure.status == expr::DerivativeStatus::UNBOUND)
        return {" ...ERROR..THE EQUATION READS DATA OUTSIDE THE SAMPLE AT OBSERVATION" +
                    fmt_I(t, 7),
                ERR_NL_UNDEFINED};
    return {" ...ERROR..THE EQUATION CANNOT BE EVALUATED AT THE STARTING VALUES: " +
                operation_name(failure.op) + " FAILS AT OBSERVATION" + fmt_I(t, 7),
            ERR_NL_UNDEFINED};
}

} // namespace tarvex
