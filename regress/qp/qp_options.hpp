// The option tables of QP and PORTFOLI and the options read from them.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

struct QpOptions {
    bool MIN = false, SILENT = false;
    int MAXIT = 0;
    std::string TYPES, LOWER, UPPER, X, DUAL, BOUNDDUA, SLACK;
};
const OptionTable& qp_option_table();
void set_qp_defaults(Run& run);
QpOptions read_qp_options(const Run& run);

struct PortfolioOptions {
    bool NOSHORT = false, SILENT = false, PLOT = false, GRAPH = false;
    int NPOINT = 10, BEG = 0, END = 0, MAXIT = 0;
    Real RF = 0;
    bool rf_given = false;
    std::string TARGETS, WEIGHTS, FRONTIER, MINVAR, TANGENCY, DEVICE, OUTPUT;
};
const OptionTable& portfolio_option_table();
void set_portfolio_defaults(Run& run);
PortfolioOptions read_portfolio_options(const Run& run);

} // namespace tarvex
