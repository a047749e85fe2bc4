// NONPAR's kernels against R 4.2, each value with the R expression that gave it. The densities
// are the exact kernel sums written out in R (density() bins the data, so only its bandwidth
// rules are used as they stand); every kernel has the bandwidth as its standard deviation, as
// density() defines them. The cross-validated bandwidths come from optimize(tol = 1e-14) on the
// criterion written out in R, which places the minimum to about 8 digits; the criterion at the
// minimum, flat there, agrees to 12 or more.
#include "numeric/qmath.hpp"
#include "regress/nonpar/gaussian_grid_density.hpp"
#include "regress/nonpar/kernel_density.hpp"
#include "regress/nonpar/kernel_regression.hpp"
#include "regress/nonpar/nonpar_kernels.hpp"

#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvex::testing {
namespace {

// z <- round(50 + 5*sin((1:30)*1.7) + ((1:30) %% 7), 3)
std::vector<Real> z30_sorted() {
    std::vector<Real> z = {55.958Q, 50.722Q, 48.371Q, 56.471Q, 58.992Q, 52.501Q, 46.909Q, 55.296Q,
                           53.984Q, 48.193Q, 53.255Q, 59.999Q, 55.457Q, 45.141Q, 52.795Q, 56.396Q,
                           50.072Q, 50.358Q, 58.867Q, 58.645Q, 45.452Q, 49.527Q, 56.928Q, 53.203Q,
                           49.02Q,  56.08Q,  60.702Q, 47.708Q, 46.888Q, 55.351Q};
    std::sort(z.begin(), z.end());
    return z;
}

const std::vector<Real> POINTS = {45, 50.5Q, 53.2Q, 58, 62};

TEST(NonparReference, BandwidthRulesAndGaussianDensity) {
    const std::vector<Real> z = z30_sorted();
    // bw.nrd0(z), bw.nrd(z)
    EXPECT_TRUE(agrees(silverman_bandwidth(z), 2.0739823504108941Q, 1e-14Q));
    EXPECT_TRUE(agrees(scott_bandwidth(z), 2.4426903238172755Q, 1e-14Q));
    // sapply(pts, function(t) mean(dnorm((t-z)/h))/h), h <- bw.nrd0(z)
    const std::vector<Real> f =
        density_at(z, make_kernel(KernelShape::GAUSSIAN), silverman_bandwidth(z), POINTS);
    const Real want[] = {0.029783258221487315Q, 0.059327068636559899Q, 0.063962093346097926Q,
                         0.058841075953884464Q, 0.016314230836258072Q};
    for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(agrees(f[i], want[i], 1e-14Q)) << i;
}

TEST(NonparReference, CompactKernelsAtBandwidthTwoAndAHalf) {
    // sapply(pts, function(t) mean(K(t - z, 2.5))) with density()'s kernels, e.g. epanechnikov
    // K <- function(x, bw) { a <- bw*sqrt(5); ifelse(abs(x) < a, 3/4*(1-(abs(x)/a)^2)/a, 0) }
    const std::vector<Real> z = z30_sorted();
    struct Case {
        KernelShape shape;
        Real want[5];
    };
    const Case cases[] = {{KernelShape::RECTANGULAR,
                           {0.030792014356780043Q, 0.057735026918962581Q, 0.069282032302755092Q,
                            0.053886025124365078Q, 0.019245008972987528Q}},
                          {KernelShape::TRIANGULAR,
                           {0.031221059807551417Q, 0.060568341837325047Q, 0.065914119615102851Q,
                            0.055730700822438230Q, 0.018022438728515059Q}},
                          {KernelShape::EPANECHNIKOV,
                           {0.030959682610993657Q, 0.059816389584700168Q, 0.065577723412486813Q,
                            0.056578491742213549Q, 0.018124156263493466Q}},
                          {KernelShape::BIWEIGHT,
                           {0.030872137074742099Q, 0.060351402309901915Q, 0.065593849422750303Q,
                            0.056852489348706396Q, 0.018613681261352679Q}},
                          {KernelShape::COSINE,
                           {0.030766853209069932Q, 0.060365628084360405Q, 0.065471596452577344Q,
                            0.056841146364983955Q, 0.018657143199235053Q}},
                          {KernelShape::OPTCOSINE,
                           {0.030937857941264236Q, 0.060098173280069805Q, 0.065562190599976117Q,
                            0.056761242854369592Q, 0.018296994112806563Q}}};
    for (const Case& c : cases) {
        const std::vector<Real> f = density_at(z, make_kernel(c.shape), 2.5Q, POINTS);
        for (std::size_t i = 0; i < 5; ++i)
            EXPECT_TRUE(agrees(f[i], c.want[i], 1e-14Q)) << kernel_name(c.shape) << " " << i;
    }
}

TEST(NonparReference, LeastSquaresCrossValidation) {
    // w <- round(c(qnorm(((1:30)-0.5)/30), 4 + 0.5*qnorm(((1:15)-0.5)/15)) + 0.3*sin(1:45), 3)
    std::vector<Real> w = {-1.876Q, -1.372Q, -1.341Q, -1.419Q, -1.324Q, -0.987Q, -0.586Q, -0.378Q,
                           -0.449Q, -0.64Q,  -0.685Q, -0.458Q, -0.084Q, 0.172Q,  0.153Q,  -0.045Q,
                           -0.163Q, -0.015Q, 0.342Q,  0.659Q,  0.728Q,  0.57Q,   0.421Q,  0.512Q,
                           0.863Q,  1.265Q,  1.479Q,  1.464Q,  1.446Q,  1.832Q,  2.962Q,  3.525Q,
                           3.816Q,  3.795Q,  3.609Q,  3.532Q,  3.723Q,  4.089Q,  4.373Q,  4.394Q,
                           4.215Q,  4.089Q,  4.234Q,  4.646Q,  5.172Q};
    std::sort(w.begin(), w.end());
    // fucv <- function(h) { d <- as.vector(dist(w)); delta <- (d/h)^2
    //   (0.5 + sum(exp(-delta/4) - sqrt(8)*exp(-delta/2))/n)/(n*h*sqrt(pi)) }
    // hmax <- 1.144*sqrt(var(w))*n^(-1/5); optimize(fucv, c(0.1*hmax, hmax), tol=1e-14)
    const UcvChoice c = ucv_bandwidth(w);
    EXPECT_TRUE(agrees(c.upper, 1.1175837184996267Q, 1e-14Q));
    EXPECT_TRUE(agrees(c.h, 0.61747968926196872Q, 1e-7Q));
    EXPECT_TRUE(agrees(c.ucv, -0.1470781576421519Q, 1e-13Q));
    EXPECT_FALSE(c.on_bound);
    // The z series has its minimum at the upper end (bw.ucv(z) warns so).
    EXPECT_TRUE(ucv_bandwidth(z30_sorted()).on_bound);
}

// i <- 1:25; x <- round(i/2 + 0.7*sin(2.3*i), 4); y <- round(3*sin(x/2) + 0.5*cos(5.1*i), 4)
RegressionSample regression_sample() {
    const std::vector<Real> x = {1.022Q,   0.3044Q,  1.9049Q,  2.156Q,  1.8872Q, 3.6606Q,  3.2326Q,
                                 3.6958Q,  5.1728Q,  4.4076Q,  5.6165Q, 6.4371Q, 5.8011Q,  7.4943Q,
                                 7.5402Q,  7.4521Q,  9.1899Q,  8.6286Q, 9.305Q,  10.6313Q, 9.8538Q,
                                 11.2298Q, 11.8399Q, 11.3172Q, 13.0699Q};
    const std::vector<Real> y = {
        1.6561Q,  0.0977Q,  1.9855Q,  2.6532Q,  2.8957Q,  3.2421Q,  2.7892Q,  2.386Q,   1.4113Q,
        2.7898Q,  1.4321Q,  -0.2612Q, 0.2426Q,  -2.0352Q, -1.5378Q, -1.1569Q, -2.8286Q, -3.1498Q,
        -3.4359Q, -2.4197Q, -2.4515Q, -1.5471Q, -1.3099Q, -2.2506Q, 0.6161Q};
    return group_by_regressor(x, y);
}

TEST(NonparReference, NadarayaWatsonAndLocalLinear) {
    const RegressionSample s = regression_sample();
    const Kernel gauss = make_kernel(KernelShape::GAUSSIAN);
    // nw <- function(t, h) { w <- dnorm((x-t)/h); sum(w*y)/sum(w) }; nw(3, 1), nw(7.5, 1)
    auto nw = [&](Real t) {
        return kernel_fit_at(s, gauss, SmootherKind::NADARAYA_WATSON, 1, t).value;
    };
    EXPECT_TRUE(agrees(nw(3), 2.6113434978217263Q, 1e-14Q));
    EXPECT_TRUE(agrees(nw(7.5Q), -1.5036488085927227Q, 1e-14Q));
    // ll <- function(t, h) { d <- (x-t)/h; w <- dnorm(d); s0 <- sum(w); s1 <- sum(w*d);
    //   s2 <- sum(w*d*d); (s2*sum(w*y) - s1*sum(w*d*y))/(s0*s2 - s1^2) }
    auto ll = [&](Real t) {
        return kernel_fit_at(s, gauss, SmootherKind::LOCAL_LINEAR, 1, t).value;
    };
    EXPECT_TRUE(agrees(ll(3), 2.6106017341726226Q, 1e-14Q));
    EXPECT_TRUE(agrees(ll(7.5Q), -1.5018331157493805Q, 1e-14Q));
    // The Epanechnikov weights ep(u) <- ifelse(abs(u) < sqrt(5), 3/4*(1-u^2/5)/sqrt(5), 0)
    const SmoothedValue e = kernel_fit_at(s, make_kernel(KernelShape::EPANECHNIKOV),
                                          SmootherKind::NADARAYA_WATSON, 1, 3);
    EXPECT_TRUE(agrees(e.value, 2.6369916238953119Q, 1e-14Q));
    // Far from every observation a compact kernel has nothing to weigh.
    EXPECT_FALSE(kernel_fit_at(s, make_kernel(KernelShape::EPANECHNIKOV),
                               SmootherKind::NADARAYA_WATSON, 1, 40)
                     .defined);
}

TEST(NonparReference, LeaveOneOutBandwidth) {
    // cv <- function(h, g) mean(sapply(seq_along(x), function(j)
    //   (y[j] - g(x[j], h, x[-j], y[-j]))^2)); optimize(cv, c(0.05, 5), g=nw, tol=1e-14)
    const RegressionSample s = regression_sample();
    const Kernel gauss = make_kernel(KernelShape::GAUSSIAN);
    const CvChoice nw = cross_validated_bandwidth(s, gauss, SmootherKind::NADARAYA_WATSON);
    ASSERT_TRUE(nw.found);
    EXPECT_TRUE(agrees(nw.h, 0.54449786288643187Q, 1e-7Q));
    EXPECT_TRUE(agrees(nw.cv, 0.49948176156451729Q, 1e-12Q));
    EXPECT_FALSE(nw.on_bound);
    const CvChoice ll = cross_validated_bandwidth(s, gauss, SmootherKind::LOCAL_LINEAR);
    ASSERT_TRUE(ll.found);
    EXPECT_TRUE(agrees(ll.h, 0.65392350226802809Q, 1e-7Q));
    EXPECT_TRUE(agrees(ll.cv, 0.27547396314455319Q, 1e-12Q));
    // sum((y - sapply(x, nw, h=1))^2)
    Real sse = 0;
    for (std::size_t i = 0; i < s.y.size(); ++i) {
        const Real r =
            s.y[i] -
            kernel_fit_at(s, gauss, SmootherKind::NADARAYA_WATSON, 1, s.x[s.group[i]]).value;
        sse += r * r;
    }
    EXPECT_TRUE(agrees(sse, 6.4176974265414337Q, 1e-14Q));
}

// Observations sharing a value of x are weighed once as a group; leaving one of them out must
// still leave its twins in.
TEST(NonparReference, LeaveOneOutWithTiedRegressor) {
    // x <- c(1,1,2,3,3,3,4,5,5,6); y <- c(0.5,0.9,1.7,2.2,2.9,2.4,3.8,4.1,4.6,6.3)
    // cv(0.8, nw), cv(0.8, ll) with cv, nw and ll as above
    const RegressionSample s =
        group_by_regressor({1, 1, 2, 3, 3, 3, 4, 5, 5, 6},
                           {0.5Q, 0.9Q, 1.7Q, 2.2Q, 2.9Q, 2.4Q, 3.8Q, 4.1Q, 4.6Q, 6.3Q});
    EXPECT_EQ(s.x.size(), 6u);
    const Kernel gauss = make_kernel(KernelShape::GAUSSIAN);
    const SmoothedValue nw = leave_one_out_error(s, gauss, SmootherKind::NADARAYA_WATSON, 0.8Q);
    const SmoothedValue ll = leave_one_out_error(s, gauss, SmootherKind::LOCAL_LINEAR, 0.8Q);
    ASSERT_TRUE(nw.defined && ll.defined);
    EXPECT_TRUE(agrees(nw.value, 0.56418970305781524Q, 1e-14Q));
    EXPECT_TRUE(agrees(ll.value, 0.31790319044371101Q, 1e-14Q));
}

// The grid path for many observations (box moments and the Hermite expansion) against the
// direct sum, on two clusters of uneven spread, a wide and a narrow bandwidth, and grids both
// coarser and finer than the bandwidth: every point to 1e-21 of the largest value (both leave
// out the observations about 12 bandwidths away, not exactly the same ones).
TEST(NonparGaussianGrid, AgreesWithTheDirectSum) {
    std::vector<Real> data;
    unsigned long long state = 12345;
    auto uniform = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return Real((long long)(state >> 11)) / Real(1LL << 53);
    };
    for (int i = 0; i < 900; ++i) {
        const Real spread = uniform() + uniform() + uniform() - Real(3) / 2;
        data.push_back(i % 3 == 0 ? 7 + spread / 4 : spread * 2);
    }
    std::vector<Real> sorted(data);
    std::sort(sorted.begin(), sorted.end());
    for (Real h : {silverman_bandwidth(sorted), Real(0.01Q)})
        for (int count : {40, 512}) {
            const std::vector<Real> grid = density_grid(sorted, h, count);
            const std::vector<Real> direct =
                density_at(sorted, make_kernel(KernelShape::GAUSSIAN), h, grid);
            const std::vector<Real> fast =
                gaussian_density_on_grid(data, h, grid.front(), grid.back(), count);
            ASSERT_EQ(fast.size(), grid.size());
            const Real largest = *std::max_element(direct.begin(), direct.end());
            for (std::size_t i = 0; i < grid.size(); ++i)
                ASSERT_LE(qm::abs(fast[i] - direct[i]), Real(1e-21Q) * largest)
                    << "count " << count << " point " << i;
        }
}

// Boxes that fill up many times over (a tight cluster under a wide bandwidth, its points' sums
// passed on in batches), data far from zero with a small spread, and points on the edges of the
// boxes: the grid path still agrees with the direct sum to 1e-21 of the largest value.
TEST(NonparGaussianGrid, CrowdedBoxesAndDistantData) {
    unsigned long long state = 987654321;
    auto uniform = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return Real((long long)(state >> 11)) / Real(1LL << 53);
    };
    struct Case {
        std::vector<Real> data;
        Real h;
        int count;
    };
    std::vector<Case> cases(3);
    for (int i = 0; i < 3000; ++i) cases[0].data.push_back(uniform() / 1000 + (i % 7 == 0));
    cases[0].h = 1, cases[0].count = 50;
    for (int i = 0; i < 2000; ++i) cases[1].data.push_back(1000000 + uniform() * uniform());
    cases[1].h = Real(0.02Q), cases[1].count = 512;
    // Grid spacing 1 and 16 boxes a unit: every other point on a box's centre, the rest on the
    // edge between two boxes.
    for (int i = 0; i <= 640; ++i) cases[2].data.push_back(Real(i) / 32);
    cases[2].h = 1, cases[2].count = 27;
    for (const Case& c : cases) {
        std::vector<Real> sorted(c.data);
        std::sort(sorted.begin(), sorted.end());
        const std::vector<Real> grid = density_grid(sorted, c.h, c.count);
        ASSERT_TRUE(gaussian_grid_fits(c.h, grid.front(), grid.back(), c.count));
        const std::vector<Real> direct =
            density_at(sorted, make_kernel(KernelShape::GAUSSIAN), c.h, grid);
        const std::vector<Real> fast =
            gaussian_density_on_grid(c.data, c.h, grid.front(), grid.back(), c.count);
        const Real largest = *std::max_element(direct.begin(), direct.end());
        for (std::size_t i = 0; i < grid.size(); ++i)
            ASSERT_LE(qm::abs(fast[i] - direct[i]), Real(1e-21Q) * largest)
                << "data " << &c - cases.data() << " point " << i;
    }
    // A bandwidth a billionth of the range would need more boxes than the grid path keeps.
    EXPECT_FALSE(gaussian_grid_fits(Real(1e-9Q), 0, 10, 512));
}

} // namespace
} // namespace tarvex::testing
