// POOL depvar indeps / options. The cross-sections come from NCROSS= (equal lengths stacked in
// the estimation range) or IDVAR= (a cross-section per value of the identifier variable), the
// periods of PERIOD from the layout, the places within IDVAR='s cross-sections or TIMEVAR=; FIXED,
// RANDOM and PERIOD choose the estimator, pooled least squares without either. Reads and checks the
// options, the list and the panel, gathers the rows, and hands them to the estimator and then
// the report.
#include "regress/pool/pool_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/pool/pool_errors.hpp"
#include "regress/pool/pool_estimate.hpp"
#include "regress/pool/pool_options.hpp"
#include "regress/pool/pool_panel.hpp"
#include "regress/pool/pool_report.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

bool check_options(Run& run, const PoolOptions& o) {
    if (o.FIXED && o.RANDOM) {
        report_error(run, " ...ERROR..FIXED AND RANDOM CANNOT BE USED TOGETHER", ERR_POOL_OPTION);
        return false;
    }
    if (o.PERIOD && o.RANDOM) {
        report_error(run, " ...ERROR..PERIOD AND RANDOM CANNOT BE USED TOGETHER", ERR_POOL_OPTION);
        return false;
    }
    if (o.NCROSS < 0) return bad_option_value(run, "NCROSS", ERR_POOL_OPTION);
    if (o.NCROSS == 0 && name_blank(o.IDVAR)) {
        report_error(run, " ...ERROR..POOL NEEDS NCROSS= OR IDVAR= TO KNOW THE CROSS-SECTIONS",
                     ERR_POOL_NO_PANEL);
        return false;
    }
    return check_name_options(run, pool_option_table(), ERR_POOL_OPTION);
}

bool read_equation(Run& run, const PoolOptions& o, EstimationEquation& eq) {
    // A regressor is needed even with the intercept: the within estimator has none.
    if (run.scan.NF < 2 ||
        !read_estimation_equation(run, "POOL", false, ERR_POOL_NO_LIST, ERR_POOL_BOTH_SIDES, eq)) {
        if (run.scan.NF < 2)
            report_error(run, " ...ERROR..POOL NEEDS depvar indeps", ERR_POOL_NO_LIST);
        return false;
    }
    if (!o.within()) eq.terms.push_back(intercept_term(run));
    return true;
}

// The identifier (or period) variable as one more term, so that the range check covers it.
bool identifier_term(Run& run, const std::string& option, const std::string& value, int error,
                     OlsTerm& id) {
    const std::string name = trim_trailing_blanks(value);
    const int ref = VFIND(run, name);
    VarInfo info;
    if (ref <= 0 || !VINFO(run, ref, info) || info.type != TYPE_DATA) {
        report_error(run,
                     " ...ERROR.." + option + "= VARIABLE " + first_8_padded(name) + " NOT FOUND",
                     error);
        return false;
    }
    id.ref = ref;
    id.name = first_8_padded(name);
    return true;
}

// The gathered columns of the identifier and period variables (after the equation's terms);
// -1 when not given.
struct PanelColumns {
    int ids = -1, times = -1;
    const std::vector<Real>* of(const ListRows& rows, int column) const {
        return column < 0 ? nullptr : &rows.x[std::size_t(column)];
    }
};

bool make_cross_sections(Run& run, const PoolOptions& o, const ListRows& rows,
                         const std::vector<Real>* ids, PanelGroups& groups) {
    if (ids != nullptr) {
        groups_by_id(*ids, groups);
        if (o.NCROSS > 0 && groups.count != o.NCROSS) {
            report_error(run,
                         " ...ERROR..IDVAR= GIVES" + fmt_I(groups.count, 8) +
                             " CROSS-SECTIONS, NCROSS=" + fmt_I(o.NCROSS, 8),
                         ERR_POOL_IDVAR_COUNT);
            return false;
        }
        return true;
    }
    // The layout covers the range asked for: observations a lag keeps out at its start are
    // missing from the first cross-section, not a shift of every boundary.
    const int first = std::min(std::max(o.BEG, 1), rows.beg);
    if (!groups_by_layout(rows.obs, first, rows.end, o.NCROSS, groups)) {
        report_error(run,
                     " ...ERROR..NCROSS=" + fmt_I(o.NCROSS, 8) + " DOES NOT DIVIDE THE" +
                         fmt_I((long long)rows.end - first + 1, 10) + " OBSERVATIONS OF" +
                         fmt_I(first, 10) + " TO" + fmt_I(rows.end, 10),
                     ERR_POOL_NCROSS);
        return false;
    }
    return true;
}

// The cross-sections, then the periods of TIMEVAR= when given.
bool make_groups(Run& run, const PoolOptions& o, const ListRows& rows, const PanelColumns& cols,
                 PanelGroups& groups) {
    if (!make_cross_sections(run, o, rows, cols.of(rows, cols.ids), groups)) return false;
    if (cols.times >= 0) periods_by_time(*cols.of(rows, cols.times), groups);
    return true;
}

// The largest lag of the equation, of the dependent variable or a regressor.
int largest_lag(const EstimationEquation& eq) {
    int lag = std::max(eq.dep_lag, 0);
    for (const OlsTerm& t : eq.terms) lag = std::max(lag, t.lag);
    return lag;
}

// Whether the lags of observation t reach before its own cross-section: under NCROSS= before
// the first observation of its block of the layout; under IDVAR= when one of the `lag`
// observations before it carries another identifier.
bool lag_leaves_cross_section(Run& run, const PoolOptions& o, const VarInfo* ids, int first,
                              int end, int t, int lag) {
    if (ids == nullptr) {
        const int periods = (end - first + 1) / o.NCROSS;
        const int block_start = first + (t - first) / periods * periods;
        return t - lag < block_start;
    }
    const Real own = element(run, *ids, t);
    for (int k = 1; k <= lag; ++k)
        if (t - k < 1 || element(run, *ids, t - k) != own) return true;
    return false;
}

// A lag stays within its cross-section: the observations whose lags would reach into the one
// before (the first `lag` of each) leave the rows in use, with a note of how many.
bool keep_lags_within_cross_sections(Run& run, const PoolOptions& o, EstimationEquation& eq,
                                     ListRows& rows, const PanelColumns& cols,
                                     PanelGroups& groups) {
    const int lag = largest_lag(eq);
    if (lag == 0) return true;
    VarInfo id_info;
    const bool by_id = !name_blank(o.IDVAR);
    if (by_id && !VINFO(run, VFIND(run, trim_trailing_blanks(o.IDVAR)), id_info)) return false;
    const int first = std::min(std::max(o.BEG, 1), rows.beg);
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < rows.obs.size(); ++i)
        if (!lag_leaves_cross_section(run, o, by_id ? &id_info : nullptr, first, rows.end,
                                      rows.obs[i], lag))
            kept.push_back(i);
    const std::size_t dropped = rows.obs.size() - kept.size();
    if (dropped == 0) return true;
    const auto keep = [&kept](auto& values) {
        for (std::size_t j = 0; j < kept.size(); ++j) values[j] = values[kept[j]];
        values.resize(kept.size());
    };
    keep(rows.obs);
    keep(rows.y);
    for (std::vector<Real>& column : rows.x) keep(column);
    eq.obs = rows.obs;
    if (run.flags.OPUT)
        write_line(run,
                   " ...NOTE..LAGS STAY WITHIN EACH CROSS-SECTION:" + fmt_I((long long)dropped, 8) +
                       " OBSERVATIONS WHOSE LAGS WOULD REACH THE ONE BEFORE ARE LEFT OUT");
    return make_groups(run, o, rows, cols, groups);
}

// The periods of PERIOD: TIMEVAR= may not give a cross-section one period twice; without it the
// places within IDVAR='s cross-sections are periods only when every cross-section has every one.
bool check_periods(Run& run, const PoolOptions& o, const PanelGroups& groups) {
    if (!o.PERIOD) return true;
    if (!name_blank(o.TIMEVAR)) {
        const int twice = groups.first_repeated_period();
        if (twice < 0) return true;
        report_error(run,
                     " ...ERROR..CROSS-SECTION" + fmt_I(twice + 1, 8) +
                         " HAS TWO OBSERVATIONS IN ONE PERIOD OF TIMEVAR= " +
                         first_8_padded(trim_trailing_blanks(o.TIMEVAR)),
                     ERR_POOL_TIMEVAR);
        return false;
    }
    if (name_blank(o.IDVAR) || groups.complete_grid()) return true;
    report_error(run,
                 " ...ERROR..PERIOD WITH IDVAR= ON AN UNBALANCED PANEL NEEDS TIMEVAR= TO KNOW THE "
                 "PERIODS",
                 ERR_POOL_UNBALANCED);
    return false;
}

} // namespace

void cmd_pool(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " POOL");
    set_estimator_defaults(run, pool_option_table());
    if (!OPTION(run, pool_option_table())) return;
    const PoolOptions o = read_pool_options(run);
    if (!check_options(run, o)) return;
    EstimationEquation eq;
    if (!read_equation(run, o, eq)) return;

    std::vector<OlsTerm> gathered(eq.terms);
    PanelColumns cols;
    if (!name_blank(o.IDVAR)) {
        OlsTerm id;
        if (!identifier_term(run, "IDVAR", o.IDVAR, ERR_POOL_IDVAR, id)) return;
        cols.ids = int(gathered.size());
        gathered.push_back(id);
    }
    if (o.PERIOD && !name_blank(o.TIMEVAR)) { // the periods matter to PERIOD alone
        OlsTerm time;
        if (!identifier_term(run, "TIMEVAR", o.TIMEVAR, ERR_POOL_TIMEVAR, time)) return;
        cols.times = int(gathered.size());
        gathered.push_back(time);
    }
    ListRows rows;
    if (!gather_equation_rows(run, eq, gathered, o.BEG, o.END, rows)) return;
    PanelGroups groups;
    if (!make_groups(run, o, rows, cols, groups)) return;
    if (!keep_lags_within_cross_sections(run, o, eq, rows, cols, groups)) return;
    // The clustered covariance sums one score per cross-section: with a single one the score
    // is the sum of X'e, zero at the estimates, and the covariance would vanish.
    if (o.CLUSTER && groups.count < 2) {
        report_error(run,
                     " ...ERROR..CLUSTER NEEDS AT LEAST 2 CROSS-SECTIONS; THE DATA IN USE HAVE" +
                         fmt_I(groups.count, 8),
                     ERR_POOL_ONE_CLUSTER);
        return;
    }
    if (o.FIXED || o.RANDOM) {
        const int single = groups.first_shorter_than(2);
        if (single >= 0) {
            report_error(run,
                         " ...ERROR..CROSS-SECTION" + fmt_I(single + 1, 8) +
                             " HAS ONLY ONE OBSERVATION: NO EFFECT CAN BE SEPARATED",
                         ERR_POOL_SINGLE_ROW);
            return;
        }
    }
    if (!check_periods(run, o, groups)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    PoolData data;
    data.y = std::move(rows.y);
    const int slopes = int(eq.terms.size()) - (o.within() ? 0 : 1);
    data.x.assign(std::make_move_iterator(rows.x.begin()),
                  std::make_move_iterator(rows.x.begin() + slopes));
    data.group = groups.group;
    data.rows = groups.rows;
    data.period = groups.period;
    data.periods = groups.periods;
    data.obs = rows.obs;
    PoolControl control;
    control.model = o.FIXED && o.PERIOD ? PoolModel::TWO_WAY
                    : o.PERIOD          ? PoolModel::PERIOD
                    : o.FIXED           ? PoolModel::FIXED
                    : o.RANDOM          ? PoolModel::RANDOM
                                        : PoolModel::POOLED;
    control.covariance = !o.CLUSTER ? PoolCovariance::CLASSICAL
                         : o.HC1    ? PoolCovariance::CLUSTER_HC1
                                    : PoolCovariance::CLUSTER_HC0;
    PoolEstimate e = estimate_pool(data, control);
    if (e.end == PoolEnd::TOO_FEW) {
        report_estimation_failure(
            run, {" ...ERROR.." + fmt_I(e.n, 8) + " OBSERVATIONS IN" + fmt_I(e.groups, 8) +
                      " CROSS-SECTIONS ARE NOT ENOUGH FOR" + fmt_I(e.k, 4) + " COEFFICIENTS",
                  ERR_POOL_TOO_FEW});
        return;
    }
    if (e.end == PoolEnd::FEW_CROSS_SECTIONS) {
        report_estimation_failure(run,
                                  {" ...ERROR.." + fmt_I(e.groups, 8) +
                                       " CROSS-SECTIONS ARE NOT ENOUGH FOR THE BETWEEN FIT OF" +
                                       fmt_I(e.k, 4) + " COEFFICIENTS",
                                   ERR_POOL_TOO_FEW});
        return;
    }
    if (e.end == PoolEnd::OUT_OF_RANGE) {
        const int slopes = int(eq.terms.size()) - (o.within() ? 0 : 1);
        const std::string which = e.bad_column < slopes
                                      ? trim_trailing_blanks(eq.terms[e.bad_column].name)
                                      : trim_trailing_blanks(eq.dep_name);
        report_estimation_failure(run, {values_out_of_range(which, e.too_large), ERR_POOL_RANGE});
        return;
    }
    if (e.end == PoolEnd::DEPENDENT) {
        const std::string which = e.bad_column >= 0 && e.bad_column < int(eq.terms.size())
                                      ? trim_trailing_blanks(eq.terms[e.bad_column].name)
                                      : std::string("A REGRESSOR");
        report_estimation_failure(
            run,
            {" ...ERROR.." + which + " IS NOT IDENTIFIED (A COMBINATION OF THE OTHER REGRESSORS" +
                 (o.PERIOD              ? " OR SWEPT OUT WITH THE EFFECTS)"
                  : o.FIXED || o.RANDOM ? " OR CONSTANT WITHIN CROSS-SECTIONS)"
                                        : ")"),
             ERR_POOL_SINGULAR});
        return;
    }
    EstimationResults& r = e.result.record;
    name_equation(run, "POOL", eq, {}, r);
    report_pool(run, eq, groups, e, o);
    const std::vector<Real> effects = e.effects;
    const std::vector<Real> components = variance_components(e);
    if (!store_model_result(run, std::move(e.result), o.out)) return;
    if (o.within() && !store_vector(run, o.EFFECTS, effects)) return;
    if (o.RANDOM) store_column_matrix(run, o.VARCOMP, 3, 3, components);
}

} // namespace tarvex
