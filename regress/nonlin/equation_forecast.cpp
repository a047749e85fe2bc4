// Predictions and delta-method standard errors of a stored nonlinear equation.
#include "regress/nonlin/equation_forecast.hpp"

#include "core/run.hpp"
#include "numeric/qmath.hpp"

namespace tarvex {

bool compile_stored_equation(Run& run, const std::vector<std::string>& names,
                             const std::vector<Real>& coef, const std::string& equation,
                             EquationModel& model) {
    ModelBlock block;
    for (const std::string& n : names) {
        std::string name = n;
        while (!name.empty() && name.back() == ' ') name.pop_back();
        block.names.push_back(name);
    }
    block.start = coef;
    block.equations.push_back(equation);
    return compile_equation(run, block, false, model);
}

EquationPrediction predict_equation(const EquationModel& model, const std::vector<Real>& coef,
                                    const std::vector<Real>& cov, Real sigma,
                                    const std::vector<int>& obs) {
    EquationPrediction out;
    const std::size_t n = obs.size();
    const int k = model.k();
    out.predicted.assign(n, 0);
    out.se.assign(n, 0);
    out.defined.assign(n, false);
    const bool with_se = cov.size() == std::size_t(k) * k;
    EquationModel range = model;
    range.obs = obs;
    RowFailure failure;
    evaluate_rows(
        range, coef, with_se ? expr::DerivativeOrder::GRADIENT : expr::DerivativeOrder::VALUE,
        [&](int, int row, const expr::DerivativeResult& r) {
            const std::size_t i = static_cast<std::size_t>(row);
            if (r.status != expr::DerivativeStatus::OK) return; // left undefined
            out.predicted[i] = r.value;
            out.defined[i] = true;
            if (!with_se) return;
            Real v = sigma * sigma;
            for (int a = 0; a < k; ++a)
                for (int b = 0; b < k; ++b)
                    v += r.gradient[a] * cov[std::size_t(a) * k + b] * r.gradient[b];
            out.se[i] = v > 0 ? qm::sqrt(v) : Real(0);
        },
        failure, true);
    return out;
}

} // namespace tarvex
