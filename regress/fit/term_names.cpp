// Printed names of equation terms (see term_names.hpp).
#include "regress/fit/term_names.hpp"

#include "core/estimation_results.hpp"
#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_fit.hpp"
#include "workspace/maintenance.hpp"

#include <algorithm>

namespace tarvex {

int plain_reference(int ref) {
    return ref < MARK_BASE ? MARK_BASE - ref : ref;
}

std::string suffixed_name(std::string base, const std::string& tail) {
    if (base.size() + tail.size() > 8) base.resize(8 - std::min<std::size_t>(tail.size(), 7));
    return base + tail;
}

std::string reference_name(const Run& run, int ref) {
    if (ref < 0) return -ref <= NRESULT ? std::string("$") + RESULT_NAMES[-ref - 1] : std::string();
    const Workspace& ws = run.ws;
    if (ref > 2 * ws.MAXVAR) {
        int col = ref % ws.MXCOL;
        if (col == 0) col = ws.MXCOL;
        const int slot = (ref - col) / ws.MXCOL;
        const std::string base =
            slot >= 1 && slot <= ws.MAXVAR ? trim_trailing_blanks(ws.VNAME[slot].substr(0, 8)) : "";
        return suffixed_name(base, ":" + std::to_string(col));
    }
    if (ref >= 1 && ref <= ws.MAXVAR) return trim_trailing_blanks(ws.VNAME[ref].substr(0, 8));
    return std::string();
}

std::string lagged_name(std::string base, int lag) {
    if (lag == 0) return base;
    return suffixed_name(std::move(base), "(" + std::to_string(lag) + ")");
}

EstimationResults& new_estimation_record(Run& run, const std::string& command, int dep_ref,
                                         int dep_lag, const std::string& dep_name,
                                         const std::vector<OlsTerm>& terms) {
    EstimationResults& e = run.last_estimation;
    e = EstimationResults{};
    e.command = command;
    e.dep_ref = dep_ref;
    e.dep_lag = dep_lag;
    e.dep_name = dep_name;
    e.dep_variable = reference_name(run, dep_ref);
    record_terms(run, terms, e);
    return e;
}

void record_terms(const Run& run, const std::vector<OlsTerm>& terms, EstimationResults& e) {
    for (const OlsTerm& t : terms) {
        e.names.push_back(t.name);
        e.variables.push_back(t.kind == TermKind::VARIABLE ? reference_name(run, t.ref)
                                                           : std::string());
        e.refs.push_back(t.ref);
        e.lags.push_back(t.lag);
    }
}

void record_parameter(const Run& run, const std::string& name, int j, EstimationResults& e) {
    e.names.push_back(first_8_padded(name));
    e.variables.push_back("");
    e.refs.push_back(parameter_reference(run.ws.MAXVAR, j));
    e.lags.push_back(0);
}

} // namespace tarvex
