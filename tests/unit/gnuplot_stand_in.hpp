// A stand-in gnuplot for tests of the pictures commands draw: put first on PATH, it keeps the
// script it is handed and writes a one-line picture where the script's "set output" points, so
// a test can read the script gnuplot would have drawn.
#pragma once

#include "test_support.hpp"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvex::testing {

// Puts a stand-in gnuplot first on PATH: it keeps the script it is given as kept.gp and writes
// a picture of one line where the script's "set output" points.
struct KeepingGnuplot {
    std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    explicit KeepingGnuplot(const ScratchDir& scratch) {
        const std::string dir = scratch.file("keeping_bin");
        std::filesystem::create_directory(dir);
        ScratchDir::write(dir + "/gnuplot",
                          "#!/bin/sh\ncp \"$1\" '" + scratch.file("kept.gp") +
                              "'\nout=$(sed -n \"s/^set output '\\(.*\\)'$/\\1/p\" \"$1\")\n"
                              "echo picture > \"$out\"\n");
        std::filesystem::permissions(dir + "/gnuplot", std::filesystem::perms::owner_all);
        setenv("PATH", (dir + ":" + saved).c_str(), 1);
    }
    ~KeepingGnuplot() { setenv("PATH", saved.c_str(), 1); }
};

// The script lines from "set title" on (the opening lines name a temporary file).
inline std::vector<std::string> kept_script(const ScratchDir& scratch) {
    const Lines all = split_lines(file_text(scratch.file("kept.gp")));
    std::vector<std::string> out;
    bool started = false;
    for (const std::string& line : all) {
        started = started || line.rfind("set title", 0) == 0;
        if (started) out.push_back(line);
    }
    return out;
}

} // namespace tarvex::testing
