// Test helper for TEST and RESTRICT: a regression run whose statements are dispatched the way
// the command loop does it (scanner only for scanned rows), with the lines a block reads after
// its opening statement fed to the command unit from memory.
#pragma once

#include "ols_engine.hpp"

#include "io/units.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace tarvex::testing {

struct HypothesisEngine : OlsEngine {
    std::string pending;      // lines the next statement may read
    std::FILE* input = nullptr;

    ~HypothesisEngine() { release(); }

    void release() {
        if (!input) return;
        close_unit(run, run.L5);
        std::fclose(input);
        input = nullptr;
    }
    // Runs `text`; `following` holds the lines after it (a block up to END). Returns the
    // report lines.
    std::vector<std::string> command(const std::string& text, const std::string& following = "") {
        release();
        pending = following.empty() ? std::string("\n") : following;
        input = fmemopen(pending.data(), pending.size(), "r");
        attach_unit(run, run.L5, input);
        run.IN = run.L5;
        run.sw[OECHO] = false;
        lines();
        const std::size_t pos = text.find_first_of(" /");
        const std::string word = text.substr(0, pos);
        run.cmd.text = text;
        run.cmd.col = int(pos == std::string::npos ? text.size() : pos);
        run.cmd.IKOD = match_command(word, false);
        run.flags = RunFlags{};
        run.flags.OPUT = true;
        const CommandRow& row = COMMAND_ROWS[run.cmd.IKOD - 1];
        if (row.group != ScanGroup::PLAIN) run.flags.OTNUM = true;
        if (row.args == Args::SCANNED) SCANIT(run);
        if (!run.flags.OERR && !run.flags.ODONT) row.handler(run);
        return lines();
    }
};

// |a - b| / |b| (|a - b| when b is 0).
inline Real relative(Real a, Real b) {
    const Real d = fabsq(a - b);
    return b == 0 ? d : d / fabsq(b);
}

} // namespace tarvex::testing
