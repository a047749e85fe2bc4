// Rows delivered a block at a time: the one way an estimator reads data that need not be in
// memory at once (series bound to a file on disk, or one rank's share of the rows of a
// partitioned run). A block holds the columns of consecutive rows in use as aligned binary128
// arrays; the kernels that take blocks keep exact per-block sums, so the result of a pass does
// not depend on where the blocks are cut.
#pragma once

#include "numeric/real.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace tarvex {

// Rows [first, first + length) of the rows the source delivers (counted from its first row: in
// a run over several ranks, from the first row of this rank's share), column c at columns[c][0 ..
// length-1]. The arrays stay valid until the next call of next() or rewind() on the source that
// filled them. `observations`, when not null, holds each row's observation number (1-based, in the
// data as a whole), for the messages and the outputs that name observations.
struct RowBlock {
    long long first = 0;
    std::size_t length = 0;
    std::vector<const Real*> columns;
    const long long* observations = nullptr;
};

class RowBlocks {
public:
    virtual ~RowBlocks() = default;
    // The rows in use that this source delivers (every pass delivers them all, in order): all of
    // them, or in a run over several ranks this rank's share (the total is the sum over the
    // ranks).
    virtual long long rows() const = 0;
    // The columns each block holds.
    virtual int columns() const = 0;
    // The next block of the pass; false at the end of the pass, or when a read failed (then
    // failure() is the error line that ends the command).
    virtual bool next(RowBlock& block) = 0;
    // Starts another pass from the first row.
    virtual void rewind() = 0;
    // Empty while every read has succeeded; else the line that says what failed and where.
    virtual const std::string& failure() const = 0;
};

} // namespace tarvex
