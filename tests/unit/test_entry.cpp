// The entry point and start-up: entry codes, the banner, sizes from the settings, allocation
// failure, the fatal stop, RESET (the command by the switches/reset golden), timing lines, and
// how STOP ends a run in each mode.
#include "host_test_support.hpp"

#include "child_limits.hpp"

#include "core/fatal_stop.hpp"
#include "core/run.hpp"
#include "interp/entry.hpp"
#include "workspace/workspace.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace tarvex {
namespace {

using testing::LinkedRun;
using testing::MemoryIn;
using testing::MemoryOut;
using testing::RecordingHost;
using testing::TempSettings;

// A run of `script` in `mode` with window 77.
struct WindowRun : testing::ScriptRun {
    WindowRun(std::string script, int mode, int extra = 0)
        : testing::ScriptRun(std::move(script), mode, extra, 77) {}
    std::string text() const { return output; }
};

TEST(EntryPoint, IdentifyLeavesEverythingElseAlone) {
    int code = -1, window = 5, extra = 12;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    TARVEXQX(&code, &window, &extra);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(window, 9557);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(extra, 12);
}

TEST(EntryPoint, UnknownCodes) {
    // Above 306 in a process that has run no windowed run: -7 and no message.
    for (int given : {400, 308, 336, 999999}) {
        int code = given, window = 3, extra = 0;
        ::testing::internal::CaptureStderr();
        TARVEXQX(&code, &window, &extra);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << given;
        EXPECT_EQ(code, -7) << given;
        EXPECT_EQ(window, 3);
    }
    // Anything else is an installation fault.
    for (int given : {300, 0, 16, 306, -2}) {
        int code = given, window = 3, extra = 0;
        ::testing::internal::CaptureStderr();
        TARVEXQX(&code, &window, &extra);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "Improper TARVEX Ver 11 Installation, Reinstall\n")
            << given;
        EXPECT_EQ(code, given);
    }
}

TEST(StartUp, ConsoleRunWritesTheBannerAndEndsAtStop) {
    // The banner itself opens every golden transcript.
    WindowRun r("STOP\nNAMES\n", MODE_CONSOLE);
    EXPECT_FALSE(r.fatal);
    EXPECT_EQ(r.text().rfind(" Welcome to\n", 0), 0u);
    EXPECT_EQ(r.run->MOS, MODE_CONSOLE);
    EXPECT_EQ(r.run->window, 77);
    EXPECT_TRUE(r.run->sw[OKOD]);
    EXPECT_FALSE(r.run->sw[OTALK]) << "a command file is not an interactive run";
    EXPECT_TRUE(r.run->sw[OECHO]);
    EXPECT_EQ(r.run->sizes.NBYTES, 16);
}

TEST(StartUp, InteractiveTerminalTalksAndDoesNotEcho) {
    WindowRun r("STOP\n", MODE_CONSOLE, EXTRA_TERMINAL);
    EXPECT_TRUE(r.run->sw[OTALK]);
    EXPECT_FALSE(r.run->sw[OECHO]);
    EXPECT_EQ(r.text().find("|_"), std::string::npos);
}

TEST(StartUp, SizesFromTheSettingsStore) {
    TempSettings settings;
    {
        WindowRun r("STOP\n", MODE_CONSOLE);
        EXPECT_EQ(r.run->sizes.IPAR, 20480) << "the default work area";
        EXPECT_EQ(r.run->sizes.PAR, 1310720);
        EXPECT_EQ(r.run->sizes.MAXVAR, 1000);
        EXPECT_EQ(r.run->sizes.MXCOL, 2000);
        EXPECT_EQ(r.run->ws.MAXADD, 1310720);
        EXPECT_EQ(r.run->ws.MAXVAR, 1000);
    }
    settings.write("[SOFTWARE\\Halvern\\TARVEX110\\START]\nIPAR=20480\nIMAX=300\nVTEMP=/scratch\n");
    {
        WindowRun r("STOP\n", MODE_CONSOLE);
        EXPECT_EQ(r.run->sizes.PAR, 1310720);
        EXPECT_EQ(r.run->sizes.MAXVAR, 300);
        EXPECT_EQ(r.run->sizes.MXCOL, 1000);
        EXPECT_EQ(r.run->ws.MXCOL, 1000);
        EXPECT_EQ(r.run->host.VTEMP, "/scratch");
    }
    settings.write("[SOFTWARE\\Halvern\\TARVEX110\\START]\nIPAR=64\nIMAX=0\n");
    setenv("TEMP", "/from/temp", 1);
    {
        WindowRun r("STOP\n", MODE_CONSOLE);
        EXPECT_EQ(r.run->sizes.PAR, 4096);
        EXPECT_EQ(r.run->sizes.MAXVAR, 1000) << "IMAX 0 keeps the default";
        EXPECT_EQ(r.run->host.VTEMP, "/from/temp") << "TEMP stands in for a missing VTEMP";
        EXPECT_NE(r.text().find(" PAR=        64\n"), std::string::npos);
    }
    unsetenv("TEMP");
    settings.write("[SOFTWARE\\Halvern\\TARVEX110\\START]\nIPAR=lots\nIMAX=600\n");
    {
        WindowRun r("STOP\n", MODE_CONSOLE);
        EXPECT_EQ(r.run->sizes.IPAR, 20480) << "a value that is not a number keeps the default";
        EXPECT_EQ(r.run->sizes.MXCOL, 1200);
    }
}

// The start and font values of the store land each in its own setting, the two sections in
// either order and names in any case.
TEST(StartUp, FontsAndSizesFromOneStore) {
    TempSettings settings;
    settings.write("[SOFTWARE\\Halvern\\TARVEX110\\XFonts]\nFONT2=Courier\nsize=11\n"
                   "ICOLOR=blue\n[SOFTWARE\\Halvern\\TARVEX110\\START]\nIMAX=300\n"
                   "VGNU=/opt/plot\n");
    WindowRun r("STOP\n", MODE_CONSOLE);
    EXPECT_EQ(r.run->sizes.MAXVAR, 300);
    EXPECT_EQ(r.run->host.VGNU, "/opt/plot");
    EXPECT_EQ(r.run->host.FONT[0], "");
    EXPECT_EQ(r.run->host.FONT[1], "Courier");
    EXPECT_EQ(r.run->host.font_size, "11");
    EXPECT_EQ(r.run->host.font_style, "newyork") << "not in the store: the default";
    EXPECT_EQ(r.run->host.ICOLOR, "blue");
}

// PAR ... SAVE whose settings cannot be written says so and the run goes on with the new size;
// a store that fills the disk half-way keeps the earlier settings and leaves no file beside.
TEST(StartUp, SizesThatCannotBeSavedAreAnError) {
    TempSettings settings;
    const std::string earlier = "[SOFTWARE\\Halvern\\TARVEX110\\START]\nIPAR=20480\nIMAX=0\n";
    settings.write(earlier);
    const auto report = testing::in_child(
        [] {
            WindowRun r("PAR 4096 SAVE\nSTOP\n", MODE_CONSOLE);
            std::vector<std::string> out = r.starting(" ...ERROR..");
            out.push_back(std::to_string(r.run->sizes.IPAR));
            return out;
        },
        40);
    EXPECT_EQ(report,
              (std::vector<std::string>{" ...ERROR..CANNOT SAVE THE SIZES IN THE SETTINGS STORE " +
                                            settings.store.string(),
                                        "4096"}));
    EXPECT_EQ(settings.read(), earlier);
    EXPECT_FALSE(std::filesystem::exists(settings.store.string() + ".new"));
}

TEST(StartUp, SettingsFileBesideTheEngine) {
    TempSettings settings;
    auto ini = std::filesystem::path(host::GetModulePath()) / "TARVEXWX.INI";
    ASSERT_FALSE(std::filesystem::exists(ini));
    std::ofstream(ini) << "# installation\nIPAR = 128\nIMAX=50\nVGNU=/usr/bin\n";
    settings.write("[SOFTWARE\\Halvern\\TARVEX110\\START]\nIMAX=70\n");
    WindowRun r("STOP\n", MODE_CONSOLE);
    std::filesystem::remove(ini);
    EXPECT_EQ(r.run->sizes.IPAR, 128);
    EXPECT_EQ(r.run->sizes.MAXVAR, 70) << "the settings store overrides the file";
    EXPECT_EQ(r.run->host.VGNU, "/usr/bin");
    EXPECT_FALSE(unit_is_open(*r.run, 99));
}

TEST(StartUp, AllocationFailureReportsAndReturnsWithoutARun) {
    TempSettings settings;
    settings.write("[SOFTWARE\\Halvern\\TARVEX110\\START]\nIPAR=-8\nIMAX=40\n");
    WindowRun r("STOP\n", MODE_CONSOLE);
    EXPECT_FALSE(r.fatal);
    EXPECT_EQ(r.text(), " ...ERROR..MEMORY ALLOCATION ERROR CODE=     1\n"
                        " PAR=        -8  SIZE=        40\n");
}

TEST(StartUp, WindowedRunAsksForTheWindowState) {
    RecordingHost host;
    host.reply = "Multiple";
    WindowRun r("STOP\n", MODE_WINDOWED_33);
    EXPECT_TRUE(r.run->flags.multiple_windows);
    EXPECT_TRUE(r.run->sw[OTALK]);
    ASSERT_FALSE(host.texts(host::MSG_QUERY).empty());
    EXPECT_EQ(host.texts(host::MSG_QUERY)[0], "GET_WINSTATE=");
    auto lines = host.texts(host::MSG_LINE);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], " Welcome to");
    EXPECT_EQ(r.text(), "") << "the host takes every line";
    for (const auto& m : host.messages) EXPECT_EQ(m.window, 77);

    host.reply = "Single";
    WindowRun single("STOP\n", MODE_WINDOWED);
    EXPECT_FALSE(single.run->flags.multiple_windows) << "only mode 33 asks";
}

TEST(FatalStop, MessagesAndCode) {
    {
        LinkedRun r(MODE_CONSOLE);
        EXPECT_THROW(XXIT(r.run, 0), FatalStop);
        EXPECT_EQ(r.out.text(), "");
    }
    {
        LinkedRun r(MODE_CONSOLE);
        try {
            XXIT(r.run, 12);
        } catch (const FatalStop& stop) {
            EXPECT_EQ(stop.code, 12);
        }
        EXPECT_EQ(r.out.text(), " ...ERROR..STOP ERROR CODE =      12\n");
    }
    for (int code : {-3, -4}) {
        LinkedRun r(MODE_CONSOLE);
        EXPECT_THROW(XXIT(r.run, code), FatalStop);
        EXPECT_EQ(r.out.text(), " ...ERROR..STOP ERROR CODE =      " + std::to_string(code) +
                                    "\n ...ERROR..FORMAT TOO LONG, LIMIT IS 248 CHARACTERS\n");
    }
}

TEST(FatalStop, WindowedHostIsToldToReset) {
    TempSettings scratch;
    RecordingHost host;
    LinkedRun r(MODE_WINDOWED);
    auto scratch_file = (scratch.dir / "TARV_8").string();
    auto user_file = (scratch.dir / "user.dat").string();
    ASSERT_TRUE(open_unit(r.run, 98, scratch_file, "w"));
    ASSERT_TRUE(open_unit(r.run, 30, user_file, "w"));
    EXPECT_THROW(XXIT(r.run, 5), FatalStop);
    EXPECT_EQ(host.texts(host::MSG_LINE),
              std::vector<std::string>{" ...ERROR..STOP ERROR CODE =       5"});
    EXPECT_EQ(host.texts(host::MSG_COMMAND), std::vector<std::string>{"RESET"});
    EXPECT_FALSE(unit_is_open(r.run, 98));
    EXPECT_FALSE(unit_is_open(r.run, 30));
    EXPECT_FALSE(std::filesystem::exists(scratch_file));
    EXPECT_TRUE(std::filesystem::exists(user_file));

    RecordingHost console_host;
    LinkedRun console(MODE_CONSOLE);
    ASSERT_TRUE(open_unit(console.run, 30, user_file, "a"));
    EXPECT_THROW(XXIT(console.run, 5), FatalStop);
    EXPECT_TRUE(console_host.texts(host::MSG_COMMAND).empty());
    EXPECT_TRUE(unit_is_open(console.run, 30)) << "a console run's files stay as they are";
    close_unit(console.run, 30);
}

TEST(Reset, CloseKeepsVariablesAndSwitchesFullResetClearsThem) {
    TempSettings scratch;
    LinkedRun r(MODE_CONSOLE);
    ASSERT_TRUE(allocate_workspace(r.run.ws, 50, 4000, 16));
    reset_workspace(r.run.ws);
    int ref = 0;
    NEWVAR(r.run, "GDP", 1, TYPE_DATA, 10, 1, ref);
    ASSERT_GT(ref, 0);
    r.run.sw[OTIM] = true;
    r.run.sw[OECHO] = false;
    r.run.sw[OTALK] = true;
    r.run.smpl.NOBS = 10;

    std::vector<std::pair<int, bool>> units = {{11, true},  {49, true}, {80, true},  {88, true},
                                               {91, true},  {94, true}, {92, false}, {93, false},
                                               {98, false}, {50, true}, {10, true}};
    for (auto [unit, kept] : units)
        ASSERT_TRUE(open_unit(r.run, unit, (scratch.dir / std::to_string(unit)).string(), "w"));

    RESET(r.run, true);
    for (auto [unit, kept] : units) {
        bool run_file = unit != 50 && unit != 10;
        EXPECT_EQ(unit_is_open(r.run, unit), !run_file) << unit;
        EXPECT_EQ(std::filesystem::exists(scratch.dir / std::to_string(unit)), kept) << unit;
    }
    EXPECT_EQ(VFIND(r.run, "GDP"), ref);
    EXPECT_TRUE(r.run.sw[OTIM]);
    EXPECT_EQ(r.run.smpl.NOBS, 10);

    RESET(r.run, false);
    EXPECT_EQ(VFIND(r.run, "GDP"), 0);
    EXPECT_EQ(r.run.ws.NVARS, 0);
    EXPECT_FALSE(r.run.sw[OTIM]) << "switches return to their defaults";
    EXPECT_TRUE(r.run.sw[OWARN]);
    EXPECT_FALSE(r.run.sw[OECHO]) << "ECHO keeps its value";
    EXPECT_TRUE(r.run.sw[OTALK]) << "TALK keeps its value";
    EXPECT_EQ(r.run.smpl.NOBS, -999);
    EXPECT_EQ(r.run.smpl.IEND, -999);
    EXPECT_EQ(r.run.smpl.IBEG, 1);
    EXPECT_TRUE(r.run.res[R_MISS] == r.run.ws.XMISS);
    close_unit(r.run, 50);
    close_unit(r.run, 10);
}

TEST(Timing, LinesOnlyWithTimer) {
    LinkedRun r(MODE_CONSOLE);
    r.run.wall_start = std::chrono::steady_clock::now();
    r.run.cpu_start = std::clock();
    write_timing(r.run);
    EXPECT_EQ(r.out.text(), "");
    r.run.sw[OTIM] = true;
    write_timing(r.run);
    std::string text = r.out.text();
    ASSERT_EQ(text.size(), 2 * (1 + 12) + 18 + 15) << text;
    EXPECT_EQ(text.substr(13, 18), " SEC. ACTUAL TIME\n");
    EXPECT_EQ(text.substr(31 + 13), " SEC. CPU TIME\n");
    EXPECT_EQ(text.substr(0, 13), "        0.000");
}

TEST(StopCommand, EndsAConsoleRunButNotAWindowedOne) {
    WindowRun console("STOP\nXYZZY\n", MODE_CONSOLE);
    EXPECT_EQ(console.text().find("UNKNOWN COMMAND"), std::string::npos);
    WindowRun windowed("STOP\nXYZZY\n", MODE_WINDOWED_33);
    EXPECT_NE(windowed.text().find(" ...ERROR..UNKNOWN COMMAND...XYZZY"), std::string::npos)
        << windowed.text();
    EXPECT_TRUE(windowed.run->sw[OTALK]);
    EXPECT_FALSE(windowed.run->sw[OECHO]) << "a bare STOP in a windowed run turns echo off";
}

} // namespace
} // namespace tarvex
