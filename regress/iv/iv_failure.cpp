// The messages of a failed instrumental-variables estimation.
#include "regress/iv/iv_failure.hpp"

#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/iv/iv_errors.hpp"

namespace tarvex {

// Why the estimation failed, as its message and $ERR number.
EstimationFailure iv_failure(const IvEquation& eq, const IvEstimate& e) {
    switch (e.end) {
    case IvEnd::UNDERIDENTIFIED:
        return {" ...ERROR..EQUATION IS NOT IDENTIFIED:" +
                    fmt_I(static_cast<long long>(e.endogenous.size()), 4) +
                    " ENDOGENOUS REGRESSORS AND" + fmt_I(e.excluded, 4) + " EXCLUDED INSTRUMENTS",
                ERR_IV_UNDERIDENTIFIED};
    case IvEnd::INSTRUMENTS_COLLINEAR:
        return {" ...ERROR..INSTRUMENT " + trim_trailing_blanks(eq.instruments[e.bad_column].name) +
                    " IS A LINEAR COMBINATION OF THE INSTRUMENTS BEFORE IT",
                ERR_IV_INSTRUMENTS};
    case IvEnd::REGRESSORS_COLLINEAR:
        return {" ...ERROR..REGRESSOR " + trim_trailing_blanks(eq.terms[e.bad_column].name) +
                    " IS NOT IDENTIFIED: ON THE INSTRUMENTS IT IS A COMBINATION OF THE "
                    "REGRESSORS BEFORE IT",
                ERR_IV_REGRESSORS};
    case IvEnd::TOO_FEW:
        return {" ...ERROR.." + fmt_I(e.n, 5) + " OBSERVATIONS IS NOT ENOUGH FOR" + fmt_I(e.k, 4) +
                    " COEFFICIENTS AND" + fmt_I(e.l, 4) + " INSTRUMENTS",
                ERR_IV_TOO_FEW};
    case IvEnd::NON_FINITE:
        return {" ...ERROR..A VALUE OF THE EQUATION IS INFINITE OR NOT A NUMBER",
                ERR_IV_NON_FINITE};
    case IvEnd::OUT_OF_RANGE: {
        const int l = int(eq.instruments.size());
        const std::string name = e.bad_column < l ? eq.instruments[e.bad_column].name
                                 : e.bad_column - l < int(e.endogenous.size())
                                     ? eq.terms[e.endogenous[e.bad_column - l]].name
                                     : eq.dep_name;
        return {values_out_of_range(trim_trailing_blanks(name), e.too_large), ERR_IV_RANGE};
    }
    case IvEnd::OK:
        break;
    }
    return {};
}

} // namespace tarvex
