// The statement scanner's item marks ("+" and "\\" before a name), which no report shows.
// Separators and the word table, name ranges, new variables under
// READ, unit and file references, unknown names, columns, lag references and the syntax error
// report are pinned by the scanner/scan_block golden (through SET DUMP) and the scanner/ranges,
// syntax and unknown_variable goldens.
#include "core/command_table.hpp"
#include "core/run.hpp"
#include "interp/scanner.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

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
        for (int k = 1; k <= run.scan.NF; ++k) out.push_back(run.scan.ref(k));
        return out;
    }
};

TEST(Scanner, MarksBeforeItemsAreKept) {
    ScanEngine e;
    const int x = e.make("X", 1), y = e.make("Y", 1);
    e.scan(C_PRINT, "PRINT", "+X \\Y");
    EXPECT_EQ(e.refs(), (std::vector<int>{x, y}));
    EXPECT_EQ(e.run.scan.item_mark[1], '+');
    EXPECT_EQ(e.run.scan.item_mark[2], '\\');
}

} // namespace
} // namespace tarvex
