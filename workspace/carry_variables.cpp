// Carrying variables across a PAR/SIZE reallocation of the work area.
#include "workspace/carry_variables.hpp"

#include "core/run.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

namespace {

bool is_hole(const std::string& name) {
    return name.find_first_not_of(' ') == std::string::npos;
}

} // namespace

void carry_variables(Run& run) {
    Workspace& ws = run.ws;
    run.carried.clear();
    for (int slot = 1; slot <= ws.NVARS; ++slot) {
        if (is_hole(ws.VNAME[slot])) continue;
        VarInfo info;
        if (!VINFO(run, slot, info)) continue;
        CarriedVariable var;
        var.name = trim_trailing_blanks(ws.VNAME[slot]);
        var.type = info.type;
        var.length = info.length;
        var.ncol = info.ncol;
        var.elements.reserve(static_cast<std::size_t>(info.length));
        for (long long k = 1; k <= info.length; ++k) var.elements.push_back(element(run, info, k));
        run.carried.push_back(std::move(var));
    }
    run.flags.OPAR = true;
}

void restore_carried_variables(Run& run) {
    for (const CarriedVariable& var : run.carried) {
        int ref = 0;
        NEWVAR(run, var.name, 1, var.type, var.length, var.ncol, ref);
        if (ref <= 0) continue;
        VarInfo info;
        if (!VINFO(run, ref, info)) continue;
        for (long long k = 1; k <= var.length; ++k)
            element(run, info, k) = var.elements[static_cast<std::size_t>(k - 1)];
    }
    run.carried.clear();
    run.flags.OPAR = false;
}

} // namespace tarvex
