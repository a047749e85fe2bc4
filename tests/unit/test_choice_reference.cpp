// PROBIT, LOGIT and TOBIT estimators against R 4.2 on two data sets each: the 32 grade
// observations of tests/golden/choice/estimates.tvx (GPA TUCE PSI GRADE) and 10,000 generated
// rows in tests/data/choice/, whose x3 all but separates the outcomes (fitted probabilities to
// 1e-16). The data were made by
//   set.seed(20240611); n <- 10000; x1 <- round(rnorm(n), 4); x2 <- round(runif(n, -1, 1), 4)
//   x3 <- round(rnorm(n), 4); y <- as.integer(0.3 + 0.8*x1 - 0.6*x2 + 9*x3 + rlogis(n) > 0)
//   ys <- 0.5 + 1.2*x1 - 0.7*x2 + 0.4*x3 + 1.5*rnorm(n); yt <- round(pmax(ys, 0), 4)
// Binary references: fit <- glm(y ~ ., family = binomial(link = "logit" / "probit"),
//   control = glm.control(epsilon = 1e-15, maxit = 100)), then four Newton steps in R from
//   coef(fit) (glm stops on the deviance, which leaves the probit coefficients good to 8 digits
//   and its standard errors at the weights of the step before): with q <- 2*y - 1,
//   s <- q*X%*%b, logit: lf <- plogis(s, log.p=TRUE); sc <- plogis(-s); w <- dlogis(s);
//   probit: lf <- pnorm(s, log.p=TRUE); sc <- exp(dnorm(s, log=TRUE) - lf); w <- sc*(s + sc);
//   g <- colSums(q*sc*X); H <- t(X) %*% (w*X); b <- b + solve(H, g) (the gradient is then below
//   1e-13). Coefficients b, llf sum(lf), standard errors sqrt(diag(V)), V <- solve(H) (the
//   observed information: for the probit, summary(glm) gives the expected one instead).
// Marginal effects by hand in R: at the means f(xbar'b) b with Jacobian
//   f(zb) I + b xbar' f'(zb); averages mean(f(z)) b with Jacobian mean(f(z)) I + b colMeans(f'(z)
//   X); standard errors sqrt(diag(G V G')), f = dlogis or dnorm, f' = f (1 - 2F) or -z f.
// R orders the intercept first; here it is last.
#include "regress/choice/binary_choice.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/tobit_estimate.hpp"

#include "numeric/decimal.hpp"
#include "reference_support.hpp"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tarvex::testing {
namespace {

const char* const GRADES[] = {
    "2.66 20 0 0", "2.89 22 0 0", "3.28 24 0 0", "2.92 12 0 0", "4.00 21 0 1", "2.86 17 0 0",
    "2.76 17 0 0", "2.87 21 0 0", "3.03 25 0 0", "3.92 29 0 1", "2.63 20 0 0", "3.32 23 0 0",
    "3.57 23 0 0", "3.26 25 0 1", "3.53 26 0 0", "2.74 19 0 0", "2.75 25 0 0", "2.83 19 0 0",
    "3.12 23 1 0", "3.16 25 1 1", "2.06 22 1 0", "3.62 28 1 1", "2.89 14 1 0", "3.51 26 1 0",
    "3.54 24 1 1", "2.83 27 1 1", "3.39 17 1 1", "2.67 24 1 0", "3.65 21 1 1", "4.00 23 1 1",
    "3.10 21 1 0", "2.39 19 1 1"};

const char* const CENSORED[] = {
    "4.82 9.9 0.47", "1.57 4 -0.89",  "0 1.2 -0.31",   "0 0.7 0",        "2.27 2.4 0.99",
    "4.05 7.9 0.84", "0.77 3.4 0.71", "7.46 9.7 1.31", "0 1.7 -1.39",    "4.03 4.6 1.27",
    "0 1.7 0.18",    "0 2.3 0.75",    "4.68 7.7 0.59", "0 1 -0.98",      "0 4.5 -0.28",
    "0 0.8 -0.87",   "2.88 5.6 0.72", "0 0.1 0.11",    "6.21 9.9 -0.08", "0 3.2 -0.42",
    "3.5 6.4 -0.56", "2.44 3 1",      "5.64 10 -1.11", "6.59 9.1 -0.14", "6.79 9.9 0.31",
    "0.26 0.7 1.22", "0 6.3 -0.7",    "0 4.9 -0.29",   "1.06 9.7 -1.31", "0 3.6 -0.39"};

// Rows of numbers into columns.
std::vector<std::vector<Real>> choice_columns(const std::vector<std::string>& lines) {
    std::vector<std::vector<Real>> cols;
    for (const std::string& line : lines) {
        std::istringstream words(line);
        std::size_t c = 0;
        for (std::string w; words >> w; ++c) {
            Real v = 0;
            parse_real_field(w, v);
            if (cols.size() <= c) cols.resize(c + 1);
            cols[c].push_back(v);
        }
    }
    return cols;
}

std::vector<std::string> choice_file(const std::string& name) {
    std::ifstream in(std::string(TARVEX_TEST_DATA) + "/choice/" + name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// y from column `y_col`, the other columns as regressors in order, then the intercept.
ChoiceData choice_data(const std::vector<std::vector<Real>>& cols, std::size_t y_col) {
    ChoiceData d;
    d.y = cols[y_col];
    for (std::size_t c = 0; c < cols.size(); ++c)
        if (c != y_col) d.x.push_back(cols[c]);
    d.x.emplace_back(d.y.size(), Real(1));
    d.intercept = static_cast<int>(d.x.size()) - 1;
    d.names.assign(d.x.size(), "X");
    for (std::size_t i = 0; i < d.y.size(); ++i) d.observations.push_back(int(i) + 1);
    return d;
}

// R's order (intercept first) to ours (intercept last).
std::vector<Real> intercept_last(std::vector<Real> r) {
    std::rotate(r.begin(), r.begin() + 1, r.end());
    return r;
}

struct BinaryReference {
    std::vector<Real> coef, se;
    Real llf;
    std::vector<Real> mem, mem_se, ame, ame_se;
};

void expect_binary(const BinaryEstimate& e, const BinaryReference& r, const char* what) {
    ASSERT_EQ(e.end, ChoiceEnd::CONVERGED) << what;
    const std::vector<Real> coef = intercept_last(r.coef), se = intercept_last(r.se),
                            mem = intercept_last(r.mem), mem_se = intercept_last(r.mem_se),
                            ame = intercept_last(r.ame), ame_se = intercept_last(r.ame_se);
    EXPECT_TRUE(agrees(e.result.record.llf, r.llf)) << what;
    for (int j = 0; j < e.k; ++j) {
        EXPECT_TRUE(agrees(e.result.record.coef[j], coef[j])) << what << " coef " << j;
        EXPECT_TRUE(agrees(e.result.record.stderrs[j], se[j])) << what << " se " << j;
        if (j == e.k - 1) continue; // the intercept has no marginal effect
        EXPECT_TRUE(agrees(e.at_means.effect[j], mem[j])) << what << " mem " << j;
        EXPECT_TRUE(agrees(e.at_means.se[j], mem_se[j])) << what << " mem se " << j;
        EXPECT_TRUE(agrees(e.average.effect[j], ame[j])) << what << " ame " << j;
        EXPECT_TRUE(agrees(e.average.se[j], ame_se[j])) << what << " ame se " << j;
    }
}

TEST(ChoiceReference, BinaryLogitAndProbitMatchR) {
    const ChoiceData grades = choice_data(
        choice_columns(std::vector<std::string>(std::begin(GRADES), std::end(GRADES))), 3);
    const ChoiceData big = choice_data(choice_columns(choice_file("binary_10000.txt")), 0);
    ASSERT_EQ(big.y.size(), 10000u);
    expect_binary(
        estimate_binary(ChoiceLink::LOGIT, grades, ChoiceControl{}),
        {{-13.021346858115692Q, 2.826112594889322Q, 0.095157661317909273Q, 2.378687655093354Q},
         {4.9313242136027142Q, 1.2629410756290746Q, 0.14155420567369503Q, 1.0645642544971303Q},
         -12.889634222131413Q,
         {-2.4597607711248304Q, 0.53385882208935398Q, 0.017975489396927665Q, 0.44933927684376551Q},
         {0.8177103134057534Q, 0.23703796845738853Q, 0.026236908544514829Q, 0.19676263973272198Q},
         {-1.6705954252935775Q, 0.36258083160146132Q, 0.012208410958675534Q, 0.30517770228388752Q},
         {0.32875500341513936Q, 0.10944115267902753Q, 0.017794160669875107Q,
          0.092379569358924829Q}},
        "grades logit");
    expect_binary(
        estimate_binary(ChoiceLink::PROBIT, grades, ChoiceControl{}),
        {{-7.4523196482203149Q, 1.6258100394515831Q, 0.051728945507599884Q, 1.4263323420071483Q},
         {2.5424723214779248Q, 0.69388248844146538Q, 0.083890261426531804Q, 0.59503790235029752Q},
         -12.818804068889444Q,
         {-2.4447336559679242Q, 0.53334702606416162Q, 0.016969681929888888Q, 0.46790836218802784Q},
         {0.75885194416308366Q, 0.23246407128403396Q, 0.027119788077489257Q, 0.18764237681441276Q},
         {-1.6537570298535318Q, 0.360786293243821Q, 0.011479258984889764Q, 0.31651985540704486Q},
         {0.31492005933372286Q, 0.11338160734028678Q, 0.0184094908040488Q, 0.090237793665380317Q}},
        "grades probit");
    expect_binary(
        estimate_binary(ChoiceLink::LOGIT, big, ChoiceControl{}),
        {{0.31855721363990358Q, 0.81265901928800321Q, -0.73816242984098934Q, 9.1389107343503575Q},
         {0.048657276705194388Q, 0.052968592345274811Q, 0.085624781699991326Q,
          0.25125379906973183Q},
         -1422.3092212175584Q,
         {0.077582281782078003Q, 0.19791716629722375Q, -0.17977406626114897Q, 2.2257149341314206Q},
         {0.011243184657179821Q, 0.012882168107300144Q, 0.02081078804058745Q,
          0.060493960603183912Q},
         {0.013913895653232663Q, 0.035495202468757661Q, -0.032241351268077693Q,
          0.39916801408772284Q},
         {0.002090807238330843Q, 0.0021017059622675145Q, 0.0036302701743116243Q,
          0.00064717246080553544Q}},
        "10000 logit");
    expect_binary(
        estimate_binary(ChoiceLink::PROBIT, big, ChoiceControl{}),
        {{0.17585419570947031Q, 0.44779975414397422Q, -0.41190842244789277Q, 4.9882225728992138Q},
         {0.026833216420884216Q, 0.028783534699925426Q, 0.046923113706118791Q,
          0.12228904426900253Q},
         -1427.7812079672678Q,
         {0.069041209320353236Q, 0.17580835324813282Q, -0.16171724251620992Q, 1.9584003520792819Q},
         {0.010203193747770701Q, 0.011279181036731889Q, 0.018400524442394685Q,
          0.047384212041804201Q},
         {0.014053957096623097Q, 0.035787366387408107Q, -0.032918994474174124Q,
          0.39864994830007972Q},
         {0.0021158407915295814Q, 0.0021236774201149572Q, 0.0036563583528158813Q,
          0.00065264103394566347Q}},
        "10000 probit");

    // The grades logit by Newton's method in 40-digit arithmetic (python3, mpmath 1.3,
    // mp.dps = 40): X = rows (gpa, tuce, psi, 1); from b = 0, forty steps of
    //   b += lu_solve(sum p(1-p) x x', sum (y - p) x), p = 1/(1 + exp(-x'b));
    //   llf = sum -log(1 + exp(-x'b)) for y = 1, -log(1 + exp(x'b)) for y = 0.
    const BinaryEstimate e = estimate_binary(ChoiceLink::LOGIT, grades, ChoiceControl{});
    const Real mp[] = {2.8261125948893208843207233467226Q, 0.095157661317909286642774096438922Q,
                       2.3786876550933544856048184786101Q, -13.021346858115688709633400612975Q};
    for (int j = 0; j < 4; ++j) EXPECT_TRUE(agrees(e.result.record.coef[j], mp[j], 1e-25Q)) << j;
    EXPECT_TRUE(agrees(e.result.record.llf, -12.889634222131415129556259434349Q, 1e-25Q));
}

// TOBIT references: fit <- survreg(Surv(y, y > 0, type = 'left') ~ ., dist = 'gaussian',
//   control = survreg.control(rel.tolerance = 1e-15, maxiter = 200)); coef(fit), fit$scale and
//   fit$loglik[2], confirmed by three Newton steps in R on the Olsen form (g = b/sigma,
//   t = 1/sigma; the gradient then below 2e-12, b and sigma moved by under 3e-15). Standard errors
//   from J solve(H) J', H the analytic Hessian in (g, t), J the Jacobian of (b, sigma) = (g/t, 1/t)
//   (sigma's agrees with fit$scale * sqrt(vcov(fit)[k+1, k+1]) to 14 digits). Marginal effects on
//   E[y|x] at the means: b P, P = 1 - pnorm(-xbar'b/sigma), Jacobian
//   cbind(P I + b xbar' dnorm(a)/sigma, b a dnorm(a)/sigma), a = -xbar'b/sigma.
// The TOBIT data: the small set by set.seed(7); n <- 30; x1 <- round(runif(n, 0, 10), 1);
//   x2 <- round(rnorm(n), 2); y <- round(pmax(-3 + 0.8*x1 + 1.5*x2 + 2*rnorm(n), 0), 2).
struct TobitReference {
    std::vector<Real> coef, se; // b (intercept first) then sigma
    Real llf;
    std::vector<Real> me, me_se; // on E[y|x], intercept first
};

void expect_tobit(const TobitEstimate& e, const TobitReference& r, const char* what) {
    ASSERT_EQ(e.end, ChoiceEnd::CONVERGED) << what;
    const int k = e.k;
    std::vector<Real> coef(r.coef.begin(), r.coef.begin() + k), se(r.se.begin(), r.se.begin() + k);
    coef = intercept_last(coef), se = intercept_last(se);
    coef.push_back(r.coef[k]), se.push_back(r.se[k]);
    const std::vector<Real> me = intercept_last(r.me), me_se = intercept_last(r.me_se);
    EXPECT_TRUE(agrees(e.result.record.llf, r.llf)) << what;
    EXPECT_TRUE(agrees(e.result.record.sigma, r.coef[k])) << what;
    for (int j = 0; j <= k; ++j) {
        EXPECT_TRUE(agrees(e.result.record.coef[j], coef[j])) << what << " coef " << j;
        EXPECT_TRUE(agrees(e.result.record.stderrs[j], se[j])) << what << " se " << j;
    }
    for (int j = 0; j + 1 < k; ++j) {
        EXPECT_TRUE(agrees(e.observed.effect[j], me[j])) << what << " effect " << j;
        EXPECT_TRUE(agrees(e.observed.se[j], me_se[j])) << what << " effect se " << j;
    }
}

TEST(ChoiceReference, TobitMatchesSurvreg) {
    const ChoiceData small = choice_data(
        choice_columns(std::vector<std::string>(std::begin(CENSORED), std::end(CENSORED))), 0);
    const ChoiceData big = choice_data(choice_columns(choice_file("tobit_10000.txt")), 0);
    ASSERT_EQ(big.y.size(), 10000u);
    const TobitCensoring at_zero;
    const TobitEstimate s = estimate_tobit(small, at_zero, ChoiceControl{});
    EXPECT_EQ(s.n_below, 13);
    EXPECT_EQ(s.n_between, 17);
    expect_tobit(
        s,
        {{-3.1644895195716747Q, 0.88521095455116838Q, 1.8167297341479516Q, 1.4371292594383653Q},
         {0.77734083198232551Q, 0.10833852024510722Q, 0.41737500784418136Q, 0.25408759637534378Q},
         -35.27301504837628Q,
         {-2.5169966048961552Q, 0.70408606299437304Q, 1.4450048087007792Q},
         {0.43570281085677953Q, 0.087580432203094985Q, 0.31482808978043153Q}},
        "small");
    expect_tobit(
        estimate_tobit(big, at_zero, ChoiceControl{}),
        {{0.49742168584248364Q, 1.2068722354102446Q, -0.68182787986765714Q, 0.40785339348362271Q,
          1.4948184372131545Q},
         {0.017984061579265614Q, 0.018233108735199399Q, 0.029017012756529272Q,
          0.016659337057111461Q, 0.014443770997670143Q},
         -13347.229506873176Q,
         {0.31419674457752006Q, 0.76232166445387228Q, -0.43067704186192035Q, 0.25762087207840012Q},
         {0.01383194836060714Q, 0.011348079370066617Q, 0.018283506504913762Q,
          0.010503698967196851Q}},
        "10000");
}

// The normal tail the probit and TOBIT use (the table of Taylor expansions, Mills' continued
// fraction beyond 40) against libquadmath's erfc and exp: 1 - Phi(x) = erfcq(x/sqrt 2)/2 to 30
// digits over [0, 40], log Phi(s) and phi(s)/Phi(s) to 30 digits over [-40, 8], and Mills'
// ratio just past the table's end against erfcq too.
TEST(ChoiceReference, NormalTailMatchesErfc) {
    const Real root2 = sqrtq(2), root2pi = sqrtq(2 * M_PIq);
    for (int step = 0; step <= 4000; ++step) {
        const Real x = Real(step) / 100 + Real(step % 7) / 1000;
        const Real q = erfcq(x / root2) / 2;
        EXPECT_TRUE(agrees(normal_cdf(-x), q, 1e-30Q)) << step;
    }
    for (int step = -4000; step <= 800; step += 3) {
        const Real s = Real(step) / 100 + 0.0013Q;
        const Real cdf = erfcq(-s / root2) / 2, phi = expq(-s * s / 2) / root2pi;
        const NormalTail t = normal_tail(s);
        // Above 0 log Phi is log1p of minus the upper tail (log of a number near 1 would not do).
        const Real log_cdf = s > 0 ? log1pq(-erfcq(s / root2) / 2) : logq(cdf);
        EXPECT_TRUE(agrees(t.log_cdf, log_cdf, 1e-30Q)) << step;
        EXPECT_TRUE(agrees(t.ratio, phi / cdf, 1e-30Q)) << step;
    }
    for (const Real s : {-40.5Q, -55.25Q, -90.0Q}) {
        const Real cdf = erfcq(-s / root2) / 2, phi = expq(-s * s / 2) / root2pi;
        EXPECT_TRUE(agrees(normal_tail(s).ratio, phi / cdf, 1e-30Q));
        EXPECT_TRUE(agrees(normal_tail(s).log_cdf, logq(cdf), 1e-30Q));
    }
}

// TOBIT on 80,000 rows, long enough for every pass to be shared between two threads (the
// binary128 pass, the double iterations, the sums at the means), against R's AER::tobit on the
// same doubles (each value formed in double by the operations R takes, in its order):
//   n <- 80000; i <- 1:n; x1 <- ((i * 7919) %% 1009) / 100; x2 <- ((i * 104729) %% 997) / 100 - 5
//   e <- ((i * 31337) %% 2003) / 2003 - 0.5
//   y <- pmax(0, round((0.5 + 0.3 * x1 - 0.4 * x2 + 3 * e) * 1e4) / 1e4); m <- tobit(y ~ x1 + x2)
// (R's round() takes halves to even, as nearbyint does.) The fit's control: survreg.control(
//   rel.tolerance = 1e-13, maxiter = 100); the intercept alone under the default rule.
TEST(ChoiceReference, LongTobitOnTwoThreadsMatchesAer) {
    const long long n = 80000;
    ChoiceData d;
    d.x.assign(3, std::vector<Real>());
    for (long long i = 1; i <= n; ++i) {
        const double x1 = double((i * 7919) % 1009) / 100;
        const double x2 = double((i * 104729) % 997) / 100 - 5;
        const double e = double((i * 31337) % 2003) / 2003 - 0.5;
        const double y =
            std::fmax(0, std::nearbyint((0.5 + 0.3 * x1 - 0.4 * x2 + 3 * e) * 1e4) / 1e4);
        d.y.push_back(Real(y));
        d.x[0].push_back(Real(x1));
        d.x[1].push_back(Real(x2));
        d.x[2].push_back(Real(1));
    }
    d.intercept = 2;
    const TobitEstimate e = estimate_tobit(d, TobitCensoring{}, ChoiceControl{});
    ASSERT_EQ(e.end, ChoiceEnd::CONVERGED);
    EXPECT_EQ(e.n_below, 9819); // sum(y == 0)
    EXPECT_GT(e.double_iterations, 0);
    const EstimationResults& r = e.result.record;
    const Real tolerance = 1e-12Q;
    // coef(m): x1, x2, then the intercept; m$scale
    const Real coef[] = {0.29872592050030139Q, -0.39903780613004552Q, 0.50556290544916072Q,
                         0.87601391740635282Q};
    // sqrt(diag(vcov(m)))[2:3, 1]; sigma's: m$scale * sqrt(vcov(m)[4, 4]) (vcov is in log sigma)
    const Real se[] = {0.0011075975042676663Q, 0.0011296083860685166Q, 0.0066028355457930909Q,
                       0.87601391740635282Q * 0.0026942698073925868Q};
    for (int j = 0; j < 4; ++j) {
        EXPECT_TRUE(agrees(r.coef[j], coef[j], tolerance)) << j;
        EXPECT_TRUE(agrees(r.stderrs[j], se[j], 1e-6Q)) << j;
    }
    EXPECT_TRUE(agrees(r.llf, -97183.111009190994Q, tolerance));            // logLik(m)
    EXPECT_TRUE(agrees(e.constants.llf0, -148466.82269042588Q, tolerance)); // logLik(tobit(y ~ 1))
}

} // namespace
} // namespace tarvex::testing
