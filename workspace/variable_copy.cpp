// Copies of variables out of and back into the workspace, for SAVE/RESTORE and the data bank.
#include "workspace/variable_copy.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "numeric/text.hpp"
#include "workspace/maintenance.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

VariableCopy copy_variable(Run& run, int slot) {
    VariableCopy var;
    VarInfo info;
    VINFO(run, slot, info);
    var.name = trim_trailing_blanks(run.ws.VNAME[slot]).substr(0, 8);
    var.type = info.type;
    var.length = info.addr > 0 ? info.length : 0;
    var.ncol = std::max(info.ncol, 1);
    var.elements.reserve(static_cast<std::size_t>(var.length));
    for (long long k = 1; k <= var.length; ++k) var.elements.push_back(element(run, info, k));
    const auto labels = run.ws.value_labels.find(run.ws.VNAME[slot]);
    if (labels != run.ws.value_labels.end()) var.labels = labels->second;
    return var;
}

bool replace_variable(Run& run, const VariableCopy& var) {
    int ref = 0;
    NEWVAR(run, var.name, 1, var.type, var.length, var.ncol, ref);
    if (ref <= 0) return false;
    Workspace& ws = run.ws;
    VarInfo info;
    VINFO(run, ref, info);
    const long long addr = info.addr; // NEWVAR lays every record out consecutively (INC 1)
    // An existing longer variable keeps its storage: its header takes the copy's shape.
    ws.DATA[addr + 1] = var.type;
    ws.DATA[addr + 2] = static_cast<Real>(var.length);
    ws.DATA[addr + 3] = var.ncol;
    for (long long k = 1; k <= var.length; ++k)
        ws.DATA[addr + 3 + k] = var.elements[static_cast<std::size_t>(k - 1)];
    if (var.labels.empty())
        ws.value_labels.erase(ws.VNAME[ref]);
    else
        ws.value_labels[ws.VNAME[ref]] = var.labels;
    return true;
}

} // namespace tarvex
