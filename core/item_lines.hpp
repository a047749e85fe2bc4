// A list of items written as report lines that wrap at the line width: the lead, then the items
// separated by ", ", continued on lines that begin with one blank.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct Run;

void write_item_lines(Run& run, std::string lead, const std::vector<std::string>& items);

} // namespace tarvex
