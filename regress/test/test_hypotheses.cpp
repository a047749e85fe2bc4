// Compiling a hypothesis: the line is split at its "=" into left - right, names are checked
// against the equation (a regressor, a variable not in the equation, or no variable at all),
// the expression compiler builds the program, and GENRDF evaluates it with its gradient.
#include "regress/test/test_hypotheses.hpp"

#include "core/error_report.hpp"
#include "core/estimation_results.hpp"
#include "core/run.hpp"
#include "expr/derivative.hpp"
#include "expr/program.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <cctype>

namespace tarvex {

namespace {

// A name the equation does not know, found while compiling.
struct NameProblem {
    int number;
    std::string name;
};

// "left = right" becomes "(left)-(right)"; an empty side or a second "=" is a syntax error.
bool hypothesis_expression(std::string_view text, std::string& out) {
    const std::size_t eq = text.find('=');
    auto blank = [](std::string_view s) {
        return s.find_first_not_of(" \t") == std::string_view::npos;
    };
    if (eq == std::string_view::npos) {
        if (blank(text)) return false;
        out = std::string(text);
        return true;
    }
    const std::string_view left = text.substr(0, eq), right = text.substr(eq + 1);
    if (right.find('=') != std::string_view::npos || blank(left) || blank(right)) return false;
    out = "(" + std::string(left) + ")-(" + std::string(right) + ")";
    return true;
}

// The first name of the hypothesis longer than the 8 characters a variable or coefficient name
// keeps, or "". Cut to 8 it could name another coefficient than the one meant (V_LONGNAM2 and
// V_LONGNAM1 are both V_LONGNA), so such a name is refused rather than cut.
std::string overlong_name(std::string_view text) {
    const auto name_char = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
    };
    for (std::size_t i = 0; i < text.size();) {
        if (!name_char(text[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && name_char(text[j])) ++j;
        // A number (with its exponent letters) starts with a digit.
        const bool number = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (!number && j - i > 8) return upper_ascii(std::string(text.substr(i, j - i)));
        i = j;
    }
    return {};
}

} // namespace

TestEquation equation_of(const EstimationResults& e) {
    TestEquation eq;
    eq.names = e.names;
    eq.refs = e.refs;
    eq.lags = e.lags;
    eq.coef = e.coef;
    return eq;
}

bool reserve_test_space(Run& run, int q, int k) {
    const long long need = static_cast<long long>(q) * k + static_cast<long long>(q) * q;
    if (run.ws.LASADD + need <= run.ws.MAXADD) return true;
    report_error(run, " ...ERROR..INSUFFICIENT MEMORY FOR THIS CALCULATION", ERR_TEST_MEMORY);
    return false;
}

bool compile_hypothesis_program(Run& run, const TestEquation& eq, std::string_view text,
                                CompiledHypothesis& out) {
    const int maxvar = run.ws.MAXVAR;
    std::string expression;
    if (!hypothesis_expression(text, expression)) {
        report_error(run, " ...ERROR..SYNTAX ERROR IN TEST COMMAND", ERR_TEST_SYNTAX);
        return false;
    }
    const std::string overlong = overlong_name(text);
    if (!overlong.empty()) {
        report_error(run,
                     " ...ERROR..THE NAME " + overlong +
                         " IS LONGER THAN 8 CHARACTERS: COEFFICIENTS ARE NAMED BY THEIR FIRST 8 (" +
                         overlong.substr(0, 8) + ")",
                     ERR_TEST_LONG_NAME);
        return false;
    }
    out = CompiledHypothesis{};
    // Each variable the program binds, with the name a message gives it.
    const auto bound = [&](int ref) {
        const int slot = reference_slot(run.ws, ref);
        out.variable_names.emplace_back(
            ref, slot >= 1 && slot <= maxvar ? upper_ascii(trim_trailing_blanks(run.ws.VNAME[slot]))
                                             : std::string());
        return ref;
    };
    expr::CompileRequest request;
    request.form = expr::Form::VALUE;
    request.value_kind = expr::KIND_TEST;
    request.silent = true;
    request.find_name = [&](std::string_view typed) -> int {
        const std::string key = upper_ascii(trim_trailing_blanks(typed));
        // The intercept, the trend and the named parameters of NLINEAR and MLE are named as
        // the report prints them.
        for (std::size_t j = 0; j < eq.refs.size(); ++j)
            if (named_term_reference(maxvar, eq.refs[j]) &&
                upper_ascii(trim_trailing_blanks(eq.names[j])) == key)
                return bound(eq.refs[j]);
        const int ref = VFIND(run, typed);
        if (ref <= 0) throw NameProblem{ERR_TEST_NO_NAME, key};
        for (int r : eq.refs)
            if (!named_term_reference(maxvar, r))
                if (reference_slot(run.ws, r) == ref) return bound(ref);
        throw NameProblem{ERR_TEST_NOT_IN_EQUATION, key};
    };
    bool compiled = false;
    // A lag in a hypothesis names a coefficient, not a value before the sample: the
    // compiler's note about lags in undefined observations does not apply.
    const bool warn = run.sw[OWARN];
    run.sw[OWARN] = false;
    try {
        compiled = expr::GENR(run, expression, request, out.program);
        run.sw[OWARN] = warn;
    } catch (const NameProblem& p) {
        run.sw[OWARN] = warn;
        if (p.number == ERR_TEST_NO_NAME)
            report_error(run, " ...ERROR.." + p.name + " DOES NOT EXIST", p.number);
        else
            report_error(run, " ...ERROR.." + first_8_padded(p.name) + " IS NOT IN EQUATION",
                         p.number);
        return false;
    }
    if (!compiled) {
        report_error(run, " ...ERROR..SYNTAX ERROR IN TEST COMMAND", ERR_TEST_SYNTAX);
        return false;
    }
    return true;
}

HypothesisValue evaluate_hypothesis(const CompiledHypothesis& compiled, const TestEquation& eq) {
    HypothesisValue out;
    expr::ParameterBinding binding;
    binding.values = eq.coef;
    binding.parameter = [&](int ref, int lag) {
        for (std::size_t j = 0; j < eq.refs.size(); ++j)
            if (eq.refs[j] == ref && eq.lags[j] == lag) return static_cast<int>(j);
        return -1;
    };
    const expr::DerivativeResult d = expr::GENRDF(compiled.program, binding);
    switch (d.status) {
    case expr::DerivativeStatus::OK:
        break;
    case expr::DerivativeStatus::UNBOUND: {
        std::string name;
        for (const auto& [ref, known] : compiled.variable_names)
            if (ref == d.unbound_ref) name = known;
        if (d.unbound_lag != 0)
            name = name.substr(0, 5) + "(" + std::to_string(d.unbound_lag) + ")";
        out.error_line = " ...ERROR.." + first_8_padded(name) + " IS NOT IN EQUATION";
        out.error_number = ERR_TEST_NOT_IN_EQUATION;
        return out;
    }
    case expr::DerivativeStatus::UNSUPPORTED:
        out.error_line = " ...ERROR..SYNTAX ERROR IN TEST COMMAND";
        out.error_number = ERR_TEST_SYNTAX;
        return out;
    case expr::DerivativeStatus::UNDEFINED:
        out.error_line = " ...WARNING..TEST COULD NOT BE DONE";
        out.error_number = ERR_TEST_NOT_DONE;
        return out;
    }
    out.hypothesis.value = d.value;
    out.hypothesis.gradient = d.gradient;
    return out;
}

std::vector<std::string> hypothesis_dump_lines(const Hypothesis& h) {
    std::vector<std::string> lines{" TEST RESULT=" + fmt_G(h.value, 13, 5), " GRADIENT"};
    std::string line;
    for (std::size_t j = 0; j < h.gradient.size(); ++j) {
        line += fmt_G(h.gradient[j], 13, 5);
        if ((j + 1) % 8 == 0 || j + 1 == h.gradient.size()) {
            lines.push_back(line);
            line.clear();
        }
    }
    return lines;
}

bool compile_hypothesis(Run& run, const TestEquation& eq, std::string_view text, Hypothesis& out) {
    CompiledHypothesis compiled;
    if (!compile_hypothesis_program(run, eq, text, compiled)) return false;
    HypothesisValue value = evaluate_hypothesis(compiled, eq);
    if (!value.ok()) {
        report_error(run, value.error_line, value.error_number);
        return false;
    }
    out = std::move(value.hypothesis);
    if (run.sw[ODMMP] && run.flags.OPUT)
        for (const std::string& line : hypothesis_dump_lines(out)) write_line(run, line);
    return true;
}

} // namespace tarvex
