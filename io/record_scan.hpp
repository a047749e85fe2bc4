// Splitting data records into values without per-field allocation: free-format (list-directed)
// scanning with blank or comma separators, null values, repeat counts "r*v" and the "/" end
// mark; and delimited records split on one delimiter character.
#pragma once

#include "numeric/real.hpp"

#include <string_view>
#include <vector>

namespace tarvex {

enum class FieldKind {
    VALUE, // a number (value set)
    NUL,   // an empty item between separators, or "r*": the value stays unset
    END,   // the record holds no more items
    SLASH, // "/" ends the read of the current item list
    BAD,   // an item that is not a number (bad_item() holds it)
};

// One data item as a number: every form a user types, and the G and E fields WRITE writes
// (an exponent of three or more digits follows the mantissa as a bare sign: "0.1000000+102").
bool data_number(std::string_view item, Real& value);
// Whether `item` is a number in one of those forms that lies beyond the binary128 range.
bool data_number_overflows(std::string_view item);

class FreeScanner {
public:
    void reset(std::string_view record);
    FieldKind next(Real& value);
    std::string_view bad_item() const { return bad_; }
    // Whether anything but blanks and separators is left.
    bool exhausted();

private:
    std::string_view rec_;
    std::size_t pos_ = 0;
    long repeat_left_ = 0;
    FieldKind repeat_kind_ = FieldKind::END;
    Real repeat_value_ = 0;
    std::string_view bad_;
};

// The delimiter a data record uses: a tab when it holds one, else a comma when it holds one,
// else 0 (blank-separated).
char record_delimiter(std::string_view record);
// The first `delimiter` at or after `from` that no double quote encloses (a text field written
// "New York, NY" is one field); npos when there is none.
std::size_t delimiter_outside_quotes(std::string_view record, char delimiter, std::size_t from);
// Splits `record` on `delimiter` (0: on runs of blanks) into `fields`, each without its
// surrounding blanks; an empty record gives no fields. A delimiter inside double quotes does not
// split.
void split_fields(std::string_view record, char delimiter, std::vector<std::string_view>& fields);
// Reads one field as a number; empty fields and the words NA, N/A, NAN and "." are missing
// (returns true with `missing` set). False for anything else that is not a number.
bool field_value(std::string_view field, Real& value, bool& missing);

} // namespace tarvex
