// The OLSQ option table (shared by IMLS) and the settings a regression reads from it once the
// option parser has run: defaults from the SET switches and the sample, then the implications.
#pragma once

#include "core/option_set.hpp"
#include "numeric/real.hpp"
#include "regress/fit/covariance_choice.hpp"

#include <string>

namespace tarvex {

struct Run;

// The 74 keywords in their four groups (39 switches, 7 integers, 9 reals, 19 names).
const OptionTable& olsq_option_table();

// Solver choice of METHOD.
enum class OlsMethod { GS, HH, NORMAL };

// Everything the estimation reads from the option set, by name.
struct OlsOptions {
    // switches
    bool MAX = false, CONSTANT = true, DUMP = false, LIST = false, RSTAT = false;
    bool LOGLOG = false, LOGLIN = false, LINLOG = false, PCOV = false, PCOR = false;
    bool ANOVA = false, DN = false, DLAG = false, GF = false, LM = false, RESTRICT = false;
    bool MULSIGSQ = true, DWPVALUE = false, MISS = false, PLUSH = false, HETCOV = false;
    bool NORMALIZ = true, INFLUENC = false, DFBETAS = false, REPLICAT = false;
    bool EXACTDW = false, UT = false, RECURSIV = false, WIDE = false, AUXRSQR = false;
    bool REALIMAG = false, POLAR = false, GNUPLOT = false, APPEND = false, DLRX = false;
    bool LININVER = false, LOGINVER = false, GRAPHICS = false, PILAGS = false;
    // integers
    int BEG = 1, END = -999, AUTCOV = 0, ORDER = 1, GAP = 0, NMISS = 0, NPOP = 0;
    // reals
    Real RIDGE = 0, INSIG2 = 0, INDW = 0, ALPHA = 0, RHO = 0, FE = -1, FX = -1, PE = -1, PX = -1;
    // names (8 characters, blank-padded; blank when not given)
    std::string PREDICT, RESID, COEFFICE, COVARIAN, TRATIO, STDERR, METHOD, HATDIAG, IDVAR;
    std::string OUTPUT, DEVICE, PORT, COMMFILE, WEIGHT, INCOEFFI, PCINFORM, PCOMPONE, MOMENTS;
    std::string INCOVARI;
    // full text of COMMFILE and OUTPUT as typed (a file name may be longer than 8 characters)
    std::string commfile_full, output_full;
    // HC1-HC3 or CLUSTER, read from the option words before the table (not table keywords)
    CovarianceChoice covariance;

    OlsMethod method() const;
};

// Prepares the option set with the OLSQ defaults (SET switches, the current sample).
void set_olsq_defaults(Run& run);
// Reads the option set into named settings.
OlsOptions read_olsq_options(const Run& run);
// Applies the implications between options, in their fixed order. `distributed_lags` tells
// whether the list holds polynomial distributed-lag entries.
void apply_olsq_implications(OlsOptions& o, bool distributed_lags);
// Whether a name option holds nothing.
bool name_blank(const std::string& name);

} // namespace tarvex
