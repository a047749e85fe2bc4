// CKSMPL, run by every data-using command on its variables before it computes (check range,
// missing values, SKIPMISS marks, lengths), and SKIPIT, which counts the skipped observations.
#include "workspace/sample.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace tarvex {

namespace {

// $ERR of a range past the end of a variable: the command's number x 1000 + this.

// Result scalars that CKSMPL leaves out of the checks.
constexpr int FIRST_UNCHECKED_SCALAR = 42;
constexpr int LAST_UNCHECKED_SCALAR = 50;

// A listed variable as CKSMPL sees it.
struct Checked {
    int ref = 0;
    std::size_t position = 0; // place in the command's list
    VarInfo info;
    long long rows = 0;
    std::string name;            // 8 columns
    const Real* first = nullptr; // a work-area variable's element k at first[k * inc], in place
};

std::string checked_name(const Run& run, int ref) {
    if (ref < 0) return fmt_A(std::string("$") + RESULT_NAMES[-ref - 1], 8);
    std::string name = run.ws.VNAME[ref].substr(0, 8);
    return name;
}

// The variable behind a listed reference, or false when CKSMPL ignores it.
bool qualifies(Run& run, int ref, Checked& out) {
    if (ref < MARK_BASE) ref = MARK_BASE - ref;
    if (ref == 0 || ref > run.ws.MAXVAR) return false;
    if (ref <= -FIRST_UNCHECKED_SCALAR && ref >= -LAST_UNCHECKED_SCALAR) return false;
    if (ref < 0 && -ref > NRESULT) return false;
    if (ref > 0 && run.ws.KADD[ref] <= 0) return false;
    if (!VINFO(run, ref, out.info)) return false;
    if (ref > 0 && out.info.inc == 0) return false;
    out.ref = ref;
    out.rows = out.info.ncol > 1 ? out.info.length / out.info.ncol : out.info.length;
    out.name = checked_name(run, ref);
    out.first = out.info.scalar == 0 && out.info.addr != 0 ? &element(run, out.info, 0) : nullptr;
    return true;
}

// Whether any column of the variable holds exactly XMISS at observation t. Elements of a
// work-area variable are read in place: this runs over every observation of every variable a
// command uses.
bool missing_at(Run& run, const Checked& var, long long t) {
    const int ncol = std::max(var.info.ncol, 1);
    const Real xmiss = run.ws.XMISS;
    if (var.first != nullptr) {
        for (int col = 0; col < ncol; ++col)
            if (equal_values(var.first[(t + col * var.rows) * var.info.inc], xmiss)) return true;
        return false;
    }
    for (int col = 0; col < ncol; ++col)
        if (equal_values(element(run, var.info, t + col * var.rows), xmiss)) return true;
    return false;
}

// The observations in [first, last] at which some column of the variable holds exactly XMISS,
// in order. The columns of a work-area variable are scanned in place, each a tight run of bit
// comparisons with the code (as equal_values compares: a NaN code matches nothing, a zero code
// either zero).
std::vector<long long> missing_rows(Run& run, const Checked& var, long long first, long long last) {
    std::vector<long long> rows;
    if (last < first) return rows;
    if (var.first == nullptr) {
        for (long long t = first; t <= last; ++t)
            if (missing_at(run, var, t)) rows.push_back(t);
        return rows;
    }
    using Bits = unsigned __int128;
    constexpr Bits MAGNITUDE = ~(Bits(1) << 127);
    constexpr Bits INFINITY_BITS = Bits(0x7fff) << 112;
    const Real xmiss = run.ws.XMISS;
    Bits code;
    std::memcpy(&code, &xmiss, sizeof code);
    if ((code & MAGNITUDE) > INFINITY_BITS) return rows;
    const bool zero = (code & MAGNITUDE) == 0;
    const int ncol = std::max(var.info.ncol, 1);
    const long long inc = var.info.inc;
    std::vector<char> hit; // by observation from `first`, once a column of several has one
    for (int col = 0; col < ncol; ++col) {
        const Real* p = var.first + (first + col * var.rows) * inc;
        for (long long t = first; t <= last; ++t, p += inc) {
            Bits x;
            std::memcpy(&x, p, sizeof x);
            if (!(zero ? (x & MAGNITUDE) == 0 : x == code)) continue;
            if (ncol == 1) {
                rows.push_back(t);
                continue;
            }
            if (hit.empty()) hit.assign(static_cast<std::size_t>(last - first + 1), 0);
            hit[static_cast<std::size_t>(t - first)] = 1;
        }
    }
    for (std::size_t k = 0; k < hit.size(); ++k)
        if (hit[k] != 0) rows.push_back(first + static_cast<long long>(k));
    return rows;
}

// The code after "HAS MISSING DATA VALUE=": general form, 8 significant digits, no blanks.
std::string missing_code_text(Real code) {
    std::string text = fmt_G(code, 16, 8);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Warns about each observation of the variable that holds the missing code, and marks it in
// `used_missing` (one flag per observation of the check range, from check_first).
void warn_missing(Run& run, const Checked& var, std::vector<char>& used_missing) {
    const SampleBlock& s = run.smpl;
    const long long first = std::max(s.check_first, 1);
    const long long last = std::min<long long>(s.check_last, var.rows);
    if (last >= first && used_missing.size() < static_cast<std::size_t>(last - first + 1))
        used_missing.resize(static_cast<std::size_t>(last - first + 1), 0);
    for (long long t : missing_rows(run, var, first, last)) {
        write_line(run, missing_value_warning(run, t, var.name));
        used_missing[static_cast<std::size_t>(t - first)] = 1;
    }
}

void note_missing_used(Run& run, const std::vector<char>& used_missing) {
    note_missing_values_used(run, std::count(used_missing.begin(), used_missing.end(), char(1)));
}

void mark_missing(Run& run, const Checked& var) {
    const SampleBlock& s = run.smpl;
    const bool talk = run.sw[OMSWRN] && run.flags.OPUT;
    SkipCodes skip = skip_codes(run);
    long long last = s.check_last;
    if (skip.length < last) {
        last = skip.length;
        if (talk) write_line(run, " ...NOTE..SKIPMISS OPTION CHECKING UP TO OBS" + fmt_I(last, 8));
    }
    last = std::min(last, var.rows);
    for (long long t : missing_rows(run, var, std::max(s.check_first, 1), last)) {
        if (skip.codes[t] == SKIP_IN_USE) skip.codes[t] = SKIP_MISSING;
        if (talk)
            write_line(run, " OBSERVATION " + fmt_I(t, 6) + " IS SKIPPED BECAUSE " + var.name +
                                " MISSING");
    }
}

} // namespace

std::string missing_value_warning(const Run& run, long long t, const std::string& name8) {
    return " ...WARNING..OBSERVATION " + fmt_I(t, 6) + " OF " + name8 +
           " HAS MISSING DATA VALUE=" + missing_code_text(run.ws.XMISS);
}

void note_missing_values_used(Run& run, long long used) {
    if (used == 0) return;
    write_line(run, " ...NOTE.." + fmt_I(used, 8) +
                        (used == 1 ? " OBSERVATION USES" : " OBSERVATIONS USE") +
                        " THE MISSING DATA VALUE=" + missing_code_text(run.ws.XMISS) +
                        " AS DATA: SET SKIPMISS DROPS " + (used == 1 ? "IT" : "THEM"));
}

void CKSMPL(Run& run, std::span<const int> refs, int drops_own_missing,
            std::span<const int> lagged_only) {
    SampleBlock& s = run.smpl;
    const bool skipmiss = run.sw[OSMISS];
    const bool debug = run.sw[ODMMP] && run.flags.OPUT;
    if (skipmiss)
        if (SkipCodes skip = skip_codes(run))
            for (long long t = 1; t <= skip.length; ++t)
                if (skip.codes[t] == SKIP_MISSING) skip.codes[t] = SKIP_IN_USE;

    std::vector<Checked> vars;
    for (std::size_t k = 0; k < refs.size(); ++k) {
        Checked var;
        var.position = k;
        if (qualifies(run, refs[k], var)) vars.push_back(var);
    }
    if (run.cmd.IKOD != C_NLINEAR && s.check_last <= 0) {
        long long shortest = vars.empty() ? 0 : LLONG_MAX;
        for (const Checked& var : vars) shortest = std::min(shortest, var.rows);
        s.check_last = static_cast<int>(std::min<long long>(shortest, INT_MAX));
        if (debug) write_line(run, " LENGTH OF SHORTEST VARIABLE IS" + fmt_I(s.check_last, 8));
    }
    if (skipmiss && !skip_codes(run) && !make_skip_variable(run, s.MAXOB)) return;

    std::vector<char> used_missing;   // observations warned about, from check_first
    std::vector<char> dropped_anyway; // those of drops_own_missing
    for (Checked& var : vars) {
        // SKIP$ may have been created above: read the headers again.
        if (!qualifies(run, var.ref, var)) continue;
        const bool examined = var.info.type < TYPE_SYMMETRIC && run.cmd.IKOD != C_READ;
        const bool read_at_t =
            std::find(lagged_only.begin(), lagged_only.end(), var.ref) == lagged_only.end();
        if (examined && !skipmiss && run.sw[OMSWRN] && run.flags.OPUT)
            warn_missing(run, var,
                         var.ref == drops_own_missing || !read_at_t ? dropped_anyway
                                                                    : used_missing);
        const bool last_of_fcast = run.cmd.IKOD == C_FCAST && var.position + 1 == refs.size();
        if (examined && skipmiss && !last_of_fcast && read_at_t) mark_missing(run, var);
        if (var.rows < s.check_last) {
            // Every short variable is reported; the command ends after the checks.
            report_error(run,
                         " ...ERROR..SAMPLE RANGE EXCEEDS LENGTH OF " + var.name +
                             fmt_I(var.rows, 10) + fmt_I(s.check_last, 10),
                         shared_error::SAMPLE_BEYOND_LENGTH);
        } else if (var.rows > s.check_last && debug) {
            write_line(run, " ...NOTE..LENGTH OF " + var.name + "EXCEEDS SAMPLE RANGE");
        }
    }
    // Plots leave the missing code out of the picture and FCAST leaves the prediction of such
    // an observation undefined: only the estimators compute with it.
    const int ikod = run.cmd.IKOD;
    if (!run.flags.ODONT && ikod != C_PLOTS && ikod != C_GRAPH && ikod != C_FCAST)
        note_missing_used(run, used_missing);
}

void SKIPIT(Run& run) {
    SampleBlock& s = run.smpl;
    const SkipCodes skip = skip_codes(run);
    s.NSKIP = static_cast<int>(std::min<long long>(skip.length, INT_MAX));
    if (s.NSKIP < s.check_first) {
        s.NSKIP = 0;
        return;
    }
    const int last = std::min(s.check_last, s.NSKIP);
    int skipped = 0;
    s.JBEG = 0;
    for (int t = std::max(s.check_first, 1); t <= last; ++t) {
        if (skip.codes[t] <= 0) continue;
        if (skipped++ == 0) s.JBEG = t - 1;
    }
    s.NSKIP = skipped;
}

} // namespace tarvex
