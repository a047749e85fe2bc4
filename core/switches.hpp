// The switch block: the 54 logical switches that SET changes and every command reads,
// numbered in SET-table order so that the option parser can address them by position.
#pragma once

#include <array>

namespace tarvex {

enum SwitchId : int {
    OECHO,
    OBAT,
    OTERM,
    OFLUSH,
    OKOD,
    ODMMP,
    OTRACE,
    ORESV8,
    OSCAN,
    OVER,
    OTALK,
    ODELL,
    OMXX,
    OALL,
    OFULL,
    OFMT,
    OLONG,
    OTIM,
    OOPT,
    OOPUT,
    OSKIP,
    OSMPL,
    OFREN,
    ORANST,
    OLCOM,
    ODECHO,
    OWARN,
    OHTM,
    ODISK,
    ONWT,
    OBACK,
    OCC,
    OPAUSE,
    OLC,
    OGRAPH,
    OBAN,
    OWIDE,
    OSCR,
    OCOLOR,
    OSKWRN,
    OSTA,
    OJAP,
    OSMISS,
    OLDDO,
    ODB,
    OMSWRN,
    OUMIN,
    OCONT,
    OBYV,
    OXMLG,
    ODEB,
    OD52,
    OD53,
    OD54,
    NSWITCH
};
static_assert(NSWITCH == 54, "the switch block holds 54 switches");

struct SwitchBlock {
    std::array<bool, NSWITCH> o{};
    bool& operator[](SwitchId id) { return o[id]; }
    bool operator[](SwitchId id) const { return o[id]; }
};

} // namespace tarvex
