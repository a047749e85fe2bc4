// ROBUST: reads the list and the options, gathers the rows, and hands them to the estimator and
// its report.
#include "regress/robust/robust_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/message_number.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/robust/robust_errors.hpp"
#include "regress/robust/robust_report.hpp"

namespace tarvex {

namespace {

bool check_robust_options(Run& run, const RobustOptions& o) {
    if (!(o.TAU > 0 && o.TAU < 1)) {
        report_error(run, " ...ERROR..TAU=" + number_text(o.TAU) + " IS NOT BETWEEN 0 AND 1",
                     ERR_ROBUST_TAU);
        return false;
    }
    if (o.REPS < 2) {
        report_error(run,
                     " ...ERROR..REPS=" + std::to_string(o.REPS) +
                         ": THE BOOTSTRAP NEEDS 2 SAMPLES OR MORE",
                     ERR_ROBUST_REPS);
        return false;
    }
    if (o.TUNING < 0) {
        report_error(run, " ...ERROR..TUNING=" + number_text(o.TUNING) + " IS NOT POSITIVE",
                     ERR_ROBUST_TUNING);
        return false;
    }
    if (o.VARIANCE != "IID" && o.VARIANCE != "KERNEL" && o.VARIANCE != "BOOT")
        return bad_option_value(run, "VARIANCE", ERR_ROBUST_OPTION);
    return check_iteration_options(run, o, {"QUANTILE", "HUBER", "BISQUARE"}, ERR_ROBUST_OPTION) &&
           check_name_options(run, robust_option_table(), ERR_ROBUST_OPTION);
}

RobustControl robust_control(const RobustOptions& o) {
    RobustControl c;
    c.method = o.METHOD == "HUBER"      ? RobustMethod::HUBER
               : o.METHOD == "BISQUARE" ? RobustMethod::BISQUARE
                                        : RobustMethod::QUANTILE;
    c.tau = o.TAU;
    c.covariance = o.VARIANCE == "KERNEL" ? QuantileCovariance::KERNEL
                   : o.VARIANCE == "BOOT" ? QuantileCovariance::BOOT
                                          : QuantileCovariance::IID;
    c.replications = o.REPS;
    c.seed = o.SEED;
    c.tuning = o.TUNING > 0                         ? o.TUNING
               : c.method == RobustMethod::BISQUARE ? Real(4.685Q)
                                                    : Real(1.345Q);
    c.max_iterations = o.MAXIT;
    if (o.MAXIT_GIVEN) c.max_pivots = o.MAXIT;
    c.tolerance = o.CONVERGE;
    return c;
}

} // namespace

void cmd_robust(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " ROBUST");
    set_robust_defaults(run);
    if (!OPTION(run, robust_option_table())) return;
    const RobustOptions o = read_robust_options(run);
    if (!check_robust_options(run, o)) return;
    EstimationEquation eq;
    if (!read_estimation_equation(run, "ROBUST", o.CONSTANT, ERR_ROBUST_NO_LIST,
                                  ERR_ROBUST_BOTH_SIDES, eq))
        return;
    ListRows rows;
    if (!gather_equation_rows(run, eq, eq.terms, o.BEG, o.END, rows)) return;
    if (!squares_representable(run, eq.dep_name, eq.terms, rows, ERR_ROBUST_RANGE)) return;
    const int k = static_cast<int>(eq.terms.size());
    const int n = static_cast<int>(rows.obs.size());
    if (n <= k) {
        report_error(run,
                     " ...ERROR.." + fmt_I(n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(k, 4) +
                         " COEFFICIENTS",
                     ERR_ROBUST_TOO_FEW);
        return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    RobustData data;
    for (std::size_t j = 0; j < eq.terms.size(); ++j)
        data.x.push_back(eq.terms[j].kind == TermKind::INTERCEPT ? nullptr : rows.x[j].data());
    data.y = rows.y.data();
    data.n = rows.y.size();
    const RobustControl control = robust_control(o);
    report_robust_heading(run, eq, control, data.n);
    RobustEstimate e = estimate_robust(data, control);
    if (e.end != RobustEnd::DONE) {
        report_estimation_failure(run, robust_failure(e, control));
        return;
    }
    EstimationResults& r = e.result.record;
    name_equation(run, "ROBUST", eq, {}, r);
    r.intercept = !eq.terms.empty() && eq.terms.back().kind == TermKind::INTERCEPT;
    r.not_forecast = "ROBUST";
    report_robust(run, eq, e, control, o);
    store_model_result(run, std::move(e.result), o.out);
}

} // namespace tarvex
