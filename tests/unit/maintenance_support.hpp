// Test helpers for the workspace commands: a run kept alive after its start-up, statements run
// on it one at a time as the command loop would, and a scratch directory for the files written.
#pragma once

#include "host_test_support.hpp"
#include "test_support.hpp"

#include "core/run.hpp"
#include "interp/dispatcher.hpp"
#include "interp/entry.hpp"
#include "workspace/workspace.hpp"

#include <memory>
#include <string>

namespace tarvex::testing {

// A console run that has been started (work area allocated, TALK on so that errors do not stop
// later statements) and is then driven statement by statement.
struct LiveRun {
    MemoryIn in{"set talk\nstop\n"};
    MemoryOut out;
    std::unique_ptr<Run> run = std::make_unique<Run>();
    std::size_t seen = 0;

    LiveRun() {
        run->streams.in = in.fp;
        run->streams.out = out.fp;
        start_run(*run, MODE_CONSOLE, 0, 1, 0);
        seen = out.text().size();
    }

    // Runs one statement through the dispatcher and returns what it printed.
    std::string exec(const std::string& statement) {
        run_statement(*run, statement);
        const std::string all = out.text();
        std::string printed = all.substr(seen);
        seen = all.size();
        return printed;
    }

    int slot(const std::string& name) { return VFIND(*run, name); }
    VarInfo info(const std::string& name) {
        VarInfo vi;
        VINFO(*run, slot(name), vi);
        return vi;
    }
    Real& at(const std::string& name, long long k) { return element(*run, info(name), k); }
};

} // namespace tarvex::testing
