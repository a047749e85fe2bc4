// INDEX: reads and checks the options and the pairs of series, gathers the observations where
// all of them have values, checks that every price and quantity is positive, computes the
// indexes, writes the report and stores the ones asked for.
#include "regress/index/index_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/index/index_errors.hpp"
#include "regress/index/index_numbers.hpp"
#include "regress/index/index_options.hpp"
#include "regress/index/index_report.hpp"

#include <algorithm>

namespace tarvex {

namespace {

bool index_options_ok(Run& run, const IndexOptions& o) {
    const std::string methods[] = {"LASPEYRE", "PAASCHE", "FISHER", "TORNQVIS"};
    if (std::find(std::begin(methods), std::end(methods), o.METHOD) == std::end(methods))
        return bad_option_value(run, "METHOD", ERR_INDEX_OPTION);
    if (!(o.SCALE > 0)) {
        report_error(run,
                     " ...ERROR..SCALE=" + trim_blanks(fmt_G(o.SCALE, 14, 6)) +
                         ": THE VALUE OF THE INDEXES AT THE BASE MUST BE POSITIVE",
                     ERR_INDEX_SCALE);
        return false;
    }
    return check_name_options(run, index_option_table(), ERR_INDEX_OPTION);
}

// Every price and quantity positive: a zero at the base of a fixed-base index leaves nothing
// to compare with, a zero elsewhere has no logarithm (Tornqvist) and breaks a chain.
bool index_values_ok(Run& run, const std::vector<OlsTerm>& series,
                     const std::vector<const std::vector<Real>*>& values,
                     const std::vector<int>& obs, int base, bool chained) {
    auto what = [&](std::size_t i) {
        return std::string(i % 2 == 0 ? "PRICE " : "QUANTITY ") +
               trim_trailing_blanks(series[i].name);
    };
    for (std::size_t i = 0; i < series.size(); ++i)
        for (std::size_t t = 0; t < obs.size(); ++t)
            if ((*values[i])[t] < 0) {
                report_error(run,
                             " ...ERROR.." + what(i) + " IS NEGATIVE AT OBSERVATION" +
                                 fmt_I(obs[t], 7) + ": A PRICE OR QUANTITY CANNOT BE NEGATIVE",
                             ERR_INDEX_NEGATIVE);
                return false;
            }
    if (!chained)
        for (std::size_t i = 0; i < series.size(); ++i)
            if ((*values[i])[std::size_t(base)] == 0) {
                report_error(run,
                             " ...ERROR.." + what(i) + " IS ZERO AT THE BASE OBSERVATION" +
                                 fmt_I(obs[std::size_t(base)], 7) +
                                 ": NO RELATIVE TO IT EXISTS (CHOOSE ANOTHER BASE=)",
                             ERR_INDEX_ZERO_BASE);
                return false;
            }
    for (std::size_t i = 0; i < series.size(); ++i)
        for (std::size_t t = 0; t < obs.size(); ++t)
            if ((*values[i])[t] == 0) {
                report_error(run,
                             " ...ERROR.." + what(i) + " IS ZERO AT OBSERVATION" +
                                 fmt_I(obs[t], 7) +
                                 ": THE INDEXES NEED POSITIVE PRICES AND QUANTITIES",
                             ERR_INDEX_ZERO);
                return false;
            }
    return true;
}

const std::vector<Real>& chosen_formula(const IndexFormulas& f, const std::string& method) {
    if (method == "LASPEYRE") return f.laspeyres;
    if (method == "PAASCHE") return f.paasche;
    if (method == "TORNQVIS") return f.tornqvist;
    return f.fisher;
}

} // namespace

void cmd_index(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " INDEX");
    set_index_defaults(run);
    if (!OPTION(run, index_option_table())) return;
    const IndexOptions o = read_index_options(run);
    if (!index_options_ok(run, o)) return;
    if (run.scan.NF < 2 || run.scan.NF % 2 != 0) {
        report_error(run,
                     run.scan.NF < 1
                         ? " ...ERROR..INDEX NEEDS PRICES AND QUANTITIES: INDEX p1 q1 p2 q2 ..."
                         : " ...ERROR..INDEX READS PAIRS OF SERIES, A PRICE AND A QUANTITY FOR "
                           "EACH GOOD: " +
                               std::to_string(run.scan.NF) +
                               (run.scan.NF == 1 ? " IS LISTED" : " ARE LISTED"),
                     run.scan.NF < 1 ? ERR_INDEX_NO_SERIES : ERR_INDEX_PAIRS);
        return;
    }
    std::vector<OlsTerm> series;
    for (int i = 1; i <= run.scan.NF; ++i) series.push_back(list_term(run, i));
    std::vector<int> inputs;
    for (const OlsTerm& t : series) inputs.push_back(t.ref);
    if (!check_output_names(run, {{"PRICE", o.PRICE}, {"QUANTITY", o.QUANTITY}}, inputs)) return;
    ListRows rows;
    const std::vector<OlsTerm> others(series.begin() + 1, series.end());
    if (!gather_list_rows(run, series.front().ref, series.front().lag, others, o.BEG, o.END, rows))
        return;
    if (o.CHAINED && !rows.obs.empty() &&
        rows.obs.back() - rows.obs.front() + 1 != int(rows.obs.size())) {
        report_error(run,
                     " ...ERROR..A CHAINED INDEX LINKS CONSECUTIVE OBSERVATIONS: AN OBSERVATION "
                     "IS MISSING OR SKIPPED INSIDE THE RANGE",
                     ERR_INDEX_GAP);
        return;
    }
    const int base_obs = o.BASE == 0 && !rows.obs.empty() ? rows.obs.front() : o.BASE;
    const auto at = std::find(rows.obs.begin(), rows.obs.end(), base_obs);
    if (at == rows.obs.end()) {
        report_error(run,
                     " ...ERROR..BASE=" + std::to_string(base_obs) +
                         " IS NOT AN OBSERVATION IN USE (" +
                         (rows.obs.empty() ? std::string("NONE")
                                           : std::to_string(rows.obs.front()) + " TO " +
                                                 std::to_string(rows.obs.back())) +
                         ")",
                     ERR_INDEX_BASE);
        return;
    }
    const int base = int(at - rows.obs.begin());
    std::vector<const std::vector<Real>*> values{&rows.y};
    for (const std::vector<Real>& x : rows.x) values.push_back(&x);
    if (!index_values_ok(run, series, values, rows.obs, base, o.CHAINED)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    std::vector<std::vector<Real>> price, quantity;
    for (std::size_t i = 0; i < values.size(); i += 2) {
        price.push_back(*values[i]);
        quantity.push_back(*values[i + 1]);
    }
    const PriceQuantityIndexes indexes =
        price_quantity_indexes(price, quantity, base, o.CHAINED, o.SCALE);
    IndexShown shown{int(price.size()), base_obs, o.CHAINED, o.SCALE, rows.obs};
    report_indexes(run, shown, indexes);
    run.res[R_N] = Real(rows.obs.size());
    run.res[R_K] = Real(price.size());
    if (store_by_observation(run, o.PRICE, rows.end, rows.obs,
                             chosen_formula(indexes.price, o.METHOD)))
        store_by_observation(run, o.QUANTITY, rows.end, rows.obs,
                             chosen_formula(indexes.quantity, o.METHOD));
}

} // namespace tarvex
