// The host link: where FLUSH_BUFFER sends report lines in each run mode, host text commands and
// queries, MACDEP's services, SYSCMD, the unit records and the settings store.
#include "host_test_support.hpp"

#include "core/host_link.hpp"
#include "core/run.hpp"
#include "host/tarvextern.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace tarvex {
namespace {

using testing::LinkedRun;
using testing::MemoryIn;
using testing::MemoryOut;
using testing::RecordingHost;
using testing::TempSettings;

TEST(FlushBuffer, ConsoleRunWritesTrimmedLinesToUnitSix) {
    LinkedRun r(MODE_CONSOLE);
    write_line(r.run, " FIRST LINE   ");
    write_line(r.run, "");
    write_line(r.run, "      ");
    r.run.buf.line[1] = " ONE";
    r.run.buf.line[2] = " TWO";
    r.run.buf.line[3] = "~ END OF REPORT";
    r.run.buf.line[4] = " NOT SENT";
    r.run.buf.IVL = 4;
    FLUSH_BUFFER(r.run);
    EXPECT_EQ(r.out.text(), " FIRST LINE\n \n \n ONE\n TWO\n");
    EXPECT_EQ(r.run.buf.IVL, 1);
    EXPECT_EQ(r.run.buf.line[1], "") << "a sent line is blanked";
    EXPECT_EQ(r.log.text(), "") << "OSCR is off";

    // Lines are at most 130 characters.
    write_line(r.run, std::string(140, 'X'));
    EXPECT_EQ(r.out.text().substr(r.out.text().rfind("\n", r.out.text().size() - 2) + 1),
              std::string(130, 'X') + "\n");
}

TEST(FlushBuffer, BatchRunWritesOnlyTheScreenCopyToTheLog) {
    LinkedRun r(MODE_BATCH_LOG);
    write_line(r.run, " QUIET");
    EXPECT_EQ(r.out.text(), "");
    EXPECT_EQ(r.log.text(), "");
    r.run.sw[OSCR] = true;
    write_line(r.run, " LOGGED  ");
    EXPECT_EQ(r.out.text(), "");
    EXPECT_EQ(r.log.text(), " LOGGED\n");
}

TEST(FlushBuffer, ScreenCopyInAConsoleRun) {
    LinkedRun r(MODE_CONSOLE);
    r.run.sw[OSCR] = true;
    write_line(r.run, " BOTH");
    EXPECT_EQ(r.out.text(), " BOTH\n");
    EXPECT_EQ(r.log.text(), " BOTH\n");
}

TEST(FlushBuffer, WindowedRunSendsLinesToTheHost) {
    RecordingHost host;
    LinkedRun r(MODE_WINDOWED_33);
    write_line(r.run, " PATH C:\\/DATA\\X.DAT   ");
    write_line(r.run, "");
    ASSERT_EQ(host.texts(host::MSG_LINE).size(), 2u);
    EXPECT_EQ(host.texts(host::MSG_LINE)[0], " PATH C:\\\\/DATA\\X.DAT");
    EXPECT_EQ(host.texts(host::MSG_LINE)[1], "");
    EXPECT_EQ(host.messages[0].window, 4711);
    EXPECT_EQ(r.out.text(), "") << "nothing reaches unit 6 while the host takes the lines";

    // Mode 30 as well; the screen copy still goes to the log.
    r.run.MOS = MODE_WINDOWED;
    r.run.sw[OSCR] = true;
    write_line(r.run, " THIRTY");
    EXPECT_EQ(host.texts(host::MSG_LINE).back(), " THIRTY");
    EXPECT_EQ(r.log.text(), " THIRTY\n");
    EXPECT_TRUE(host.texts(host::MSG_REFRESH).empty());

    // FLUSH asks the host to refresh after each flush.
    r.run.sw[OFLUSH] = true;
    write_line(r.run, " AGAIN");
    EXPECT_EQ(host.texts(host::MSG_REFRESH).size(), 1u);
}

TEST(FlushBuffer, WindowedRunWithoutAHostWritesToUnitSix) {
    LinkedRun r(MODE_WINDOWED_33);
    write_line(r.run, " NO HOST ");
    EXPECT_EQ(r.out.text(), " NO HOST\n");
}

TEST(FlushBuffer, RedirectionTakesEveryLine) {
    RecordingHost host;
    LinkedRun r(MODE_WINDOWED_33);
    MemoryOut redirected;
    attach_unit(r.run, 20, redirected.fp);
    r.run.LOUT = 20;
    r.run.sw[OSCR] = true;
    write_line(r.run, " REDIRECTED");
    write_line(r.run, "");
    EXPECT_EQ(redirected.text(), " REDIRECTED\n \n");
    EXPECT_TRUE(host.texts(host::MSG_LINE).empty());
    EXPECT_EQ(r.log.text(), "") << "no screen copy under redirection";

    r.run.MOS = MODE_BATCH_LOG; // mode 29 writes when redirected
    write_line(r.run, " BATCH");
    EXPECT_EQ(redirected.text(), " REDIRECTED\n \n BATCH\n");
    close_unit(r.run, 20);
}

TEST(HostText, CommandsAndQueriesReachOnlyAWindowedHost) {
    RecordingHost host;
    LinkedRun r(MODE_CONSOLE);
    host_command(r.run, "RESET");
    EXPECT_EQ(host_query(r.run, "GET_WINSTATE="), "");
    EXPECT_TRUE(host.messages.empty());

    r.run.MOS = MODE_WINDOWED;
    host_command(r.run, "MSG_INFO=HELLO");
    host.reply = "Multiple";
    EXPECT_EQ(host_query(r.run, "GET_WINSTATE="), "Multiple");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].number, host::MSG_COMMAND);
    EXPECT_EQ(host.messages[0].text, "MSG_INFO=HELLO");
    EXPECT_EQ(host.messages[1].number, host::MSG_QUERY);
    EXPECT_EQ(host.messages[1].text, "GET_WINSTATE=");

    // MACDEP 23 and 24 are the same services.
    std::string text = "SET_PAR=4000";
    MACDEP(r.run, 23, text);
    EXPECT_EQ(host.texts(host::MSG_COMMAND).back(), "SET_PAR=4000");
    host.reply = "Single";
    text = "GET_WINSTATE=";
    MACDEP(r.run, 24, text);
    EXPECT_EQ(text, "Single");
    r.run.MOS = MODE_CONSOLE;
    text = "GET_WINSTATE=";
    MACDEP(r.run, 24, text);
    EXPECT_EQ(text, "GET_WINSTATE=") << "no query outside a windowed run";
}

TEST(Macdep, Services) {
    LinkedRun r(MODE_CONSOLE);
    std::string text;
    MACDEP(r.run, 35, text);
    EXPECT_EQ(text, "TARVEXPASSPHRASE");

    MACDEP(r.run, 34, text);
    ASSERT_EQ(text.size(), 8u);
    EXPECT_EQ(text.find_first_not_of("0123456789"), std::string::npos);

    setenv("TARVEX_TEST_VALUE", "Forty Two", 1);
    text = "TARVEX_TEST_VALUE";
    MACDEP(r.run, 32, text);
    EXPECT_EQ(text, "Forty Two");
    text = "TARVEX_NO_SUCH_VARIABLE";
    MACDEP(r.run, 32, text);
    EXPECT_EQ(text, "");

    text = "/some/path/file.dat";
    MACDEP(r.run, 7, text);
    EXPECT_EQ(text, "/some/path/file.dat");

    TempSettings settings;
    text = "SOFTWARE\\Halvern\\TARVEX110\\START\\IPAR=4096";
    MACDEP(r.run, 21, text);
    text = "SOFTWARE\\Halvern\\TARVEX110\\START\\IPAR";
    MACDEP(r.run, 20, text);
    EXPECT_EQ(text, "4096");
    text = "SOFTWARE\\Halvern\\TARVEX110\\START\\NOTHERE";
    MACDEP(r.run, 20, text);
    EXPECT_EQ(text, "");

    auto before = std::filesystem::current_path();
    text = settings.dir.string();
    MACDEP(r.run, 9, text);
    EXPECT_EQ(std::filesystem::current_path(), settings.dir);
    std::filesystem::current_path(before);

    EXPECT_EQ(r.out.text(), "");
}

TEST(Macdep, IllegalServiceStopsTheRun) {
    for (int service : {0, 38, -5}) {
        LinkedRun r(MODE_CONSOLE);
        std::string text;
        try {
            MACDEP(r.run, service, text);
            ADD_FAILURE() << "service " << service << " did not stop";
        } catch (const FatalStop& stop) {
            EXPECT_EQ(stop.code, 0);
        }
        EXPECT_EQ(r.out.text(), " ...ERROR.ILLEGAL IND IN MACDEP\n");
    }
}

TEST(Syscmd, RunsThroughTheShellWithOutputInJunkFile) {
    TempSettings scratch;
    auto before = std::filesystem::current_path();
    std::filesystem::current_path(scratch.dir);
    LinkedRun r(MODE_CONSOLE);
    EXPECT_EQ(SYSCMD(r.run, "echo out; echo err 1>&2"), 0);
    std::ifstream junk(scratch.dir / "JUNK.TMP");
    std::string all((std::istreambuf_iterator<char>(junk)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "out\nerr\n");
    EXPECT_EQ(SYSCMD(r.run, "exit 3"), 3);
    std::filesystem::current_path(before);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(host::CreateProcessX("sleep 2 </dev/null >/dev/null 2>&1", 2), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1))
        << "wait mode 2 returns at once";
}

TEST(Units, RecordsAreCutAtTheLimitAndLoseTheirLineEnd) {
    tarvex::Run run;
    MemoryIn in("SHORT\r\nA LONGER RECORD\nLAST");
    attach_unit(run, 5, in.fp);
    std::string record;
    ASSERT_TRUE(read_record(run, 5, record, 10));
    EXPECT_EQ(record, "SHORT");
    ASSERT_TRUE(read_record(run, 5, record, 8));
    EXPECT_EQ(record, "A LONGER") << "the rest of the record is discarded";
    ASSERT_TRUE(read_record(run, 5, record, 8));
    EXPECT_EQ(record, "LAST");
    EXPECT_FALSE(read_record(run, 5, record, 8));
    EXPECT_FALSE(read_record(run, 17, record)) << "an unbound unit";
    close_unit(run, 5);
    EXPECT_FALSE(unit_is_open(run, 5));
}

TEST(Units, OpenWriteCloseAndDelete) {
    TempSettings scratch;
    tarvex::Run run;
    auto kept = (scratch.dir / "kept.txt").string();
    auto gone = (scratch.dir / "gone.txt").string();
    ASSERT_TRUE(open_unit(run, 21, kept, "w"));
    ASSERT_TRUE(open_unit(run, 92, gone, "w"));
    EXPECT_FALSE(open_unit(run, 22, (scratch.dir / "no/such/dir").string(), "r"));
    write_record(run, 21, "ONE");
    write_record(run, 21, "");
    close_unit(run, 21);
    close_unit(run, 92, true);
    EXPECT_FALSE(std::filesystem::exists(gone));
    std::ifstream in(kept);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "ONE\n\n");
}

TEST(Units, FilesLeftOpenAreClosedWhenTheRunEnds) {
    TempSettings scratch;
    auto path = (scratch.dir / "left.txt").string();
    MemoryOut console;
    {
        auto run = std::make_unique<tarvex::Run>();
        attach_unit(*run, 6, console.fp);
        ASSERT_TRUE(open_unit(*run, 44, path, "w"));
        write_record(*run, 44, "STILL OPEN");
    }
    std::ifstream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "STILL OPEN\n");
    std::fputs("x", console.fp); // the run's console stream stays usable
    EXPECT_EQ(console.text(), "x");
}

TEST(SettingsStore, ValuesLiveInSectionsOfOneTextFile) {
    TempSettings settings;
    const char* start = "SOFTWARE\\Halvern\\TARVEX110\\START";
    EXPECT_FALSE(host::RegQueryX(start, "IPAR").has_value());
    ASSERT_TRUE(host::RegCreateKeyX(start));
    ASSERT_TRUE(host::RegSetValueX(start, "IPAR", "40960"));
    ASSERT_TRUE(host::RegSetValueX(start, "VTEMP", "/var/tmp"));
    ASSERT_TRUE(host::RegSetValueX(start, "IPAR", "81920"));
    EXPECT_EQ(settings.read(), "# TARVEX settings store\n"
                               "[SOFTWARE\\Halvern\\TARVEX110\\START]\n"
                               "IPAR=81920\n"
                               "VTEMP=/var/tmp\n");
    EXPECT_EQ(host::RegQueryX("software\\halvern\\tarvex110\\start", "ipar"), "81920");
    ASSERT_TRUE(host::RegSetValueX("OTHER\\KEY", "?", "x"));
    ASSERT_TRUE(host::RegDeleteKeyX(start));
    EXPECT_FALSE(host::RegQueryX(start, "IPAR").has_value());
    EXPECT_EQ(host::RegQueryX("OTHER\\KEY", "?"), "x");

    // A hand-written file with comments and blanks around the names.
    settings.write("; mine\n[A\\B]\n  IMAX = 300 \n\n# end\n");
    EXPECT_EQ(host::RegQueryX("A\\B", "IMAX"), "300");

    // /dev/null is an empty store that takes writes without keeping them.
    setenv("TARVEX_SETTINGS", "/dev/null", 1);
    EXPECT_TRUE(host::RegSetValueX(start, "IPAR", "1"));
    EXPECT_FALSE(host::RegQueryX(start, "IPAR").has_value());
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST(HostServices, PathsAndCommandLine) {
    EXPECT_TRUE(std::filesystem::is_directory(host::GetModulePath()));
    EXPECT_EQ(host::GetCurrentDirectoryX(), std::filesystem::current_path().string());
    EXPECT_NE(host::GetCommandLineX().find(program_invocation_short_name), std::string::npos);
    EXPECT_EQ(host::GetShortPath("/a b/c"), "/a b/c");
}

} // namespace
} // namespace tarvex
