// Loading the variables of STATS from the workspace.
#include "regress/stats/stats_variables.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/term_names.hpp"
#include "regress/stats/stats_errors.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

constexpr int LAG_ORDER_CODE = 10000; // lag codes from here up carry a polynomial order

// Where one analysed variable's values come from.
struct Source {
    std::string name;
    VarInfo info;
    long long rows = 0;
    long long offset = 0; // elements before the column
    int lag = 0;
};

void say(Run& run, const std::string& line) {
    if (run.flags.OPUT) write_line(run, line);
}

// An unusable list entry: the line while output is on, the number always; the command goes on.
void refuse_reference(Run& run, int ref) {
    const std::string line = " ...ERROR..VARIABLE " + std::to_string(ref) + " IS INVALID";
    report_error(run, run.flags.OPUT ? line : std::string(), ERR_STATS_INVALID_VARIABLE,
                 ErrorSeverity::CONTINUES);
}

void add_columns(Run& run, const std::string& base, const VarInfo& info, std::vector<Source>& out) {
    const int ncol = std::max(info.ncol, 1);
    const long long rows = info.length / ncol;
    for (int c = 1; c <= ncol; ++c) {
        Source s;
        s.name = first_8_padded(suffixed_name(base, ":" + std::to_string(c)));
        s.info = info;
        s.rows = rows;
        s.offset = (long long)(c - 1) * rows;
        out.push_back(s);
    }
}

// Adds the variable behind one list reference; reports it when it cannot be used.
void add_reference(Run& run, const StatsOptions& o, int ref, int lag, std::vector<Source>& out) {
    Workspace& ws = run.ws;
    if (ref < MARK_BASE) ref = MARK_BASE - ref;
    Source s;
    s.lag = lag;
    if (ref < 0) {
        if (-ref > NRESULT) return;
        s.name = first_8_padded(std::string("$") + RESULT_NAMES[-ref - 1]);
    } else if (ref > 2 * ws.MAXVAR) {
        int col = ref % ws.MXCOL;
        if (col == 0) col = ws.MXCOL;
        const int slot = (ref - col) / ws.MXCOL;
        if (slot < 1 || slot > ws.MAXVAR || ws.KADD[slot] <= 0) {
            refuse_reference(run, ref);
            return;
        }
        s.name = first_8_padded(suffixed_name(trim_trailing_blanks(ws.VNAME[slot].substr(0, 8)),
                                              ":" + std::to_string(col)));
    } else if (ref < 1 || ref > ws.MAXVAR || ws.KADD[ref] <= 0) {
        refuse_reference(run, ref);
        return;
    } else {
        std::string base = trim_trailing_blanks(ws.VNAME[ref].substr(0, 8));
        s.name = first_8_padded(lagged_name(base, lag));
    }
    if (!VINFO(run, ref, s.info)) {
        run.flags.ODONT = false; // the column message is out; the other variables go on
        return;
    }
    const int type = s.info.type;
    if (ref > 2 * ws.MAXVAR && type <= TYPE_TRIANGLE) {
        s.rows = s.info.length;
        out.push_back(s);
        return;
    }
    if (type == TYPE_CHAR_STRING || type == TYPE_CHAR_VAR || (type != TYPE_DATA && !o.MATRIX)) {
        say(run, " " + s.name + " VARIABLE IS NOT DATA - NO STATS");
        return;
    }
    if (type != TYPE_DATA) {
        say(run, " ...NOTE..TREATING COLUMNS OF " + s.name + "AS VECTORS ");
        add_columns(run, trim_trailing_blanks(s.name), s.info, out);
        return;
    }
    s.rows = s.info.length;
    out.push_back(s);
}

std::vector<Source> listed_sources(Run& run, const StatsOptions& o) {
    std::vector<Source> out;
    const ScanBlock& scan = run.scan;
    if (o.ALL || scan.NF == 0) {
        const Workspace& ws = run.ws;
        for (int slot = 1; slot <= ws.MAXVAR; ++slot) {
            if (ws.KADD[slot] <= 0 || trim_trailing_blanks(ws.VNAME[slot]).empty()) continue;
            if (trim_trailing_blanks(ws.VNAME[slot]) == "SKIP$") continue;
            VarInfo info;
            if (!VINFO(run, slot, info) || info.type != TYPE_DATA) continue;
            add_reference(run, o, slot, 0, out);
        }
        return out;
    }
    for (int k = 1; k <= scan.NF; ++k)
        add_reference(run, o, scan.list[k], scan.list[scan.MAXVAR + k] % LAG_ORDER_CODE, out);
    return out;
}

} // namespace

bool load_stats_variables(Run& run, const StatsOptions& o, StatsData& data) {
    std::vector<Source> sources = listed_sources(run, o);
    data.replicate = o.REPLICAT;
    data.beg = std::max(o.BEG, 1);
    int end = o.END;
    if (o.OBS > 0) end = data.beg + o.OBS - 1;
    // Past the longest variable nothing is observed: the range stops there.
    long long longest = 0;
    for (const Source& s : sources) longest = std::max(longest, s.rows + s.lag);
    longest = std::min<long long>(longest, 1 << 30);
    if (end < 1 || end > longest) end = (int)longest;
    data.end = end;
    const std::size_t n = data.end >= data.beg ? std::size_t(data.end - data.beg + 1) : 0;

    // The codes of SKIP$ are read once here rather than looked up for every observation.
    std::vector<char> usable(n, 0);
    const SkipCodes skip = skip_codes(run);
    for (std::size_t i = 0; i < n; ++i) {
        const long long t = data.beg + (long long)i;
        usable[i] = !skip || t > skip.length || skip.codes[t] <= 0;
    }

    const std::string weight_name = trim_trailing_blanks(o.WEIGHT);
    if (!weight_name.empty()) {
        const int ref = VFIND(run, weight_name);
        VarInfo info;
        if (ref == 0 || !VINFO(run, ref, info) || info.type >= TYPE_CHAR_STRING) {
            report_error(run, " ...ERROR..VARIABLE " + first_8_padded(weight_name) + " IS INVALID",
                         ERR_STATS_INVALID_VARIABLE);
            return false;
        }
        if (info.length < data.end) {
            report_error(run, " ....ERROR..WEIGHT VECTOR TOO SHORT", ERR_STATS_WEIGHT_SHORT);
            return false;
        }
        data.weight.assign(n, 0);
        for (std::size_t i = 0; i < n; ++i) {
            const Real w = element(run, info, data.beg + (long long)i);
            data.weight[i] = w;
            if (w == run.ws.XMISS || !(w > 0)) usable[i] = 0;
        }
        say(run, " STATISTICS ARE WEIGHTED BY VARIABLE " + first_8_padded(weight_name));
    }

    for (const Source& s : sources) {
        StatsVariable v;
        v.name = s.name;
        v.x.assign(n, 0);
        v.present.assign(n, 0);
        bool in_range = false;
        for (std::size_t i = 0; i < n; ++i) {
            const long long t = data.beg + (long long)i - s.lag;
            if (t < 1 || t > s.rows) continue;
            in_range = true;
            const Real x = element(run, s.info, s.offset + t);
            v.x[i] = x;
            v.present[i] = usable[i] && x != run.ws.XMISS;
        }
        if (!in_range) {
            say(run, " " + s.name + " HAS NO OBSERVATIONS IN SAMPLE RANGE");
            continue;
        }
        if (v.count() == 0) {
            say(run, " " + s.name + fmt_I(0, 7) + " NO OBSERVATIONS FOUND");
            continue;
        }
        data.vars.push_back(std::move(v));
    }
    return true;
}

} // namespace tarvex
