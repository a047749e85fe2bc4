// Filling the result of a choice model.
#include "regress/choice/choice_result.hpp"

#include "core/result_scalars.hpp"
#include "regress/fit/coefficient_table.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <utility>

namespace tarvex {

ModelResult choice_model_result(int n, std::vector<Real> coef, std::vector<Real> cov, Real llf) {
    ModelResult m;
    EstimationResults& r = m.record;
    const int k = static_cast<int>(coef.size());
    standard_errors_and_ratios(coef, cov, r.stderrs, r.tratios);
    r.coef = std::move(coef);
    r.cov = std::move(cov);
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

ConstantsTest constants_test(std::string constants, std::string tested, Real llf, Real llf0,
                             int df) {
    ConstantsTest t;
    t.constants = std::move(constants);
    t.tested = std::move(tested);
    t.llf0 = llf0;
    t.df = df;
    t.lr = 2 * (llf - llf0);
    t.pvalue = df > 0 ? chi2_tail(t.lr > 0 ? t.lr : Real(0), df) : Real(1);
    t.pseudo_r2 = llf0 != 0 ? 1 - llf / llf0 : Real(0);
    return t;
}

void add_constants_test(ModelResult& result, const ConstantsTest& t, bool pseudo_r2) {
    add_reported_number(result, "LOG-LIKELIHOOD WITH " + t.constants, t.llf0);
    if (t.df > 0) {
        result.add_statistic({"LIKELIHOOD RATIO TEST OF " + t.tested, t.lr,
                              StatisticLaw::CHI_SQUARE, Real(t.df), 0, true, t.pvalue});
        result.set_scalar(R_CHI, t.lr);
    }
    if (!pseudo_r2) return;
    add_reported_number(result, "MCFADDEN PSEUDO R-SQUARE", t.pseudo_r2);
    result.set_scalar(R_R2, t.pseudo_r2);
}

void add_reported_number(ModelResult& result, const std::string& name, Real value) {
    result.add_statistic({name, value, StatisticLaw::NONE, 0, 0, false, 0});
}

} // namespace tarvex
