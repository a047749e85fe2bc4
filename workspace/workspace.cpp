// The variable workspace: allocation and reset of the work area, name classification and lookup
// (NAMCHK, VFIND), reading a variable reference's header (VINFO) and addressing its elements.
#include "workspace/workspace.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/fortran_format.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <new>

namespace tarvex {

namespace {

inline constexpr std::size_t NAME_WIDTH = 24;

// 16-character type descriptions, printed as two 8-character halves.
struct TypeRow {
    int code;
    const char* text;
};
inline constexpr std::array<TypeRow, 6> TYPE_TABLE = {{
    {TYPE_DATA, "DATA            "},
    {TYPE_MATRIX, "MATRIX          "},
    {TYPE_SYMMETRIC, "SYMMETRIC MATRIX"},
    {TYPE_TRIANGLE, "TRIANGLE MATRIX "},
    {TYPE_CHAR_STRING, "CHARACTER STRING"},
    {TYPE_CHAR_VAR, "CHARACTER VAR.  "},
}};
static_assert(TYPE_TABLE.size() == TYPE_CHAR_VAR, "one description per type code");

// Reads the four header words of the record at `addr`. A record with INC = 0 holds no data and
// reads as zeros; a negative INC is taken as consecutive header words.
void read_header(const Workspace& ws, long long addr, VarInfo& info) {
    info = VarInfo{};
    if (addr < 1 || addr + 3 > ws.MAXADD) {
        info.length = 0;
        return; // a slot not placed yet (KADD 0) reads as no variable
    }
    info.addr = addr;
    info.inc = static_cast<int>(ws.DATA[addr]);
    const long long step = info.inc < 0 ? 1 : info.inc;
    info.type = static_cast<int>(ws.DATA[addr + step]);
    info.length = static_cast<long long>(ws.DATA[addr + 2 * step]);
    info.ncol = static_cast<int>(ws.DATA[addr + 3 * step]);
}

} // namespace

bool allocate_workspace(Workspace& ws, int maxvar, long long maxadd, int nbytes) {
    ws.data_store.reset();
    ws.DATA = nullptr;
    if (maxvar < 1 || maxadd < 1) return false;
    // The words are left as the allocator gives them: start-up must not touch every page.
    ws.data_store.reset(new (std::nothrow) Real[maxadd]);
    if (!ws.data_store) return false;
    try {
        ws.KADD.assign(2 * static_cast<std::size_t>(maxvar) + 1, 0);
        ws.VNAME.assign(static_cast<std::size_t>(maxvar) + 1, std::string(NAME_WIDTH, ' '));
    } catch (const std::bad_alloc&) {
        ws.data_store.reset();
        return false;
    }
    ws.DATA = ws.data_store.get() - 1;
    ws.MAXVAR = maxvar;
    ws.MAXADD = maxadd;
    ws.NBYTES = nbytes;
    ws.NAR = maxadd * nbytes;
    return true;
}

void reset_workspace(Workspace& ws) {
    ws.NVARS = 0;
    ws.NDL = 0;
    ws.LASADD = 0;
    ws.NEED = 0;
    ws.MXCOL = std::max(2 * ws.MAXVAR, 1000);
    std::fill(ws.KADD.begin(), ws.KADD.end(), 0);
    for (auto& name : ws.VNAME) name.assign(NAME_WIDTH, ' ');
    ws.value_labels.clear();
    clear_bindings(ws.bound);
    ws.OZVR = true;
    ws.OATEN = false;
    ws.ONVAR = false;
}

int NAMCHK(std::string_view word) {
    if (word.empty()) return -1;
    const char first = word.front();
    if (first >= '0' && first <= '9') return 0;
    if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')) return 1;
    return -1;
}

std::string padded_name(std::string_view name, bool upper) {
    std::string out(NAME_WIDTH, ' ');
    for (std::size_t pos = 0; pos < NAME_WIDTH && pos < name.size(); ++pos) {
        const auto ch = static_cast<unsigned char>(name[pos]);
        out[pos] = upper ? static_cast<char>(std::toupper(ch)) : static_cast<char>(ch);
    }
    return out;
}

int find_variable(const Workspace& ws, std::string_view name, bool lower_case_names) {
    const bool has_dollar = name.find('$') != std::string_view::npos;
    const std::string key = padded_name(name, lower_case_names || has_dollar);
    if (key.find_first_not_of(' ') == std::string::npos) return 0; // blanks are holes
    for (int slot = 1; slot <= ws.NVARS; ++slot)
        if (ws.VNAME[slot] == key) return slot;
    if (!name.empty() && name.front() == '$') {
        const int k = find_result_scalar(name);
        return k > 0 ? -k : 0;
    }
    return 0;
}

int reference_slot(const Workspace& ws, int ref) {
    if (ref <= 2 * ws.MAXVAR) return ref;
    int col = ref % ws.MXCOL;
    if (col == 0) col = ws.MXCOL;
    return (ref - col) / ws.MXCOL;
}

VarStatus variable_info(const Workspace& ws, int ref, VarInfo& info, int& column) {
    info = VarInfo{};
    column = 0;
    if (ref < MARK_BASE) ref = MARK_BASE - ref; // marked reference: same variable as the slot
    if (ref == 0) return VarStatus::FOUND;
    if (ref < 0) {
        // A result scalar behaves as a type-1 scalar with no workspace address.
        info.length = 1;
        info.scalar = -ref;
        return VarStatus::FOUND;
    }
    if (ref <= 2 * ws.MAXVAR) {
        read_header(ws, ws.KADD[ref], info);
        return VarStatus::FOUND;
    }
    // Column reference col + MXCOL * slot; a remainder of 0 is column MXCOL.
    int col = ref % ws.MXCOL;
    if (col == 0) col = ws.MXCOL;
    const int slot = (ref - col) / ws.MXCOL;
    if (slot < 1 || slot > 2 * ws.MAXVAR) return VarStatus::FOUND;
    read_header(ws, ws.KADD[slot], info);
    if (info.addr == 0) return VarStatus::FOUND;
    column = col;
    if (info.ncol == 1) {
        // A column of a vector is its element col, taken as a scalar.
        if (col > info.length) return VarStatus::COLUMN_BEYOND;
        info.addr += static_cast<long long>(col - 1) * info.inc;
        info.length = 1;
        return VarStatus::FOUND;
    }
    if (col > info.ncol) return VarStatus::COLUMN_BEYOND;
    const long long rows = info.ncol > 0 ? info.length / info.ncol : 0;
    info.addr += static_cast<long long>(col - 1) * rows;
    info.length = rows;
    info.ncol = 1; // one column, addressed as a vector
    return VarStatus::FOUND;
}

Real& element(Workspace& ws, ResultScalars& res, const VarInfo& info, long long k) {
    if (info.scalar > 0) return res[info.scalar];
    if (info.addr == 0) return res.value[0]; // reference 0: a scratch word
    return ws.DATA[info.addr + (3 + k) * info.inc];
}

int VFIND(Run& run, std::string_view name) {
    return find_variable(run.ws, name, run.sw[OLC]);
}

bool VINFO(Run& run, int ref, VarInfo& info) {
    int column = 0;
    if (variable_info(run.ws, ref, info, column) == VarStatus::FOUND) return true;
    report_error(run, " ...ERROR..ROW OR COLUMN" + fmt_I(column, 5) + " EXCEEDS VARIABLE SIZE",
                 shared_error::BEYOND_VARIABLE);
    return false;
}

Real& element(Run& run, const VarInfo& info, long long k) {
    return element(run.ws, run.res, info, k);
}

std::string_view type_description(int type) {
    for (const TypeRow& row : TYPE_TABLE)
        if (row.code == type) return row.text;
    return "                ";
}

} // namespace tarvex
