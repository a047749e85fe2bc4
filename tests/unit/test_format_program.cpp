// The Fortran format interpreter against hand-worked Fortran output and input: repeat counts,
// nested groups, reversion, "/", X, A, literals, E/D/G fields, and the formats it refuses.
#include "io/format_program.hpp"
#include "numeric/decimal.hpp"
#include "reference_support.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace tarvex {
namespace {

using Records = std::vector<std::string>;

std::vector<FormatValue> numbers(std::initializer_list<const char*> texts) {
    std::vector<FormatValue> out;
    for (const char* t : texts) {
        Real v = 0;
        EXPECT_TRUE(parse_real_field(t, v)) << t;
        out.push_back(FormatValue::of(v));
    }
    return out;
}

Records write(const char* format, const std::vector<FormatValue>& values) {
    FormatProgram program;
    std::string error;
    EXPECT_TRUE(parse_format(format, program, &error)) << format << ": " << error;
    Records records;
    EXPECT_TRUE(format_write(program, values, records)) << format;
    return records;
}

TEST(FormatWrite, RepeatCountsGroupsAndSlashes) {
    EXPECT_EQ(write("(2F6.2)", numbers({"1.5", "-2.25"})), Records{"  1.50 -2.25"});
    EXPECT_EQ(write("(F4.1, 2(1X, F4.1))", numbers({"1", "2", "3"})), Records{" 1.0  2.0  3.0"});
    // Nested groups repeat from the inside out: 2(F3.0, 2(F2.0)) takes six values.
    EXPECT_EQ(write("(2(F3.0,2(F2.0)))", numbers({"1", "2", "3", "4", "5", "6"})),
              Records{" 1.2.3. 4.5.6."});
    EXPECT_EQ(write("(F4.1/F4.1)", numbers({"1", "2"})), (Records{" 1.0", " 2.0"}));
    // A slash after the last value still ends the record: an empty record follows.
    EXPECT_EQ(write("(F4.1,/)", numbers({"1"})), (Records{" 1.0", ""}));
    EXPECT_EQ(write("(F4.1,2/F4.1)", numbers({"1", "2"})), (Records{" 1.0", "", " 2.0"}));
    // Output stops at the first data descriptor with no value left.
    EXPECT_EQ(write("(F4.1, 'END', F4.1, 'NEVER')", numbers({"7"})), Records{" 7.0END"});
    // ":" stops even before literals.
    EXPECT_EQ(write("(F4.1, :, 'NEVER')", numbers({"7"})), Records{" 7.0"});
}

TEST(FormatWrite, ReversionRestartsAtTheLastOutermostGroup) {
    // No group: the whole format again on a new record.
    EXPECT_EQ(write("(2F4.1)", numbers({"1", "2", "3", "4", "5"})),
              (Records{" 1.0 2.0", " 3.0 4.0", " 5.0"}));
    // The last group at the outermost level is taken again, with its repeat count.
    EXPECT_EQ(write("(F4.1, 2(F4.1))", numbers({"1", "2", "3", "4", "5", "6", "7"})),
              (Records{" 1.0 2.0 3.0", " 4.0 5.0", " 6.0 7.0"}));
    EXPECT_EQ(write("(1X, 2(F3.0), (F4.0))", numbers({"1", "2", "3", "4", "5"})),
              (Records{"  1. 2.  3.", "  4.", "  5."}));
    // A group nested inside another is not a reversion point: the outer one is.
    EXPECT_EQ(write("('A', 2(F2.0, (F2.0)))", numbers({"1", "2", "3", "4", "5", "6"})),
              (Records{"A1.2.3.4.", "5.6."}));
}

TEST(FormatWrite, XAAndLiterals) {
    std::vector<FormatValue> texts = {FormatValue::of(std::string("ABCDEFGH")),
                                      FormatValue::of(std::string("XY")),
                                      FormatValue::of(std::string("LONG"))};
    EXPECT_EQ(write("(A, 2X, A4, A2)", texts), Records{"ABCDEFGH    XYLO"});
    EXPECT_EQ(write("(3X,'it''s',1X,\"q\"\"r\",2H a,F3.0)", numbers({"9"})),
              Records{"   it's q\"r a 9."});
    EXPECT_EQ(write("('no values')", {}), Records{"no values"});
}

TEST(FormatWrite, EDAndGFields) {
    EXPECT_EQ(write("(E12.4)", numbers({"12345.678"})), Records{"  0.1235E+05"});
    EXPECT_EQ(write("(D10.3)", numbers({"-0.00125"})), Records{"-0.125D-02"});
    EXPECT_EQ(write("(E12.3E3)", numbers({"1.5E-7"})), Records{"  0.150E-006"});
    // G: fixed form F(w-4).(d-k) and four blanks when 0.1 <= |x| < 10**d, else E form.
    EXPECT_EQ(write("(G12.5)", numbers({"123.456"})), Records{"  123.46    "});
    EXPECT_EQ(write("(G12.5)", numbers({"0.01234"})), Records{" 0.12340E-01"});
    EXPECT_EQ(write("(G12.5)", numbers({"99999.5"})), Records{" 0.10000E+06"});
    // A field too narrow is all asterisks.
    EXPECT_EQ(write("(F5.1)", numbers({"123456"})), Records{"*****"});
}

TEST(FormatWrite, RefusedFormatsAndValues) {
    FormatProgram program;
    for (const char* bad :
         {"(F10)", "(3F10.2", "F10.2", "(2(F5.1)", "(0F5.1)", "(Q5)", "(F5.1,,F5.1)", "('abc)",
          "(F5.1))", "(E0.3)", "(A0)", "(2HA)", "(,F5.1)", "(F5.1,)", "(F5.1) X"})
        EXPECT_FALSE(parse_format(bad, program)) << bad;
    for (const char* good : {"()", "( f10.2 , 2x , e12.4e2 )", "(5(1X,G15.7))", "(A8/)", "(F0.3)"})
        EXPECT_TRUE(parse_format(good, program)) << good;

    Records records;
    ASSERT_TRUE(parse_format("(A4)", program));
    EXPECT_FALSE(format_write(program, numbers({"1"}), records)); // a number under A
    ASSERT_TRUE(parse_format("(F5.1)", program));
    EXPECT_FALSE(format_write(program, {FormatValue::of(std::string("TEXT"))}, records));
    ASSERT_TRUE(parse_format("('X')", program));
    EXPECT_FALSE(format_write(program, numbers({"1"}), records)); // no descriptor takes it
}

// Reads `count` values from `lines` through `format`.
bool read(const char* format, const Records& lines, std::size_t count,
          std::vector<FormatValue>& out, std::string* bad = nullptr) {
    FormatProgram program;
    EXPECT_TRUE(parse_format(format, program)) << format;
    std::size_t next = 1;
    RecordSource source = [&](std::string& record) {
        if (next >= lines.size()) return false;
        record = lines[next++];
        return true;
    };
    out.clear();
    return format_read(program, lines.empty() ? std::string() : lines[0], source, count, out, bad);
}

Real value_of(const char* text) {
    Real v = 0;
    EXPECT_TRUE(parse_real_field(text, v));
    return v;
}

using testing::same_bits;

TEST(FormatRead, FieldsBlanksImpliedDecimalsAndExponents) {
    std::vector<FormatValue> v;
    ASSERT_TRUE(read("(2F5.2)", {"  1.5  250"}, 2, v));
    EXPECT_TRUE(same_bits(v[0].number, value_of("1.5")));
    EXPECT_TRUE(same_bits(v[1].number, value_of("2.5"))); // no point: two implied decimals
    ASSERT_TRUE(read("(F6.0,F6.0,F6.0,F6.0)", {"1.5E2 1.5D3 1.5+3      "}, 4, v));
    EXPECT_TRUE(same_bits(v[0].number, value_of("150")));
    EXPECT_TRUE(same_bits(v[1].number, value_of("1500")));
    EXPECT_TRUE(same_bits(v[2].number, value_of("1500")));
    EXPECT_TRUE(same_bits(v[3].number, value_of("0"))); // an all-blank field is zero
    ASSERT_TRUE(read("(F5.0,3X,A4,A)", {"1 2 3xxxabcdEIGHTCHR"}, 3, v));
    EXPECT_TRUE(same_bits(v[0].number, value_of("123"))); // blanks inside are ignored
    EXPECT_EQ(v[1].text, "abcd");
    EXPECT_EQ(v[2].text, "EIGHTCHR");
    // A long field is converted exactly, not through a shorter type.
    ASSERT_TRUE(read("(F45.0)", {"0.100000000000000000000000000000000000001"}, 1, v));
    EXPECT_TRUE(same_bits(v[0].number, value_of("0.100000000000000000000000000000000000001")));
}

TEST(FormatRead, RecordsSlashesReversionAndErrors) {
    std::vector<FormatValue> v;
    ASSERT_TRUE(read("(F3.0)", {"  1", "  2", "  3"}, 3, v)); // reversion: one value a record
    ASSERT_EQ(v.size(), 3u);
    EXPECT_TRUE(same_bits(v[2].number, value_of("3")));
    ASSERT_TRUE(read("(F2.0/F2.0)", {" 4 9", " 5"}, 2, v)); // "/" leaves the rest of the record
    EXPECT_TRUE(same_bits(v[1].number, value_of("5")));
    std::string bad = "x";
    EXPECT_FALSE(read("(F3.0)", {"  1", "  2"}, 3, v, &bad)); // the data end too soon
    EXPECT_EQ(bad, "");
    EXPECT_FALSE(read("(F3.0)", {"abc"}, 1, v, &bad));
    EXPECT_EQ(bad, "abc");
    EXPECT_FALSE(read("(F4.0)", {"1.2.3"}, 1, v, &bad));
}

} // namespace
} // namespace tarvex
