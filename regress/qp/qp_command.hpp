// QP: a convex quadratic program from numeric variables (QP Q c [A b] / options).
#pragma once

namespace tarvex {

struct Run;
void cmd_qp(Run& run);

} // namespace tarvex
