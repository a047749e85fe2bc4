// Rows for the tests of the estimators over row blocks: columns held in memory, served a chosen
// number of rows at a time, with a read that fails where asked.
#pragma once

#include "kernels/row_blocks.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace tarvex::testing {

// Columns held in memory, served `block` rows at a time; a read fails at row `fail_at` (< 0:
// never). With `observations` each row carries its observation number (from 1).
class MemoryRows : public RowBlocks {
public:
    MemoryRows(std::vector<std::vector<Real>> columns, std::size_t block, long long fail_at = -1,
               bool observations = false)
        : columns_(std::move(columns)), block_(block), fail_at_(fail_at) {
        if (observations)
            for (std::size_t t = 1; t <= columns_[0].size(); ++t)
                observations_.push_back(static_cast<long long>(t));
    }
    long long rows() const override { return static_cast<long long>(columns_[0].size()); }
    int columns() const override { return static_cast<int>(columns_.size()); }
    bool next(RowBlock& out) override {
        const std::size_t n = columns_[0].size();
        if (at_ >= n || !failure_.empty()) return false;
        const std::size_t length = std::min(block_, n - at_);
        if (fail_at_ >= 0 && static_cast<long long>(at_ + length) > fail_at_) {
            failure_ = " ...ERROR..READING ROW " + std::to_string(fail_at_);
            return false;
        }
        out.first = static_cast<long long>(at_);
        out.length = length;
        out.columns.clear();
        for (const auto& c : columns_) out.columns.push_back(c.data() + at_);
        out.observations = observations_.empty() ? nullptr : observations_.data() + at_;
        at_ += length;
        ++blocks_served;
        return true;
    }
    void rewind() override { at_ = 0; }
    const std::string& failure() const override { return failure_; }
    long long blocks_served = 0;

private:
    std::vector<std::vector<Real>> columns_;
    std::size_t block_;
    long long fail_at_;
    std::size_t at_ = 0;
    std::string failure_;
    std::vector<long long> observations_;
};

} // namespace tarvex::testing
