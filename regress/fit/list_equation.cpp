// Reading a "depvar indeps" equation from the scanned list and gathering its rows.
#include "regress/fit/list_equation.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/row_split.hpp"
#include "numeric/text.hpp"
#include "regress/fit/lagged_missing.hpp"
#include "regress/fit/term_names.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

namespace tarvex {

namespace {

constexpr int LAG_ORDER_CODE = 10000; // lag codes from here up carry a polynomial order

// The rows where they lie; false when a term is not a plain series over the range.
bool rows_in_place(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                   const ListRows& rows, PlacedRows& placed) {
    if (rows.end < rows.beg) return false;
    placed.span = static_cast<std::size_t>(rows.end - rows.beg + 1);
    placed.y = series_start(run, dep_ref, dep_lag, rows.beg, rows.end);
    if (placed.y == nullptr) return false;
    for (const OlsTerm& t : terms) {
        if (t.kind == TermKind::INTERCEPT) {
            placed.x.push_back(nullptr);
            continue;
        }
        const Real* start = t.kind == TermKind::VARIABLE
                                ? series_start(run, t.ref, t.lag, rows.beg, rows.end)
                                : nullptr;
        if (start == nullptr) return false;
        placed.x.push_back(start);
    }
    if (rows.obs.size() != placed.span)
        for (int t : rows.obs) placed.positions.push_back(static_cast<std::size_t>(t - rows.beg));
    return true;
}

} // namespace

OlsTerm list_term(Run& run, int k) {
    const ScanBlock& scan = run.scan;
    OlsTerm t;
    t.ref = plain_reference(scan.list[k]);
    t.lag = scan.list[scan.MAXVAR + k] % LAG_ORDER_CODE;
    t.name = first_8_padded(lagged_name(reference_name(run, t.ref), t.lag));
    return t;
}

OlsTerm intercept_term(const Run& run) {
    OlsTerm c;
    c.kind = TermKind::INTERCEPT;
    c.ref = run.ws.MAXVAR + 1;
    c.name = first_8_padded("CONSTANT");
    return c;
}

bool gather_list_rows(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                      int beg, int end, ListRows& rows) {
    if (!list_rows_in_range(run, dep_ref, dep_lag, terms, beg, end, rows)) return false;
    fill_list_rows(run, dep_ref, dep_lag, terms, rows);
    return true;
}

bool list_rows_in_range(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                        int beg, int end, ListRows& rows) {
    int max_lag = dep_lag;
    std::vector<int> refs{dep_ref};
    for (const OlsTerm& t : terms) {
        if (t.kind != TermKind::VARIABLE) continue;
        max_lag = std::max(max_lag, t.lag);
        if (std::find(refs.begin(), refs.end(), t.ref) == refs.end()) refs.push_back(t.ref);
    }
    SampleBlock& smpl = run.smpl;
    if (end < 1) end = smpl.IEND;
    if (beg < 1) beg = 1;
    if (beg <= max_lag) beg = max_lag + 1;
    smpl.check_first = beg;
    smpl.check_last = end >= 1 ? end : 0;
    CKSMPL(run, refs, 0, lagged_only_refs(dep_ref, dep_lag, terms));
    if (run.flags.ODONT) return false;
    skip_lagged_missing(run, dep_ref, dep_lag, terms);
    rows.beg = beg;
    rows.end = smpl.check_last;
    const SkipCodes skip = skip_codes(run);
    for (int t = rows.beg; t <= rows.end; ++t)
        if (!skip || t > skip.length || skip.codes[t] <= 0) rows.obs.push_back(t);
    return true;
}

void fill_list_rows(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                    ListRows& rows) {
    const Real xmiss = run.ws.XMISS;
    // The columns to fill: y, then each regressor (the intercept is ones). Each column is read
    // on its own: on a long sample the columns are shared between two threads, which also
    // share the cost of touching the new memory. The headers are looked up here, first.
    struct Job {
        SeriesReader reader;
        int lag = 0;
        std::vector<Real>* into = nullptr;
    };
    std::vector<Job> jobs;
    rows.x.assign(terms.size(), {});
    jobs.push_back({SeriesReader(run, dep_ref), dep_lag, &rows.y});
    for (std::size_t j = 0; j < terms.size(); ++j) {
        const OlsTerm& t = terms[j];
        if (t.kind == TermKind::INTERCEPT)
            rows.x[j].assign(rows.obs.size(), Real(1));
        else
            jobs.push_back({SeriesReader(run, t.ref), t.lag, &rows.x[j]});
    }
    auto fill = [&](const Job& job) {
        std::vector<Real>& v = *job.into;
        v.clear();
        v.reserve(rows.obs.size());
        for (int t : rows.obs) v.push_back(job.reader.at(run, (long long)t - job.lag, xmiss));
    };
    const std::size_t half = jobs.size() / 2;
    auto lower = [&] {
        for (std::size_t c = 0; c < half; ++c) fill(jobs[c]);
    };
    auto upper = [&] {
        for (std::size_t c = half; c < jobs.size(); ++c) fill(jobs[c]);
    };
    if (half > 0 && rows.obs.size() >= SPLIT_MIN_ROWS && two_threads_available()) {
        std::thread second;
        try {
            second = std::thread(upper);
        } catch (const std::system_error&) { // no thread to be had: all of it here
            lower();
            upper();
            return;
        }
        lower();
        second.join();
    } else {
        lower();
        upper();
    }
}

const Real* series_start(Run& run, int ref, int lag, int beg, int end) {
    VarInfo info;
    int column = 0;
    if (ref == 0 || variable_info(run.ws, ref, info, column) != VarStatus::FOUND) return nullptr;
    if (info.scalar != 0 || info.addr == 0 || info.inc != 1) return nullptr;
    if (static_cast<long long>(beg) - lag < 1 || static_cast<long long>(end) - lag > info.length)
        return nullptr;
    return &element(run, info, static_cast<long long>(beg) - lag);
}

PlacedRows place_list_rows(Run& run, int dep_ref, int dep_lag, const std::vector<OlsTerm>& terms,
                           ListRows& rows) {
    PlacedRows placed;
    if (rows_in_place(run, dep_ref, dep_lag, terms, rows, placed)) return placed;
    fill_list_rows(run, dep_ref, dep_lag, terms, rows);
    placed = PlacedRows{};
    placed.y = rows.y.data();
    for (std::size_t j = 0; j < terms.size(); ++j)
        placed.x.push_back(terms[j].kind == TermKind::INTERCEPT ? nullptr : rows.x[j].data());
    return placed;
}

bool append_list_terms(Run& run, const OlsTerm& dep, int from, int to, int err_both_sides,
                       std::vector<OlsTerm>& terms) {
    for (int k = from; k <= to; ++k) {
        const OlsTerm t = list_term(run, k);
        if (t.ref == dep.ref && t.lag == dep.lag) {
            report_error(run, " ...ERROR..VARIABLE " + dep.name + " IS ON BOTH SIDES OF EQUATION",
                         err_both_sides);
            return false;
        }
        terms.push_back(t);
    }
    return true;
}

OlsTerm read_dependent(Run& run, EstimationEquation& eq) {
    const OlsTerm dep = list_term(run, 1);
    eq.dep_ref = dep.ref, eq.dep_lag = dep.lag, eq.dep_name = dep.name;
    return dep;
}

bool read_estimation_equation(Run& run, const std::string& word, bool constant, int err_no_list,
                              int err_both_sides, EstimationEquation& eq) {
    const int count = run.scan.NF;
    if (count < 1 || (count < 2 && !constant)) {
        report_error(run, " ...ERROR.." + word + " NEEDS depvar indeps", err_no_list);
        return false;
    }
    const OlsTerm dep = read_dependent(run, eq);
    eq.terms.clear();
    if (!append_list_terms(run, dep, 2, count, err_both_sides, eq.terms)) return false;
    if (constant) eq.terms.push_back(intercept_term(run));
    return true;
}

bool gather_equation_rows(Run& run, EstimationEquation& eq, const std::vector<OlsTerm>& terms,
                          int beg, int end, ListRows& rows, PlacedRows* placed) {
    if (!list_rows_in_range(run, eq.dep_ref, eq.dep_lag, terms, beg, end, rows)) return false;
    eq.obs = rows.obs;
    eq.beg = rows.beg;
    eq.end = rows.end;
    if (placed != nullptr) {
        *placed = PlacedRows{};
        if (rows_in_place(run, eq.dep_ref, eq.dep_lag, terms, rows, *placed) &&
            placed->positions.empty())
            return true;
        *placed = PlacedRows{};
    }
    fill_list_rows(run, eq.dep_ref, eq.dep_lag, terms, rows);
    return true;
}

} // namespace tarvex
