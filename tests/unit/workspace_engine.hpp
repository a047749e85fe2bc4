// Test helper: a run with a small work area whose report lines are captured in memory, so that
// workspace tests can check stored words and the exact lines a user would see.
#pragma once

#include "core/result_scalars.hpp"
#include "core/run.hpp"
#include "core/units.hpp"
#include "workspace/workspace.hpp"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace tarvex::testing {

struct WorkspaceEngine {
    Run run;
    char* text = nullptr;
    std::size_t size = 0;

    WorkspaceEngine(int maxvar, long long maxadd) {
        run.MOS = MODE_CONSOLE;
        run.streams.out = open_memstream(&text, &size);
        attach_unit(run, run.L6, run.streams.out); // report lines go to unit 6
        run.ws.XMISS = -99999;
        if (!allocate_workspace(run.ws, maxvar, maxadd, 16)) std::abort();
        reset_workspace(run.ws);
        reset_result_scalars(run.res, run.ws.XMISS);
    }
    ~WorkspaceEngine() {
        close_unit(run, run.L6);
        std::fclose(run.streams.out);
        std::free(text);
    }
    WorkspaceEngine(const WorkspaceEngine&) = delete;
    WorkspaceEngine& operator=(const WorkspaceEngine&) = delete;

    // The report lines written so far (and forgets them).
    std::vector<std::string> lines() {
        std::fflush(run.streams.out);
        std::vector<std::string> out;
        std::istringstream in(std::string(text, size));
        for (std::string line; std::getline(in, line);) out.push_back(line);
        std::rewind(run.streams.out);
        size = 0;
        return out;
    }

    // Creates a whole variable and returns its reference.
    int make(std::string_view name, long long length, int type = TYPE_DATA, int ncol = 1) {
        int ref = 0;
        NEWVAR(run, name, 1, type, length, ncol, ref);
        return ref;
    }
    // Word `pos` of the work area, as an integer.
    long long word(long long pos) const { return static_cast<long long>(run.ws.DATA[pos]); }
    // Element k of the variable in `slot`.
    Real& elem(int slot, long long k) {
        VarInfo info;
        VINFO(run, slot, info);
        return element(run, info, k);
    }
    std::string name(int slot) const { return run.ws.VNAME[slot]; }
};

// A name as VNAME holds it: 24 characters, blank-padded.
inline std::string vname(std::string_view name) {
    std::string out(name);
    out.resize(24, ' ');
    return out;
}

} // namespace tarvex::testing
