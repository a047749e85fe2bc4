// The version of this engine, shown by the welcome banner and by DISPLAY.
#pragma once

#include <string_view>

namespace tarvex {

inline constexpr std::string_view TARVEX_VERSION = "11.0";

} // namespace tarvex
