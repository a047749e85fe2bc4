// Lag-sum tests: the terms of the fit are grouped by variable; a variable with more than one
// term, or with a lagged term, is a lagged variable. For each, TESTH (quietly) tests the sum of
// its coefficients and, jointly, the coefficients themselves.
#include "regress/test/test_lag_sums.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/test/test_statistics.hpp"

#include <vector>

namespace tarvex {

namespace {

struct LaggedVariable {
    std::string name;       // the variable's name without the lag
    std::vector<int> terms; // indexes of its terms in the fit
};

std::vector<LaggedVariable> lagged_variables(const OlsFit& fit) {
    std::vector<LaggedVariable> out;
    std::vector<int> refs;
    for (int j = 0; j < fit.k; ++j) {
        const OlsTerm& t = fit.terms[j];
        if (t.kind != TermKind::VARIABLE) continue;
        std::size_t g = 0;
        while (g < refs.size() && refs[g] != t.ref) ++g;
        if (g == refs.size()) {
            refs.push_back(t.ref);
            std::string name = t.name.substr(0, t.name.find('('));
            out.push_back({name, {}});
        }
        out[g].terms.push_back(j);
    }
    std::vector<LaggedVariable> lagged;
    for (LaggedVariable& v : out) {
        bool has_lag = v.terms.size() > 1;
        for (int j : v.terms) has_lag = has_lag || fit.terms[j].lag != 0;
        if (has_lag) lagged.push_back(std::move(v));
    }
    return lagged;
}

// The rows whose variance matrix G V G' stays regular, in order: under polynomial lags the lag
// coefficients depend on fewer free parameters, and the joint test has that many degrees.
std::vector<Hypothesis> independent_rows(const std::vector<Hypothesis>& rows,
                                         const std::vector<Real>& v, int k) {
    std::vector<Hypothesis> kept;
    for (const Hypothesis& h : rows) {
        kept.push_back(h);
        const int q = static_cast<int>(kept.size());
        std::vector<Real> a(static_cast<std::size_t>(q) * q, 0);
        for (int i = 0; i < q; ++i)
            for (int j = 0; j < q; ++j)
                for (int r = 0; r < k; ++r)
                    for (int c = 0; c < k; ++c)
                        a[static_cast<std::size_t>(i) * q + j] +=
                            kept[i].gradient[r] * v[static_cast<std::size_t>(r) * k + c] *
                            kept[j].gradient[c];
        if (!invert_positive_definite(a, q)) kept.pop_back();
    }
    return kept;
}

} // namespace

std::vector<LagSumTest> lag_sum_tests(const OlsFit& fit, bool asymptotic) {
    std::vector<LagSumTest> out;
    for (const LaggedVariable& v : lagged_variables(fit)) {
        LagSumTest t;
        t.name = v.name;
        Hypothesis sum;
        sum.gradient.assign(fit.k, 0);
        Real weighted = 0;
        std::vector<Hypothesis> each;
        for (int j : v.terms) {
            t.lags.push_back(fit.terms[j].lag);
            sum.gradient[j] = 1;
            sum.value += fit.coef[j];
            weighted += fit.terms[j].lag * fit.coef[j];
            Hypothesis h;
            h.gradient.assign(fit.k, 0);
            h.gradient[j] = 1;
            h.value = fit.coef[j];
            each.push_back(std::move(h));
        }
        t.sum = test_statistics({sum}, fit.cov, fit.k, fit.df, asymptotic);
        t.joint = test_statistics(independent_rows(each, fit.cov, fit.k), fit.cov, fit.k, fit.df,
                                  asymptotic);
        t.mean_lag = sum.value != 0 ? weighted / sum.value : Real(0);
        out.push_back(std::move(t));
    }
    return out;
}

void write_lag_sum_tests(Run& run, const std::vector<LagSumTest>& tests) {
    if (tests.empty()) return;
    const bool put = run.flags.OPUT;
    if (put) {
        write_line(run, " ");
        write_line(run, fmt_X(20) + "TESTS ON LAGGED COEFFICIENTS");
        write_line(run, std::string(" VARIABLE  SUM(COEFS)  STD ERROR") + fmt_X(2) +
                            "T-RATIO  P-VALUE | MEAN LAG| JOINT-F  P-VALUE");
    }
    for (const LagSumTest& t : tests) {
        if (run.sw[ODMMP] && put)
            for (int lag : t.lags) write_line(run, " LAG LENGTH=" + fmt_I(lag, 4));
        // A test that cannot be done is a warning, and the table goes on.
        for (const TestOutcome* o : {&t.sum, &t.joint})
            if (!o->warning.empty()) write_line(run, o->warning);
        if (!t.sum.done || !t.joint.done || !put) continue;
        const TestOutcome& s = t.sum;
        write_line(run, " " + first_8_padded(t.name) + fmt_G(s.value, 13, 5) +
                            fmt_G(s.stderr_, 11, 3) + fmt_G(s.t, 11, 3) + fmt_F(s.pvalue, 6, 3) +
                            " |" + fmt_F(t.mean_lag, 8, 3) + " |" + fmt_G(t.joint.f, 11, 3) +
                            fmt_F(t.joint.pvalue, 6, 3));
    }
}

} // namespace tarvex
