// The terms of third order in a short step of the binary PROBIT and LOGIT log-likelihood, in
// double. After a Newton step d taken on the quadratic model of the point b it leaves (no pass
// over the rows at its end), the log-likelihood and gradient at b + d are the model's plus
//   sum_i c_i (x_i'd)^3 / 6   and   sum_i c_i (x_i'd)^2 x_i / 2,
// c_i the third derivative of row i's log F(q_i z) in z at b (times the row's weight), to terms
// of fourth order in x_i'd. Next to the model's terms these are of the order of the step
// relative to them: after a step at double's rounding (1e-16) they need only a few digits, which
// double gives at a small fraction of the cost of a binary128 pass, and what they leave out is
// far below binary128's resolution. The fit's last Newton step is taken from those sums.
#pragma once

#include "numeric/real.hpp"
#include "regress/choice/binary_rows.hpp"
#include "regress/choice/choice_link.hpp"
#include "regress/choice/choice_pass.hpp"

#include <vector>

namespace tarvex {

// A row whose index moves by more than this along the step marks the terms not defined: the
// terms of fourth order would no longer be below binary128's resolution.
inline constexpr double STEP_TERMS_REACH = 1e-12;

// Adds the terms of the rows of `rows` along d from b into `sums` (sized for the columns, after
// what it holds): the log-likelihood's into llf, the gradient's into gradient. The rows are
// summed in double chunk by chunk (PASS_CHUNK, on the threads), each chunk's sums rounded once to
// binary128 and the chunks added in order, so that blocks of rows cut at whole chunks give the
// sums of all of them. A row whose index moves by more than `reach` (STEP_TERMS_REACH for the
// fit's last step), or whose terms are not finite, marks the sums not defined, with `first_row`
// + its index as the failed row.
void add_binary_step_terms(ChoiceLink link, const BinaryRows& rows, const std::vector<Real>& b,
                           const std::vector<Real>& d, double reach, PassSums& sums,
                           long long first_row);

} // namespace tarvex
