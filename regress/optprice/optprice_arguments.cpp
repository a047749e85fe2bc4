// Reading the arguments of CALLOPTI and PUTOPTIO and gathering a series' observations.
#include "regress/optprice/optprice_arguments.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/text.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

bool looks_numeric(char c) {
    return c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9');
}

} // namespace

bool read_option_argument(Run& run, const std::string& keyword, const std::string& typed,
                          int bad_argument, OptionArgument& out) {
    out.keyword = keyword;
    out.given = !typed.empty();
    if (!out.given) return true;
    auto refuse = [&] {
        report_error(run,
                     " ...ERROR.." + keyword + "=" + upper_ascii(typed) +
                         " IS NEITHER A NUMBER NOR A SCALAR OR SERIES VARIABLE",
                     command_error_number(run, bad_argument));
        return false;
    };
    if (looks_numeric(typed.front())) return parse_real_field(typed, out.value) || refuse();
    if (typed.find(':') != std::string::npos || typed.size() > 8) return refuse();
    const int ref = VFIND(run, upper_ascii(typed));
    VarInfo info;
    if (ref == 0 || !VINFO(run, ref, info) || info.length < 1) return refuse();
    out.variable_ref = ref;
    if (info.scalar != 0 || info.length == 1) {
        out.value = element(run, info, 1);
        return true;
    }
    if (info.type != TYPE_DATA || info.ncol != 1) return refuse();
    out.series_ref = ref;
    return true;
}

bool gather_argument_rows(Run& run, std::vector<OptionArgument*> arguments, int beg, int end,
                          std::vector<int>& obs, int& last) {
    std::vector<OptionArgument*> series;
    std::vector<OlsTerm> terms;
    for (OptionArgument* a : arguments)
        if (a->series_ref) {
            series.push_back(a);
            OlsTerm t;
            t.ref = a->series_ref;
            t.name = first_8_padded(reference_name(run, a->series_ref));
            terms.push_back(t);
        }
    ListRows rows;
    const std::vector<OlsTerm> others(terms.begin() + 1, terms.end());
    if (!gather_list_rows(run, terms.front().ref, 0, others, beg, end, rows)) return false;
    series.front()->at_rows = rows.y;
    for (std::size_t i = 1; i < series.size(); ++i) series[i]->at_rows = rows.x[i - 1];
    obs = rows.obs;
    last = rows.end;
    return true;
}

} // namespace tarvex
