// The embedding interface: a console run over memory streams reporting through a line stream,
// doubles stored and read back bit for bit, missing values, matrices, refused names, the
// shortest decimal text, and the interruption a host asks for.
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "host/tarvextern.hpp"
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
    ASSERT_TRUE(embedding::run_console(r.run, EXTRA_HOST_INTERRUPTS));
    EXPECT_TRUE(r.has("OLS ESTIMATION"));
    EXPECT_TRUE(r.has("|_ols y x")); // a run over a file echoes its statements
    // y = 0.5 + 0.8 x by least squares (slope 4/5, intercept 2.5 - 0.8 x 2.5).
    ASSERT_EQ(r.run.last_estimation.coef.size(), 2u);
    EXPECT_TRUE(fabsq(r.run.last_estimation.coef[0] - 0.8Q) < 1e-30Q);
    EXPECT_TRUE(fabsq(r.run.last_estimation.coef[1] - 0.5Q) < 1e-30Q);
}

// The SIGINT handler in force while the run reads its statements through the host reader.
void host_sigint_handler(int) {}
struct HandlerSeen {
    void (*handler)(int) = nullptr;
    int calls = 0;
};
int reader_noting_handler(void* context, char* line, int size) {
    auto* seen = static_cast<HandlerSeen*>(context);
    struct sigaction now {};
    ::sigaction(SIGINT, nullptr, &now);
    seen->handler = now.sa_handler;
    if (seen->calls++ > 0) return 0;
    std::snprintf(line, static_cast<std::size_t>(size), "genr a = 1");
    return 1;
}

TEST(Embedding, HostInterruptsLeaveTheSignalHandlersToTheHost) {
    struct sigaction mine {
    }, previous{};
    mine.sa_handler = host_sigint_handler;
    sigemptyset(&mine.sa_mask);
    ASSERT_EQ(::sigaction(SIGINT, &mine, &previous), 0);
    for (int extra : {EXTRA_TERMINAL | EXTRA_HOST_INTERRUPTS, EXTRA_TERMINAL}) {
        HandlerSeen seen;
        TARVHostSetReader(reader_noting_handler, &seen);
        SinkRun r("");
        r.run.streams.in = stdin; // console input comes through the reader
        ASSERT_TRUE(embedding::run_console(r.run, extra));
        TARVHostSetReader(nullptr, nullptr);
        EXPECT_EQ(seen.calls, 2);
        // Left to the host only when it asked; a terminal run otherwise takes Ctrl-C itself.
        EXPECT_EQ(seen.handler == host_sigint_handler, (extra & EXTRA_HOST_INTERRUPTS) != 0);
        struct sigaction after {};
        ::sigaction(SIGINT, nullptr, &after);
        EXPECT_EQ(after.sa_handler, host_sigint_handler);
    }
    ::sigaction(SIGINT, &previous, nullptr);
}

TEST(Embedding, DoublesGoInAndComeOutExactly) {
    SinkRun r("");
    ASSERT_TRUE(embedding::run_console(r.run, EXTRA_HOST_INTERRUPTS));
    const double values[] = {0.1,       -1e-300,
                             1.0 / 3.0, std::numeric_limits<double>::quiet_NaN(),
                             4.9e-324,  1.7976931348623157e308};
    EXPECT_EQ(store_doubles(r.run, "Z1", values, 6, 1), "");
    auto got = read_variable(r.run, "z1");
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->rows, 6);
    EXPECT_EQ(got->cols, 1);
    for (int k : {0, 1, 2, 4, 5}) EXPECT_EQ(static_cast<double>(got->values[k]), values[k]) << k;
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
    EXPECT_EQ(shortest_text(r2->values[0]), "3.1415926535897932384626433832795028");
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
