// PORTFOLI: reads and checks the options and the list of return series, gathers the
// observations where all of them have values, computes the portfolios, reports and stores what
// was asked for; every failure is its own error and stores nothing.
#include "regress/qp/portfolio_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "kernels/quadratic_program.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/graph/gnuplot_draw.hpp"
#include "regress/graph/graph_formats.hpp"
#include "regress/lp/lp_inputs.hpp"
#include "regress/qp/portfolio_estimate.hpp"
#include "regress/qp/portfolio_graph.hpp"
#include "regress/qp/portfolio_report.hpp"
#include "regress/qp/qp_errors.hpp"
#include "regress/qp/qp_options.hpp"

namespace tarvex {

namespace {

std::string pf_text(Real v) {
    return trim_blanks(fmt_G(v, 24, 12));
}

bool portfolio_failure(Run& run, const Portfolios& p, const std::vector<OlsTerm>& series,
                       long long limit) {
    switch (p.end) {
    case PortfolioEnd::OK:
        return true;
    case PortfolioEnd::FEW_OBS:
        report_error(run,
                     " ...ERROR.." + std::to_string(p.n) + " OBSERVATIONS ARE TOO FEW FOR THE " +
                         "COVARIANCE OF " + std::to_string(p.k) + " ASSETS: IT NEEDS " +
                         std::to_string(p.k + 1),
                     ERR_PF_FEW_OBS);
        return false;
    case PortfolioEnd::SINGULAR:
        report_error(run,
                     " ...ERROR..THE COVARIANCE MATRIX OF THE RETURNS IS SINGULAR: " +
                         trim_trailing_blanks(series[std::size_t(p.failed - 1)].name) +
                         " IS A COMBINATION OF THE ASSETS BEFORE IT",
                     ERR_PF_SINGULAR);
        return false;
    case PortfolioEnd::EQUAL_MEANS:
        report_error(run,
                     " ...ERROR..EVERY ASSET HAS THE SAME MEAN RETURN: THE FRONTIER IS ONE POINT",
                     ERR_PF_EQUAL_MEANS);
        return false;
    case PortfolioEnd::TARGET:
        report_error(run,
                     " ...ERROR..TARGET MEAN " + pf_text(p.target) +
                         " IS OUTSIDE THE ATTAINABLE RANGE " + pf_text(p.low) + " TO " +
                         pf_text(p.high) + " WITHOUT SHORT SALES",
                     ERR_PF_TARGET);
        return false;
    case PortfolioEnd::TANGENCY:
        report_error(run,
                     " ...ERROR..NO TANGENCY PORTFOLIO: RF= IS NOT BELOW " + pf_text(p.low) +
                         " (THE MEAN THE EFFICIENT FRONTIER STARTS FROM)",
                     ERR_PF_TANGENCY);
        return false;
    case PortfolioEnd::UNSOLVED:
        break;
    }
    report_error(run,
                 " ...ERROR..A PORTFOLIO PROGRAM FAILED ITS BINARY128 OPTIMALITY CHECK AFTER " +
                     std::to_string(p.qp_steps) + " STEPS IN ALL (MAXIT=" + std::to_string(limit) +
                     " PER STAGE)",
                 ERR_PF_UNSOLVED);
    return false;
}

bool read_targets(Run& run, const PortfolioOptions& o, std::vector<Real>& targets,
                  std::vector<int>& inputs) {
    if (o.MAXIT < 0)
        return option_out_of_range(run, "MAXIT", o.MAXIT,
                                   "IT MUST BE 0 (THE DEFAULT LIMIT) OR MORE STEPS");
    if (o.NPOINT < 2) {
        report_error(run,
                     " ...ERROR..NPOINT=" + std::to_string(o.NPOINT) +
                         " IS TOO FEW: THE FRONTIER NEEDS 2 POINTS OR MORE",
                     ERR_PF_NPOINT);
        return false;
    }
    if (name_blank(o.TARGETS)) return true;
    InputMatrix m;
    int ref = 0;
    if (!read_option_matrix(run, "TARGETS", o.TARGETS,
                            InputErrors{ERR_PF_TARGETS, ERR_PF_TARGETS, ERR_PF_TARGETS}, m, ref))
        return false;
    inputs.push_back(ref);
    if (m.rows != 1 && m.cols != 1) {
        report_error(run, " ...ERROR..TARGETS=" + m.name + " IS NOT A VECTOR", ERR_PF_TARGETS);
        return false;
    }
    targets = m.values;
    return true;
}

// False when a variable could not be made (the workspace has said why).
bool store_portfolios(Run& run, const PortfolioOptions& o, const Portfolios& p) {
    const int points = int(p.frontier.size());
    std::vector<Real> weights, frontier(std::size_t(points) * 2);
    for (int j = 0; j < points; ++j) {
        const PortfolioPoint& pt = p.frontier[std::size_t(j)];
        weights.insert(weights.end(), pt.weights.begin(), pt.weights.end());
        frontier[std::size_t(j)] = pt.mean;
        frontier[std::size_t(points + j)] = pt.sd;
    }
    if (!store_column_matrix(run, o.WEIGHTS, p.k, points, weights) ||
        !store_column_matrix(run, o.FRONTIER, points, 2, frontier) ||
        !store_vector(run, o.MINVAR, p.minvar.weights))
        return false;
    return !p.has_tangency || store_vector(run, o.TANGENCY, p.tangency.weights);
}

} // namespace

void cmd_portfoli(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " PORTFOLI");
    set_portfolio_defaults(run);
    if (!OPTION(run, portfolio_option_table())) return;
    const PortfolioOptions o = read_portfolio_options(run);
    if (!check_name_options(run, portfolio_option_table(), ERR_PF_OPTION)) return;
    if (run.scan.NF < 2) {
        report_error(run,
                     " ...ERROR..PORTFOLI NEEDS TWO OR MORE SERIES OF RETURNS: PORTFOLI r1 r2 ...",
                     ERR_PF_LIST);
        return;
    }
    if (!name_blank(o.TANGENCY) && !o.rf_given) {
        report_error(run, " ...ERROR..TANGENCY= NEEDS THE RISK-FREE RATE RF=", ERR_PF_TANGENCY);
        return;
    }
    std::vector<OlsTerm> series;
    std::vector<int> inputs;
    for (int i = 1; i <= run.scan.NF; ++i) {
        series.push_back(list_term(run, i));
        inputs.push_back(series.back().ref);
    }
    PortfolioRequest request;
    if (!read_targets(run, o, request.targets, inputs)) return;
    const std::vector<OutputName> outputs{{"WEIGHTS", o.WEIGHTS},
                                          {"FRONTIER", o.FRONTIER},
                                          {"MINVAR", o.MINVAR},
                                          {"TANGENCY", o.TANGENCY}};
    if (!check_output_names(run, outputs, inputs)) return;
    ListRows rows;
    const std::vector<OlsTerm> others(series.begin() + 1, series.end());
    if (!gather_list_rows(run, series.front().ref, series.front().lag, others, o.BEG, o.END, rows))
        return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    request.returns.push_back(rows.y);
    for (const std::vector<Real>& x : rows.x) request.returns.push_back(x);
    request.noshort = o.NOSHORT;
    request.npoint = o.NPOINT;
    request.tangency = o.rf_given;
    request.rf = o.RF;
    // Every program of the frontier has at most two rows: one limit serves them all.
    request.qp_step_limit =
        o.MAXIT > 0 ? o.MAXIT : qp_default_step_limit(2, int(request.returns.size()));
    const Portfolios p = mean_variance_portfolios(request);
    if (!portfolio_failure(run, p, series, request.qp_step_limit)) return;
    if (!o.SILENT) {
        PortfolioShown shown;
        for (const OlsTerm& t : series) shown.names.push_back(trim_trailing_blanks(t.name));
        shown.beg = rows.beg;
        shown.end = rows.end;
        shown.noshort = o.NOSHORT;
        shown.plot = o.PLOT;
        shown.rf = o.RF;
        report_portfolios(run, shown, p);
    }
    run.res[R_N] = Real(p.n);
    run.res[R_K] = Real(p.k);
    if (!store_portfolios(run, o, p)) return;
    if (!o.GRAPH && o.DEVICE.empty() && o.OUTPUT.empty()) return;
    PlotTarget target;
    if (!plot_target(run, o.DEVICE, o.OUTPUT, target)) return;
    FrontierPicture picture;
    for (const OlsTerm& t : series)
        picture.names.push_back(shown_name(run.graph_formats, trim_trailing_blanks(t.name)));
    picture.noshort = o.NOSHORT;
    picture.rf = o.RF;
    run_gnuplot(run, target, frontier_script(p, picture, run.graph_formats, target));
}

} // namespace tarvex
