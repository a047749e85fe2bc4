// NLINEAR on the 27 NIST StRD nonlinear regression sets from both NIST starting points: every
// estimate, standard deviation and the residual sum of squares against the certified values
// (11 digits) and against the exact least-squares solution of the data (40 digits, exact.tsv),
// every fit with the default options (iteration limit and tolerance); and a few sets by the
// other optimisers (METHOD=), which must reach the same digits.
// Every fit again with its first iterations forced into double precision (on a long sample
// they are taken there by default): the same certified and exact digits, and the same local
// optimum as the same fit in binary128 throughout (its estimates and sum of squares equal to
// every certified digit), so that a double start never leads to another minimum than the
// binary128 iterations reach; where the double start is not kept, the binary128 fit's bits.
// From the certified estimates themselves the double start is kept: its check that the sum of
// squares did not rise from the start allows for the rounding of the double sum there.
// The models are typed as a user would: COS(u) as SIN(u + pi/2), the unary minus as Fortran
// binds it (SET UMINUS), Nelson's log(y) formed first by GENR.
#include "test_support.hpp"

#include "core/run.hpp"
#include "numeric/decimal.hpp"
#include "numeric/qmath.hpp"
#include "regress/nonlin/nonlin_estimate.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace tarvex::testing {
namespace {

std::string nls_path(const std::string& file) {
    return std::string(TARVEX_TEST_DATA_DIR) + "/nls/" + file;
}

std::vector<std::vector<std::string>> read_tsv(const std::string& file) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(nls_path(file));
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream s(line);
        std::string f;
        while (std::getline(s, f, '\t')) fields.push_back(f);
        if (!fields.empty()) rows.push_back(fields);
    }
    return rows;
}

Real real_of(const std::string& text) {
    Real v = 0;
    EXPECT_TRUE(parse_real(text, v)) << text;
    return v;
}

// COS(u) -> SIN((u)+pi/2): the expression language has SIN only.
std::string without_cos(std::string model) {
    for (std::size_t at; (at = model.find("COS(")) != std::string::npos;) {
        std::size_t depth = 0, end = at + 3;
        for (; end < model.size(); ++end) {
            if (model[end] == '(') ++depth;
            if (model[end] == ')' && --depth == 0) break;
        }
        const std::string inner = model.substr(at + 4, end - at - 4);
        model = model.substr(0, at) + "SIN((" + inner + ")+1.57079632679489661923132169163975144)" +
                model.substr(end + 1);
    }
    return model;
}

// Whether `value` rounds to the certified value's 11 significant digits (within half a unit of
// its last digit).
bool certified_digits(Real value, Real certified) {
    const Real unit = qm::pow(Real(10), qm::floor(qm::log10(qm::abs(certified))) - 10);
    return qm::abs(value - certified) <= unit / 2 * (1 + 1e-9Q);
}

// Whether two values agree to the certified value's 11 significant digits (within half a unit
// of its last digit).
bool same_certified_digits(Real a, Real b, Real certified) {
    const Real unit = qm::pow(Real(10), qm::floor(qm::log10(qm::abs(certified))) - 10);
    return qm::abs(a - b) <= unit / 2;
}

// Correct digits of `value` against `reference` (log relative error; 40 when equal).
double digits(Real value, Real reference) {
    if (value == reference) return 40;
    const Real err = reference != 0 ? qm::abs((value - reference) / reference) : qm::abs(value);
    return -static_cast<double>(qm::log10(err));
}

struct Fit {
    std::string set;
    int start;
    std::string method = "";   // blank: the default (Levenberg-Marquardt)
    int maxit = 0;             // 0: the default limit
    bool double_start = false; // the first iterations in double however short the sample
};

// Lowers the length from which NLINEAR iterates in double first, for the life of the guard.
struct DoubleStartFrom {
    int saved = nlinear_double_start_from();
    explicit DoubleStartFrom(int n) { set_nlinear_double_start_from(n); }
    ~DoubleStartFrom() { set_nlinear_double_start_from(saved); }
};

// The session that fits `set` from NIST start `start` (0: the certified estimates) with NLINEAR and
// `options` (after "/", blank for the defaults). Also gives the number of parameters.
std::string nist_script(const std::string& set, int start_index, const std::string& options,
                        int& k) {
    std::map<std::string, std::string> model;
    std::map<std::string, int> params;
    for (const auto& r : read_tsv("models.tsv")) {
        model[r[0]] = r[2];
        params[r[0]] = std::stoi(r[1]);
    }
    k = params[set];
    std::string equation = without_cos(model[set]);
    const bool nelson = set == "Nelson";
    if (nelson) equation.replace(0, equation.find('='), "ly ");
    std::ifstream data(nls_path(set + ".txt"));
    int n = 0;
    for (std::string line; std::getline(data, line);)
        if (line.find_first_not_of(" \t\r") != std::string::npos) ++n;
    std::string script = "set uminus\nsample 1 " + std::to_string(n) + "\nread (" +
                         nls_path(set + ".txt") +
                         (nelson ? ") y x1 x2\ngenr ly = log(y)\n" : ") y x\n");
    script += (options.empty() ? "nlinear" : "nlinear / " + options) + "\ncoef";
    const std::string label = start_index == 0 ? "b" : "start" + std::to_string(start_index);
    for (int j = 1; j <= k; ++j) {
        std::string start;
        for (const auto& r : read_tsv("certified.tsv"))
            if (r[0] == set && r[1] == label && r[2] == std::to_string(j)) start = r[3];
        script += " b" + std::to_string(j) + " " + start;
    }
    // Statements longer than a line continue with "&" at a " + ".
    std::string eq_line = "eq " + equation;
    for (std::size_t at = 150; at < eq_line.size();) {
        const std::size_t plus = eq_line.find(" + ", at);
        if (plus == std::string::npos) break;
        eq_line.insert(plus, "&\n");
        at = plus + 150;
    }
    return script + "\n" + eq_line + "\nend\nstop\n";
}

class NistNonlinear : public ::testing::TestWithParam<Fit> {};

TEST_P(NistNonlinear, CertifiedAndExactDigits) {
    const Fit fit = GetParam();
    std::map<std::string, Real> certified, exact;
    for (const auto& r : read_tsv("certified.tsv"))
        if (r[0] == fit.set) certified[r[1] + r[2]] = real_of(r[3]);
    for (const auto& r : read_tsv("exact.tsv"))
        if (r[0] == fit.set) exact[r[1] + r[2]] = real_of(r[3]);
    std::string options;
    if (!fit.method.empty())
        options =
            "method=" + fit.method + (fit.maxit > 0 ? " maxit=" + std::to_string(fit.maxit) : "");
    int k = 0;
    const std::string script = nist_script(fit.set, fit.start, options, k);
    DoubleStartFrom forced(fit.double_start ? 1 : nlinear_double_start_from());
    ScriptRun run(script);
    const bool in_double = run.output.find(" IN DOUBLE PRECISION") != std::string::npos;
    EXPECT_EQ(in_double && !fit.double_start, false) << run.output;
    // Forced, the fits take the double start but where its few binary128 steps cannot finish
    // (the badly conditioned sets, whose double Hessian is too coarse) or double finds no
    // start: those fall back to binary128 throughout.
    const std::set<std::string> falls_back = {
        "Lanczos3 1", "Lanczos3 2", "Hahn1 1",    "MGH17 1",    "Lanczos1 1",
        "Lanczos1 2", "Lanczos2 1", "Lanczos2 2", "ENSO 1",     "ENSO 2",
        "BoxBOD 1",   "MGH10 1",    "MGH10 2",    "Bennett5 1", "Bennett5 2"};
    if (fit.double_start && fit.method.empty())
        EXPECT_EQ(in_double, !falls_back.count(fit.set + " " + std::to_string(fit.start)))
            << run.output;
    const EstimationResults& e = run.run->last_estimation;
    ASSERT_EQ(e.command, "NLINEAR") << run.output;
    EXPECT_NE(run.output.find(" CONVERGENCE REACHED AFTER"), std::string::npos) << run.output;
    ASSERT_EQ(static_cast<int>(e.coef.size()), k);
    if (fit.double_start) {
        // The same fit in binary128 throughout. No NIST start leads either path to another local
        // optimum than the certified one (AllSets holds every fit to its digits), so none is
        // exempt: the two reach the same optimum, and where the double start is not kept (it
        // found none, its binary128 steps did not converge, or the sum of squares rose from the
        // start) the fit is the binary128 one to the bit.
        std::unique_ptr<ScriptRun> plain;
        {
            DoubleStartFrom never(INT_MAX);
            plain = std::make_unique<ScriptRun>(script);
        }
        const EstimationResults& p = plain->run->last_estimation;
        ASSERT_EQ(p.command, "NLINEAR") << plain->output;
        ASSERT_EQ(p.coef.size(), e.coef.size());
        if (in_double) {
            for (int j = 0; j < k; ++j)
                EXPECT_TRUE(same_certified_digits(e.coef[j], p.coef[j],
                                                  certified["b" + std::to_string(j + 1)]))
                    << "b" << j + 1 << " " << static_cast<double>(e.coef[j]) << " against "
                    << static_cast<double>(p.coef[j]) << " in binary128 throughout";
            EXPECT_TRUE(same_certified_digits(e.sse, p.sse, certified["rss0"]))
                << static_cast<double>(e.sse) << " against " << static_cast<double>(p.sse);
        } else {
            EXPECT_EQ(e.coef, p.coef);
            EXPECT_EQ(e.sse, p.sse);
            EXPECT_EQ(run.output, plain->output);
        }
    }
    // The maximisers (METHOD= other than NEWTON and ANNEAL) climb on the gradient of -SSE/2
    // summed in binary128, not on the double-binary128 cross products of Levenberg-Marquardt,
    // and stop on the change of -SSE/2, which near its maximum moves with the square of the
    // parameters' error: they hold the certified digits, but 20 exact ones rather than 24
    // (BoxBOD by GQOPT: 23.1, DanWood by GQDFP: 21.3).
    const bool maximiser = !fit.method.empty() && fit.method != "NEWTON" && fit.method != "ANNEAL";
    const double exact_estimate_goal = maximiser ? 20 : 24;
    double worst_certified = 40, worst_exact = 40;
    auto check_certified = [&](const char* what, int j, Real value, Real certified) {
        EXPECT_TRUE(certified_digits(value, certified))
            << what << j << " " << static_cast<double>(value) << " certified "
            << static_cast<double>(certified);
    };
    for (int j = 0; j < k; ++j) {
        const std::string idx = std::to_string(j + 1);
        worst_certified = std::min(worst_certified, digits(e.coef[j], certified["b" + idx]));
        check_certified("b", j + 1, e.coef[j], certified["b" + idx]);
        worst_exact = std::min(worst_exact, digits(e.coef[j], exact["b" + idx]));
        EXPECT_GE(digits(e.coef[j], exact["b" + idx]), exact_estimate_goal) << "b" << idx;
        const bool lanczos1 = fit.set == "Lanczos1"; // its sd are judged against exact only
        if (!lanczos1) {
            worst_certified =
                std::min(worst_certified, digits(e.stderrs[j], certified["sd" + idx]));
            check_certified("sd", j + 1, e.stderrs[j], certified["sd" + idx]);
        }
        worst_exact = std::min(worst_exact, digits(e.stderrs[j], exact["sd" + idx]));
        if (std::getenv("NIST_DETAIL"))
            std::printf("  b%d %5.1f sd %5.1f\n", j + 1, digits(e.coef[j], exact["b" + idx]),
                        digits(e.stderrs[j], exact["sd" + idx]));
    }
    worst_certified = std::min(worst_certified, digits(e.sse, certified["rss0"]));
    check_certified("rss", 0, e.sse, certified["rss0"]);
    worst_exact = std::min(worst_exact, digits(e.sse, exact["rss0"]));
    if (std::getenv("NIST_DETAIL"))
        std::printf("  rss %5.1f\n%s", digits(e.sse, exact["rss0"]), run.output.c_str());
    std::printf("%-9s start %d: certified %5.1f digits, exact %5.1f digits%s\n", fit.set.c_str(),
                fit.start, worst_certified, worst_exact, in_double ? ", double start" : "");
    // Lanczos1's residuals are 1e-13 of y: formed in binary128 they hold 21 correct digits, and
    // so do its RSS and standard deviations (its estimates reach 24).
    const double exact_goal = fit.set == "Lanczos1" ? 20.5 : exact_estimate_goal;
    EXPECT_GE(worst_exact, exact_goal);
}

std::vector<Fit> all_fits() {
    std::vector<Fit> fits;
    for (const char* set :
         {"Misra1a", "Chwirut2", "Chwirut1", "Lanczos3", "Gauss1",   "Gauss2",   "DanWood",
          "Misra1b", "Kirby2",   "Hahn1",    "Nelson",   "MGH17",    "Lanczos1", "Lanczos2",
          "Gauss3",  "Misra1c",  "Misra1d",  "ENSO",     "MGH09",    "Thurber",  "BoxBOD",
          "Rat42",   "MGH10",    "Eckerle4", "Rat43",    "Bennett5", "Roszman1"})
        for (int start : {1, 2}) fits.push_back({set, start});
    return fits;
}

INSTANTIATE_TEST_SUITE_P(AllSets, NistNonlinear, ::testing::ValuesIn(all_fits()),
                         [](const ::testing::TestParamInfo<Fit>& info) {
                             return info.param.set + "_start" + std::to_string(info.param.start);
                         });

std::vector<Fit> double_start_fits() {
    std::vector<Fit> fits = all_fits();
    for (Fit& f : fits) f.double_start = true;
    return fits;
}

INSTANTIATE_TEST_SUITE_P(DoubleStart, NistNonlinear, ::testing::ValuesIn(double_start_fits()),
                         [](const ::testing::TestParamInfo<Fit>& info) {
                             return info.param.set + "_start" + std::to_string(info.param.start);
                         });

// From the certified estimates (a start at the minimum to 11 digits) the double start is kept
// and the fit holds the certified digits: the check that the binary128 sum of squares where it
// ends is no larger than double's at the start allows for the rounding of the double sum,
// which there may fall below the minimum's.
TEST(NistNonlinearDoubleStart, KeptFromTheMinimumItself) {
    DoubleStartFrom forced(1);
    for (const char* set : {"Misra1a", "Thurber", "Rat43", "Eckerle4", "DanWood"}) {
        std::map<std::string, Real> certified;
        for (const auto& r : read_tsv("certified.tsv"))
            if (r[0] == set) certified[r[1] + r[2]] = real_of(r[3]);
        int k = 0;
        ScriptRun run(nist_script(set, 0, "", k));
        const EstimationResults& e = run.run->last_estimation;
        ASSERT_EQ(e.command, "NLINEAR") << run.output;
        EXPECT_NE(run.output.find(" IN DOUBLE PRECISION, THE REST IN QUADRUPLE"), std::string::npos)
            << set << "\n"
            << run.output;
        ASSERT_EQ(static_cast<int>(e.coef.size()), k);
        for (int j = 0; j < k; ++j)
            EXPECT_TRUE(certified_digits(e.coef[j], certified["b" + std::to_string(j + 1)]))
                << set << " b" << j + 1;
        EXPECT_TRUE(certified_digits(e.sse, certified["rss0"])) << set;
    }
}

// From its first NIST start MGH10 reaches the minimum only by the last far phase (variable
// projection on b1), after both Levenberg-Marquardt runs have spent their iterations driving b1
// towards 1e-48 and the trust region has stopped. With a limit below what that phase needs the
// report must say so and keep the best iterate met, never present it as the minimum; with the
// default limit the iterations it reports are the projection's and the finish's, at most 100.
TEST(NistNonlinearDefaultLimit, HardStartConvergesOnlyWithinTheLimit) {
    std::map<std::string, Real> certified;
    for (const auto& r : read_tsv("certified.tsv"))
        if (r[0] == "MGH10") certified[r[1] + r[2]] = real_of(r[3]);
    int k = 0;
    ScriptRun short_run(nist_script("MGH10", 1, "maxit=20", k));
    const EstimationResults& e = short_run.run->last_estimation;
    ASSERT_EQ(e.command, "NLINEAR") << short_run.output;
    EXPECT_NE(short_run.output.find(
                  " ...WARNING..NO CONVERGENCE IN 20 ITERATIONS: THE LAST ITERATE IS REPORTED"),
              std::string::npos)
        << short_run.output;
    EXPECT_EQ(short_run.output.find("CONVERGENCE REACHED"), std::string::npos) << short_run.output;
    // The stored sum of squares is the last iterate's, above the minimum's.
    EXPECT_GT(e.sse, certified["rss0"] * 1.1Q);

    ScriptRun full(nist_script("MGH10", 1, "", k));
    const std::size_t at = full.output.find(" CONVERGENCE REACHED AFTER");
    ASSERT_NE(at, std::string::npos) << full.output;
    const int iterations = std::stoi(full.output.substr(at + 26));
    EXPECT_LE(iterations, 100) << full.output;
    EXPECT_GT(iterations, 20) << full.output;
}

// The other optimisers on minus half the sum of squares, and annealing before
// Levenberg-Marquardt. (From the first starts of MGH09, Rat42 and Eckerle4 annealing's best point
// lies in the valleys where parameters run off to infinity at a nearly level sum of squares,
// and Levenberg-Marquardt stops there with J'J singular: a search over wide ranges finds such
// valleys as readily as the minimum.)
std::vector<Fit> method_fits() {
    return {{"Misra1a", 2, "GQOPT"},      {"DanWood", 1, "GQOPT"},      {"BoxBOD", 2, "GQOPT"},
            {"Misra1a", 2, "GQDFP", 500}, {"DanWood", 1, "GQDFP", 500}, {"DanWood", 2, "BFGS", 500},
            {"BoxBOD", 1, "ANNEAL"},      {"DanWood", 1, "ANNEAL"},     {"Misra1a", 1, "NEWTON"}};
}

INSTANTIATE_TEST_SUITE_P(Methods, NistNonlinear, ::testing::ValuesIn(method_fits()),
                         [](const ::testing::TestParamInfo<Fit>& info) {
                             return info.param.set + "_start" + std::to_string(info.param.start) +
                                    "_" + info.param.method;
                         });

} // namespace
} // namespace tarvex::testing
