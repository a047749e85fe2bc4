// The pieces every PRINT/WRITE layout shares: the output sink, the observations to write, and
// reading elements of data vectors, matrices (full or packed lower triangle) and strings.
#include "io/print_request.hpp"

#include "core/run.hpp"
#include "io/char_words.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

bool PrintItem::series() const {
    if (ref < 0) return false; // result scalar
    if (column) return true;
    if (info.type == TYPE_CHAR_VAR) return true;
    return info.type == TYPE_DATA && info.length > 1;
}

void OutputSink::line(std::string_view text) const {
    if (to_report()) {
        if (run.flags.OPUT) write_line(run, text);
        return;
    }
    write_record(run, unit, text);
}

void OutputSink::bytes(const void* data, std::size_t size) const {
    write_bytes(run, unit, data, size);
}

std::vector<long long> observations(Run& run, const PrintRequest& req, const PrintItem& item) {
    std::vector<long long> obs;
    const long long last = req.end >= ALL_OBSERVATIONS
                               ? item.info.length
                               : std::min<long long>(req.end, item.info.length);
    for (long long t = std::max(req.beg, 1); t <= last; ++t)
        if (!req.use_skips || t > INT32_MAX || obs_in_use(run, static_cast<int>(t)))
            obs.push_back(t);
    return obs;
}

Real item_value(Run& run, const PrintItem& item, long long k) {
    return element(run, item.info, k);
}

long long matrix_rows(const PrintItem& item) {
    const VarInfo& v = item.info;
    if (v.type == TYPE_SYMMETRIC || v.type == TYPE_TRIANGLE) return v.ncol;
    return v.ncol > 0 ? v.length / v.ncol : 0;
}

Real matrix_value(Run& run, const PrintItem& item, long long i, long long j) {
    const VarInfo& v = item.info;
    const long long n = v.ncol;
    if ((v.type == TYPE_SYMMETRIC || v.type == TYPE_TRIANGLE) && v.length != n * n) {
        // Packed lower triangle, row after row: (1,1) (2,1) (2,2) (3,1) ...
        if (j > i) {
            if (v.type == TYPE_TRIANGLE) return 0;
            std::swap(i, j);
        }
        return element(run, v, i * (i - 1) / 2 + j);
    }
    return element(run, v, (j - 1) * matrix_rows(item) + i); // column after column
}

std::string string_text(Run& run, const PrintItem& item) {
    std::string text;
    for (long long k = 1; k <= item.info.length; ++k)
        text += element_to_chars(element(run, item.info, k));
    const std::size_t end = text.find_last_not_of(' ');
    text.resize(end == std::string::npos ? 0 : end + 1);
    return text;
}

namespace {

Cell cell_of(Run& run, const PrintItem& item, long long t) {
    Cell cell;
    if (t > item.info.length) {
        cell.present = false;
        return cell;
    }
    const Real word = item_value(run, item, t);
    cell.value = item.info.type == TYPE_CHAR_VAR ? FormatValue::of(element_to_chars(word))
                                                 : FormatValue::of(word);
    return cell;
}

bool visit_table(Run& run, const PrintRequest& req, const std::vector<const PrintItem*>& table,
                 LayoutVisitor& visitor) {
    if (table.empty()) return true;
    if (!visitor.table_heading(table)) return false;
    // Observations of the longest item; shorter items leave their cells empty.
    const PrintItem* longest = table.front();
    for (const PrintItem* item : table)
        if (item->info.length > longest->info.length) longest = item;
    std::vector<Cell> cells(table.size());
    for (long long t : observations(run, req, *longest)) {
        for (std::size_t k = 0; k < table.size(); ++k) cells[k] = cell_of(run, *table[k], t);
        if (!visitor.table_row(t, cells)) return false;
    }
    return visitor.table_end();
}

} // namespace

bool lower_triangle_item(const PrintRequest& req, const PrintItem& item) {
    if (item.ref < 0 || item.column) return false;
    const int type = item.info.type;
    if (type == TYPE_SYMMETRIC || type == TYPE_TRIANGLE) return true;
    return req.lower_triangle && type == TYPE_MATRIX;
}

namespace {

bool is_matrix(const PrintItem& item) {
    return item.ref > 0 && !item.column && item.info.type >= TYPE_MATRIX &&
           item.info.type <= TYPE_TRIANGLE;
}

bool is_numeric(const PrintItem& item) {
    return item.ref < 0 || item.column || item.info.type == TYPE_DATA || is_matrix(item);
}

// A matrix's values row after row (only the lower triangle when it is written as one).
std::vector<Real> matrix_by_rows(Run& run, const PrintRequest& req, const PrintItem& item) {
    const long long rows = matrix_rows(item);
    const long long cols = item.info.ncol;
    const bool lower = lower_triangle_item(req, item);
    std::vector<Real> values;
    for (long long i = 1; i <= rows; ++i)
        for (long long j = 1, last = lower ? std::min(i, cols) : cols; j <= last; ++j)
            values.push_back(matrix_value(run, item, i, j));
    return values;
}

// COLS and ROWS: the item's values (observations in range, a matrix row by row, a scalar)
// as rows of the requested shape; values past ROWS x COLS are left out.
bool visit_shaped(Run& run, const PrintRequest& req, const PrintItem& item,
                  LayoutVisitor& visitor) {
    std::vector<Real> values;
    if (item.series()) {
        for (long long t : observations(run, req, item)) values.push_back(item_value(run, item, t));
    } else if (is_matrix(item)) {
        values = matrix_by_rows(run, req, item);
    } else {
        values.push_back(item.info.length >= 1 || item.ref < 0 ? item_value(run, item, 1)
                                                               : Real(0));
    }
    const long long count = static_cast<long long>(values.size());
    long long cols = req.shape_cols;
    if (cols <= 0) cols = std::max<long long>(1, (count + req.shape_rows - 1) / req.shape_rows);
    long long rows = (count + cols - 1) / cols;
    if (req.shape_rows > 0) rows = std::min(rows, req.shape_rows);
    if (!visitor.matrix_heading(item, rows, cols, false)) return false;
    std::vector<Real> row;
    for (long long i = 0; i < rows; ++i) {
        const long long first = i * cols;
        const long long last = std::min(count, first + cols);
        row.assign(values.begin() + first, values.begin() + last);
        if (!visitor.matrix_row(item, i + 1, row)) return false;
    }
    return true;
}

} // namespace

bool visit_items(Run& run, const PrintRequest& req, LayoutVisitor& visitor) {
    const bool shaped = req.shape_cols > 0 || req.shape_rows > 0;
    const bool one_at_a_time = req.byvar || req.new_sheet;
    bool first = true;
    // NEWLINE and NEWSHEET mark the start of every item after the first.
    auto start_item = [&]() {
        if (first) {
            first = false;
            return true;
        }
        if (req.new_sheet) return visitor.item_break(true);
        if (req.new_line) return visitor.item_break(false);
        return true;
    };
    std::vector<const PrintItem*> table;
    auto flush_table = [&]() {
        if (table.empty()) return true;
        const bool ok = start_item() && visit_table(run, req, table, visitor);
        table.clear();
        return ok;
    };
    for (const PrintItem& item : req.items) {
        if (shaped && is_numeric(item)) {
            if (!flush_table() || !start_item() || !visit_shaped(run, req, item, visitor))
                return false;
            continue;
        }
        if (item.series()) {
            table.push_back(&item);
            if (one_at_a_time && !flush_table()) return false;
            continue;
        }
        if (!flush_table() || !start_item()) return false;
        const VarInfo& v = item.info;
        bool ok = true;
        if (item.ref < 0 || v.type == TYPE_DATA) {
            ok = visitor.scalar(item,
                                v.length >= 1 || item.ref < 0 ? item_value(run, item, 1) : Real(0));
        } else if (v.type == TYPE_CHAR_STRING) {
            ok = visitor.string_item(item, string_text(run, item));
        } else {
            const long long rows = matrix_rows(item);
            const long long cols = v.ncol;
            const bool lower = lower_triangle_item(req, item);
            ok = visitor.matrix_heading(item, rows, cols, lower);
            std::vector<Real> values;
            for (long long i = 1; ok && i <= rows; ++i) {
                values.clear();
                const long long last = lower ? std::min(i, cols) : cols;
                for (long long j = 1; j <= last; ++j)
                    values.push_back(matrix_value(run, item, i, j));
                ok = visitor.matrix_row(item, i, values);
            }
        }
        if (!ok) return false;
    }
    return flush_table();
}

} // namespace tarvex
