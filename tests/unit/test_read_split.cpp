// Free-format READ of a long file converted on two threads: the values, counts, messages and the
// place a unit is left at are those of the record-by-record reader, in file order, including
// records of every free-format shape in both halves, bad items and short records; and the same
// for delimited records, whose values keep every bit of their text.
#include "io/read_command.hpp"
#include "numeric/row_split.hpp"
#include "read_file_fixture.hpp"
#include "reference_support.hpp"
#include "test_support.hpp"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <quadmath.h>
#include <string>
#include <unistd.h>

using tarvex::Real;
using tarvex::testing::ScriptRun;

namespace {

constexpr long ROWS = 90000; // about 2 MB of records: long enough to be split

// Row i (from 1): "i.25 -i 3i+1"; `special` replaces chosen rows.
std::string data_text(long rows, const std::vector<std::pair<long, std::string>>& special = {}) {
    std::string text;
    std::size_t next = 0;
    for (long i = 1; i <= rows; ++i) {
        if (next < special.size() && special[next].first == i) {
            text += special[next++].second + "\n";
            continue;
        }
        text += std::to_string(i) + ".25 -" + std::to_string(i) + " " + std::to_string(3 * i + 1) +
                "\n";
    }
    return text;
}

struct SplitFixture : tarvex::testing::ReadFileFixture {
    using ReadFileFixture::write;
    void write(const std::string& text) { write("big.txt", text); }

    // Runs the script with and without the split; both runs must agree on every report line
    // and on the bits of every listed variable. Returns whether the first run split.
    bool same_both_ways(const std::string& script, const std::vector<std::string>& names) {
        const long long before = tarvex::split_reads();
        ScriptRun split(script);
        const bool did_split = tarvex::split_reads() > before;
        tarvex::allow_split_reading(false);
        ScriptRun serial(script);
        tarvex::allow_split_reading(true);
        EXPECT_EQ(split.output, serial.output);
        for (const std::string& name : names) {
            const std::vector<Real> a = split.values(name), b = serial.values(name);
            EXPECT_EQ(a.size(), b.size()) << name;
            if (a.size() == b.size() && !a.empty()) {
                EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(Real)), 0) << name;
            }
        }
        return did_split;
    }
};

} // namespace

TEST_F(SplitFixture, EveryRecordShapeInBothHalvesReadsAsTheSerialReaderDoes) {
    if (!tarvex::two_threads_available()) GTEST_SKIP() << "one processor";
    // Nulls, the slash, repeat counts, extra values, carriage returns and trailing blank records,
    // near the start and near the end of the file.
    const std::vector<std::pair<long, std::string>> special = {
        {2, "1,,3"},    {3, "4 /"},          {5, "2*7 8"},       {6, "9 10 11 junk 12"},
        {7, "1 2 3\r"}, {ROWS - 3, "5, ,6"}, {ROWS - 2, "3*-0"}, {ROWS - 1, "1E3 2D-1 7 / x"}};
    write(data_text(ROWS, special) + "  \n\n");
    EXPECT_TRUE(same_both_ways("READ (big.txt) A B C\nSTOP\n", {"A", "B", "C"}));

    ScriptRun r("READ (big.txt) A SKIP$ C\nSTOP\n");
    const std::vector<Real> a = r.values("A"), c = r.values("C");
    ASSERT_EQ(a.size(), std::size_t(ROWS));
    // The first half stays first: row order across the cut is the file's.
    EXPECT_EQ(a[0], Real(1.25Q));
    EXPECT_EQ(a[ROWS / 2], Real(ROWS / 2 + 1) + 0.25Q);
    EXPECT_EQ(a[ROWS - 1], Real(ROWS) + 0.25Q);
    EXPECT_EQ(c[1], Real(3));
    EXPECT_EQ(c[2], Real(-99999));
    EXPECT_EQ(c[ROWS - 4], Real(6));
    EXPECT_TRUE(c[ROWS - 3] == 0 && signbitq(c[ROWS - 3])); // "3*-0"
    // The column passed over leaves SKIP$ with every observation in use.
    EXPECT_EQ(r.values("SKIP$"), std::vector<Real>(ROWS, Real(0)));
    EXPECT_TRUE(
        r.has_line(" ...NOTE..    2 VARIABLES AND    90000 OBSERVATIONS STARTING AT OBS       1"));
}

TEST_F(SplitFixture, BadItemsAndShortRecordsGiveTheSerialMessages) {
    if (!tarvex::two_threads_available()) GTEST_SKIP() << "one processor";
    write(data_text(ROWS, {{ROWS - 100, "7 x7 9"}}));
    same_both_ways("READ (big.txt) A B C\nSTOP\n", {"A", "B", "C"});
    ScriptRun bad("READ (big.txt) A B C\nSTOP\n");
    EXPECT_TRUE(bad.has_line(" ...ERROR..READ ERROR IN ROW  89900 COLUMN      2"));
    EXPECT_TRUE(bad.values("A").empty());
    // A bad item past the observations wanted is never seen.
    const std::string part = "SAMPLE 1 89000\nREAD (big.txt) A B C\nSTOP\n";
    EXPECT_TRUE(same_both_ways(part, {"A", "B", "C"}));
    EXPECT_EQ(ScriptRun(part).values("C").back(), Real(3 * 89000 + 1));

    // A record that runs short continues on the next one, in the upper half, which must then
    // end with the row: here it holds a whole row more, so the read is refused, not shifted.
    write(data_text(ROWS, {{ROWS - 10, "1 2"}}));
    same_both_ways("READ (big.txt) A B C\nSTOP\n", {"A", "B", "C"});
    ScriptRun shifted("READ (big.txt) A B C\nSTOP\n");
    EXPECT_TRUE(shifted.has_line(
        " ...ERROR..DATA ROW 89990 (LINES 89990 TO 89991) HOLDS 5 VALUES FOR 3 VARIABLES: NOTHING"
        " READ"));
    EXPECT_TRUE(shifted.values("A").empty());
    write(data_text(ROWS, {{ROWS - 10, "1 2"}, {ROWS - 9, "3"}}));
    same_both_ways("READ (big.txt) A B C\nSTOP\n", {"A", "B", "C"});
    ScriptRun shorter("READ (big.txt) A B C\nSTOP\n");
    EXPECT_EQ(shorter.values("A").size(), std::size_t(ROWS - 1));
    EXPECT_EQ(shorter.values("C")[ROWS - 11], Real(3));
    // A short last record, then blank ones: the observation is made up with zeros.
    write(data_text(ROWS) + "1 2\n \n");
    same_both_ways("READ (big.txt) A B C\nSTOP\n", {"A", "B", "C"});
    ScriptRun padded("READ (big.txt) A B C\nSTOP\n");
    EXPECT_EQ(padded.values("C").size(), std::size_t(ROWS + 1));
    EXPECT_EQ(padded.values("C").back(), Real(0));
    EXPECT_TRUE(padded.has_line(" ...ERROR..LESS DATA FOUND THAN EXPECTED..ZEROS USED"));
    // More observations wanted than the file holds: zeros and the message, as before.
    write(data_text(ROWS));
    same_both_ways("SAMPLE 1 90005\nREAD (big.txt) A B C\nSTOP\n", {"A", "B", "C"});
    EXPECT_TRUE(ScriptRun("SAMPLE 1 90005\nREAD (big.txt) A B C\nSTOP\n")
                    .has_line(" ...ERROR..LESS DATA FOUND THAN EXPECTED..ZEROS USED"));
}

TEST_F(SplitFixture, MissingValuesAndLinesPastTheSampleAreCountedInBothHalves) {
    if (!tarvex::two_threads_available()) GTEST_SKIP() << "one processor";
    // Empty items near the start, just past the cut and near the end: the halves' values are
    // joined from partly filled pieces, and every missing value must be counted once.
    write(data_text(ROWS, {{2, "1,,3"}, {ROWS / 2 + 7, ",5 6"}, {ROWS - 3, "5, ,6"}}));
    const std::string whole = "READ (big.txt) A B C\nSTOP\n";
    EXPECT_TRUE(same_both_ways(whole, {"A", "B", "C"}));
    ScriptRun all(whole);
    EXPECT_TRUE(all.has_line(" ...NOTE..       3 VALUES READ ARE MISSING (NA, EMPTY OR THE MISSING "
                             "DATA VALUE=-99999.000)"));
    EXPECT_EQ(all.output.find("LEFT UNREAD"), std::string::npos);

    // A sample ending before the file: only the rows taken count, and the rest is reported.
    const std::string part = "SAMPLE 1 89000\nREAD (big.txt) A B C\nSTOP\n";
    EXPECT_TRUE(same_both_ways(part, {"A", "B", "C"}));
    ScriptRun cut(part);
    EXPECT_EQ(cut.values("A").size(), std::size_t(89000));
    EXPECT_TRUE(cut.has_line(" ...NOTE..       2 VALUES READ ARE MISSING (NA, EMPTY OR THE MISSING "
                             "DATA VALUE=-99999.000)"));
    EXPECT_TRUE(cut.has_line(" ...NOTE..    1000 LINES OF THE FILE LEFT UNREAD: THE SAMPLE ENDS AT "
                             "OBS   89000; TO READ THEM, SAMPLE 1 90000 BEFORE READ"));
}

TEST_F(SplitFixture, ReadsFromAUnitLeaveItWhereTheSerialReaderDoes) {
    if (!tarvex::two_threads_available()) GTEST_SKIP() << "one processor";
    write(data_text(ROWS));
    // The first READ stops in the lower half, the second in the upper half, the third reads on
    // to the end of the file.
    const std::string script = "FILE 11 big.txt\nSAMPLE 1 30000\nREAD (11) A B C\n"
                               "SAMPLE 1 40000\nREAD (11) D E F / NOREWIND\n"
                               "SAMPLE 1 20000\nREAD (11) G H I / NOREWIND\nSTOP\n";
    EXPECT_TRUE(same_both_ways(script, {"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
    ScriptRun r(script);
    EXPECT_EQ(r.values("D").front(), Real(30001) + 0.25Q);
    EXPECT_EQ(r.values("G").front(), Real(70001) + 0.25Q);
    EXPECT_EQ(r.values("G").back(), Real(90000) + 0.25Q);
}

TEST_F(SplitFixture, NamesFromTheFileFixTheValuesOfEveryRow) {
    if (!tarvex::two_threads_available()) GTEST_SKIP() << "one processor";
    // With the names on the first line every record holds one row: a record with a value too
    // many, in the upper half, ends the read as in the serial reader (no value is dropped).
    write("A B C\n" + data_text(ROWS));
    EXPECT_TRUE(same_both_ways("READ (big.txt) / NAMES\nSTOP\n", {"A", "B", "C"}));
    EXPECT_EQ(ScriptRun("READ (big.txt) / NAMES\nSTOP\n").values("C").size(), std::size_t(ROWS));
    write("A B C\n" + data_text(ROWS, {{ROWS - 5, "1 2 3 4"}}));
    same_both_ways("READ (big.txt) / NAMES\nSTOP\n", {"A", "B", "C"});
    ScriptRun extra("READ (big.txt) / NAMES\nSTOP\n");
    EXPECT_TRUE(extra.has_line(
        " ...ERROR..DATA ROW 89995 (LINE 89996) HOLDS 4 VALUES FOR 3 VARIABLES: NOTHING READ"));
    EXPECT_TRUE(extra.values("A").empty());
}

TEST_F(SplitFixture, DelimitedRecordsReadAsTheSerialReaderDoes) {
    if (!tarvex::two_threads_available()) GTEST_SKIP() << "one processor";
    // Comma-separated rows with a header; blank records, empty and NA fields, quoted numbers,
    // blanks around fields and carriage returns near the start, just past the cut and at the end.
    const auto csv = [](const std::vector<std::pair<long, std::string>>& special) {
        std::string text = "A,B,C\n";
        std::size_t next = 0;
        for (long i = 1; i <= ROWS; ++i) {
            if (next < special.size() && special[next].first == i) {
                text += special[next++].second + "\n";
                continue;
            }
            text += std::to_string(i) + ".25,-" + std::to_string(i) + "," +
                    std::to_string(3 * i + 1) + "\n";
        }
        return text;
    };
    // Rows read where each number stands and rows that are not (blanks, exponents, more than
    // 19 digits, a trailing empty field, a short row) in both halves.
    const std::vector<std::pair<long, std::string>> shapes = {
        {2, "1,,3"},
        {3, ""},
        {4, " 4 , NA ,\"5\"\r"},
        {5, "5,6,7,"},
        {6, "6 ,7,8, ,\r"},
        {7, "1.5e2,-.5,+7"},
        {ROWS / 2 + 3, "  "},
        {ROWS / 2 + 4, "7,8"},
        {ROWS / 2 + 5, "00000000000000000000012.5,1.,-0.000000"},
        {ROWS / 2 + 6, "1234567890123456789,0.1234567890123456789,12345678901234567890"},
        {ROWS / 2 + 7, "-9,NAN,"},
        {ROWS - 2, "\"-0\",.,1e3"},
        {ROWS, "9,10,11\r"}};
    write(csv(shapes) + "\n \n");
    const std::string whole = "READ (big.txt) / NAMES\nSTOP\n";
    EXPECT_TRUE(same_both_ways(whole, {"A", "B", "C"}));
    ScriptRun all(whole);
    const std::vector<Real> a = all.values("A"), b = all.values("B"), c = all.values("C");
    ASSERT_EQ(a.size(), std::size_t(ROWS - 2));         // two blank records are no rows
    EXPECT_EQ(a[ROWS / 2], Real(ROWS / 2 + 2) + 0.25Q); // row order across the cut is the file's
    EXPECT_EQ(b[1], Real(-99999));
    EXPECT_EQ(c[2], Real(5));
    EXPECT_EQ(c[ROWS / 2 + 1], Real(-99999));               // "7,8": the last field is missing
    EXPECT_TRUE(a[ROWS - 5] == 0 && signbitq(a[ROWS - 5])); // "\"-0\""
    EXPECT_EQ(b[ROWS - 5], Real(-99999));                   // "."
    EXPECT_EQ(c[ROWS - 5], Real(1000));                     // "1e3"
    EXPECT_TRUE(all.has_line(
        " ...NOTE..    3 VARIABLES AND    89998 OBSERVATIONS STARTING AT OBS       1"));
    EXPECT_EQ(a[5], Real(150));                                     // "1.5e2"
    EXPECT_EQ(b[5], Real(-0.5Q));                                   // "-.5"
    EXPECT_EQ(b[4], Real(7));                                       // "6 ,7,8, ,": blanks around
    EXPECT_EQ(a[ROWS / 2 + 2], Real(12.5Q));                        // 23 digits, 21 leading zeros
    EXPECT_TRUE(c[ROWS / 2 + 2] == 0 && signbitq(c[ROWS / 2 + 2])); // "-0.000000"
    EXPECT_EQ(a[ROWS / 2 + 3], Real(1234567890123456789.0Q));
    EXPECT_EQ(c[ROWS / 2 + 3], Real(12345678901234567890.0Q)); // 20 digits: exact in binary128
    EXPECT_EQ(c[ROWS / 2 + 4], Real(-99999));                  // "-9,NAN,": the empty field
    // The columns after the first, passed over with SKIPCOLS=1.
    const std::string skip = "READ (big.txt) Q R / SKIPROWS=1 SKIPCOLS=1\nSTOP\n";
    EXPECT_TRUE(same_both_ways(skip, {"Q", "R"}));
    EXPECT_EQ(ScriptRun(skip).values("R")[5], Real(7));

    // FORMAT=COMMA and a sample ending in the upper half, blank records just before its end.
    const std::string part = "SAMPLE 1 60000\nREAD (big.txt) / NAMES FORMAT=COMMA\nSTOP\n";
    EXPECT_TRUE(same_both_ways(part, {"A", "B", "C"}));
    EXPECT_EQ(ScriptRun(part).values("A").back(), Real(60002) + 0.25Q);
    // From a unit: the next READ goes on where the first one stopped.
    const std::string unit = "FILE 11 big.txt\nSAMPLE 1 60000\nREAD (11) / NAMES\n"
                             "SAMPLE 1 100\nREAD (11) D E F / NOREWIND\nSTOP\n";
    EXPECT_TRUE(same_both_ways(unit, {"A", "D", "E", "F"}));
    EXPECT_EQ(ScriptRun(unit).values("D").front(), Real(60003) + 0.25Q);

    // A bad field, a word in a column that held only missing values (a text column), and a row
    // with a value past the last name, each in the upper half: the serial reader's messages.
    write(csv({{ROWS - 100, "7,x7,9"}}));
    same_both_ways(whole, {"A", "B", "C"});
    EXPECT_TRUE(ScriptRun(whole).has_line(" ...ERROR..READ ERROR IN ROW  89900 COLUMN      2"));
    std::string words = "A,B,C\n";
    for (long i = 1; i <= ROWS; ++i)
        words += std::to_string(i) + "," + (i < ROWS - 5 ? "" : "east") + ",1\n";
    write(words);
    same_both_ways(whole, {"A", "B", "C"});
    EXPECT_TRUE(ScriptRun(whole).has_line(" ...NOTE..TEXT COLUMN B READ AS CODES 1 TO 1: 1=east"));
    write(csv({{ROWS - 5, "1,2,3,4"}}));
    same_both_ways(whole, {"A", "B", "C"});
    EXPECT_TRUE(ScriptRun(whole).has_line(
        " ...ERROR..DATA ROW 89995 (LINE 89996) HOLDS 4 VALUES FOR 3 VARIABLES: NOTHING READ"));
}

TEST_F(SplitFixture, DelimitedValuesKeepEveryBitOfTheirText) {
    // Values of every hard shape in a small file (read record by record) and in both halves of a
    // long one (read on two threads): each the correctly rounded value of its text, as
    // libquadmath's strtoflt128 gives it.
    const std::vector<std::string> hard = {"0.1",
                                           "-0.304312",
                                           "1.000000",
                                           "10384593717069655257060992658440193",
                                           "10384593717069655257060992658440195",
                                           "9999999999999999999",
                                           "0.0000000000000000000001",
                                           "1e27",
                                           "1e-27",
                                           "1e28",
                                           "-2.5e-300",
                                           "3.6e-4951",
                                           "1.189731495357231765085759326628007e4932",
                                           "123456789012345678901234567890.5",
                                           "+.5",
                                           "-0",
                                           "7.",
                                           "0.30000000000000000000000000001"};
    std::string small = "V\n";
    for (const std::string& h : hard) small += h + "\n";
    write("small.csv", small);
    std::string big = "X,Y\n";
    for (long i = 0; i < 40000; ++i) big += hard[i % hard.size()] + "," + std::to_string(i) + "\n";
    write("big.csv", big);
    const std::vector<Real> v = ScriptRun("READ (small.csv) / NAMES\nSTOP\n").values("V");
    const std::vector<Real> x = ScriptRun("READ (big.csv) / NAMES\nSTOP\n").values("X");
    ASSERT_EQ(v.size(), hard.size());
    ASSERT_EQ(x.size(), 40000u);
    for (std::size_t k = 0; k < hard.size(); ++k)
        EXPECT_TRUE(tarvex::testing::same_bits(v[k], strtoflt128(hard[k].c_str(), nullptr)))
            << hard[k];
    for (long i = 0; i < 40000; ++i) {
        const std::string& h = hard[i % hard.size()];
        ASSERT_TRUE(tarvex::testing::same_bits(x[i], strtoflt128(h.c_str(), nullptr))) << i;
    }
}
