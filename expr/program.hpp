// The compiled statement and the two entry points of the expression language: GENR compiles
// the current statement into four-integer instructions, TRANS runs them over the check range.
#pragma once

#include "expr/operations.hpp"
#include "numeric/real.hpp"

#include <climits>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {
struct Run;
}

namespace tarvex::expr {

// One compiled statement. Cells: 1..MAXVAR variables in list order (the target first),
// MCON0..ICON0-1 temporaries, ICON0..2*MAXVAR constants.
struct Program {
    std::vector<int> code;       // 4 integers per instruction; MGE = code.size()
    std::vector<int> vars;       // variable references of cells 1..NF (index 0 unused)
    std::vector<bool> direct;    // the cell's value at t is used (not only lagged or indexed)
    std::vector<Real> constants; // values of cells ICON0, ICON0 + 1, ...
    int MAXVAR = 0;
    int MCON0 = 0; // first temporary
    int ICON0 = 0; // first constant
    int MXGE = 0;  // capacity in integers
    int KCONMX = 0;
    int LHS = 0; // target reference (0 when the statement has none)
    int NLAG = 0;
    int NSUM = 0;
    int NL14 = 0;
    int NF = 0;
    bool ONEWV = false;      // the target is a new variable
    std::string target_name; // the target as written, cut to 8 characters
    int target_col = 0;      // column of a name:column target (0 when none)

    int MGE() const { return static_cast<int>(code.size()); }
    int instructions() const { return MGE() / 4; }
    int op(int k) const { return code[4 * k]; }
    int a(int k) const { return code[4 * k + 1]; }
    int b(int k) const { return code[4 * k + 2]; }
    int result(int k) const { return code[4 * k + 3]; }
    // MATRIX (`matrix` set): a variable's cell is its reference (slots, column references
    // above 2*MAXVAR); temporaries and constants keep their ranges.
    bool matrix = false;
    bool is_variable_cell(int cell) const {
        if (matrix) return cell != 0 && (cell < MCON0 || cell > 2 * MAXVAR);
        return cell >= 1 && cell <= NF;
    }
    bool is_constant_cell(int cell) const {
        return cell >= ICON0 && (!matrix || cell <= 2 * MAXVAR);
    }
};

// What the compiler is asked to compile.
enum class Form {
    ASSIGN,    // target = expression                (GENR, GEN1)
    IF,        // (condition) target = expression    (IF, IF1)
    CONDITION, // (condition)                        (SKIPIF, ENDIF)
    VALUE,     // expression                         (TEST and other callers)
};

struct CompileRequest {
    Form form = Form::ASSIGN;
    int condition_kind = KIND_SKIPIF; // for Form::CONDITION: KIND_SKIPIF or KIND_ENDIF
    int value_kind = KIND_TEST;       // for Form::VALUE
    bool calc = false;                // the calculator switch: every store prints instead
    int MXGE = 1 << 30;               // program capacity in integers
    bool matrix = false;              // OMAT: MATRIX operators and functions, cells are references
    // Looks a name up instead of the workspace (for callers that bind their own names);
    // returns a variable reference, or 0 for unknown. Empty: the workspace (VFIND).
    std::function<int(std::string_view)> find_name;
    // Errors are not written and do not stop later statements (OSCAN): the caller reports
    // the failure in its own words. ODONT is still set.
    bool silent = false;
    // A name bound to a file on disk (not in the work area) read by the statement: returns the
    // reference it is compiled as (OUTSIDE_REF_BASE and up, served by a WindowFeed), or 0 to
    // refuse it as needing the series in memory. Empty: every such name is refused.
    std::function<int(std::string_view)> outside_name;
};

// References of series outside the work area (OUTSIDE_REF_BASE + k): above every slot and
// every column reference.
inline constexpr int OUTSIDE_REF_BASE = INT_MAX - (1 << 16);

// Compiles the statement text `text` (the characters after the command word). On error the
// message has been written, ODONT (and OSCAN unless OTALK) is set, and false is returned;
// nothing in the workspace has been created or changed.
bool GENR(Run& run, std::string_view text, const CompileRequest& request, Program& program);

// Writes the "CODES" and "INPTNOUT" listing of a program.
void list_program(Run& run, const Program& program);

// Where TRANS runs and what it reports back.
struct TransRange {
    int first = 1;
    int last = 0;
    bool single = false; // GEN1 / IF1: one observation, skip codes not consulted
};
struct TransResult {
    bool ok = true;          // false: an error stopped the command (ODONT set)
    int LASTN = 0;           // last observation processed
    bool ONOTIF = true;      // no observation met the IF condition
    bool endif_true = false; // an ENDIF condition held (LHS marked -12345)
    int endif_obs = 0;
    Real value = 0; // final value at the last processed observation (TEST kind)
};

// Runs the program over the range; the target and input references come from program.vars.
TransResult TRANS(Run& run, const Program& program, const TransRange& range);

// A series outside the work area that a program reads or writes (a series bound to a file, a
// new target written to one), seen through a window of consecutive observations that the feed
// moves along: observation `first` is values[0]. The series holds observations 1..rows.
struct SeriesWindow {
    std::string name; // as messages show it
    long long rows = 0;
    Real* values = nullptr;
    long long first = 1;
};

// What TRANS_WINDOWED runs over: the windows of the outside series and the stretches of
// observations whose reads lie inside them.
class WindowFeed {
public:
    virtual ~WindowFeed() = default;
    // The window of variable cell `cell` (reference `ref`), or null for a work-area variable.
    virtual SeriesWindow* window(int cell, int ref) = 0;
    // Moves the windows on to the next stretch [from, to] of the range; false at the end of the
    // range or after a failure (the feed has reported it).
    virtual bool next_stretch(long long& from, long long& to) = 0;
};

// TRANS over the stretches of a feed, one after another in increasing order, the registers,
// random draws and skipped observations carried across them: the same values TRANS gives when
// the series are in memory.
TransResult TRANS_WINDOWED(Run& run, const Program& program, const TransRange& range,
                           WindowFeed& feed);

} // namespace tarvex::expr
