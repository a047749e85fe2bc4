// USER's plug-ins run by the engine: the example MOVMED's moving medians against Python's
// statistics.median over the same windows, binary128 values crossing the C interface whole,
// and the words of loaded plug-ins selecting their user slots.
#include "interp/reader.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarvex {
namespace {

using testing::ScriptRun;

// The plug-ins built beside the engine, found through TARVEX_PLUGINS while a test runs.
struct PluginDirectory {
    PluginDirectory() { setenv("TARVEX_PLUGINS", TARVEX_PLUGIN_DIR, 1); }
    ~PluginDirectory() { unsetenv("TARVEX_PLUGINS"); }
};

const std::string EIGHT = "SMPL 1 8\nREAD X\n3\n1\n4\n1\n5\n9\n2\n6\nUSER movmedian\n";

TEST(UserPlugins, MovingMediansAgainstPython) {
    const PluginDirectory plugins;
    // statistics.median(x[i-k+1:i+1]) for x = [3,1,4,1,5,9,2,6]: k = 3 gives
    // [-, -, 3, 1, 4, 5, 5, 6], k = 2 gives [-, 2, 2.5, 2.5, 3, 7, 5.5, 4]; the whole: 3.5.
    const ScriptRun r(EIGHT + "MOVMED X / SPAN=3 NAME=M3 MEDIAN=MX\nMOVMED X / SPAN=2 NAME=M2\n");
    const Real miss = r.run->ws.XMISS;
    EXPECT_EQ(r.values("M3"), (std::vector<Real>{miss, miss, 3, 1, 4, 5, 5, 6})) << r.output;
    EXPECT_EQ(r.values("M2"), (std::vector<Real>{miss, 2, 2.5Q, 2.5Q, 3, 7, 5.5Q, 4}));
    EXPECT_EQ(r.values("MX"), std::vector<Real>{3.5Q});
    EXPECT_TRUE(r.has_line(" MOVING MEDIAN OF X OVER 3 OBSERVATIONS STORED IN M3 (2 MISSING)"));
}

TEST(UserPlugins, RealsCrossTheInterfaceWhole) {
    const PluginDirectory plugins;
    // 1 + 2^-100 and a third are not doubles: a span of 1 must hand them back bit for bit, and
    // the median of the two (their mean) is the binary128 mean.
    const Real tiny = 1 + 0x1p-100Q;
    const ScriptRun r("SMPL 1 2\nREAD X\n1.0000000000000000000000000000007888609052210118\n"
                      "0.33333333333333333333333333333333333\nUSER movmedian\n"
                      "MOVMED X / SPAN=1 NAME=SAME\nMOVMED X / SPAN=2 NAME=MEAN2\n");
    const std::vector<Real> x = r.values("X");
    ASSERT_EQ(x.size(), 2u) << r.output;
    EXPECT_EQ(x[0], tiny);
    EXPECT_EQ(r.values("SAME"), x);
    ASSERT_EQ(r.values("MEAN2").size(), 2u);
    EXPECT_EQ(r.values("MEAN2")[1], (x[0] + x[1]) / 2);
}

TEST(UserPlugins, LoadedWordsSelectTheUserSlots) {
    const PluginDirectory plugins;
    const ScriptRun r("USER movmedian\nUSER fixture_good\nUSER movmedian / WORD=MED2\n");
    const UserCommands& user = r.run->user_commands;
    EXPECT_EQ(user.slots[0].word, "MOVMED") << r.output;
    EXPECT_EQ(user.slots[1].word, "FIXTURE");
    EXPECT_EQ(user.slots[2].word, "MED2");
    EXPECT_TRUE(user.slots[3].word.empty());
    // By a leading part like any command, and never while a slot is free.
    EXPECT_EQ(match_command("MOVM", false, &user), 112);
    EXPECT_EQ(match_command("FIX", false, &user), 113);
    EXPECT_EQ(match_command("MED2", true, &user), 114);
    EXPECT_EQ(match_command("MOVM", false), 0);
    // A refused library leaves the slots as they were and says why in $ERR.
    const ScriptRun refused("USER fixture_version\nUSER fixture_noentry\n");
    EXPECT_TRUE(refused.run->user_commands.slots[0].word.empty());
    EXPECT_EQ(refused.scalar(R_ERR), 68003) << refused.output;
}

} // namespace
} // namespace tarvex
