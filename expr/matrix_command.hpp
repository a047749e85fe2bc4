// The MATRIX command: target = expression on whole matrices.
#pragma once

namespace tarvex {

struct Run;

void cmd_matrix(Run& run);

} // namespace tarvex
