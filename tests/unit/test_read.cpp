// READ: what the read goldens cannot show: a failed read in a batch run leaving the variables
// alone, values read from DIF into listed variables, a TARVDATA block's calendar and the
// TARVBIN stop, and binary blocks read bit for bit. Values from the command stream, repeat
// counts, padding, BYVAR, no data, a row asked for again and character contents are pinned by
// the read/values golden; the delimited, matrix and user-format layouts by the other read
// goldens.
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

using tarvex::testing::reals;

} // namespace

TEST(Read, FailedReadLeavesExistingVariablesAlone) {
    ScriptRun r("READ X\n1\n2\nEND\nREAD X Y\n3 4\n5 oops\nEND\nSTOP\n");
    EXPECT_TRUE(r.has_line(" ...ERROR..READ ERROR IN ROW      2 COLUMN      2"));
    EXPECT_EQ(r.values("X"), reals({1, 2}));
    EXPECT_TRUE(r.values("Y").empty());
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

// The values of a TARVDATA block and the stops for another variable or a file that is no
// TARVDATA file are pinned by the read/tarvdata and read/not_tarvdata goldens.
TEST(Read, TextBlockCalendarAndTheBinaryStop) {
    ScratchDir dir;
    const std::string block = "TARVDATA\n   1   1  16   1   0   6   7   0  16\nTFFFFF\n"
                              "       1       3       1    1990       1       4       0\n"
                              "X                                                                   "
                              "                                                            \n"
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
    for (std::size_t k = 0; k < values.size(); ++k)
        std::memcpy(&data[16 * (k + 1)], &values[k], 16);
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
