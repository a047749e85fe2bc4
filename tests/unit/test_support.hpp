// Helpers shared by the unit tests: the text of a file a test wrote, report text split into
// lines, a scratch directory that is the working directory while it lives, bit-for-bit
// comparison of reals, and a console run of a whole script whose Run object outlives the run
// (so that tests can look at the stored variables, the result scalars and the report lines).
#pragma once

#include "core/fatal_stop.hpp"
#include "core/run.hpp"
#include "core/units.hpp"
#include "interp/entry.hpp"
#include "reference_support.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace tarvex::testing {

using Lines = std::vector<std::string>;

inline std::string file_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Lines split_lines(const std::string& text) {
    Lines out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

inline Lines file_lines(const std::filesystem::path& path) {
    return split_lines(file_text(path));
}

// A braced list of reals as the vector the stored values are compared with.
inline std::vector<Real> reals(std::initializer_list<Real> v) {
    return v;
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A fresh directory, made the working directory while the object lives, then removed.
struct ScratchDir {
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::path dir;
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarvex_test_XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        dir = pattern;
        // Readable by all, as a plain directory would be: a test may drop to another user.
        std::filesystem::permissions(
            dir, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                     std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                     std::filesystem::perms::others_exec);
        std::filesystem::current_path(dir);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::filesystem::current_path(before);
        std::error_code ignored; // a gpg agent may still be removing its sockets
        std::filesystem::remove_all(dir, ignored);
    }
    std::string file(const std::string& name) const { return (dir / name).string(); }
    static void write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
};

// One run of `script` through start_run (a console run unless told otherwise), kept for
// inspection after the input ends.
struct ScriptRun {
    std::unique_ptr<Run> run = std::make_unique<Run>();
    std::string output;
    bool fatal = false;
    int fatal_code = 0;

    explicit ScriptRun(std::string script, int mode = MODE_CONSOLE, int extra = 0, int window = 0) {
        if (script.empty()) script = "\n";
        std::FILE* in = fmemopen(script.data(), script.size(), "r");
        char* buf = nullptr;
        std::size_t len = 0;
        std::FILE* out = open_memstream(&buf, &len);
        run->streams.in = in;
        run->streams.out = out;
        try {
            start_run(*run, mode, window, 1, extra);
        } catch (const FatalStop& stop) {
            fatal = true;
            fatal_code = stop.code;
        }
        close_unit(*run, run->L5);
        close_unit(*run, run->L6);
        std::fclose(in);
        std::fclose(out);
        output.assign(buf, len);
        std::free(buf);
    }
    Lines lines() const { return split_lines(output); }
    // The report lines that begin with `prefix`.
    Lines starting(const std::string& prefix) const {
        Lines out;
        for (const std::string& line : lines())
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
        return out;
    }
    bool has_line(const std::string& line) const {
        const Lines all = lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    Real scalar(int k) const { return run->res[k]; }
    // The elements of a variable (empty when it does not exist).
    std::vector<Real> values(const std::string& name) const {
        std::vector<Real> out;
        const int ref = VFIND(*run, name);
        VarInfo vi;
        if (ref <= 0 || !VINFO(*run, ref, vi)) return out;
        for (long long k = 1; k <= vi.length; ++k) out.push_back(element(*run, vi, k));
        return out;
    }
    VarInfo info(const std::string& name) const {
        VarInfo vi;
        vi.length = -1;
        const int ref = VFIND(*run, name);
        if (ref > 0) VINFO(*run, ref, vi);
        return vi;
    }
};

} // namespace tarvex::testing
