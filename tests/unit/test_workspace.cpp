// Tests of the variable workspace: record layout, NEWVAR's keep / grow / move / hole re-use,
// the exhausted-memory and variable-limit reports, VFIND and VINFO's reference kinds. NAMES is
// pinned by the maint/names_sizes golden.
#include "core/command_table.hpp"
#include "numeric/real.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using testing::vname;
using testing::WorkspaceEngine;

const Real XMISS = -99999;

TEST(Workspace, NamchkClassifiesByFirstCharacter) {
    const std::pair<const char*, int> cases[] = {{"1ABC", 0}, {"9", 0},   {"X", 1},
                                                 {"abc1", 1}, {"Zed", 1}, {"_X", -1},
                                                 {"$R2", -1}, {"-1", -1}, {"", -1}};
    for (const auto& [name, kind] : cases) EXPECT_EQ(NAMCHK(name), kind) << name;
}

TEST(Workspace, ResetEmptiesAndSetsColumnLimit) {
    WorkspaceEngine small(300, 100);
    EXPECT_EQ(small.run.ws.MXCOL, 1000); // max(2*300, 1000)
    EXPECT_EQ(small.run.ws.NAR, 1600);
    WorkspaceEngine big(700, 100);
    EXPECT_EQ(big.run.ws.MXCOL, 1400);
    big.make("A", 3);
    reset_workspace(big.run.ws);
    EXPECT_EQ(big.run.ws.NVARS, 0);
    EXPECT_EQ(big.run.ws.LASADD, 0);
    EXPECT_EQ(VFIND(big.run, "A"), 0);
}

TEST(Workspace, AppendedRecordLayoutAndFill) {
    WorkspaceEngine eng(10, 200);
    auto& ws = eng.run.ws;

    // A length-0 variable is a four-word header only.
    EXPECT_EQ(eng.make("EMPTY", 0), 1);
    EXPECT_EQ(ws.KADD[1], 1);
    EXPECT_EQ(ws.LASADD, 4);
    EXPECT_EQ(eng.word(1), 1); // INC
    EXPECT_EQ(eng.word(2), 1); // TYPE
    EXPECT_EQ(eng.word(3), 0); // LENGTH
    EXPECT_EQ(eng.word(4), 1); // NCOL

    // The next record starts right after it: 4 + LENGTH words, elements missing.
    EXPECT_EQ(eng.make("X", 3), 2);
    EXPECT_EQ(ws.KADD[2], 5);
    EXPECT_EQ(ws.LASADD, 11);
    EXPECT_EQ(eng.word(7), 3);
    for (int k = 1; k <= 3; ++k) EXPECT_TRUE(eng.elem(2, k) == XMISS);
    EXPECT_EQ(eng.name(2), vname("X"));

    // DIMENSION and SKIP$ fill with zeros.
    eng.run.cmd.IKOD = C_DIMENSIO;
    EXPECT_EQ(eng.make("D", 2), 3);
    eng.run.cmd.IKOD = 0;
    EXPECT_TRUE(eng.elem(3, 1) == 0 && eng.elem(3, 2) == 0);
    EXPECT_EQ(eng.make("SKIP$", 2), 4);
    EXPECT_TRUE(eng.elem(4, 1) == 0 && eng.elem(4, 2) == 0);

    // A lower-case name is stored upper case when OLC is on, as typed otherwise; a "$" name
    // is always found folded.
    eng.run.sw[OLC] = true;
    EXPECT_EQ(eng.make("lower", 1), 5);
    EXPECT_EQ(eng.name(5), vname("LOWER"));
    eng.run.sw[OLC] = false;
    EXPECT_EQ(eng.make("lower", 1), 6);
    EXPECT_EQ(eng.name(6), vname("lower"));
    EXPECT_EQ(eng.make("skip$", 1), 4);
    EXPECT_EQ(ws.NVARS, 6);
    EXPECT_TRUE(eng.lines().empty());
}

TEST(Workspace, RecreateKeepsOrGrowsInPlace) {
    WorkspaceEngine eng(10, 100);
    auto& ws = eng.run.ws;
    eng.make("A", 4);
    for (int k = 1; k <= 4; ++k) eng.elem(1, k) = k;

    // Smaller or equal: same storage, same contents, only TYPE rewritten.
    EXPECT_EQ(eng.make("A", 2, TYPE_MATRIX, 2), 1);
    EXPECT_EQ(ws.NVARS, 1);
    EXPECT_EQ(ws.LASADD, 8);
    EXPECT_EQ(eng.word(2), TYPE_MATRIX);
    EXPECT_EQ(eng.word(3), 4);
    EXPECT_EQ(eng.word(4), 1);
    EXPECT_TRUE(eng.elem(1, 4) == 4);

    // Larger, and the last variable: grows in place, old elements kept, new ones missing.
    EXPECT_EQ(eng.make("A", 7), 1);
    EXPECT_EQ(ws.KADD[1], 1);
    EXPECT_EQ(ws.LASADD, 11);
    EXPECT_EQ(eng.word(3), 7);
    EXPECT_EQ(eng.word(2), TYPE_DATA);
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(eng.elem(1, k) == k);
    for (int k = 5; k <= 7; ++k) EXPECT_TRUE(eng.elem(1, k) == XMISS);
    EXPECT_EQ(ws.NDL, 0);
}

TEST(Workspace, GrowingAFollowedVariableMovesItAndLeavesAHole) {
    WorkspaceEngine eng(10, 100);
    auto& ws = eng.run.ws;
    eng.make("A", 3); // words 1..7
    eng.make("B", 2); // words 8..13
    for (int k = 1; k <= 3; ++k) eng.elem(1, k) = 10 * k;

    EXPECT_EQ(eng.make("A", 5), 3);
    EXPECT_EQ(ws.NVARS, 3);
    EXPECT_EQ(ws.NDL, 1);
    EXPECT_EQ(eng.name(1), vname(""));
    EXPECT_EQ(ws.KADD[3], 14);
    EXPECT_EQ(ws.LASADD, 22);
    EXPECT_EQ(VFIND(eng.run, "A"), 3);
    for (int k = 1; k <= 3; ++k) EXPECT_TRUE(eng.elem(3, k) == 10 * k);
    EXPECT_TRUE(eng.elem(3, 4) == XMISS && eng.elem(3, 5) == XMISS);

    // The hole of length 3 takes a new variable of length 2 at its old address.
    EXPECT_EQ(eng.make("C", 2), 1);
    EXPECT_EQ(ws.NDL, 0);
    EXPECT_EQ(ws.KADD[1], 1);
    EXPECT_EQ(ws.NVARS, 3);
    EXPECT_EQ(ws.LASADD, 22);
    EXPECT_EQ(eng.word(3), 2);
    EXPECT_EQ(eng.name(1), vname("C"));

    // C has the hole's idle word after it: it grows in place up to the next record, no further.
    eng.elem(1, 1) = 42;
    EXPECT_EQ(eng.make("C", 3), 1);
    EXPECT_EQ(eng.word(3), 3);
    EXPECT_TRUE(eng.elem(1, 1) == 42 && eng.elem(1, 3) == XMISS);
    EXPECT_EQ(ws.LASADD, 22);
    EXPECT_EQ(ws.NDL, 0);

    // A hole too short is passed over: the new variable is appended.
    int ref = 0;
    NEWVAR(eng.run, "B", 1, TYPE_DATA, 9, 1, ref); // B (length 2) moves: slot 2 becomes a hole
    EXPECT_EQ(ref, 4);
    EXPECT_EQ(ws.NDL, 1);
    EXPECT_EQ(eng.make("E", 3), 5);
    EXPECT_EQ(ws.NDL, 1);

    // One word more than the gap before the next record: C moves to the end.
    EXPECT_EQ(eng.make("C", 4), 6);
    EXPECT_EQ(eng.word(8), 1); // the next record's header is untouched
    EXPECT_TRUE(eng.elem(6, 1) == 42);
    EXPECT_EQ(ws.NDL, 2);
}

TEST(Workspace, DroppedLastSlotDoesNotTakeTheOnlyHole) {
    // A (10 words) is a hole; B, the last record at 15..20, cannot grow to 5 in 22 words. Its
    // slot is dropped, and with the dropped slot uncounted only one hole remains, which a
    // relocation does not use: the work area is reported exhausted and B is given back.
    WorkspaceEngine eng(10, 22);
    auto& ws = eng.run.ws;
    eng.make("A", 10);
    eng.make("B", 2);
    ws.VNAME[1] = vname("");
    ws.NDL = 1;
    EXPECT_EQ(eng.make("B", 5), 0);
    EXPECT_EQ(ws.NEED, 23);
    EXPECT_EQ(ws.NVARS, 2);
    EXPECT_EQ(ws.NDL, 1);
    EXPECT_EQ(ws.LASADD, 20);
    EXPECT_EQ(VFIND(eng.run, "B"), 2);
    EXPECT_EQ(eng.lines().size(), 3u);
}

TEST(Workspace, OneShotOptions) {
    WorkspaceEngine eng(10, 100);
    auto& ws = eng.run.ws;
    eng.make("A", 3);
    eng.make("B", 1);

    // OATEN: the existing storage is not re-used; a new record is appended.
    ws.OATEN = true;
    EXPECT_EQ(eng.make("A", 2), 3);
    EXPECT_FALSE(ws.OATEN);
    EXPECT_EQ(ws.KADD[3], 13);
    EXPECT_EQ(ws.LASADD, 18);

    // OZVR off: room is taken but the header is not written; the option returns to true.
    ws.OZVR = false;
    eng.run.ws.DATA[19] = 77;
    EXPECT_EQ(eng.make("N", 2), 4);
    EXPECT_TRUE(ws.OZVR);
    EXPECT_EQ(ws.KADD[4], 19);
    EXPECT_EQ(eng.word(19), 77);
    EXPECT_EQ(ws.LASADD, 24);
}

TEST(Workspace, ExhaustedWorkAreaReportsAndCreatesNothing) {
    WorkspaceEngine eng(10, 100); // NAR = 1600 bytes
    auto& ws = eng.run.ws;
    eng.make("A", 20); // words 1..24
    eng.make("B", 10); // words 25..38

    // 38 + 4 + 200 = 242 words: 142 short; PAR = (1600 + 16*142)/1024 + 1 = 3872/1024 + 1 = 4.
    EXPECT_EQ(eng.make("BIG", 200), 0);
    EXPECT_EQ(ws.NEED, 242);
    EXPECT_EQ(ws.NVARS, 2);
    EXPECT_EQ(ws.LASADD, 38);
    EXPECT_EQ(VFIND(eng.run, "BIG"), 0);
    EXPECT_TRUE(eng.run.flags.ODONT);
    EXPECT_TRUE(eng.run.sw[OSCAN]);
    std::vector<std::string> expected = {
        " ...ERROR..INSUFFICIENT MEMORY. AT LEAST             142 MORE WORDS NEEDED",
        "    THIS REQUIRES AT LEAST PAR=       4 CURRENT PAR=       1",
    };
    EXPECT_EQ(eng.lines(), expected);

    // With A deleted (a hole), B, the last variable, first grows in place to the very end,
    // 25 + 3 + 72 = 100 words; then growing it to 80 needs 24 + 4 + 80 = 108 words: 8 short, PAR =
    // (1600 + 16*8)/1024 + 1 = 2. B is given back untouched and the compress note follows.
    eng.elem(2, 1) = 5;
    ws.VNAME[1] = vname("");
    ws.NDL = 1;
    eng.run.flags.ODONT = false;
    eng.run.sw[OSCAN] = false;
    eng.run.sw[OTALK] = true;
    EXPECT_EQ(eng.make("B", 72), 2);
    EXPECT_EQ(ws.LASADD, 100);
    EXPECT_TRUE(eng.lines().empty());
    EXPECT_EQ(eng.make("B", 80), 0);
    EXPECT_EQ(ws.NVARS, 2);
    EXPECT_EQ(ws.NDL, 1);
    EXPECT_EQ(ws.LASADD, 100);
    EXPECT_EQ(VFIND(eng.run, "B"), 2);
    EXPECT_EQ(eng.word(27), 72);
    EXPECT_TRUE(eng.elem(2, 1) == 5);
    EXPECT_TRUE(eng.run.flags.ODONT);
    EXPECT_FALSE(eng.run.sw[OSCAN]); // interactive run
    expected = {
        " ...ERROR..INSUFFICIENT MEMORY. AT LEAST               8 MORE WORDS NEEDED",
        "    THIS REQUIRES AT LEAST PAR=       2 CURRENT PAR=       1",
        " ...NOTE..TRY COMPRESS COMMAND TO RECOVER UNUSED SPACE",
    };
    EXPECT_EQ(eng.lines(), expected);

    // Back at 72 (the very end), one word more does not fit.
    EXPECT_EQ(eng.make("B", 73), 0);
    EXPECT_EQ(ws.NEED, 101);
    EXPECT_EQ(ws.LASADD, 100);
    EXPECT_EQ(eng.lines().front(),
              " ...ERROR..INSUFFICIENT MEMORY. AT LEAST               1 MORE WORDS NEEDED");
}

TEST(Workspace, FullVariableTableReportsAndCreatesNothing) {
    WorkspaceEngine eng(3, 100);
    auto& ws = eng.run.ws;
    eng.make("A", 1);
    eng.make("B", 1);
    eng.make("C", 1);
    EXPECT_EQ(eng.make("D", 1), 0);
    EXPECT_EQ(ws.NVARS, 3);
    EXPECT_EQ(ws.LASADD, 15);
    EXPECT_EQ(VFIND(eng.run, "D"), 0);
    EXPECT_TRUE(eng.run.flags.ODONT);
    EXPECT_TRUE(eng.run.sw[OSCAN]);
    EXPECT_EQ(eng.lines(),
              std::vector<std::string>{" VARIABLE LIMIT IS      3 RUN AGAIN WITH HIGHER LIMIT"});

    // With holes the compress hint follows; a hole too small for the request is not used.
    ws.VNAME[1] = vname("");
    ws.VNAME[2] = vname("");
    ws.NDL = 2;
    EXPECT_EQ(eng.make("E", 4), 0);
    const std::vector<std::string> expected = {
        " VARIABLE LIMIT IS      3 RUN AGAIN WITH HIGHER LIMIT",
        " .. USE COMPRESS COMMAND TO RECOVER   2 UNUSED VARS",
    };
    EXPECT_EQ(eng.lines(), expected);
}

TEST(Workspace, ColumnRequestsAndReferences) {
    WorkspaceEngine eng(10, 2000);
    auto& ws = eng.run.ws; // MXCOL = 1000

    // A one-element vector asked for column 3 grows to three elements; the reference is the
    // element as a scalar.
    int ref = 3;
    NEWVAR(eng.run, "V", 1, TYPE_DATA, 1, 1, ref);
    EXPECT_EQ(ref, 3 + 1000 * 1);
    EXPECT_EQ(eng.word(3), 3);
    eng.elem(1, 3) = 33;
    VarInfo info;
    ASSERT_TRUE(VINFO(eng.run, ref, info));
    EXPECT_EQ(info.length, 1);
    EXPECT_EQ(info.addr, 3);
    EXPECT_TRUE(element(eng.run, info, 1) == 33);

    // A 4-row vector asked for column 3 becomes a 4 x 3 matrix.
    ref = 3;
    NEWVAR(eng.run, "M", 1, TYPE_DATA, 4, 1, ref);
    EXPECT_EQ(ref, 3 + 1000 * 2);
    ASSERT_TRUE(VINFO(eng.run, 2, info));
    EXPECT_EQ(info.addr, 8);
    EXPECT_EQ(info.type, TYPE_MATRIX);
    EXPECT_EQ(info.length, 12);
    EXPECT_EQ(info.ncol, 3);
    for (int k = 1; k <= 12; ++k) element(eng.run, info, k) = k; // column after column
    ASSERT_TRUE(VINFO(eng.run, 2 + 1000 * 2, info));
    EXPECT_EQ(info.length, 4);
    EXPECT_TRUE(element(eng.run, info, 1) == 5 && element(eng.run, info, 4) == 8);
    ASSERT_TRUE(VINFO(eng.run, ref, info));
    EXPECT_TRUE(element(eng.run, info, 1) == 9);

    // Asking the existing matrix for column 2 again keeps it.
    ref = 2;
    NEWVAR(eng.run, "M", 1, TYPE_DATA, 4, 1, ref);
    EXPECT_EQ(ref, 2002);
    EXPECT_EQ(ws.NVARS, 2);
    EXPECT_TRUE(eng.lines().empty());

    // Column 4 of a 3-column matrix and element 4 of a 3-element vector are beyond them; a
    // remainder of 0 means column MXCOL.
    EXPECT_FALSE(VINFO(eng.run, 4 + 1000 * 2, info));
    EXPECT_TRUE(eng.run.flags.ODONT);
    EXPECT_FALSE(VINFO(eng.run, 4 + 1000 * 1, info));
    EXPECT_FALSE(VINFO(eng.run, 1000 * 3, info)); // column 1000 of slot 2
    std::vector<std::string> expected = {
        " ...ERROR..ROW OR COLUMN    4 EXCEEDS VARIABLE SIZE",
        " ...ERROR..ROW OR COLUMN    4 EXCEEDS VARIABLE SIZE",
        " ...ERROR..ROW OR COLUMN 1000 EXCEEDS VARIABLE SIZE",
    };
    EXPECT_EQ(eng.lines(), expected);

    // An existing 4-row matrix cannot hold 6 rows at column 2.
    eng.run.flags.ODONT = false;
    ref = 2;
    NEWVAR(eng.run, "M", 1, TYPE_DATA, 6, 1, ref);
    EXPECT_TRUE(eng.run.flags.ODONT);
    EXPECT_EQ(eng.lines().front(), " ...ERROR..NO ROOM FOR ALL DATA AT COLUMN    2 OF M");

    // A column above MXCOL: the vector is made 1001 long, but its column cannot be referenced.
    eng.run.flags.ODONT = false;
    ref = 1001;
    NEWVAR(eng.run, "W", 1, TYPE_DATA, 1, 1, ref);
    EXPECT_TRUE(eng.run.flags.ODONT);
    EXPECT_TRUE(eng.run.res[R_ERR] == 1015);
    EXPECT_EQ(ref, 3); // the variable itself
    EXPECT_EQ(eng.word(ws.KADD[3] + 2), 1001);
    expected = {
        " ...ERROR..MAXCOLON=      1000 SO      1001 IS INVALID",
        "   USE SET MAXCOLON=XXXX TO INCREASE RANGE",
    };
    EXPECT_EQ(eng.lines(), expected);
}

TEST(Workspace, FindAndReadEveryReferenceKind) {
    WorkspaceEngine eng(10, 100);
    eng.make("X", 2);
    eng.make("Y", 3);
    EXPECT_EQ(VFIND(eng.run, "Y"), 2);
    EXPECT_EQ(VFIND(eng.run, "Z"), 0);
    EXPECT_EQ(VFIND(eng.run, "y"), 0); // no folding without OLC
    eng.run.sw[OLC] = true;
    EXPECT_EQ(VFIND(eng.run, "y"), 2);
    eng.run.sw[OLC] = false;
    EXPECT_EQ(VFIND(eng.run, ""), 0);

    // Holes never match, not even a blank name.
    eng.run.ws.VNAME[1] = vname("");
    EXPECT_EQ(VFIND(eng.run, "X"), 0);
    EXPECT_EQ(VFIND(eng.run, " "), 0);

    // $ names fall to the result table, folded to upper case.
    EXPECT_EQ(VFIND(eng.run, "$R2"), -10);
    EXPECT_EQ(VFIND(eng.run, "$r2"), -10);
    EXPECT_EQ(VFIND(eng.run, "$QQQQ"), 0);

    // A result scalar reads as a type-1 scalar with no address; element() is its value.
    VarInfo info;
    ASSERT_TRUE(VINFO(eng.run, -R_PI, info));
    EXPECT_EQ(info.addr, 0);
    EXPECT_EQ(info.inc, 1);
    EXPECT_EQ(info.type, 1);
    EXPECT_EQ(info.length, 1);
    EXPECT_EQ(info.ncol, 1);
    EXPECT_TRUE(element(eng.run, info, 1) == M_PIq);
    element(eng.run, info, 1) = 3;
    EXPECT_TRUE(eng.run.res[R_PI] == 3);

    ASSERT_TRUE(VINFO(eng.run, 0, info));
    EXPECT_EQ(info.addr, 0);
    EXPECT_EQ(info.inc, 1);

    // A MATRIX temporary has a KADD entry of its own above MAXVAR.
    eng.run.ws.KADD[10 + 1] = eng.run.ws.KADD[2];
    ASSERT_TRUE(VINFO(eng.run, 11, info));
    EXPECT_EQ(info.addr, 7);

    // A marked reference designates the plain slot.
    ASSERT_TRUE(VINFO(eng.run, -9000 - 2, info));
    EXPECT_EQ(info.addr, 7);
    EXPECT_EQ(info.length, 3);
}

} // namespace
} // namespace tarvex
