// Restricted least squares: with A = (X'X)**-1 and d = R b - r (the values of the restrictions
// at b), b* = b - A R' (R A R')**-1 d, and the matrix behind the covariance becomes
// A - A R' (R A R')**-1 R A. The rise of the error sum of squares, d' (R A R')**-1 d, gives the
// F test of the restrictions.
#include "regress/ols/restrict_estimation.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/ols_estimation.hpp"
#include "regress/test/test_command.hpp"
#include "regress/test/test_statistics.hpp"

namespace tarvex {

namespace {

// Held lines [from, to) as notes of the solution's place.
void note_held(OlsEstimate& e, const RestrictionBlock& block, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to && i < block.held.size(); ++i)
        e.notes.add(NotePlace::SOLUTION, NoteKind::HELD, block.held[i]);
}

} // namespace

RestrictionBlock read_restriction_block(Run& run, const OlsFit& fit) {
    RestrictionBlock block;
    block.read = true;
    for (const OlsTerm& t : fit.terms) {
        block.equation.names.push_back(t.name);
        block.equation.refs.push_back(t.ref);
        block.equation.lags.push_back(t.lag);
    }
    const bool put = run.flags.OPUT;
    const int ikod = run.cmd.IKOD;
    {
        const HeldLines holding(run.buf, block.held);
        if (put && run.sw[OTALK]) write_line(run, " ENTER RESTRICT COMMANDS, THEN TYPE END");
        block.ok = read_statement_block(run, std::size_t(fit.k), [&](std::string_view text) {
            CompiledHypothesis row;
            if (!compile_hypothesis_program(run, block.equation, text, row)) return false;
            block.rows.push_back(std::move(row));
            block.held_end.push_back(block.held.size());
            return true;
        });
    }
    run.cmd.IKOD = ikod;
    run.flags.OPUT = put;
    const long long q = static_cast<long long>(block.rows.size()), k = fit.k;
    block.space_ok = run.ws.LASADD + q * k + q * q <= run.ws.MAXADD;
    return block;
}

bool impose_restrictions(OlsEstimate& e, const RestrictionBlock& block) {
    OlsFit& fit = e.fit;
    const Real sse = fit.sse;
    TestEquation eq = block.equation;
    eq.coef = fit.coef;
    // Each restriction at b, after the lines its reading wrote (as when they were read at b).
    std::vector<Hypothesis> rows;
    std::size_t written = 0;
    for (std::size_t i = 0; i < block.rows.size(); ++i) {
        note_held(e, block, written, block.held_end[i]);
        written = block.held_end[i];
        HypothesisValue v = evaluate_hypothesis(block.rows[i], eq);
        if (!v.ok()) {
            // The rest of the block was passed over after the message.
            e.notes.add(NotePlace::SOLUTION, NoteKind::ERROR, v.error_line);
            note_held(e, block, written, block.held.size());
            e.result.fail("", v.error_number);
            return false;
        }
        for (std::string& line : hypothesis_dump_lines(v.hypothesis))
            e.notes.add(NotePlace::SOLUTION, NoteKind::TEXT, std::move(line), ODMMP);
        rows.push_back(std::move(v.hypothesis));
    }
    note_held(e, block, written, block.held.size());
    if (!block.ok) {
        e.result.failure.written = true; // the block's message is among the held lines
        return false;
    }
    const int q = static_cast<int>(rows.size());
    if (q == 0) return true;
    if (!block.space_ok) {
        e.result.fail(" ...ERROR..INSUFFICIENT MEMORY FOR THIS CALCULATION", ERR_TEST_MEMORY);
        return false;
    }

    const int k = fit.k;
    const std::vector<Real>& a = fit.xtx_inv;
    auto A = [&](int i, int j) { return a[static_cast<std::size_t>(i) * k + j]; };
    // P = R A (q x K) and M = R A R' (q x q).
    std::vector<Real> p(static_cast<std::size_t>(q) * k, 0), m(static_cast<std::size_t>(q) * q, 0);
    for (int i = 0; i < q; ++i)
        for (int c = 0; c < k; ++c) {
            Real s = 0;
            for (int l = 0; l < k; ++l) s += rows[i].gradient[l] * A(l, c);
            p[static_cast<std::size_t>(i) * k + c] = s;
        }
    for (int i = 0; i < q; ++i)
        for (int j = 0; j <= i; ++j) {
            Real s = 0;
            for (int c = 0; c < k; ++c)
                s += p[static_cast<std::size_t>(i) * k + c] * rows[j].gradient[c];
            m[static_cast<std::size_t>(i) * q + j] = m[static_cast<std::size_t>(j) * q + i] = s;
        }
    if (!invert_positive_definite(m, q)) {
        e.result.fail(" ...WARNING..RESTRICTIONS COULD NOT BE DONE", ERR_TEST_SINGULAR);
        return false;
    }
    // u = M**-1 d; the rise of SSE is d'u.
    std::vector<Real> u(static_cast<std::size_t>(q), 0);
    Real rise = 0;
    for (int i = 0; i < q; ++i) {
        for (int j = 0; j < q; ++j) u[i] += m[static_cast<std::size_t>(i) * q + j] * rows[j].value;
        rise += rows[i].value * u[i];
    }
    for (int c = 0; c < k; ++c) {
        Real s = 0;
        for (int i = 0; i < q; ++i) s += p[static_cast<std::size_t>(i) * k + c] * u[i];
        fit.coef[c] -= s;
    }
    // A - P' M**-1 P.
    std::vector<Real> mp(static_cast<std::size_t>(q) * k, 0);
    for (int i = 0; i < q; ++i)
        for (int c = 0; c < k; ++c) {
            Real s = 0;
            for (int j = 0; j < q; ++j)
                s +=
                    m[static_cast<std::size_t>(i) * q + j] * p[static_cast<std::size_t>(j) * k + c];
            mp[static_cast<std::size_t>(i) * k + c] = s;
        }
    for (int r = 0; r < k; ++r)
        for (int c = 0; c < k; ++c) {
            Real s = 0;
            for (int i = 0; i < q; ++i)
                s += p[static_cast<std::size_t>(i) * k + r] *
                     mp[static_cast<std::size_t>(i) * k + c];
            fit.xtx_inv[static_cast<std::size_t>(r) * k + c] -= s;
        }
    // Restrictions the equation already carries (polynomial lags) stay counted.
    const int before = fit.restrictions;
    fit.restrictions = before + q;

    const Real df = fit.nobs - k + before;
    const Real f = df > 0 && sse > 0 ? (rise / q) / (sse / df) : Real(0);
    const Real pvalue = f_tail(f, q, df);
    e.restricted = true;
    e.restriction_pvalue = pvalue;
    e.notes.add(NotePlace::SOLUTION, NoteKind::TEXT,
                " F TEST ON RESTRICTIONS=" + fmt_G(f, 13, 5) + " WITH" + fmt_I(q, 5) + " AND" +
                    fmt_I(static_cast<long long>(df), 5) + " DF  P-VALUE=" + fmt_F(pvalue, 8, 5));
    return true;
}

} // namespace tarvex
