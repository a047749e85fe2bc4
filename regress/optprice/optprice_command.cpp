// CALLOPTI and PUTOPTIO: reads and checks the options and the arguments, prices each option
// (every argument checked first, so that a refusal stores nothing), writes the report and
// stores the outputs asked for.
#include "regress/optprice/optprice_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "kernels/option_pricing.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/option_access.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/optprice/optprice_arguments.hpp"
#include "regress/optprice/optprice_errors.hpp"
#include "regress/optprice/optprice_options.hpp"
#include "regress/optprice/optprice_report.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int CALL_SLOT = 103;

std::string shown_number(Real v) {
    return trim_blanks(fmt_G(v, 24, 10));
}

std::string at_observation(const std::vector<int>& obs, std::size_t i) {
    return obs.empty() ? std::string() : " AT OBSERVATION " + std::to_string(obs[i]);
}

bool optprice_options_ok(Run& run, const OptionPriceOptions& o) {
    const std::string without_value = name_option_without_value(run.opt, option_price_table());
    if (!without_value.empty())
        return bad_option_value(run, without_value, command_error_number(run, OPTPRICE_OPTION));
    if (!check_range_options(run, option_price_table())) return false;
    if (o.AMERICAN && o.STEPS < 1)
        return option_out_of_range(run, "STEPS", o.STEPS, "THE TREE NEEDS 1 STEP OR MORE");
    const std::string word = run.cmd.IKOD == CALL_SLOT ? "CALLOPTI" : "PUTOPTIO";
    if (run.scan.NF > 0) {
        report_error(run,
                     " ...ERROR.." + word + " TAKES ITS ARGUMENTS AS OPTIONS (" + word +
                         " / SPOT=... STRIKE=...), NOT AS A LIST",
                     command_error_number(run, OPTPRICE_LIST));
        return false;
    }
    for (const auto& [keyword, typed] :
         {std::pair{"SPOT", &o.SPOT}, {"STRIKE", &o.STRIKE}, {"TIME", &o.TIME}})
        if (typed->empty()) {
            report_error(run,
                         " ...ERROR.." + word +
                             " NEEDS SPOT=, STRIKE=, TIME= AND VOL= (OR PRICE=): " + keyword +
                             "= IS NOT GIVEN",
                         command_error_number(run, OPTPRICE_MISSING_ARGUMENT));
            return false;
        }
    if (o.VOL.empty() && o.PRICE.empty()) {
        report_error(run,
                     " ...ERROR.." + word +
                         " NEEDS SPOT=, STRIKE=, TIME= AND VOL= (OR PRICE=): VOL= IS NOT GIVEN",
                     command_error_number(run, OPTPRICE_MISSING_ARGUMENT));
        return false;
    }
    if (!o.VOL.empty() && !o.PRICE.empty()) {
        report_error(run,
                     " ...ERROR..GIVE VOL= TO PRICE THE OPTION OR PRICE= FOR THE VOLATILITY IT "
                     "IMPLIES, NOT BOTH",
                     command_error_number(run, OPTPRICE_VOL_AND_PRICE));
        return false;
    }
    if (o.AMERICAN && !o.PRICE.empty()) {
        report_error(run,
                     " ...ERROR..THE IMPLIED VOLATILITY IS THAT OF A EUROPEAN OPTION: PRICE= "
                     "CANNOT GO WITH AMERICAN",
                     command_error_number(run, OPTPRICE_AMERICAN_PRICE));
        return false;
    }
    auto not_given = [&](const std::string& keyword, const std::string& why) {
        report_error(run, " ...ERROR.." + keyword + "= CANNOT BE STORED: " + why,
                     command_error_number(run, OPTPRICE_NOT_COMPUTED));
        return false;
    };
    if (!o.IMPVOL.empty() && o.PRICE.empty())
        return not_given("IMPVOL", "IT IS THE VOLATILITY PRICE= IMPLIES, AND NO PRICE= IS GIVEN");
    if (o.AMERICAN)
        for (const auto& [keyword, name] :
             {std::pair{"VEGA", &o.VEGA}, {"RHO", &o.RHO}, {"PSI", &o.PSI}})
            if (!name->empty()) return not_given(keyword, "THE BINOMIAL TREE DOES NOT GIVE IT");
    if (o.AMERICAN && o.STEPS < 2)
        for (const auto& [keyword, name] : {std::pair{"GAMMA", &o.GAMMA}, {"THETA", &o.THETA}})
            if (!name->empty()) return not_given(keyword, "THE TREE GIVES IT WITH STEPS=2 OR MORE");
    return true;
}

// The first argument out of its domain at row i: its message and $ERR.
bool option_terms_ok(Run& run, const OptionTerms& t, bool implied, const std::vector<int>& obs,
                     std::size_t i) {
    struct Rule {
        OptionFault fault;
        const char* keyword;
        const char* what;
        Real value;
        int sequence;
    };
    const Rule rules[] = {
        {OptionFault::SPOT, "SPOT", "THE ASSET'S PRICE", t.spot, OPTPRICE_SPOT},
        {OptionFault::STRIKE, "STRIKE", "THE EXERCISE PRICE", t.strike, OPTPRICE_STRIKE},
        {OptionFault::VOL, "VOL", "THE VOLATILITY", t.vol, OPTPRICE_VOL},
        {OptionFault::TIME, "TIME", "THE TIME TO EXPIRY", t.time, OPTPRICE_TIME}};
    const OptionFault fault = option_arguments_fault(t, implied);
    for (const Rule& r : rules)
        if (r.fault == fault) {
            report_error(run,
                         " ...ERROR.." + std::string(r.keyword) + "=" + shown_number(r.value) +
                             at_observation(obs, i) + ": " + r.what + " MUST BE POSITIVE",
                         command_error_number(run, r.sequence));
            return false;
        }
    return true;
}

bool price_one(Run& run, const OptionPriceOptions& o, const OptionTerms& t, Real price,
               const std::vector<int>& obs, std::size_t i, OptionPriceRows& rows) {
    if (o.AMERICAN) {
        const std::optional<OptionValue> v = american_option(t, o.STEPS);
        if (!v) {
            report_error(run,
                         " ...ERROR..THE TREE'S UP PROBABILITY FALLS OUTSIDE 0 TO 1" +
                             at_observation(obs, i) +
                             ": ITS STEPS ARE TOO LONG FOR THE RATE AND YIELD (USE MORE STEPS)",
                         command_error_number(run, OPTPRICE_TREE));
            return false;
        }
        rows.values.push_back(*v);
        return true;
    }
    if (o.PRICE.empty()) {
        rows.values.push_back(european_option(t));
        return true;
    }
    const PriceBounds bounds = european_price_bounds(t);
    const std::optional<Real> sigma =
        price > bounds.lower && price < bounds.upper ? implied_volatility(t, price) : std::nullopt;
    if (!sigma) {
        report_error(run,
                     " ...ERROR..PRICE=" + shown_number(price) + at_observation(obs, i) +
                         ": NOT STRICTLY BETWEEN THE NO-ARBITRAGE BOUNDS " +
                         shown_number(bounds.lower) + " AND " + shown_number(bounds.upper),
                     command_error_number(run, OPTPRICE_BOUNDS));
        return false;
    }
    OptionTerms at_sigma = t;
    at_sigma.vol = *sigma;
    rows.values.push_back(european_option(at_sigma));
    rows.implied_vol.push_back(*sigma);
    return true;
}

// One output's values over the options priced: stored by observation with series arguments,
// else as a variable of one element.
bool store_output(Run& run, const std::string& name, const std::vector<int>& obs, int last,
                  const std::vector<Real>& values) {
    if (name.empty()) return true;
    if (obs.empty()) return store_vector(run, name, values);
    return store_by_observation(run, name, last, obs, values);
}

bool store_outputs(Run& run, const OptionPriceOptions& o, const std::vector<int>& obs, int last,
                   const OptionPriceRows& rows) {
    std::vector<Real> values;
    for (const OptionValue& v : rows.values) values.push_back(v.value);
    if (!store_output(run, o.VALUE, obs, last, values)) return false;
    if (!store_output(run, o.IMPVOL, obs, last, rows.implied_vol)) return false;
    const std::pair<const std::string*, std::optional<Real> OptionValue::*> greeks[] = {
        {&o.DELTA, &OptionValue::delta}, {&o.GAMMA, &OptionValue::gamma},
        {&o.VEGA, &OptionValue::vega},   {&o.THETA, &OptionValue::theta},
        {&o.RHO, &OptionValue::rho},     {&o.PSI, &OptionValue::psi}};
    for (const auto& [name, field] : greeks) {
        if (name->empty()) continue;
        values.clear();
        for (const OptionValue& v : rows.values) values.push_back(*(v.*field));
        if (!store_output(run, *name, obs, last, values)) return false;
    }
    return true;
}

} // namespace

void cmd_option_price(Run& run) {
    if (run.sw[OTRACE]) write_line(run, run.cmd.IKOD == CALL_SLOT ? " CALLOPTI" : " PUTOPTIO");
    set_option_price_defaults(run);
    if (!OPTION(run, option_price_table())) return;
    const OptionPriceOptions o = read_option_price_options(run);
    if (!optprice_options_ok(run, o)) return;

    OptionArgument spot, strike, rate, yield, vol, time, price;
    const std::pair<OptionArgument*, const std::string*> typed[] = {
        {&spot, &o.SPOT}, {&strike, &o.STRIKE}, {&rate, &o.RATE},  {&yield, &o.YIELD},
        {&vol, &o.VOL},   {&time, &o.TIME},     {&price, &o.PRICE}};
    const char* keywords[] = {"SPOT", "STRIKE", "RATE", "YIELD", "VOL", "TIME", "PRICE"};
    std::vector<OptionArgument*> arguments;
    std::vector<int> inputs;
    for (std::size_t k = 0; k < std::size(typed); ++k) {
        if (!read_option_argument(run, keywords[k], *typed[k].second, OPTPRICE_BAD_ARGUMENT,
                                  *typed[k].first))
            return;
        arguments.push_back(typed[k].first);
        if (typed[k].first->variable_ref) inputs.push_back(typed[k].first->variable_ref);
    }
    if (!check_output_names(run,
                            {{"VALUE", o.VALUE},
                             {"IMPVOL", o.IMPVOL},
                             {"DELTA", o.DELTA},
                             {"GAMMA", o.GAMMA},
                             {"VEGA", o.VEGA},
                             {"THETA", o.THETA},
                             {"RHO", o.RHO},
                             {"PSI", o.PSI}},
                            inputs))
        return;
    std::vector<int> obs; // empty: one option, no series
    int last = 0;
    const bool any_series = std::any_of(arguments.begin(), arguments.end(),
                                        [](const OptionArgument* a) { return a->series_ref != 0; });
    if (any_series && !gather_argument_rows(run, arguments, o.BEG, o.END, obs, last)) return;

    const bool implied = !o.PRICE.empty();
    const std::size_t count = obs.empty() ? 1 : obs.size();
    const OptionKind kind = run.cmd.IKOD == CALL_SLOT ? OptionKind::CALL : OptionKind::PUT;
    std::vector<OptionTerms> terms(count);
    for (std::size_t i = 0; i < count; ++i) {
        terms[i] = {kind,
                    argument_at(spot, i),
                    argument_at(strike, i),
                    argument_at(rate, i),
                    argument_at(yield, i),
                    implied ? Real(0) : argument_at(vol, i),
                    argument_at(time, i)};
        if (!option_terms_ok(run, terms[i], implied, obs, i)) return;
    }
    if (run.sw[OSCAN] || run.flags.ODONT) return;

    OptionPriceRows rows;
    for (std::size_t i = 0; i < count; ++i)
        if (!price_one(run, o, terms[i], implied ? argument_at(price, i) : Real(0), obs, i, rows))
            return;

    const OptionPriceShown shown{kind, o.AMERICAN, implied, o.STEPS};
    if (obs.empty())
        report_single_option(run, shown, terms.front(), argument_at(price, 0), rows);
    else
        report_option_table(run, shown, obs, rows);
    run.res[R_N] = Real(count);
    if (obs.empty())
        run.res[R_VAL] = implied ? rows.implied_vol.front() : rows.values.front().value;
    store_outputs(run, o, obs, last, rows);
}

} // namespace tarvex
