// The work space a regression reserves in the work area before it estimates: the Householder
// solver's copy of the data matrix and its reflections, with the N x N matrices of the exact
// Durbin-Watson test when it is asked for, and the matrices of the robust covariance. A need
// beyond the free words stops the command with the method's own message.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct Run;
struct OlsOptions;

// The work area as the front end reads it: words in use (LASADD), the last word (MAXADD) and
// the bytes of a word, for the estimators that check or name a size without the run.
struct WorkAreaSize {
    long long used = 0, limit = 0;
    int bytes_per_word = 0;
    long long free_words() const { return limit - used; }
};
WorkAreaSize work_area_size(const Run& run);

// Words (binary128) the Householder method needs for N observations and K regressors: the
// N x (K+1) data matrix holding the reflections, their K scales, the N residuals, the K x K
// inverse, and, with DWPVALUE, the exact test's matrices (durbin_watson_work_words; twice the
// N x N part when RHO is given).
long long householder_work_words(int nobs, int nregs, bool dwpvalue, bool autocorrelated);
// Words the robust covariance needs: the weighted N x K rows and three K x K matrices.
long long covariance_work_words(int nobs, int nregs);
// The work-area size in kilobytes (the PAR value) that leaves `words` free.
long long kilobytes_for(const WorkAreaSize& area, long long words);

// Checks the reservations of the chosen method and options against the free work area: the
// lines that say they do not fit (" ...ERROR..INSUFFICIENT SPACE FOR HOUSEHOLDER METHOD" with
// the size to ask for, or the covariance message) and the $ERR number (6017 for the
// covariance, 0 for Householder); no lines when they fit.
struct WorkSpaceShortage {
    std::vector<std::string> lines;
    int number = 0;
};
WorkSpaceShortage ols_work_space_shortage(const WorkAreaSize& area, const OlsOptions& o, int nobs,
                                          int nregs);
// The front end's check: false after writing the shortage and ending the command.
bool reserve_ols_work_space(Run& run, const OlsOptions& o, int nobs, int nregs);

// The two lines of the Householder space message, with the size to ask for.
std::vector<std::string> householder_space_lines(const WorkAreaSize& area, long long words);

} // namespace tarvex
