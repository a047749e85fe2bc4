// Polynomial distributed lags (Almon lags) imposed by substitution. For m lags with index
// i = 0 .. m-1 (lag = first + i) and degree p, the lag coefficients are b_i = sum_c g_c h_c(i)
// with the basis h_c(i) = e(i) * i**c, where e(i) is 1 without end constraints, (i+1) with the
// near end tied to zero, (m-i) with the far end tied and (i+1)(m-i) with both; each constraint
// takes one degree from the polynomial. The constructed column c is sum_i h_c(i) x_(first+i).
#include "regress/ols/lag_polynomial.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ls_bridge.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/fit/report_notes.hpp"
#include "regress/ols/ols_command.hpp"

namespace tarvex {

int LagPolynomial::free_parameters() const {
    int tied = 0;
    if (endcon == ENDCON_NEAR || endcon == ENDCON_FAR) tied = 1;
    if (endcon == ENDCON_BOTH) tied = 2;
    return order + 1 - tied;
}

Real LagPolynomial::basis(int i, int c) const {
    Real v = 1;
    for (int e = 0; e < c; ++e) v *= i;
    if (endcon == ENDCON_NEAR || endcon == ENDCON_BOTH) v *= i + 1;
    if (endcon == ENDCON_FAR || endcon == ENDCON_BOTH) v *= lags - i;
    return v;
}

std::vector<LagPolynomial> find_lag_polynomials(const std::vector<OlsTerm>& terms) {
    std::vector<LagPolynomial> out;
    const int k = int(terms.size());
    for (int j = 0; j < k;) {
        const OlsTerm& t = terms[j];
        if (t.kind != TermKind::VARIABLE || t.poly_order <= 0) {
            ++j;
            continue;
        }
        LagPolynomial p;
        p.first_term = j;
        p.order = t.poly_order;
        p.endcon = t.end_constraint;
        int e = j + 1;
        while (e < k && terms[e].kind == TermKind::VARIABLE && terms[e].ref == t.ref &&
               terms[e].lag == terms[e - 1].lag + 1 && terms[e].poly_order == t.poly_order &&
               terms[e].end_constraint == t.end_constraint)
            ++e;
        p.lags = e - j;
        out.push_back(p);
        j = e;
    }
    return out;
}

int lag_polynomial_restrictions(const std::vector<OlsTerm>& terms) {
    int q = 0;
    for (const LagPolynomial& p : find_lag_polynomials(terms)) q += p.lags - p.free_parameters();
    return q;
}

bool check_lag_polynomials(Run& run, const std::vector<OlsTerm>& terms) {
    for (const LagPolynomial& p : find_lag_polynomials(terms)) {
        std::string name = terms[p.first_term].name;
        name.erase(name.find_last_not_of(' ') + 1);
        if (p.endcon < ENDCON_NONE || p.endcon > ENDCON_BOTH) {
            report_error(run,
                         " ...ERROR..END CONSTRAINT CODE" + fmt_I(p.endcon, 4) + " FOR " + name +
                             " MUST BE 0, 1, 2 OR 3",
                         ERR_NOT_VALID);
            return false;
        }
        const int free = p.free_parameters();
        if (free < 1 || free > p.lags) {
            report_error(run,
                         " ...ERROR..POLYNOMIAL ORDER" + fmt_I(p.order, 4) +
                             " WITH END CONSTRAINT" + fmt_I(p.endcon, 2) + " DOES NOT FIT" +
                             fmt_I(p.lags, 4) + " LAGS OF " + name,
                         ERR_NOT_VALID);
            return false;
        }
    }
    return true;
}

std::vector<Real> substitution_matrix(const std::vector<LagPolynomial>& polys, int k,
                                      std::vector<int>& column_term) {
    column_term.clear();
    std::size_t next = 0;
    std::vector<std::vector<Real>> rows(k); // row j of H, grown as columns are added
    for (int j = 0; j < k;) {
        if (next < polys.size() && polys[next].first_term == j) {
            const LagPolynomial& p = polys[next++];
            for (int c = 0; c < p.free_parameters(); ++c) {
                for (int r = 0; r < k; ++r)
                    rows[r].push_back(r >= p.first_term && r < p.first_term + p.lags
                                          ? p.basis(r - p.first_term, c)
                                          : Real(0));
                column_term.push_back(p.first_term);
            }
            j += p.lags;
            continue;
        }
        for (int r = 0; r < k; ++r) rows[r].push_back(r == j ? Real(1) : Real(0));
        column_term.push_back(j);
        ++j;
    }
    const std::size_t kf = column_term.size();
    std::vector<Real> h(std::size_t(k) * kf);
    for (int r = 0; r < k; ++r)
        for (std::size_t c = 0; c < kf; ++c) h[r * kf + c] = rows[r][c];
    return h;
}

LsSolution solve_regression(OlsFit& fit, const OlsOptions& o, const std::vector<Real>& xs,
                            const std::vector<Real>& ys, ReportNotes& notes) {
    const int n = fit.n, k = fit.k;
    const std::vector<LagPolynomial> polys =
        o.DLRX ? std::vector<LagPolynomial>{} : find_lag_polynomials(fit.terms);
    if (polys.empty()) return solve_least_squares(o.method(), xs, ys, n, k, o.RIDGE);

    std::vector<int> column_term;
    const std::vector<Real> h = substitution_matrix(polys, k, column_term);
    const int kf = int(column_term.size());
    // Constructed columns Z = X H.
    std::vector<Real> z(std::size_t(n) * kf, 0);
    for (int c = 0; c < kf; ++c)
        for (int j = 0; j < k; ++j) {
            const Real hjc = h[std::size_t(j) * kf + c];
            if (hjc == 0) continue;
            const Real* xj = xs.data() + std::size_t(j) * n;
            Real* zc = z.data() + std::size_t(c) * n;
            for (int i = 0; i < n; ++i) zc[i] += hjc * xj[i];
        }
    LsSolution sub = solve_least_squares(OlsMethod::NORMAL, z, ys, n, kf, o.RIDGE);
    for (const LagPolynomial& p : polys)
        notes.add(NotePlace::SOLUTION, NoteKind::TEXT,
                  " POLYNOMIAL DISTRIBUTED LAG: " + first_8_padded(fit.terms[p.first_term].name) +
                      " LAGS" + fmt_I(fit.terms[p.first_term].lag, 4) + " TO" +
                      fmt_I(fit.terms[p.first_term + p.lags - 1].lag, 4) +
                      "  ORDER=" + fmt_I(p.order, 3) + "  ENDCON=" + fmt_I(p.endcon, 2));
    if (sub.dependent_column > 0) sub.dependent_column = column_term[sub.dependent_column - 1] + 1;
    if (sub.coef.empty()) return sub;
    // b = H g and (X'X)**-1 restricted = H (Z'Z)**-1 H'.
    LsSolution out = std::move(sub);
    std::vector<Real> coef(k, 0), inv(std::size_t(k) * k, 0), ha(std::size_t(k) * kf, 0);
    for (int j = 0; j < k; ++j)
        for (int c = 0; c < kf; ++c) coef[j] += h[std::size_t(j) * kf + c] * out.coef[c];
    for (int j = 0; j < k; ++j)
        for (int c = 0; c < kf; ++c) {
            Real s = 0;
            for (int d = 0; d < kf; ++d)
                s += h[std::size_t(j) * kf + d] * out.xtx_inv[std::size_t(d) * kf + c];
            ha[std::size_t(j) * kf + c] = s;
        }
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) {
            Real s = 0;
            for (int c = 0; c < kf; ++c)
                s += ha[std::size_t(a) * kf + c] * h[std::size_t(b) * kf + c];
            inv[std::size_t(a) * k + b] = s;
        }
    out.coef = std::move(coef);
    out.xtx_inv = std::move(inv);
    fit.restrictions += k - kf;
    return out;
}

} // namespace tarvex
