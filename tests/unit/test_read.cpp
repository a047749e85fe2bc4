// READ: stored values the read goldens do not print (full-precision numbers, repeat counts,
// padding, character contents, calendars, binary blocks) and the messages they do not pin. The
// delimited, matrix and user-format layouts are pinned by the read goldens.
#include "io/char_words.hpp"
#include "io/tarv_blocks.hpp"
#include "test_support.hpp"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using tarvex::Real;
using tarvex::testing::ScriptRun;

namespace {

using tarvex::testing::ScratchDir;

std::vector<Real> reals(std::initializer_list<Real> v) { return v; }

} // namespace

TEST(Read, CommandStreamByObservationSetsSampleAndValues) {
    ScriptRun r("READ X Y\n1 2\n0.1, -3.5E2\n  7   8D1\nEND\nSTOP\n");
    EXPECT_EQ(r.values("X"), reals({1, 0.1Q, 7}));
    EXPECT_EQ(r.values("Y"), reals({2, -350, 80}));
    EXPECT_EQ(r.run->smpl.IBEG, 1);
    EXPECT_EQ(r.run->smpl.IEND, 3);
    EXPECT_TRUE(r.has_line(" ...NOTE..SAMPLE RANGE IS NOW SET TO:         1         3"));
    EXPECT_TRUE(r.has_line(" ...NOTE..    2 VARIABLES AND        3 OBSERVATIONS STARTING AT OBS       1"));
}

TEST(Read, ObservationContinuesOnNextRecordAndExtraValuesAreIgnored) {
    // A short record continues on the next one; a long one has its extra values dropped.
    ScriptRun r("READ A B C\n1 2\n3\n4 5 6 99\n2*7 8\nEND\nSTOP\n");
    EXPECT_EQ(r.values("A"), reals({1, 4, 7}));
    EXPECT_EQ(r.values("B"), reals({2, 5, 7}));
    EXPECT_EQ(r.values("C"), reals({3, 6, 8}));
}

TEST(Read, KnownSampleReadsExactlyThatManyAndPadsWithZeros) {
    ScriptRun r("SAMPLE 1 4\nREAD X\n5\n6\nEND\nSTOP\n");
    EXPECT_EQ(r.values("X"), reals({5, 6, 0, 0}));
    EXPECT_TRUE(r.has_line(" ...ERROR..LESS DATA FOUND THAN EXPECTED..ZEROS USED"));
    ScriptRun s("SAMPLE 2 3\nREAD X\n5\n6\nSTOP\n");
    // Observations 2 and 3 are filled; observation 1 holds the missing code.
    EXPECT_EQ(s.values("X"), reals({-99999, 5, 6}));
}

// Reading by variable and its read error are pinned by the read/command_stream golden.
TEST(Read, ByVariableNeedsAKnownNumberOfObservations) {
    ScriptRun unknown("READ X Y / BYVAR\n1 2\nEND\nSTOP\n");
    EXPECT_TRUE(unknown.has_line(" ...ERROR..NUMBER OF OBSERVATIONS NOT SPECIFIED"));
}

TEST(Read, FailedReadLeavesExistingVariablesAlone) {
    ScriptRun r("READ X\n1\n2\nEND\nREAD X Y\n3 4\n5 oops\nEND\nSTOP\n");
    EXPECT_TRUE(r.has_line(" ...ERROR..READ ERROR IN ROW      2 COLUMN      2"));
    EXPECT_EQ(r.values("X"), reals({1, 2}));
    EXPECT_TRUE(r.values("Y").empty());
}

// The start messages are pinned by the read/command_stream golden; no data leaves no sample.
TEST(Read, NoDataLeavesTheSampleUndefined) {
    ScriptRun none("READ X\nEND\nSTOP\n");
    EXPECT_TRUE(none.has_line(" ...ERROR..NO DATA FOUND"));
    EXPECT_EQ(none.run->smpl.IEND, -999);
}

TEST(Read, ConsoleRowErrorAsksForTheRowAgain) {
    ScriptRun r("SET TALK\nREAD X Y\n1 2\n3 x\n3 4\nEND\nSTOP\n");
    EXPECT_TRUE(r.has_line("       2  VARIABLES--ENTER END     ON NEW LINE WHEN DONE"));
    EXPECT_TRUE(r.has_line(" ...ERROR..READ ERROR IN ROW      2 COLUMN      2"));
    EXPECT_TRUE(r.has_line(" ...WARNING..RE-ENTER ALL DATA FOR ROW   2"));
    EXPECT_EQ(r.values("Y"), reals({2, 4}));
}

// The DIF notes, names, counts and the bad file are pinned by the read/dif golden; values read
// into listed variables are not printed there.
TEST(Read, DifFileIntoListedVariables) {
    ScratchDir dir;
    const std::string dif =
        "TABLE\n0,1\n\"\"\nVECTORS\n0,2\n\"\"\nTUPLES\n0,2\n\"\"\nDATA\n0,0\n\"\"\n"
        "-1,0\nBOT\n1,0\n\"GDP\"\n1,0\n\"rate\"\n"
        "-1,0\nBOT\n0,1.25\nV\n0,2\nV\n-1,0\nBOT\n0,3\nV\n0,-4E1\nV\n-1,0\nEOD\n";
    dir.write("s.Dif", dif);
    ScriptRun listed("READ (s.Dif) U V\nSTOP\n");
    EXPECT_EQ(listed.values("U"), reals({1.25Q, 3}));
    EXPECT_EQ(listed.values("V"), reals({2, -40}));
}

TEST(Read, CharacterStringsAndVariables) {
    ScriptRun r("READ C / CHARSTR\nTitle of the run\nSAMPLE 1 2\nREAD N / CHARVAR\nalpha\nbeta\nSTOP\n");
    std::vector<Real> c = r.values("C");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(tarvex::element_to_chars(c[0]) + tarvex::element_to_chars(c[1]), "Title of the run");
    EXPECT_EQ(r.info("C").type, tarvex::TYPE_CHAR_STRING);
    std::vector<Real> n = r.values("N");
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(tarvex::element_to_chars(n[0]), "alpha   ");
    EXPECT_EQ(tarvex::element_to_chars(n[1]), "beta    ");
}

// The values of a TARVDATA block and the stops for another variable or a file that is no
// TARVDATA file are pinned by the read/tarvdata and read/not_tarvdata goldens.
TEST(Read, TextBlockCalendarAndTheBinaryStop) {
    ScratchDir dir;
    const std::string block =
        "TARVDATA\n   1   1  16   1   0   6   7   0  16\nTFFFFF\n"
        "       1       3       1    1990       1       4       0\n"
        "X                                                                                                                               \n"
        "        \n1.5 2.5\n3.5\n";
    dir.write("x.tvd", block);
    ScriptRun r("READ (x.tvd) X / TARVEX\nSTOP\n");
    EXPECT_EQ(r.values("X"), reals({1.5Q, 2.5Q, 3.5Q}));
    EXPECT_EQ(r.run->smpl.ITIME1, 1990);
    EXPECT_EQ(r.run->smpl.ITIME3, 4);
    dir.write("n.tvd", "NOTADATA\n");
    ScriptRun notbin("READ (n.tvd) X / TARVEX BINARY\nSTOP\n");
    EXPECT_TRUE(notbin.fatal);
    EXPECT_NE(notbin.output.find("NOT A TARVBIN FILE"), std::string::npos);
}

namespace {

void put_record(std::string& out, const std::string& payload) {
    const std::uint32_t n = static_cast<std::uint32_t>(payload.size());
    char len[4];
    std::memcpy(len, &n, 4);
    out.append(len, 4);
    out += payload;
    out.append(len, 4);
}

std::string binary_block(const std::string& name, const std::vector<Real>& values) {
    namespace tb = tarvex::tarv_blocks;
    std::string out;
    put_record(out, "TARVBIN ");
    std::string header(tb::BIN_HEADER_BYTES, '\0');
    auto put_int = [&](std::size_t off, std::int32_t v) { std::memcpy(&header[off], &v, 4); };
    const auto run = tb::run_ints(16);
    for (int k = 0; k < tb::RUN_INTS; ++k) put_int(tb::BIN_OFF_RUN + 4 * k, run[k]);
    put_int(tb::BIN_OFF_FLAGS + 4 * tb::FLAG_BINARY, 1);
    const int shape[7] = {1, static_cast<int>(values.size()), 1, 1, 0, 1, 0};
    for (int k = 0; k < tb::SHAPE_INTS; ++k) put_int(tb::BIN_OFF_SHAPE + 4 * k, shape[k]);
    std::string n = name;
    n.resize(tb::NAME_ENTRY + tb::LABELS * tb::ITEM_WIDTH, ' ');
    header.replace(tb::BIN_OFF_NAME, n.size(), n);
    put_record(out, header);
    std::string data(16 * (values.size() + 1), '\0');
    Real length = static_cast<Real>(values.size());
    std::memcpy(&data[0], &length, 16);
    for (std::size_t k = 0; k < values.size(); ++k) std::memcpy(&data[16 * (k + 1)], &values[k], 16);
    put_record(out, data);
    return out;
}

} // namespace

TEST(Read, BinaryBlocksSwitchFromTextReading) {
    ScratchDir dir;
    const Real third = 1.0Q / 3;
    dir.write("x.tvb", binary_block("X", {third, -2}) + binary_block("Y", {4}));
    // Asked as text, the TARVBIN record switches to binary reading; every bit is kept.
    ScriptRun r("READ (x.tvb) X Y / TARVEX\nSTOP\n");
    EXPECT_EQ(r.values("X"), reals({third, -2}));
    EXPECT_EQ(r.values("Y"), reals({4}));
    ScriptRun b("READ (x.tvb) X / TARVEX BINARY\nSTOP\n");
    EXPECT_EQ(b.values("X"), reals({third, -2}));
}
