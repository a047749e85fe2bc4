// One variable kept in memory while PAR or SIZE reallocates the work area.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <vector>

namespace tarvex {

// One variable as it stood before the reallocation.
struct CarriedVariable {
    std::string name;
    int type = 1;
    long long length = 0;
    int ncol = 1;
    std::vector<Real> elements;
};

} // namespace tarvex
