// Frequency weights in PROBIT, LOGIT, TOBIT and the ordered and multinomial models: each weighted
// fit against R 4.2, and against the same estimator on the rows written out as often as their
// weights say (which must give the same estimates).
// Binary: the 32 grade observations (GPA TUCE PSI GRADE) with weights w = 1, 2, 3, 1, 2, 3, ...
//   glm(GRADE ~ GPA + TUCE + PSI, family = binomial(link = "logit" / "probit"), weights = w,
//   control = glm.control(epsilon = 1e-15, maxit = 100)), then six Newton steps in R with the
//   weighted score and observed information (H <- t(X) %*% (w*wt*X)); standard errors
//   sqrt(diag(solve(H))); effects at the weighted means xbar <- colSums(w*X)/sum(w):
//   f(xbar'b) b with Jacobian f(zb) I + f'(zb) b xbar'.
// TOBIT: the 30 censored rows of test_choice_reference.cpp with the same cycle of weights,
//   AER::tobit(y ~ x1 + x2, weights = w), then Newton steps in R on the weighted log-likelihood
//   in (b, sigma) with the analytic score and a Richardson-extrapolated Hessian of it; the
//   covariance is the inverse of minus that Hessian (good to about 10 digits).
// Ordered and multinomial: a 72-cell frequency table y (1..3) x a (0..3) x b (0..5) with counts
//   set.seed(29); w <- rpois(72, 6); w[c(5, 40)] <- 0 (three cells empty, 428 in all);
//   MASS::polr(factor(y) ~ a + b, weights = w, method = "logistic" / "probit", Hess = TRUE) and
//   nnet::multinom(factor(y) ~ a + b, weights = w) (y - 1 here), each refined by Newton steps in
//   R as for TOBIT (gradient below 1e-13).
#include "regress/choice/binary_choice.hpp"
#include "regress/choice/multinomial_logit.hpp"
#include "regress/choice/ordered_choice.hpp"
#include "regress/choice/tobit_estimate.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

// Standard errors from a numerically differentiated Hessian: ten digits.
const Real WEIGHTED_SE_DIGITS = 1e-9Q;

const Real WEIGHTED_GRADES[32][4] = {
    {2.66Q, 20, 0, 0}, {2.89Q, 22, 0, 0}, {3.28Q, 24, 0, 0}, {2.92Q, 12, 0, 0}, {4.00Q, 21, 0, 1},
    {2.86Q, 17, 0, 0}, {2.76Q, 17, 0, 0}, {2.87Q, 21, 0, 0}, {3.03Q, 25, 0, 0}, {3.92Q, 29, 0, 1},
    {2.63Q, 20, 0, 0}, {3.32Q, 23, 0, 0}, {3.57Q, 23, 0, 0}, {3.26Q, 25, 0, 1}, {3.53Q, 26, 0, 0},
    {2.74Q, 19, 0, 0}, {2.75Q, 25, 0, 0}, {2.83Q, 19, 0, 0}, {3.12Q, 23, 1, 0}, {3.16Q, 25, 1, 1},
    {2.06Q, 22, 1, 0}, {3.62Q, 28, 1, 1}, {2.89Q, 14, 1, 0}, {3.51Q, 26, 1, 0}, {3.54Q, 24, 1, 1},
    {2.83Q, 27, 1, 1}, {3.39Q, 17, 1, 1}, {2.67Q, 24, 1, 0}, {3.65Q, 21, 1, 1}, {4.00Q, 23, 1, 1},
    {3.10Q, 21, 1, 0}, {2.39Q, 19, 1, 1}};

const Real WEIGHTED_CENSORED[30][3] = {
    {4.82Q, 9.9Q, 0.47Q},  {1.57Q, 4, -0.89Q},   {0, 1.2Q, -0.31Q},     {0, 0.7Q, 0},
    {2.27Q, 2.4Q, 0.99Q},  {4.05Q, 7.9Q, 0.84Q}, {0.77Q, 3.4Q, 0.71Q},  {7.46Q, 9.7Q, 1.31Q},
    {0, 1.7Q, -1.39Q},     {4.03Q, 4.6Q, 1.27Q}, {0, 1.7Q, 0.18Q},      {0, 2.3Q, 0.75Q},
    {4.68Q, 7.7Q, 0.59Q},  {0, 1, -0.98Q},       {0, 4.5Q, -0.28Q},     {0, 0.8Q, -0.87Q},
    {2.88Q, 5.6Q, 0.72Q},  {0, 0.1Q, 0.11Q},     {6.21Q, 9.9Q, -0.08Q}, {0, 3.2Q, -0.42Q},
    {3.5Q, 6.4Q, -0.56Q},  {2.44Q, 3, 1},        {5.64Q, 10, -1.11Q},   {6.59Q, 9.1Q, -0.14Q},
    {6.79Q, 9.9Q, 0.31Q},  {0.26Q, 0.7Q, 1.22Q}, {0, 6.3Q, -0.7Q},      {0, 4.9Q, -0.29Q},
    {1.06Q, 9.7Q, -1.31Q}, {0, 3.6Q, -0.39Q}};

// y a b count, the cells in R's expand.grid order.
const int FREQUENCY_TABLE[72][4] = {
    {1, 0, 0, 3},  {2, 0, 0, 4}, {3, 0, 0, 3}, {1, 1, 0, 5}, {2, 1, 0, 0},  {3, 1, 0, 3},
    {1, 2, 0, 8},  {2, 2, 0, 9}, {3, 2, 0, 3}, {1, 3, 0, 4}, {2, 3, 0, 12}, {3, 3, 0, 5},
    {1, 0, 1, 5},  {2, 0, 1, 7}, {3, 0, 1, 4}, {1, 1, 1, 8}, {2, 1, 1, 7},  {3, 1, 1, 5},
    {1, 2, 1, 9},  {2, 2, 1, 5}, {3, 2, 1, 7}, {1, 3, 1, 7}, {2, 3, 1, 11}, {3, 3, 1, 12},
    {1, 0, 2, 7},  {2, 0, 2, 5}, {3, 0, 2, 6}, {1, 1, 2, 9}, {2, 1, 2, 7},  {3, 1, 2, 4},
    {1, 2, 2, 5},  {2, 2, 2, 3}, {3, 2, 2, 3}, {1, 3, 2, 7}, {2, 3, 2, 6},  {3, 3, 2, 3},
    {1, 0, 3, 10}, {2, 0, 3, 5}, {3, 0, 3, 5}, {1, 1, 3, 0}, {2, 1, 3, 7},  {3, 1, 3, 0},
    {1, 2, 3, 12}, {2, 2, 3, 7}, {3, 2, 3, 3}, {1, 3, 3, 9}, {2, 3, 3, 11}, {3, 3, 3, 7},
    {1, 0, 4, 6},  {2, 0, 4, 7}, {3, 0, 4, 6}, {1, 1, 4, 7}, {2, 1, 4, 4},  {3, 1, 4, 7},
    {1, 2, 4, 6},  {2, 2, 4, 6}, {3, 2, 4, 6}, {1, 3, 4, 8}, {2, 3, 4, 6},  {3, 3, 4, 3},
    {1, 0, 5, 5},  {2, 0, 5, 4}, {3, 0, 5, 6}, {1, 1, 5, 5}, {2, 1, 5, 6},  {3, 1, 5, 8},
    {1, 2, 5, 6},  {2, 2, 5, 7}, {3, 2, 5, 5}, {1, 3, 5, 5}, {2, 3, 5, 3},  {3, 3, 5, 9}};

// Rows (y in column y_col, the others regressors in order, then the intercept) with weights.
template <std::size_t C>
ChoiceData weighted_rows(const Real (*rows)[C], std::size_t n, std::size_t y_col,
                         const std::vector<Real>& w) {
    ChoiceData d;
    d.x.resize(C);
    for (std::size_t i = 0; i < n; ++i) {
        d.y.push_back(rows[i][y_col]);
        std::size_t j = 0;
        for (std::size_t c = 0; c < C; ++c)
            if (c != y_col) d.x[j++].push_back(rows[i][c]);
        d.x[C - 1].push_back(1);
        d.observations.push_back(int(i) + 1);
    }
    d.intercept = int(C) - 1;
    d.names.assign(C, "X");
    d.weight = w;
    return d;
}

// The weights 1, 2, 3, 1, 2, 3, ...
std::vector<Real> weight_cycle(std::size_t n) {
    std::vector<Real> w;
    for (std::size_t i = 0; i < n; ++i) w.push_back(Real(int(i % 3) + 1));
    return w;
}

// The rows of the frequency table that have a count (y shifted by `y_shift`), weighted.
ChoiceData frequency_table(int y_shift) {
    ChoiceData d;
    d.x.resize(3);
    for (const auto& cell : FREQUENCY_TABLE) {
        if (cell[3] == 0) continue;
        d.y.push_back(cell[0] + y_shift);
        d.x[0].push_back(cell[1]);
        d.x[1].push_back(cell[2]);
        d.x[2].push_back(1);
        d.weight.push_back(cell[3]);
        d.observations.push_back(int(d.y.size()));
    }
    d.intercept = 2;
    d.names = {"A", "B", "C"};
    return d;
}

// The weighted rows written out weight times each, without weights.
ChoiceData expanded(const ChoiceData& d) {
    ChoiceData e = d;
    e.y.clear(), e.observations.clear(), e.weight.clear();
    for (auto& col : e.x) col.clear();
    for (std::size_t i = 0; i < d.y.size(); ++i)
        for (int r = 0; r < int(d.weight[i]); ++r) {
            e.y.push_back(d.y[i]);
            for (std::size_t j = 0; j < d.x.size(); ++j) e.x[j].push_back(d.x[j][i]);
            e.observations.push_back(int(e.y.size()));
        }
    return e;
}

// Two fits of the same likelihood: the estimates, errors and log-likelihood agree far beyond
// the digits the report prints (only the order of the sums differs; the standard errors come
// from a Hessian kept once the steps are below 1e-12, so the two paths leave them equal to
// about 1e-17).
void expect_same_fit(const EstimationResults& a, const EstimationResults& b, const char* what) {
    expect_all(a.coef, b.coef, 1e-25Q, what);
    expect_all(a.stderrs, b.stderrs, 1e-15Q, what);
    EXPECT_TRUE(agrees(a.llf, b.llf, 1e-28Q)) << what;
}

TEST(ChoiceWeightsReference, WeightedBinaryModelsMatchRAndTheExpandedRows) {
    const ChoiceData grades = weighted_rows(WEIGHTED_GRADES, 32, 3, weight_cycle(32));
    const BinaryEstimate logit = estimate_binary(ChoiceLink::LOGIT, grades, ChoiceControl{});
    ASSERT_EQ(logit.end, ChoiceEnd::CONVERGED);
    EXPECT_EQ(logit.n, 32); // N counts the rows
    expect_all(
        logit.result.record.coef,
        {2.5729702671691865Q, 0.0203821730750353Q, 2.5699633512032607Q, -10.6315204753347086Q},
        REFERENCE_DIGITS, "logit coef");
    expect_all(logit.result.record.stderrs,
               {0.8348514168524761Q, 0.0957065395081852Q, 0.7437903689593343Q, 3.2311584804694804Q},
               REFERENCE_DIGITS, "logit se");
    EXPECT_TRUE(agrees(logit.result.record.llf, -25.6345558103496Q));
    EXPECT_TRUE(agrees(logit.constants.llf0, -40.1003926025732Q));
    EXPECT_TRUE(agrees(logit.r2_cox_snell, 0.368231919893362Q));
    const std::vector<Real> mem = {0.49438461908453402Q, 0.00391634252458844Q, 0.49380685375883171Q,
                                   0};
    const std::vector<Real> mem_se = {0.1631712949856046Q, 0.0183316981448517Q, 0.1440906927782557Q,
                                      0};
    expect_all(logit.at_means.effect, mem, REFERENCE_DIGITS, "logit effects");
    expect_all(logit.at_means.se, mem_se, REFERENCE_DIGITS, "logit effect se");
    const BinaryEstimate whole = estimate_binary(ChoiceLink::LOGIT, expanded(grades), {});
    EXPECT_EQ(whole.n, 63); // the sum of the weights
    expect_same_fit(logit.result.record, whole.result.record, "logit expanded");
    expect_all(logit.at_means.effect, whole.at_means.effect, 1e-25Q, "logit expanded effects");
    expect_all(logit.average.se, whole.average.se, 1e-15Q, "logit expanded average se");

    const BinaryEstimate probit = estimate_binary(ChoiceLink::PROBIT, grades, ChoiceControl{});
    ASSERT_EQ(probit.end, ChoiceEnd::CONVERGED);
    expect_all(
        probit.result.record.coef,
        {1.52780111771818672Q, 0.00714152373694533Q, 1.54581083906550321Q, -6.21653243219441620Q},
        REFERENCE_DIGITS, "probit coef");
    expect_all(probit.result.record.stderrs,
               {0.4687798633587124Q, 0.0568403669080259Q, 0.4142251414243464Q, 1.7336409190684081Q},
               REFERENCE_DIGITS, "probit se");
    EXPECT_TRUE(agrees(probit.result.record.llf, -25.3609065465132Q));
    expect_all(probit.at_means.effect,
               {0.50072593220520167Q, 0.00234058352823324Q, 0.50662849007468369Q, 0},
               REFERENCE_DIGITS, "probit effects");
    expect_all(probit.at_means.se,
               {0.1575853043957603Q, 0.0185925239349678Q, 0.1335301904418280Q, 0}, REFERENCE_DIGITS,
               "probit effect se");
}

TEST(ChoiceWeightsReference, WeightedTobitMatchesRAndTheExpandedRows) {
    const ChoiceData rows = weighted_rows(WEIGHTED_CENSORED, 30, 0, weight_cycle(30));
    const TobitEstimate t = estimate_tobit(rows, TobitCensoring{}, ChoiceControl{});
    ASSERT_EQ(t.end, ChoiceEnd::CONVERGED);
    EXPECT_EQ(t.n, 30);
    expect_all(t.result.record.coef,
               {0.945656259382772Q, 1.802579351278493Q, -3.651477246721080Q, 1.621015187054115Q},
               REFERENCE_DIGITS, "tobit coef");
    expect_all(t.result.record.stderrs,
               {0.0924096889843066Q, 0.3360380361426000Q, 0.6480601973327569Q, 0.2183018763306007Q},
               WEIGHTED_SE_DIGITS, "tobit se");
    EXPECT_TRUE(agrees(t.result.record.llf, -68.2370154338505Q));
    expect_all(t.observed.effect, {0.620704908043894Q, 1.183167603847326Q, 0}, REFERENCE_DIGITS,
               "tobit effects");
    expect_all(t.observed.se, {0.0691317019212367Q, 0.2173158874121787Q, 0}, WEIGHTED_SE_DIGITS,
               "tobit effect se");
    const TobitEstimate whole = estimate_tobit(expanded(rows), TobitCensoring{}, {});
    expect_same_fit(t.result.record, whole.result.record, "tobit expanded");
    EXPECT_TRUE(agrees(t.constants.llf0, whole.constants.llf0, 1e-28Q));
}

TEST(ChoiceWeightsReference, FrequencyTableFitsOrderedModelsWithoutExpandingIt) {
    const ChoiceData table = frequency_table(0);
    ASSERT_EQ(table.y.size(), 69u); // three empty cells
    const OrderedEstimate logit = estimate_ordered_choice(table, OrderedLink::LOGIT, {});
    ASSERT_EQ(logit.end, ChoiceEnd::CONVERGED);
    // polr: a, b, then the cut points 1|2, 2|3.
    expect_all(
        logit.result.record.coef,
        {0.0333852249231730Q, 0.0484151796979053Q, -0.3820406409675225Q, 1.0845764864522791Q},
        REFERENCE_DIGITS, "ordered logit coef");
    expect_all(logit.result.record.stderrs,
               {0.0788152922857718Q, 0.0537435670008056Q, 0.2188599035340702Q, 0.2247903888400817Q},
               WEIGHTED_SE_DIGITS, "ordered logit se");
    EXPECT_TRUE(agrees(logit.result.record.llf, -467.580661092485Q));
    EXPECT_TRUE(agrees(logit.constants.llf0, -468.0405152814Q));
    const OrderedEstimate probit = estimate_ordered_choice(table, OrderedLink::PROBIT, {});
    ASSERT_EQ(probit.end, ChoiceEnd::CONVERGED);
    expect_all(
        probit.result.record.coef,
        {0.0191745220470277Q, 0.0301452300032768Q, -0.2402054536087994Q, 0.6686409255563651Q},
        REFERENCE_DIGITS, "ordered probit coef");
    expect_all(probit.result.record.stderrs,
               {0.0479314850229440Q, 0.0326426866476889Q, 0.1334637188198005Q, 0.1355837505971569Q},
               WEIGHTED_SE_DIGITS, "ordered probit se");
    EXPECT_TRUE(agrees(probit.result.record.llf, -467.565942855159Q));
    const OrderedEstimate whole = estimate_ordered_choice(expanded(table), OrderedLink::LOGIT, {});
    expect_same_fit(logit.result.record, whole.result.record, "ordered expanded");
    EXPECT_TRUE(agrees(logit.constants.llf0, whole.constants.llf0, 1e-28Q));
}

TEST(ChoiceWeightsReference, FrequencyTableFitsTheMultinomialLogit) {
    const ChoiceData table = frequency_table(-1);
    const MultinomialEstimate m = estimate_multinomial_logit(table, {});
    ASSERT_EQ(m.end, ChoiceEnd::CONVERGED);
    // Outcome 1 against 0 (a, b, intercept), then outcome 2 against 0.
    expect_all(m.result.record.coef,
               {0.0830777307129213Q, -0.0418266151806020Q, -0.0795740900097634Q,
                0.0350500754162320Q, 0.0745518639509343Q, -0.4878662843340020Q},
               REFERENCE_DIGITS, "multinomial coef");
    expect_all(m.result.record.stderrs,
               {0.1015210772132569Q, 0.0691770887679983Q, 0.2727077299184061Q, 0.1065889931276217Q,
                0.0728261549376443Q, 0.2926670323834045Q},
               WEIGHTED_SE_DIGITS, "multinomial se");
    EXPECT_TRUE(agrees(m.result.record.llf, -466.366076821625Q));
    // The first cell (a = 0, b = 0) and the last (a = 3, b = 5).
    expect_all({m.probability[0][0], m.probability[1][0], m.probability[2][0]},
               {0.394097281092727Q, 0.363952620294488Q, 0.241950098612785Q}, REFERENCE_DIGITS,
               "first cell");
    expect_all({m.probability[0][68], m.probability[1][68], m.probability[2][68]},
               {0.338823672966300Q, 0.325709493401813Q, 0.335466833631887Q}, REFERENCE_DIGITS,
               "last cell");
    const MultinomialEstimate whole = estimate_multinomial_logit(expanded(table), {});
    expect_same_fit(m.result.record, whole.result.record, "multinomial expanded");
    EXPECT_TRUE(agrees(m.constants.llf0, whole.constants.llf0, 1e-28Q));
}

} // namespace
} // namespace tarvex::testing
