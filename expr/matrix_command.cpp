// The MATRIX command: compiles the statement with the matrix operators admitted, runs it on
// whole variables, and stores the result under the target name in a new slot; a variable that
// already had the name is blanked and counted as a hole. $ROWS and $COLS give the result's shape.
#include "expr/matrix_command.hpp"

#include "core/run.hpp"
#include "expr/matrix_executor.hpp"
#include "expr/program.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>

namespace tarvex {

namespace {

using expr::Matrix;

// The workspace form of a result: a column (or 1 by 1) is a data vector, a symmetric or
// triangle result keeps its type with all n by n elements, anything else is a matrix. False when
// the workspace could not take it.
bool store_result(Run& run, const std::string& name, const Matrix& m) {
    int type = m.type;
    if (type != TYPE_SYMMETRIC && type != TYPE_TRIANGLE)
        type = m.cols == 1 ? TYPE_DATA : TYPE_MATRIX;
    const int ncol = m.cols == 1 ? 1 : static_cast<int>(m.cols);
    Workspace& ws = run.ws;
    const int old = VFIND(run, name);
    ws.OATEN = old > 0; // never written over in place: the result takes a slot of its own
    int ref = 0;
    NEWVAR(run, name, 1, type, m.size(), std::max(ncol, 1), ref);
    if (ref <= 0 || run.flags.ODONT) return false;
    VarInfo info;
    if (!VINFO(run, ref, info)) return false;
    for (long long k = 1; k <= m.size(); ++k)
        element(run, info, k) = m.v[static_cast<std::size_t>(k - 1)];
    if (old > 0 && old != ref) {
        ws.VNAME[old] = std::string(ws.VNAME[old].size(), ' ');
        ++ws.NDL;
    }
    return true;
}

} // namespace

void cmd_matrix(Run& run) {
    const std::size_t start = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(run.cmd.col, 0)), run.cmd.text.size());
    const std::string_view text = std::string_view(run.cmd.text).substr(start);
    expr::CompileRequest request;
    request.form = expr::Form::ASSIGN;
    request.matrix = true;
    expr::Program program;
    if (!expr::GENR(run, text, request, program)) return;
    Matrix result;
    if (!expr::run_matrix_program(run, program, result)) return;
    if (!store_result(run, program.target_name, result)) return;
    run.res[R_ROWS] = Real(result.rows);
    run.res[R_COLS] = Real(result.cols);
}

} // namespace tarvex
