// The variable workspace's storage: one work area of binary128 words (DATA) holding every
// variable's four-word header and elements, the slot table KADD, the name table VNAME and the
// counters, and the header of one variable as VINFO reports it.
#pragma once

#include "core/bound_series.hpp"
#include "numeric/real.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarvex {

// Type codes of a variable record.
enum VarType : int {
    TYPE_DATA = 1,
    TYPE_MATRIX = 2,
    TYPE_SYMMETRIC = 3,
    TYPE_TRIANGLE = 4,
    TYPE_CHAR_STRING = 5,
    TYPE_CHAR_VAR = 6,
};

// Reference ranges: slots 1..MAXVAR, MATRIX temporaries MAXVAR+1..2*MAXVAR, column references
// above 2*MAXVAR, result scalars -1..-9000, marked references below -9000.
inline constexpr int MARK_BASE = -9000;

struct Workspace {
    // DATA is one-based: DATA[1] .. DATA[MAXADD]; the storage is not zeroed on allocation.
    std::unique_ptr<Real[]> data_store;
    Real* DATA = nullptr;           // data_store.get() - 1, so DATA[1] is the first word
    std::vector<int> KADD;          // one-based, 2*MAXVAR + 1 entries
    std::vector<std::string> VNAME; // one-based, 24-character blank-padded names; blank = hole

    int MAXVAR = 1000;
    int NVARS = 0;
    int NDL = 0;
    long long MAXADD = 0;
    long long LASADD = 0;
    long long NEED = 0;
    int NBYTES = 16;
    long long NAR = 0;
    int MXCOL = 1000;
    Real XMISS = -99999;
    // Category labels of coded series (code k has label k), by the 24-character VNAME form of
    // the series' name; kept by RENAME, dropped by DELETE and by a reset of the workspace.
    std::map<std::string, std::vector<std::string>> value_labels;
    // Series bound to a file on disk (READ ... / BIND): not variables of the work area; a name
    // is in the registry or in the variable table, never both.
    BoundRegistry bound;

    // One-shot options of NEWVAR, restored to these defaults on every return.
    bool OZVR = true;
    bool OATEN = false;
    bool ONVAR = false;
};

// Header of one variable as VINFO reports it.
struct VarInfo {
    long long addr = 0; // index in DATA of the header word INC (0 for result scalars)
    int inc = 1;
    int type = 1;
    long long length = 0;
    int ncol = 1;
    int scalar = 0; // k for the result scalar -k (element() then reads run.res[k]), else 0
};

} // namespace tarvex
