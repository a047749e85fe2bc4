// The interpreter's statement calls for the commands below it: a call made before the run start
// installed them stops the process with a message (it never reads as "end of input"), and a run
// started the usual way has them from its first statement on.
#include "core/interpreter_calls.hpp"
#include "core/run.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

// Each check runs in a freshly executed copy of the test program, in which no run has started
// and so nothing is installed.
TEST(InterpreterCallsDeathTest, CallsBeforeTheRunStartStopTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    tarvex::Run run;
    EXPECT_DEATH(read_next_statement(run), "read_next_statement called with no interpreter");
    EXPECT_DEATH(hold_statement_for_loop(run),
                 "hold_statement_for_loop called with no interpreter");
    EXPECT_DEATH(scan_statement(run), "scan_statement called with no interpreter");
}

TEST(InterpreterCallsDeathTest, AnInstallationMissingARoutineStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(install_interpreter_calls({}), "install \\(next_statement\\)");
}

// A started run has them from its first statement on: SYSTEM, the run's first command, reads its
// EQ and END lines through them, and the statement after END runs as usual.
TEST(InterpreterCalls, AStartedRunGivesABlockItsLines) {
    const testing::ScriptRun run("SYSTEM\nEQ Y X\nEND\nSAMPLE 1 3\nGENR Z=1\n");
    EXPECT_FALSE(run.fatal);
    EXPECT_TRUE(run.has_line(" ...ERROR..VARIABLE Y DOES NOT EXIST...")) << run.output;
    EXPECT_EQ(run.values("Z").size(), 3u) << run.output;
}

} // namespace
} // namespace tarvex
