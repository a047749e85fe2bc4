// GENR over series bound to a file, with the bound rows read in blocks far shorter than the
// statement's lags and leads (1, 3 and 7 rows, and one block for all): the file of the new
// series holds, bit for bit, the values GENR gives over the same series in memory, over a whole
// sample, a late one and one with a gap; a lag and a lead of whole numbers give the exact values
// t - 2 and t + 1 (0 before observation 1 and past the end); rows read past the bound rows are
// refused; under a file size limit the write
// fails with its line and $ERR 2095, nothing is bound and no file is left.
#include "bound/bound_genr.hpp"
#include "bound/bound_rows.hpp"
#include "child_limits.hpp"
#include "core/command_table.hpp"
#include "core/result_scalars.hpp"
#include "interp/dispatcher.hpp"
#include "interp/set_display.hpp"
#include "reference_support.hpp"
#include "test_support.hpp"
#include "workspace/bound_names.hpp"
#include "workspace_engine.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarvex::testing {

namespace {

inline constexpr long long GENR_BOUND_ROWS = 120;

// X, Z and T = t over observations 1..120 written as TARVBIN blocks; the run's temporary
// directory is the test's own.
struct GenrBoundEngine : ScratchDir, WorkspaceEngine {
    GenrBoundEngine() : WorkspaceEngine(100, 200000) {
        install_statement_calls(); // as the run start does: DELETE scans its list
        default_switches(run.sw);
        run.sw[OWARN] = false;
        run.files.TEMP = dir.string();
        for (const char* s :
             {"SMPL 1 120", "GENR X = SIN(TIME(0)*0.7)*10", "GENR Z = MOD(TIME(0), 5) - 2",
              "GENR T = TIME(0)", "WRITE (s.bin) X Z T / TARVEX BINARY"})
            run_statement(run, s);
    }
    void bind_sources() {
        run_statement(run, "DELETE X Z T");
        run_statement(run, "READ (s.bin) X Z T / TARVEX BIND");
    }
    // GENR `statement` with the bound rows read `block` rows at a time.
    void genr_in_blocks(const std::string& statement, std::size_t block) {
        run.cmd.text = "GENR " + statement;
        run.cmd.col = 4;
        run.cmd.IKOD = C_GENR;
        run.flags.ODONT = false;
        run.flags.OPUT = true;
        run_genr_over_bound(run, block);
    }
    // The values of the bound series `name`, read back from its file by READ (which unbinds it
    // and leaves the file to the end of the run).
    std::vector<Real> read_back(const std::string& name) {
        const BoundSeries* bound = find_bound_series(run, name);
        if (bound == nullptr) return {};
        const std::string file = bound->file;
        EXPECT_TRUE(bound->scratch);
        run_statement(run, "READ (" + file + ") " + name + " / TARVEX BINARY");
        EXPECT_TRUE(std::filesystem::exists(file)) << "READ into memory keeps " << file;
        std::filesystem::remove(file);
        return values(name);
    }
    std::vector<Real> values(const std::string& name) {
        std::vector<Real> out;
        const int ref = VFIND(run, name);
        VarInfo info;
        if (ref <= 0 || !VINFO(run, ref, info)) return out;
        for (long long k = 1; k <= info.length; ++k) out.push_back(element(run, info, k));
        return out;
    }
};

// Lags of 1 to 6, leads of 3, a running sum, the lag of an expression and the target's own lag.
std::string windowed_statement(const std::string& target) {
    return target + " = X(-4) + X(+3)*Z + LAG(X, 2) + SUM(Z) + LAG(X*Z) + 0.5*" + target +
           "(-1) + LAG(T, 6)/7";
}

TEST(GenrOverBound, SmallBlocksGiveTheValuesInMemory) {
    GenrBoundEngine e;
    const std::vector<std::string> samples = {"SMPL 1 120", "SMPL 9 113", "SMPL 1 30 41 120"};
    std::vector<std::vector<Real>> in_memory;
    for (const std::string& sample : samples) {
        run_statement(e.run, sample);
        run_statement(e.run, "GENR " + windowed_statement("M"));
        in_memory.push_back(e.values("M"));
        run_statement(e.run, "DELETE M");
    }
    e.bind_sources();
    // The rows read around a sample must lie within the bound rows.
    std::string error;
    EXPECT_FALSE(open_bound_range(e.run, {"X", "Z"}, 2, 121, error));
    EXPECT_EQ(error, " ...ERROR..OBS 2 TO 121 RUN PAST THE BOUND ROWS 1 TO 120");
    for (std::size_t k = 0; k < samples.size(); ++k) {
        for (std::size_t block : {1u, 3u, 7u, 200u}) {
            run_statement(e.run, samples[k]);
            e.genr_in_blocks(windowed_statement("Y"), block);
            const std::vector<Real> bound = e.read_back("Y");
            ASSERT_EQ(bound.size(), in_memory[k].size()) << samples[k] << ", blocks of " << block;
            for (std::size_t t = 0; t < bound.size(); ++t)
                ASSERT_TRUE(bits_equal(bound[t], in_memory[k][t]))
                    << samples[k] << ", blocks of " << block << ", obs " << t + 1;
            run_statement(e.run, "DELETE Y");
        }
    }
    // Exact values: W(t) = (t - 2 where t > 2, else 0) + (t + 1 where t < 120, else 0).
    run_statement(e.run, "SMPL 1 120");
    e.genr_in_blocks("W = T(-2) + T(+1)", 2);
    const std::vector<Real> w = e.read_back("W");
    ASSERT_EQ(w.size(), 120u);
    for (long long t = 1; t <= GENR_BOUND_ROWS; ++t) {
        const long long want = (t > 2 ? t - 2 : 0) + (t < GENR_BOUND_ROWS ? t + 1 : 0);
        EXPECT_TRUE(bits_equal(w[static_cast<std::size_t>(t - 1)], Real(want))) << "obs " << t;
    }
}

TEST(GenrOverBound, AFailedWriteBindsNothingAndLeavesNoFile) {
    GenrBoundEngine e;
    e.bind_sources();
    e.lines();
    // 120 values take 1,920 bytes: a limit of 1,024 stops the write.
    const std::vector<std::string> report = in_child(
        [&e] {
            e.genr_in_blocks("V = X*2 + Z", 7);
            std::vector<std::string> out = e.lines();
            out.push_back("ERR " + std::to_string(static_cast<long long>(e.run.res[R_ERR])));
            out.push_back(find_bound_series(e.run, "V") ? "bound" : "not bound");
            out.push_back(std::filesystem::exists("tarvgenr.V") ? "file left" : "no file");
            return out;
        },
        1024);
    const std::string file = (e.dir / "tarvgenr.V").string();
    EXPECT_EQ(report,
              (std::vector<std::string>{" ...ERROR..CANNOT WRITE FILE " + file + ": FILE TOO LARGE",
                                        "ERR 2095", "not bound", "no file"}));
}

} // namespace

} // namespace tarvex::testing
