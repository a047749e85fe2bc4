// The refusal of gathered rows whose squares binary128 cannot hold.
#include "regress/fit/range_refusal.hpp"

#include "core/error_report.hpp"
#include "kernels/value_range.hpp"
#include "numeric/text.hpp"
#include "regress/fit/list_equation.hpp"

namespace tarvex {

bool squares_representable(Run& run, std::string_view dep_name, const std::vector<OlsTerm>& terms,
                           const ListRows& rows, int number) {
    for (std::size_t j = 0; j <= rows.x.size(); ++j) {
        const std::vector<Real>& v = j < rows.x.size() ? rows.x[j] : rows.y;
        const SquaresRange range = squares_range(v.data(), v.size());
        if (range == SquaresRange::inside) continue;
        const std::string_view name =
            j < rows.x.size() && j < terms.size() ? std::string_view(terms[j].name) : dep_name;
        report_error(
            run, values_out_of_range(trim_trailing_blanks(name), range == SquaresRange::too_large),
            number);
        return false;
    }
    return true;
}

} // namespace tarvex
