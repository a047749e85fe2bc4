// PRINT, WRITE and FORMAT below what a transcript shows: the stored user format and its
// refusals, files that must read back bit for bit (delimited values, TARVDATA and TARVBIN blocks
// of every type), the TARVBIN layout byte by byte and its 2 GiB record limit, failed writes that
// leave the earlier file as it was, infinities and NaNs that only binary layouts take, and the
// fatal stops for formats. DIF, TARVDATA text, numbered units, REWIND, APPEND and names on a file
// are pinned by the print/written_files golden; the listing, ranges and refusals by the other print
// goldens; WRITE ... / CRYPT by the crypt tests.
#include "child_limits.hpp"
#include "core/command_table.hpp"
#include "interp/command_handlers.hpp"
#include "interp/dispatcher.hpp"
#include "interp/set_display.hpp"
#include "io/afile.hpp"
#include "io/char_words.hpp"
#include "io/print_request.hpp"
#include "io/print_write.hpp"
#include "io/read_command.hpp"
#include "io/stored_format.hpp"
#include "numeric/decimal.hpp"
#include "test_support.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

struct PrintEngine : testing::WorkspaceEngine {
    // A run after SET NOWARN and SET NOOUTPUT: the notes about the files opened are not written.
    PrintEngine() : WorkspaceEngine(50, 20000) {
        default_switches(run.sw);
        run.sw[OWARN] = false;
        run.sw[OOPUT] = false;
    }

    // Runs one PRINT, LIST, WRITE or READ statement through the dispatcher.
    void exec(const std::string& statement) { run_statement(run, statement); }
    int vector(const std::string& name, std::initializer_list<const char*> values) {
        const int ref = make(name, static_cast<long long>(values.size()));
        long long k = 1;
        for (const char* text : values) {
            Real v = 0;
            EXPECT_TRUE(parse_real_field(text, v)) << text;
            elem(ref, k++) = v;
        }
        return ref;
    }
};

using testing::file_lines;
using testing::file_text;
using testing::in_child;
using testing::same_bits;
using testing::ScratchDir;

TEST(PrintUserFormat, StoredTextNumbersUnderAWideFormatsAndQuotedI) {
    PrintEngine e;
    e.vector("X", {"1", "2.5", "-3"});
    store_format(e.run, " (F5.1, 2X, E10.3) ");
    std::string text;
    ASSERT_TRUE(stored_format(e.run, text));
    EXPECT_EQ(text, "(F5.1, 2X, E10.3)");
    store_format(e.run, "(F4.0)"); // a shorter format replaces a longer one completely
    ASSERT_TRUE(stored_format(e.run, text));
    EXPECT_EQ(text, "(F4.0)");
    store_format(e.run, "(A8)"); // a number under A
    e.exec("PRINT X / FORMAT");
    EXPECT_EQ(e.lines().front(), " ...ERROR..BAD FORMAT OR MAY PRINT MORE THAN 130 COLUMNS");
    store_format(e.run, "(F140.1)"); // too wide for the report, fine for a file
    ScratchDir dir;
    e.exec("WRITE('wide.txt') X / FORMAT");
    EXPECT_TRUE(e.lines().empty());
    const Lines wide = file_lines(dir.file("wide.txt"));
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_EQ(wide[0], std::string(137, ' ') + "1.0");
    store_format(e.run, "('I', F5.1)"); // an I inside quotes is text, not the refused descriptor
    EXPECT_TRUE(e.lines().empty());
}

TEST(WriteFiles, DelimitedValuesInFullDigits) {
    PrintEngine e;
    const int x = e.vector("X", {"0.1", "-0", "3.14159265358979323846264338327950288", "1E-4950",
                                 "1.18973149535723176508575932662800702E4932"});
    e.elem(x, 1) = Real(1) / 3; // needs all 36 digits
    e.vector("Y", {"1", "2", "3", "4", "5"});
    ScratchDir dir;
    e.exec("WRITE('d.csv') X Y / FORMAT=COMMA NAMES");
    e.exec("WRITE('d.tab') X Y / FORMAT=TAB");
    EXPECT_TRUE(e.lines().empty());
    const Lines csv = file_lines(dir.file("d.csv"));
    ASSERT_EQ(csv.size(), 6u);
    EXPECT_EQ(csv[0], "X,Y");
    EXPECT_EQ(csv[2], "-0,2");
    EXPECT_EQ(file_lines(dir.file("d.tab"))[1], "-0\t2");
    EXPECT_EQ(csv[1], "0.333333333333333333333333333333333317,1"); // 1/3 to 36 digits
    EXPECT_EQ(csv[5], "1.18973149535723176508575932662800702e+4932,5");
}

TEST(WriteFiles, TarvbinBlocks) {
    PrintEngine e;
    e.run.smpl.ITIME1 = 1990;
    e.run.smpl.ITIME2 = 2;
    e.run.smpl.ITIME3 = 4;
    const int x = e.vector("X", {"0.1", "2"});
    ScratchDir dir;
    e.exec("WRITE('t.bin') X / TARVEX BINARY");
    const std::string bytes = file_text(dir.file("t.bin"));
    // Three records: 8 + 8, 8 + 240 and 8 + 16 * 3 bytes.
    ASSERT_EQ(bytes.size(), 16u + 248u + 56u);
    auto int_at = [&](std::size_t pos) {
        std::int32_t v;
        std::memcpy(&v, bytes.data() + pos, 4);
        return v;
    };
    EXPECT_EQ(int_at(0), 8);
    EXPECT_EQ(bytes.substr(4, 8), "TARVBIN ");
    EXPECT_EQ(int_at(16), 240);
    EXPECT_EQ(int_at(16 + 4 + 9 * 4), 0);          // flag 1: not free format
    EXPECT_EQ(int_at(16 + 4 + 10 * 4), 1);         // flag 2: BINARY
    EXPECT_EQ(int_at(16 + 4 + 15 * 4), TYPE_DATA); // type
    EXPECT_EQ(int_at(16 + 4 + 16 * 4), 2);         // length
    EXPECT_EQ(int_at(16 + 4 + 18 * 4), 1990);      // first time setting
    EXPECT_EQ(bytes.substr(16 + 4 + 22 * 4, 3), "X  ");
    const std::size_t data = 16 + 248;
    EXPECT_EQ(int_at(data), 48);
    Real length, first;
    std::memcpy(&length, bytes.data() + data + 4, 16);
    std::memcpy(&first, bytes.data() + data + 20, 16);
    EXPECT_TRUE(same_bits(length, Real(2)));
    EXPECT_TRUE(same_bits(first, e.elem(x, 1)));
}

// A TARVBIN data record holds its byte count in 32 bits: a variable of 2^27 - 1 elements (2 GiB
// with the length word) cannot be one record. The block stops after its two header records,
// with the error, instead of a record whose count has wrapped round. The length is forged in
// the item: no work area that large is needed, and no element is read.
TEST(WriteFiles, TarvbinRefusesARecordBeyondTwoGigabytes) {
    PrintEngine e;
    const int x = e.vector("X", {"1"});
    PrintRequest req;
    req.is_write = true;
    req.layout = Layout::TARVEX;
    req.binary = true;
    PrintItem item;
    item.ref = x;
    item.name = "X";
    ASSERT_TRUE(VINFO(e.run, x, item.info));
    item.info.length = (1LL << 27) - 1; // (length + 1) * 16 bytes = 2^31 > INT32_MAX
    req.items.push_back(item);
    ScratchDir dir;
    constexpr int UNIT = 17;
    ASSERT_TRUE(open_unit(e.run, UNIT, dir.file("big.bin"), "wb"));
    EXPECT_FALSE(write_tarvex_blocks(e.run, req, OutputSink{e.run, UNIT}));
    EXPECT_EQ(close_unit(e.run, UNIT), 0);
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..VARIABLE TOO LARGE FOR ONE BINARY RECORD: X"});
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_EQ(file_text(dir.file("big.bin")).size(), 0u); // refused before any record
}

// Every type code written as TARVDATA and as TARVBIN and read back by READ: the same type,
// shape, time settings and elements, bit for bit; a delimited file reads back likewise.
TEST(WriteFiles, RoundTripsThroughRead) {
    for (const char* options : {"TARVEX", "TARVEX BINARY", "TARVEX SBINARY"}) {
        PrintEngine e;
        e.run.smpl.ITIME1 = 1987;
        e.run.smpl.ITIME2 = 3;
        e.run.smpl.ITIME3 = 12;
        const int x = e.vector(
            "X", {"0.1", "-0", "1E-4950", "-1.18973149535723176508575932662800702E4932", "7"});
        e.elem(x, 1) = Real(1) / 3;
        const int m = e.vector("M", {"1", "2", "3", "4", "5", "6"});
        e.run.ws.DATA[e.run.ws.KADD[m] + 1] = TYPE_MATRIX;
        e.run.ws.DATA[e.run.ws.KADD[m] + 3] = 2;
        const int sym = e.vector("SYM", {"1", "2", "3", "4", "5", "6"});
        e.run.ws.DATA[e.run.ws.KADD[sym] + 1] = TYPE_SYMMETRIC;
        e.run.ws.DATA[e.run.ws.KADD[sym] + 3] = 3;
        const int tri = e.vector("TRI", {"1.25", "0", "3.5"});
        e.run.ws.DATA[e.run.ws.KADD[tri] + 1] = TYPE_TRIANGLE;
        e.run.ws.DATA[e.run.ws.KADD[tri] + 3] = 2;
        const int str = e.make("STR", 3, TYPE_CHAR_STRING);
        e.elem(str, 1) = chars_to_element("A STRING");
        e.elem(str, 2) = chars_to_element(" OF TEXT");
        e.elem(str, 3) = chars_to_element("!");
        const int cv = e.make("CV", 2, TYPE_CHAR_VAR);
        e.elem(cv, 1) = chars_to_element("RED");
        e.elem(cv, 2) = chars_to_element("GREEN");
        const std::vector<int> slots = {x, m, sym, tri, str, cv};
        std::vector<std::vector<Real>> before;
        for (int slot : slots) {
            const long long a = e.run.ws.KADD[slot];
            before.emplace_back(&e.run.ws.DATA[a], &e.run.ws.DATA[a] + 4 + e.word(a + 2));
        }
        ScratchDir dir;
        e.exec(std::string("WRITE(blocks.dat) X M SYM TRI STR CV / ") + options);
        ASSERT_TRUE(e.lines().empty()) << options;
        for (int slot : slots) { // spoil every element, then read them back
            const long long a = e.run.ws.KADD[slot];
            for (long long k = 1; k <= e.word(a + 2); ++k) e.run.ws.DATA[a + 3 + k] = 99;
        }
        e.run.smpl.ITIME1 = e.run.smpl.ITIME2 = e.run.smpl.ITIME3 = 0;
        e.exec(std::string("READ(blocks.dat) X M SYM TRI STR CV / ") + options);
        e.lines();
        for (std::size_t v = 0; v < slots.size(); ++v) {
            const int slot = VFIND(e.run, e.name(slots[v]));
            ASSERT_GT(slot, 0);
            const long long a = e.run.ws.KADD[slot];
            ASSERT_EQ(static_cast<long long>(before[v].size()), 4 + e.word(a + 2)) << options << v;
            for (std::size_t k = 1; k < before[v].size(); ++k)
                EXPECT_TRUE(same_bits(before[v][k], e.run.ws.DATA[a + k]))
                    << options << " item " << v << " word " << k;
        }
        EXPECT_EQ(e.run.smpl.ITIME1, 1987) << options;
        EXPECT_EQ(e.run.smpl.ITIME2, 3) << options;
        EXPECT_EQ(e.run.smpl.ITIME3, 12) << options;

        if (std::string(options) != "TARVEX") continue;
        e.exec("WRITE(d.csv) X / FORMAT=COMMA");
        e.exec("READ(d.csv) XB / FORMAT=COMMA");
        e.lines();
        const int xb = VFIND(e.run, "XB");
        ASSERT_GT(xb, 0);
        for (long long k = 1; k <= 5; ++k)
            EXPECT_TRUE(same_bits(e.elem(xb, k), e.elem(VFIND(e.run, "X"), k))) << k;
    }
}

// The files of the current directory: a failed write leaves no temporary file behind.
std::vector<std::string> directory_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::current_path()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A disk that fills up: every whole-file layout reports the file and the reason, sets $ERR and
// leaves the earlier file unchanged; a numbered unit reports itself and keeps what it could
// write. /dev/full (not a regular file) is written directly and its failure reported as well.
TEST(WriteFailures, FullDiskLeavesTheEarlierFile) {
    ScratchDir dir;
    const std::vector<std::string> layouts = {"FORMAT=COMMA",  "FORMAT=TAB",  "TARVEX",
                                              "TARVEX BINARY", "DIF",         "",
                                              "BINARY",        "FORMAT=DUMP", "APPEND"};
    for (std::size_t k = 0; k < layouts.size(); ++k) {
        std::ofstream(dir.file("f" + std::to_string(k))) << "EARLIER\n";
    }
    std::ofstream(dir.file("bound")) << "EARLIER\n";
    const std::vector<std::string> before = directory_names();
    const Lines report = in_child(
        [&] {
            PrintEngine e;
            const int x = e.make("X", 3000);
            for (long long t = 1; t <= 3000; ++t) e.elem(x, t) = Real(t) / 7;
            Lines out;
            for (std::size_t k = 0; k < layouts.size(); ++k) {
                e.exec("WRITE('f" + std::to_string(k) + "') X / " + layouts[k]);
                for (const std::string& line : e.lines()) out.push_back(line);
                out.push_back(std::to_string(static_cast<int>(e.run.res[R_ERR])));
            }
            AfileRequest quiet;
            quiet.quiet = true;
            AFILE(e.run, 18, "bound", quiet);
            for (const char* command :
                 {"WRITE(17) X / FORMAT=COMMA", "WRITE(18) X", "WRITE(18) X / NOREWIND"}) {
                e.exec(command);
                for (const std::string& line : e.lines()) out.push_back(line);
                out.push_back(std::to_string(static_cast<int>(e.run.res[R_ERR])));
            }
            return out;
        },
        32768);
    Lines expected;
    for (std::size_t k = 0; k < layouts.size(); ++k) {
        expected.push_back(" ...ERROR..CANNOT WRITE FILE f" + std::to_string(k) +
                           ": FILE TOO LARGE");
        expected.push_back("5050");
    }
    expected.push_back(" ...ERROR..CANNOT WRITE ON UNIT 17 FILE fort.17: FILE TOO LARGE");
    expected.push_back("5051");
    // A bound unit written from its start keeps its earlier file and stands after it; written
    // on from there it keeps what it could write.
    expected.push_back(" ...ERROR..CANNOT WRITE ON UNIT 18 FILE bound: FILE TOO LARGE");
    expected.push_back("5051");
    expected.push_back(" ...ERROR..CANNOT WRITE ON UNIT 18 FILE bound: FILE TOO LARGE");
    expected.push_back("5051");
    EXPECT_EQ(report, expected);
    EXPECT_EQ(file_lines(dir.file("bound")).front(), "EARLIER");
    for (std::size_t k = 0; k < layouts.size(); ++k)
        EXPECT_EQ(file_lines(dir.file("f" + std::to_string(k))), Lines{"EARLIER"}) << layouts[k];
    EXPECT_GT(file_lines(dir.file("bound")).size(), 1u);
    fs::remove(dir.file("fort.17")); // made empty when the unit was bound
    EXPECT_EQ(directory_names(), before);

    PrintEngine e;
    e.vector("X", {"1", "2"});
    e.exec("WRITE('/dev/full') X / FORMAT=COMMA");
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..CANNOT WRITE FILE /dev/full: DISK FULL"});
    EXPECT_EQ(e.run.res[R_ERR], 5050);
}

// A file the user may not write is refused before anything is written, named or bound to a
// unit; it keeps its content. Root may write any file, so the check runs as another user.
TEST(WriteFailures, ReadOnlyFileIsAnError) {
    ScratchDir dir;
    std::ofstream(dir.file("ro.csv")) << "EARLIER\n";
    fs::permissions(dir.file("ro.csv"),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Lines report = in_child(
        [&] {
            PrintEngine e;
            e.vector("X", {"1", "2"});
            if (::access("ro.csv", W_OK) == 0) return Lines{"may write"};
            Lines out;
            e.exec("WRITE('ro.csv') X / FORMAT=COMMA");
            for (const std::string& line : e.lines()) out.push_back(line);
            out.push_back(std::to_string(static_cast<int>(e.run.res[R_ERR])));
            AfileRequest quiet;
            quiet.quiet = true;
            if (!AFILE(e.run, 18, "ro.csv", quiet)) out.push_back("not bound");
            e.exec("WRITE(18) X / NOREWIND");
            for (const std::string& line : e.lines()) out.push_back(line);
            out.push_back(std::to_string(static_cast<int>(e.run.res[R_ERR])));
            return out;
        },
        RLIM_INFINITY, true);
    if (report == Lines{"may write"}) GTEST_SKIP() << "this user may write a read-only file";
    EXPECT_EQ(report,
              (Lines{" ...ERROR..CANNOT WRITE FILE ro.csv: PERMISSION DENIED", "5050",
                     " ...ERROR..CANNOT WRITE ON UNIT 18 FILE ro.csv: PERMISSION DENIED", "5051"}));
    EXPECT_EQ(file_lines(dir.file("ro.csv")), Lines{"EARLIER"});
}

// Infinities and NaNs: the text layouts refuse the WRITE, naming the value, the variable and the
// observation, and leave the earlier file as it was; the binary layouts keep every bit, as READ
// shows.
TEST(WriteFailures, InfinityAndNanOnlyInBinaryLayouts) {
    PrintEngine e;
    const int x = e.vector("X", {"1", "2", "3"});
    e.elem(x, 2) = nanq("");
    e.elem(x, 3) = -HUGE_VALQ;
    store_format(e.run, "(F10.2)");
    ScratchDir dir;
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"FORMAT=COMMA", "COMMA FILE"}, {"FORMAT=TAB", "TAB FILE"}, {"DIF", "DIF FILE"},
        {"TARVEX", "TARVDATA FILE"},    {"", "FREE-FORMAT FILE"},   {"FORMAT", "FORMATTED FILE"}};
    for (const auto& [options, layout] : refused) {
        std::ofstream(dir.file("v.txt")) << "EARLIER\n";
        e.exec("WRITE('v.txt') X / " + options);
        EXPECT_EQ(e.lines(),
                  Lines{" ...ERROR..CANNOT WRITE NAN IN A " + layout + ": X OBSERVATION 2"});
        EXPECT_EQ(e.run.res[R_ERR], 5052);
        EXPECT_EQ(file_lines(dir.file("v.txt")), Lines{"EARLIER"}) << options;
    }
    e.exec("WRITE('v.txt') X / BEG=3 END=3 FORMAT=COMMA");
    EXPECT_EQ(e.lines(),
              Lines{" ...ERROR..CANNOT WRITE -INFINITY IN A COMMA FILE: X OBSERVATION 3"});
    e.exec("WRITE('v.txt') X / BEG=1 END=1 FORMAT=COMMA"); // values outside the range do not matter
    EXPECT_TRUE(e.lines().empty());
    e.run.sw[OOPUT] = true;
    e.exec("WRITE X / FORMAT=COMMA"); // the report shows them
    e.run.sw[OOPUT] = false;
    EXPECT_EQ(e.lines().size(), 3u);
    const std::vector<Real> values = {e.elem(x, 1), e.elem(x, 2), e.elem(x, 3)};
    for (const char* options : {"TARVEX BINARY", "TARVEX SBINARY", "BINARY", "SBINARY"}) {
        e.exec(std::string("WRITE(v.bin) X / ") + options);
        for (long long k = 1; k <= 3; ++k) e.elem(x, k) = 99;
        e.exec(std::string("READ(v.bin) X / ") + options);
        e.lines();
        for (long long k = 1; k <= 3; ++k)
            EXPECT_TRUE(same_bits(e.elem(x, k), values[k - 1])) << options << k;
        fs::remove(dir.file("v.bin"));
    }
}

// The 248-character limit and the stop when PRINT uses a longer format are pinned by the
// format_248 and format_long goldens; FORMAT reaching the dispatcher itself stops with 590.
TEST(FormatCommand, DispatcherStop) {
    PrintEngine e;
    try {
        cmd_format_at_dispatcher(e.run);
        ADD_FAILURE() << "no stop";
    } catch (const FatalStop& stop) {
        EXPECT_EQ(stop.code, 590);
    }
}

} // namespace
} // namespace tarvex
