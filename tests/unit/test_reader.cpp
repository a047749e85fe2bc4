// Statement reader and command tables: prefix matching, French aliases, command words and
// labels, the handler table, WIDE under TERMINAL, variables carried across a reallocation, the
// statement length limit and the cut of a console line over the record length. Command-name mode
// and the SET table are pinned by the reader and switches goldens.
#include "interp/command_handlers.hpp"
#include "interp/reader.hpp"
#include "interp/script_run.hpp"
#include "interp/set_display.hpp"
#include "workspace/carry_variables.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvex {
namespace {

// OLS, O and E, MCO and OUVRE under FRENCH, and LONG on OLS, OLSQ and S are pinned by the
// reader/abbreviations, french and long_mode goldens.
TEST(CommandMatch, EarliestSlotWinsAndUnknownWordsMatchNothing) {
    struct Case {
        const char* word;
        bool long_mode;
        int slot;
        const char* why;
    };
    const Case cases[] = {
        {"S", false, C_SET, ""},
        {"SA", false, C_SAMPLE, ""},
        {"SM", false, C_SMPL, ""},
        {"D", false, C_DISPLAY, ""},
        {"DE", false, C_DELETE, ""},
        {"P", false, C_PRINT, ""},
        {"PAR", false, C_PARM, ""},
        {"END", false, C_END, "an exact word beats a longer one"},
        {"ENDO", false, C_ENDO, ""},
        {"IF", false, C_IF, ""},
        {"IF1", false, C_IF1, ""},
        {"DIMENSIO", false, C_DIMENSIO, ""},
        {"2SLS", false, C_2SLS, ""},
        {"QP", false, C_QP, ""},
        {"SET", true, C_SET, "LONG wants the whole word"},
        {"DIMENSIO", true, C_DIMENSIO, ""},
        {"OLSQX", false, 0, "a word longer than the table word"},
        {"XYZ", false, 0, ""},
        {"", false, 0, ""},
        {"XXXXXXXX", false, 0, "placeholder slots are never matched"},
        {"TARVEX1", false, 0, "user slots are stored in lower case"},
        {"DIMENSIX", false, 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(match_command(c.word, c.long_mode), c.slot) << c.word << ": " << c.why;
}

TEST(FrenchAliases, TranslateToTheCommandOfTheSameSlot) {
    EXPECT_EQ(french_to_command("FRANCA"), "MENU");
    EXPECT_EQ(french_to_command("ARRETE"), "STOP");
    EXPECT_EQ(french_to_command("PAR"), "PARM");
    EXPECT_EQ(french_to_command("VA"), "GOTO");
    EXPECT_EQ(french_to_command("TRACE"), "PLOTS");
    EXPECT_EQ(french_to_command("LISSER"), "SMOOTH");
    EXPECT_EQ(french_to_command("GRAPHIQU"), "GRAPH");
    EXPECT_EQ(french_to_command("SET"), "SET") << "a word without an alias stays";
    EXPECT_EQ(french_to_command("MC"), "MC") << "aliases are not matched by prefix";
    EXPECT_EQ(french_to_command("xxxxxxxx"), "xxxxxxxx");
}

TEST(CommandWord, CollectsLettersDigitsAndUnderscoreUpToEight) {
    std::size_t pos = 0;
    EXPECT_EQ(collect_command_word("ols y x", pos), "OLS");
    EXPECT_EQ(pos, 3u);
    pos = 2;
    EXPECT_EQ(collect_command_word("  display_all_of_it now", pos), "DISPLAY_");
    EXPECT_EQ(pos, 19u) << "the whole word is passed over, not only its first 8 characters";
    pos = 0;
    EXPECT_EQ(collect_command_word("genr=1", pos), "GENR");
    EXPECT_EQ(pos, 4u);
    pos = 0;
    EXPECT_EQ(collect_command_word("(x)", pos), "");
}

TEST(CommandWord, Labels) {
    EXPECT_EQ(statement_label("loop1:"), "LOOP1");
    EXPECT_EQ(statement_label("   again: print x"), "AGAIN");
    EXPECT_EQ(statement_label("averylonglabel:"), "AVERYLON");
    EXPECT_EQ(statement_label("loop1 :"), "") << "the colon must follow the word directly";
    EXPECT_EQ(statement_label("print x:2"), "");
    EXPECT_EQ(statement_label("* comment: no"), "");
}

TEST(HandlerTable, RowsFollowTheCommandTable) {
    for (int slot = 1; slot <= NCOMMAND; ++slot) {
        const CommandRow& row = COMMAND_ROWS[slot - 1];
        EXPECT_EQ(row.slot, slot);
        EXPECT_STREQ(row.word, COMMAND_WORDS[slot - 1]) << "slot " << slot;
        EXPECT_NE(row.handler, nullptr) << "slot " << slot;
        EXPECT_EQ(handler_for(slot), row.handler);
    }
    EXPECT_EQ(handler_for(0), nullptr);
    EXPECT_EQ(handler_for(NCOMMAND + 1), nullptr);
    EXPECT_EQ(COMMAND_ROWS[C_READ - 1].group, ScanGroup::CREATES);
    EXPECT_EQ(COMMAND_ROWS[C_RESTORE - 1].group, ScanGroup::CREATES);
    EXPECT_EQ(COMMAND_ROWS[C_OLSQ - 1].group, ScanGroup::NUMBERED);
    EXPECT_EQ(COMMAND_ROWS[C_USER4 - 1].group, ScanGroup::NUMBERED);
    EXPECT_EQ(COMMAND_ROWS[C_GENR - 1].group, ScanGroup::PLAIN);
}

// Every switch's default is pinned by the switches/display_all golden, which runs without
// TERMINAL.
TEST(SwitchTable, WideDefaultsOnUnderTerminal) {
    SwitchBlock terminal;
    terminal[OTERM] = true;
    default_switches(terminal);
    EXPECT_TRUE(terminal[OWIDE]) << "TERMINAL itself defaults off, so WIDE defaults on";
}

TEST(CarriedVariables, ComeBackWithTheirContents) {
    testing::WorkspaceEngine engine(20, 400);
    tarvex::Run& run = engine.run;
    int x = 0, m = 0, gone = 0;
    NEWVAR(run, "X", 1, TYPE_DATA, 3, 1, x);
    NEWVAR(run, "GONE", 1, TYPE_DATA, 2, 1, gone);
    NEWVAR(run, "M", 1, TYPE_MATRIX, 4, 2, m);
    VarInfo info;
    ASSERT_TRUE(VINFO(run, x, info));
    for (int k = 1; k <= 3; ++k) element(run, info, k) = Real(k) / 3;
    ASSERT_TRUE(VINFO(run, m, info));
    for (int k = 1; k <= 4; ++k) element(run, info, k) = Real(10 * k);
    run.ws.VNAME[gone] = std::string(24, ' '); // a hole is not carried
    ++run.ws.NDL;

    carry_variables(run);
    EXPECT_TRUE(run.flags.OPAR);
    ASSERT_EQ(run.carried.size(), 2u);
    reset_workspace(run.ws);
    restore_carried_variables(run);
    EXPECT_FALSE(run.flags.OPAR);
    EXPECT_TRUE(run.carried.empty());
    EXPECT_EQ(run.ws.NVARS, 2);
    EXPECT_EQ(VFIND(run, "GONE"), 0);
    ASSERT_TRUE(VINFO(run, VFIND(run, "X"), info));
    EXPECT_EQ(info.length, 3);
    for (int k = 1; k <= 3; ++k) EXPECT_TRUE(element(run, info, k) == Real(k) / 3) << k;
    ASSERT_TRUE(VINFO(run, VFIND(run, "M"), info));
    EXPECT_EQ(info.type, TYPE_MATRIX);
    EXPECT_EQ(info.ncol, 2);
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(element(run, info, k) == Real(10 * k)) << k;
}

TEST(Reader, OverlongStatementWarnsOnceAndKeepsWhatFits) {
    std::string script = "*";
    for (int k = 0; k < 1400; ++k) script += std::string(200, 'x') + " &\n";
    script += "last\nSTOP\n";
    ScriptResult r = run_script(script);
    const std::string warning =
        " ...WARNING..COMMAND MAY BE NEAR OR OVER THE 262144 CHARACTER LIMIT\n";
    std::size_t at = r.output.find(warning);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(r.output.find(warning, at + 1), std::string::npos) << "written once";
    // The echo of the kept statement: its first 262144 characters on lines of 127 after " |_"
    // or " | " (each "&" became a blank: "*", then 200 "x" and two blanks per line).
    std::size_t xs = 0, lines = 0;
    for (std::size_t pos = r.output.find(" |_*"); pos < r.output.size();) {
        std::size_t end = r.output.find('\n', pos);
        std::string line = r.output.substr(pos, end - pos);
        if (lines > 0 && line.rfind(" | ", 0) != 0) break;
        EXPECT_LE(line.size(), 130u);
        xs += std::count(line.begin(), line.end(), 'x');
        ++lines;
        pos = end + 1;
    }
    EXPECT_EQ(lines, (262144u + 126) / 127);
    EXPECT_EQ(xs, 1297u * 200 + 149) << "262144 = 1 + 1297 * 202 + 149";
    EXPECT_EQ(r.output.find("UNKNOWN COMMAND"), std::string::npos)
        << "the lines that no longer fit are not read as statements";
    EXPECT_NE(r.output.find(" |_STOP\n"), std::string::npos);
}

// Typed at the prompt (the console unit), a line over 255 characters is cut with the warning
// and the note on "&"; a line of exactly 255 is kept whole without either.
TEST(Reader, ConsoleLineOverTheRecordLengthIsNotRun) {
    std::string terms;
    for (int k = 0; k < 140; ++k) terms += k == 0 ? "1" : "+1";
    const std::string fits = "GENR T  = " + terms.substr(0, 245);
    ScriptResult r = run_script("SAMPLE 1 1\nGENR S = 5\nGENR S  = " + terms + "\nPRINT S\n" +
                                fits + "\nPRINT T\nSTOP\n");
    EXPECT_NE(
        r.output.find(" ...ERROR..INPUT LINE OF 289 CHARACTERS CUT AT COLUMN 255: STATEMENT "
                      "NOT RUN\n"
                      " ...NOTE..END A LINE WITH & TO CONTINUE THE STATEMENT ON THE NEXT LINE\n"),
        std::string::npos)
        << r.output;
    // The cut GENR did not run (S keeps 5, not the 123 of the terms kept); the next one did.
    EXPECT_NE(r.output.find("    S            5.000000"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("    T            123.0000"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("CUT AT"), r.output.rfind("CUT AT")) << "one error only";
}

} // namespace
} // namespace tarvex
