// The layout of the files that SAVE writes and RESTORE reads: text records, one block per
// variable, every element as the 32 hexadecimal digits of its binary128 bit pattern, so that
// a value comes back with exactly the bits it had.
//
//   TARVSAVE name type length columns year sub frequency
//   3FFF0000000000000000000000000000 4000... (up to four elements a record)
//   TARVLABL EAST     (a coded series: one record per category label, code 1 first)
//   TARVSEND name
//
// year, sub and frequency are the TIME calendar of observation 1 when the block was saved
// with DATES, and 0 0 0 otherwise.
#pragma once

#include "numeric/real.hpp"
#include "workspace/variable_copy.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

inline constexpr int SAVED_PER_RECORD = 4;

// The 32 hexadecimal digits (upper case, most significant first) of a value's bit pattern.
std::string real_to_hex(Real value);
// Reads 32 hexadecimal digits back into the value with that bit pattern.
bool hex_to_real(std::string_view text, Real& value);

// The records of one block.
std::vector<std::string> saved_block_records(const VariableCopy& var);

// Reads blocks record by record; every record of a block must be well formed.
class SavedFileParser {
public:
    // Feeds one record; false when it does not fit the layout.
    bool feed(std::string_view record);
    // True when the records fed so far end with a complete block.
    bool complete() const { return !in_block_; }
    const std::vector<VariableCopy>& blocks() const { return blocks_; }

private:
    bool header(std::string_view record);
    bool in_block_ = false;
    std::vector<VariableCopy> blocks_;
};

} // namespace tarvex
