// GME depvar indeps / BSUPPORT=matrix [ESUPPORT=vector EPOINTS=J] options: the linear model
// by generalised maximum entropy.
#pragma once

namespace tarvex {

struct Run;

void cmd_gme(Run& run);

} // namespace tarvex
