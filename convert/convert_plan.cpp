// The checks of a frequency conversion: the new name, the series and its indicators, the two
// frequencies, the method and the options that go with it, the range, and the calendar that
// places the series' first observation inside a period.
#include "convert/convert_plan.hpp"

#include "convert/convert_errors.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "kernels/temporal_disaggregation.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/maintenance.hpp"
#include "workspace/workspace.hpp"

#include <span>
#include <utility>

namespace tarvex {

namespace {

bool plan_error(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
    return false;
}

bool known_frequency(int f) {
    return f == 1 || f == 4 || f == 12;
}

// A series named in the statement: its reference and its name as the workspace holds it.
bool find_series(Run& run, const std::string& word, int& ref, std::string& name) {
    name = word8(word, run.sw[OLC]);
    ref = VFIND(run, name);
    if (ref == 0)
        return plan_error(run, "VARIABLE " + name + " DOES NOT EXIST", CONVERT_NO_VARIABLE);
    if (ref > 0) name = trim_trailing_blanks(run.ws.VNAME[ref]);
    VarInfo info;
    if (ref < 0 || !VINFO(run, ref, info) || info.type != TYPE_DATA || info.ncol != 1)
        return plan_error(run, name + " IS NOT A SERIES: CONVERT TAKES DATA SERIES ONLY",
                          CONVERT_NOT_SERIES);
    return true;
}

bool choose_frequencies(Run& run, const ConvertOptions& o, ConvertPlan& p) {
    const SampleBlock& s = run.smpl;
    if (o.FROM_given) {
        p.from = o.FROM;
    } else if (calendar_set(s)) {
        p.from = s.ITIME3;
    } else {
        return plan_error(
            run, "FROM= IS NEEDED: NO TIME COMMAND GIVES THE PERIODS A YEAR OF " + p.old_name,
            CONVERT_NO_FROM);
    }
    if (!known_frequency(p.from))
        return plan_error(run,
                          "FROM=" + std::to_string(p.from) +
                              (o.FROM_given ? "" : " (THE TIME COMMAND'S)") +
                              ": CONVERT TAKES 1, 4 OR 12 PERIODS A YEAR",
                          CONVERT_FREQUENCY);
    if (!known_frequency(o.TO))
        return plan_error(
            run, "TO=" + std::to_string(o.TO) + ": CONVERT TAKES 1, 4 OR 12 PERIODS A YEAR",
            CONVERT_FREQUENCY);
    p.to = o.TO;
    if (p.from == p.to)
        return plan_error(run,
                          "FROM=" + std::to_string(p.from) + " AND TO=" + std::to_string(p.to) +
                              " ARE ONE FREQUENCY: NOTHING TO CONVERT (COPY MAKES A COPY)",
                          CONVERT_FREQUENCY);
    p.down = p.to < p.from;
    p.ratio = p.down ? p.from / p.to : p.to / p.from;
    return true;
}

bool choose_method(Run& run, const ConvertOptions& o, ConvertPlan& p) {
    const std::pair<const char*, ConvertMethod> down[] = {{"SUM", ConvertMethod::SUM},
                                                          {"AVERAGE", ConvertMethod::AVERAGE},
                                                          {"FIRST", ConvertMethod::FIRST},
                                                          {"LAST", ConvertMethod::LAST}};
    const std::pair<const char*, ConvertMethod> up[] = {{"CONSTANT", ConvertMethod::CONSTANT},
                                                        {"LINEAR", ConvertMethod::LINEAR},
                                                        {"DENTON", ConvertMethod::DENTON},
                                                        {"CHOWLIN", ConvertMethod::CHOWLIN}};
    p.method_word = o.METHOD.empty() ? (p.down ? "SUM" : "DENTON") : o.METHOD;
    bool found = false;
    for (const auto& [word, method] : p.down ? std::span(down) : std::span(up))
        if (p.method_word == word) p.method = method, found = true;
    if (!found)
        return plan_error(
            run,
            "METHOD=" + p.method_word + " DOES NOT CONVERT FROM " + std::to_string(p.from) +
                " TO " + std::to_string(p.to) + " PERIODS A YEAR: USE " +
                (p.down ? "SUM, AVERAGE, FIRST OR LAST" : "CONSTANT, LINEAR, DENTON OR CHOWLIN"),
            CONVERT_METHOD);
    const bool distributes =
        p.method == ConvertMethod::DENTON || p.method == ConvertMethod::CHOWLIN;
    const bool chow_lin = p.method == ConvertMethod::CHOWLIN;
    if (o.RHO_given && !chow_lin)
        return plan_error(run, "RHO= APPLIES TO METHOD=CHOWLIN ONLY", CONVERT_OPTION);
    if (o.NOCONST && !chow_lin)
        return plan_error(run, "NOCONST APPLIES TO METHOD=CHOWLIN ONLY", CONVERT_OPTION);
    if (!o.MATCH.empty() && !distributes)
        return plan_error(run, "MATCH= APPLIES TO METHOD=DENTON AND CHOWLIN ONLY", CONVERT_OPTION);
    if (!o.MATCH.empty() && o.MATCH != "SUM" && o.MATCH != "AVERAGE")
        return plan_error(run,
                          "MATCH=" + o.MATCH + ": THE PERIOD SUM OR AVERAGE IS MET (SUM, AVERAGE)",
                          CONVERT_OPTION);
    p.match_average = o.MATCH == "AVERAGE";
    if (o.RHO_given && !(o.RHO >= -CHOW_LIN_RHO_LIMIT && o.RHO <= CHOW_LIN_RHO_LIMIT))
        return plan_error(run,
                          "RHO=" + trim_blanks(fmt_G(o.RHO, 14, 6)) +
                              ": CHOWLIN TAKES AN AR(1) COEFFICIENT FROM -0.999 TO 0.999",
                          CONVERT_OPTION);
    const std::size_t given = p.indicator_names.size();
    if (given > 0 && !distributes)
        return plan_error(run,
                          "METHOD=" + p.method_word + " TAKES NO INDICATOR SERIES: " +
                              p.indicator_names.front() + " IS ONE",
                          CONVERT_INDICATORS);
    if (p.method == ConvertMethod::DENTON && given > 1)
        return plan_error(run, "METHOD=DENTON TAKES ONE INDICATOR SERIES AT MOST",
                          CONVERT_INDICATORS);
    if (chow_lin && given == 0)
        return plan_error(run,
                          "METHOD=CHOWLIN NEEDS INDICATOR SERIES: CONVERT new old x1 [x2 ...] / "
                          "METHOD=CHOWLIN",
                          CONVERT_INDICATORS);
    return true;
}

bool choose_range(Run& run, const ConvertOptions& o, ConvertPlan& p) {
    VarInfo info;
    if (!VINFO(run, p.old_ref, info)) return false;
    p.beg = o.BEG_given ? o.BEG : 1;
    p.end = o.END_given ? o.END : info.length;
    if (p.beg < 1 || p.end < p.beg || p.end > info.length)
        return plan_error(run,
                          "BEG=" + std::to_string(p.beg) + " END=" + std::to_string(p.end) + ": " +
                              p.old_name + " HAS " + std::to_string(info.length) + " OBSERVATIONS",
                          CONVERT_RANGE);
    const SampleBlock& s = run.smpl;
    p.dated = calendar_set(s) && s.ITIME3 == p.from;
    if (p.dated) {
        p.first_date = calendar_date(s, p.beg);
        if (p.down) p.offset = (p.first_date.period - 1) % p.ratio;
    }
    return true;
}

} // namespace

const char* method_name(ConvertMethod method) {
    switch (method) {
    case ConvertMethod::SUM:
        return "SUM";
    case ConvertMethod::AVERAGE:
        return "AVERAGE";
    case ConvertMethod::FIRST:
        return "FIRST";
    case ConvertMethod::LAST:
        return "LAST";
    case ConvertMethod::CONSTANT:
        return "CONSTANT";
    case ConvertMethod::LINEAR:
        return "LINEAR";
    case ConvertMethod::DENTON:
        return "DENTON";
    case ConvertMethod::CHOWLIN:
        return "CHOWLIN";
    }
    return "";
}

bool plan_conversion(Run& run, const ConvertOptions& o, const std::vector<std::string>& words,
                     ConvertPlan& p) {
    if (words.size() < 2)
        return plan_error(run,
                          "CONVERT NEEDS A NEW NAME AND A SERIES: CONVERT new old [indicators] / "
                          "FROM=f TO=t, OR CONVERT / IN=file OUT=file",
                          CONVERT_NO_NAMES);
    p.new_name = word8(words[0], run.sw[OLC]);
    if (NAMCHK(p.new_name) != 1 || p.new_name.front() == '$')
        return plan_error(run, "ILLEGAL VARIABLE NAME:" + p.new_name, CONVERT_ILLEGAL_NAME);
    if (!find_series(run, words[1], p.old_ref, p.old_name)) return false;
    for (std::size_t k = 2; k < words.size(); ++k) {
        int ref = 0;
        std::string name;
        if (!find_series(run, words[k], ref, name)) return false;
        p.indicator_refs.push_back(ref);
        p.indicator_names.push_back(name);
    }
    return choose_frequencies(run, o, p) && choose_method(run, o, p) && choose_range(run, o, p);
}

} // namespace tarvex
