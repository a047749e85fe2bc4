// The table of result scalars: 80 four-character names ($R2, $SSE, $ERR ...) with one binary128
// value each, addressed by the variable reference -k.
#pragma once

#include "numeric/real.hpp"

#include <array>
#include <string_view>

namespace tarvex {

inline constexpr int NRESULT = 80;

// Entry numbers of the scalars the engine sets by name.
enum ResultId : int {
    R_T = 1,
    R_F,
    R_CHI,
    R_DF1,
    R_DF2,
    R_STES,
    R_PDF,
    R_CDF,
    R_CRIT,
    R_R2,
    R_K,
    R_SIG2,
    R_LLF,
    R_RAW,
    R_SST,
    R_SSR,
    R_SSE,
    R_DF,
    R_ANF,
    R_ZSST,
    R_ZSSR,
    R_ZDF,
    R_ZANF,
    R_N,
    R_DW,
    R_R2OP,
    R_VAL,
    R_RHO,
    R_VAL1,
    R_VAL2,
    R_MISS,
    R_DURH,
    R_ERR,
    R_JB,
    R_ADR2,
    R_ROWS,
    R_COLS,
    R_DO,
    R_PI = 56,
    R_CT11,
    R_CT12,
    R_CT22,
    R_PVAL,
    R_FPE,
    R_LAIC,
    R_LSC,
    R_GCV,
    R_HQ,
    R_RICE,
    R_SHIB,
    R_SC,
    R_AIC,
    R_CV,
    R_CTES,
    R_R2AN,
    R_DATE,
    R_TIME,
    R_T6,
    R_T5,
    R_T4,
    R_T3,
    R_T2,
    R_T1,
};
static_assert(R_T1 == NRESULT, "the result table holds 80 names");

extern const std::array<const char*, NRESULT> RESULT_NAMES;

struct ResultScalars {
    std::array<Real, NRESULT + 1> value{}; // one-based
    Real& operator[](int k) { return value[k]; }
    Real operator[](int k) const { return value[k]; }
};

// Sets every entry to its initial value, PI to pi and MISS to the missing code.
void reset_result_scalars(ResultScalars& res, Real xmiss);
// Finds "$NAME" (or "NAME"): entry number k by its first four characters, 0 when unknown.
int find_result_scalar(std::string_view name);

} // namespace tarvex
