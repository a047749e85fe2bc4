// Text columns of a delimited file read with NAMES. A column whose first value that is not
// missing is a word rather than a number holds text: its values are kept as written while the
// rows are read, and then become codes 1, 2, ... in the sorted order of the distinct texts (the
// texts stay with the series as its category labels), or with CHARVAR a character variable of
// 8 characters per observation. Only the read_*.cpp files include this.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct ReadJob;

class TextColumns {
public:
    // `active`: text is allowed (a header named the columns); `columns`: the names listed.
    TextColumns(std::size_t columns, bool active);
    bool is_text(std::size_t column) const { return active_ && text_[column]; }
    // A value that is not a number: true when the column holds text from here on, which it may
    // while no number has been read in it (every earlier value was missing).
    bool accept_word(std::size_t column, long long row);
    // A number read in a column that is not text.
    void saw_number(std::size_t column) { seen_number_[column] = true; }
    // The field of a text column at `row` (0-based), missing when empty or NA.
    void take(std::size_t column, long long row, std::string_view field);
    // After the rows: the text columns' values replace their placeholders in job.pending, as
    // codes (labels kept in job.text_columns) or with `char_vars` as character variables.
    void finish(ReadJob& job, bool char_vars);

private:
    bool active_;
    std::vector<bool> text_;
    std::vector<bool> seen_number_;
    std::vector<std::vector<std::string>> values_; // per column, per row ("" missing)
};

} // namespace tarvex
