// The table of result scalars: the 80 four-character names in their fixed order, the lookup of a
// "$" name by its first four characters and the values a reset of the run leaves in them.
#include "core/result_scalars.hpp"

#include <cctype>

namespace tarvex {

// One name per entry; the entry number k is passed between commands as the reference -k.
const std::array<const char*, NRESULT> RESULT_NAMES = {
    "T",    //  1 t statistic of the last test
    "F",    //  2 F statistic of the last test
    "CHI",  //  3 Wald chi-square of the last test
    "DF1",  //  4 numerator degrees of freedom
    "DF2",  //  5 denominator degrees of freedom
    "STES", //  6 standard error of the last test value
    "PDF",  //  7 density value
    "CDF",  //  8 cumulative probability, Durbin-Watson p-value
    "CRIT", //  9 critical value
    "R2",   // 10 R-square
    "K",    // 11 number of coefficients
    "SIG2", // 12 error variance
    "LLF",  // 13 log-likelihood
    "RAW",  // 14 raw-moment R-square
    "SST",  // 15 total sum of squares about the mean
    "SSR",  // 16 regression sum of squares
    "SSE",  // 17 error sum of squares
    "DF",   // 18 error degrees of freedom
    "ANF",  // 19 analysis-of-variance F from the mean
    "ZSST", // 20 total sum of squares from zero
    "ZSSR", // 21 regression sum of squares from zero
    "ZDF",  // 22 degrees of freedom of the table from zero
    "ZANF", // 23 analysis-of-variance F from zero
    "N",    // 24 observations used
    "DW",   // 25 Durbin-Watson statistic
    "R2OP", // 26 R-square of observed against predicted
    "VAL",  // 27 value of the last tested expression
    "RHO",  // 28 first-order residual autocorrelation
    "VAL1", // 29 first value of a two-value test
    "VAL2", // 30 second value of a two-value test
    "MISS", // 31 missing-data code
    "DURH", // 32 Durbin's h
    "ERR",  // 33 number of the last error
    "JB",   // 34 Jarque-Bera statistic
    "ADR2", // 35 adjusted R-square
    "ROWS", // 36 rows of the last matrix result
    "COLS", // 37 columns of the last matrix result
    "DO",   // 38 DO-loop index, level 1
    "DO2",  // 39
    "DO3",  // 40
    "DO4",  // 41
    "DO5",  // 42
    "DO6",  // 43
    "DO7",  // 44
    "DO8",  // 45
    "DO9",  // 46
    "DO10", // 47
    "DO11", // 48
    "DO12", // 49
    "DO13", // 50
    "DO14", // 51
    "DO15", // 52
    "DO16", // 53
    "DO17", // 54
    "DO18", // 55 DO-loop index, level 18
    "PI",   // 56 pi
    "CT11", // 57 covariance of a two-value test (1,1)
    "CT12", // 58 (1,2)
    "CT22", // 59 (2,2)
    "PVAL", // 60 p-value of the last test
    "FPE",  // 61 final prediction error
    "LAIC", // 62 log Akaike criterion
    "LSC",  // 63 log Schwarz criterion
    "GCV",  // 64 generalised cross-validation
    "HQ",   // 65 Hannan-Quinn criterion
    "RICE", // 66 Rice criterion
    "SHIB", // 67 Shibata criterion
    "SC",   // 68 Schwarz criterion
    "AIC",  // 69 Akaike criterion
    "CV",   // 70 cross-validation value
    "CTES", // 71 time-series diagnostic statistic
    "R2AN", // 72 R-square of the residual diagnostics
    "DATE", // 73 current date
    "TIME", // 74 current time
    "T6",   // 75 auxiliary values
    "T5",   // 76
    "T4",   // 77
    "T3",   // 78
    "T2",   // 79
    "T1",   // 80
};
static_assert(RESULT_NAMES.size() == NRESULT, "one name per result scalar");

void reset_result_scalars(ResultScalars& res, Real xmiss) {
    // Entries that no command has set yet read as zero; only PI and MISS have fixed values.
    res.value.fill(0);
    res[R_PI] = M_PIq;
    res[R_MISS] = xmiss;
}

int find_result_scalar(std::string_view name) {
    if (!name.empty() && name.front() == '$') name.remove_prefix(1);
    // The first four characters, upper case, blank-padded, as the table holds them.
    char key[5] = "    ";
    for (std::size_t pos = 0; pos < 4 && pos < name.size(); ++pos)
        key[pos] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[pos])));
    for (int k = 1; k <= NRESULT; ++k) {
        char entry[5] = "    ";
        const char* text = RESULT_NAMES[k - 1];
        for (int pos = 0; pos < 4 && text[pos] != '\0'; ++pos) entry[pos] = text[pos];
        if (std::string_view(entry, 4) == std::string_view(key, 4)) return k;
    }
    return 0;
}

} // namespace tarvex
