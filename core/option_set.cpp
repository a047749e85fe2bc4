// Sizing and clearing the option set for a command's table.
#include "core/option_set.hpp"

namespace tarvex {

void OptionSet::prepare(const OptionTable& table) {
    counts[0] = table.nswitch;
    counts[1] = table.nint;
    counts[2] = table.nreal;
    counts[3] = table.nname;
    sw.assign(table.nswitch, false);
    iv.assign(table.nint, 0);
    igiven.assign(table.nint, false);
    rv.assign(table.nreal, 0);
    rgiven.assign(table.nreal, false);
    name.assign(table.nname, std::string());
    name_full.assign(table.nname, std::string());
}

} // namespace tarvex
