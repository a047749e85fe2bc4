// The option table of INDEX, its defaults, and the settings the command reads from it.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

// METHOD is LASPEYRE, PAASCHE, FISHER or TORNQVIS: the formula PRICE= and QUANTITY= store.
struct IndexOptions {
    bool CHAINED = false;
    int BEG = 0, END = 0, BASE = 0; // BASE 0: the first observation in use
    Real SCALE = 1;
    std::string METHOD, PRICE, QUANTITY;
};

const OptionTable& index_option_table();
// BEG and END from the current sample, SCALE=1, METHOD=FISHER.
void set_index_defaults(Run& run);
IndexOptions read_index_options(const Run& run);

} // namespace tarvex
