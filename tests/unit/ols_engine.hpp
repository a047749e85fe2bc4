// Test helper for the regression command: a run with default switches whose variables are made
// directly in the workspace, and which runs "OLS ..." statements through the dispatcher,
// returning the report lines.
#pragma once

#include "core/run.hpp"
#include "interp/dispatcher.hpp"
#include "interp/scanner.hpp"
#include "interp/set_display.hpp"
#include "numeric/decimal.hpp"
#include "regress/ols/ols_command.hpp"
#include "workspace/sample.hpp"
#include "workspace/workspace.hpp"
#include "workspace_engine.hpp"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarvex::testing {

struct OlsEngine : WorkspaceEngine {
    // `words`: size of the work area in binary128 words.
    explicit OlsEngine(long long words = 200000) : WorkspaceEngine(200, words) {
        default_switches(run.sw);
        init_scan_block(run.scan, 200);
        reset_sample(run.smpl);
        install_statement_calls(); // as the run start does: TEST and DELETE read and scan lines
    }

    // Creates a data variable holding `values`.
    int data(std::string_view name, const std::vector<Real>& values) {
        const int ref = make(name, (long long)values.size());
        for (std::size_t t = 0; t < values.size(); ++t) elem(ref, (long long)t + 1) = values[t];
        return ref;
    }
    // Sets the sample as SAMPLE beg end would.
    void sample(int beg, int end) {
        run.smpl.IBEG = beg;
        run.smpl.IEND = end;
        run.smpl.NOBS = end - beg + 1;
        run.smpl.MAXOB = std::max(run.smpl.MAXOB, end);
    }
    // Runs one statement ("OLS Y X / LIST", "IMLS ...") through the command loop's dispatch and
    // returns its report lines; `quiet` runs it as "?OLS ...".
    std::vector<std::string> statement(const std::string& text, bool quiet = false) {
        lines();
        run_statement(run, quiet ? "?" + text : text);
        return lines();
    }
    // Element t of a variable by name.
    Real value(std::string_view name, long long t) { return elem(VFIND(run, name), t); }
};

// Whether the report holds exactly this line.
inline bool has_line(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& l : lines)
        if (l == text) return true;
    return false;
}

// Reads a whitespace-separated numeric table (one observation a line) from tests/data.
inline std::vector<std::vector<Real>> read_table(const std::string& file) {
    std::ifstream in(std::string(TARVEX_TEST_DATA) + "/" + file);
    std::vector<std::vector<Real>> columns;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::size_t col = 0;
        for (std::string w; words >> w; ++col) {
            Real v = 0;
            parse_real_field(w, v);
            if (columns.size() <= col) columns.resize(col + 1);
            columns[col].push_back(v);
        }
    }
    return columns;
}

} // namespace tarvex::testing
