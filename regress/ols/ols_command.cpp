// OLS: reads the list and options of OLSQ and IMLS, checks them in their fixed order (both
// sides, intercept, option values, principal components, incompatible options, observations)
// and hands a complete equation to the estimator.
#include "regress/ols/ols_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/lagged_missing.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/ols/lag_polynomial.hpp"
#include "regress/ols/ols_bound_command.hpp"
#include "regress/ols/ols_work_space.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int LAG_ORDER_CODE = 10000; // lag codes from here up carry a polynomial order
constexpr int LAG_ORDER_LIMIT = 1000; // orders run 0..999; the end-constraint code sits above

// The principal-component checks: components are columns of the PCOMPONE matrix, each listed
// alone and after every ordinary regressor.
bool check_components(Run& run, const OlsOptions& o, const std::vector<OlsTerm>& terms) {
    if (name_blank(o.PCINFORM) || name_blank(o.PCOMPONE)) return true;
    const int info = VFIND(run, trim_trailing_blanks(o.PCINFORM));
    const int comp = VFIND(run, trim_trailing_blanks(o.PCOMPONE));
    if (info <= 0 || comp <= 0) {
        report_error(run,
                     " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." +
                         first_8_padded(info <= 0 ? "PCINFORM" : "PCOMPONE"),
                     ERR_OPTION_VALUE);
        return false;
    }
    bool seen = false;
    for (const OlsTerm& t : terms) {
        if (t.kind != TermKind::VARIABLE) continue;
        if (t.ref == comp) {
            report_error(run, " ...ERROR..EACH COMPONENT MUST BE LISTED SEPARATELY",
                         ERR_COMPONENTS_TOGETHER);
            return false;
        }
        int slot = t.ref;
        if (t.ref > 2 * run.ws.MAXVAR) {
            int col = t.ref % run.ws.MXCOL;
            if (col == 0) col = run.ws.MXCOL;
            slot = (t.ref - col) / run.ws.MXCOL;
        }
        if (slot == comp) {
            seen = true;
        } else if (seen) {
            report_error(run,
                         " ...ERROR.." + first_8_padded(t.name) +
                             " MUST BE LISTED BEFORE ANY COMPONENTS",
                         ERR_COMPONENTS_NOT_LAST);
            return false;
        }
    }
    if (!seen) {
        report_error(run, " ...ERROR..NO PRINCIPAL COMPONENTS IN REGRESSION", ERR_NO_COMPONENTS);
        return false;
    }
    return true;
}

// The variables whose lengths and missing values CKSMPL checks.
std::vector<int> checked_refs(const OlsFit& fit, int weight_ref) {
    std::vector<int> refs{fit.dep_ref};
    for (const OlsTerm& t : fit.terms)
        if (t.kind == TermKind::VARIABLE) refs.push_back(t.ref);
    if (weight_ref > 0) refs.push_back(weight_ref);
    return refs;
}

} // namespace

void estimate_ols_equation(Run& run, OlsFit& fit, const OlsOptions& o, int max_lag) {
    // 10. The estimation range and the observations in use.
    const int weight_ref = fit.weight_ref;
    SampleBlock& smpl = run.smpl;
    int beg = o.BEG;
    int end = (o.END == -999 || o.END < 1) ? smpl.IEND : o.END;
    if (beg < 1) beg = 1;
    if (beg <= max_lag) beg = max_lag + 1;
    smpl.check_first = beg;
    smpl.check_last = end >= 1 ? end : 0;
    const std::vector<int> refs = checked_refs(fit, weight_ref);
    CKSMPL(run, refs, weight_ref,
           lagged_only_refs(fit.dep_ref, fit.dep_lag, fit.terms, weight_ref));
    if (run.flags.ODONT) return;
    skip_lagged_missing(run, fit.dep_ref, fit.dep_lag, fit.terms);
    end = smpl.check_last;
    fit.beg = beg;
    fit.end = end;
    int usable = 0;
    const SkipCodes skip = skip_codes(run); // looked up once, not per observation
    for (int t = beg; t <= end; ++t)
        if (!skip || t > skip.length || skip.codes[t] <= 0) ++usable;
    const int parameters = fit.k - (o.DLRX ? 0 : lag_polynomial_restrictions(fit.terms));
    if (usable < parameters) {
        report_error(run,
                     " ...ERROR.." + fmt_I(usable, 5) + " OBSERVATIONS IS NOT ENOUGH FOR " +
                         "ESTIMATION",
                     ERR_TOO_FEW_OBSERVATIONS);
        return;
    }
    if (o.RESTRICT && o.RIDGE != 0) {
        report_error(run, " ...ERROR..RESTRICT AND RIDGE OPTIONS NOT ALLOWED", ERR_RESTRICT_RIDGE);
        return;
    }
    if (!reserve_ols_work_space(run, o, usable, fit.k)) return;
    // 11. Scan-only runs stop here.
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    fit.n = usable;
    OLSEST(run, fit, o);
}

void cmd_olsq(Run& run) {
    const bool imls = run.cmd.IKOD == C_IMLS;
    const std::string label = imls ? " IMLS " : "  OLS ";
    if (run.sw[OTRACE]) write_line(run, imls ? " IMLS" : " OLS");
    set_olsq_defaults(run);
    const ScanBlock& scan = run.scan;
    if (scan.NF == 0) {
        write_line(run, " COMMAND STRUCTURE:" + label + "depvar indeps / options");
        OPTION(run, olsq_option_table());
        return;
    }
    // HC1-HC3 and CLUSTER are not table keywords: taken from the words before the parser.
    CovarianceChoice covariance;
    if (!take_covariance_words(run, covariance)) return;
    if (!OPTION(run, olsq_option_table())) return;
    OlsOptions o = read_olsq_options(run);
    o.covariance = covariance;

    bool distributed_lags = false;
    int max_lag = 0;
    for (int k = 1; k <= scan.NF; ++k) {
        const int code = scan.list[scan.MAXVAR + k];
        if (code >= LAG_ORDER_CODE) distributed_lags = true;
        max_lag = std::max(max_lag, code % LAG_ORDER_CODE);
    }
    apply_olsq_implications(o, distributed_lags);
    if (ols_lists_bound_series(run, o)) {
        ols_over_bound_series(run, o);
        return;
    }

    OlsFit fit;
    fit.label = label;
    fit.dep_ref = plain_reference(scan.list[1]);
    const int dep_lag = scan.list[scan.MAXVAR + 1] % LAG_ORDER_CODE;
    fit.dep_name = first_8_padded(reference_name(run, fit.dep_ref));
    fit.dep_lag = dep_lag;
    if (dep_lag != 0) max_lag = std::max(max_lag, dep_lag);

    // 5. Regressors: none may be the dependent variable itself.
    for (int k = 2; k <= scan.NF; ++k) {
        const int ref = scan.list[k];
        if (ref == scan.list[1]) {
            report_error(run, "..ERROR..VARIABLE " + fit.dep_name + " IS ON BOTH SIDES OF EQUATION",
                         ERR_BOTH_SIDES);
            return;
        }
        OlsTerm t;
        t.ref = plain_reference(ref);
        t.lag = scan.list[scan.MAXVAR + k] % LAG_ORDER_CODE;
        t.poly_order = scan.list[scan.MAXVAR + k] / LAG_ORDER_CODE % LAG_ORDER_LIMIT;
        t.end_constraint = scan.list[scan.MAXVAR + k] / (LAG_ORDER_CODE * LAG_ORDER_LIMIT);
        t.name = first_8_padded(lagged_name(reference_name(run, t.ref), t.lag));
        if (t.ref == fit.dep_ref && t.lag == 1 && fit.lagged_dependent < 0)
            fit.lagged_dependent = int(fit.terms.size());
        fit.terms.push_back(t);
    }
    // 6. The intercept (and the IMLS trend) close the list.
    if (o.CONSTANT && !distributed_lags) {
        OlsTerm c;
        c.kind = TermKind::INTERCEPT;
        c.ref = run.ws.MAXVAR + 1;
        c.name = first_8_padded("CONSTANT");
        fit.terms.push_back(c);
        fit.has_intercept = true;
        if (imls) {
            OlsTerm t;
            t.kind = TermKind::TREND;
            t.ref = run.ws.MAXVAR + 2;
            t.name = first_8_padded("TREND");
            fit.terms.push_back(t);
        }
    }
    if (fit.terms.size() + 1 < 2) {
        report_error(run, " ...ERROR..INSUFFICIENT NUMBER OF VARIABLES SPECIFIED",
                     ERR_TOO_FEW_VARIABLES);
        return;
    }
    fit.k = int(fit.terms.size());
    if (!o.DLRX && !check_lag_polynomials(run, fit.terms)) return;

    // 7. Name options.
    const OptionTable& table = olsq_option_table();
    if (!check_name_options(run, table, ERR_OPTION_VALUE)) return;
    // The cluster variable is read before any output is written: no output may name it.
    if (o.covariance.clustered())
        if (const int cluster_ref = VFIND(run, o.covariance.cluster);
            cluster_ref != 0 && !check_outputs_not_inputs(run, table, {cluster_ref}))
            return;
    const std::string method = trim_trailing_blanks(o.METHOD);
    if (method != "GS" && method != "HH" && method != "NORMAL" && !method.empty()) {
        report_error(run, " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + first_8_padded("METHOD"),
                     ERR_OPTION_VALUE);
        return;
    }
    int weight_ref = 0;
    if (!name_blank(o.WEIGHT)) {
        weight_ref = VFIND(run, trim_trailing_blanks(o.WEIGHT));
        if (weight_ref == 0) {
            report_error(run,
                         " ...ERROR..IN RIGHT HAND SIDE OF OPTION.." + first_8_padded("WEIGHT"),
                         ERR_OPTION_VALUE);
            return;
        }
    }
    fit.weight_ref = weight_ref;
    // 8. Principal components.
    if (!check_components(run, o, fit.terms)) return;

    // 9. Functional forms and methods that cannot go together.
    const bool lagged_list = distributed_lags;
    if ((o.LOGLOG && (o.LOGLIN || o.LINLOG)) || (o.LOGLIN && o.LINLOG) ||
        (o.method() == OlsMethod::HH && (o.RESTRICT || o.HETCOV || lagged_list || o.RIDGE != 0))) {
        report_error(run, " ...ERROR..INCOMPATIBLE OPTIONS ", ERR_INCOMPATIBLE);
        return;
    }
    const std::string beside = o.covariance.clustered() && o.HETCOV ? "HETCOV"
                               : o.AUTCOV > 0                       ? "AUTCOV"
                               : o.RESTRICT                         ? "RESTRICT"
                               : weight_ref != 0                    ? "WEIGHT"
                               : o.method() == OlsMethod::HH        ? "METHOD=HH"
                                                                    : "";
    if (!refuse_covariance_with(run, o.covariance, beside)) return;
    fit.log_dependent = o.LOGLOG || o.LOGLIN || o.LOGINVER;
    fit.log_regressors = o.LOGLOG || o.LINLOG;
    estimate_ols_equation(run, fit, o, max_lag);
}

} // namespace tarvex
