// A value as the messages of the estimators show it: up to 8 significant digits, no blanks.
#pragma once

#include "numeric/real.hpp"

#include <string>

namespace tarvex {

std::string number_text(Real v);

} // namespace tarvex
