// HC1, HC2, HC3 and the clustered covariance of OLSQ, 2SLS, PROBIT and LOGIT, run as statements
// and read from STDERR=, against R (sandwich 3.x, AER) on the 24 rows below. R code, d the data
// frame (id x1 x2 z1 y yb), f <- lm(y ~ x1 + x2, d),
// iv <- ivreg(y ~ x1 + x2 | z1 + x2 + I(z1*x2), data=d):
//   sqrt(diag(vcovHC(f, type="HC1"))) (HC2, HC3 alike; the same for iv),
//   sqrt(diag(vcovCL(f, cluster=~id, type="HC1"))),
//   sqrt(diag(vcovCL(f, cluster=~id, type="HC0", cadjust=FALSE))) (the same for iv).
// PROBIT and LOGIT by matrix algebra at the maximum (Newton steps from glm's estimates until
// they stand still): B <- solve(t(X) %*% (h * X)) with h the observed information of each row,
// S <- rowsum(X * lambda, d$id) with lambda the generalised residual, V0 <- B %*% crossprod(S) %*%
// B, and V0 * G/(G-1) * (n-1)/(n-k) (G = 6, n = 24, k = 3). For LOGIT this equals
// vcovCL(glm(yb ~ x1 + x2, family=binomial, data=d), cluster=~id, type="HC1") to 13 digits.
// TOBIT: tb <- AER::tobit(yc ~ x1 + x2, left=0, data=d, control=survreg.control(rel.tolerance=
// 1e-14, iter.max=100)), yc = pmax(y, 0), V <- vcovCL(tb, cluster=~id, type="HC1") (and type="HC0",
// cadjust=FALSE): sqrt(diag(V)) for the coefficients, tb$scale * sqrt(V[4, 4]) for sigma (the
// delta method from Log(scale)); survreg's stopping rule leaves about 10 digits.
// Values printed by sprintf("%.15g"); R lists the constant first, the engine last.
#include "ols_engine.hpp"
#include "reference_support.hpp"

#include <algorithm>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::agrees;
using testing::expect_all;

struct CovarianceData : testing::OlsEngine {
    CovarianceData() {
        data("ID", {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6});
        data("X1", {1.2Q, 0.4Q, 2.3Q, 1.7Q, 3.1Q, 0.9Q, 2.8Q, 1.5Q, 0.2Q, 2.6Q, 1.9Q, 3.4Q,
                    0.7Q, 1.1Q, 2.2Q, 2.9Q, 1.4Q, 0.3Q, 3.8Q, 2.0Q, 1.6Q, 2.4Q, 0.8Q, 3.0Q});
        data("X2", {5.1Q, 4.3Q, 6.2Q, 3.8Q, 5.5Q, 4.9Q, 6.8Q, 4.1Q, 3.6Q, 5.9Q, 5.2Q, 6.4Q,
                    4.4Q, 3.9Q, 5.7Q, 6.1Q, 4.6Q, 3.3Q, 6.9Q, 5.0Q, 4.8Q, 5.4Q, 4.0Q, 6.6Q});
        data("Z1", {0.5Q, 1.8Q, 0.9Q, 2.4Q, 1.1Q, 0.3Q, 2.9Q, 1.6Q, 2.2Q, 0.7Q, 1.4Q, 2.6Q,
                    0.2Q, 1.9Q, 1.0Q, 2.3Q, 0.6Q, 1.5Q, 2.8Q, 0.4Q, 1.7Q, 2.1Q, 0.8Q, 1.2Q});
        const std::vector<Real> y{0.37Q, -0.89Q, 0.79Q, 1.81Q, 0.5Q,  0.88Q,  -0.84Q, 0.72Q,
                                  0.72Q, -0.07Q, 1.69Q, 0.68Q, 0.43Q, -0.52Q, 1.19Q,  0.32Q,
                                  1.32Q, -0.34Q, 0.93Q, -0.6Q, 0.96Q, 0.38Q,  1.1Q,   -0.18Q};
        data("Y", y);
        std::vector<Real> censored(y);
        for (Real& v : censored) v = std::max(v, Real(0));
        data("YC", censored);
        data("YB", {0, 0, 0, 1, 1, 1, 0, 1, 1, 1, 1, 1, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0});
        sample(1, 24);
        statement("GENR ZX = Z1*X2");
    }
    // The standard errors STDERR= stores after the statement (the stored name S added).
    std::vector<Real> stderrs(const std::string& text, int count = 3) {
        statement(text + " STDERR=S");
        std::vector<Real> se;
        for (int i = 1; i <= count; ++i) se.push_back(value("S", i));
        return se;
    }
};

TEST(RobustCovarianceReference, OlsHeteroskedasticTypesAndClusters) {
    CovarianceData d;
    expect_all(d.stderrs("OLSQ Y X1 X2 / HC1"),
               {0.315354672827987Q, 0.340830529230893Q, 1.25470730196698Q}, 1e-11Q, "HC1");
    expect_all(d.stderrs("OLSQ Y X1 X2 / HC2"),
               {0.330727119065437Q, 0.357556669606355Q, 1.31233151892403Q}, 1e-11Q, "HC2");
    expect_all(d.stderrs("OLSQ Y X1 X2 / HC3"),
               {0.37208473606513Q, 0.402593846743746Q, 1.47384857062357Q}, 1e-11Q, "HC3");
    expect_all(d.stderrs("OLSQ Y X1 X2 / CLUSTER=ID"),
               {0.319482917816144Q, 0.315984189366422Q, 1.20275780885289Q}, 1e-11Q, "cluster");
    expect_all(d.stderrs("OLSQ Y X1 X2 / CLHC0 CLUSTER = ID"),
               {0.27867804070878Q, 0.275626175538631Q, 1.04913962821386Q}, 1e-11Q, "cluster HC0");
}

TEST(RobustCovarianceReference, TwoStageHeteroskedasticTypesAndClusters) {
    CovarianceData d;
    const std::string iv = "2SLS Y X1 X2 ; Z1 X2 ZX /";
    expect_all(d.stderrs(iv + " HC1"), {0.83460597619976Q, 0.775237867096375Q, 2.52913294757723Q},
               1e-11Q, "HC1");
    expect_all(d.stderrs(iv + " HC2"), {0.972626978128804Q, 0.917970314155343Q, 3.01494251673669Q},
               1e-11Q, "HC2");
    expect_all(d.stderrs(iv + " HC3"), {1.27636120937295Q, 1.22021952767741Q, 4.02618290039768Q},
               1e-11Q, "HC3");
    expect_all(d.stderrs(iv + " CLUSTER=ID"),
               {0.643015830050465Q, 0.522178871890824Q, 1.64099382564881Q}, 1e-11Q, "cluster");
    expect_all(d.stderrs(iv + " CLUSTER=ID CLHC0"),
               {0.560888803971424Q, 0.455485338348528Q, 1.43140342924435Q}, 1e-11Q, "cluster HC0");
}

TEST(RobustCovarianceReference, ProbitAndLogitClusters) {
    CovarianceData d;
    expect_all(d.stderrs("PROBIT YB X1 X2 / CLUSTER=ID"),
               {0.523063179281133Q, 0.598244209515415Q, 2.46397513090261Q}, 1e-11Q, "probit");
    expect_all(d.stderrs("PROBIT YB X1 X2 / CLUSTER=ID CLHC0"),
               {0.456256700562805Q, 0.521835487520718Q, 2.14927222566014Q}, 1e-11Q, "probit HC0");
    expect_all(d.stderrs("LOGIT YB X1 X2 / CLUSTER=ID"),
               {0.869576117640214Q, 0.977714154917445Q, 4.02980607796613Q}, 1e-11Q, "logit");
    expect_all(d.stderrs("LOGIT YB X1 X2 / CLUSTER=ID CLHC0"),
               {0.758512443693719Q, 0.852838915232502Q, 3.51511270123748Q}, 1e-11Q, "logit HC0");
}

TEST(RobustCovarianceReference, TobitClusters) {
    CovarianceData d;
    expect_all(d.stderrs("TOBIT YC X1 X2 / CLUSTER=ID", 4),
               {0.301567804207942Q, 0.325533878797079Q, 1.31465416621257Q, 0.0954308764660992Q},
               1e-9Q, "tobit");
    expect_all(d.stderrs("TOBIT YC X1 X2 / CLUSTER=ID CLHC0", 4),
               {0.256711562798584Q, 0.277112840309238Q, 1.11910794467764Q, 0.0812361568277983Q},
               1e-9Q, "tobit HC0");
}

} // namespace
} // namespace tarvex
