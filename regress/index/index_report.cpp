// Writing INDEX's results.
#include "regress/index/index_report.hpp"

#include "core/run.hpp"
#include "numeric/fitted_fields.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <string>

namespace tarvex {

namespace {

// An index value right-aligned in 15 columns, 9 significant digits.
std::string index_value(Real v) {
    const std::string text = trim_blanks(fmt_G(v, 15, 9));
    return std::string(text.size() < 15 ? 15 - text.size() : 1, ' ') + text;
}

void write_index_table(Run& run, const char* title, const IndexShown& s, const IndexFormulas& f) {
    write_line(run, "");
    write_line(run, std::string(" ") + title);
    write_line(run, "     OBS      LASPEYRES        PAASCHE         FISHER      TORNQVIST");
    for (std::size_t t = 0; t < s.obs.size(); ++t)
        write_line(run, fmt_I_fitted(s.obs[t], 8) + index_value(f.laspeyres[t]) +
                            index_value(f.paasche[t]) + index_value(f.fisher[t]) +
                            index_value(f.tornqvist[t]));
}

} // namespace

void report_indexes(Run& run, const IndexShown& s, const PriceQuantityIndexes& indexes) {
    write_line(run, "");
    write_line(run, " PRICE AND QUANTITY INDEXES OF " + std::to_string(s.goods) +
                        (s.goods == 1 ? " GOOD" : " GOODS") + ", " +
                        (s.chained ? "CHAINED" : "FIXED BASE"));
    write_line(run, " OBSERVATIONS" + fmt_I(s.obs.front(), 8) + " TO" + fmt_I(s.obs.back(), 8) +
                        "    BASE OBSERVATION" + fmt_I(s.base, 8) + " = " +
                        trim_blanks(fmt_G(s.scale, 15, 6)));
    write_index_table(run, "PRICE INDEXES", s, indexes.price);
    write_index_table(run, "QUANTITY INDEXES", s, indexes.quantity);
}

} // namespace tarvex
