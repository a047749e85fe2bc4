// The debug listing of a compiled program: "CODES" with one instruction (four integers of 8
// columns) per line, and "INPTNOUT" with the variable references of cells 1..NF, nine per line.
#include "expr/program.hpp"

#include "core/run.hpp"
#include "numeric/fortran_format.hpp"

namespace tarvex::expr {

void list_program(Run& run, const Program& program) {
    write_line(run, " CODES");
    for (int k = 0; k < program.instructions(); ++k)
        write_line(run, fmt_I(program.op(k), 8) + fmt_I(program.a(k), 8) + fmt_I(program.b(k), 8) +
                            fmt_I(program.result(k), 8));
    write_line(run, " INPTNOUT");
    std::string line;
    for (int k = 1; k <= program.NF; ++k) {
        line += fmt_I(program.vars[k], 8);
        if (k % 9 == 0 || k == program.NF) {
            write_line(run, line);
            line.clear();
        }
    }
}

} // namespace tarvex::expr
