// The shared text helpers, each against a table of exact inputs and outputs: which characters a
// trim drops and at which end, names cut and padded to their columns, ASCII-only case and
// character classes (bytes above 127 untouched), and shell quoting of a quote.
#include "numeric/text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tarvex {

namespace {

struct TextCase {
    std::string_view in;
    std::string_view out;
};

} // namespace

TEST(Text, TrimsOnlyWhatTheirNamesSay) {
    using namespace std::string_view_literals;
    const TextCase trailing_blanks[] = {
        {"", ""},
        {"   ", ""},
        {"ABC", "ABC"},
        {"ABC   ", "ABC"},
        {"  ABC  ", "  ABC"},
        {"A B ", "A B"},
        {"ABC\t ", "ABC\t"},
        {"ABC\r", "ABC\r"},
        {"\0A \0 "sv, "\0A \0"sv},
    };
    for (const TextCase& c : trailing_blanks) {
        EXPECT_EQ(trim_trailing_blanks(c.in), c.out) << '[' << c.in << ']';
        EXPECT_EQ(trim_trailing_blanks_view(c.in), c.out) << '[' << c.in << ']';
    }
    const TextCase blanks[] = {
        {"", ""},   {"    ", ""},         {"  A B  ", "A B"},
        {"A", "A"}, {"\tA \t", "\tA \t"}, {" \tA\t ", "\tA\t"},
    };
    for (const TextCase& c : blanks) {
        EXPECT_EQ(trim_blanks(c.in), c.out) << '[' << c.in << ']';
        EXPECT_EQ(trim_blanks_view(c.in), c.out) << '[' << c.in << ']';
    }
    const TextCase blanks_and_tabs[] = {
        {"", ""},           {" \t \t", ""},       {"\t KEY = 1 \t", "KEY = 1"},
        {"\rA\r", "\rA\r"}, {" \rA\r ", "\rA\r"},
    };
    for (const TextCase& c : blanks_and_tabs)
        EXPECT_EQ(trim_blanks_and_tabs(c.in), c.out) << '[' << c.in << ']';
    const TextCase blanks_tabs_returns[] = {
        {"", ""}, {" \t\r ", ""}, {"\t 1,2 \r", "1,2"}, {"\r\nA\r\n", "\nA\r\n"}, {"A\v ", "A\v"},
    };
    for (const TextCase& c : blanks_tabs_returns) {
        EXPECT_EQ(trim_blanks_tabs_and_returns(c.in), c.out) << '[' << c.in << ']';
        EXPECT_EQ(trim_blanks_tabs_and_returns_view(c.in), c.out) << '[' << c.in << ']';
    }
    EXPECT_TRUE(all_blanks(""));
    EXPECT_TRUE(all_blanks("        "));
    EXPECT_FALSE(all_blanks("       X"));
    EXPECT_FALSE(all_blanks(" \t"));
}

TEST(Text, NamesCutAndPaddedToTheirColumns) {
    const TextCase eight[] = {
        {"", "        "},          {"X", "X       "},  {"CONSTANT", "CONSTANT"},
        {"RESIDUALS", "RESIDUAL"}, {" A", " A      "}, {"LONGNAME_WITH_MORE", "LONGNAME"},
    };
    for (const TextCase& c : eight) EXPECT_EQ(first_8_padded(c.in), c.out) << '[' << c.in << ']';
    EXPECT_EQ(first_n_padded("ABC", 0), "");
    EXPECT_EQ(first_n_padded("ABC", 2), "AB");
    EXPECT_EQ(first_n_padded("ABC", 5), "ABC  ");
    EXPECT_EQ(first_n_padded("", 3), "   ");
}

TEST(Text, AsciiCaseAndClassesLeaveOtherBytesAlone) {
    const TextCase upper[] = {
        {"", ""},         {"abc xyz", "ABC XYZ"},         {"MiXeD_09$.", "MIXED_09$."},
        {"`{@[", "`{@["}, {"caf\xc3\xa9", "CAF\xc3\xa9"}, {"\xe9t\xe9", "\xe9T\xe9"},
    };
    for (const TextCase& c : upper) EXPECT_EQ(upper_ascii(c.in), c.out) << '[' << c.in << ']';
    const TextCase lower[] = {
        {"", ""},         {"PNG SMALL", "png small"}, {"Out.Ps", "out.ps"},
        {"@[`{", "@[`{"}, {"\xc9T\xc9", "\xc9t\xc9"},
    };
    for (const TextCase& c : lower) EXPECT_EQ(lower_ascii(c.in), c.out) << '[' << c.in << ']';
    EXPECT_EQ(upper_ascii('a'), 'A');
    EXPECT_EQ(upper_ascii('z'), 'Z');
    EXPECT_EQ(upper_ascii('A'), 'A');
    EXPECT_EQ(upper_ascii('{'), '{');
    EXPECT_EQ(upper_ascii('`'), '`');
    EXPECT_EQ(upper_ascii('\xe9'), '\xe9');

    std::string digits, letters;
    for (int c = -128; c < 128; ++c) {
        if (is_ascii_digit(static_cast<char>(c))) digits += static_cast<char>(c);
        if (is_ascii_letter(static_cast<char>(c))) letters += static_cast<char>(c);
    }
    EXPECT_EQ(digits, "0123456789");
    EXPECT_EQ(letters, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
}

TEST(Text, ShellSingleQuoting) {
    const TextCase quoted[] = {
        {"", "''"},
        {"/tmp/a b", "'/tmp/a b'"},
        {"it's", "'it'\\''s'"},
        {"$HOME;rm", "'$HOME;rm'"},
        {"''", "''\\'''\\'''"},
    };
    for (const TextCase& c : quoted)
        EXPECT_EQ(shell_single_quoted(c.in), c.out) << '[' << c.in << ']';
}

} // namespace tarvex
