// The prefix parser, the input reader and the expression lines of DERIVATI and INTEGRAT.
#include "expr/calculus_parts.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "expr/expr_errors.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex::expr {

namespace {

// Room for an expression on a report line, and the indentation of its continuation lines.
constexpr std::size_t EXPRESSION_LINE_WIDTH = 120;
constexpr std::size_t EXPRESSION_CONTINUATION_INDENT = 6;

// A line may end after a binary operator or a comma (not after a minus that is a sign).
bool is_break_after(std::string_view text, std::size_t k) {
    const char c = text[k];
    if (c == '-') return k > 0 && text[k - 1] != '(' && text[k - 1] != '*' && text[k - 1] != '/';
    return c == '+' || c == '*' || c == '/' || c == ',' || c == ' ';
}

} // namespace

std::string_view statement_text(const Run& run) {
    return std::string_view(run.cmd.text)
        .substr(std::min<std::size_t>(static_cast<std::size_t>(std::max(run.cmd.col, 0)),
                                      run.cmd.text.size()));
}

bool split_prefix(std::string_view text, std::vector<std::string>& parts, std::string& rest) {
    parts.clear();
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size() || text[i] != '(') return false;
    int depth = 0;
    std::string part;
    for (++i; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') ++depth;
        if (c == ')' && depth-- == 0) {
            parts.push_back(trim_blanks(part));
            rest = std::string(text.substr(i + 1));
            return true;
        }
        if (c == ',' && depth == 0) {
            parts.push_back(trim_blanks(part));
            part.clear();
            continue;
        }
        part += c;
    }
    return false;
}

bool is_plain_name(std::string_view word) {
    if (word.empty() || !std::isalpha(static_cast<unsigned char>(word[0]))) return false;
    return std::all_of(word.begin(), word.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool InputValues::check(const Program& program, int own) {
    for (int cell = 1; cell <= program.NF; ++cell) {
        const int ref = program.vars[static_cast<std::size_t>(cell)];
        if (ref <= 0 || ref == own || (cell == 1 && program.LHS == ref && !program.direct[1]))
            continue;
        VarInfo info;
        if (!VINFO(run_, ref, info)) return false;
        const bool column = ref > 2 * run_.ws.MAXVAR;
        const bool vector = info.type == TYPE_DATA ||
                            (column && info.type >= TYPE_MATRIX && info.type <= TYPE_TRIANGLE);
        if (!vector || info.addr == 0 || info.inc < 1) {
            report_error(run_, " ...ERROR.." + reference_name(run_, ref) + " IS NOT A DATA VECTOR",
                         command_error_number(run_, EXPR_NOT_DATA_VECTOR), ErrorSeverity::SERIOUS);
            return false;
        }
        info_[ref] = info;
    }
    return true;
}

long long InputValues::length(int ref) {
    const auto it = info_.find(ref);
    if (it == info_.end()) return 0;
    const VarInfo& info = it->second;
    return info.ncol > 1 ? info.length / info.ncol : info.length;
}

bool InputValues::datum(int ref, int lag, Real& value) {
    if (ref < 0) {
        value = run_.res[-ref];
        return true;
    }
    const auto it = info_.find(ref);
    if (it == info_.end()) return false;
    const long long rows = length(ref);
    long long k = t_ - lag;
    if (rows == 1 && lag == 0) k = 1;
    if (k < 1 || k > rows) {
        value = 0;
        if (lag == 0) missing_ = true;
        return true;
    }
    value = element(run_, it->second, k);
    if (value == run_.ws.XMISS) missing_ = true;
    return true;
}

std::string reference_name(Run& run, int ref) {
    if (ref < 0)
        return "$" + trim_trailing_blanks(RESULT_NAMES[static_cast<std::size_t>(-ref - 1)]);
    const int slot = reference_slot(run.ws, ref);
    std::string name =
        slot >= 1 && slot <= run.ws.MAXVAR
            ? trim_trailing_blanks(run.ws.VNAME[static_cast<std::size_t>(slot)].substr(0, 8))
            : std::string("?");
    if (ref != slot) {
        const int col = ref % run.ws.MXCOL == 0 ? run.ws.MXCOL : ref % run.ws.MXCOL;
        name += ":" + std::to_string(col);
    }
    return name;
}

void write_expression_lines(Run& run, const std::string& head, const std::string& text) {
    std::string line = head;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t room =
            EXPRESSION_LINE_WIDTH - std::min(line.size(), EXPRESSION_LINE_WIDTH - 20);
        if (text.size() - pos <= room) {
            line += text.substr(pos);
            break;
        }
        std::size_t cut = pos + room;
        while (cut > pos + 1 && !is_break_after(text, cut - 1)) --cut;
        if (cut <= pos + 1) cut = pos + room;
        line += text.substr(pos, cut - pos);
        write_line(run, line);
        line.assign(EXPRESSION_CONTINUATION_INDENT, ' ');
        pos = cut;
    }
    write_line(run, line);
}

} // namespace tarvex::expr
