// Character plots for the report: points of one or more series on a grid of characters, each
// series with its own symbol, the value range on both axes, reference lines and a legend. The
// plot is only drawn here; the caller writes its lines through the line buffer.
#pragma once

#include "numeric/real.hpp"

#include <functional>
#include <string>
#include <vector>

namespace tarvex {

struct CharSeries {
    std::string name; // in the legend
    char symbol = '*';
    std::vector<Real> x, y; // one point per pair
};

// A straight line y = intercept + slope * x drawn across the plot behind the points.
struct CharLine {
    std::string name; // in the legend
    char symbol = '.';
    Real intercept = 0, slope = 0;
};

// A vertical bar from `low` to `high` at `x` (a price range, a candle's body), drawn over the
// straight lines and under the points; bars drawn later cover earlier ones.
struct CharBar {
    Real x = 0, low = 0, high = 0;
    char symbol = '|';
};

// A fixed end of an axis, in place of the end the points give.
struct AxisEnd {
    bool set = false;
    Real value = 0;
};

struct CharPlot {
    std::string title, xlabel, ylabel;
    int rows = 30;  // lines of the plotting area
    int cols = 130; // width of every line
    std::vector<CharSeries> series;
    std::vector<CharLine> lines;  // drawn where they cross the points' range; points cover them
    std::vector<Real> vertical;   // x values marked by a column of ':'
    std::vector<Real> horizontal; // y values marked by a line of '-'
    // The text of an x value on the axis (empty: the value itself), e.g. a date.
    std::function<std::string(Real)> x_text;
    std::vector<CharBar> bars;
    std::vector<std::string> legend; // more legend entries, after the series' and lines'
    // Set by AXISFMT: the ends of the axes (points outside are left out), the number of
    // intervals between labelled values (0: top, middle and bottom; both ends and the middle),
    // the text of a y value (empty: the compact value).
    AxisEnd x_min, x_max, y_min, y_max;
    int x_ticks = 0, y_ticks = 0;
    std::function<std::string(Real)> y_text;
};

// Where several series fall on one character, this one shows.
inline constexpr char OVERLAP_SYMBOL = '#';
// The symbols given to the series of a plot, in turn, and to its straight lines.
inline constexpr char SERIES_SYMBOLS[] = {'*', '+', 'O', 'X', '=', '%', '@', '$'};
inline constexpr char LINE_SYMBOLS[] = {'.', ',', '~', '^', '"', ';', '`', '\''};
// The smallest and largest plots.
inline constexpr int PLOT_ROWS_MIN = 5, PLOT_ROWS_MAX = 200;
inline constexpr int PLOT_COLS_MIN = 40, PLOT_COLS_MAX = 130;

// The lines of the plot: title, y label, the area framed by the value range, the x axis with
// its values, the x label and the legend. Non-finite points are left out. The value ranges are
// those of the points and reference lines; a straight line shows at each column where its value
// lies inside them.
std::vector<std::string> draw_char_plot(const CharPlot& plot);

// A compact value for an axis: at most five significant digits, no blanks; with a `width`, fewer
// digits where five would not fit in it (a value is never cut).
std::string axis_value(Real v, int width = 0);

} // namespace tarvex
