// Johansen's test of COINTEGR against R 4.2 with urca 1.3's ca.jo (its default long-run form;
// the transitory form gives the same eigenvalues, statistics and vectors). Data:
// tests/data/coint/denmark.txt is urca's data set denmark (columns LRM LRY LPY IBO IDE, the
// Danish money demand data, 1974:1-1987:3); tests/data/coint/generated.txt is described in
// test_coint_reference.cpp (y and x cointegrated, w an independent random walk). In R:
//   d <- read.table("denmark.txt", col.names=c("LRM","LRY","LPY","IBO","IDE"))
//   g <- read.table("generated.txt", col.names=c("rw","ar","x","y","w"))
// ca.jo's teststat runs from r <= m-1 up to r = 0; the tables below run from r = 0.
#include "regress/coint/johansen.hpp"
#include "regress/coint/johansen_tables.hpp"

#include "numeric/decimal.hpp"
#include "reference_support.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace tarvex::testing {
namespace {

// The columns `which` of a whitespace-separated file under tests/data/coint/.
std::vector<std::vector<Real>> johansen_columns(const std::string& name,
                                                const std::vector<std::size_t>& which) {
    std::ifstream in(std::string(TARVEX_TEST_DATA) + "/coint/" + name);
    std::vector<std::vector<Real>> out(which.size());
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::vector<Real> row;
        for (std::string field; fields >> field;) {
            Real v = 0;
            if (parse_real(field, v)) row.push_back(v);
        }
        for (std::size_t k = 0; k < which.size(); ++k)
            if (which[k] < row.size()) out[k].push_back(row[which[k]]);
    }
    return out;
}

// The reference values of one case, r = 0 first; vectors and loadings by column.
struct JohansenReference {
    std::vector<Real> lambda, trace, max_eigen;
    std::vector<std::vector<Real>> vectors, loadings; // the first m columns
};

void expect_johansen(const JohansenFit& f, const JohansenReference& want,
                     Real statistic_digits = REFERENCE_DIGITS, Real vector_digits = 1e-10Q) {
    ASSERT_EQ(f.status, JohansenStatus::ok);
    const int m = f.m;
    for (int k = 0; k < m; ++k) {
        EXPECT_TRUE(agrees(f.eigenvalues[k], want.lambda[k], statistic_digits)) << "lambda " << k;
        EXPECT_TRUE(agrees(f.trace[k], want.trace[k], statistic_digits)) << "trace r = " << k;
        EXPECT_TRUE(agrees(f.max_eigen[k], want.max_eigen[k], statistic_digits)) << "r = " << k;
        for (int i = 0; i < f.p; ++i)
            EXPECT_TRUE(agrees(f.vector_at(i, k), want.vectors[k][i], vector_digits))
                << "vector " << k << " row " << i;
        for (int i = 0; i < m; ++i)
            EXPECT_TRUE(agrees(f.loading_at(i, k), want.loadings[k][i], vector_digits))
                << "loading " << k << " row " << i;
    }
}

TEST(JohansenReference, DenmarkRestrictedAndUnrestrictedConstant) {
    const auto den = johansen_columns("denmark.txt", {0, 1, 3, 4}); // LRM LRY IBO IDE
    ASSERT_EQ(den[0].size(), 55u);
    // The data are ill-conditioned for a double-precision reference: ca.jo forms S00, S01, S11
    // as M00 - M01 M11^-1 M10 and keeps about 11 digits of the statistics and 8 of the smaller
    // loadings. The full check is against tests/unit/johansen_reference.py (mpmath at 50
    // digits: the concentrating regressions by the normal equations, a Cholesky factor of S11
    // and eigsy), printed to 22 digits; then ca.jo's own values.
    JohansenFit f = johansen(den, 2, JohansenTerms::RESTRICTED);
    EXPECT_EQ(f.n, 53);
    EXPECT_EQ(f.p, 5);
    expect_johansen(f,
                    {{0.4696766558086431986191Q, 0.174241126705553927119Q,
                      0.1180825582905356250415Q, 0.0422485364274228328115Q},
                     {52.71086603857752979905Q, 19.09464215927077521247Q, 8.947661300712165506584Q,
                      2.287849265109069802581Q},
                     {33.61622387930675458657Q, 10.14698085855860970589Q, 6.659812035603095704003Q,
                      2.287849265109069802581Q},
                     {{1, -0.9691164016938160761113Q, 5.40277187304684633692Q,
                       -4.140325466436157847211Q, -6.478051134822426881554Q},
                      {1, -1.375987272481440409632Q, -0.3351646022441793987081Q,
                       9.005894288658244481543Q, -4.329763527119660589407Q},
                      {1, -2.25921829964695853721Q, 1.640802708923397872217Q,
                       -3.719279061715161278394Q, 1.78614240648175639985Q},
                      {1, -0.1438558227068091246836Q, -11.70737103992542066684Q,
                       7.537513345620328071Q, -10.2593483888660231121Q}},
                     {{-0.2997842970108017214153Q, 0.02694302567376656132172Q,
                       0.003921355105837808440292Q, 0.02000088890481355467409Q},
                      {-0.02533076152982187616554Q, -0.0002905265353971553019471Q,
                       -0.01028056730272998651018Q, -0.02633157183096041122717Q},
                      {0.06665885555876418741563Q, 0.1020173598022758240536Q,
                       0.006040390735713381302283Q, -0.003826538227053803609265Q},
                      {-0.004074834522379042551803Q, -0.00128197806474082884967Q,
                       0.00247591510302460867743Q, 0.00000815352429404091573092Q}}},
                    1e-20Q, 1e-20Q);
    // x <- d[, c("LRM","LRY","IBO","IDE")]; ca.jo(x, ecdet="const", K=2): @lambda, @teststat
    // (type="trace" and type="eigen"), @V[, 1:4], @W[, 1:4]
    expect_johansen(
        f,
        {{0.46967665580463719Q, 0.17424112670567107Q, 0.11808255829105839Q, 0.042248536427414489Q},
         {52.710866038215528Q, 19.094642159309128Q, 8.9476613007430004Q, 2.2878492651084876Q},
         {33.616223878906403Q, 10.146980858566128Q, 6.6598120356345136Q, 2.2878492651086053Q},
         {{1, -0.96911640170557034Q, 5.4027718730488621Q, -4.1403254664711069Q,
           -6.4780511347497258Q},
          {1, -1.3759872724970561Q, -0.33516460221221128Q, 9.0058942884707669Q,
           -4.3297635270146104Q},
          {1, -2.2592182996505477Q, 1.6408027089280079Q, -3.7192790618062794Q, 1.7861424065109635Q},
          {1, -0.14385582269931899Q, -11.707371040089273Q, 7.5375133457391241Q,
           -10.259348388902453Q}},
         {{-0.2997842970064753Q, 0.026943025675509581Q, 0.0039213551059123671Q,
           0.02000088890461214Q},
          {-0.025330761529469888Q, -0.00029052653387806913Q, -0.010280567302804246Q,
           -0.026331571831415077Q},
          {0.066658855559262445Q, 0.10201735980223731Q, 0.0060403907358248946Q,
           -0.0038265382268428266Q},
          {-0.004074834522332464Q, -0.0012819780647248809Q, 0.0024759151029943183Q,
           8.1535242934057126e-06Q}}},
        2e-11Q, 1e-8Q);
    // The fifth eigenvalue is zero: R gives -2.1e-15.
    EXPECT_LT(fabsq(f.eigenvalues[4]), 1e-25Q);

    // ca.jo(x, ecdet="none", K=2)
    f = johansen(den, 2, JohansenTerms::CONSTANT);
    EXPECT_EQ(f.p, 4);
    EXPECT_EQ(f.nregs, 5);
    expect_johansen(
        f,
        {{0.44821425566893541Q, 0.17421468245810987Q, 0.11690133941344229Q, 0.010436026254917238Q},
         {48.803730957459052Q, 17.290171981301526Q, 7.1448883768914024Q, 0.5560157618986894Q},
         {31.51355897615753Q, 10.145283604410123Q, 6.5888726149927139Q, 0.5560157618986894Q},
         {{1, -0.9756548953112365Q, 5.4085876679086224Q, -4.162443413469525Q},
          {1, -1.3758569827085918Q, -0.28023142754690195Q, 8.8654964759231909Q},
          {1, -2.3152458240017446Q, 1.401620309170585Q, -3.689235137886044Q},
          {1, -0.35542178450616796Q, 1.4360744884772478Q, -0.49881683854038533Q}},
         {{-0.28146947762922819Q, 0.037469432601462037Q, -0.0039021513728111738Q,
           0.019960403523874081Q},
          {-0.025133107153520375Q, 0.00025131925410464315Q, -0.010629899671229738Q,
           -0.026608543434490692Q},
          {0.060292494278588155Q, 0.095535907280446988Q, 0.0082444876398889005Q,
           -0.0036294787081597867Q},
          {-0.01622094699994114Q, -0.0058687782500479041Q, 0.008444657046111359Q,
           0.00012855098864983852Q}}},
        2e-11Q, 5e-8Q); // the loading 0.000251: mpmath 0.00025131925056
}

TEST(JohansenReference, GeneratedSystemLongerLagsAndRestrictedTrend) {
    const auto gen = johansen_columns("generated.txt", {3, 2, 4}); // y x w
    ASSERT_EQ(gen[0].size(), 200u);
    // ca.jo(g[, c("y","x","w")], ecdet="none", K=3)
    JohansenFit f = johansen(gen, 3, JohansenTerms::CONSTANT);
    EXPECT_EQ(f.n, 197);
    expect_johansen(
        f, {{0.19190166873944095Q, 0.035616064817318417Q, 0.0042913274316118705Q},
            {49.966662954070415Q, 7.9915713941768125Q, 0.84721063609634062Q},
            {41.975091559893606Q, 7.144360758080472Q, 0.84721063609634062Q},
            {{1, -0.52356741417463193Q, 0.0644215165871629Q},
             {1, -1.4125621824548333Q, 7.4513979467446951Q},
             {1, 7.3265037266075366Q, 7.2672192673397475Q}},
            {{-0.5291704351688542Q, 0.059555224253001318Q, 0.03059907469214785Q},
             {0.0022378086941680546Q, 0.0039878344356288906Q, -0.011594919116707906Q},
             {-0.00095052546232268092Q, -0.0013142760619471224Q, -0.0004133927417450566Q}}});
    // ca.jo(g[, c("y","x","w")], ecdet="trend", K=2)
    f = johansen(gen, 2, JohansenTerms::TREND);
    expect_johansen(f,
                    {{0.23208166125284382Q, 0.045302997555285121Q, 0.020966634701452116Q},
                     {65.661294807456244Q, 13.375062321108372Q, 4.1955320945008427Q},
                     {52.286232486347878Q, 9.1795302266075289Q, 4.1955320945008427Q},
                     {{1, -0.52101184492333685Q, 0.09446074075812505Q, 0.0015087540490449558Q},
                      {1, -0.67196575886031951Q, -10.887173757667435Q, -0.27000641465007708Q},
                      {1, -7.8445197881670481Q, 4.9428286497940155Q, -0.62747735921795356Q}},
                     {{-0.55929552559557671Q, 0.0040522818130220122Q, -0.032884945017079018Q},
                      {-0.00030288900018884046Q, 0.00045959982156509443Q, 0.008819046811055874Q},
                      {0.0016480317300722441Q, 0.0027529254359760047Q, -0.00039785870976717761Q}}});

    // ca.jo(..., ecdet="const")@cval and ca.jo(..., ecdet="trend")@cval for 3 variables,
    // rows "r = 0" (3 trends) and "r <= 2" (1 trend)
    const std::array<Real, 3> c0 = johansen_critical_values(JohansenTerms::CONSTANT, 3, true);
    EXPECT_EQ(c0[0], 28.71Q);
    EXPECT_EQ(c0[2], 37.22Q);
    EXPECT_EQ(johansen_critical_values(JohansenTerms::TREND, 3, false)[1], 25.54Q);
    EXPECT_EQ(johansen_critical_values(JohansenTerms::RESTRICTED, 4, true)[1], 53.12Q);
    EXPECT_EQ(johansen_critical_values(JohansenTerms::RESTRICTED, 2, false)[2], 20.20Q);
    EXPECT_TRUE(johansen_table_covers(JohansenTerms::CONSTANT, 11));
    EXPECT_FALSE(johansen_table_covers(JohansenTerms::CONSTANT, 12));
    // No deterministic terms: statsmodels 0.13, tsa/coint_tables.py, c_sjt(n, -1) and
    // c_sja(n, -1) (90%, 95%, 99%), for n = 1, 3 and 12
    EXPECT_EQ(johansen_critical_values(JohansenTerms::NONE, 1, true)[1], 4.1296Q);
    EXPECT_EQ(johansen_critical_values(JohansenTerms::NONE, 3, true)[0], 21.7781Q);
    EXPECT_EQ(johansen_critical_values(JohansenTerms::NONE, 12, true)[2], 326.9716Q);
    EXPECT_EQ(johansen_critical_values(JohansenTerms::NONE, 3, false)[2], 22.2519Q);
    EXPECT_EQ(johansen_critical_values(JohansenTerms::NONE, 12, false)[1], 73.0946Q);
    EXPECT_TRUE(johansen_table_covers(JohansenTerms::NONE, 12));
    EXPECT_FALSE(johansen_table_covers(JohansenTerms::NONE, 13));
}

TEST(JohansenReference, NoConstantTooFewAndDependentSeries) {
    // Without deterministic terms and K = 1 nothing is concentrated out: S00, S01, S11 are the
    // plain moments of dx(t) and x(t-1). mpmath (40 digits): the eigenvalues of
    // S11^-1 S10 S00^-1 S01, -T sum log(1 - lambda), and each eigenvector's v2 / v1.
    const std::vector<std::vector<Real>> tiny{{1, 2, 4, 3, 5, 4}, {0, 1, 1, 3, 2, 2}};
    JohansenFit f = johansen(tiny, 1, JohansenTerms::NONE);
    ASSERT_EQ(f.status, JohansenStatus::ok);
    EXPECT_EQ(f.n, 5);
    EXPECT_EQ(f.nregs, 0);
    EXPECT_TRUE(agrees(f.eigenvalues[0], 0.8289169349994334074073761Q, 1e-24Q));
    EXPECT_TRUE(agrees(f.eigenvalues[1], 0.1083637667549525575049046Q, 1e-24Q));
    EXPECT_TRUE(agrees(f.trace[0], 9.401515600141518988342207Q, 1e-24Q));
    EXPECT_TRUE(agrees(f.trace[1], 0.5734851992137366056155471Q, 1e-24Q));
    EXPECT_TRUE(agrees(f.max_eigen[0], 8.82803040092778238272666Q, 1e-24Q));
    EXPECT_TRUE(agrees(f.vector_at(1, 0), -1.909573899759401826339234Q, 1e-24Q));
    EXPECT_TRUE(agrees(f.vector_at(1, 1), 1.992709291683392325151586Q, 1e-24Q));
    EXPECT_EQ(johansen(tiny, 2, JohansenTerms::CONSTANT).status, JohansenStatus::too_few);
    // x2 = 2 x1: the lagged differences are dependent; with K = 1 the moments are singular.
    std::vector<std::vector<Real>> dep = johansen_columns("generated.txt", {3, 3});
    for (Real& v : dep[1]) v *= 2;
    f = johansen(dep, 2, JohansenTerms::CONSTANT);
    EXPECT_EQ(f.status, JohansenStatus::dependent);
    EXPECT_EQ(f.failed_column, 1);
    EXPECT_EQ(johansen(dep, 1, JohansenTerms::CONSTANT).status, JohansenStatus::singular_00);
}

} // namespace
} // namespace tarvex::testing
