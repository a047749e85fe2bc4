// LIST after READ: the variables just read, listed one per column with their observations in
// 15-column general-format fields (7 significant digits), five to a line.
#include "interp/run.hpp"
#include "io/read_command.hpp"
#include "numeric/fortran_format.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

void list_read_variables(Run& run, const std::vector<std::string>& names) {
    if (!run.flags.OPUT) return;
    constexpr int PER_LINE = 5;
    std::vector<VarInfo> infos;
    std::vector<std::string> shown;
    long long rows = 0;
    for (const std::string& name : names) {
        const int ref = VFIND(run, name);
        VarInfo info;
        if (name == "SKIP$" || ref <= 0 || !VINFO(run, ref, info) || info.type >= TYPE_CHAR_STRING)
            continue;
        infos.push_back(info);
        shown.push_back(name);
        rows = std::max(rows, info.length / std::max(info.ncol, 1) * std::max(info.ncol, 1));
    }
    for (std::size_t first = 0; first < infos.size(); first += PER_LINE) {
        const std::size_t last = std::min(infos.size(), first + PER_LINE);
        std::string heading = "      ";
        for (std::size_t j = first; j < last; ++j) heading += fmt_X(7) + fmt_A(shown[j], 8);
        write_line(run, heading);
        long long length = 0;
        for (std::size_t j = first; j < last; ++j) length = std::max(length, infos[j].length);
        for (long long k = 1; k <= length; ++k) {
            std::string line = fmt_I(k, 6);
            for (std::size_t j = first; j < last; ++j)
                line += k <= infos[j].length ? fmt_G(element(run, infos[j], k), 15, 7)
                                             : std::string(15, ' ');
            write_line(run, line);
        }
    }
}

} // namespace tarvex
