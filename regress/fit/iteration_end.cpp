// The line that says how an iterative estimation ended.
#include "regress/fit/iteration_end.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

constexpr std::size_t PARAMETERS_PER_LINE = 4;

} // namespace

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

void write_iteration(Run& run, int iteration, const std::string& objective, Real value,
                     const std::vector<std::string>& names, const std::vector<Real>& parameters) {
    write_line(run,
               " ITERATION" + fmt_I(iteration, 5) + "  " + objective + " =" + fmt_G(value, 40, 33));
    std::string line;
    for (std::size_t j = 0; j < parameters.size(); ++j) {
        line += " " + first_8_padded(j < names.size() ? names[j] : std::string()) +
                fmt_G(parameters[j], 21, 13);
        if ((j + 1) % PARAMETERS_PER_LINE == 0 || j + 1 == parameters.size()) {
            write_line(run, line);
            line.clear();
        }
    }
}

} // namespace tarvex
