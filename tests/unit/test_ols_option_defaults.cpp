// The defaults OLS and IMLS give their 74 options before the parser runs: the SET switches
// (MAX, DUMP, BATCH for ANOVA and GF, WIDE), the current sample for BEG and END, CONSTANT,
// MULSIGSQ and NORMALIZ on, ORDER 1, FE FX PE PX -1, METHOD GS, OUTPUT PLOT and the command
// file COMM.GNU; every other option off, 0 or blank.
#include "core/run.hpp"
#include "core/switches.hpp"
#include "regress/fit/ols_options.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

OlsOptions defaults_under(testing::WorkspaceEngine& e, bool set_switches) {
    for (SwitchId sw : {OMXX, ODMMP, OBAT, OWIDE}) e.run.sw[sw] = set_switches;
    set_olsq_defaults(e.run);
    return read_olsq_options(e.run);
}

TEST(OlsOptionDefaults, EveryDefaultWithTheSetSwitchesOff) {
    testing::WorkspaceEngine e(100, 10000);
    e.run.smpl.IBEG = 3;
    e.run.smpl.IEND = 17;
    const OlsOptions o = defaults_under(e, false);
    EXPECT_TRUE(o.CONSTANT && o.MULSIGSQ && o.NORMALIZ);
    const bool off[] = {o.MAX,      o.DUMP,     o.LIST,     o.RSTAT,    o.LOGLOG,   o.LOGLIN,
                        o.LINLOG,   o.PCOV,     o.PCOR,     o.ANOVA,    o.DN,       o.DLAG,
                        o.GF,       o.LM,       o.RESTRICT, o.DWPVALUE, o.MISS,     o.PLUSH,
                        o.HETCOV,   o.INFLUENC, o.DFBETAS,  o.REPLICAT, o.EXACTDW,  o.UT,
                        o.RECURSIV, o.WIDE,     o.AUXRSQR,  o.REALIMAG, o.POLAR,    o.GNUPLOT,
                        o.APPEND,   o.DLRX,     o.LININVER, o.LOGINVER, o.GRAPHICS, o.PILAGS};
    for (std::size_t j = 0; j < std::size(off); ++j) EXPECT_FALSE(off[j]) << "switch " << j;
    EXPECT_EQ(o.BEG, 3);
    EXPECT_EQ(o.END, 17);
    EXPECT_EQ(o.ORDER, 1);
    EXPECT_EQ(o.AUTCOV + o.GAP + o.NMISS + o.NPOP, 0);
    EXPECT_TRUE(o.RIDGE == 0 && o.INSIG2 == 0 && o.INDW == 0 && o.ALPHA == 0 && o.RHO == 0);
    EXPECT_TRUE(o.FE == -1 && o.FX == -1 && o.PE == -1 && o.PX == -1);
    EXPECT_EQ(o.METHOD, "GS      ");
    EXPECT_EQ(o.method(), OlsMethod::GS);
    EXPECT_EQ(o.OUTPUT, "PLOT    ");
    EXPECT_EQ(o.COMMFILE, "COMM.GNU");
    EXPECT_EQ(o.commfile_full, "COMM.GNU");
    for (const std::string* name : {&o.PREDICT, &o.RESID, &o.COEFFICE, &o.COVARIAN, &o.TRATIO,
                                    &o.STDERR, &o.HATDIAG, &o.IDVAR, &o.DEVICE, &o.PORT, &o.WEIGHT,
                                    &o.INCOEFFI, &o.PCINFORM, &o.PCOMPONE, &o.MOMENTS, &o.INCOVARI})
        EXPECT_TRUE(name_blank(*name)) << *name;
}

TEST(OlsOptionDefaults, SetSwitchesTurnOnMaxDumpBatchAndWide) {
    testing::WorkspaceEngine e(100, 10000);
    const OlsOptions o = defaults_under(e, true);
    EXPECT_TRUE(o.MAX && o.DUMP && o.WIDE);
    EXPECT_TRUE(o.ANOVA && o.GF) << "SET BATCH turns on both";
    EXPECT_FALSE(o.RSTAT) << "GF implies RSTAT only when the implications are applied";
    OlsOptions implied = o;
    apply_olsq_implications(implied, false);
    EXPECT_TRUE(implied.RSTAT);
}

} // namespace
} // namespace tarvex
