// The DO statement: its words, the marker, "=", and the start, end and step bounds given as
// numbers, variables (with an element after ":") or result scalars; the parameter checks.
#include "interp/do_parts.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/result_scalars.hpp"
#include "interp/interp_errors.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

constexpr int MAX_BOUND_DIGITS = 12;
// The widest bound a DO statement takes: it fills the 10-column fields of the loop file's
// records and stays within 32 bits. Anything wider is a bad number.
constexpr long long WIDEST_BOUND = 999999999;

bool fits_loop_record(long long value) {
    return value >= -WIDEST_BOUND && value <= WIDEST_BOUND;
}

bool is_separator(char c) {
    return c == ' ' || c == ',' || c == '\t';
}

// An optionally signed run of digits.
bool parse_integer(std::string_view word, long long& value) {
    std::size_t pos = 0;
    bool negative = false;
    if (pos < word.size() && (word[pos] == '-' || word[pos] == '+')) negative = word[pos++] == '-';
    if (pos == word.size() || word.size() - pos > MAX_BOUND_DIGITS) return false;
    long long v = 0;
    for (; pos < word.size(); ++pos) {
        if (word[pos] < '0' || word[pos] > '9') return false;
        v = v * 10 + (word[pos] - '0');
    }
    value = negative ? -v : v;
    return true;
}

// A workspace value as a loop index: truncated towards zero; NaN and values far outside the
// index range are unusable.
bool index_from_real(Real x, long long& value) {
    if (!(x == x) || x > Real(1e15) || x < Real(-1e15)) return false;
    value = static_cast<long long>(x);
    return true;
}

enum class BoundResult { OK, UNKNOWN, BAD };

BoundResult evaluate(Run& run, LoopBound& bound) {
    if (bound.name.empty()) return BoundResult::OK;
    if (bound.name.front() == '$') {
        int k = find_result_scalar(bound.name);
        if (k == 0 || bound.element > 1) return k == 0 ? BoundResult::UNKNOWN : BoundResult::BAD;
        return index_from_real(run.res[k], bound.value) ? BoundResult::OK : BoundResult::BAD;
    }
    int ref = VFIND(run, bound.name);
    if (ref <= 0) return BoundResult::UNKNOWN;
    VarInfo info;
    if (!VINFO(run, ref, info)) return BoundResult::BAD;
    if (info.type == TYPE_CHAR_STRING || info.type == TYPE_CHAR_VAR) return BoundResult::BAD;
    long long k = bound.element > 0 ? bound.element : 1;
    if (k > info.length) return BoundResult::BAD;
    return index_from_real(element(run, info, k), bound.value) ? BoundResult::OK : BoundResult::BAD;
}

} // namespace

std::vector<std::string> do_statement_words(std::string_view text, std::size_t col) {
    std::vector<std::string> words;
    std::size_t pos = col;
    while (pos < text.size()) {
        if (is_separator(text[pos])) {
            ++pos;
        } else if (text[pos] == '=' || text[pos] == ':') {
            words.emplace_back(1, text[pos++]);
        } else {
            std::size_t end = pos;
            while (end < text.size() && !is_separator(text[end]) && text[end] != '=' &&
                   text[end] != ':')
                ++end;
            words.emplace_back(text.substr(pos, end - pos));
            pos = end;
        }
    }
    return words;
}

bool valid_marker(std::string_view word) {
    if (word.size() != 1) return false;
    char c = word.front();
    return NAMCHK(word) == -1 && c != '=' && c != ':' && c != '&' && c != ' ';
}

DoParse parse_do_statement(Run& run, std::string_view text, std::size_t col, bool unknown_allowed,
                           DoStatement& out, bool named_bounds_later) {
    std::vector<std::string> words = do_statement_words(text, col);
    if (words.empty() || !valid_marker(words[0])) return DoParse::SYNTAX;
    if (words.size() < 2 || words[1] != "=") return DoParse::MISSING_EQUALS;
    if (words.size() < 4) return DoParse::SYNTAX;
    out = DoStatement{};
    out.marker = words[0].front();
    std::size_t pos = 2;
    while (pos < words.size()) {
        if (out.nbounds == 3) return DoParse::SYNTAX;
        LoopBound& bound = out.bound[out.nbounds++];
        const std::string& word = words[pos++];
        if (parse_integer(word, bound.value)) {
            if (!fits_loop_record(bound.value)) return DoParse::SYNTAX;
            continue;
        }
        if (!(NAMCHK(word) == 1 || (word.size() > 1 && word.front() == '$')))
            return DoParse::SYNTAX;
        bound.name = upper_ascii(std::string_view(word).substr(0, 8));
        if (pos < words.size() && words[pos] == ":") {
            long long k = 0;
            if (pos + 1 >= words.size() || !parse_integer(words[pos + 1], k) || k < 1 ||
                k > 2147483647)
                return DoParse::SYNTAX;
            bound.element = static_cast<int>(k);
            pos += 2;
        }
        BoundResult result = evaluate(run, bound);
        if (result == BoundResult::OK && !fits_loop_record(bound.value)) return DoParse::SYNTAX;
        if (result == BoundResult::BAD) return DoParse::SYNTAX;
        if (result == BoundResult::UNKNOWN) {
            if (!unknown_allowed) return DoParse::SYNTAX;
            bound.value = UNKNOWN_BOUND;
        }
    }
    if (out.nbounds < 2) return DoParse::SYNTAX;
    if (out.nbounds == 2) out.bound[2].value = 1;
    out.nbounds = 3;
    const bool later =
        named_bounds_later &&
        !(out.bound[0].name.empty() && out.bound[1].name.empty() && out.bound[2].name.empty());
    if (later)
        return out.bound[2].name.empty() && out.bound[2].value == 0 ? DoParse::SYNTAX : DoParse::OK;
    if (!loop_parameters_valid(out.bound[0].value, out.bound[1].value, out.bound[2].value))
        return DoParse::SYNTAX;
    return DoParse::OK;
}

bool reevaluate_bound(Run& run, LoopBound& bound) {
    return evaluate(run, bound) == BoundResult::OK;
}

bool loop_parameters_valid(long long start, long long end, long long step) {
    if (step == 0) return false;
    if (step > 0 && start > end) return false;
    if (step < 0 && start < end) return false;
    auto in_range = [](long long v) { return v >= LOWEST_INDEX && v <= HIGHEST_INDEX; };
    return in_range(start) && in_range(end);
}

bool index_within(long long index, long long end, long long step) {
    return step > 0 ? index <= end : index >= end;
}

void set_index_scalar(Run& run, int level, long long value) {
    run.res[R_DO + level - 1] = static_cast<Real>(value);
}

Real index_scalar(const Run& run, int level) {
    return run.res[R_DO + level - 1];
}

void restore_index_scalar(Run& run, int level, Real value) {
    run.res[R_DO + level - 1] = value;
}

void write_loop_beginning(Run& run, char marker, long long start) {
    write_line(run,
               std::string(" EXECUTION BEGINNING FOR DO LOOP  ") + marker + " =" + fmt_I(start, 8));
}

void write_loop_finished(Run& run, char marker, long long index) {
    write_line(run,
               std::string(" EXECUTION FINISHED FOR DO LOOP  ") + marker + "=" + fmt_I(index, 8));
}

void do_syntax_error(Run& run, const std::string& message, int number) {
    report_error(run, " ...ERROR.." + message, number);
    if (!run.sw[OTALK]) run.flags.OERR = true;
}

void do_statement_error(Run& run, DoParse parsed) {
    if (parsed == DoParse::MISSING_EQUALS)
        do_syntax_error(run, "DO STATEMENT IS MISSING = SIGN", DO_MISSING_EQUALS);
    else
        do_syntax_error(run, "SYNTAX ERROR IN DO STATEMENT", DO_SYNTAX);
}

void sync_replay_depth(Run& run) {
    run.cmd.replay_depth = (run.loops.replaying ? 1 : 0) + run.loops.levels;
}

} // namespace tarvex
