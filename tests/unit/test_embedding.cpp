// The embedding interface: a console run over memory streams reporting through a line stream,
// doubles stored and read back bit for bit, missing values, matrices, refused names, the
// shortest decimal text, and the interruption a host asks for.
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "interp/embedding.hpp"
#include "interp/entry.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>

namespace tarvex {
namespace {

using embedding::open_line_sink;
using embedding::read_variable;
using embedding::shortest_text;
using embedding::store_doubles;

// A run over `script` whose report lines are collected.
struct SinkRun {
    std::vector<std::string> lines;
    Run run;
    explicit SinkRun(std::string script) : input(std::move(script)) {
        in = fmemopen(input.data(), input.size(), "r");
        out = open_line_sink([this](std::string_view line) { lines.emplace_back(line); });
        run.streams.in = in;
        run.streams.out = out;
    }
    ~SinkRun() {
        std::fclose(in);
        std::fclose(out);
    }
    bool has(std::string_view text) const {
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    std::string input;
    std::FILE* in;
    std::FILE* out;
};

TEST(Embedding, LineStreamHandsOverWholeLines) {
    std::vector<std::string> got;
    std::FILE* out = open_line_sink([&](std::string_view line) { got.emplace_back(line); });
    ASSERT_NE(out, nullptr);
    std::fputs("first line\nsecond ", out);
    std::fputs("half\n\nunended", out);
    std::fflush(out);
    EXPECT_EQ(got, (std::vector<std::string>{"first line", "second half", ""}));
    ASSERT_EQ(std::fclose(out), 0);
    EXPECT_EQ(got.back(), "unended");
}

TEST(Embedding, ConsoleRunReportsAndLeavesItsWorkspace) {
    SinkRun r("sample 1 4\nread y x\n1 1\n3 2\n2 3\n4 4\nols y x\n");
    struct sigaction before {};
    ::sigaction(SIGINT, nullptr, &before);
    ASSERT_TRUE(embedding::run_console(r.run, EXTRA_HOST_INTERRUPTS));
    struct sigaction after {};
    ::sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(before.sa_handler, after.sa_handler);
    EXPECT_TRUE(r.has("Equation")) << r.lines.size();
    // y = 0.5 + 0.8 x by least squares (slope 4/5, intercept 2.5 - 0.8 x 2.5).
    ASSERT_EQ(r.run.last_estimation.coef.size(), 2u);
    EXPECT_TRUE(fabsq(r.run.last_estimation.coef[0] - 0.8Q) < 1e-30Q);
    EXPECT_TRUE(fabsq(r.run.last_estimation.coef[1] - 0.5Q) < 1e-30Q);
}

TEST(Embedding, DoublesGoInAndComeOutExactly) {
    SinkRun r("");
    ASSERT_TRUE(embedding::run_console(r.run, EXTRA_HOST_INTERRUPTS));
    const double values[] = {0.1, -1e-300, 1.0 / 3.0, std::numeric_limits<double>::quiet_NaN(),
                             4.9e-324, 1.7976931348623157e308};
    EXPECT_EQ(store_doubles(r.run, "Z1", values, 6, 1), "");
    auto got = read_variable(r.run, "z1");
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->rows, 6);
    EXPECT_EQ(got->cols, 1);
    for (int k : {0, 1, 2, 4, 5})
        EXPECT_EQ(static_cast<double>(got->values[k]), values[k]) << k;
    EXPECT_TRUE(got->values[3] == r.run.ws.XMISS);
    // A series sets the sample when none was set.
    EXPECT_EQ(r.run.smpl.IEND, 6);
    // A matrix, column by column.
    const double m[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(store_doubles(r.run, "M", m, 3, 2), "");
    auto mm = read_variable(r.run, "M");
    ASSERT_TRUE(mm.has_value());
    EXPECT_EQ(mm->type, TYPE_MATRIX);
    EXPECT_EQ(mm->rows, 3);
    EXPECT_EQ(mm->cols, 2);
    EXPECT_TRUE(mm->values[3] == 4);
    // Replaced by a shorter series: the new length.
    EXPECT_EQ(store_doubles(r.run, "Z1", m, 2, 1), "");
    EXPECT_EQ(read_variable(r.run, "Z1")->rows, 2);
    EXPECT_NE(store_doubles(r.run, "1X", m, 2, 1), "");
    EXPECT_NE(store_doubles(r.run, "A-B", m, 2, 1), "");
    EXPECT_NE(store_doubles(r.run, "TOOLONGNAME", m, 2, 1), "");
    EXPECT_FALSE(read_variable(r.run, "NOSUCH").has_value());
    auto r2 = read_variable(r.run, "$PI");
    ASSERT_TRUE(r2.has_value());
    EXPECT_EQ(shortest_text(r2->values[0]), "3.141592653589793238462643383279503");
}

TEST(Embedding, ShortestDecimalText) {
    EXPECT_EQ(shortest_text(Real(0.1)), "0.1000000000000000055511151231257827");
    EXPECT_EQ(shortest_text(Real(1) / 10), "0.1");
    EXPECT_EQ(shortest_text(Real(1.5)), "1.5");
    EXPECT_EQ(shortest_text(Real(-2.5e-7Q)), "-2.5e-07");
    EXPECT_EQ(shortest_text(Real(0)), "0");
    EXPECT_EQ(shortest_text(__builtin_infq()), "inf");
    for (Real x : {Real(1) / 3, Real(2) / 7, Real(1e-4000Q), Real(123456789.125Q)})
        EXPECT_TRUE(strtoflt128(shortest_text(x).c_str(), nullptr) == x);
}

TEST(Embedding, HostRequestedInterruptionRaisesTheFlag) {
    clear_interrupt();
    embedding::request_interrupt();
    EXPECT_TRUE(interrupt_pending());
    clear_interrupt();
    EXPECT_FALSE(interrupt_pending());
}

} // namespace
} // namespace tarvex
