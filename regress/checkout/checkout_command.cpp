// CHECKOUT: reads the options and the series (the listed ones, or every data series), reads
// their values over the sample, finds what is wrong with them (checkout_findings), measures the
// collinearity of the last estimation's regressors when asked, writes one line a finding and
// sets the counts.
#include "regress/checkout/checkout_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "kernels/collinearity.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/checkout/checkout_errors.hpp"
#include "regress/checkout/checkout_findings.hpp"
#include "regress/checkout/checkout_options.hpp"
#include "regress/checkout/checkout_report.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/output_variables.hpp"
#include "workspace/calendar_dates.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// A series to check: where its values come from.
struct SeriesSource {
    int ref = 0;
    int lag = 0;
    std::string name;
};

// The data series of the workspace, SKIP$ left out, when no list is given.
std::vector<SeriesSource> every_data_series(Run& run) {
    std::vector<SeriesSource> out;
    const Workspace& ws = run.ws;
    for (int slot = 1; slot <= ws.MAXVAR; ++slot) {
        const std::string name = trim_trailing_blanks(ws.VNAME[slot].substr(0, 8));
        if (ws.KADD[slot] <= 0 || name.empty() || name == "SKIP$") continue;
        VarInfo info;
        if (!VINFO(run, slot, info) || info.type != TYPE_DATA) continue;
        out.push_back({slot, 0, first_8_padded(name)});
    }
    return out;
}

// The listed series; a matrix or a string is passed over with a note.
std::vector<SeriesSource> listed_series(Run& run) {
    std::vector<SeriesSource> out;
    for (int k = 1; k <= run.scan.NF; ++k) {
        const OlsTerm t = list_term(run, k);
        VarInfo info;
        if (!VINFO(run, t.ref, info)) {
            run.flags.ODONT = false; // the column message is out; the other series go on
            continue;
        }
        const bool column = t.ref > 2 * run.ws.MAXVAR && info.type <= TYPE_TRIANGLE;
        if (info.type != TYPE_DATA && !column) {
            if (run.flags.OPUT)
                write_line(run, " ...NOTE.." + trim_trailing_blanks(t.name) +
                                    " IS NOT A DATA SERIES: NOT CHECKED");
            continue;
        }
        out.push_back({t.ref, t.lag, t.name});
    }
    return out;
}

std::string date_text(const Run& run, long long t) {
    if (!calendar_set(run.smpl)) return std::string();
    return calendar_text(calendar_date(run.smpl, t), run.smpl.ITIME3);
}

// The regressors of the last estimation at its observations, the constant as an empty column.
// False after the message when there is none or its data cannot be read now.
bool regressor_columns(Run& run, std::vector<std::vector<Real>>& columns, CollinearityShown& c) {
    const EstimationResults& e = run.last_estimation;
    if (e.command.empty() || e.obs.empty() || e.refs.empty()) {
        report_error(run, " ...ERROR..CHECKOUT / COLLIN NEEDS AN ESTIMATION BEFORE IT",
                     ERR_CHECKOUT_NO_ESTIMATION);
        return false;
    }
    const std::size_t k = e.mean_terms > 0 ? std::size_t(e.mean_terms) : e.refs.size();
    const int maxvar = run.ws.MAXVAR;
    for (std::size_t j = 0; j < k; ++j)
        if (!e.equation.empty() || e.refs[j] > maxvar + 2) {
            report_error(run,
                         " ...ERROR..THE LAST ESTIMATION (" + e.command +
                             ") HAS NO LIST OF REGRESSORS TO CHECK",
                         ERR_CHECKOUT_NO_REGRESSORS);
            return false;
        }
    c.command = e.command, c.dependent = e.dep_name, c.n = (long long)e.obs.size();
    for (std::size_t j = 0; j < k; ++j) {
        const std::string name = trim_trailing_blanks(e.names[j]);
        c.names.push_back(e.names[j]);
        c.constant.push_back(e.refs[j] == maxvar + 1);
        std::vector<Real> values;
        if (e.refs[j] == maxvar + 1) {
            columns.push_back(values);
            continue;
        }
        if (e.refs[j] == maxvar + 2) {
            for (int t : e.obs) values.push_back(Real(t));
            columns.push_back(values);
            continue;
        }
        const std::string variable = j < e.variables.size() ? e.variables[j] : std::string();
        const int ref = variable.empty() ? e.refs[j] : VFIND(run, variable);
        const int slot = ref > 0 ? reference_slot(run.ws, ref) : 0;
        if (slot < 1 || slot > run.ws.MAXVAR || run.ws.KADD[slot] <= 0) {
            report_error(
                run, " ...ERROR..REGRESSOR " + name + " OF THE LAST ESTIMATION NO LONGER EXISTS",
                ERR_CHECKOUT_REGRESSOR_GONE);
            return false;
        }
        const SeriesReader reader(run, ref);
        for (int t : e.obs) {
            const Real v = reader.at(run, (long long)t - e.lags[j], run.ws.XMISS);
            if (v == run.ws.XMISS) {
                report_error(run,
                             " ...ERROR..REGRESSOR " + name +
                                 " OF THE LAST ESTIMATION IS MISSING NOW AT OBS." + fmt_I(t, 7),
                             ERR_CHECKOUT_REGRESSOR_DATA);
                return false;
            }
            values.push_back(v);
        }
        columns.push_back(values);
    }
    return true;
}

} // namespace

void cmd_checkout(Run& run) {
    set_checkout_defaults(run);
    if (!OPTION(run, checkout_option_table())) return;
    const CheckoutOptions o = read_checkout_options(run);
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    if (!check_name_options(run, checkout_option_table(), ERR_CHECKOUT_OPTION)) return;
    if (o.lower_given && o.upper_given && o.LOWER > o.UPPER) {
        report_error(run,
                     " ...ERROR..LOWER=" + trim_blanks(fmt_G(o.LOWER, 16, 8)) +
                         " IS ABOVE UPPER=" + trim_blanks(fmt_G(o.UPPER, 16, 8)),
                     ERR_CHECKOUT_BOUNDS);
        return;
    }
    const std::vector<SeriesSource> sources =
        run.scan.NF == 0 ? every_data_series(run) : listed_series(run);
    std::vector<int> inputs;
    for (const SeriesSource& s : sources) inputs.push_back(s.ref);
    if (!check_output_names(run, {{"VIF", o.VIF}, {"COUNTS", o.COUNTS}}, inputs)) return;
    if (sources.empty() && !o.COLLIN) {
        report_error(run, " ...ERROR..NO DATA SERIES TO CHECK", ERR_CHECKOUT_NOTHING);
        return;
    }

    // The series over the sample: from its first observation to its last, or to the end of
    // the longest series when no sample is set.
    std::vector<CheckedSeries> series;
    long long longest = 0;
    for (const SeriesSource& s : sources) {
        VarInfo info;
        VINFO(run, s.ref, info);
        const long long rows = info.length; // a column reference: the column's rows
        CheckedSeries c;
        c.name = s.name;
        c.length = rows + s.lag;
        longest = std::max(longest, c.length);
        series.push_back(c);
    }
    CheckSettings settings;
    settings.beg = run.smpl.IBEG;
    settings.end = run.smpl.IEND > 0 ? run.smpl.IEND : longest;
    settings.missing_code = run.ws.XMISS;
    settings.lower_given = o.lower_given, settings.lower = o.LOWER;
    settings.upper_given = o.upper_given, settings.upper = o.UPPER;
    std::vector<bool> outside;
    const SkipCodes codes = skip_codes(run);
    CheckedRange range;
    range.beg = settings.beg, range.end = settings.end;
    for (long long t = settings.beg; t <= settings.end; ++t) {
        const bool used = obs_in_use(run, int(t));
        settings.in_use.push_back(used);
        range.in_use += used ? 1 : 0;
        const int code = codes && t <= codes.length ? int(codes.codes[t]) : 0;
        outside.push_back(code == SKIP_OUTSIDE_RANGES || code == SKIP_OUTSIDE_RANGES + 1);
    }
    for (std::size_t j = 0; j < series.size(); ++j) {
        const SeriesReader reader(run, sources[j].ref);
        for (long long t = settings.beg; t <= settings.end; ++t)
            series[j].values.push_back(reader.at(run, t - sources[j].lag, run.ws.XMISS));
    }
    const std::vector<Finding> findings = series_findings(series, settings);
    const std::vector<Finding> gaps = gap_findings(settings.beg, outside);

    std::vector<std::vector<Real>> columns;
    CollinearityShown shown;
    shown.vif_max = o.VIFMAX, shown.condition_max = o.CONDMAX;
    CollinearityMeasures measures;
    if (o.COLLIN) {
        if (!regressor_columns(run, columns, shown)) return;
        measures = collinearity_measures(columns, std::size_t(shown.n));
        shown.vif = measures.vif, shown.condition = measures.condition;
        shown.singular = measures.singular;
    }

    std::vector<Real> counts(FINDING_COUNT_KINDS, 0);
    std::vector<bool> series_flagged(series.size(), false);
    for (const Finding& f : findings) {
        counts[std::size_t(finding_count_slot(f.kind))] += 1;
        series_flagged[std::size_t(f.series)] = true;
    }
    counts[std::size_t(finding_count_slot(FindingKind::GAP))] = Real(gaps.size());
    if (o.COLLIN) {
        Real collinear = measures.singular || measures.condition > o.CONDMAX ? 1 : 0;
        for (std::size_t j = 0; j < measures.vif.size() && !measures.singular; ++j)
            if (!shown.constant[j] && measures.vif[j] > o.VIFMAX) collinear += 1;
        counts[std::size_t(finding_count_slot(FindingKind::CONDITION))] = collinear;
    }
    Real total = 0;
    for (Real n : counts) total += n;
    const long long flagged = std::count(series_flagged.begin(), series_flagged.end(), true);

    if (run.flags.OPUT) {
        if (!series.empty() || !gaps.empty()) {
            range.beg_date = date_text(run, range.beg), range.end_date = date_text(run, range.end);
            report_checkout_heading(run, int(series.size()), range);
            report_series_findings(run, series, findings);
            for (const Finding& g : gaps)
                report_gap(run, g, date_text(run, g.first), date_text(run, g.last));
        }
        if (o.COLLIN) report_collinearity(run, shown);
        report_checkout_total(run, (long long)total, flagged, int(series.size()));
    }
    run.res[R_N] = Real(series.size());
    run.res[R_VAL] = total;
    run.res[R_VAL1] = Real(flagged);
    if (o.COLLIN) run.res[R_VAL2] = measures.condition;
    if (!store_vector(run, o.COUNTS, counts)) return;
    if (o.COLLIN && !name_blank(o.VIF)) {
        std::vector<Real> vif = measures.vif;
        for (std::size_t j = 0; j < vif.size(); ++j)
            if (shown.constant[j]) vif[j] = run.ws.XMISS;
        store_vector(run, o.VIF, vif);
    }
}

} // namespace tarvex
