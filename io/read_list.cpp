// LIST after READ: the variables just read, listed by PRINT's routine.
#include "core/run.hpp"
#include "io/print_write.hpp"
#include "io/read_command.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

void list_read_variables(Run& run, const std::vector<std::string>& names, int beg, int end) {
    std::vector<int> refs;
    for (const std::string& name : names) {
        if (name == "SKIP$") continue;
        const int ref = VFIND(run, name);
        if (ref > 0) refs.push_back(ref);
    }
    if (!refs.empty()) print_after_read(run, refs, beg, end);
}

} // namespace tarvex
