// The values start-up reads from the settings file beside the engine and from the settings
// store: work-area size, variable limit, the run's directories and the display fonts.
#pragma once

#include <array>
#include <string>

namespace tarvex {

inline constexpr int DEFAULT_IPAR = 20480; // work area kilobytes
inline constexpr int DEFAULT_MAXVAR = 1000;

struct HostSettings {
    int IPAR = DEFAULT_IPAR;
    int IMAX = 0; // variable limit; 0 = the default of 1000
    int ISTA = 1;
    int IWIDE = 0;
    std::string VPREF; // preferences directory
    std::string VSYS;  // system directory
    std::string VTEMP; // temporary files (falls back to $TEMP, then /tmp)
    std::string VUSER; // user files
    std::string VPROC; // procedure files
    std::string VGNU;  // the gnuplot program's directory
    std::array<std::string, 5> FONT;
    std::string font_size;
    std::string font_style = "newyork";
    std::string font_kind;
    std::string ICOLOR;
};

} // namespace tarvex
