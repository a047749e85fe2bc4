// Writing the results of CALLOPTI and PUTOPTIO.
#include "regress/optprice/optprice_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

std::string option_heading(const OptionPriceShown& s) {
    std::string line = std::string(" ") + (s.american ? "AMERICAN " : "EUROPEAN ") +
                       (s.kind == OptionKind::CALL ? "CALL" : "PUT") + " OPTION, ";
    if (s.american) return line + "BINOMIAL TREE OF " + std::to_string(s.steps) + " STEPS";
    line += "BLACK-SCHOLES-MERTON";
    return s.implied ? line + ", VOLATILITY IMPLIED BY THE PRICE" : line;
}

// "   LABEL" padded to 25 columns and the value with 16 significant digits.
void write_labelled(Run& run, const std::string& label, Real v) {
    std::string line = "   " + label;
    line.resize(25, ' ');
    write_line(run, line + trim_blanks(fmt_G(v, 26, 16)));
}

// A value right-aligned in 15 columns, 9 significant digits.
std::string table_value(Real v) {
    const std::string text = trim_blanks(fmt_G(v, 15, 9));
    return std::string(text.size() < 15 ? 15 - text.size() : 1, ' ') + text;
}

struct Column {
    const char* title;
    std::optional<Real> OptionValue::*field; // null for the value and the implied volatility
};

} // namespace

void report_single_option(Run& run, const OptionPriceShown& shown, const OptionTerms& terms,
                          Real price, const OptionPriceRows& rows) {
    write_line(run, "");
    write_line(run, option_heading(shown));
    write_labelled(run, "SPOT", terms.spot);
    write_labelled(run, "STRIKE", terms.strike);
    write_labelled(run, "RATE", terms.rate);
    write_labelled(run, "YIELD", terms.yield);
    write_labelled(run, "TIME TO EXPIRY", terms.time);
    if (shown.implied) {
        write_labelled(run, "PRICE", price);
        write_labelled(run, "IMPLIED VOLATILITY", rows.implied_vol.front());
    } else {
        write_labelled(run, "VOLATILITY", terms.vol);
    }
    const OptionValue& v = rows.values.front();
    write_line(run, "");
    write_labelled(run, "VALUE", v.value);
    const std::pair<const char*, const std::optional<Real>*> greeks[] = {
        {"DELTA", &v.delta}, {"GAMMA", &v.gamma}, {"VEGA", &v.vega}, {"THETA (PER YEAR)", &v.theta},
        {"RHO", &v.rho},     {"PSI", &v.psi}};
    for (const auto& [label, value] : greeks)
        if (value->has_value()) write_labelled(run, label, **value);
}

void report_option_table(Run& run, const OptionPriceShown& shown, const std::vector<int>& obs,
                         const OptionPriceRows& rows) {
    write_line(run, "");
    write_line(run, option_heading(shown));
    write_line(run, " OBSERVATIONS" + fmt_I(obs.front(), 8) + " TO" + fmt_I(obs.back(), 8) +
                        "    OPTIONS PRICED" + fmt_I(int(obs.size()), 8));
    const Column all[] = {{"DELTA", &OptionValue::delta}, {"GAMMA", &OptionValue::gamma},
                          {"VEGA", &OptionValue::vega},   {"THETA", &OptionValue::theta},
                          {"RHO", &OptionValue::rho},     {"PSI", &OptionValue::psi}};
    std::vector<Column> shown_columns;
    for (const Column& c : all)
        if ((rows.values.front().*c.field).has_value()) shown_columns.push_back(c);
    auto title = [](const char* t) { return std::string(15 - std::string(t).size(), ' ') + t; };
    std::string head = "     OBS";
    if (shown.implied) head += title("IMPVOL");
    head += title("VALUE");
    for (const Column& c : shown_columns) head += title(c.title);
    write_line(run, "");
    write_line(run, head);
    for (std::size_t i = 0; i < obs.size(); ++i) {
        std::string line = fmt_I_fitted(obs[i], 8);
        if (shown.implied) line += table_value(rows.implied_vol[i]);
        line += table_value(rows.values[i].value);
        for (const Column& c : shown_columns) line += table_value(*(rows.values[i].*c.field));
        write_line(run, line);
    }
}

} // namespace tarvex
