// Drawing a character plot. Each line is one blank, a 10-column value field, a blank, the frame
// '|', the plotting area and the frame again. The value range of each axis covers the points
// and the reference lines; a range of one value is widened so the points sit in the middle.
// Rows run from the largest y (top) to the smallest; a point goes to the nearest row and column.
#include "regress/graph/char_plot.hpp"

#include "numeric/decimal.hpp"
#include "numeric/qmath.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int VALUE_FIELD = 10;              // the y values at the left
constexpr int LEFT_MARGIN = VALUE_FIELD + 2; // blank, value field, blank
constexpr int AXIS_DIGITS = 5;

struct Range {
    Real low = 0, high = 0;
    bool any = false;
    void add(Real v) {
        if (!finiteq(v)) return;
        if (!any) low = high = v;
        low = std::min(low, v);
        high = std::max(high, v);
        any = true;
    }
    // A range of one value (or none) becomes that value plus and minus one unit of its size.
    void widen() {
        if (!any) low = -1, high = 1;
        if (high > low) return;
        const Real half = low == 0 ? Real(1) : fabsq(low) / 10;
        low -= half;
        high += half;
    }
};

// The cell of value v on an axis of `cells` cells from `low` to `high`. A range whose length
// overflows (ends near the largest reals, of both signs) is measured in halves, which are exact.
// A position that is not a number goes to the first cell, one beyond the axis to the nearest
// end: neither may reach the conversion to int.
int cell_of(Real v, const Range& r, int cells) {
    const bool halves = !finiteq(r.high - r.low);
    const Real offset = halves ? v / 2 - r.low / 2 : v - r.low;
    const Real length = halves ? r.high / 2 - r.low / 2 : r.high - r.low;
    const Real position = qm::round(offset / length * (cells - 1));
    if (qm::isnan(position) || position < 0) return 0;
    if (position > Real(cells - 1)) return cells - 1;
    return static_cast<int>(position);
}

// An axis end set by AXISFMT replaces the one the points give; an axis left with no length is
// widened around its low end.
void fix_ends(Range& r, const AxisEnd& low, const AxisEnd& high) {
    if (low.set) r.low = low.value;
    if (high.set) r.high = high.value;
    if (r.high > r.low) return;
    r.high = r.low;
    r.widen();
}

// The middle of two values, also where their sum would overflow.
Real midpoint(Real a, Real b) {
    return finiteq(a + b) ? (a + b) / 2 : a / 2 + b / 2;
}

std::string centred(const std::string& text, int width) {
    if (int(text.size()) >= width) return text.substr(0, width);
    return std::string((width - text.size()) / 2, ' ') + text;
}

std::string right_aligned(const std::string& text, int width) {
    if (int(text.size()) >= width) return text.substr(0, width);
    return std::string(width - text.size(), ' ') + text;
}

} // namespace

std::string axis_value(Real v, int width) {
    if (v == 0) return "0";
    std::string text = real_to_string(v, AXIS_DIGITS);
    for (int digits = AXIS_DIGITS - 1; width > 0 && int(text.size()) > width && digits >= 1;
         --digits)
        text = real_to_string(v, digits);
    return text;
}

std::vector<std::string> draw_char_plot(const CharPlot& plot) {
    const int rows = std::clamp(plot.rows, PLOT_ROWS_MIN, PLOT_ROWS_MAX);
    const int cols = std::clamp(plot.cols, PLOT_COLS_MIN, PLOT_COLS_MAX);
    const int width = cols - LEFT_MARGIN - 2; // the plotting area between the frames
    Range xr, yr;
    for (const CharSeries& s : plot.series) {
        for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
            if (!finiteq(s.x[i]) || !finiteq(s.y[i])) continue;
            xr.add(s.x[i]);
            yr.add(s.y[i]);
        }
    }
    for (const CharBar& b : plot.bars) {
        if (!finiteq(b.x) || !finiteq(b.low) || !finiteq(b.high)) continue;
        xr.add(b.x);
        yr.add(b.low);
        yr.add(b.high);
    }
    for (Real v : plot.vertical) xr.add(v);
    for (Real v : plot.horizontal) yr.add(v);
    xr.widen();
    yr.widen();
    fix_ends(xr, plot.x_min, plot.x_max);
    fix_ends(yr, plot.y_min, plot.y_max);
    const bool fixed = plot.x_min.set || plot.x_max.set || plot.y_min.set || plot.y_max.set;
    auto outside = [&](Real x, Real y) {
        return fixed && (x < xr.low || x > xr.high || y < yr.low || y > yr.high);
    };

    std::vector<std::string> area(rows, std::string(width, ' '));
    std::vector<std::vector<int>> owner(rows, std::vector<int>(width, -1));
    for (Real v : plot.horizontal) {
        if (!finiteq(v)) continue;
        std::string& line = area[rows - 1 - cell_of(v, yr, rows)];
        std::fill(line.begin(), line.end(), '-');
    }
    for (Real v : plot.vertical) {
        if (!finiteq(v)) continue;
        const int c = cell_of(v, xr, width);
        for (std::string& line : area) line[c] = line[c] == '-' ? '+' : ':';
    }
    for (const CharLine& l : plot.lines) {
        for (int c = 0; c < width; ++c) {
            const Real x = xr.low + (xr.high - xr.low) * Real(c) / Real(width - 1);
            const Real y = l.intercept + l.slope * x;
            if (!finiteq(y) || y < yr.low || y > yr.high) continue;
            area[rows - 1 - cell_of(y, yr, rows)][c] = l.symbol;
        }
    }
    for (const CharBar& b : plot.bars) {
        if (!finiteq(b.x) || !finiteq(b.low) || !finiteq(b.high) || b.x < xr.low || b.x > xr.high ||
            b.high < yr.low || b.low > yr.high)
            continue;
        const int c = cell_of(b.x, xr, width);
        const int top = rows - 1 - cell_of(std::min(b.high, yr.high), yr, rows);
        const int bottom = rows - 1 - cell_of(std::max(b.low, yr.low), yr, rows);
        for (int r = top; r <= bottom; ++r) area[r][c] = b.symbol;
    }
    for (std::size_t k = 0; k < plot.series.size(); ++k) {
        const CharSeries& s = plot.series[k];
        for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
            if (!finiteq(s.x[i]) || !finiteq(s.y[i]) || outside(s.x[i], s.y[i])) continue;
            const int r = rows - 1 - cell_of(s.y[i], yr, rows);
            const int c = cell_of(s.x[i], xr, width);
            const int held = owner[r][c];
            area[r][c] = held >= 0 && held != int(k) ? OVERLAP_SYMBOL : s.symbol;
            owner[r][c] = int(k);
        }
    }

    std::vector<std::string> out;
    if (!plot.title.empty()) out.push_back(" " + centred(plot.title, cols - 1));
    if (!plot.ylabel.empty()) out.push_back(" " + plot.ylabel.substr(0, cols - 1));
    const std::string frame_line =
        std::string(LEFT_MARGIN, ' ') + "+" + std::string(width, '-') + "+";
    out.push_back(frame_line);
    // Values at the top and the bottom row, and at the rows of the reference lines (the middle
    // row when there are none).
    std::vector<std::string> values(rows, std::string(VALUE_FIELD, ' '));
    auto label = [&](int r, Real v) {
        values[r] =
            right_aligned(plot.y_text ? plot.y_text(v) : axis_value(v, VALUE_FIELD), VALUE_FIELD);
    };
    label(0, yr.high);
    if (plot.y_ticks > 0) {
        for (int k = 1; k < plot.y_ticks; ++k) {
            const Real v = yr.low + (yr.high - yr.low) * Real(k) / Real(plot.y_ticks);
            label(rows - 1 - cell_of(v, yr, rows), v);
        }
    } else if (plot.horizontal.empty()) {
        label((rows - 1) / 2, midpoint(yr.high, yr.low));
    }
    for (Real v : plot.horizontal)
        if (finiteq(v)) label(rows - 1 - cell_of(v, yr, rows), v);
    label(rows - 1, yr.low);
    for (int r = 0; r < rows; ++r) out.push_back(" " + values[r] + " |" + area[r] + "|");
    out.push_back(frame_line);
    // The x values at the left end, the middle and the right end of the area.
    std::string xvalues(cols, ' ');
    auto place = [&](const std::string& text, int at) {
        at = std::clamp(at, 0, cols - int(text.size()));
        xvalues.replace(at, text.size(), text);
    };
    auto x_value = [&](Real v) { return plot.x_text ? plot.x_text(v) : axis_value(v); };
    const std::string low = x_value(xr.low), high = x_value(xr.high);
    const std::string mid = x_value(midpoint(xr.low, xr.high));
    place(low, LEFT_MARGIN + 1);
    if (plot.x_ticks > 0) {
        // Each inner value centred on its column, left out where it would touch the one before
        // or the right end's.
        int free_from = LEFT_MARGIN + 1 + int(low.size()) + 1;
        const int right_start = LEFT_MARGIN + 1 + width - int(high.size());
        for (int k = 1; k < plot.x_ticks; ++k) {
            const Real v = xr.low + (xr.high - xr.low) * Real(k) / Real(plot.x_ticks);
            const std::string text = x_value(v);
            const int at = LEFT_MARGIN + 1 + cell_of(v, xr, width) - int(text.size()) / 2;
            if (at < free_from || at + int(text.size()) >= right_start) continue;
            place(text, at);
            free_from = at + int(text.size()) + 1;
        }
    } else {
        place(mid, LEFT_MARGIN + 1 + (width - 1) / 2 - int(mid.size()) / 2);
    }
    place(high, LEFT_MARGIN + 1 + width - int(high.size()));
    xvalues.erase(xvalues.find_last_not_of(' ') + 1);
    out.push_back(xvalues);
    if (!plot.xlabel.empty())
        out.push_back(std::string(LEFT_MARGIN + 1, ' ') + centred(plot.xlabel, width));
    std::vector<std::string> entries;
    for (const CharSeries& s : plot.series)
        if (!s.name.empty()) entries.push_back(std::string(1, s.symbol) + " " + s.name);
    for (const CharLine& l : plot.lines)
        if (!l.name.empty()) entries.push_back(std::string(1, l.symbol) + " " + l.name);
    entries.insert(entries.end(), plot.legend.begin(), plot.legend.end());
    std::string legend;
    for (const std::string& entry : entries) {
        if (int(legend.size() + entry.size()) + LEFT_MARGIN + 4 > cols) {
            out.push_back(std::string(LEFT_MARGIN, ' ') + legend);
            legend.clear();
        }
        legend += (legend.empty() ? "" : "   ") + entry;
    }
    if (!legend.empty()) out.push_back(std::string(LEFT_MARGIN, ' ') + legend);
    for (std::string& line : out) line.erase(line.find_last_not_of(' ') + 1);
    return out;
}

} // namespace tarvex
