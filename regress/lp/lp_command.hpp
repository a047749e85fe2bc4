// LP c A b / MAX|MIN TYPES= LOWER= UPPER= X= DUAL= REDUCED= SLACK= and GAMES A / ROWSTRAT=
// COLSTRAT=: linear programs and zero-sum games, solved exactly in binary128.
#pragma once

namespace tarvex {

struct Run;

void cmd_lp(Run& run);
void cmd_games(Run& run);

} // namespace tarvex
