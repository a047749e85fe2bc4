// Tests of the option parser on the OLSQ option table: switches and NO, prefixes in table
// order, LONG, values (numbers, result scalars, variables and columns), names, the invalid
// option listing, DISPLAY listing and the DUMP echo. The messages of bad values and of a switch
// given a value are pinned by the switches/option_values golden, with their $ERR numbers by the
// reader/error_numbers and outputs/option_values goldens.
#include "core/command_table.hpp"
#include "core/run.hpp"
#include "interp/scanner.hpp"
#include "options/options.hpp"
#include "regress/fit/ols_options.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using Lines = std::vector<std::string>;

struct OptionEngine : testing::WorkspaceEngine {
    OptionEngine() : WorkspaceEngine(100, 10000) {
        init_scan_block(run.scan, 100);
        make("Y", 3);
    }
    // Scans "OLS Y / <options>" and parses the options with CONSTANT on by default.
    bool parse(const std::string& options, const OptionTable& table = olsq_option_table()) {
        run.cmd.IKOD = C_OLSQ;
        run.cmd.text = "OLS Y / " + options;
        run.cmd.col = 3;
        run.flags = RunFlags{};
        run.flags.OTNUM = true;
        SCANIT(run);
        run.opt.prepare(table);
        run.opt.sw[1] = true; // CONSTANT
        return OPTION(run, table);
    }
    bool sw(std::string_view keyword) {
        return run.opt.sw[option_index(olsq_option_table(), keyword)];
    }
    int iv(std::string_view keyword) {
        return run.opt.iv[option_index(olsq_option_table(), keyword)];
    }
    bool given(std::string_view keyword) {
        return run.opt.igiven[option_index(olsq_option_table(), keyword)];
    }
    Real rv(std::string_view keyword) {
        return run.opt.rv[option_index(olsq_option_table(), keyword)];
    }
    std::string name(std::string_view keyword) {
        return run.opt.name[option_index(olsq_option_table(), keyword)];
    }
};

TEST(Options, KeywordPositionsByName) {
    const OptionTable& t = olsq_option_table();
    EXPECT_EQ(option_index(t, "MAX"), 0);
    EXPECT_EQ(option_index(t, "PILAGS"), 38);
    EXPECT_EQ(option_index(t, "BEG"), 0);
    EXPECT_EQ(option_index(t, "NPOP"), 6);
    EXPECT_EQ(option_index(t, "RIDGE"), 0);
    EXPECT_EQ(option_index(t, "INCOVARI"), 18);
    EXPECT_EQ(option_index(t, "NOSUCH"), -1);
    EXPECT_EQ(option_index(t, "PRED"), -1) << "handlers name keywords in full";
    const OptionSlot pcov = find_option(t, "pcov");
    EXPECT_EQ(pcov.group, 1);
    EXPECT_EQ(pcov.index, 8);
    EXPECT_EQ(find_option(t, "ALPHA").group, 3);
    EXPECT_EQ(find_option(t, "OUTPUT").group, 4);
}

TEST(Options, SwitchesNegationAndPrefixes) {
    OptionEngine e;
    ASSERT_TRUE(e.parse("noconstant list p d"));
    EXPECT_FALSE(e.sw("CONSTANT"));
    EXPECT_TRUE(e.sw("LIST"));
    EXPECT_TRUE(e.sw("PCOV")) << "P: the earliest keyword that begins with it";
    EXPECT_FALSE(e.sw("PCOR"));
    EXPECT_TRUE(e.sw("DUMP")) << "D: DUMP comes before DN, DLAG ...";
    EXPECT_FALSE(e.sw("DN"));
    EXPECT_TRUE(e.lines().empty());

    // NORMALIZ typed in full is the keyword; NO + NORMALIZ clears it; NORMAL still finds it.
    ASSERT_TRUE(e.parse("NORMALIZ"));
    EXPECT_TRUE(e.sw("NORMALIZ"));
    ASSERT_TRUE(e.parse("NORMAL"));
    EXPECT_TRUE(e.sw("NORMALIZ"));
    ASSERT_TRUE(e.parse("NONORMALIZ"));
    EXPECT_FALSE(e.sw("NORMALIZ"));
}

TEST(Options, LongRequiresWholeKeywords) {
    OptionEngine e;
    e.run.sw[OLONG] = true;
    ASSERT_TRUE(e.parse("LIST NOCONSTANT INFLUENCE"));
    EXPECT_TRUE(e.sw("LIST"));
    EXPECT_FALSE(e.sw("CONSTANT")) << "the negated word is matched in full, not as NOCONSTA";
    EXPECT_TRUE(e.sw("INFLUENC")) << "names are significant to 8 characters";
    EXPECT_FALSE(e.parse("CONST"));
    EXPECT_EQ(e.run.res[R_ERR], 1012);
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_EQ(e.lines().front(), " ...ERROR..INVALID OPTION..CONST");
}

// The listing of every keyword, five a line, is pinned by the ols/errors golden.
TEST(Options, InvalidOptionListsEveryKeyword) {
    OptionEngine e;
    e.run.res[R_ERR] = 0;
    EXPECT_FALSE(e.parse("LIST bogus RSTAT"));
    EXPECT_TRUE(e.run.flags.ODONT);
    EXPECT_EQ(e.run.res[R_ERR], 1012);
    EXPECT_FALSE(e.sw("RSTAT")) << "parsing stops at the invalid word";
    e.lines();

    // Placeholders keep their positions, are listed, and never match.
    const OptionTable small = {{"LIST", "xxxxxxxx", "", "BEG", "PREDICT"}, 3, 1, 0, 1};
    EXPECT_FALSE(e.parse("X", small));
    EXPECT_EQ(e.lines(), (Lines{" ...ERROR..INVALID OPTION..X", " AVAILABLE OPTIONS ARE:",
                                " LIST      xxxxxxxx            BEG       PREDICT"}));
    ASSERT_TRUE(e.parse("B=4 P=ZZ", small));
    EXPECT_EQ(e.run.opt.iv[0], 4);
    EXPECT_EQ(e.run.opt.name[0], "ZZ      ");
    EXPECT_FALSE(e.parse("= 4", small)) << "a lone = is no option";
    e.lines();
}

TEST(Options, NumericValues) {
    OptionEngine e;
    const int v = e.make("V", 2);
    e.elem(v, 1) = Real(7) / 4;
    const int m = e.make("M", 4, TYPE_MATRIX, 2);
    e.elem(m, 3) = 42; // column 2 starts at element 3
    e.run.res[R_R2] = Real(1) / 3;
    ASSERT_TRUE(e.parse("BEG=10 END = 25 RI=0.5 INSIG2=$R2 ALPHA=V RHO=M:2 GAP=V"));
    EXPECT_EQ(e.iv("BEG"), 10);
    EXPECT_TRUE(e.given("BEG"));
    EXPECT_EQ(e.iv("END"), 25);
    EXPECT_FALSE(e.given("AUTCOV"));
    EXPECT_TRUE(e.rv("RIDGE") == Real(1) / 2);
    EXPECT_TRUE(e.rv("INSIG2") == Real(1) / 3) << "the result scalar's full value";
    EXPECT_TRUE(e.rv("ALPHA") == Real(7) / 4);
    EXPECT_TRUE(e.rv("RHO") == 42);
    EXPECT_EQ(e.iv("GAP"), 2) << "1.75 rounds to the nearest integer";
    EXPECT_TRUE(e.lines().empty());

    // NO before a value option clears its given flag.
    e.run.opt.igiven[option_index(olsq_option_table(), "BEG")] = true;
    ASSERT_TRUE(e.parse("NOBEG"));
    EXPECT_FALSE(e.given("BEG"));
}

// A real option typed is marked given whatever its value, the missing-value code included, so
// that a command can tell "not typed" from "typed -99999".
TEST(Options, RealValuesAreMarkedGiven) {
    OptionEngine e;
    ASSERT_TRUE(e.parse("RIDGE=-99999"));
    const std::size_t ridge = std::size_t(option_index(olsq_option_table(), "RIDGE"));
    const std::size_t alpha = std::size_t(option_index(olsq_option_table(), "ALPHA"));
    EXPECT_TRUE(e.run.opt.rgiven[ridge]);
    EXPECT_TRUE(e.rv("RIDGE") == -99999);
    EXPECT_FALSE(e.run.opt.rgiven[alpha]);
    ASSERT_TRUE(e.parse("ALPHA=0.1"));
    EXPECT_FALSE(e.run.opt.rgiven[ridge]) << "each statement starts with nothing given";
}

TEST(Options, NameValues) {
    OptionEngine e;
    ASSERT_TRUE(e.parse("PRED=yhat OUTPUT=/tmp/Long/name.png RESID="));
    EXPECT_EQ(e.name("PREDICT"), "YHAT    ");
    EXPECT_EQ(e.name("OUTPUT"), "/TMP/LON");
    EXPECT_EQ(e.run.opt.name_full[option_index(olsq_option_table(), "OUTPUT")],
              "/tmp/Long/name.png");
    EXPECT_EQ(e.name("RESID"), "********") << "= with no value";
    EXPECT_EQ(e.name("TRATIO"), "");
    ASSERT_TRUE(e.parse("PRED=YHAT NOPRED"));
    EXPECT_EQ(e.name("PREDICT"), "") << "NO clears a name option";
}

TEST(Options, DisplayListsInsteadOfChanging) {
    OptionEngine e;
    e.run.cmd.IKOD = C_DISPLAY;
    e.run.cmd.text = "DISPLAY LIST CONSTANT BEG RIDGE PRED";
    e.run.cmd.col = 7;
    e.run.flags = RunFlags{};
    SCANIT(e.run);
    e.run.opt.prepare(olsq_option_table());
    e.run.opt.sw[1] = true;
    e.run.opt.iv[0] = 1957;
    e.run.opt.rv[0] = Real(1) / 4;
    e.run.opt.name[0] = "YHAT    ";
    ASSERT_TRUE(OPTION(e.run, olsq_option_table()));
    EXPECT_FALSE(e.run.opt.sw[3]) << "DISPLAY LIST leaves LIST off";
    EXPECT_EQ(e.lines(), (Lines{" LIST     = F", " CONSTANT = T", " BEG      =         1957",
                                " RIDGE    =   0.25000000", " PREDICT  = YHAT"}));

    // The DUMP switch echoes each switch as it is set.
    e.run.sw[ODMMP] = true;
    e.run.cmd.IKOD = C_OLSQ;
    e.run.opt.prepare(olsq_option_table());
    e.run.scan.NOPS = 2;
    e.run.scan.words[1] = "LIST    ";
    e.run.scan.full_words[1] = "list";
    e.run.scan.words[2] = "NOMAX   ";
    e.run.scan.full_words[2] = "nomax";
    ASSERT_TRUE(OPTION(e.run, olsq_option_table()));
    EXPECT_EQ(e.lines(), (Lines{" LIST     = T", " MAX      = F"}));

    // A word put in the table by hand is not shadowed by an older statement's full text.
    e.run.sw[ODMMP] = false;
    e.run.opt.prepare(olsq_option_table());
    e.run.scan.NOPS = 1;
    e.run.scan.words[1] = "RSTAT   ";
    ASSERT_TRUE(OPTION(e.run, olsq_option_table()));
    EXPECT_TRUE(e.sw("RSTAT"));
    EXPECT_FALSE(e.sw("LIST"));
}

} // namespace
} // namespace tarvex
