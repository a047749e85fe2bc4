// The welcome banner that opens every command loop, and the timing lines of SET TIMER.
#include "interp/entry.hpp"

#include "interp/version.hpp"
#include "numeric/fortran_format.hpp"

#include <chrono>
#include <ctime>

namespace tarvex {

void write_banner(Run& run) {
    LineBuffer& buf = run.buf;
    buf.line[1] = " Welcome to";
    buf.line[2] = " TARVEX (Quadruple Precision) Version " + std::string(TARVEX_VERSION);
    buf.line[3] = " Hello/Bonjour/Aloha/Howdy/G Day/Kia Ora/Konnichiwa"
                  "/Buenos Dias/Nee Hau/Ciao";
    buf.line[4] = " PAR=" + fmt_I(run.sizes.IPAR, 10);
    buf.IVL = 4;
    FLUSH_BUFFER(run);
}

void write_timing(Run& run) {
    if (!run.sw[OTIM]) return;
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now() - run.wall_start)
                       .count();
    std::clock_t cpu = std::clock() - run.cpu_start;
    Real wall_seconds = Real(static_cast<long long>(elapsed)) / 1000000;
    Real cpu_seconds = Real(static_cast<long long>(cpu)) / CLOCKS_PER_SEC;
    run.buf.line[1] = " " + fmt_F(wall_seconds, 12, 3) + " SEC. ACTUAL TIME";
    run.buf.line[2] = " " + fmt_F(cpu_seconds, 12, 3) + " SEC. CPU TIME";
    run.buf.IVL = 2;
    FLUSH_BUFFER(run);
}

} // namespace tarvex
