// How an iterative kernel lets the person running the program stop it. The kernel knows nothing
// of where a request to stop comes from (Ctrl-C at the terminal): its caller hands it a callable,
// asked between iterations (and between the halvings of a step), that returns when the work is to
// go on and throws when it is to stop. The exception passes through the kernel, which holds
// nothing that its destructors do not release, so the command ends with nothing half-made.
#pragma once

#include <functional>

namespace tarvex {

using InterruptCheck = std::function<void()>;

// Asks `check` (nothing when none was given).
inline void check_for_interrupt(const InterruptCheck& check) {
    if (check) check();
}

} // namespace tarvex
