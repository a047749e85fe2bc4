// NONPAR series / options: the kernel density of one series. NONPAR y x / options: the kernel
// regression of y on x (Nadaraya-Watson or local linear).
#pragma once

namespace tarvex {

struct Run;

void cmd_nonpar(Run& run);

} // namespace tarvex
