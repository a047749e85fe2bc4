// Filling GME's record and scalars from its estimate.
#include "regress/gme/gme_result.hpp"

#include "core/result_scalars.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

ModelResult gme_model_result(const GmeData& data, const GmeEstimate& e) {
    ModelResult m;
    EstimationResults& r = m.record;
    const int n = int(data.y.size()), k = int(data.x.size());
    r.coef = e.beta;
    r.cov = e.cov;
    standard_errors_and_ratios(r.coef, r.cov, r.stderrs, r.tratios);
    r.n = n, r.k = k;
    r.df = Real(n - k);
    r.asymptotic = true;
    r.sse = e.sse, r.sst = e.sst, r.rsqr = e.r2;
    r.sigma = qm::sqrt(e.sse / Real(n - k));
    r.predicted = e.fitted;
    r.residuals = e.residuals;
    infer_coefficients(m);
    m.add_statistic(
        NamedStatistic{"ENTROPY B", e.entropy_beta, StatisticLaw::NONE, 0, 0, false, 0});
    m.add_statistic(
        NamedStatistic{"ENTROPY E", e.entropy_errors, StatisticLaw::NONE, 0, 0, false, 0});
    m.set_size_scalars();
    m.set_scalar(R_SSE, e.sse);
    m.set_scalar(R_R2, e.r2);
    m.set_scalar(R_SIG2, e.sigma2_beta);
    m.set_scalar(R_VAL, e.entropy_beta);
    return m;
}

} // namespace tarvex
