// Test helper for READ: runs a whole script in a console run whose Run object outlives the run,
// so that tests can look at the stored variables, the sample and the report lines.
#pragma once

#include "interp/entry.hpp"
#include "core/run.hpp"
#include "workspace/workspace.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace tarvex::testing {

struct ReadRun {
    std::unique_ptr<Run> run = std::make_unique<Run>();
    std::string output;
    bool fatal = false;

    explicit ReadRun(std::string script) {
        if (script.empty()) script = "\n";
        std::FILE* in = fmemopen(script.data(), script.size(), "r");
        char* buf = nullptr;
        std::size_t len = 0;
        std::FILE* out = open_memstream(&buf, &len);
        run->streams.in = in;
        run->streams.out = out;
        try {
            start_run(*run, MODE_CONSOLE, 0, 1, 0);
        } catch (const FatalStop&) {
            fatal = true;
        }
        std::fflush(out);
        output.assign(buf, len);
        std::fclose(in);
        std::fclose(out);
        std::free(buf);
    }

    // The elements of a variable (empty when it does not exist).
    std::vector<Real> values(const std::string& name) {
        std::vector<Real> out;
        const int ref = VFIND(*run, name);
        VarInfo info;
        if (ref <= 0 || !VINFO(*run, ref, info)) return out;
        for (long long k = 1; k <= info.length; ++k) out.push_back(element(*run, info, k));
        return out;
    }
    VarInfo info(const std::string& name) {
        VarInfo info;
        info.length = -1;
        const int ref = VFIND(*run, name);
        if (ref > 0) VINFO(*run, ref, info);
        return info;
    }
    bool has_line(const std::string& line) const {
        return output.find("\n" + line + "\n") != std::string::npos;
    }
};

} // namespace tarvex::testing
