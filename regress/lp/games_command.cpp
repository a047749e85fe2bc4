// GAMES: reads the payoff matrix, solves the game by its linear program, reports the value,
// both players' optimal mixed strategies and the saddle points, and stores what was asked for.
#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/lp/game_solution.hpp"
#include "regress/lp/lp_command.hpp"
#include "regress/lp/lp_errors.hpp"
#include "regress/lp/lp_inputs.hpp"
#include "regress/lp/lp_options.hpp"
#include "regress/lp/lp_report.hpp"

namespace tarvex {

void cmd_games(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " GAMES");
    set_games_defaults(run);
    if (!OPTION(run, games_option_table())) return;
    const GamesOptions o = read_games_options(run);
    if (!check_name_options(run, games_option_table(), ERR_GAMES_OPTION)) return;
    if (run.scan.NF != 1) {
        report_error(run, " ...ERROR..GAMES NEEDS ONE PAYOFF MATRIX: GAMES A", ERR_GAMES_LIST);
        return;
    }
    const int ref = plain_reference(run.scan.list[1]);
    InputMatrix payoff;
    if (!read_input_matrix(run, ref, reference_name(run, ref),
                           {ERR_GAMES_NOT_NUMERIC, ERR_GAMES_MISSING}, payoff))
        return;
    if (!check_output_names(run, {{"ROWSTRAT", o.ROWSTRAT}, {"COLSTRAT", o.COLSTRAT}}, {ref}))
        return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    const int rows = int(payoff.rows), cols = int(payoff.cols);
    const GameSolution g = solve_game(payoff.values, rows, cols);
    if (g.status != LpStatus::OPTIMAL) {
        report_uncertified(run, g.pivots, default_pivot_limit(rows, cols), ERR_GAMES_UNCERTIFIED);
        return;
    }
    if (!o.SILENT) report_game(run, rows, cols, g);
    run.res[R_VAL] = g.value;
    if (!store_vector(run, o.ROWSTRAT, g.row_strategy)) return;
    store_vector(run, o.COLSTRAT, g.col_strategy);
}

} // namespace tarvex
