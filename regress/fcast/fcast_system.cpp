// The forecasts of every equation of a system, over FCAST's range.
#include "regress/fcast/fcast_system.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fcast/fcast_model.hpp"
#include "regress/fcast/fcast_options.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace tarvex {

namespace {

// Writes values[(t - beg) * k + e] for t = beg..end into `name` (created or enlarged to reach
// `end`); elements outside the range are left as they were.
void store_system_column(Run& run, const std::string& name, int beg, int end, int k, int e,
                         const std::vector<Real>& values, int skipped) {
    if (name_blank(name)) return;
    VarInfo old;
    const int existing = VFIND(run, name);
    const long long keep = existing > 0 && VINFO(run, existing, old) ? old.length : 0;
    int ref = 0;
    NEWVAR(run, name, 1, TYPE_DATA, std::max<long long>(end, keep), 1, ref);
    VarInfo info;
    if (ref <= 0 || run.flags.ODONT || !VINFO(run, ref, info)) return;
    for (int t = beg; t <= end && t <= info.length; ++t)
        element(run, info, t) = values[std::size_t(t - beg + skipped) * k + std::size_t(e)];
}

} // namespace

void forecast_system(Run& run, const FcastOptions& o, const SystemForecastPart& part) {
    const int beg = std::max(o.BEG, 1), end = o.END;
    if (end < beg) {
        report_error(run, " ...ERROR..YOU DO NOT HAVE ENOUGH OBSERVATIONS", ERR_FCAST_TOO_FEW);
        return;
    }
    if (beg <= part.last) {
        report_error(run,
                     " ...ERROR..THE FORECASTS OF THE " + run.last_estimation.command +
                         " MODEL START AFTER ITS LAST OBSERVATION," + fmt_I(part.last, 7) +
                         ": BEG=" + std::to_string(beg) + " IS NOT",
                     ERR_FCAST_BEFORE_STATE);
        return;
    }
    if ((long long)end - part.last >= run.ws.MAXADD) {
        report_error(run,
                     " ...ERROR..FORECAST RANGE" + fmt_I(beg, 11) + " TO" + fmt_I(end, 11) +
                         " EXCEEDS THE WORK AREA",
                     ERR_FCAST_RANGE_TOO_LONG);
        return;
    }
    if (run.sw[OSCAN]) return;
    const int k = part.equations;
    const int horizon = end - part.last;
    // The exogenous variables' values at every step from the estimation's end.
    std::vector<Real> exog;
    const Real xmiss = run.ws.XMISS;
    for (int t = part.last + 1; t <= end; ++t)
        for (std::size_t j = 0; j < part.exog_refs.size(); ++j) {
            const SeriesReader x(run, part.exog_refs[j]);
            const Real v = x.at(run, (long long)t - part.exog_lags[j], xmiss);
            if (v == xmiss) {
                report_error(run,
                             " ...ERROR..EXOGENOUS VARIABLE " +
                                 trim_trailing_blanks(part.exog_names[j]) +
                                 " HAS NO VALUE AT OBS." + fmt_I(t, 7),
                             ERR_FCAST_UNDEFINED);
                return;
            }
            exog.push_back(v);
        }
    std::vector<Real> value, se;
    part.system_forecast(horizon, exog, value, se);
    const int skipped = beg - part.last - 1; // steps before the range
    if (!name_blank(o.RESID) && run.sw[OWARN])
        write_line(run, " ...WARNING..RESID= IS NOT STORED AFTER " + run.last_estimation.command +
                            ": ITS FORECASTS START AFTER THE DATA IT WAS FITTED TO");
    for (int e = 0; e < k; ++e) {
        const std::string tail = std::to_string(e + 1);
        if (!name_blank(o.PREDICT))
            store_system_column(run, suffixed_name(trim_trailing_blanks(o.PREDICT), tail), beg, end,
                                k, e, value, skipped);
        if (!name_blank(o.FCSE))
            store_system_column(run, suffixed_name(trim_trailing_blanks(o.FCSE), tail), beg, end, k,
                                e, se, skipped);
    }
    run.res[R_N] = end - beg + 1;
    if (!run.flags.OPUT || !o.LIST) return;
    write_line(run, " ");
    write_line(run, " FORECASTS OF THE " + run.last_estimation.command + " AFTER OBSERVATION" +
                        fmt_I(part.last, 7) + ", EACH WITH ITS STANDARD ERROR");
    std::string head = "   OBS STEP", labels = fmt_X(11);
    for (const std::string& name : part.names) {
        head += fmt_X(5) + first_8_padded(name) + fmt_X(13);
        labels += "     FORECAST   STD. ERROR";
    }
    write_line(run, head);
    write_line(run, labels);
    for (int t = beg; t <= end; ++t) {
        const std::size_t row = std::size_t(t - beg + skipped);
        std::string line = fmt_I(t, 6) + fmt_I(long(row + 1), 5);
        for (int e = 0; e < k; ++e)
            line += fmt_G(value[row * k + std::size_t(e)], 13, 5) +
                    fmt_G(se[row * k + std::size_t(e)], 13, 5);
        write_line(run, line);
    }
}

} // namespace tarvex
