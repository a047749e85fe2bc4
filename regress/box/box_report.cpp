// Writing the estimates of BOX.
#include "regress/box/box_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/box/box_errors.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/iteration_end.hpp"

namespace tarvex {

std::vector<std::string> box_parameter_names(const EstimationEquation& eq, const BoxOptions& o) {
    std::vector<std::string> names;
    for (const OlsTerm& t : eq.terms) names.push_back(t.name);
    names.push_back(first_8_padded("LAMBDA"));
    if (o.XLAMBDA) names.push_back(first_8_padded("LAMBDAX"));
    names.push_back(first_8_padded("SIGMA2"));
    return names;
}

void report_box(Run& run, const EstimationEquation& eq, const BoxEstimate& e, const BoxOptions& o) {
    const bool put = run.flags.OPUT;
    const std::vector<std::string> names = box_parameter_names(eq, o);
    if (put) {
        write_line(run, " BOX-COX REGRESSION BY MAXIMUM LIKELIHOOD");
        write_line(run, fmt_I_fitted(e.result.record.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                            "DEPENDENT VARIABLE= " + eq.dep_name);
        write_line(run, std::string(" TRANSFORMED: THE DEPENDENT VARIABLE") +
                            (o.ALLBOX    ? " AND THE REGRESSORS (ONE LAMBDA)"
                             : o.XLAMBDA ? "; THE REGRESSORS WITH LAMBDAX"
                                         : ""));
    }
    report_iteration_end(run, iteration_end_of(e.end), e.iterations, "LOG-LIKELIHOOD",
                         ERR_BOX_NO_CONVERGENCE, ERR_BOX_STUCK);
    if (put) {
        write_line(run, " ");
        write_line(run, " LOG OF THE LIKELIHOOD FUNCTION =" + fmt_G(e.result.record.llf, 13, 6));
        write_line(run, " LOG-LIKELIHOOD AT LAMBDA = 1 (LINEAR) =" + fmt_G(e.llf_linear, 13, 6));
        write_line(run, " LOG-LIKELIHOOD AT LAMBDA = 0 (LOG)    =" + fmt_G(e.llf_log, 13, 6));
        write_line(run, " ");
        CoefficientTable t = coefficient_table(e.result);
        t.label = "BOX-COX";
        t.names = names;
        t.wide = o.WIDE;
        write_coefficient_table(run, t);
        write_coefficient_matrices(run, names, e.result.record.cov, o.PCOV, o.PCOR, o.WIDE);
    }
}

} // namespace tarvex
