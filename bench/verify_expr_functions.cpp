// Accuracy run of the expression language's elementary and special functions: reads lines
// "NAME ARGUMENT-BITS" (binary128 bits in hexadecimal) and writes, for each, the bits of the
// argument, of the engine's result and of libquadmath's, for scripts/check-functions-accuracy.py
// to compare with mpmath.
#include "accuracy_dump.hpp"
#include "expr/scalar_functions.hpp"
#include "numeric/distributions.hpp"
#include "numeric/elementary_functions.hpp"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using tarvex::Real;

struct Pair {
    Real engine, library;
};

Pair evaluate(const std::string& name, Real x) {
    namespace e = tarvex::elem;
    if (name == "cos") return {e::cos(x), cosq(x)};
    if (name == "tan") return {e::tan(x), tanq(x)};
    if (name == "atan") return {e::atan(x), atanq(x)};
    if (name == "asin") return {e::asin(x), asinq(x)};
    if (name == "acos") return {e::acos(x), acosq(x)};
    if (name == "sinh") return {e::sinh(x), sinhq(x)};
    if (name == "cosh") return {e::cosh(x), coshq(x)};
    if (name == "tanh") return {e::tanh(x), tanhq(x)};
    if (name == "erf") return {e::erf(x), erfq(x)};
    if (name == "erfc") return {e::erfc(x), erfcq(x)};
    if (name == "gamma") return {e::gamma(x), tgammaq(x)};
    if (name == "log10") return {e::log10(x), log10q(x)};
    if (name == "ncdf") return {tarvex::dist::normal_lower(x), tarvex::dist::normal_lower(x)};
    // NCDF as the expression language has long computed it (erfcq with a first-order
    // correction), beside the double-binary128 distribution function.
    if (name == "xncdf") return {tarvex::expr::ncdf(x), tarvex::dist::normal_lower(x)};
    if (name == "invncdf")
        return {tarvex::dist::normal_quantile(x), tarvex::dist::normal_quantile(x)};
    return {x, x};
}

bench::u128 parse_hex(const char* text) {
    bench::u128 v = 0;
    for (const char* c = text; *c; ++c) {
        const int d = *c >= 'a' ? *c - 'a' + 10 : *c >= 'A' ? *c - 'A' + 10 : *c - '0';
        v = v * 16 + static_cast<unsigned>(d);
    }
    return v;
}

} // namespace

int main() {
    bench::AccuracyDump dump;
    char name[32], hex[64];
    while (std::scanf("%31s %63s", name, hex) == 2) {
        const Real x = bench::from_bits(parse_hex(hex));
        const Pair r = evaluate(name, x);
        dump.line(x, r.engine, r.library);
    }
    return dump.finish("verify_expr_functions", "libquadmath");
}
