// The shared engine library: the whole engine core is linked in, and the version script
// (engine.map) exports only TARVEXQX and the host registration calls TARVHostSetHandler and
// TARVHostSetReader. This file holds nothing else.
#include "host/tarvextern.hpp"
#include "interp/entry.hpp"
