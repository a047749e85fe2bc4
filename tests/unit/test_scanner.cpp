// Tests of the statement scanner: separators and the word table, name ranges, new variables
// under READ, unit and file references, unknown names, columns, lag references and the syntax
// error report, checked through the scan block and the exact lines a user sees.
#include "core/command_table.hpp"
#include "core/run.hpp"
#include "interp/scanner.hpp"
#include "workspace_engine.hpp"
#include "workspace/workspace.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;

struct ScanEngine : testing::WorkspaceEngine {
    ScanEngine() : WorkspaceEngine(100, 10000) { init_scan_block(run.scan, 100); }

    // Scans "<word> <args>" as command `ikod` with the flags the dispatcher would set.
    void scan(int ikod, const std::string& word, const std::string& args, bool otnum = true,
              bool onewv = false) {
        run.cmd.IKOD = ikod;
        run.cmd.text = word + " " + args;
        run.cmd.col = static_cast<int>(word.size());
        run.flags = RunFlags{};
        run.flags.OTNUM = otnum;
        run.flags.ONEWV = onewv;
        SCANIT(run);
    }
    std::vector<int> refs() {
        std::vector<int> out;
        for (int k = 1; k <= run.scan.NF; ++k)
            out.push_back(run.scan.ref(k));
        return out;
    }
    std::vector<int> lags() {
        std::vector<int> out;
        for (int k = 1; k <= run.scan.NF; ++k)
            out.push_back(run.scan.lag(k));
        return out;
    }
};

TEST(Scanner, SeparatorsAndTheWordTableAfterSlash) {
    ScanEngine e;
    const int x = e.make("X", 3), y = e.make("Y", 3), z = e.make("Z", 3);
    e.scan(C_OLSQ, "OLS", "X,Y;Z / list Output=/tmp/Long/name.png BEG=12345678901,pred =");
    EXPECT_EQ(e.refs(), (std::vector<int>{x, y, z}));
    EXPECT_EQ(e.lags(), (std::vector<int>{0, 0, 0}));
    EXPECT_FALSE(e.run.flags.ODONT);
    const ScanBlock& s = e.run.scan;
    ASSERT_EQ(s.NOPS, 9);
    const char* words[] = {"LIST    ", "OUTPUT  ", "=       ", "/TMP/LON", "BEG     ",
                           "=       ", "12345678", "PRED    ", "=       "};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(s.words[k + 1], words[k]) << k;
    EXPECT_EQ(s.full_words[4], "/tmp/Long/name.png") << "a path after = keeps its slashes and case";
    EXPECT_EQ(s.full_words[7], "12345678901");
    EXPECT_EQ(s.ISTART, 3);
    EXPECT_TRUE(e.lines().empty());

    // Leading slashes of keywords separate; a word table overflows with a warning.
    e.scan(C_OLSQ, "OLS", "X / LIST /RSTAT/ ");
    ASSERT_EQ(e.run.scan.NOPS, 2);
    EXPECT_EQ(e.run.scan.words[2], "RSTAT/  ");
    std::string many;
    for (int k = 1; k <= 41; ++k)
        many += " W" + std::to_string(k);
    e.scan(C_OLSQ, "OLS", "X /" + many);
    EXPECT_EQ(e.run.scan.NOPS, MAXWORDS);
    EXPECT_EQ(e.lines(),
              Lines{" ...WARNING..MORE THAN 40 WORDS, W41 AND THOSE AFTER IT ARE IGNORED"});
}

TEST(Scanner, KeywordCommandsPutEveryItemInTheWordTable) {
    ScanEngine e;
    ASSERT_TRUE(scans_words_only(C_SET));
    ASSERT_TRUE(scans_words_only(C_GOTO));
    ASSERT_FALSE(scans_words_only(C_PRINT));
    e.scan(C_SET, "set", "noecho,missvalu=-1.5 maxcolon = 3000/long", false);
    EXPECT_EQ(e.run.scan.NF, 0);
    ASSERT_EQ(e.run.scan.NOPS, 8);
    const char* words[] = {"NOECHO  ", "MISSVALU", "=       ", "-1.5    ",
                           "MAXCOLON", "=       ", "3000    ", "LONG    "};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(e.run.scan.words[k + 1], words[k]) << k;
    e.scan(C_STOP, "STOP", "hold", false);
    EXPECT_EQ(e.run.scan.words[1], "HOLD    ");
    e.scan(C_STOP, "STOP", "", false);
    EXPECT_EQ(e.run.scan.NOPS, 0);
    EXPECT_EQ(e.run.scan.words[1], "        ") << "the previous statement's word is cleared";
    EXPECT_TRUE(e.lines().empty()) << "keywords are never looked up as variables";
}

TEST(Scanner, NumberedNameRanges) {
    ScanEngine e;
    std::vector<int> x;
    for (int k = 1; k <= 12; ++k)
        x.push_back(e.make("X" + std::to_string(k), 1));
    e.scan(C_PRINT, "PRINT", "X1-X12");
    EXPECT_EQ(e.refs(), x);

    const int a8 = e.make("A08", 1), a9 = e.make("A09", 1), a10 = e.make("A10", 1);
    e.scan(C_PRINT, "PRINT", "A08-A10 X12");
    EXPECT_EQ(e.refs(), (std::vector<int>{a8, a9, a10, x[11]})) << "the suffix keeps its width";

    // Without OTNUM the text is one name, which does not exist.
    e.scan(C_GENR, "GENR", "X1-X12", false);
    EXPECT_EQ(e.run.scan.NF, 0);
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..VARIABLE X1-X12 DOES NOT EXIST..."});

    // Different letters, or counting down, is a syntax error at the "-".
    e.scan(C_PRINT, "PRINT", "X1-Y3");
    EXPECT_TRUE(e.run.flags.OERR);
    EXPECT_EQ(e.lines(), (Lines{" ...ERROR..SYNTAX ERROR", "PRINT X1-Y3", "        $"}));
    e.scan(C_PRINT, "PRINT", "X3-X1");
    EXPECT_TRUE(e.run.flags.OERR);
    e.lines();
}

TEST(Scanner, ReadCreatesVariablesAndNamesItsUnitOrFile) {
    ScanEngine e;
    const int old = e.make("OLD", 2);
    e.scan(C_READ, "READ", "(11) A OLD LONGNAME10", true, true);
    const ScanBlock& s = e.run.scan;
    EXPECT_EQ(s.INPAR, 11);
    EXPECT_EQ(s.NFPAR, 1);
    EXPECT_EQ(s.NEWV, 2);
    ASSERT_EQ(s.NF, 3);
    EXPECT_EQ(e.run.scan.ref(2), old);
    EXPECT_EQ(VFIND(e.run, "A"), e.run.scan.ref(1));
    EXPECT_EQ(VFIND(e.run, "LONGNAME"), e.run.scan.ref(3));
    EXPECT_EQ(e.word(e.run.ws.KADD[e.run.scan.ref(1)] + 2), 0) << "created with length 0";
    EXPECT_EQ(e.lines(), Lines{" ...WARNING..LONGNAME10 IS TRUNCATED TO LONGNAME"});

    e.scan(C_READ, "READ", "(data/my file.txt) B", true, true);
    EXPECT_EQ(s.INPAR, 88);
    EXPECT_EQ(s.filename, "data/my file.txt") << "a slash inside the parentheses is no option";
    EXPECT_EQ(s.NFPAR, 1);
    EXPECT_EQ(s.NF, 1);

    e.scan(C_READ, "READ", "(data.txt B", true, true);
    EXPECT_TRUE(e.run.flags.OERR) << "unbalanced parenthesis";
    e.lines();
    e.scan(C_READ, "READ", "1X", true, true);
    EXPECT_TRUE(e.run.flags.OERR) << "a new variable needs a name";
    EXPECT_EQ(e.run.scan.NEWV, 0);
    e.lines();
}

TEST(Scanner, ReadDuplicatesStopTheRun) {
    ScanEngine e;
    e.scan(C_READ, "READ", "A B A", true, true);
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_TRUE(e.run.sw[OSCAN]) << "non-interactive: later commands are only scanned";
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..A IS IN READ COMMAND MORE THAN ONCE"});
    e.run.sw[OSCAN] = false;
    e.run.sw[OTALK] = true;
    e.scan(C_READ, "READ", "A A", true, true);
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_FALSE(e.run.sw[OSCAN]);
    e.lines();
    e.scan(C_PRINT, "PRINT", "A A");
    EXPECT_FALSE(e.run.flags.ODONT) << "only READ rejects a repeated name";
    EXPECT_EQ(e.run.scan.NF, 2);
}

TEST(Scanner, UnknownNamesAndQuietDelete) {
    ScanEngine e;
    const int x = e.make("X", 1), y = e.make("Y", 1);
    e.scan(C_PRINT, "PRINT", "X NOPE Y GONE");
    EXPECT_EQ(e.refs(), (std::vector<int>{x, y}));
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_FALSE(e.run.flags.OERR);
    EXPECT_EQ(e.lines(), (Lines{" ...ERROR..VARIABLE NOPE DOES NOT EXIST...",
                                " ...ERROR..VARIABLE GONE DOES NOT EXIST..."}));

    e.scan(C_DELETE, "DELETE", "X NOPE Y");
    EXPECT_TRUE(e.run.flags.ODONT) << "printed DELETE reports the missing name";
    e.lines();
    e.run.cmd.IKOD = C_DELETE;
    e.run.cmd.text = "DELETE X NOPE Y";
    e.run.cmd.col = 6;
    e.run.flags = RunFlags{};
    e.run.flags.OTNUM = true;
    e.run.flags.OPUT = false; // "?DELETE"
    SCANIT(e.run);
    EXPECT_EQ(e.refs(), (std::vector<int>{x, y}));
    EXPECT_FALSE(e.run.flags.ODONT);
    EXPECT_TRUE(e.lines().empty());

    // Result scalars and lower-case names when the run folds case.
    e.scan(C_PRINT, "PRINT", "$R2 $NOPE");
    EXPECT_EQ(e.refs(), std::vector<int>{-R_R2});
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..$NOPE IS NOT CURRENTLY DEFINED"});
    e.run.sw[OLC] = true;
    e.scan(C_PRINT, "PRINT", "x nope");
    EXPECT_EQ(e.refs(), std::vector<int>{x});
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..VARIABLE NOPE DOES NOT EXIST..."});
}

TEST(Scanner, ColumnReferences) {
    ScanEngine e;
    const int m = e.make("M", 6, TYPE_MATRIX, 3);
    const int mxcol = e.run.ws.MXCOL;
    ASSERT_EQ(mxcol, 1000);
    e.scan(C_PRINT, "PRINT", "M:3 M:1 M");
    EXPECT_EQ(e.refs(), (std::vector<int>{3 + mxcol * m, 1 + mxcol * m, m}));

    e.scan(C_PRINT, "PRINT", "M:5000");
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_FALSE(e.run.flags.OERR);
    EXPECT_EQ(e.run.res[R_ERR], 1015);
    EXPECT_EQ(e.run.scan.NF, 0);
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..5000 EXCEEDS MAXCOL=1000 USE SET MAXCOL="});

    for (const char* bad : {"M:", "M:0", "M:2X", "M:2:3", "$R2:2"}) {
        e.scan(C_PRINT, "PRINT", bad);
        EXPECT_TRUE(e.run.flags.OERR) << bad;
        EXPECT_EQ(e.run.res[R_ERR], 1016) << bad;
        e.lines();
    }
}

TEST(Scanner, LagReferences) {
    ScanEngine e;
    const int y = e.make("Y", 5), x = e.make("X", 5);
    e.scan(C_OLSQ, "OLS", "Y X(0.3,2,1)");
    ASSERT_EQ(e.run.scan.NF, 5);
    const int marked = MARK_BASE - x;
    EXPECT_EQ(e.refs(), (std::vector<int>{y, marked, marked, marked, marked}));
    const int codes = 2 * 10000 + 1 * 10000000;
    EXPECT_EQ(e.lags(), (std::vector<int>{0, codes, codes + 1, codes + 2, codes + 3}));
    EXPECT_EQ(e.lines(), Lines{"  LAG FOR X        RANGE =    0    3 ORDER=   2 ENDCON=   1"});

    // (0.12) is lags 0 to 12; (2.2) one lag, marked because its code is above 0; (0.0) plain.
    e.scan(C_OLSQ, "OLS", "X(0.12) X(2.2) X(0.0) X(2.)");
    ASSERT_EQ(e.run.scan.NF, 13 + 1 + 1);
    EXPECT_EQ(e.run.scan.lag(13), 12);
    EXPECT_EQ(e.run.scan.ref(14), marked);
    EXPECT_EQ(e.run.scan.lag(14), 2);
    EXPECT_EQ(e.run.scan.ref(15), x);
    EXPECT_EQ(e.run.scan.lag(15), 0);
    EXPECT_TRUE(e.run.flags.OERR) << "(2.) reads its last lag as 0, below the first";
    e.lines();

    // A column with lags keeps the column in the reference; no report when printing is off.
    const int m = e.make("M", 6, TYPE_MATRIX, 2);
    e.run.cmd.IKOD = C_OLSQ;
    e.run.cmd.text = "OLS M:2(1.2)";
    e.run.cmd.col = 3;
    e.run.flags = RunFlags{};
    e.run.flags.OTNUM = true;
    e.run.flags.OPUT = false;
    SCANIT(e.run);
    const int col_ref = 2 + e.run.ws.MXCOL * m;
    EXPECT_EQ(e.refs(), (std::vector<int>{MARK_BASE - col_ref, MARK_BASE - col_ref}));
    EXPECT_EQ(e.lags(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(e.lines().empty());

    // Syntax errors, with "$" at the column where the reference goes wrong.
    struct Bad {
        const char* args;
        int column;
    };
    const Bad bad[] = {
        {"X(3)", 7},          // no decimal point
        {"X(0.2,1.5)", 11},   // a code with a decimal point
        {"X(0.2,1,2,3)", 13}, // a third code
        {"X(0.2;1)", 9},      // another separator
        {"X(0.2,1000)", 10},  // a code above 999
        {"X(0.2", 9},         // no ")"
        {"X(0. 2)", 8},       // a blank inside
    };
    for (const Bad& b : bad) {
        e.scan(C_OLSQ, "OLS", b.args);
        EXPECT_TRUE(e.run.flags.OERR) << b.args;
        Lines lines = e.lines();
        ASSERT_EQ(lines.size(), 3u) << b.args;
        EXPECT_EQ(lines[2], std::string(b.column, ' ') + "$") << b.args;
    }
}

TEST(Scanner, SyntaxErrorReport) {
    ScanEngine e;
    e.make("X", 1);
    e.make("Y", 1);
    e.run.res[R_ERR] = 0;
    e.scan(C_PRINT, "PRINT", "X=Y");
    EXPECT_TRUE(e.run.flags.OERR);
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_EQ(e.run.res[R_ERR], 1016);
    EXPECT_EQ(e.lines(), (Lines{" ...ERROR..SYNTAX ERROR", "PRINT X=Y", "       $"}));

    e.scan(C_PRINT, "PRINT", "X ) Y");
    EXPECT_EQ(e.lines(), (Lines{" ...ERROR..SYNTAX ERROR", "PRINT X ) Y", "        $"}));
    e.scan(C_STATS, "STATS", "(5) X");
    EXPECT_TRUE(e.run.flags.OERR) << "only READ, PRINT and WRITE name a unit";
    e.lines();

    // A statement longer than 130 columns: "$" goes under the line that holds the column.
    e.scan(C_PRINT, "PRINT", std::string(124, ',') + "X#Y");
    const std::string text = e.run.cmd.text;
    EXPECT_EQ(e.lines(), (Lines{" ...ERROR..SYNTAX ERROR", text.substr(0, 130), "X#Y", " $"}));

    // Without OTNUM any character but the separators belongs to the name.
    e.scan(C_NAMES, "NAMES", "X=Y", false);
    EXPECT_FALSE(e.run.flags.OERR);
    EXPECT_EQ(e.lines(), Lines{" ...ERROR..VARIABLE X=Y DOES NOT EXIST..."});
}

TEST(Scanner, MarkedItemsAndTheDump) {
    ScanEngine e;
    const int x = e.make("X", 1), y = e.make("Y", 1);
    e.scan(C_PRINT, "PRINT", "+X \\Y");
    EXPECT_EQ(e.refs(), (std::vector<int>{x, y}));
    EXPECT_EQ(e.run.scan.item_mark[1], '+');
    EXPECT_EQ(e.run.scan.item_mark[2], '\\');
    e.run.sw[ODMMP] = true;
    e.scan(C_PRINT, "PRINT", "X / LIST");
    Lines lines = e.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 18), " SCANIT  NF=     1");
    EXPECT_EQ(lines[1], "   ITEM     1  REF=           1  LAG=           0");
    EXPECT_EQ(lines[2], "   WORD  1  LIST      LIST");
}

} // namespace
} // namespace tarvex
