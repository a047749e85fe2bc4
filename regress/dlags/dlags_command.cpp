// DLAGS: reads the list and the lag shape, builds the lag-polynomial equation and hands it to
// the OLS estimation path with DLAG's lag-sum table switched on.
#include "regress/dlags/dlags_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/dlags/dlags_errors.hpp"
#include "regress/dlags/dlags_options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/ols/lag_polynomial.hpp"
#include "regress/ols/ols_command.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int DLAGS_LAG_CODE = 10000; // scanned lag codes from here up carry a polynomial order

// The shape's own checks, each with its message; false after the error line.
bool dlags_shape_ok(Run& run, const DlagsShape& s) {
    if (s.lags < 1) {
        report_error(run, " ...ERROR..LAGS= MUST BE AT LEAST 1 FOR DLAGS", ERR_DLAGS_LAGS);
        return false;
    }
    if (s.order < 1) {
        report_error(run, " ...ERROR..ORDER= MUST BE AT LEAST 1 FOR DLAGS", ERR_DLAGS_ORDER);
        return false;
    }
    if (s.end_switches > 1) {
        report_error(run, " ...ERROR..GIVE ONLY ONE OF NEAR, FAR AND BOTH", ERR_DLAGS_ENDS);
        return false;
    }
    return true;
}

OlsTerm dlags_term(const Run& run, int ref, int lag) {
    OlsTerm t;
    t.ref = plain_reference(ref);
    t.lag = lag;
    t.name = first_8_padded(lagged_name(reference_name(run, t.ref), lag));
    return t;
}

} // namespace

void cmd_dlags(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " DLAGS");
    // OLS's defaults for everything DLAGS does not set itself.
    set_olsq_defaults(run);
    OlsOptions o = read_olsq_options(run);
    set_dlags_defaults(run);
    const ScanBlock& scan = run.scan;
    if (scan.NF == 0) {
        write_line(run, " COMMAND STRUCTURE: DLAGS depvar lagvar indeps / LAGS= ORDER= options");
        OPTION(run, dlags_option_table());
        return;
    }
    if (!OPTION(run, dlags_option_table())) return;
    if (scan.NF < 2) {
        report_error(run, " ...ERROR..DLAGS NEEDS A DEPENDENT VARIABLE AND A LAGGED VARIABLE",
                     ERR_DLAGS_LIST);
        return;
    }
    const DlagsShape shape = read_dlags_shape(run);
    if (!dlags_shape_ok(run, shape)) return;
    apply_dlags_options(run, o);
    apply_olsq_implications(o, true);

    OlsFit fit;
    fit.label = "  OLS ";
    fit.dep_ref = plain_reference(scan.list[1]);
    fit.dep_lag = scan.list[scan.MAXVAR + 1] % DLAGS_LAG_CODE;
    fit.dep_name = first_8_padded(reference_name(run, fit.dep_ref));
    int max_lag = std::max(fit.dep_lag, 0);
    for (int k = 2; k <= scan.NF; ++k) {
        if (scan.list[k] == scan.list[1]) {
            report_error(run,
                         " ...ERROR..VARIABLE " + fit.dep_name + " IS ON BOTH SIDES OF EQUATION",
                         ERR_DLAGS_BOTH_SIDES);
            return;
        }
        const int typed_lag = scan.list[scan.MAXVAR + k] % DLAGS_LAG_CODE;
        if (k > 2) {
            fit.terms.push_back(dlags_term(run, scan.list[k], typed_lag));
            max_lag = std::max(max_lag, typed_lag);
            continue;
        }
        // The lagged variable: lags typed .. typed + LAGS on one polynomial.
        for (int i = 0; i <= shape.lags; ++i) {
            OlsTerm t = dlags_term(run, scan.list[k], typed_lag + i);
            t.poly_order = shape.order;
            t.end_constraint = shape.endcon;
            fit.terms.push_back(t);
        }
        max_lag = std::max(max_lag, typed_lag + shape.lags);
    }
    if (o.CONSTANT) {
        OlsTerm c;
        c.kind = TermKind::INTERCEPT;
        c.ref = run.ws.MAXVAR + 1;
        c.name = first_8_padded("CONSTANT");
        fit.terms.push_back(c);
        fit.has_intercept = true;
    }
    fit.k = int(fit.terms.size());
    if (!check_lag_polynomials(run, fit.terms)) return;
    if (!check_name_options(run, dlags_option_table(), ERR_DLAGS_OPTION)) return;
    estimate_ols_equation(run, fit, o, max_lag);
}

} // namespace tarvex
