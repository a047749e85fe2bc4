// The graph settings TIMEFMT, AXISFMT and NAMEFMT leave in the run for PLOTS, GRAPH and STOCKGRA
// to read: the date form of time axes, each axis's range, ticks and number form, and the names
// shown for variables in titles and legends. They hold until RESET or the command with no
// arguments clears them.
#pragma once

#include "numeric/real.hpp"

#include <string>
#include <utility>
#include <vector>

namespace tarvex {

// The number form of an axis's values, from a Fortran edit descriptor: Fw.d, Ew.d or Iw.
struct AxisNumberForm {
    char kind = 0; // 'F', 'E', 'I'; 0: the plot's own compact values
    int width = 0, digits = 0;
    std::string text; // as given, e.g. "F8.2"
};

struct AxisFormat {
    bool has_min = false, has_max = false;
    Real min = 0, max = 0;
    int ticks = 0; // intervals between labelled values (0: the plot's own)
    AxisNumberForm form;
    bool set() const { return has_min || has_max || ticks > 0 || form.kind != 0; }
};

struct GraphFormats {
    std::string time_format; // e.g. "YYYY:Q"; empty: the date as TIME's date variable writes it
    AxisFormat x, y;
    std::vector<std::pair<std::string, std::string>> names; // variable (upper case), shown name
};

} // namespace tarvex
