// Test helper for TEST and RESTRICT: a regression run whose statements go through the
// dispatcher, with the lines a block reads after its opening statement fed to the command unit
// from memory.
#pragma once

#include "ols_engine.hpp"

#include "core/units.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace tarvex::testing {

struct HypothesisEngine : OlsEngine {
    std::string pending; // lines the next statement may read
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
        run_statement(run, text);
        return lines();
    }
};

// |a - b| / |b| (|a - b| when b is 0).
inline Real relative(Real a, Real b) {
    const Real d = fabsq(a - b);
    return b == 0 ? d : d / fabsq(b);
}

} // namespace tarvex::testing
