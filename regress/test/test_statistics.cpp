// The statistics of hypotheses on the coefficients: the variance A = G V G', then for one
// hypothesis its standard error and t (or normal) statistic, for several the Wald statistic
// g' A**-1 g and F = W/q; computed first, then written (the Wald and Chebychev lines close every
// test) and stored.
#include "regress/test/test_statistics.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "expr/scalar_functions.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/qmath.hpp"
#include "regress/fit/ls_bridge.hpp"

#include <algorithm>

namespace tarvex {

namespace {

// A pivot at most this fraction of its diagonal element marks a singular matrix.
const Real SINGULAR_RATIO = 1e-30Q;
// A variance at most this fraction of its size without cancellation is rounding noise: on
// ill-conditioned data such as Longley's the variance of a combination that a restriction fixes
// comes out near 1e-28 of that size, of either sign.
const Real VANISHING_VARIANCE = 1e-24Q;

long long whole(Real x) {
    return static_cast<long long>(qm::round(x));
}

// A = G V G' (q x q).
std::vector<Real> hypothesis_variance(const std::vector<Hypothesis>& rows,
                                      const std::vector<Real>& v, int k) {
    const int q = static_cast<int>(rows.size());
    std::vector<Real> gv(static_cast<std::size_t>(q) * k, 0), a(static_cast<std::size_t>(q) * q, 0);
    for (int i = 0; i < q; ++i)
        for (int c = 0; c < k; ++c) {
            Real s = 0;
            for (int l = 0; l < k; ++l)
                s += rows[i].gradient[l] * v[static_cast<std::size_t>(l) * k + c];
            gv[static_cast<std::size_t>(i) * k + c] = s;
        }
    for (int i = 0; i < q; ++i)
        for (int j = 0; j < q; ++j) {
            Real s = 0;
            for (int c = 0; c < k; ++c)
                s += gv[static_cast<std::size_t>(i) * k + c] * rows[j].gradient[c];
            a[static_cast<std::size_t>(i) * q + j] = s;
        }
    // Exactly symmetric, whatever the rounding of the two products.
    for (int i = 0; i < q; ++i)
        for (int j = 0; j < i; ++j) {
            const Real m =
                (a[static_cast<std::size_t>(i) * q + j] + a[static_cast<std::size_t>(j) * q + i]) /
                2;
            a[static_cast<std::size_t>(i) * q + j] = a[static_cast<std::size_t>(j) * q + i] = m;
        }
    return a;
}

// The size each diagonal element of G V G' would have without cancellation: sum |g| |V| |g|.
// A variance that falls below 1e-24 of it is zero up to rounding (a combination that an imposed
// restriction fixes, or one that does not involve the coefficients at all).
bool variance_vanishes(const std::vector<Hypothesis>& rows, const std::vector<Real>& v, int k,
                       const std::vector<Real>& a) {
    const int q = static_cast<int>(rows.size());
    for (int i = 0; i < q; ++i) {
        Real scale = 0;
        for (int l = 0; l < k; ++l)
            for (int c = 0; c < k; ++c)
                scale += qm::abs(rows[i].gradient[l]) *
                         qm::abs(v[static_cast<std::size_t>(l) * k + c]) *
                         qm::abs(rows[i].gradient[c]);
        if (!(a[static_cast<std::size_t>(i) * q + i] > VANISHING_VARIANCE * scale)) return true;
    }
    return false;
}

// P(F(q, df) > f) for the test: a statistic of exactly 0 (the restriction holds exactly at the
// estimates) is exceeded with certainty, p = 1, where the general tail gives 0 for it.
Real test_f_pvalue(Real f, Real q, Real df) {
    if (f == 0 && q > 0 && df > 0) return 1;
    return f_tail(f, q, df);
}

void common_ending(Run& run, int q, Real w, Real wald_p) {
    write_line(run, " WALD CHI-SQUARE STATISTIC =" + fmt_G(w, 16, 8) + " WITH " + fmt_I(q, 4) +
                        " D.F." + "  P-VALUE=" + fmt_F(wald_p, 8, 5));
    const Real bound = w > 0 ? std::min<Real>(1, q / w) : Real(1);
    write_line(run, " UPPER BOUND ON P-VALUE BY CHEBYCHEV INEQUALITY =" + fmt_F(bound, 8, 5));
}

void f_line(Run& run, Real f, int q, Real df, Real p) {
    write_line(run, " F STATISTIC =" + fmt_G(f, 16, 8) + " WITH " + fmt_I(q, 4) + " AND " +
                        fmt_I(whole(df), 4) + " D.F." + "  P-VALUE=" + fmt_F(p, 8, 5));
}

} // namespace

bool invert_positive_definite(std::vector<Real>& a, int q) {
    // Gauss-Jordan elimination with diagonal pivots (the matrix is positive semi-definite).
    std::vector<Real> diag(static_cast<std::size_t>(q));
    for (int i = 0; i < q; ++i) diag[i] = qm::abs(a[static_cast<std::size_t>(i) * q + i]);
    for (int p = 0; p < q; ++p) {
        const Real pivot = a[static_cast<std::size_t>(p) * q + p];
        if (!(pivot > SINGULAR_RATIO * diag[p]) || !(pivot > 0)) return false;
        for (int j = 0; j < q; ++j)
            if (j != p) a[static_cast<std::size_t>(p) * q + j] /= pivot;
        a[static_cast<std::size_t>(p) * q + p] = 1 / pivot;
        for (int i = 0; i < q; ++i) {
            if (i == p) continue;
            const Real f = a[static_cast<std::size_t>(i) * q + p];
            if (f == 0) continue;
            for (int j = 0; j < q; ++j)
                if (j != p)
                    a[static_cast<std::size_t>(i) * q + j] -=
                        f * a[static_cast<std::size_t>(p) * q + j];
            a[static_cast<std::size_t>(i) * q + p] = -f / pivot;
        }
    }
    return true;
}

TestOutcome test_statistics(const std::vector<Hypothesis>& rows, const std::vector<Real>& v, int k,
                            Real df, bool asymptotic) {
    TestOutcome out;
    const int q = static_cast<int>(rows.size());
    out.q = q;
    out.df = df;
    out.asymptotic = asymptotic;
    if (q == 0) return out;
    std::vector<Real> a = hypothesis_variance(rows, v, k);
    if (q == 1) {
        const Real s2 = a[0];
        if (!(s2 > 0) || variance_vanishes(rows, v, k, a)) {
            out.warning = " ...WARNING..TEST COULD NOT BE DONE";
            out.error_number = ERR_TEST_NOT_DONE;
            return out;
        }
        const Real g = rows[0].value;
        const Real se = qm::sqrt(s2);
        const Real t = g / se;
        // A statistic beyond the binary128 range has no value to print or test against.
        if (!finiteq(t * t)) {
            out.warning = " ...WARNING..TEST COULD NOT BE DONE";
            out.error_number = ERR_TEST_NOT_DONE;
            return out;
        }
        out.value = g;
        out.stderr_ = se;
        out.t = t;
        out.f = out.wald = t * t;
        out.wald_pvalue = chi2_tail(out.wald, 1);
        // 2 min(PHI(t), 1 - PHI(t)), taken from the lower tail so that it keeps its digits.
        out.pvalue = asymptotic ? 2 * expr::ncdf(-qm::abs(t)) : test_f_pvalue(t * t, 1, df);
        out.done = true;
        return out;
    }
    const std::vector<Real> variance = a;
    if (variance_vanishes(rows, v, k, a) || !invert_positive_definite(a, q)) {
        out.warning = " ...WARNING..RESTRICTIONS COULD NOT BE DONE";
        out.error_number = ERR_TEST_SINGULAR;
        return out;
    }
    Real w = 0;
    for (int i = 0; i < q; ++i)
        for (int j = 0; j < q; ++j)
            w += rows[i].value * a[static_cast<std::size_t>(i) * q + j] * rows[j].value;
    if (!finiteq(w)) {
        out.warning = " ...WARNING..RESTRICTIONS COULD NOT BE DONE";
        out.error_number = ERR_TEST_SINGULAR;
        return out;
    }
    out.wald = w;
    out.f = w / q;
    out.wald_pvalue = chi2_tail(w, q);
    out.pvalue = asymptotic ? out.wald_pvalue : test_f_pvalue(out.f, q, df);
    if (q == 2) {
        out.values[0] = rows[0].value;
        out.values[1] = rows[1].value;
        out.variance[0] = variance[0];
        out.variance[1] = variance[1];
        out.variance[2] = variance[3];
    }
    out.done = true;
    return out;
}

void write_test(Run& run, const TestOutcome& o) {
    if (!o.done) return;
    if (o.q == 1) {
        write_line(run, " TEST VALUE =" + fmt_G(o.value, 13, 5) + " STD. ERROR OF TEST VALUE" +
                            fmt_G(o.stderr_, 13, 5));
        if (!o.asymptotic) {
            write_line(run, " T STATISTIC =" + fmt_G(o.t, 16, 8) + " WITH " +
                                fmt_I(whole(o.df), 4) + " D.F." + fmt_X(4) +
                                "P-VALUE=" + fmt_F(o.pvalue, 8, 5));
            f_line(run, o.f, 1, o.df, o.pvalue);
        } else {
            write_line(run, " ASYMPTOTIC NORMAL STATISTIC =" + fmt_G(o.t, 16, 8) +
                                "  P-VALUE=" + fmt_F(o.pvalue, 8, 5));
        }
    } else if (!o.asymptotic) {
        f_line(run, o.f, o.q, o.df, o.pvalue);
    }
    common_ending(run, o.q, o.wald, o.wald_pvalue);
}

std::vector<ResultScalar> test_result_scalars(const TestOutcome& o) {
    std::vector<ResultScalar> out;
    if (!o.done) return out;
    if (o.q == 1) out.insert(out.end(), {{R_VAL, o.value}, {R_STES, o.stderr_}, {R_T, o.t}});
    out.insert(
        out.end(),
        {{R_CHI, o.wald}, {R_F, o.f}, {R_DF1, Real(o.q)}, {R_DF2, o.df}, {R_PVAL, o.pvalue}});
    if (o.q == 2)
        out.insert(out.end(), {{R_VAL1, o.values[0]},
                               {R_VAL2, o.values[1]},
                               {R_CT11, o.variance[0]},
                               {R_CT12, o.variance[1]},
                               {R_CT22, o.variance[2]}});
    return out;
}

void store_test_scalars(Run& run, const TestOutcome& o) {
    for (const ResultScalar& s : test_result_scalars(o)) run.res[s.id] = s.value;
}

TestOutcome TESTH(Run& run, const std::vector<Hypothesis>& rows, const std::vector<Real>& v, int k,
                  Real df, bool asymptotic, bool print) {
    const TestOutcome out = test_statistics(rows, v, k, df, asymptotic);
    // A test that cannot be done is a warning: its line and $ERR, and the command goes on.
    if (!out.warning.empty())
        report_error(run, out.warning, out.error_number, ErrorSeverity::CONTINUES);
    store_test_scalars(run, out);
    if (print) write_test(run, out);
    return out;
}

} // namespace tarvex
