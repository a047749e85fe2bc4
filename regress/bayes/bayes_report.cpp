// BAYES's report.
#include "regress/bayes/bayes_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

namespace {

void bayes_value_line(Run& run, const std::string& label, const std::string& value) {
    write_line(run, " " + label + std::string(label.size() < 40 ? 40 - label.size() : 0, ' ') +
                        "=" + value);
}

} // namespace

void report_bayes(Run& run, const BayesReport& head, const BayesOptions& o,
                  const BayesPosterior& post, const ModelResult& result) {
    if (!run.flags.OPUT) return;
    write_line(run, " BAYESIAN ESTIMATION UNDER INEQUALITY RESTRICTIONS (DIFFUSE PRIOR)");
    write_line(run, fmt_I_fitted((long long)head.n, 9) + " OBSERVATIONS" + fmt_X(5) +
                        "DEPENDENT VARIABLE= " + head.dep_name);
    write_line(run, " ");
    if (head.restrictions.empty()) write_line(run, " NO RESTRICTIONS: THE UNRESTRICTED POSTERIOR");
    for (std::size_t i = 0; i < head.restrictions.size(); ++i)
        write_line(run, " RESTRICTION" + fmt_I((long long)i + 1, 4) + ":  " + head.restrictions[i]);
    bayes_value_line(run, o.ANTITHET ? "DRAWS (EACH WITH ITS ANTITHETIC PAIR)" : "DRAWS",
                     fmt_I_fitted(o.NDRAW, 12));
    bayes_value_line(run, "COEFFICIENT VECTORS ACCEPTED",
                     fmt_I_fitted(post.accepted, 12) + " OF" + fmt_I_fitted(post.tried, 12));
    bayes_value_line(run, "PROBABILITY THAT THE RESTRICTIONS HOLD",
                     fmt_G(post.probability, 17, 10));
    bayes_value_line(run, "NUMERICAL STANDARD ERROR", fmt_G(post.probability_nse, 17, 10));
    write_line(run, " ");
    CoefficientTable table = coefficient_table(result);
    table.wide = o.WIDE;
    table.label =
        " POSTERIOR MEANS (ESTIMATED COEFFICIENT) AND STANDARD DEVIATIONS (STANDARD ERROR)";
    write_coefficient_table(run, table);
    write_line(run, " ");
    write_line(run, " VARIABLE     LEAST SQUARES      STD. ERROR  POSTERIOR MEAN  NUMERICAL S.E.");
    for (std::size_t j = 0; j < post.mean.size(); ++j)
        write_line(run, " " + first_8_padded(result.record.names[j]) +
                            fmt_G(head.ls_coef[j], 18, 9) + fmt_G(head.ls_se[j], 16, 8) +
                            fmt_G(post.mean[j], 16, 8) + fmt_G(post.mean_nse[j], 16, 8));
    write_coefficient_matrices(run, result.record.names, result.record.cov, o.PCOV, o.PCOR, o.WIDE);
}

} // namespace tarvex
