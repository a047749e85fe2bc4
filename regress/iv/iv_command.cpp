// 2SLS depvar regressors ; instruments / options. The names before ";" are the equation (with
// CONSTANT unless NOCONSTANT); the names after it are the instruments, the equation's exogenous
// regressors among them (a regressor not listed there is endogenous); CONSTANT is an
// instrument too. Reads and checks the options and the lists, gathers the rows, and hands them
// to the estimator and then the report.
#include "regress/iv/iv_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/iv/gmm_command.hpp"
#include "regress/iv/iv_bound.hpp"
#include "regress/iv/iv_errors.hpp"
#include "regress/iv/iv_estimate.hpp"
#include "regress/iv/iv_failure.hpp"
#include "regress/iv/iv_options.hpp"
#include "regress/iv/iv_report.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

bool same_term(const OlsTerm& a, const OlsTerm& b) {
    return a.kind == b.kind && (a.kind != TermKind::VARIABLE || (a.ref == b.ref && a.lag == b.lag));
}

bool check_options(Run& run, const IvOptions& o) {
    if (o.AUTCOV < 0) return bad_option_value(run, "AUTCOV", ERR_IV_OPTION);
    return check_name_options(run, iv_option_table(), ERR_IV_OPTION);
}

// Reads the two lists; false (reported) when one is missing or the dependent variable is on
// the right.
bool read_equation(Run& run, const IvOptions& o, IvEquation& eq) {
    const ScanBlock& scan = run.scan;
    const int split = scan.list_break;
    if (split < 1 || split >= scan.NF || (split < 2 && !o.CONSTANT)) {
        report_error(run,
                     " ...ERROR.." + trim_trailing_blanks(eq.command) +
                         " NEEDS depvar regressors ; instruments",
                     ERR_IV_NO_LIST);
        return false;
    }
    const OlsTerm dep = read_dependent(run, eq);
    if (!append_list_terms(run, dep, 2, split, ERR_IV_BOTH_SIDES, eq.terms) ||
        !append_list_terms(run, dep, split + 1, scan.NF, ERR_IV_BOTH_SIDES, eq.instruments))
        return false;
    if (o.CONSTANT) {
        eq.terms.push_back(intercept_term(run));
        eq.instruments.push_back(intercept_term(run));
    }
    return true;
}

// The distinct terms of both lists, and each list's positions among them.
struct Columns {
    std::vector<OlsTerm> terms;
    std::vector<int> regressors, instruments;
};

Columns distinct_columns(const IvEquation& eq) {
    Columns c;
    auto place = [&c](const OlsTerm& t) {
        for (std::size_t j = 0; j < c.terms.size(); ++j)
            if (same_term(c.terms[j], t)) return static_cast<int>(j);
        c.terms.push_back(t);
        return static_cast<int>(c.terms.size()) - 1;
    };
    for (const OlsTerm& t : eq.terms) c.regressors.push_back(place(t));
    for (const OlsTerm& t : eq.instruments) c.instruments.push_back(place(t));
    return c;
}

int endogenous_count(const Columns& c) {
    int count = 0;
    for (int r : c.regressors)
        if (std::find(c.instruments.begin(), c.instruments.end(), r) == c.instruments.end())
            ++count;
    return count;
}

} // namespace

void cmd_2sls(Run& run) {
    IvEquation eq;
    eq.command = run.cmd.IKOD == C_INSTRUME ? "INSTRUME" : "2SLS";
    if (run.sw[OTRACE]) write_line(run, " " + eq.command);
    set_iv_defaults(run);
    if (!OPTION(run, iv_option_table())) return;
    const IvOptions o = read_iv_options(run);
    if (!check_options(run, o)) return;
    GmmControl gmm;
    if (!check_gmm_options(run, o, gmm)) return;
    if (iv_lists_bound_series(run)) {
        iv_over_bound_series(run, o, eq.command);
        return;
    }
    if (!read_equation(run, o, eq)) return;
    const Columns c = distinct_columns(eq);
    // The counts are known before the data are read.
    const int endogenous = endogenous_count(c);
    const int excluded = static_cast<int>(eq.instruments.size() - eq.terms.size()) + endogenous;
    if (endogenous > excluded) {
        IvEstimate e;
        e.endogenous.assign(static_cast<std::size_t>(endogenous), 0);
        e.excluded = excluded;
        e.end = IvEnd::UNDERIDENTIFIED;
        report_estimation_failure(run, iv_failure(eq, e));
        return;
    }
    ListRows rows;
    if (!list_rows_in_range(run, eq.dep_ref, eq.dep_lag, c.terms, o.BEG, o.END, rows)) return;
    eq.obs = rows.obs;
    eq.beg = rows.beg;
    eq.end = rows.end;
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    // The columns are read where they lie when they can be, else gathered: the cross products
    // are exact either way, so the estimates are the same to the bit.
    IvData data;
    data.n = rows.obs.size();
    data.regressors = c.regressors;
    data.instruments = c.instruments;
    const PlacedRows placed = place_list_rows(run, eq.dep_ref, eq.dep_lag, c.terms, rows);
    data.y = placed.y;
    data.columns = placed.x;
    if (!placed.positions.empty()) {
        data.rows = placed.positions.data();
        data.span = placed.span;
    }
    if (o.METHOD == "GMM") {
        estimate_and_report_gmm(run, eq, data, gmm, o);
        return;
    }
    IvControl control;
    control.robust = o.HETCOV;
    control.lags = o.AUTCOV;
    if (!covariance_from_options(run, o.HC1, o.HC2, o.HC3, o.CLHC0, o.CLUSTER,
                                 control.covariance) ||
        !refuse_covariance_with(run, control.covariance,
                                o.AUTCOV > 0                                 ? "AUTCOV"
                                : control.covariance.clustered() && o.HETCOV ? "HETCOV"
                                                                             : ""))
        return;
    if (!read_clusters_or_report(run, control.covariance, rows.obs, control.clusters)) return;
    IvEstimate e = estimate_iv(data, control);
    conclude_iv(run, eq, e, o);
}

void conclude_iv(Run& run, const IvEquation& eq, IvEstimate& e, const IvOptions& o) {
    if (e.end != IvEnd::OK) {
        report_estimation_failure(run, iv_failure(eq, e));
        return;
    }
    EstimationResults& r = e.result.record;
    name_equation(run, "2SLS", eq, {}, r);
    // Each first-stage F row carries its endogenous regressor's name.
    for (std::size_t j = 0; j < e.first_stage.size(); ++j)
        r.statistics[j].name += " " + trim_trailing_blanks(eq.terms[e.endogenous[j]].name);
    report_iv(run, eq, e, o);
    store_model_result(run, std::move(e.result), o.out);
}

} // namespace tarvex
