// The run's header label table: sixteen 8-character labels set from the text of a TITLE
// statement, written into the data file blocks of WRITE / TARVEX, brought back by READ / TARVEX
// and stored with every variable the data bank keeps.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarvex {

struct Run;

// TITLE text: blanks around it removed, then cut into the 128 characters of the table.
void set_header_labels(Run& run, std::string_view text);
// Labels read from a data file block: a table that is not all blank replaces the run's.
void restore_header_labels(Run& run, const std::array<std::string, 16>& labels);
// The table's text without trailing blanks ("" when no labels are set).
std::string header_labels_text(std::string_view labels);

} // namespace tarvex
