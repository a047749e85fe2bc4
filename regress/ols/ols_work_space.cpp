// Work-space reservations of the regression command, measured in binary128 words of the work
// area: what is free is MAXADD - LASADD, the words above the last variable.
#include "regress/ols/ols_work_space.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "kernels/durbin_watson_exact.hpp"
#include "numeric/fortran_format.hpp"
#include "regress/fit/ols_options.hpp"
#include "regress/ols/ols_command.hpp"

#include <algorithm>
#include <string>

namespace tarvex {

namespace {

constexpr long long KILOBYTE = 1024;
constexpr int SIZE_FIELD = 5;

long long free_words(const Run& run) {
    return run.ws.MAXADD - run.ws.LASADD;
}

} // namespace

long long householder_work_words(int nobs, int nregs, bool dwpvalue, bool autocorrelated) {
    const long long n = nobs, k = nregs;
    // The factored N x (K+1) matrix (the reflections stay in it), the K reflection scales, the
    // N residuals and the K x K inverse cross-product matrix.
    long long words = n * (k + 1) + k + n + k * k;
    if (dwpvalue) words += durbin_watson_work_words(nobs, nregs, autocorrelated);
    return words;
}

long long covariance_work_words(int nobs, int nregs) {
    const long long n = nobs, k = nregs;
    return n * k + 3 * k * k;
}

long long kilobytes_for(const Run& run, long long words) {
    const long long total = run.ws.LASADD + words;
    return (total * run.ws.NBYTES + KILOBYTE - 1) / KILOBYTE;
}

std::vector<std::string> householder_space_lines(const Run& run, long long words) {
    const long long kb = kilobytes_for(run, words);
    const std::string digits = std::to_string(kb);
    // The size is written in five columns; a larger one keeps all its digits.
    return {" ...ERROR..INSUFFICIENT SPACE FOR HOUSEHOLDER METHOD",
            " USE SIZE COMMAND: SIZE " + fmt_I(kb, std::max<int>(SIZE_FIELD, int(digits.size())))};
}

void householder_space_error(Run& run, long long words) {
    for (const std::string& line : householder_space_lines(run, words)) write_line(run, line);
    report_error(run, "");
}

bool reserve_ols_work_space(Run& run, const OlsOptions& o, int nobs, int nregs) {
    if (o.method() == OlsMethod::HH) {
        const long long need = householder_work_words(nobs, nregs, o.DWPVALUE, o.RHO != 0);
        if (need > free_words(run)) {
            householder_space_error(run, need);
            return false;
        }
    }
    if (o.HETCOV && covariance_work_words(nobs, nregs) > free_words(run)) {
        report_error(
            run, std::string(" ...ERROR..INSUFFICIENT MEMORY TO CORRECT COVARIANCE ") + "MATRIX",
            ERR_COLLINEAR);
        return false;
    }
    return true;
}

} // namespace tarvex
