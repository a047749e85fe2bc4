// SPREAD's editor: the table's keys (paging, editing, undo) on the model, and the whole editor
// at a pseudo-terminal, where keys typed change the series and undo puts a value back, and the
// terminal's settings are back after it quits.
#include "numeric/fortran_format.hpp"
#include "spread/spread_table.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace tarvex {
namespace {

SpreadTable table_of(int rows, int page) {
    SpreadTable t;
    t.names = {"A", "B"};
    for (int r = 0; r < rows; ++r) t.obs.push_back(r + 1);
    t.values = {std::vector<Real>(std::size_t(rows), 1), std::vector<Real>(std::size_t(rows), 2)};
    t.lengths = {rows, rows - 1};
    t.page_rows = page;
    return t;
}

void keys(SpreadTable& t, const std::string& typed, std::vector<SpreadEdit>* edits = nullptr) {
    std::string rest = typed;
    while (!rest.empty()) {
        std::size_t used = 0;
        const SpreadKey key = decode_spread_key(rest, used);
        ASSERT_GT(used, 0u) << "unfinished key in " << typed;
        SpreadEdit e;
        if (apply_spread_key(t, key, rest[0], e) && edits != nullptr) edits->push_back(e);
        rest.erase(0, used);
    }
}

TEST(SpreadTable, CursorPagesAndStaysInside) {
    SpreadTable t = table_of(50, 20);
    keys(t, "\x1b[6~"); // PgDn
    EXPECT_EQ(t.row, 20);
    EXPECT_EQ(t.top, 20);
    keys(t, "\x1b[6~\x1b[6~\x1b[B\x1b[C\x1b[C"); // past the end, and right twice
    EXPECT_EQ(t.row, 49);
    EXPECT_EQ(t.col, 1);
    EXPECT_EQ(t.top, 30); // the last page is full
    keys(t, "\x1b[5~bkkh");
    EXPECT_EQ(t.row, 7);
    EXPECT_EQ(t.top, 0);
    EXPECT_EQ(t.col, 0);
}

TEST(SpreadTable, EditsAndUndoChangeCellsInTurn) {
    SpreadTable t = table_of(5, 20);
    std::vector<SpreadEdit> edits;
    keys(t, "je2.5\rje-1e3\r", &edits); // row 1 := 2.5, row 2 := -1e3
    EXPECT_EQ(t.values[0], (std::vector<Real>{1, 2.5Q, -1000, 1, 1}));
    keys(t, "u", &edits);
    EXPECT_EQ(t.values[0], (std::vector<Real>{1, 2.5Q, 1, 1, 1}));
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[2].row, 2);
    EXPECT_EQ(edits[2].after, 1); // what undo handed back for storing
    keys(t, "uu", &edits);
    EXPECT_EQ(t.values[0], std::vector<Real>(5, 1));
    EXPECT_EQ(t.message, "NOTHING TO UNDO");
    // A typed text that is no number, and Escape, leave the cell; so does a cell past the end
    // of a shorter series.
    keys(t, "eabc\r", &edits);
    EXPECT_EQ(t.message, "NOT A NUMBER: abc");
    keys(t, "e9\x1b", &edits);
    EXPECT_EQ(t.values[0][std::size_t(t.row)], 1);
    keys(t, "ljjjje7\r", &edits);
    EXPECT_EQ(t.message, "THE SERIES ENDS BEFORE THIS OBSERVATION");
    EXPECT_EQ(t.values[1][4], 2);
    EXPECT_EQ(edits.size(), 4u);
}

// Reads the pseudo-terminal until `marker` has come (or 10 seconds pass); all read so far.
std::string read_until(int fd, std::string& seen, const std::string& marker) {
    for (int waited = 0; seen.find(marker) == std::string::npos && waited < 100; ++waited) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        seen.append(buffer, std::size_t(n));
    }
    return seen;
}

TEST(SpreadTerminal, KeysAtATerminalEditTheSeriesAndUndo) {
    int master = -1;
    const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The run's statements come from memory; SPREAD finds the terminal on its standard
        // input and output, as in a terminal session.
        testing::ScriptRun r("SMPL 1 3\nREAD X\n1\n2\n3\nSPREAD X\n", MODE_CONSOLE, EXTRA_TERMINAL);
        termios after{};
        tcgetattr(STDIN_FILENO, &after);
        std::string report = "RESULT";
        for (Real v : r.values("X")) report += " " + fmt_F(v, 6, 1);
        report += (after.c_lflag & ICANON) != 0 ? " CANONICAL" : " RAW";
        for (const std::string& line : r.starting(" SPREAD:")) report += " |" + line;
        report += " END\n";
        (void)!write(STDOUT_FILENO, report.data(), report.size());
        _exit(0);
    }
    std::string seen;
    read_until(master, seen, "Q QUIT");
    ASSERT_NE(seen.find("Q QUIT"), std::string::npos) << seen;
    // Row 2 := 42, row 3 := 7, undo the 7, quit.
    const std::string typed = "je42\rje7\ruq";
    ASSERT_EQ(write(master, typed.data(), typed.size()), ssize_t(typed.size()));
    read_until(master, seen, " END");
    int status = 0;
    waitpid(child, &status, 0);
    close(master);
    const std::size_t at = seen.find("RESULT");
    ASSERT_NE(at, std::string::npos) << seen;
    EXPECT_EQ(seen.substr(at, seen.find(" END", at) - at),
              "RESULT    1.0   42.0    3.0 CANONICAL | SPREAD: 1 EDIT(S) KEPT, 3 CHANGE(S) MADE");
}

} // namespace
} // namespace tarvex
