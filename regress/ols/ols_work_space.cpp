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

} // namespace

WorkAreaSize work_area_size(const Run& run) {
    return {run.ws.LASADD, run.ws.MAXADD, run.ws.NBYTES};
}

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

long long kilobytes_for(const WorkAreaSize& area, long long words) {
    const long long total = area.used + words;
    return (total * area.bytes_per_word + KILOBYTE - 1) / KILOBYTE;
}

std::vector<std::string> householder_space_lines(const WorkAreaSize& area, long long words) {
    const long long kb = kilobytes_for(area, words);
    const std::string digits = std::to_string(kb);
    // The size is written in five columns; a larger one keeps all its digits.
    return {" ...ERROR..INSUFFICIENT SPACE FOR HOUSEHOLDER METHOD",
            " USE SIZE COMMAND: SIZE " + fmt_I(kb, std::max<int>(SIZE_FIELD, int(digits.size())))};
}

WorkSpaceShortage ols_work_space_shortage(const WorkAreaSize& area, const OlsOptions& o, int nobs,
                                          int nregs) {
    if (o.method() == OlsMethod::HH) {
        const long long need = householder_work_words(nobs, nregs, o.DWPVALUE, o.RHO != 0);
        if (need > area.free_words())
            return {householder_space_lines(area, need), ERR_HOUSEHOLDER_SPACE};
    }
    if (o.HETCOV && covariance_work_words(nobs, nregs) > area.free_words())
        return {{std::string(" ...ERROR..INSUFFICIENT MEMORY TO CORRECT COVARIANCE ") + "MATRIX"},
                ERR_COLLINEAR};
    return {};
}

bool reserve_ols_work_space(Run& run, const OlsOptions& o, int nobs, int nregs) {
    const WorkSpaceShortage shortage = ols_work_space_shortage(work_area_size(run), o, nobs, nregs);
    if (shortage.lines.empty()) return true;
    for (std::size_t i = 0; i + 1 < shortage.lines.size(); ++i) write_line(run, shortage.lines[i]);
    report_error(run, shortage.lines.back(), shortage.number);
    return false;
}

} // namespace tarvex
