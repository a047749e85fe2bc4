// Writing INDEX's results: the four price indexes and the four quantity indexes by observation.
#pragma once

#include "regress/index/index_numbers.hpp"

#include <vector>

namespace tarvex {

struct Run;

struct IndexShown {
    int goods = 0;
    int base = 0; // observation number
    bool chained = false;
    Real scale = 1;
    std::vector<int> obs;
};

void report_indexes(Run& run, const IndexShown& shown, const PriceQuantityIndexes& indexes);

} // namespace tarvex
