// FUZZY's report.
#include "regress/fuzzy/fuzzy_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

void fuzzy_value_line(Run& run, const std::string& label, Real value) {
    write_line(run, " " + label + std::string(label.size() < 46 ? 46 - label.size() : 0, ' ') +
                        "=" + fmt_G(value, 17, 10));
}

void fuzzy_coefficient_table(Run& run, const EstimationEquation& eq, const FuzzyFit& fit, Real h) {
    write_line(run, "   VARIABLE          CENTRE          SPREAD     H-LEVEL LOW    H-LEVEL HIGH");
    const Real width = 1 - h;
    for (std::size_t j = 0; j < fit.centre.size(); ++j) {
        const Real a = fit.centre[j], c = fit.spread[j];
        write_line(run, "   " + first_8_padded(eq.terms[j].name) + fmt_G(a, 16, 8) +
                            fmt_G(c, 16, 8) + fmt_G(a - width * c, 16, 8) +
                            fmt_G(a + width * c, 16, 8));
    }
}

void fuzzy_band_table(Run& run, const EstimationEquation& eq, const FuzzyData& data,
                      const FuzzyFit& fit) {
    write_line(run, "      OBS          ACTUAL          CENTRE           LOWER           UPPER");
    for (std::size_t i = 0; i < data.y.size(); ++i)
        write_line(run, fmt_I(eq.obs[i], 9) + fmt_G(data.y[i], 16, 8) +
                            fmt_G(fit.fitted[i], 16, 8) + fmt_G(fit.lower[i], 16, 8) +
                            fmt_G(fit.upper[i], 16, 8));
}

} // namespace

void report_fuzzy(Run& run, const EstimationEquation& eq, const FuzzyData& data,
                  const FuzzyFit& fit, Real h, bool print_band) {
    if (!run.flags.OPUT) return;
    write_line(run, " FUZZY LINEAR REGRESSION: SYMMETRIC TRIANGULAR FUZZY COEFFICIENTS");
    write_line(run, fmt_I_fitted((long long)data.y.size(), 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + eq.dep_name);
    write_line(run, " ");
    fuzzy_value_line(run, "H, THE LEVEL OF THE BAND", h);
    fuzzy_value_line(run, "TOTAL SPREAD SUM C'|X| (MINIMISED)", fit.total_spread);
    write_line(run, " LINEAR PROGRAM: OPTIMAL, CERTIFIED IN BINARY128    SIMPLEX ITERATIONS" +
                        fmt_I(fit.iterations, 8));
    write_line(run, " ");
    fuzzy_coefficient_table(run, eq, fit, h);
    if (!print_band) return;
    write_line(run, " ");
    write_line(run, " EACH OBSERVATION'S BAND A'X -+ (1-H) C'|X|");
    fuzzy_band_table(run, eq, data, fit);
}

} // namespace tarvex
