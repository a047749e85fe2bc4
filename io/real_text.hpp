// Decimal text of a binary128 value that reads back to the identical value: the shortest of
// 33 or 36 significant digits that does (33 digits recover every value typed with up to 33
// digits, 36 digits recover any value at all).
#pragma once

#include "numeric/real.hpp"

#include <string>

namespace tarvex {

std::string exact_real_text(Real value);

} // namespace tarvex
