// Reading and checking the frequency weights of PROBIT, LOGIT and TOBIT.
#include "regress/choice/choice_weights.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/message_number.hpp"
#include "regress/fit/ols_options.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

bool choice_weight_term(Run& run, const std::string& weight_name, int option_error, OlsTerm& term) {
    term = OlsTerm{};
    if (name_blank(weight_name)) return true;
    const std::string name = trim_trailing_blanks(weight_name);
    term.ref = VFIND(run, name);
    if (term.ref == 0) return bad_option_value(run, "WEIGHT", option_error);
    term.name = first_8_padded(name);
    return true;
}

bool take_choice_weights(Run& run, const std::string& weight_name, int negative_error,
                         ChoiceEquation& eq, ListRows& rows, std::vector<Real>& weights) {
    const std::string name = trim_trailing_blanks(weight_name);
    std::vector<Real> column = std::move(rows.x.back());
    rows.x.pop_back();
    for (std::size_t i = 0; i < column.size(); ++i) {
        if (!(column[i] < 0)) continue;
        report_error(run,
                     " ...ERROR..WEIGHT " + name + " IS NEGATIVE (" + number_text(column[i]) +
                         ") AT OBSERVATION" + fmt_I(rows.obs[i], 7) +
                         ": FREQUENCY WEIGHTS MUST BE 0 OR MORE",
                     negative_error);
        return false;
    }
    // The rows of weight zero leave every column; the others move up in place.
    std::size_t kept = 0;
    Real total = 0;
    weights.clear();
    for (std::size_t i = 0; i < column.size(); ++i) {
        if (column[i] == 0) continue;
        rows.y[kept] = rows.y[i];
        for (std::vector<Real>& x : rows.x) x[kept] = x[i];
        rows.obs[kept] = rows.obs[i];
        weights.push_back(column[i]);
        total += column[i];
        ++kept;
    }
    const std::size_t dropped = column.size() - kept;
    rows.y.resize(kept);
    for (std::vector<Real>& x : rows.x) x.resize(kept);
    rows.obs.resize(kept);
    eq.obs = rows.obs;
    if (run.flags.OPUT) {
        write_line(run, " FREQUENCY WEIGHTS " + name + ": SUM OF WEIGHTS = " + number_text(total) +
                            " OVER" + fmt_I(static_cast<long long>(kept), 7) + " OBSERVATIONS");
        if (dropped > 0)
            write_line(run, " ...NOTE.." + fmt_I(static_cast<long long>(dropped), 6) +
                                " OBSERVATIONS WITH WEIGHT 0 ARE NOT USED");
    }
    return true;
}

} // namespace tarvex
