// TIMEFMT form, AXISFMT axis / options and NAMEFMT name "shown name": the commands that set the
// graph settings PLOTS, GRAPH and STOCKGRA read (one handler; each with no arguments clears its
// settings, RESET clears them all).
#pragma once

namespace tarvex {

struct Run;

void cmd_graph_format(Run& run);

} // namespace tarvex
