// What one PRINT or WRITE statement asks for, once its options are read: the items to list with
// their headers, the observation range, the layout, and where the lines go. The layout writers
// (listing, user format, delimited, DIF, data file blocks) take it and an output sink.
#pragma once

#include "io/format_program.hpp"
#include "workspace/workspace.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct Run;

// How values are laid out.
enum class Layout {
    LISTING,     // fixed listing: G15.7 fields, 5 (8 with WIDE) to a line
    USER_FORMAT, // the stored FORMAT$
    DELIMITED,   // FORMAT=COMMA or FORMAT=TAB
    DUMP,        // FORMAT=DUMP
    DIF,         // spreadsheet interchange file
    TARVEX,      // TARVDATA or TARVBIN blocks
};

// One listed item: its reference, name and header.
struct PrintItem {
    int ref = 0;
    std::string name; // 8 characters at most, no padding ("$R2" for a result scalar)
    VarInfo info;
    bool column = false; // a column of a matrix
    bool series() const; // observation-indexed: data vector of length > 1, column, char variable
};

// Observations that fall past a "meaning all" range are clipped to each variable's length.
inline constexpr int ALL_OBSERVATIONS = 999999999;

struct PrintRequest {
    bool is_write = false;
    std::vector<PrintItem> items;
    int beg = 1;
    int end = 0;           // ALL_OBSERVATIONS: to the end of each variable
    bool use_skips = true; // observations outside the sample are passed over
    Layout layout = Layout::LISTING;
    char delimiter = ',';
    std::string format_text; // the stored format (USER_FORMAT)
    FormatProgram program;   // ... parsed
    bool names = false;
    bool wide = false;
    bool byvar = false;
    bool binary = false; // TARVBIN (with TARVEX) or unformatted records
    bool sbinary = false;
    bool to_unit = false; // lines go to a file unit, not to the report
    // SYMAT or TRIMAT: a square matrix goes out as its lower triangle, row i holding i values
    // (on a line of its own, or in one unformatted record), the form READ reads with SYMAT or
    // TRIMAT.
    bool lower_triangle = false;
    // COLS and ROWS: each numeric item goes out as a matrix of that shape, row by row (0: the
    // other is worked out from the number of values), as READ reads a matrix with COLS and ROWS.
    long long shape_cols = 0;
    long long shape_rows = 0;
    bool new_line = false;  // NEWLINE: an empty line between items
    bool new_sheet = false; // NEWSHEET: every item on a page of its own, series not side by side
};

// The line that starts a new page (a form feed), written by NEWPAGE and NEWSHEET.
inline constexpr std::string_view PAGE_BREAK = "\f";

// Where lines go: the report (through the line buffer, so subject to "?" and to the 130-column
// lines) or a unit's file, record for record.
struct OutputSink {
    Run& run;
    int unit = 0; // 0: the report
    bool to_report() const { return unit == 0; }
    void line(std::string_view text) const;
    // Raw bytes for unformatted records.
    void bytes(const void* data, std::size_t size) const;
};

// Observation numbers of `item` to write under `req` (its range, clipped to the item's length
// for "all", minus the skipped observations).
std::vector<long long> observations(Run& run, const PrintRequest& req, const PrintItem& item);

// A value of a listing row: a number, or the 8 characters of a character variable.
struct Cell {
    bool present = true; // false past the end of a shorter variable
    FormatValue value;
};

// The items of a request walked in listing order: consecutive observation-indexed items form
// one table written observation by observation (or, with BYVAR, one item at a time), and every
// other item stands alone. A layout receives the walk through these calls; returning false
// from any of them ends the walk.
struct LayoutVisitor {
    virtual ~LayoutVisitor() = default;
    virtual bool table_heading(const std::vector<const PrintItem*>& items) = 0;
    virtual bool table_row(long long obs, const std::vector<Cell>& cells) = 0;
    virtual bool table_end() { return true; }
    virtual bool scalar(const PrintItem& item, Real value) = 0;
    // `lower`: only the lower triangle follows.
    virtual bool matrix_heading(const PrintItem& item, long long rows, long long cols,
                                bool lower) = 0;
    virtual bool matrix_row(const PrintItem& item, long long row,
                            const std::vector<Real>& values) = 0;
    virtual bool string_item(const PrintItem& item, const std::string& text) = 0;
    // Between two items: an empty line (NEWLINE) or a new page (NEWSHEET).
    virtual bool item_break(bool new_page) {
        (void)new_page;
        return true;
    }
};
bool visit_items(Run& run, const PrintRequest& req, LayoutVisitor& visitor);

// The layout writers; each returns false after writing its error line.
bool write_listing(Run& run, const PrintRequest& req, const OutputSink& out);
bool write_user_format(Run& run, const PrintRequest& req, const OutputSink& out);
bool write_delimited(Run& run, const PrintRequest& req, const OutputSink& out);
bool write_dump(Run& run, const PrintRequest& req, const OutputSink& out);
bool write_dif(Run& run, const PrintRequest& req, const OutputSink& out);
bool write_tarvex_blocks(Run& run, const PrintRequest& req, const OutputSink& out);

// WRITE to a file in a text layout: false after "...ERROR..CANNOT WRITE NAN IN A COMMA FILE: X
// OBSERVATION 3" (and $ERR 5052) when a value it would write is infinite or NaN, which READ
// does not take back from text. Binary records and the dump layout take every value.
bool values_writable(Run& run, const PrintRequest& req);

// "...ERROR..BAD FORMAT OR MAY PRINT MORE THAN 130 COLUMNS" and the format's first 120
// characters on the next line; ends the command.
void report_bad_format(Run& run, const std::string& format_text);

// Element access shared by the writers.
Real item_value(Run& run, const PrintItem& item, long long k);
// The matrix items written as a lower triangle: symmetric and triangle matrices always, any
// matrix under SYMAT or TRIMAT.
bool lower_triangle_item(const PrintRequest& req, const PrintItem& item);
// Rows and columns of a matrix item; a symmetric or triangle matrix is square (NCOL).
long long matrix_rows(const PrintItem& item);
// Element (i, j) of a matrix item (lower triangle for the packed symmetric and triangle forms).
Real matrix_value(Run& run, const PrintItem& item, long long i, long long j);
// The text of a character string item, trailing blanks removed.
std::string string_text(Run& run, const PrintItem& item);

} // namespace tarvex
