// Reading BAYES's inequality restrictions.
#include "regress/bayes/bayes_restrictions.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"
#include "regress/bayes/bayes_errors.hpp"
#include "regress/fit/statement_block.hpp"
#include "regress/test/test_command.hpp"

#include <cctype>
#include <limits>

namespace tarvex {

namespace {

bool bayes_block_line(int ikod) {
    return ikod == C_RESTRICT || ikod == C_TEST;
}

struct InequalitySign {
    std::string_view text;
    bool greater, inclusive;
};

// Longer signs first, so that ">=" is not read as ">".
constexpr InequalitySign BAYES_SIGNS[] = {
    {".GT.", true, false}, {".GE.", true, true}, {".LT.", false, false}, {".LE.", false, true},
    {">=", true, true},    {"<=", false, true},  {">", true, false},     {"<", false, false},
};

std::string bayes_upper(std::string_view text) {
    std::string s(text);
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Evaluates the compiled restriction at `coef`: its value and gradient, or reports why not.
bool bayes_restriction_at(Run& run, const CompiledHypothesis& program, TestEquation& eq,
                          const std::vector<Real>& coef, Hypothesis& out) {
    eq.coef = coef;
    HypothesisValue v = evaluate_hypothesis(program, eq);
    if (!v.ok()) {
        report_error(run, v.error_line, v.error_number);
        return false;
    }
    out = std::move(v.hypothesis);
    return true;
}

bool bayes_take_line(Run& run, TestEquation eq, std::string_view text,
                     std::vector<LinearInequality>& restrictions) {
    InequalityText split;
    if (!split_inequality(text, split)) {
        report_error(run,
                     " ...ERROR..A BAYES RESTRICTION NEEDS ONE INEQUALITY: .GT. .GE. .LT. .LE. "
                     "(OR > >= < <=)",
                     ERR_BAYES_NO_RELATION);
        return false;
    }
    CompiledHypothesis program;
    if (!compile_hypothesis_program(run, eq, split.equation, program)) return false;
    // A linear restriction has the same gradient everywhere; it is taken at 0 and at 1.
    const std::size_t k = eq.names.size();
    Hypothesis at_zero, at_one;
    if (!bayes_restriction_at(run, program, eq, std::vector<Real>(k, 0), at_zero) ||
        !bayes_restriction_at(run, program, eq, std::vector<Real>(k, 1), at_one))
        return false;
    Real moved = at_zero.value, size = qm::abs(at_zero.value) + qm::abs(at_one.value);
    bool any = false;
    for (std::size_t j = 0; j < k; ++j) {
        const Real g = at_zero.gradient[j];
        if (g != at_one.gradient[j]) {
            moved = at_one.value + 1; // not linear: the check below fails
            break;
        }
        any = any || g != 0;
        moved += g;
        size += qm::abs(g);
    }
    if (qm::abs(moved - at_one.value) > Real(1e-28Q) * size) {
        report_error(run,
                     " ...ERROR..A BAYES RESTRICTION MUST BE LINEAR IN THE COEFFICIENTS: " +
                         trim_blanks(std::string(text)),
                     ERR_BAYES_NOT_LINEAR);
        return false;
    }
    if (!any) {
        report_error(run,
                     " ...ERROR..THE RESTRICTION " + trim_blanks(std::string(text)) +
                         " INVOLVES NO COEFFICIENT",
                     ERR_BAYES_NO_COEF);
        return false;
    }
    LinearInequality r;
    const Real sign = split.greater ? 1 : -1;
    r.constant = sign * at_zero.value;
    for (Real g : at_zero.gradient) r.gradient.push_back(sign * g);
    r.inclusive = split.inclusive;
    restrictions.push_back(std::move(r));
    return true;
}

} // namespace

bool split_inequality(std::string_view text, InequalityText& out) {
    const std::string upper = bayes_upper(text);
    std::size_t at = std::string::npos, length = 0;
    int found = 0;
    for (std::size_t i = 0; i < upper.size();) {
        bool matched = false;
        for (const InequalitySign& s : BAYES_SIGNS) {
            if (upper.compare(i, s.text.size(), s.text) != 0) continue;
            ++found;
            at = i, length = s.text.size();
            out.greater = s.greater, out.inclusive = s.inclusive;
            i += s.text.size();
            matched = true;
            break;
        }
        if (!matched) ++i;
    }
    if (found != 1) return false;
    out.equation = std::string(text.substr(0, at)) + "=" + std::string(text.substr(at + length));
    return true;
}

bool read_bayes_restrictions(Run& run, const TestEquation& eq,
                             std::vector<LinearInequality>& restrictions,
                             std::vector<std::string>& texts) {
    if (run.flags.OPUT && run.sw[OTALK]) write_line(run, " ENTER RESTRICT COMMANDS, THEN TYPE END");
    const int ikod = run.cmd.IKOD;
    const bool put = run.flags.OPUT;
    const bool ok = read_statement_block(run, std::numeric_limits<std::size_t>::max(),
                                         [&](std::string_view text) {
                                             if (!bayes_take_line(run, eq, text, restrictions))
                                                 return false;
                                             texts.push_back(trim_blanks(std::string(text)));
                                             return true;
                                         });
    run.cmd.IKOD = ikod;
    run.flags.OPUT = put;
    return ok;
}

void pass_over_bayes_restrictions(Run& run) {
    const int ikod = run.cmd.IKOD;
    const bool put = run.flags.OPUT;
    pass_over_block(run, bayes_block_line);
    run.cmd.IKOD = ikod;
    run.flags.OPUT = put;
}

} // namespace tarvex
