// Filling the result of a choice model.
#include "regress/choice/choice_result.hpp"

#include "core/result_scalars.hpp"
#include "regress/fit/coefficient_table.hpp"

namespace tarvex {

ModelResult choice_model_result(int n, const std::vector<Real>& coef, const std::vector<Real>& cov,
                                const std::vector<Real>& se, const std::vector<Real>& tstat,
                                Real llf) {
    ModelResult m;
    EstimationResults& r = m.record;
    const int k = static_cast<int>(coef.size());
    r.coef = coef;
    r.cov = cov;
    r.stderrs = se;
    r.tratios = tstat;
    r.n = n;
    r.k = k;
    r.df = n - k;
    r.has_llf = true;
    r.llf = llf;
    r.asymptotic = true;
    infer_coefficients(m);
    m.set_scalar(R_LLF, llf);
    m.set_scalar(R_N, n);
    m.set_scalar(R_K, k);
    m.set_scalar(R_DF, n - k);
    return m;
}

void add_likelihood_ratio(ModelResult& result, const std::string& name, Real lr, int df,
                          Real pvalue) {
    result.add_statistic({name, lr, StatisticLaw::CHI_SQUARE, Real(df), 0, true, pvalue});
    result.set_scalar(R_CHI, lr);
}

void set_pseudo_r_square(ModelResult& result, Real r2) {
    result.set_scalar(R_R2, r2);
}

void add_reported_number(ModelResult& result, const std::string& name, Real value) {
    result.add_statistic({name, value, StatisticLaw::NONE, 0, 0, false, 0});
}

} // namespace tarvex
