// AUTO depvar indeps / ORDER= METHOD= options: least squares with AR(1) or AR(2) errors.
#pragma once

namespace tarvex {

struct Run;

void cmd_auto(Run& run);

} // namespace tarvex
