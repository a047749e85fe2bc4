// XXIT, the fatal stop: reports the code, lets a windowed host reset, and ends the run.
#include "core/fatal_stop.hpp"

#include "core/run.hpp"
#include "core/units.hpp"
#include "core/write_failure.hpp"

#include "numeric/fortran_format.hpp"

namespace tarvex {

void XXIT(Run& run, int code) {
    if (code != 0) {
        run.buf.line[1] = " ...ERROR..STOP ERROR CODE =" + fmt_I(code, 8);
        run.buf.IVL = 1;
        if (code == -3 || code == -4) {
            run.buf.line[2] = " ...ERROR..FORMAT TOO LONG, LIMIT IS 248 CHARACTERS";
            run.buf.IVL = 2;
        }
        FLUSH_BUFFER(run);
    }
    abandon_replacements(run); // a file the stopped command was writing whole stays as it was
    if (run.MOS >= 27 && run.MOS <= 33) {
        close_run_files(run);
        host_command(run, "RESET");
    }
    close_report_files(run);
    throw FatalStop{code};
}

} // namespace tarvex
