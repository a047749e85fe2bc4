// The multinomial logit and the ordered probit and logit estimators against R, on a small data
// set (40 rows, below) and a larger one (tests/data/choice/large.txt, 3000 rows: ym yo z1 z2 z3),
// both made in R with dyadic regressors so that R and the engine read the same numbers:
//   set.seed(20261207); n <- 40; x1 <- round(rnorm(n)*4)/4; x2 <- round(runif(n, 0, 10))
//   ... (the outcomes drawn from a multinomial logit and a cut latent normal); N <- 3000;
//   z1 <- round(rnorm(N)*64)/64; z2 <- round(runif(N, -2, 2)*64)/64; z3 <- rbinom(N, 1, 0.4)
// Multinomial logit references: nnet::multinom(factor(y) ~ X - 1, reltol=1e-15, maxit=1000),
// then 20 Newton steps in R on the analytic gradient t(X) %*% (Y - P) and Hessian blocks
// -t(X) %*% (P[,j]*((j==l) - P[,l]) * X) (gradient left below 3e-14); se =
// sqrt(diag(solve(-H))).
// Ordered references: MASS::polr(factor(y) ~ X, method="probit"/"logistic", Hess=TRUE), then
// Newton steps in R on the analytic gradient and Hessian of sum log(F(zeta[y] - x'b) -
// F(zeta[y-1] - x'b)) (gradient left below 1e-12); se = sqrt(diag(solve(-H))).
#include "regress/choice/category_errors.hpp"
#include "regress/choice/multinomial_logit.hpp"
#include "regress/choice/multinomial_report.hpp"
#include "regress/choice/ordered_choice.hpp"
#include "regress/choice/ordered_report.hpp"
#include "regress/fit/estimator_front.hpp"
#include "regress/fit/store_result.hpp"

#include "numeric/qmath.hpp"
#include "test_support.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tarvex {
namespace {

const std::vector<Real> SMALL_YM = {3, 3, 2, 1, 3, 1, 3, 3, 3, 2, 2, 1, 1, 3, 2, 2, 1, 3, 3, 2,
                                    1, 3, 1, 1, 1, 3, 3, 2, 2, 3, 3, 3, 1, 2, 1, 3, 2, 3, 1, 2};
const std::vector<Real> SMALL_YO = {2, 4, 2, 2, 4, 4, 3, 4, 1, 2, 3, 3, 4, 4, 3, 3, 4, 1, 4, 2,
                                    1, 2, 1, 2, 4, 4, 1, 4, 4, 3, 4, 1, 2, 4, 2, 4, 3, 1, 2, 2};
const std::vector<Real> SMALL_X1 = {
    -1.5Q, 0,     1.75Q, -1, 0.25Q, 0.5Q, 0.75Q,  0.75Q, -1.75Q, -0.25Q, 0.75Q,  -1, 0.5Q, 0,
    -0.5Q, 0.25Q, 1.25Q, 0,  0,     0.5Q, -1.25Q, -2,    -1,     0,      -0.25Q, 2,  -1,   0.75Q,
    1.5Q,  0.5Q,  0.25Q, 0,  -0.5Q, 1,    1,      2.25Q, 0.75Q,  -2.5Q,  -0.5Q,  -1};
const std::vector<Real> SMALL_X2 = {10, 6,  1, 3, 5, 9, 7, 9, 3, 2, 8, 10, 8, 8, 8, 4,  9, 5, 8, 7,
                                    4,  10, 0, 2, 8, 9, 1, 7, 1, 7, 9, 1,  7, 5, 2, 10, 5, 8, 5, 2};

// Correct significant digits of `value` against `reference`.
double choice_digits(Real value, Real reference) {
    if (value == reference) return 34;
    return -static_cast<double>(qm::log10(qm::abs((value - reference) / reference)));
}

// Columns x1, x2 and the intercept (last) of the small set, with dependent `y`.
ChoiceData small_choice_data(const std::vector<Real>& y) {
    ChoiceData d;
    d.y = y;
    d.x = {SMALL_X1, SMALL_X2, std::vector<Real>(y.size(), Real(1))};
    d.names = {"X1", "X2", "C"};
    d.intercept = 2;
    for (int i = 1; i <= int(y.size()); ++i) d.observations.push_back(i);
    return d;
}

// The large set with dependent column `which` (0 ym, 1 yo) and regressors z1 z2 z3 C.
ChoiceData large_choice_data(int which) {
    std::ifstream in(std::string(TARVEX_TEST_DATA_DIR) + "/choice/large.txt");
    ChoiceData d;
    d.x.assign(4, {});
    d.names = {"Z1", "Z2", "Z3", "C"};
    d.intercept = 3;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string f[5];
        for (std::string& s : f) row >> s;
        if (!row) break;
        d.y.push_back(strtoflt128(f[which].c_str(), nullptr));
        for (int a = 0; a < 3; ++a) d.x[a].push_back(strtoflt128(f[a + 2].c_str(), nullptr));
        d.x[3].push_back(1);
        d.observations.push_back(int(d.y.size()));
    }
    return d;
}

void expect_digits(const std::vector<Real>& got, const std::vector<Real>& want, double least,
                   const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t j = 0; j < want.size(); ++j)
        EXPECT_GT(choice_digits(got[j], want[j]), least) << what << " " << j;
}

TEST(MultinomialLogitEstimate, MatchesNewtonInR) {
    // Outcomes 1..3 (base 1), regressors x1 x2 C: print(sprintf("%.17g", c(th, se, llf))).
    const MultinomialEstimate s = estimate_multinomial_logit(small_choice_data(SMALL_YM), {});
    ASSERT_EQ(s.end, ChoiceEnd::CONVERGED);
    EXPECT_EQ(s.values, (std::vector<Real>{1, 2, 3}));
    EXPECT_EQ(s.counts, (std::vector<int>{12, 11, 17})); // table(y)
    expect_digits(s.result.record.coef,
                  {0.86276246368072829Q, -0.17569511693580087Q, 0.66241443977098557Q,
                   0.011692550228725465Q, 0.15073627010962373Q, -0.58861276140053476Q},
                  12, "coef");
    expect_digits(s.result.record.stderrs,
                  {0.50163982712655508Q, 0.15645994790597884Q, 0.8917588453753591Q,
                   0.37619980689561727Q, 0.1353568106749892Q, 0.92850599503303777Q},
                  12, "se");
    EXPECT_GT(choice_digits(s.result.record.llf, -39.062178092772456Q), 13);
    // sum(n * log(n / 40)), n = table(y)
    EXPECT_GT(choice_digits(s.constants.llf0, 12 * qm::log(12 / 40.0Q) + 11 * qm::log(11 / 40.0Q) +
                                                  17 * qm::log(17 / 40.0Q)),
              30);
    EXPECT_EQ(s.constants.df, 4);
    EXPECT_GT(choice_digits(s.constants.pseudo_r2, 1 - s.result.record.llf / s.constants.llf0), 30);
    // pchisq(2*(llf - llf0), 4, lower.tail=FALSE)
    EXPECT_GT(choice_digits(s.constants.pvalue, 0.082329629240491989Q), 10);

    // The sandwich H^-1 (sum g_i g_i') H^-1, G the rows' gradients (Y - P) x at th:
    // sqrt(diag(solve(H) %*% crossprod(G) %*% solve(H))).
    ChoiceControl robust;
    robust.sandwich = true;
    expect_digits(
        estimate_multinomial_logit(small_choice_data(SMALL_YM), robust).result.record.stderrs,
        {0.42488039243899922Q, 0.15133745071081003Q, 0.87064117196383206Q, 0.34305225399571349Q,
         0.1424149333784259Q, 0.95992267382610308Q},
        11, "sandwich se");
    // BFGS from the outer product reaches the same maximum.
    ChoiceControl bfgs;
    bfgs.method = MaximizeMethod::BFGS;
    bfgs.max_iterations = 500;
    const MultinomialEstimate q = estimate_multinomial_logit(small_choice_data(SMALL_YM), bfgs);
    ASSERT_EQ(q.end, ChoiceEnd::CONVERGED);
    EXPECT_GT(choice_digits(q.result.record.llf, -39.062178092772456Q), 13);
    EXPECT_GT(choice_digits(q.result.record.coef[1], -0.17569511693580087Q), 9);

    // Outcomes 0..3 (base 0), regressors z1 z2 z3 C on 3000 rows.
    const MultinomialEstimate l = estimate_multinomial_logit(large_choice_data(0), {});
    ASSERT_EQ(l.end, ChoiceEnd::CONVERGED);
    EXPECT_EQ(l.counts, (std::vector<int>{551, 1122, 559, 768}));
    expect_digits(l.result.record.coef,
                  {0.87183148927803644Q, -0.50163770484053904Q, 0.12729986009112221Q,
                   0.42286409581808004Q, 0.1678572378358105Q, -0.025453588782992739Q,
                   0.80216691260615225Q, -0.33462239519338099Q, -0.71289328433889654Q,
                   0.43367670354988413Q, -0.25033926189672207Q, 0.021000231449657465Q},
                  11, "coef");
    expect_digits(l.result.record.stderrs,
                  {0.064736719508923915Q, 0.050061273546172305Q, 0.11403245080111625Q,
                   0.070732268544295596Q, 0.069267667092192925Q, 0.054401181817548869Q,
                   0.12329010869584521Q, 0.082712216435753966Q, 0.067962840346482006Q,
                   0.053530492681118487Q, 0.12323984005438186Q, 0.077597615977954865Q},
                  11, "se");
    EXPECT_GT(choice_digits(l.result.record.llf, -3469.5762545528582Q), 13);
    // Each row's probabilities sum to 1; the prediction is the most probable outcome.
    for (std::size_t i = 0; i < l.predicted.size(); i += 97) {
        Real total = 0;
        for (const std::vector<Real>& c : l.probability) total += c[i];
        EXPECT_LT(qm::abs(total - 1), 1e-32Q);
        for (const std::vector<Real>& c : l.probability)
            EXPECT_LE(c[i], l.probability[std::size_t(l.predicted[i])][i]);
    }
}

TEST(MultinomialLogitEstimate, RefusesOutcomesThatAreNotCategories) {
    ChoiceData d = small_choice_data(SMALL_YM);
    d.y[6] = 2.5Q;
    MultinomialEstimate e = estimate_multinomial_logit(d, {});
    EXPECT_EQ(e.end, ChoiceEnd::NOT_INTEGER);
    EXPECT_EQ(e.bad_row, 6);
    EXPECT_EQ(e.bad_value, 2.5Q);
    d.y = SMALL_YM;
    // 1, 3 and 4 used, 2 not: an empty category.
    for (Real& v : d.y) v = v == 2 ? Real(4) : v;
    e = estimate_multinomial_logit(d, {});
    EXPECT_EQ(e.end, ChoiceEnd::EMPTY_CATEGORY);
    EXPECT_EQ(e.bad_value, 2);
    d.y.assign(d.y.size(), Real(1));
    EXPECT_EQ(estimate_multinomial_logit(d, {}).end, ChoiceEnd::TOO_FEW_CATEGORIES);
    // x2 twice: the fourth regressor depends on the others.
    d = small_choice_data(SMALL_YM);
    d.x.push_back(SMALL_X2);
    e = estimate_multinomial_logit(d, {});
    EXPECT_EQ(e.end, ChoiceEnd::SINGULAR);
    EXPECT_EQ(e.bad_column, 3);
    // Outcome 3 exactly when x1 > 0, never otherwise: the coefficients diverge.
    d = small_choice_data(SMALL_YM);
    for (std::size_t i = 0; i < d.y.size(); ++i)
        d.y[i] = SMALL_X1[i] > 0 ? Real(3) : SMALL_YM[i] == 3 ? Real(1) : SMALL_YM[i];
    e = estimate_multinomial_logit(d, {});
    EXPECT_EQ(e.end, ChoiceEnd::SEPARATED);
    EXPECT_GT(e.certain, 0);
}

// print(sprintf("%.17g", c(th, se, llf))) after the Newton polish of the polr fit.
struct OrderedReference {
    std::vector<Real> coef, se;
    Real llf;
};

void expect_ordered(const OrderedEstimate& e, const OrderedReference& r, const char* what) {
    ASSERT_EQ(e.end, ChoiceEnd::CONVERGED) << what;
    expect_digits(e.result.record.coef, r.coef, 11, what);
    expect_digits(e.result.record.stderrs, r.se, 11, what);
    EXPECT_GT(choice_digits(e.result.record.llf, r.llf), 13) << what;
}

TEST(OrderedChoiceEstimate, MatchesPolrPolishedInR) {
    // Categories 1..4 on x1 x2; the intercept C is dropped (the cut points take its place).
    const ChoiceData small = small_choice_data(SMALL_YO);
    const OrderedEstimate sp = estimate_ordered_choice(small, OrderedLink::PROBIT, {});
    expect_ordered(sp,
                   {{1.2429767690477016Q, 0.35946474987539861Q, 0.12977691721967469Q,
                     1.9963598357155259Q, 2.8631064836434361Q},
                    {0.27805125008375015Q, 0.086450928454914283Q, 0.45629728915967288Q,
                     0.59462110693477799Q, 0.64846548098314871Q},
                    -32.844489441709619Q},
                   "small probit");
    EXPECT_EQ(sp.slope_columns, (std::vector<int>{0, 1}));
    EXPECT_EQ(sp.counts, (std::vector<int>{7, 11, 7, 15})); // table(yo)
    ASSERT_NE(sp.notes.find(NoteKind::NOTE, "INTERCEPT C IS DROPPED"), nullptr);
    // sum(n * log(n / 40)): the likelihood at the start, where b = 0.
    EXPECT_GT(choice_digits(sp.constants.llf0, 14 * qm::log(7 / 40.0Q) + 11 * qm::log(11 / 40.0Q) +
                                                   15 * qm::log(15 / 40.0Q)),
              30);
    EXPECT_EQ(sp.constants.df, 2);
    // The sandwich covariance, G the rows' gradients of the log-likelihood at th.
    ChoiceControl robust;
    robust.sandwich = true;
    expect_digits(estimate_ordered_choice(small, OrderedLink::PROBIT, robust).result.record.stderrs,
                  {0.23190832833312502Q, 0.073086867258428861Q, 0.46163221759073053Q,
                   0.51614829516787941Q, 0.57509323408847313Q},
                  11, "sandwich se");
    const OrderedEstimate sl = estimate_ordered_choice(small, OrderedLink::LOGIT, {});
    expect_ordered(sl,
                   {{2.1163010495221766Q, 0.61136104404115454Q, 0.096593262071391586Q,
                     3.3997983092239399Q, 4.869798330765077Q},
                    {0.50674270779376906Q, 0.15832987007592428Q, 0.79248869040443803Q,
                     1.0741769202814986Q, 1.1916114153913551Q},
                    -33.056115579442178Q},
                   "small logit");

    // Categories 0 1 2 4 7 on z1 z2 z3, 3000 rows.
    const ChoiceData large = large_choice_data(1);
    const OrderedEstimate lp = estimate_ordered_choice(large, OrderedLink::PROBIT, {});
    expect_ordered(
        lp,
        {{0.55521498724748419Q, -0.3007504779946224Q, 0.38334226092524454Q, -0.73993466963237364Q,
          -0.022763850418726733Q, 0.45227644083461532Q, 1.1283877154399116Q},
         {0.021484274753156712Q, 0.017550351828527516Q, 0.040884575689661862Q,
          0.031153804636213995Q, 0.029121984552442904Q, 0.02982272594087813Q,
          0.033457173042104507Q},
         -4300.9872060920015Q},
        "large probit");
    EXPECT_EQ(lp.values, (std::vector<Real>{0, 1, 2, 4, 7}));
    const OrderedEstimate ll = estimate_ordered_choice(large, OrderedLink::LOGIT, {});
    expect_ordered(
        ll,
        {{0.9511626328542816Q, -0.51543441060257378Q, 0.66694375721285348Q, -1.2411649866071148Q,
          -0.021694125617878493Q, 0.77339559214766296Q, 1.9300933047846744Q},
         {0.037952378794945937Q, 0.030104464277905581Q, 0.069199266194157463Q,
          0.053504953338129664Q, 0.04823444661076088Q, 0.050246510321574143Q,
          0.059820201595358086Q},
         -4294.229351879746Q},
        "large logit");
    // The category probabilities of a row add up to 1 and the index is x'b.
    for (std::size_t i = 0; i < ll.index.size(); i += 101) {
        Real total = 0;
        for (const std::vector<Real>& c : ll.probability) total += c[i];
        EXPECT_LT(qm::abs(total - 1), 1e-32Q);
        EXPECT_EQ(ll.index[i], large.x[0][i] * ll.result.record.coef[0] +
                                   large.x[1][i] * ll.result.record.coef[1] +
                                   large.x[2][i] * ll.result.record.coef[2]);
    }
}

TEST(OrderedChoiceEstimate, RefusesOutcomesThatAreNotCategories) {
    ChoiceData d = small_choice_data(SMALL_YO);
    d.y[10] = 1.5Q;
    OrderedEstimate e = estimate_ordered_choice(d, OrderedLink::PROBIT, {});
    EXPECT_EQ(e.end, ChoiceEnd::NOT_INTEGER);
    EXPECT_EQ(e.bad_row, 10);
    d.y.assign(d.y.size(), Real(3));
    EXPECT_EQ(estimate_ordered_choice(d, OrderedLink::LOGIT, {}).end,
              ChoiceEnd::TOO_FEW_CATEGORIES);
    // A constant regressor beside the cut points is not identified.
    d = small_choice_data(SMALL_YO);
    d.intercept = -1;
    e = estimate_ordered_choice(d, OrderedLink::PROBIT, {});
    EXPECT_EQ(e.end, ChoiceEnd::SINGULAR);
    EXPECT_EQ(e.bad_column, 2);
    // Categories that x1 orders exactly: the slope diverges.
    d = small_choice_data(SMALL_YO);
    for (std::size_t i = 0; i < d.y.size(); ++i)
        d.y[i] = SMALL_X1[i] < -0.5Q ? Real(1) : SMALL_X1[i] < 0.5Q ? Real(2) : Real(3);
    e = estimate_ordered_choice(d, OrderedLink::LOGIT, {});
    EXPECT_EQ(e.end, ChoiceEnd::SEPARATED);
    EXPECT_GT(e.certain, 0);
}

// The records of a finished run: the names TEST finds, the result scalars, the output variables,
// and a failure's line and $ERR. The report tables of the same 40 rows are pinned by the
// choice/categories golden.
TEST(ChoiceCategoryReport, StoresForTestAndReportsAFailure) {
    testing::ScriptRun script("SMPL 1 40\n");
    tarvex::Run& run = *script.run;
    char* text = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    attach_unit(run, run.L6, out);
    run.flags.OPUT = true;
    run.flags.ODONT = false;
    ChoiceData m = small_choice_data(SMALL_YM);
    m.dependent = "YM";
    const MultinomialEstimate me = estimate_multinomial_logit(m, {});
    EXPECT_EQ(multinomial_parameter_names(m, me),
              (std::vector<std::string>{"X1_2    ", "X2_2    ", "C_2     ", "X1_3    ", "X2_3    ",
                                        "C_3     "}));
    // The stored result: the scalars, COEF, and the named statistics with their laws.
    OutputNames o;
    o.COEF = "B";
    o.PREDICT = "YHAT";
    o.TESTSTAT = "S";
    ModelResult stored = me.result;
    ASSERT_TRUE(store_model_result(run, std::move(stored), o));
    EXPECT_EQ(run.res[R_LLF], me.result.record.llf);
    EXPECT_EQ(run.res[R_K], 6);
    EXPECT_EQ(run.res[R_CHI], me.constants.lr);
    EXPECT_EQ(run.res[R_R2], me.constants.pseudo_r2);
    EXPECT_EQ(run.res[R_F], RESULT_NOT_AVAILABLE);
    EXPECT_EQ(script.values("B"), me.result.record.coef);
    const std::vector<Real> stats = script.values("S");
    ASSERT_EQ(stats.size(), 16u); // 4 statistics: value, p-value, df1, df2
    EXPECT_EQ(stats[0], me.constants.llf0);
    EXPECT_EQ(stats[1], me.constants.lr);
    EXPECT_EQ(stats[5], me.constants.pvalue);
    EXPECT_EQ(stats[9], Real(me.constants.df));
    EXPECT_EQ(stats[2], me.constants.pseudo_r2);
    EXPECT_EQ(stats[4], run.ws.XMISS); // no p-value for the log-likelihood
    ChoiceData d = small_choice_data(SMALL_YO);
    d.dependent = "YO";
    const OrderedEstimate oe = estimate_ordered_choice(d, OrderedLink::LOGIT, {});
    EXPECT_EQ(ordered_parameter_names(d, oe)[2], "MU1     ");
    EXPECT_EQ(oe.result.record.not_forecast, "ORDERED LOGIT");
    d.y[4] = 2.5Q;
    const OrderedEstimate bad = estimate_ordered_choice(d, OrderedLink::LOGIT, {});
    EXPECT_FALSE(choice_reportable(bad.end));
    report_estimation_failure(run, ordered_failure(d, OrderedLink::LOGIT, bad));
    EXPECT_EQ(run.res[R_ERR], ERR_ORDERED_LOGIT_BASE + ERR_CAT_NOT_INTEGER);
    ASSERT_EQ(std::fclose(out), 0);
    const testing::Lines lines = testing::split_lines(std::string(text, length));
    std::free(text);
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has(" ...ERROR..THE OUTCOME AT OBSERVATION 5 IS NOT AN INTEGER: 2.500000"));
}

} // namespace
} // namespace tarvex
