// The data-bank hook: this version keeps no data bank and says so when asked to save.
#include "workspace/data_bank.hpp"

#include "interp/run.hpp"

namespace tarvex {

void save_data_bank(Run& run) {
    write_line(run, " ...NOTE..DATA BANK IS NOT AVAILABLE YET");
}

} // namespace tarvex
