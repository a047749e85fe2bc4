// Writing ROBUST's estimate.
#include "regress/robust/robust_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/message_number.hpp"
#include "regress/robust/robust_errors.hpp"

namespace tarvex {

namespace {

std::string covariance_text(QuantileCovariance v) {
    switch (v) {
    case QuantileCovariance::KERNEL:
        return "KERNEL SANDWICH";
    case QuantileCovariance::BOOT:
        return "BOOTSTRAP OF (Y,X) PAIRS";
    case QuantileCovariance::IID:
        break;
    }
    return "INDEPENDENT ERRORS";
}

// The observations the fit passes through, ten to a line.
void write_basis(Run& run, const EstimationEquation& eq, const std::vector<std::size_t>& basis) {
    write_line(run, " THE FIT PASSES THROUGH OBSERVATIONS:");
    std::string line;
    for (std::size_t j = 0; j < basis.size(); ++j) {
        const std::size_t i = basis[j];
        line += fmt_I_fitted(i < eq.obs.size() ? eq.obs[i] : int(i) + 1, 7);
        if (j % 10 == 9 || j + 1 == basis.size()) {
            write_line(run, line);
            line.clear();
        }
    }
}

} // namespace

EstimationFailure robust_failure(const RobustEstimate& e, const RobustControl& c) {
    switch (e.end) {
    case RobustEnd::DONE:
        break;
    case RobustEnd::DEGENERATE:
        return {" ...ERROR..THE REGRESSORS ARE LINEARLY DEPENDENT: THE DESIGN IS DEGENERATE",
                ERR_ROBUST_DEGENERATE};
    case RobustEnd::PIVOT_LIMIT:
        return {" ...ERROR..THE SIMPLEX DID NOT REACH AN OPTIMAL BASIS AFTER" +
                    fmt_I_fitted(e.pivots, 7) + " STEPS",
                ERR_ROBUST_PIVOTS};
    case RobustEnd::ITERATION_LIMIT:
        return {" ...ERROR..NO CONVERGENCE AFTER" + fmt_I_fitted(e.iterations, 5) +
                    " ITERATIONS: RAISE MAXIT OR CONVERGE",
                ERR_ROBUST_NO_CONVERGENCE};
    case RobustEnd::ZERO_SCALE:
        return {" ...ERROR..THE SCALE OF THE RESIDUALS IS ZERO: HALF OR MORE FIT EXACTLY",
                ERR_ROBUST_ZERO_SCALE};
    case RobustEnd::NO_SPREAD:
        return {
            c.method == RobustMethod::QUANTILE
                ? (c.covariance == QuantileCovariance::BOOT
                       ? std::string(" ...ERROR..FEWER THAN 2 BOOTSTRAP SAMPLES COULD BE FITTED")
                       : std::string(" ...ERROR..TOO FEW RESIDUALS AWAY FROM THE FIT TO "
                                     "ESTIMATE THE DENSITY"))
                : std::string(" ...ERROR..NO RESIDUAL WITHIN THE TUNING CONSTANT: NO "
                              "COVARIANCE"),
            ERR_ROBUST_NO_SPREAD};
    }
    return {};
}

void report_robust_heading(Run& run, const EstimationEquation& eq, const RobustControl& c,
                           std::size_t n) {
    if (!run.flags.OPUT) return;
    switch (c.method) {
    case RobustMethod::QUANTILE:
        write_line(run, " QUANTILE REGRESSION AT TAU =" + fmt_G(c.tau, 13, 6) +
                            (c.tau == 0.5Q ? " (LEAST ABSOLUTE DEVIATIONS)" : ""));
        break;
    case RobustMethod::HUBER:
    case RobustMethod::BISQUARE:
        write_line(run, std::string(" M-ESTIMATION WITH ") +
                            (c.method == RobustMethod::HUBER ? "HUBER" : "BISQUARE") +
                            " WEIGHTS, TUNING CONSTANT =" + fmt_G(c.tuning, 13, 5));
        break;
    }
    write_line(run, fmt_I_fitted(int(n), 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
}

void report_robust(Run& run, const EstimationEquation& eq, const RobustEstimate& e,
                   const RobustControl& c, const RobustOptions& o) {
    if (!run.flags.OPUT) return;
    const EstimationResults& r = e.result.record;
    if (c.method == RobustMethod::QUANTILE) {
        write_line(run, " OPTIMAL BASIS AFTER" + fmt_I_fitted(e.pivots, 7) + " SIMPLEX STEPS");
        write_basis(run, eq, e.basis);
        write_line(run, " SUM OF CHECK LOSSES =" + fmt_G(e.objective, 13, 6));
        write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(r.sse, 13, 5));
        write_line(run, " STANDARD ERRORS: " + covariance_text(c.covariance));
        if (c.covariance == QuantileCovariance::IID) {
            write_line(run, " SPARSITY =" + fmt_G(e.sparsity, 13, 6) + fmt_X(5) +
                                "BANDWIDTH =" + fmt_G(e.bandwidth, 13, 6));
        } else if (c.covariance == QuantileCovariance::KERNEL) {
            write_line(run, " BANDWIDTH =" + fmt_G(e.bandwidth, 13, 6));
        } else {
            write_line(run, fmt_I_fitted(e.replications, 7) +
                                " SAMPLES, SEED =" + fmt_I_fitted(c.seed, 12));
        }
    } else {
        write_line(run,
                   " CONVERGENCE REACHED AFTER" + fmt_I_fitted(e.iterations, 5) + " ITERATIONS");
        write_line(run, " SCALE (MEDIAN ABSOLUTE RESIDUAL / 0.6745) =" + fmt_G(e.scale, 13, 6));
        write_line(run, " SUM OF SQUARED ERRORS-SSE=" + fmt_G(r.sse, 13, 5));
    }
    write_line(run, " ");
    CoefficientTable table = coefficient_table(e.result);
    table.wide = o.WIDE;
    table.asymptotic = r.asymptotic;
    write_coefficient_table(run, table);
    write_coefficient_matrices(run, table.names, r.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
