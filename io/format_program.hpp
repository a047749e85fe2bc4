// The Fortran format interpreter used by PRINT, WRITE and READ with a user FORMAT: a format text
// such as "(2F10.3, 3X, 2(E12.4,1X) / A8)" is parsed once into a program of edit operations, then
// run to write values into records or to read values out of records. Edit descriptors: Fw.d,
// Ew.d[Ee], Dw.d, Gw.d[Ee], Aw and A, nX, "/", ":", quoted literals and nH literals, repeat
// counts, nested groups and format reversion (Fortran's rule: when the format ends with values
// left, a new record starts at the last group opened at the outermost level, repeat included).
#pragma once

#include "numeric/real.hpp"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

enum class EditKind {
    F,
    E,
    D,
    G,
    A,           // data edit descriptors
    SKIP,        // nX
    SLASH,       // "/": end of record
    COLON,       // ":": stop here when no value is left
    LITERAL,     // 'text', "text" or nHtext
    GROUP_BEGIN, // "(" with its repeat count
    GROUP_END,   // ")" of a group (not of the whole format)
};

struct EditOp {
    EditKind kind = EditKind::SKIP;
    int w = 0;        // field width (A: 0 when no width was given); nX: n
    int d = 0;        // digits after the point or significant digits
    int e = 0;        // exponent digits of Ee (0: default form)
    int repeat = 1;   // GROUP_BEGIN: repeat count
    int partner = -1; // GROUP_BEGIN: index of its GROUP_END, and the reverse
    std::string text; // LITERAL
    bool is_data() const {
        return kind == EditKind::F || kind == EditKind::E || kind == EditKind::D ||
               kind == EditKind::G || kind == EditKind::A;
    }
};

struct FormatProgram {
    std::vector<EditOp> ops; // the items inside the outermost parentheses, groups flattened
    int reversion = 0;       // where a new pass starts: the last outermost group, or 0
    bool has_data = false;   // at least one data edit descriptor
};

// A value handed to or taken from the interpreter: a number, or text for the A descriptor.
struct FormatValue {
    bool is_text = false;
    Real number = 0;
    std::string text;
    static FormatValue of(Real v) { return FormatValue{false, v, {}}; }
    static FormatValue of(std::string t) { return FormatValue{true, 0, std::move(t)}; }
};

// Parses a format text; false with a short reason in `error` when it is not a valid format.
bool parse_format(std::string_view text, FormatProgram& program, std::string* error = nullptr);

// Writes `values` through the format into records (one string per record). False when the
// format cannot write them: a number met by A or text by F/E/D/G, or values left over by a
// format that has no data edit descriptor.
bool format_write(const FormatProgram& program, const std::vector<FormatValue>& values,
                  std::vector<std::string>& records);

// Supplies the next record of input; false at the end of the data.
using RecordSource = std::function<bool(std::string&)>;

// Reads `count` values through the format, starting with `first` as the current record and
// asking `next_record` for each further record ("/" or reversion). F, E, D and G fields read
// numbers (blanks are ignored, an all-blank field is zero, a field without a decimal point has
// d implied decimals); A fields read text (A alone: 8 characters). False when a field does not
// hold a number (`bad_field` receives it) or the data end too soon (`bad_field` empty).
bool format_read(const FormatProgram& program, const std::string& first,
                 const RecordSource& next_record, std::size_t count,
                 std::vector<FormatValue>& values, std::string* bad_field = nullptr);

} // namespace tarvex
