// The $ERR numbers of PLOTS, GRAPH and CONFIDEN (one handler): GRAPH's command slot (109) times
// 1000 plus a sequence number. The drawing through gnuplot sets 109007 to 109011 for every
// command that draws with it (OLS and FCAST with GNUPLOT or GRAPHICS too).
#pragma once

namespace tarvex {

enum GraphError : int {
    ERR_GRAPH_NO_LIST = 109001,        // no variable (or the wrong number) for the kind of plot
    ERR_GRAPH_OPTION = 109002,         // an option value out of its range
    ERR_GRAPH_NO_ESTIMATION = 109003,  // residuals or coefficients wanted, no estimation stands
    ERR_GRAPH_TOO_FEW = 109004,        // fewer observations than the plot needs
    ERR_GRAPH_COEFFICIENT = 109005,    // CONFIDEN: a name that is no coefficient
    ERR_GRAPH_COVARIANCE = 109006,     // CONFIDEN: the covariance of the two is not positive
    ERR_GRAPH_NO_GNUPLOT = 109007,     // the gnuplot program is not installed
    ERR_GRAPH_GNUPLOT_FAILED = 109008, // gnuplot ended with an error
    ERR_GRAPH_TIMED_OUT = 109009,      // gnuplot did not finish in time
    ERR_GRAPH_CANNOT_WRITE = 109010,   // a plot file cannot be written
    ERR_GRAPH_NO_FILE = 109011,        // gnuplot ended but the graph file is missing or empty
    ERR_GRAPH_KINDS = 109012,          // two kinds of plot asked at once
};

} // namespace tarvex
