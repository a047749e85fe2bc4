// The PORTFOLI report: the assets' means and standard deviations, the minimum-variance and
// tangency portfolios, the frontier (mean, standard deviation, Sharpe ratio, weights) and, when
// asked, a character plot of the frontier with the assets.
#pragma once

#include "regress/qp/portfolio_estimate.hpp"

#include <string>
#include <vector>

namespace tarvex {

struct Run;

struct PortfolioShown {
    std::vector<std::string> names;
    int beg = 0, end = 0;
    bool noshort = false, plot = false;
    Real rf = 0;
};

void report_portfolios(Run& run, const PortfolioShown& shown, const Portfolios& p);

} // namespace tarvex
