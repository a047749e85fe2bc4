// Restricted least squares: with A = (X'X)**-1 and d = R b - r (the values of the restrictions
// at b), b* = b - A R' (R A R')**-1 d, and the matrix behind the covariance becomes
// A - A R' (R A R')**-1 R A. The rise of the error sum of squares, d' (R A R')**-1 d, gives the
// F test of the restrictions.
#include "regress/ols/restrict_estimation.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/ols/ols_estimation.hpp"
#include "regress/test/test_command.hpp"
#include "regress/test/test_statistics.hpp"

namespace tarvex {

bool impose_restrictions(Run& run, OlsEstimate& e) {
    OlsFit& fit = e.fit;
    const Real sse = fit.sse;
    const bool put = run.flags.OPUT;
    if (put && run.sw[OTALK]) write_line(run, " ENTER RESTRICT COMMANDS, THEN TYPE END");
    TestEquation eq;
    for (const OlsTerm& t : fit.terms) {
        eq.names.push_back(t.name);
        eq.refs.push_back(t.ref);
        eq.lags.push_back(t.lag);
    }
    eq.coef = fit.coef;
    std::vector<Hypothesis> rows;
    const int ikod = run.cmd.IKOD;
    const bool ok = read_hypothesis_block(run, eq, rows);
    run.cmd.IKOD = ikod;
    run.flags.OPUT = put;
    if (!ok) return false;
    const int q = static_cast<int>(rows.size());
    if (q == 0) return true;

    const int k = fit.k;
    if (!reserve_test_space(run, q, k)) return false;
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
        e.failed = true;
        e.error_line = " ...WARNING..RESTRICTIONS COULD NOT BE DONE";
        e.error_number = ERR_TEST_SINGULAR;
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
