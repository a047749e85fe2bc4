// PCOMPONE: reads and checks the options and the list of series, gathers the observations where
// all of them have values, finds the components, writes the report and stores what was asked for.
#include "regress/pcompone/pcompone_command.hpp"

#include "core/error_report.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/list_equation.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/range_refusal.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/pcompone/pcompone_errors.hpp"
#include "regress/pcompone/pcompone_estimate.hpp"
#include "regress/pcompone/pcompone_options.hpp"
#include "regress/pcompone/pcompone_report.hpp"

namespace tarvex {

namespace {

std::string score_name(const std::string& prefix, int component) {
    return suffixed_name(trim_trailing_blanks(prefix), std::to_string(component));
}

bool pcompone_list_ok(Run& run, const std::vector<OlsTerm>& series) {
    for (std::size_t a = 0; a < series.size(); ++a)
        for (std::size_t b = 0; b < a; ++b)
            if (series[a].ref == series[b].ref && series[a].lag == series[b].lag) {
                report_error(run,
                             " ...ERROR..SERIES " + trim_trailing_blanks(series[a].name) +
                                 " IS LISTED TWICE",
                             ERR_PC_REPEATED);
                return false;
            }
    return true;
}

// The variables PCOMPONE makes (EIGVAL=, LOADINGS= and the score series SCORES= names) must not
// overwrite a listed series.
bool outputs_not_listed(Run& run, const PcomponeOptions& o, const std::vector<OlsTerm>& series,
                        int stored) {
    std::vector<OutputName> outputs{{"EIGVAL", o.EIGVAL}, {"LOADINGS", o.LOADINGS}};
    if (!name_blank(o.SCORES))
        for (int j = 1; j <= stored; ++j) outputs.push_back({"SCORES", score_name(o.SCORES, j)});
    std::vector<int> inputs;
    for (const OlsTerm& t : series) inputs.push_back(t.ref);
    return check_output_names(run, outputs, inputs);
}

bool report_components_failure(Run& run, const PrincipalComponents& pc,
                               const std::vector<OlsTerm>& series) {
    switch (pc.end) {
    case ComponentsEnd::OK:
        return true;
    case ComponentsEnd::TOO_FEW:
        report_error(run,
                     " ...ERROR.." + std::to_string(pc.n) +
                         " OBSERVATIONS ARE TOO FEW FOR PRINCIPAL COMPONENTS: THEY NEED 2",
                     ERR_PC_TOO_FEW);
        return false;
    case ComponentsEnd::CONSTANT:
        report_error(run,
                     " ...ERROR.." + trim_trailing_blanks(series[std::size_t(pc.constant)].name) +
                         " IS CONSTANT: IT HAS NO CORRELATION (USE COVAR OR DROP IT)",
                     ERR_PC_CONSTANT);
        return false;
    case ComponentsEnd::NO_SETTLE:
        break;
    }
    // The eigen routine MATRIX uses failed: said in the words MATRIX uses for its failure.
    report_error(run, " ...ERROR..ERROR FOUND IN EIGENVALUE" + fmt_I(1, 4), ERR_PC_NO_SETTLE);
    return false;
}

void store_components(Run& run, const PcomponeOptions& o, const ListRows& rows,
                      const PrincipalComponents& pc, int stored) {
    if (!store_vector(run, o.EIGVAL, pc.values)) return;
    if (!store_column_matrix(run, o.LOADINGS, pc.k, pc.k, pc.loadings)) return;
    if (name_blank(o.SCORES)) return;
    for (int j = 0; j < stored; ++j)
        if (!store_by_observation(run, score_name(o.SCORES, j + 1), rows.end, rows.obs,
                                  pc.scores[std::size_t(j)]))
            return;
}

} // namespace

void cmd_pcompone(Run& run) {
    if (run.sw[OTRACE]) write_line(run, " PCOMPONE");
    set_pcompone_defaults(run);
    if (!OPTION(run, pcompone_option_table())) return;
    const PcomponeOptions o = read_pcompone_options(run);
    if (!check_name_options(run, pcompone_option_table(), ERR_PC_OPTION)) return;
    if (run.scan.NF < 1) {
        report_error(run, " ...ERROR..PCOMPONE NEEDS A LIST OF SERIES: PCOMPONE x1 x2 ...",
                     ERR_PC_NO_SERIES);
        return;
    }
    std::vector<OlsTerm> series;
    for (int i = 1; i <= run.scan.NF; ++i) series.push_back(list_term(run, i));
    if (!pcompone_list_ok(run, series)) return;
    const int k = int(series.size());
    if (o.NCOMP < 0 || o.NCOMP > k) {
        report_error(run,
                     " ...ERROR..NCOMP=" + std::to_string(o.NCOMP) + " IS OUT OF RANGE: 0 TO" +
                         fmt_I(k, 4) + ", THE NUMBER OF SERIES",
                     ERR_PC_NCOMP);
        return;
    }
    const int stored = o.NCOMP == 0 ? k : o.NCOMP;
    if (!outputs_not_listed(run, o, series, stored)) return;
    ListRows rows;
    const std::vector<OlsTerm> others(series.begin() + 1, series.end());
    if (!gather_list_rows(run, series.front().ref, series.front().lag, others, o.BEG, o.END, rows))
        return;
    if (!squares_representable(run, series.front().name, others, rows, ERR_PC_RANGE)) return;
    if (run.sw[OSCAN] || run.flags.ODONT) return;
    std::vector<std::vector<Real>> columns{rows.y};
    for (const std::vector<Real>& x : rows.x) columns.push_back(x);
    const PrincipalComponents pc = principal_components(columns, !o.COVAR);
    if (!report_components_failure(run, pc, series)) return;
    ComponentsShown shown;
    for (const OlsTerm& t : series) shown.names.push_back(trim_trailing_blanks(t.name));
    shown.beg = rows.beg;
    shown.end = rows.end;
    shown.correlation = !o.COVAR;
    shown.scree = o.PLOTS;
    report_components(run, shown, pc);
    run.res[R_N] = Real(pc.n);
    run.res[R_K] = Real(pc.k);
    store_components(run, o, rows, pc, stored);
}

} // namespace tarvex
