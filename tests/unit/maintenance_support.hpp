// Test helpers for the workspace commands: a run kept alive after its start-up, statements run
// on it one at a time as the command loop would, and a scratch directory for the files written.
#pragma once

#include "host_test_support.hpp"

#include "interp/command_handlers.hpp"
#include "interp/entry.hpp"
#include "interp/reader.hpp"
#include "interp/run.hpp"
#include "interp/scanner.hpp"

#include <cstring>
#include <filesystem>
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

    // Runs one statement as the command loop does and returns what it printed.
    std::string exec(const std::string& statement) {
        Run& r = *run;
        r.cmd.text = statement;
        r.cmd.quiet = !statement.empty() && statement.front() == '?';
        std::size_t pos = r.cmd.quiet ? 1 : 0;
        while (pos < statement.size() && statement[pos] == ' ') ++pos;
        const std::string word = collect_command_word(statement, pos);
        r.cmd.IKOD = match_command(word, false);
        r.cmd.col = static_cast<int>(pos);
        r.flags.OERR = r.flags.ODONT = false;
        r.flags.OPUT = !r.cmd.quiet;
        const CommandRow& row = COMMAND_ROWS[r.cmd.IKOD - 1];
        r.flags.ONEWV = row.group == ScanGroup::CREATES;
        r.flags.OTNUM = row.group != ScanGroup::PLAIN;
        if (row.args == Args::SCANNED) SCANIT(r);
        if (!r.flags.OERR && !r.flags.ODONT) row.handler(r);
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

// Runs the test in a fresh directory of its own, removed afterwards.
struct ScratchDirectory {
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::path dir;
    ScratchDirectory() {
        char pattern[] = "/tmp/tarvex_maint_XXXXXX";
        dir = mkdtemp(pattern);
        std::filesystem::current_path(dir);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(before);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

inline bool same_bits(Real a, Real b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace tarvex::testing
