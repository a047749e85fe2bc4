// The GMM branch of 2SLS: its options, the estimate, the report and the stored result.
#include "regress/iv/gmm_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/store_result.hpp"
#include "regress/iv/gmm_choice.hpp"
#include "regress/iv/gmm_report.hpp"
#include "regress/iv/iv_errors.hpp"
#include "regress/iv/iv_failure.hpp"

#include <utility>

namespace tarvex {

namespace {

bool gmm_refusal(Run& run, const std::string& text, int number) {
    report_error(run, " ...ERROR.." + text, number);
    return false;
}

EstimationFailure gmm_failure(const IvEquation& eq, const GmmEstimate& e) {
    switch (e.end) {
    case GmmEnd::FIRST_STEP:
        return iv_failure(eq, e.first);
    case GmmEnd::WEIGHT_SINGULAR:
        return {" ...ERROR..THE MOMENT COVARIANCE MATRIX S IS SINGULAR: NO GMM WEIGHT S**-1",
                ERR_GMM_SINGULAR};
    case GmmEnd::NON_FINITE:
        return {" ...ERROR..A VALUE OF THE EQUATION IS INFINITE OR NOT A NUMBER",
                ERR_IV_NON_FINITE};
    case GmmEnd::OK:
        break;
    }
    return {};
}

} // namespace

bool check_gmm_options(Run& run, const IvOptions& o, GmmControl& control) {
    if (o.METHOD.empty()) {
        if (!o.WEIGHT.empty() || !o.STEPS.empty() || o.LAG_given)
            return gmm_refusal(run, "WEIGHT=, STEPS= AND LAG= GO WITH METHOD=GMM",
                               ERR_GMM_WITHOUT_METHOD);
        return true;
    }
    if (o.METHOD != "GMM")
        return gmm_refusal(run, "METHOD=" + o.METHOD + ": THE METHOD OF 2SLS IS GMM",
                           ERR_IV_METHOD);
    if (o.HETCOV || o.HC1 || o.HC2 || o.HC3 || o.CLHC0 || !o.CLUSTER.empty())
        return gmm_refusal(run,
                           "METHOD=GMM TAKES ITS COVARIANCE FROM WEIGHT=: NOT HETCOV, AUTCOV, "
                           "HC1-HC3 OR CLUSTER",
                           ERR_GMM_COVARIANCE);
    const GmmWords words{o.WEIGHT, o.STEPS, o.LAG, o.LAG_given};
    const GmmWordErrors errors{ERR_GMM_WEIGHT, ERR_GMM_STEPS,   ERR_GMM_IDENTITY_STEPS,
                               ERR_IV_OPTION,  ERR_GMM_HAC_LAG, ERR_GMM_WHITE_LAG};
    if (!choose_gmm_weight(run, words, errors, control)) return false;
    if (!check_iteration_options(run, o, {}, ERR_IV_OPTION)) return false;
    control.max_iterations = o.MAXIT;
    control.converge = o.CONVERGE;
    return true;
}

void estimate_and_report_gmm(Run& run, const IvEquation& eq, const IvData& data,
                             const GmmControl& control, const IvOptions& o) {
    GmmEstimate e = estimate_gmm(data, control);
    if (e.end != GmmEnd::OK) {
        report_estimation_failure(run, gmm_failure(eq, e));
        return;
    }
    EstimationResults& r = e.result.record;
    name_equation(run, "2SLS", eq, {}, r);
    report_gmm(run, eq, e, control, o);
    store_model_result(run, std::move(e.result), o.out);
}

} // namespace tarvex
