// MacKinnon's response surfaces for Dickey-Fuller-type tests, as published: the cut-offs and
// polynomial coefficients of the approximate asymptotic distribution functions of tau
// (MacKinnon, J. G. (1994), "Approximate asymptotic distribution functions for unit-root and
// cointegration tests", J. Business & Economic Statistics 12, 167-176; the same surfaces
// underlie MacKinnon (1996), "Numerical distribution functions for unit root and cointegration
// tests", J. Applied Econometrics 11, 601-618), and the finite-sample critical values
// c(T) = b0 + b1/T + b2/T**2 + b3/T**3 (MacKinnon (2010), "Critical values for cointegration
// tests", Queen's University working paper 1227; the case without a constant from the 1996
// paper). Rows: the regression without a constant, with a constant, with a constant and a
// trend; then N = 1 .. 6 variables.
#include "regress/coint/mackinnon_tables.hpp"

namespace tarvex::mackinnon {

namespace {
constexpr Real INF = __builtin_huge_valq();
} // namespace

// clang-format off
const Real TAU_MAX[3][6] = {
    {INF, 1.51Q, 0.86Q, 0.88Q, 1.05Q, 1.24Q},
    {2.74Q, 0.92Q, 0.55Q, 0.61Q, 0.79Q, 1.0Q},
    {0.7Q, 0.63Q, 0.71Q, 0.93Q, 1.19Q, 1.42Q},
};
const Real TAU_MIN[3][6] = {
    {-19.04Q, -19.62Q, -21.21Q, -23.25Q, -21.63Q, -25.74Q},
    {-18.83Q, -18.86Q, -23.48Q, -28.07Q, -25.96Q, -23.27Q},
    {-16.18Q, -21.15Q, -25.37Q, -26.63Q, -26.53Q, -26.18Q},
};
const Real TAU_STAR[3][6] = {
    {-1.04Q, -1.53Q, -2.68Q, -3.09Q, -3.07Q, -3.77Q},
    {-1.61Q, -2.62Q, -3.13Q, -3.47Q, -3.78Q, -3.93Q},
    {-2.89Q, -3.19Q, -3.5Q, -3.65Q, -3.8Q, -4.36Q},
};
// p = Phi(c0 + c1 tau + c2 tau**2 / 100) left of TAU_STAR (c2 as published).
const Real SMALL_P[3][6][3] = {
    {{0.6344Q, 1.2378Q, 3.2496Q}, {1.9129Q, 1.3857Q, 3.5322Q}, {2.7648Q, 1.4502Q, 3.4186Q}, {3.4336Q, 1.4835Q, 3.19Q}, {4.0999Q, 1.5533Q, 3.59Q}, {4.5388Q, 1.5344Q, 2.9807Q}},
    {{2.1659Q, 1.4412Q, 3.8269Q}, {2.92Q, 1.5012Q, 3.9796Q}, {3.4699Q, 1.4856Q, 3.164Q}, {3.9673Q, 1.4777Q, 2.6315Q}, {4.5509Q, 1.5338Q, 2.9545Q}, {5.1399Q, 1.6036Q, 3.4445Q}},
    {{3.2512Q, 1.6047Q, 4.9588Q}, {3.6646Q, 1.5419Q, 3.6448Q}, {4.0983Q, 1.5173Q, 2.9898Q}, {4.5844Q, 1.5338Q, 2.8796Q}, {5.0722Q, 1.5634Q, 2.9472Q}, {5.53Q, 1.5914Q, 3.0392Q}},
};
// p = Phi(c0 + c1 tau / 10 + c2 tau**2 / 10 + c3 tau**3 / 100) right of TAU_STAR.
const Real LARGE_P[3][6][4] = {
    {{0.4797Q, 9.3557Q, -0.6999Q, 3.3066Q}, {1.5578Q, 8.558Q, -2.083Q, -3.3549Q}, {2.2268Q, 6.8093Q, -3.2362Q, -5.4448Q}, {2.7654Q, 6.4502Q, -3.0811Q, -4.4946Q}, {3.2684Q, 6.8051Q, -2.6778Q, -3.4972Q}, {3.7268Q, 7.167Q, -2.3648Q, -2.8288Q}},
    {{1.7339Q, 9.3202Q, -1.2745Q, -1.0368Q}, {2.1945Q, 6.4695Q, -2.9198Q, -4.2377Q}, {2.5893Q, 4.5168Q, -3.6529Q, -5.0074Q}, {3.0387Q, 4.5452Q, -3.3666Q, -4.1921Q}, {3.5049Q, 5.2098Q, -2.9158Q, -3.3468Q}, {3.9489Q, 5.8933Q, -2.5359Q, -2.721Q}},
    {{2.5261Q, 6.1654Q, -3.7956Q, -6.0285Q}, {2.85Q, 5.272Q, -3.6622Q, -5.1695Q}, {3.221Q, 5.255Q, -3.2685Q, -4.1501Q}, {3.652Q, 5.9758Q, -2.7483Q, -3.2081Q}, {4.0712Q, 6.6428Q, -2.3464Q, -2.546Q}, {4.4735Q, 7.1757Q, -2.0681Q, -2.1196Q}},
};
// Critical values at 1%, 5%, 10%: b0, b1, b2, b3 (N = 1 only without a constant).
const Real CRITICAL[3][6][3][4] = {
    {{{-2.56574Q, -2.2358Q, -3.627Q, 0.0Q}, {-1.941Q, -0.2686Q, -3.365Q, 31.223Q}, {-1.61682Q, 0.2656Q, -2.714Q, 25.364Q}},
     {},
     {},
     {},
     {},
     {}},
    {{{-3.43035Q, -6.5393Q, -16.786Q, -79.433Q}, {-2.86154Q, -2.8903Q, -4.234Q, -40.04Q}, {-2.56677Q, -1.5384Q, -2.809Q, 0.0Q}},
     {{-3.89644Q, -10.9519Q, -33.527Q, 0.0Q}, {-3.33613Q, -6.1101Q, -6.823Q, 0.0Q}, {-3.04445Q, -4.2412Q, -2.72Q, 0.0Q}},
     {{-4.29374Q, -14.4354Q, -33.195Q, 47.433Q}, {-3.74066Q, -8.5632Q, -10.852Q, 27.982Q}, {-3.45218Q, -6.2143Q, -3.718Q, 0.0Q}},
     {{-4.64332Q, -18.1031Q, -37.972Q, 0.0Q}, {-4.096Q, -11.2349Q, -11.175Q, 0.0Q}, {-3.8102Q, -8.3931Q, -4.137Q, 0.0Q}},
     {{-4.95756Q, -21.8883Q, -45.142Q, 0.0Q}, {-4.41519Q, -14.0405Q, -12.575Q, 0.0Q}, {-4.13157Q, -10.7417Q, -3.784Q, 0.0Q}},
     {{-5.24568Q, -25.6688Q, -57.737Q, 88.639Q}, {-4.70693Q, -16.9178Q, -17.492Q, 60.007Q}, {-4.42501Q, -13.1875Q, -5.104Q, 27.877Q}}},
    {{{-3.95877Q, -9.0531Q, -28.428Q, -134.155Q}, {-3.41049Q, -4.3904Q, -9.036Q, -45.374Q}, {-3.12705Q, -2.5856Q, -3.925Q, -22.38Q}},
     {{-4.32762Q, -15.4387Q, -35.679Q, 0.0Q}, {-3.78057Q, -9.5106Q, -12.074Q, 0.0Q}, {-3.49631Q, -7.0815Q, -7.538Q, 21.892Q}},
     {{-4.66305Q, -18.7688Q, -49.793Q, 104.244Q}, {-4.1189Q, -11.8922Q, -19.031Q, 77.332Q}, {-3.83511Q, -9.0723Q, -8.504Q, 35.403Q}},
     {{-4.9694Q, -22.4694Q, -52.599Q, 51.314Q}, {-4.42871Q, -14.5876Q, -18.228Q, 39.647Q}, {-4.14633Q, -11.25Q, -9.873Q, 54.109Q}},
     {{-5.25276Q, -26.2183Q, -59.631Q, 50.646Q}, {-4.71537Q, -17.3569Q, -22.66Q, 91.359Q}, {-4.43422Q, -13.6078Q, -10.238Q, 76.781Q}},
     {{-5.51727Q, -29.976Q, -75.222Q, 202.253Q}, {-4.98228Q, -20.305Q, -25.224Q, 132.03Q}, {-4.70233Q, -16.1253Q, -9.836Q, 94.272Q}}},
};
// clang-format on

} // namespace tarvex::mackinnon
