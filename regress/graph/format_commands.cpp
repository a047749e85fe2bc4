// The graph settings' commands. Their text is read as typed (not scanned): a date form holds
// characters a variable list cannot, a shown name is quoted text with blanks and case kept.
#include "regress/graph/format_commands.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/text.hpp"
#include "regress/graph/format_errors.hpp"
#include "regress/graph/graph_formats.hpp"

namespace tarvex {

namespace {

constexpr std::size_t TIME_FORMAT_LONGEST = 24;
constexpr std::size_t SHOWN_NAME_LONGEST = 60;
constexpr int AXIS_TICKS_MOST = 50;

struct Word {
    std::string text;
    bool quoted = false;
};

// The command's words: blanks and commas part them, a text in single or double quotes is one
// word as typed, "/" is a word of its own. False when a quote is not closed.
bool format_words(const Run& run, std::vector<Word>& words) {
    const std::string& text = run.cmd.text;
    std::size_t at = std::min<std::size_t>(std::max(run.cmd.col, 0), text.size());
    while (at < text.size()) {
        const char c = text[at];
        if (c == ' ' || c == ',' || c == '\t' || c == ';') {
            ++at;
        } else if (c == '\'' || c == '"') {
            const std::size_t end = text.find(c, at + 1);
            if (end == std::string::npos) return false;
            words.push_back({text.substr(at + 1, end - at - 1), true});
            at = end + 1;
        } else if (c == '/') {
            words.push_back({"/", false});
            ++at;
        } else {
            std::size_t end = at;
            while (end < text.size() &&
                   std::string(" ,\t;/'\"").find(text[end]) == std::string::npos)
                ++end;
            words.push_back({upper_ascii(text.substr(at, end - at)), false});
            at = end;
        }
    }
    return true;
}

bool fail(Run& run, const std::string& what, int number) {
    report_error(run, " ...ERROR.." + what, number);
    return false;
}

// The date form is the statement's text as typed (blanks inside kept), or the text inside
// the quotes that enclose it, in upper case.
void timefmt(Run& run) {
    const std::string& text = run.cmd.text;
    const std::size_t start = std::min<std::size_t>(std::max(run.cmd.col, 0), text.size());
    std::string form = upper_ascii(trim_blanks(text.substr(start)));
    if (form.size() >= 2 && (form[0] == '\'' || form[0] == '"') && form.back() == form[0])
        form = form.substr(1, form.size() - 2);
    if (form.size() > TIME_FORMAT_LONGEST) {
        fail(run, "TIME FORMAT LONGER THAN " + std::to_string(TIME_FORMAT_LONGEST) + " CHARACTERS",
             ERR_TIMEFMT_LONG);
        return;
    }
    std::string bad;
    if (!check_time_format(form, bad)) {
        fail(run, "UNKNOWN WORD " + bad + " IN TIME FORMAT: USE YYYY, YY, Q, MM, M, MON AND P",
             ERR_TIMEFMT_WORD);
        return;
    }
    run.graph_formats.time_format = form;
}

// One option of AXISFMT, KEYWORD=value, into `axis`.
bool axis_option(Run& run, const std::string& option, AxisFormat& axis) {
    const std::size_t eq = option.find('=');
    const std::string key = option.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : option.substr(eq + 1);
    if (key != "MIN" && key != "MAX" && key != "TICKS" && key != "FORMAT")
        return fail(run, "UNKNOWN AXISFMT OPTION " + key + ": USE MIN, MAX, TICKS AND FORMAT",
                    ERR_AXISFMT_OPTION);
    if (key == "FORMAT") {
        if (!parse_number_form(value, axis.form))
            return fail(run, "UNKNOWN NUMBER FORMAT " + value + ": USE Fw.d, Ew.d OR Iw",
                        ERR_AXISFMT_FORM);
        return true;
    }
    Real v = 0;
    std::size_t used = 0;
    const bool number = !value.empty() && parse_real(value, v, &used) && used == value.size();
    if (key == "TICKS") {
        if (!number || !(v >= 1) || v > AXIS_TICKS_MOST || v != Real(int(v)))
            return fail(run, "IN RIGHT HAND SIDE OF OPTION..TICKS", ERR_AXISFMT_VALUE);
        axis.ticks = int(v);
        return true;
    }
    if (!number || !finiteq(v))
        return fail(run, "IN RIGHT HAND SIDE OF OPTION.." + key, ERR_AXISFMT_VALUE);
    (key == "MIN" ? axis.has_min : axis.has_max) = true;
    (key == "MIN" ? axis.min : axis.max) = v;
    return true;
}

void axisfmt(Run& run, const std::vector<Word>& words) {
    if (words.empty()) {
        run.graph_formats.x = run.graph_formats.y = AxisFormat{};
        return;
    }
    const std::string& name = words[0].text;
    if (words[0].quoted || (name != "X" && name != "Y")) {
        fail(run, "AXISFMT NEEDS THE AXIS X OR Y, NOT " + name, ERR_AXISFMT_AXIS);
        return;
    }
    // The options replace the axis's settings as a whole; the axis alone clears them.
    AxisFormat axis;
    for (std::size_t k = 1; k < words.size(); ++k) {
        if (words[k].text == "/" && !words[k].quoted) continue;
        if (!axis_option(run, words[k].text, axis)) return;
    }
    if (axis.has_min && axis.has_max && !(axis.min < axis.max)) {
        fail(run, "AXIS " + name + " MIN IS NOT BELOW ITS MAX", ERR_AXISFMT_RANGE);
        return;
    }
    (name == "X" ? run.graph_formats.x : run.graph_formats.y) = axis;
}

void namefmt(Run& run, const std::vector<Word>& words) {
    auto& names = run.graph_formats.names;
    if (words.empty()) {
        names.clear();
        return;
    }
    if (words.size() > 2 || words[0].quoted || words[0].text == "/") {
        fail(run, "NAMEFMT TAKES A VARIABLE NAME AND ONE SHOWN NAME (QUOTED WHEN IT HAS BLANKS)",
             ERR_NAMEFMT_WORDS);
        return;
    }
    if (words.size() == 2 && words[1].text.size() > SHOWN_NAME_LONGEST) {
        fail(run, "SHOWN NAME LONGER THAN " + std::to_string(SHOWN_NAME_LONGEST) + " CHARACTERS",
             ERR_NAMEFMT_LONG);
        return;
    }
    const std::string& variable = words[0].text;
    std::erase_if(names, [&](const auto& entry) { return entry.first == variable; });
    if (words.size() == 2) names.emplace_back(variable, words[1].text);
}

} // namespace

void cmd_graph_format(Run& run) {
    std::vector<Word> words;
    if (!format_words(run, words)) {
        report_error(run, " ...ERROR..A QUOTED TEXT IS NOT CLOSED",
                     run.cmd.IKOD == C_NAMEFMT   ? ERR_NAMEFMT_WORDS
                     : run.cmd.IKOD == C_TIMEFMT ? ERR_TIMEFMT_WORD
                                                 : ERR_AXISFMT_OPTION);
        return;
    }
    if (run.flags.ODONT) return;
    if (run.cmd.IKOD == C_TIMEFMT)
        timefmt(run);
    else if (run.cmd.IKOD == C_AXISFMT)
        axisfmt(run, words);
    else
        namefmt(run, words);
}

} // namespace tarvex
