// The FCAST option table (shared by DIAGNOSE) and the settings a forecast reads from it: the
// defaults from the SET switches and the sample, and the implications between options.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"

#include <string>

namespace tarvex {

struct Run;

// The 64 keywords in their four groups (32 switches, 15 integers, 5 reals, 12 names).
const OptionTable& fcast_option_table();

// Values of RHO and SRHO that mean "not given".
inline constexpr int RHO_NOT_GIVEN = -999;

struct FcastOptions {
    // switches
    bool MAX = false, CONSTANT = true, LIST = false, GF = false, RSTAT = true, UPPER = false;
    bool BLUP = false, IBLUP = false, GNU = false, DYNAMIC = false, RECURSIV = false;
    bool ACF = false, DUMP = false, RECESTIM = true, RECRESID = true, LM = false;
    bool BACKWARD = false, CHOWTEST = false, RESET = false, BOOTLIST = false;
    bool HETEROSC = false, JACKKNIF = false, AFCSE = false, PERCENT = false, APPEND = false;
    bool CTEST = false, MEANPRED = false, WHITETES = true, WIDE = false, HANSEN = false;
    bool GRAPHICS = false, FIXED = false;
    // integers
    int BEG = 1, END = 1, ORDER = 0, LAG = 0, MHET = 0, BOOTSAMP = 0, BOOTUNIT = 0;
    int RECUNIT = 0, SIGLEVEL = 5, ESTEND = 0, CSNUMBER = 0, NCROSS = 0, GQOBS = 0;
    int CHOWONE = 0, UNIT = 0;
    bool BEG_given = false, ESTEND_given = false;
    // reals
    Real LAMBDA = 0, RHO = RHO_NOT_GIVEN, SRHO = RHO_NOT_GIVEN, POOLSE = 0, LIMIT = 0;
    // names (8 characters, blank-padded; blank when not given)
    std::string COEFFICI, IDVAR, MODEL, FCSE, CSFIX, PREDICT, RESID, OUTPUT, DEVICE, PORT;
    std::string COMMFILE;
    std::string commfile_full; // COMMFILE as typed (a file name may be longer than 8 characters)
    std::string bind_file;     // BIND= as typed: the file the output series are written to
};

// Prepares the option set with the defaults of FCAST (or of DIAGNOSE, whose RSTAT is off);
// `model` is the last estimation command (blank when none).
void set_fcast_defaults(Run& run, bool diagnose, const std::string& model);
// Reads the option set into named settings and applies the implications: MAX and LIST set
// RSTAT, GRAPHICS sets GNU, IBLUP sets BLUP.
FcastOptions read_fcast_options(const Run& run);

} // namespace tarvex
