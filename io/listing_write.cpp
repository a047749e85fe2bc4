// The fixed listing of PRINT (and of WRITE in free format) and output through the stored user
// format. Listing fields: one blank column, then G15.7 values, 5 to a line or 8 with WIDE;
// name headings in the same 15-column fields (7 blanks and the name).
#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "io/print_request.hpp"
#include "io/print_write_errors.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <algorithm>

namespace tarvex {

namespace {

inline constexpr int FIELD = 15;                   // listing field width
inline constexpr int DIGITS = 7;                   // significant digits of a listing field
inline constexpr int PER_LINE = 5;                 // fields to a line
inline constexpr int PER_LINE_WIDE = 8;            // fields to a line with WIDE
inline constexpr int STRING_FIELD = 24;            // width of a character string's field
inline constexpr int STRING_COUNT = 10;            // width of the character count after it
inline constexpr std::size_t REPORT_COLUMNS = 130; // longest report line
inline constexpr std::size_t FORMAT_SHOWN = 120;   // characters of a bad format that are shown

std::string heading_field(std::string_view name) {
    return std::string(7, ' ') + first_8_padded(name);
}

std::string value_field(const FormatValue& v) {
    if (v.is_text) return fmt_A(v.text, FIELD);
    return fmt_G(v.number, FIELD, DIGITS);
}

// The name of a result scalar as listings show it: "$" and its four-character table name.
std::string scalar_label(const PrintItem& item) {
    std::string name(RESULT_NAMES[-item.ref - 1]);
    name.resize(4, ' ');
    return "$" + name;
}

class ListingVisitor : public LayoutVisitor {
public:
    ListingVisitor(const PrintRequest& req, const OutputSink& out)
        : req_(req), out_(out), per_line_(req.wide ? PER_LINE_WIDE : PER_LINE) {}

    bool table_heading(const std::vector<const PrintItem*>& items) override {
        if (!req_.names) return true;
        for (std::size_t first = 0; first < items.size(); first += per_line_) {
            const std::size_t last = std::min(items.size(), first + per_line_);
            std::string line = " ";
            for (std::size_t k = first; k < last; ++k) line += heading_field(items[k]->name);
            // On a file a full line of names that more names follow is marked for READ.
            if (!out_.to_report() && last - first == std::size_t(per_line_) && last < items.size())
                line += "&";
            emit(line);
        }
        return true;
    }

    bool table_row(long long, const std::vector<Cell>& cells) override {
        std::vector<std::string> fields;
        std::vector<bool> present;
        for (const Cell& cell : cells) {
            // On a file a series that has ended writes the missing code, so that every row keeps
            // one value per name and READ takes the rows back in their columns.
            if (!cell.present && !out_.to_report()) {
                fields.push_back(fmt_G(out_.run.ws.XMISS, FIELD, DIGITS));
                present.push_back(true);
                continue;
            }
            fields.push_back(cell.present ? value_field(cell.value) : std::string(FIELD, ' '));
            present.push_back(cell.present);
        }
        flow(fields, present);
        return true;
    }

    bool scalar(const PrintItem& item, Real value) override {
        const std::string field = fmt_G(value, FIELD, DIGITS);
        if (!req_.names) {
            emit(" " + field);
        } else if (item.ref < 0) {
            emit("    " + scalar_label(item) + "  " + field);
        } else {
            emit("    " + first_8_padded(item.name) + "  " + field);
        }
        return true;
    }

    bool matrix_heading(const PrintItem& item, long long rows, long long cols,
                        bool lower) override {
        if (!req_.names && req_.is_write) return true;
        if (req_.names) emit(" " + heading_field(item.name));
        emit(" " + fmt_I(rows, 5) + " BY " + fmt_I(cols, 5) +
             (lower ? " MATRIX - LOWER TRIANGLE PRINTED" : " MATRIX"));
        return true;
    }

    bool matrix_row(const PrintItem&, long long, const std::vector<Real>& values) override {
        std::vector<std::string> fields;
        for (Real v : values) fields.push_back(fmt_G(v, FIELD, DIGITS));
        flow(fields);
        return true;
    }

    bool string_item(const PrintItem& item, const std::string& text) override {
        if (!req_.names) {
            emit(" " + text);
            return true;
        }
        emit(" " + heading_field(item.name));
        std::string field = text;
        if (field.size() < STRING_FIELD) field.resize(STRING_FIELD, ' ');
        emit(" " + field + " : " + fmt_I(static_cast<long long>(text.size()), STRING_COUNT));
        return true;
    }

    bool item_break(bool new_page) override {
        emit(new_page ? std::string(PAGE_BREAK) : std::string(" "));
        return true;
    }

private:
    // A listing line: on a file without the blanks after its last field, as on the report.
    void emit(const std::string& line) {
        if (out_.to_report()) {
            out_.line(line);
            return;
        }
        const std::size_t last = line.find_last_not_of(' ');
        out_.line(last == std::string::npos ? std::string(" ") : line.substr(0, last + 1));
    }

    // Fields after one blank column, per_line_ to a line, continuing on further lines; a
    // continuation line whose variables have all ended is left out.
    void flow(const std::vector<std::string>& fields, const std::vector<bool>& present = {}) {
        if (fields.empty()) {
            emit(" ");
            return;
        }
        for (std::size_t first = 0; first < fields.size(); first += per_line_) {
            const std::size_t last = std::min(fields.size(), first + per_line_);
            bool any = first == 0 || present.empty();
            for (std::size_t k = first; k < last && !any; ++k) any = present[k];
            if (!any) continue;
            std::string line = " ";
            for (std::size_t k = first; k < last; ++k) {
                // A value that fills its whole field (a negative one with a four-digit exponent)
                // would run into the one before it: on a file a blank keeps them apart for READ.
                if (k > first && !out_.to_report() && fields[k][0] != ' ') line += ' ';
                line += fields[k];
            }
            emit(line);
        }
    }

    const PrintRequest& req_;
    const OutputSink& out_;
    int per_line_;
};

// Each table row, matrix row, scalar and string goes through the stored format.
class UserFormatVisitor : public LayoutVisitor {
public:
    UserFormatVisitor(const PrintRequest& req, const OutputSink& out) : req_(req), out_(out) {}

    bool table_heading(const std::vector<const PrintItem*>&) override { return true; }
    bool table_row(long long, const std::vector<Cell>& cells) override {
        std::vector<FormatValue> values;
        for (const Cell& cell : cells) {
            if (cell.present)
                values.push_back(cell.value);
            else if (!out_.to_report()) // as in the listing: the missing code keeps the columns
                values.push_back(FormatValue::of(out_.run.ws.XMISS));
        }
        return emit(values);
    }
    bool scalar(const PrintItem&, Real value) override { return emit({FormatValue::of(value)}); }
    bool matrix_heading(const PrintItem&, long long, long long, bool) override { return true; }
    bool matrix_row(const PrintItem&, long long, const std::vector<Real>& row) override {
        std::vector<FormatValue> values;
        for (Real v : row) values.push_back(FormatValue::of(v));
        return emit(values);
    }
    bool string_item(const PrintItem&, const std::string& text) override {
        return emit({FormatValue::of(text)});
    }
    bool item_break(bool new_page) override {
        out_.line(new_page ? PAGE_BREAK : std::string_view(" "));
        return true;
    }

private:
    bool emit(const std::vector<FormatValue>& values) {
        std::vector<std::string> records;
        if (!format_write(req_.program, values, records)) return false;
        if (out_.to_report())
            for (const std::string& record : records)
                if (record.size() > REPORT_COLUMNS) return false;
        for (const std::string& record : records) out_.line(record);
        return true;
    }

    const PrintRequest& req_;
    const OutputSink& out_;
};

} // namespace

bool write_listing(Run& run, const PrintRequest& req, const OutputSink& out) {
    ListingVisitor visitor(req, out);
    return visit_items(run, req, visitor);
}

void report_bad_format(Run& run, const std::string& format_text) {
    report_error(run, " ...ERROR..BAD FORMAT OR MAY PRINT MORE THAN 130 COLUMNS",
                 command_error_number(run, PW_BAD_FORMAT));
    write_line(run, " " + format_text.substr(0, FORMAT_SHOWN));
}

bool write_user_format(Run& run, const PrintRequest& req, const OutputSink& out) {
    UserFormatVisitor visitor(req, out);
    if (visit_items(run, req, visitor)) return true;
    report_bad_format(run, req.format_text);
    return false;
}

} // namespace tarvex
