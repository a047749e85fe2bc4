// CONVERT / IN=file OUT=file [FORMAT=layout]: a data file rewritten in another layout, read by
// READ's readers and written by WRITE's writers.
#pragma once

#include "convert/convert_options.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

// `words`: the names listed before "/" (there must be none). False after an error.
bool convert_file(Run& run, const ConvertOptions& o, const std::vector<std::string>& words);

} // namespace tarvex
