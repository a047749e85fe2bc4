// Storing an estimation's result: record, result scalars and output variables.
#include "regress/fit/store_result.hpp"

#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/output_variables.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/workspace.hpp"

#include <array>

namespace tarvex {

namespace {

// The scalars that describe one estimated model; a model that does not set one leaves it
// "not available" rather than an earlier model's value.
constexpr std::array<int, 12> MODEL_SCALARS = {R_F,    R_CHI, R_DF1, R_DF2,  R_PVAL, R_R2,
                                               R_ADR2, R_LLF, R_SSE, R_SIG2, R_RHO,  R_DW};

// TESTSTAT=: one row a statistic, columns value, p-value, df1 and df2 (a statistic without a
// p-value holds the missing-value code there).
bool store_statistics(Run& run, const std::string& name,
                      const std::vector<NamedStatistic>& statistics) {
    if (name_blank(name)) return true;
    if (statistics.empty()) {
        write_line(run, " ...NOTE..NO TEST STATISTICS TO STORE IN TESTSTAT=" +
                            trim_trailing_blanks(name));
        return true;
    }
    const int rows = int(statistics.size());
    std::vector<Real> values(std::size_t(rows) * 4);
    for (int i = 0; i < rows; ++i) {
        const NamedStatistic& s = statistics[std::size_t(i)];
        values[std::size_t(i)] = s.value;
        values[std::size_t(rows + i)] = s.has_pvalue ? s.pvalue : run.ws.XMISS;
        values[std::size_t(2 * rows + i)] = s.df1;
        values[std::size_t(3 * rows + i)] = s.df2;
    }
    return store_column_matrix(run, name, rows, 4, values);
}

} // namespace

void name_equation(const Run& run, const std::string& command, int dep_ref, int dep_lag,
                   const std::string& dep_name, const std::vector<OlsTerm>& terms,
                   const std::vector<std::string>& parameters, EstimationResults& record) {
    record.command = command;
    record.dep_ref = dep_ref;
    record.dep_lag = dep_lag;
    record.dep_name = dep_name;
    record.dep_variable = reference_name(run, dep_ref);
    record.names.clear();
    record.variables.clear();
    record.refs.clear();
    record.lags.clear();
    record_terms(run, terms, record);
    for (std::size_t j = 0; j < parameters.size(); ++j)
        record_parameter(run, parameters[j], int(j), record);
}

void name_equation(const Run& run, const std::string& command, const EstimationEquation& eq,
                   const std::vector<std::string>& parameters, EstimationResults& record) {
    name_equation(run, command, eq.dep_ref, eq.dep_lag, eq.dep_name, eq.terms, parameters, record);
    record.obs = eq.obs;
    record.beg = eq.beg;
    record.end = eq.end;
}

bool store_model_result(Run& run, ModelResult&& result, const OutputNames& out) {
    if (result.clears_other_scalars)
        for (int id : MODEL_SCALARS) run.res[id] = RESULT_NOT_AVAILABLE;
    for (const ResultScalar& s : result.scalars) run.res[s.id] = s.value;
    run.last_estimation = std::move(result.record);
    const EstimationResults& e = run.last_estimation;
    return store_by_observation(run, out.PREDICT, e.end, e.obs, e.predicted) &&
           store_by_observation(run, out.RESID, e.end, e.obs, e.residuals) &&
           store_coefficient_outputs(run, out.COEF, out.STDERR, out.TRATIO, out.COVARIAN, e.coef,
                                     e.stderrs, e.tratios, e.cov) &&
           store_statistics(run, out.TESTSTAT, e.statistics);
}

} // namespace tarvex
