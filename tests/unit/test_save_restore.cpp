// SAVE and RESTORE: the file layout (hexadecimal bit patterns checked against hand-worked
// binary128 encodings), exact round trips of awkward values, a restore that reshapes a variable
// in place, and damaged files that must leave the workspace as it was. Units, dated blocks and
// their messages are pinned by the maint/save_dates and maint/save_restore goldens.
#include "maintenance_support.hpp"

#include "workspace/saved_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sstream>

namespace tarvex {
namespace {

using testing::file_text;
using testing::LiveRun;
using testing::same_bits;
using testing::ScratchDir;

TEST(SavedFile, HexDigitsAreTheBinary128Encoding) {
    // Sign bit, 15 exponent bits (bias 16383), 112 fraction bits.
    EXPECT_EQ(real_to_hex(1), "3FFF0000000000000000000000000000");
    EXPECT_EQ(real_to_hex(-2), "C0000000000000000000000000000000");
    EXPECT_EQ(real_to_hex(Real(1) / 3), "3FFD5555555555555555555555555555");
    EXPECT_EQ(real_to_hex(0.1Q), "3FFB999999999999999999999999999A");
    EXPECT_EQ(real_to_hex(-0.0Q), "80000000000000000000000000000000");
    Real value = 0;
    ASSERT_TRUE(hex_to_real("3ffd5555555555555555555555555555", value));
    EXPECT_TRUE(same_bits(value, Real(1) / 3));
    EXPECT_FALSE(hex_to_real("3FFD555555555555555555555555555", value));  // 31 digits
    EXPECT_FALSE(hex_to_real("3FFD55555555555555555555555555G5", value)); // not hexadecimal
}

TEST(SaveRestore, EveryValueComesBackWithItsBits) {
    ScratchDir scratch;
    LiveRun t;
    t.exec("dimension v 8 m 2 3");
    const Real values[8] = {Real(1) / 3,        -0.0Q,
                            FLT128_DENORM_MIN,  FLT128_MAX,
                            -__builtin_infq(),  __builtin_nanq("0x1234"),
                            1 + FLT128_EPSILON, -123456789.000000000000000000000000001Q};
    for (int k = 0; k < 8; ++k) t.at("V", k + 1) = values[k];
    for (int k = 1; k <= 6; ++k) t.at("M", k) = Real(k) / 7;
    EXPECT_EQ(t.exec("save (11)"), " V HAS BEEN SAVED\n M HAS BEEN SAVED\n");
    const std::string text = file_text("TARVEX11.SAV");
    EXPECT_EQ(text.substr(0, text.find('\n')), "TARVSAVE V 1 8 1 0 0 0");
    EXPECT_NE(text.find("3FFD5555555555555555555555555555 8000000000000000000000000000000"
                        "0 00000000000000000000000000000001 7FFEFFFFFFFFFFFFFFFFFFFFFFFFFFFF\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("TARVSAVE M 2 6 3 0 0 0\n"), std::string::npos);

    t.exec("delete all");
    ASSERT_EQ(t.run->ws.NVARS, 0);
    EXPECT_EQ(t.exec("restore (11)"),
              " VARIABLE V HAS BEEN RESTORED\n VARIABLE M HAS BEEN RESTORED\n");
    ASSERT_EQ(t.info("V").length, 8);
    for (int k = 0; k < 8; ++k) EXPECT_TRUE(same_bits(t.at("V", k + 1), values[k])) << k;
    EXPECT_EQ(t.info("M").type, TYPE_MATRIX);
    EXPECT_EQ(t.info("M").ncol, 3);
    for (int k = 1; k <= 6; ++k) EXPECT_TRUE(same_bits(t.at("M", k), Real(k) / 7)) << k;

    // Saved again, the file is the same text: nothing was lost on the way.
    t.exec("save 12 v m");
    EXPECT_EQ(file_text("TARVEX12.SAV"), text);
}

TEST(SaveRestore, RestoreReshapesAnExistingVariable) {
    ScratchDir scratch;
    LiveRun t;
    ScratchDir::write("TARVEX20.SAV",
                      "TARVSAVE X 2 4 2 0 0 0\n"
                      "3FFF0000000000000000000000000000 40000000000000000000000000000000\n"
                      "40008000000000000000000000000000 40010000000000000000000000000000\n"
                      "TARVSEND X\n");
    t.exec("dimension x 10 y 1");
    t.exec("restore 20 x");
    const VarInfo x = t.info("X");
    EXPECT_EQ(x.type, TYPE_MATRIX);
    EXPECT_EQ(x.length, 4);
    EXPECT_EQ(x.ncol, 2);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(t.at("X", k), k) << k;
    // X stayed in its own storage: Y behind it did not move.
    EXPECT_EQ(t.slot("X"), 1);
    EXPECT_EQ(t.info("Y").addr, 15);
}

TEST(SaveRestore, DamagedFilesChangeNothing) {
    ScratchDir scratch;
    LiveRun t;
    t.exec("dimension x 2");
    t.at("X", 1) = 5;
    const std::string good_block = "TARVSAVE X 1 2 1 0 0 0\n"
                                   "3FFF0000000000000000000000000000 "
                                   "40000000000000000000000000000000\n"
                                   "TARVSEND X\n";
    const struct {
        std::string text;
        std::string message;
    } damaged[] = {
        {good_block.substr(0, good_block.size() - 11), "IS DAMAGED AT LINE       3"}, // no end
        {"TARVSAVE X 1 3 1 0 0 0\n3FFF0000000000000000000000000000\nTARVSEND X\n",
         "IS DAMAGED AT LINE       3"},                              // short of elements
        {"TARVSAVE X 1 2 1 0 0\n", "IS DAMAGED AT LINE       1"},    // header field missing
        {"TARVSAVE 9X 1 1 1 0 0 0\n", "IS DAMAGED AT LINE       1"}, // not a name
        {"TARVSAVE X 7 1 1 0 0 0\n", "IS DAMAGED AT LINE       1"},  // no such type
        {"TARVSAVE X 1 1 1 0 0 0\nZZ\nTARVSEND X\n", "IS DAMAGED AT LINE       2"},
        {good_block + "garbage\n", "IS DAMAGED AT LINE       4"},
    };
    for (const auto& file : damaged) {
        ScratchDir::write("TARVEX21.SAV", file.text);
        t.run->units.open.erase(21); // read the new text from its start
        const std::string out = t.exec("restore 21");
        EXPECT_NE(out.find(" ...ERROR..SAVED FILE ON UNIT 21 " + file.message), std::string::npos)
            << file.text << out;
        EXPECT_EQ(t.info("X").length, 2);
        EXPECT_EQ(t.at("X", 1), 5);
        close_unit(*t.run, 21);
    }
}

} // namespace
} // namespace tarvex
