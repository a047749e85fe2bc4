// Delimited output (FORMAT=COMMA or FORMAT=TAB) and the dump layout (FORMAT=DUMP). Delimited
// lines hold one observation of every listed series (a matrix row, a scalar, a string) with the
// delimiter between values and nothing around them; names, when shown, make the first line in
// the same form. Numbers carry the digits that read back to the identical binary128 value.
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/print_request.hpp"
#include "io/real_text.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

inline constexpr int DUMP_WIDTH = 45; // E45.35: every digit of a binary128 value
inline constexpr int DUMP_DIGITS = 35;

std::string cell_text(const FormatValue& v) {
    return v.is_text ? trim_blanks(v.text) : exact_real_text(v.number);
}

class DelimitedVisitor : public LayoutVisitor {
public:
    DelimitedVisitor(const PrintRequest& req, const OutputSink& out) : req_(req), out_(out) {}

    bool table_heading(const std::vector<const PrintItem*>& items) override {
        if (!req_.names) return true;
        std::string line;
        for (std::size_t k = 0; k < items.size(); ++k)
            line += (k ? std::string(1, req_.delimiter) : std::string()) + items[k]->name;
        out_.line(line);
        return true;
    }
    bool table_row(long long, const std::vector<Cell>& cells) override {
        std::string line;
        for (std::size_t k = 0; k < cells.size(); ++k) {
            if (k) line += req_.delimiter;
            if (cells[k].present) line += cell_text(cells[k].value);
        }
        out_.line(line);
        return true;
    }
    bool scalar(const PrintItem& item, Real value) override {
        if (req_.names) out_.line(item.name);
        out_.line(exact_real_text(value));
        return true;
    }
    bool matrix_heading(const PrintItem& item, long long, long long, bool) override {
        if (req_.names) out_.line(item.name);
        return true;
    }
    bool matrix_row(const PrintItem&, long long, const std::vector<Real>& values) override {
        std::string line;
        for (std::size_t k = 0; k < values.size(); ++k)
            line +=
                (k ? std::string(1, req_.delimiter) : std::string()) + exact_real_text(values[k]);
        out_.line(line);
        return true;
    }
    bool string_item(const PrintItem& item, const std::string& text) override {
        if (req_.names) out_.line(item.name);
        out_.line(text);
        return true;
    }
    bool item_break(bool new_page) override {
        out_.line(new_page ? PAGE_BREAK : std::string_view());
        return true;
    }

private:
    const PrintRequest& req_;
    const OutputSink& out_;
};

} // namespace

bool write_delimited(Run& run, const PrintRequest& req, const OutputSink& out) {
    DelimitedVisitor visitor(req, out);
    return visit_items(run, req, visitor);
}

// The dump layout: for each item a line with its name, type description, length and columns,
// then every element with its index (I10) and its value in E45.35.
bool write_dump(Run& run, const PrintRequest& req, const OutputSink& out) {
    for (const PrintItem& item : req.items) {
        const VarInfo& v = item.info;
        out.line(" " + first_8_padded(item.name) + "  " + std::string(type_description(v.type)) +
                 fmt_I(v.length, 10) + fmt_I(v.ncol, 10));
        const bool text = v.type == TYPE_CHAR_STRING || v.type == TYPE_CHAR_VAR;
        for (long long k = 1; k <= v.length; ++k) {
            const Real word = item_value(run, item, k);
            out.line(fmt_I(k, 10) + " " +
                     (text ? element_to_chars(word) : fmt_E(word, DUMP_WIDTH, DUMP_DIGITS)));
        }
    }
    return true;
}

} // namespace tarvex
