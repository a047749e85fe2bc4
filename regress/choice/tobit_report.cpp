// Running, reporting and storing TOBIT.
#include "regress/choice/tobit_report.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"

namespace tarvex {

void run_tobit(Run& run, const ChoiceEquation&, const ChoiceData&, const ChoiceControl&,
               const ChoiceOptions&) {
    report_error(run, " ...ERROR..TOBIT IS NOT AVAILABLE YET", 0);
}

} // namespace tarvex
