// The mean-variance frontier as a gnuplot picture, drawn the way GRAPH draws one: the frontier
// as a line through its points, each asset as a labelled point, and with a risk-free rate the
// tangency portfolio and the capital market line from the rate through it.
#pragma once

#include "regress/qp/portfolio_estimate.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct GraphFormats;
struct PlotTarget;

struct FrontierPicture {
    std::vector<std::string> names; // the assets' shown names
    bool noshort = false;
    Real rf = 0;
};

// The script that draws `p` (standard deviation across, mean up) into `target`.
std::string frontier_script(const Portfolios& p, const FrontierPicture& picture,
                            const GraphFormats& formats, const PlotTarget& target);

} // namespace tarvex
