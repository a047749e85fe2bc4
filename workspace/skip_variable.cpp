// The skip variable SKIP$: finding it (LSKIP is looked up, never cached, so it follows SKIP$
// wherever NEWVAR, DELETE, compaction or RESET move it), creating it, and reading its codes.
#include "workspace/sample.hpp"

#include "core/run.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {
const std::string SKIP_NAME = padded_name("SKIP$", true);
} // namespace

int skip_slot(const Run& run) {
    const Workspace& ws = run.ws;
    for (int slot = 1; slot <= ws.NVARS; ++slot)
        if (ws.VNAME[slot] == SKIP_NAME) return slot;
    return 0;
}

long long LSKIP(const Run& run) {
    const int slot = skip_slot(run);
    if (slot == 0) return 0;
    const long long addr = run.ws.KADD[slot];
    // A record without data (INC 0, as a name the scanner reserved) holds no codes yet.
    if (addr <= 0 || static_cast<int>(run.ws.DATA[addr]) == 0) return 0;
    return addr + 3;
}

SkipCodes skip_codes(Run& run) {
    const long long lskip = LSKIP(run);
    if (lskip == 0) return {};
    SkipCodes view;
    view.codes = run.ws.DATA + lskip;
    view.length = static_cast<long long>(run.ws.DATA[lskip - 1]); // LENGTH, the word before
    return view;
}

bool obs_in_use(const Run& run, int t) {
    const long long lskip = LSKIP(run);
    if (lskip == 0 || t < 1) return true;
    const long long length = static_cast<long long>(run.ws.DATA[lskip - 1]);
    if (t > length) return true;
    return run.ws.DATA[lskip + t] <= 0;
}

bool make_skip_variable(Run& run, long long length) {
    int ref = 0;
    NEWVAR(run, "SKIP$", 1, TYPE_DATA, length, 1, ref);
    return ref > 0;
}

void reset_sample(SampleBlock& smpl) {
    smpl = SampleBlock{};
}

int count_skipped(const Run& run, int first, int last) {
    const long long lskip = LSKIP(run);
    if (lskip == 0) return 0;
    const long long length = static_cast<long long>(run.ws.DATA[lskip - 1]);
    int skipped = 0;
    for (long long t = std::max(first, 1); t <= last && t <= length; ++t)
        if (run.ws.DATA[lskip + t] > 0) ++skipped;
    return skipped;
}

} // namespace tarvex
