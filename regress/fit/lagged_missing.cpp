// Observations left out under SKIPMISS because a lag reads a missing value (lagged_missing.hpp).
#include "regress/fit/lagged_missing.hpp"

#include "core/host_link.hpp"
#include "core/run.hpp"
#include "core/switches.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <utility>

namespace tarvex {

namespace {

// Marks the observations of first..last whose value `lag` observations back holds the code.
void mark_lag_reads(Run& run, int ref, int lag, long long first, long long last) {
    const SeriesReader series(run, ref);
    if (!series.ok()) return;
    const Real xmiss = run.ws.XMISS;
    for (long long t = std::max(first, lag + 1LL); t <= last; ++t)
        if (equal_values(series.at(run, t - lag, Real(0)), xmiss))
            skip_lag_read_of_missing(run, t, ref, lag);
}

} // namespace

void skip_lag_read_of_missing(Run& run, long long t, int ref, int lag) {
    SkipCodes skip = skip_codes(run);
    if (!skip || t > skip.length || skip.codes[t] != SKIP_IN_USE) return;
    skip.codes[t] = SKIP_MISSING;
    if (run.sw[OMSWRN] && run.flags.OPUT)
        write_line(run, " OBSERVATION " + fmt_I(t, 6) + " IS SKIPPED BECAUSE " +
                            first_8_padded(lagged_name(reference_name(run, ref), lag)) +
                            " MISSING");
}

std::vector<int> lagged_only_refs(int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                                  int also_read) {
    std::vector<int> read_at_t{also_read};
    if (dep_lag == 0) read_at_t.push_back(dep_ref);
    for (const OlsTerm& term : terms)
        if (term.kind == TermKind::VARIABLE && term.lag == 0) read_at_t.push_back(term.ref);
    std::vector<int> lagged;
    auto add = [&](int ref) {
        if (std::find(read_at_t.begin(), read_at_t.end(), ref) == read_at_t.end() &&
            std::find(lagged.begin(), lagged.end(), ref) == lagged.end())
            lagged.push_back(ref);
    };
    if (dep_lag > 0) add(dep_ref);
    for (const OlsTerm& term : terms)
        if (term.kind == TermKind::VARIABLE && term.lag > 0) add(term.ref);
    return lagged;
}

void skip_lagged_missing(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms) {
    if (!run.sw[OSMISS] || !skip_codes(run)) return;
    std::vector<std::pair<int, int>> lagged; // (reference, lag), each once
    if (dep_lag > 0) lagged.emplace_back(dep_ref, dep_lag);
    for (const OlsTerm& term : terms)
        if (term.kind == TermKind::VARIABLE && term.lag > 0 &&
            std::find(lagged.begin(), lagged.end(), std::pair{term.ref, term.lag}) == lagged.end())
            lagged.emplace_back(term.ref, term.lag);
    const SampleBlock& s = run.smpl;
    for (const auto& [ref, lag] : lagged)
        mark_lag_reads(run, ref, lag, s.check_first, s.check_last);
}

} // namespace tarvex
