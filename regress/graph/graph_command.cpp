// PLOTS [names] / options, GRAPH [names] / options and CONFIDEN name1 name2 / options. Reads and
// checks the options, gathers what is drawn (the listed variables, the residuals of the last
// estimation, or the two coefficients' estimates and covariance), then hands it to the report
// (PLOTS, CONFIDEN) or to gnuplot (GRAPH, CONFIDEN with GRAPH). CONFIDEN's names are
// coefficients, not variables: its statement is split at the first "/" and only the options
// are scanned.
#include "regress/graph/graph_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/graph/confiden_report.hpp"
#include "regress/graph/graph_errors.hpp"
#include "regress/graph/graph_formats.hpp"
#include "regress/graph/graph_script.hpp"
#include "regress/graph/plots_report.hpp"

namespace tarvex {

namespace {

constexpr int BINS_MAX = 1000;
constexpr int ELLIPSE_POINTS = 720; // enough to draw a closed curve on 130 x 200 characters

bool check_options(Run& run, const GraphOptions& o) {
    if (o.LINES < PLOT_ROWS_MIN || o.LINES > PLOT_ROWS_MAX)
        return bad_option_value(run, "LINES", ERR_GRAPH_OPTION);
    if (o.COLS < PLOT_COLS_MIN || o.COLS > PLOT_COLS_MAX)
        return bad_option_value(run, "COLS", ERR_GRAPH_OPTION);
    if (o.BINS < 0 || o.BINS > BINS_MAX) return bad_option_value(run, "BINS", ERR_GRAPH_OPTION);
    if (!(o.LEVEL > 0) || !(o.LEVEL < 1)) return bad_option_value(run, "LEVEL", ERR_GRAPH_OPTION);
    const std::pair<const std::string*, const char*> names[] = {{&o.DEVICE, "DEVICE"},
                                                                {&o.OUTPUT, "OUTPUT"},
                                                                {&o.TITLE, "TITLE"},
                                                                {&o.XLABEL, "XLABEL"},
                                                                {&o.YLABEL, "YLABEL"}};
    for (const auto& [value, keyword] : names)
        if (*value == "********") return bad_option_value(run, keyword, ERR_GRAPH_OPTION);
    const std::pair<bool, const char*> kinds[] = {
        {o.SCATTER, "SCATTER"}, {o.HISTOGRA, "HISTOGRA"}, {o.RESIDUAL, "RESIDUAL"}};
    const char* first = nullptr;
    for (const auto& [on, keyword] : kinds) {
        if (!on) continue;
        if (first != nullptr) {
            report_error(
                run, std::string(" ...ERROR..INCOMPATIBLE OPTIONS ") + first + " AND " + keyword,
                ERR_GRAPH_KINDS);
            return false;
        }
        first = keyword;
    }
    return true;
}

bool needs(Run& run, const std::string& what) {
    report_error(run, " ...ERROR.." + what, ERR_GRAPH_NO_LIST);
    return false;
}

// The data of PLOTS and GRAPH for their kind; false (reported) when there is none to draw.
bool plot_data(Run& run, PlotKind kind, const GraphOptions& o, PlotData& data) {
    const int nf = run.scan.NF;
    const std::string word = run.cmd.IKOD == C_PLOTS ? "PLOTS" : "GRAPH";
    if (kind == PlotKind::RESIDUAL) {
        if (nf > 0) return needs(run, word + " / RESIDUAL TAKES NO VARIABLES");
        if (!residual_data(run, data)) {
            report_error(run, " ...ERROR..NO ESTIMATION WITH RESIDUALS TO PLOT",
                         ERR_GRAPH_NO_ESTIMATION);
            return false;
        }
        return true;
    }
    if (kind == PlotKind::SCATTER && nf < 2)
        return needs(run, word + " / SCATTER NEEDS TWO OR MORE VARIABLES");
    if (kind == PlotKind::HISTOGRAM && nf != 1)
        return needs(run, word + " / HISTOGRA NEEDS ONE VARIABLE");
    if (nf < 1) return needs(run, word + " NEEDS ONE OR MORE VARIABLES");
    if (!listed_data(run, o.BEG, o.END, data)) return false;
    const std::size_t fewest = kind == PlotKind::HISTOGRAM ? 2 : 1;
    if (data.obs.size() < fewest) {
        report_error(run, " ...ERROR..NOT ENOUGH OBSERVATIONS TO PLOT", ERR_GRAPH_TOO_FEW);
        return false;
    }
    return true;
}

void plots_or_graph(Run& run) {
    set_graph_defaults(run);
    if (!OPTION(run, graph_option_table())) return;
    const GraphOptions o = read_graph_options(run);
    if (!check_options(run, o)) return;
    const PlotKind kind = plot_kind(o);
    PlotData data;
    if (!plot_data(run, kind, o, data)) return;
    if (kind != PlotKind::RESIDUAL) show_names(run.graph_formats, data);
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    if (run.cmd.IKOD == C_PLOTS) {
        report_plots(run, kind, o, data);
        return;
    }
    PlotTarget target;
    if (!plot_target(run, o.DEVICE, o.OUTPUT, target)) return;
    run_gnuplot(run, target, graph_script(kind, o, data, target, run.graph_formats));
}

// CONFIDEN's names (the words before the first "/") and its options, scanned from the
// statement with the names left out.
std::vector<std::string> confiden_names(Run& run) {
    std::string& text = run.cmd.text;
    const std::size_t start = std::min<std::size_t>(std::max(run.cmd.col, 0), text.size());
    const std::size_t slash = std::min(text.find('/', start), text.size());
    std::vector<std::string> names;
    std::string word;
    for (std::size_t i = start; i <= slash; ++i) {
        const char c = i < slash ? text[i] : ' ';
        if (c == ' ' || c == ',' || c == '\t' || c == ';') {
            if (!word.empty()) names.push_back(upper_ascii(word));
            word.clear();
        } else {
            word += c;
        }
    }
    const std::string whole = text;
    text = whole.substr(0, start) + " " + whole.substr(slash);
    scan_statement(run);
    text = whole;
    return names;
}

// Position of a coefficient in the last estimation, -1 when it has none of that name.
int coefficient_position(const EstimationResults& e, const std::string& name) {
    for (std::size_t j = 0; j < e.names.size(); ++j)
        if (upper_ascii(trim_trailing_blanks(e.names[j])) == name) return int(j);
    return -1;
}

void confiden(Run& run) {
    const std::vector<std::string> names = confiden_names(run);
    if (run.flags.ODONT) return;
    set_graph_defaults(run);
    if (!OPTION(run, graph_option_table())) return;
    const GraphOptions o = read_graph_options(run);
    if (!check_options(run, o)) return;
    if (names.size() != 2) {
        needs(run, "CONFIDEN NEEDS TWO COEFFICIENT NAMES");
        return;
    }
    const EstimationResults& e = run.last_estimation;
    const std::size_t k = e.names.size();
    if (e.command.empty() || k == 0 || e.cov.size() != k * k) {
        report_error(run, " ...ERROR..NO ESTIMATION WITH COEFFICIENTS TO DRAW",
                     ERR_GRAPH_NO_ESTIMATION);
        return;
    }
    int at[2];
    for (int j = 0; j < 2; ++j) {
        at[j] = coefficient_position(e, names[j]);
        if (at[j] < 0) {
            report_error(run,
                         " ...ERROR.." + names[j] + " IS NOT A COEFFICIENT OF THE LAST ESTIMATION",
                         ERR_GRAPH_COEFFICIENT);
            return;
        }
    }
    if (run.sw[OSCAN]) return;
    RegionInput in;
    in.estimate = {e.coef[at[0]], e.coef[at[1]]};
    in.cov = {e.cov[at[0] * k + at[0]], e.cov[at[0] * k + at[1]], e.cov[at[1] * k + at[1]]};
    in.level = o.LEVEL;
    in.df = e.df;
    in.asymptotic = e.asymptotic || !(e.df > 0);
    in.points = ELLIPSE_POINTS;
    const ConfidenceRegion r = confidence_region(in);
    if (!r.positive) {
        report_error(run,
                     " ...ERROR..THE COVARIANCE OF " + names[0] + " AND " + names[1] +
                         " IS NOT POSITIVE DEFINITE",
                     ERR_GRAPH_COVARIANCE);
        return;
    }
    const RegionNames shown{{names[0], names[1]}};
    report_confiden(run, shown, in, r, o);
    if (!o.GRAPH && !o.device_given && !o.output_given) return;
    PlotTarget target;
    if (!plot_target(run, o.DEVICE, o.OUTPUT, target)) return;
    run_gnuplot(run, target, confiden_script(shown, in, r, o, target));
}

} // namespace

void cmd_graph(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " GRAPH");
    if (run.cmd.IKOD == C_CONFIDEN)
        confiden(run);
    else
        plots_or_graph(run);
}

} // namespace tarvex
