// The option tables of LP and GAMES and the options read from them.
#pragma once

#include "core/option_set.hpp"

#include <string>

namespace tarvex {

struct Run;

struct LpOptions {
    bool MAX = false, MIN = false, SILENT = false;
    int MAXIT = 0;
    std::string TYPES, LOWER, UPPER, X, DUAL, REDUCED, SLACK;
};
const OptionTable& lp_option_table();
void set_lp_defaults(Run& run);
LpOptions read_lp_options(const Run& run);

struct GamesOptions {
    bool SILENT = false;
    std::string ROWSTRAT, COLSTRAT;
};
const OptionTable& games_option_table();
void set_games_defaults(Run& run);
GamesOptions read_games_options(const Run& run);

} // namespace tarvex
