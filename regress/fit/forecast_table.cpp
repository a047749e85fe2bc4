// The forecast table of the time-series reports.
#include "regress/fit/forecast_table.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"

namespace tarvex {

namespace {

constexpr int OBS_WIDTH = 8;
constexpr int VALUE_WIDTH = 15, VALUE_DIGITS = 8;

} // namespace

void write_forecast_table(Run& run, long long first, const std::vector<ForecastColumn>& columns) {
    std::string heading = "     OBS";
    for (const ForecastColumn& c : columns)
        heading += std::string(std::size_t(VALUE_WIDTH + 1) - c.heading.size(), ' ') + c.heading;
    write_line(run, heading);
    const std::size_t rows = columns.empty() ? 0 : columns.front().values->size();
    for (std::size_t h = 0; h < rows; ++h) {
        std::string line = fmt_I_fitted(first + static_cast<long long>(h), OBS_WIDTH);
        for (const ForecastColumn& c : columns)
            line += " " + fmt_G((*c.values)[h], VALUE_WIDTH, VALUE_DIGITS);
        write_line(run, line);
    }
}

} // namespace tarvex
