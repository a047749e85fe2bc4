// READ of records longer than any line buffer: read whole (by both the serial and the two-thread
// reader), or refused with an error naming the file once past the longest record allowed; and
// every number field WRITE writes reads back as the value written.
#include "io/data_lines.hpp"
#include "io/read_command.hpp"
#include "io/record_scan.hpp"
#include "numeric/fortran_format.hpp"
#include "read_file_fixture.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>
#include <string>

using tarvex::Real;
using tarvex::testing::ScriptRun;

namespace {

using RecordsFixture = tarvex::testing::ReadFileFixture;

using tarvex::testing::reals;

} // namespace

TEST_F(RecordsFixture, LongFreeFormatRecordIsReadWhole) {
    // The first observation's second value lies 300,000 blanks along its record.
    write("long.txt", "1" + std::string(300000, ' ') + "2\n3 4\n5 6\n");
    ScriptRun r("READ (long.txt) X Y\nSTOP\n");
    EXPECT_EQ(r.values("X"), reals({1, 3, 5}));
    EXPECT_EQ(r.values("Y"), reals({2, 4, 6}));

    // The same record in the second half of a file long enough for the two-thread reader, which
    // must agree with the serial one.
    std::string big;
    for (int i = 0; i < 200000; ++i) big += "7 8\n";
    big += "1" + std::string(300000, ' ') + "2\n";
    write("big.txt", big);
    for (bool split : {true, false}) {
        tarvex::allow_split_reading(split);
        ScriptRun b("READ (big.txt) X Y\nSTOP\n");
        const std::vector<Real> x = b.values("X"), y = b.values("Y");
        ASSERT_EQ(x.size(), 200001u) << split;
        EXPECT_EQ(x.back(), 1) << split;
        EXPECT_EQ(y.back(), 2) << split;
    }
}

TEST_F(RecordsFixture, NineThousandColumnCsvKeepsItsLastColumns) {
    constexpr int COLS = 9000;
    std::string header, row1, row2;
    for (int c = 1; c <= COLS; ++c) {
        const std::string sep = c < COLS ? "," : "\n";
        header += "V" + std::to_string(c) + sep;
        row1 += std::to_string(c) + ".5000000" + sep; // rows of about 110,000 characters
        row2 += std::to_string(-c) + sep;
    }
    write("wide.csv", header + row1 + row2);
    ScriptRun r("SIZE 10000\nSET NOWARN\nREAD (wide.csv) / NAMES\nSTOP\n");
    EXPECT_EQ(r.values("V8000"), reals({8000.5Q, -8000}));
    EXPECT_EQ(r.values("V9000"), reals({9000.5Q, -9000}));
}

TEST_F(RecordsFixture, RecordPastTheLimitIsRefusedNamingTheFile) {
    // A device without line ends: the read stops at the limit instead of taking memory for ever.
    ScriptRun z("READ (/dev/zero) X Y\nSTOP\n");
    EXPECT_TRUE(
        z.has_line(" ...ERROR..RECORD        1 IS LONGER THAN 67108864 CHARACTERS IN: /dev/zero"))
        << z.output;
    EXPECT_EQ(z.run->res[tarvex::R_ERR], 3060);
    EXPECT_TRUE(z.values("X").empty());
    EXPECT_EQ(z.output.find("NO DATA FOUND"), std::string::npos);

    // A regular file long enough to be split, its too long record in the second half: the
    // two-thread reader leaves it to the serial one, which gives the error and stores nothing.
    std::string big;
    for (int i = 0; i < 300000; ++i) big += "7 8\n";
    big += std::string(tarvex::LONGEST_DATA_RECORD + 1, '9') + "\n1 2\n";
    write("huge.txt", big);
    ScriptRun h("READ (huge.txt) X Y\nSTOP\n");
    EXPECT_TRUE(
        h.has_line(" ...ERROR..RECORD   300001 IS LONGER THAN 67108864 CHARACTERS IN: huge.txt"));
    EXPECT_TRUE(h.values("X").empty());
    // A record of exactly the limit is taken.
    write("edge.txt", std::string(tarvex::LONGEST_DATA_RECORD - 1, ' ') + "5\n");
    ScriptRun e("READ (edge.txt) X\nSTOP\n");
    EXPECT_EQ(e.values("X"), reals({5}));
}

TEST(DataNumbers, EveryFieldWriteWritesReadsBackAtEveryExponent) {
    using tarvex::data_number;
    // Fields of 7 significant digits over the whole binary128 range, both signs: the fields
    // written for exponents of three and four digits have no exponent letter.
    int letterless = 0;
    for (int k = -4931; k <= 4931; k += 7) {
        for (const char* sign : {"", "-"}) {
            Real value = 0;
            ASSERT_TRUE(data_number(std::string(sign) + "1.234567E" + std::to_string(k), value));
            for (const std::string& field :
                 {tarvex::fmt_G(value, 15, 7), tarvex::fmt_E(value, 15, 7),
                  tarvex::fmt_E(value, 16, 7, 0, 'D')}) {
                Real back = 0;
                ASSERT_TRUE(data_number(field, back)) << field;
                EXPECT_EQ(tarvex::fmt_G(back, 15, 7), tarvex::fmt_G(value, 15, 7)) << field;
                if (field.find_first_of("ED") == std::string::npos) ++letterless;
            }
        }
    }
    EXPECT_GT(letterless, 2000);
    // Only one sign after the mantissa, with digits after it, makes an exponent.
    Real v = 0;
    for (const char* bad : {"1+", "1-2-3", "+-1", "1E+2+3", "-+5", "1+2.5", "1.2.3+4", ".+5"})
        EXPECT_FALSE(data_number(bad, v)) << bad;
    ASSERT_TRUE(data_number(" -.5-3 ", v));
    EXPECT_EQ(v, Real(-0.0005Q));
}
