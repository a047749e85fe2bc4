// The header of a TARVBIN block as the writers of data series give it, and the contents of its
// header record (io/tarv_blocks.hpp): shared by WRITE / TARVEX BINARY and the series a command
// writes to a file by positioned writes (io/tarv_column_file.hpp).
#pragma once

#include "io/tarv_blocks.hpp"

#include <string>

namespace tarvex {

struct Run;

// A data series `name` of `length` elements, with the run's time settings and header labels, as
// WRITE / TARVEX BINARY writes it.
tarv_blocks::BlockHeader series_block_header(const Run& run, const std::string& name,
                                             long long length);
// The 240 bytes of the header record.
std::string tarvbin_header_contents(const tarv_blocks::BlockHeader& h);

} // namespace tarvex
