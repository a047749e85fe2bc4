// The line that says how an iterative estimation ended.
#include "regress/fit/iteration_end.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"

namespace tarvex {

void report_iteration_end(Run& run, IterationEnd end, int iterations, const std::string& objective,
                          int limit_number, int stuck_number) {
    switch (end) {
    case IterationEnd::ITERATION_LIMIT:
        report_error(run,
                     " ...WARNING..NO CONVERGENCE IN " + std::to_string(iterations) +
                         " ITERATIONS: THE LAST ITERATE IS REPORTED",
                     limit_number, ErrorSeverity::CONTINUES);
        return;
    case IterationEnd::STUCK:
        report_error(run,
                     " ...WARNING..NO STEP IMPROVES THE " + objective +
                         " FURTHER: THE LAST ITERATE IS REPORTED",
                     stuck_number, ErrorSeverity::CONTINUES);
        return;
    case IterationEnd::CONVERGED:
        if (run.flags.OPUT)
            write_line(run, " CONVERGENCE REACHED AFTER" + fmt_I(iterations, 5) + " ITERATIONS");
        return;
    }
}

} // namespace tarvex
