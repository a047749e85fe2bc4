// WRITE in a text layout refuses a value that READ would not take back from the file: no text
// layout of READ reads an infinity or a NaN. The values are looked for by the walk the layouts
// use themselves, before the file is opened, so a refused WRITE leaves nothing behind. Binary
// records keep the 16 bytes of every value and are not checked.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/print_request.hpp"

namespace tarvex {

namespace {

inline constexpr int ERR_UNWRITABLE_VALUE = 5052;

// Where the first infinity or NaN of the walk is.
class NonFiniteFinder : public LayoutVisitor {
public:
    const PrintItem* item = nullptr;
    std::string where;
    Real value = 0;

    bool table_heading(const std::vector<const PrintItem*>& items) override {
        table_ = items;
        return true;
    }
    bool table_row(long long obs, const std::vector<Cell>& cells) override {
        for (std::size_t k = 0; k < cells.size(); ++k) {
            const FormatValue& v = cells[k].value;
            if (cells[k].present && !v.is_text && !finiteq(v.number))
                return found(*table_[k], " OBSERVATION " + std::to_string(obs), v.number);
        }
        return true;
    }
    bool scalar(const PrintItem& it, Real v) override { return finiteq(v) || found(it, "", v); }
    bool matrix_heading(const PrintItem&, long long, long long cols, bool) override {
        cols_ = cols;
        return true;
    }
    bool matrix_row(const PrintItem& it, long long row, const std::vector<Real>& values) override {
        for (std::size_t k = 0; k < values.size(); ++k) {
            if (finiteq(values[k])) continue;
            const long long col = static_cast<long long>(k) + 1;
            // A series written in rows of COLS values is named by its place in the series.
            return found(it,
                         it.series()
                             ? " VALUE " + std::to_string((row - 1) * cols_ + col)
                             : " ROW " + std::to_string(row) + " COLUMN " + std::to_string(col),
                         values[k]);
        }
        return true;
    }
    bool string_item(const PrintItem&, const std::string&) override { return true; }

private:
    bool found(const PrintItem& it, std::string place, Real v) {
        item = &it;
        where = std::move(place);
        value = v;
        return false;
    }
    std::vector<const PrintItem*> table_;
    long long cols_ = 1;
};

std::string layout_word(const PrintRequest& req) {
    switch (req.layout) {
    case Layout::USER_FORMAT:
        return "FORMATTED FILE";
    case Layout::DELIMITED:
        return req.delimiter == ',' ? "COMMA FILE" : "TAB FILE";
    case Layout::DIF:
        return "DIF FILE";
    case Layout::TARVEX:
        return "TARVDATA FILE";
    default:
        return "FREE-FORMAT FILE";
    }
}

std::string value_word(Real v) {
    if (isnanq(v)) return "NAN";
    return v < 0 ? "-INFINITY" : "INFINITY";
}

} // namespace

bool values_writable(Run& run, const PrintRequest& req) {
    if (req.binary || req.sbinary || req.layout == Layout::DUMP) return true;
    PrintRequest walked = req; // the finder points into its items
    if (req.layout == Layout::TARVEX) {
        // Data file blocks hold whole variables, matrices as they are stored.
        walked.beg = 1;
        walked.end = ALL_OBSERVATIONS;
        walked.use_skips = false;
        walked.lower_triangle = false;
        walked.shape_cols = walked.shape_rows = 0;
    }
    NonFiniteFinder finder;
    visit_items(run, walked, finder);
    if (finder.item == nullptr) return true;
    report_error(run,
                 " ...ERROR..CANNOT WRITE " + value_word(finder.value) + " IN A " +
                     layout_word(req) + ": " + finder.item->name + finder.where,
                 ERR_UNWRITABLE_VALUE);
    return false;
}

} // namespace tarvex
