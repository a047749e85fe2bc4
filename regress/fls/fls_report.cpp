// FLS's report.
#include "regress/fls/fls_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "numeric/text.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// Coefficients per line of the printed path.
constexpr std::size_t FLS_PATH_COLUMNS = 4;

void fls_value_line(Run& run, const std::string& label, Real value) {
    write_line(run, " " + label + std::string(label.size() < 46 ? 46 - label.size() : 0, ' ') +
                        "=" + fmt_G(value, 17, 10));
}

void fls_path_summary(Run& run, const EstimationEquation& eq, const FlsPath& path) {
    const std::size_t k = eq.terms.size(), t_count = path.fitted.size();
    write_line(run, " COEFFICIENT PATHS      MEAN         STD DEV         MINIMUM         MAXIMUM"
                    "     LAST (OBS" +
                        fmt_I(eq.obs.back(), 6) + ")");
    for (std::size_t c = 0; c < k; ++c) {
        Real mean = 0, squares = 0, low = path.b[c], high = path.b[c];
        for (std::size_t t = 0; t < t_count; ++t) {
            const Real v = path.b[t * k + c];
            mean += v / Real(t_count);
            low = std::min(low, v), high = std::max(high, v);
        }
        for (std::size_t t = 0; t < t_count; ++t) {
            const Real dv = path.b[t * k + c] - mean;
            squares += dv * dv;
        }
        const Real sd = qm::sqrt(squares / Real(t_count - 1));
        write_line(run, " " + first_8_padded(eq.terms[c].name) + fmt_G(mean, 16, 8) +
                            fmt_G(sd, 16, 8) + fmt_G(low, 16, 8) + fmt_G(high, 16, 8) +
                            fmt_G(path.b[(t_count - 1) * k + c], 16, 8));
    }
}

void fls_path_table(Run& run, const EstimationEquation& eq, const FlsPath& path) {
    const std::size_t k = eq.terms.size(), t_count = path.fitted.size();
    for (std::size_t from = 0; from < k; from += FLS_PATH_COLUMNS) {
        const std::size_t to = std::min(k, from + FLS_PATH_COLUMNS);
        write_line(run, " ");
        std::string head = "     OBS";
        for (std::size_t c = from; c < to; ++c)
            head += std::string(8, ' ') + first_8_padded(eq.terms[c].name);
        write_line(run, head);
        for (std::size_t t = 0; t < t_count; ++t) {
            std::string line = fmt_I(eq.obs[t], 8);
            for (std::size_t c = from; c < to; ++c) line += fmt_G(path.b[t * k + c], 16, 8);
            write_line(run, line);
        }
    }
}

} // namespace

void report_fls(Run& run, const EstimationEquation& eq, const FlsPath& path, const FlsOptions& o,
                const std::vector<FlsFrontierPoint>& frontier) {
    if (!run.flags.OPUT) return;
    write_line(run, " FLEXIBLE LEAST SQUARES: TIME-VARYING COEFFICIENTS");
    write_line(run, fmt_I_fitted((long long)path.fitted.size(), 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    write_line(run, " ");
    fls_value_line(run, "MU, THE WEIGHT OF THE DYNAMIC COST", o.MU);
    fls_value_line(run, "MEASUREMENT COST R(M) = SUM (Y - X'B)**2", path.measurement_cost);
    fls_value_line(run, "DYNAMIC COST R(D) = SUM |B(T+1) - B(T)|**2", path.dynamic_cost);
    fls_value_line(run, "TOTAL COST R(M) + MU R(D)",
                   path.measurement_cost + o.MU * path.dynamic_cost);
    write_line(run, " ");
    fls_path_summary(run, eq, path);
    if (!frontier.empty()) {
        write_line(run, " ");
        write_line(run,
                   " COST FRONTIER                 MU    MEASUREMENT R(M)        DYNAMIC R(D)");
        for (const FlsFrontierPoint& f : frontier)
            write_line(run, std::string(14, ' ') + fmt_G(f.mu, 20, 8) +
                                fmt_G(f.measurement_cost, 20, 10) + fmt_G(f.dynamic_cost, 20, 10));
    }
    if (o.PATH) fls_path_table(run, eq, path);
}

} // namespace tarvex
