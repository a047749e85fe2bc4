// DEMONSTR: the worked examples. They are the files name.tvx of one folder: dir/examples after
// FILE HELPDEMO dir; else the folder the environment variable TARVEX_EXAMPLES names; else
// "examples" beside the engine library, or "../examples" from it (the source tree of a build).
// Each example's description is its first comment line. An example runs from its own unit, as
// a procedure file does: the reader echoes and runs its statements, READ takes its data lines.
#include "interp/demonstr_command.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "core/units.hpp"
#include "host/tarvextern.hpp"
#include "interp/command_handlers.hpp"
#include "interp/entry.hpp"
#include "interp/interp_errors.hpp"
#include "io/afile.hpp"
#include "numeric/text.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tarvex {

namespace {

constexpr std::size_t LONGEST_EXAMPLE_NAME = 32;
constexpr std::size_t REPORT_WIDTH = 130;

struct WorkedExample {
    std::string name; // upper case, as listed and typed
    std::string path;
    std::string description;
};

// The folders that may hold the examples, in the order they are tried: a folder the user named
// (FILE HELPDEMO, else TARVEX_EXAMPLES) is the only one tried.
std::vector<std::string> example_folders(const Run& run) {
    if (!run.files.HELPDEMO.empty()) return {run.files.HELPDEMO + "/examples"};
    if (const auto named = host::GetEnvironVariable("TARVEX_EXAMPLES"); named && !named->empty())
        return {*named};
    const std::string module = host::GetModulePath();
    return {module + "/examples", module + "/../examples"};
}

std::string first_existing_folder(const Run& run) {
    std::error_code ec;
    for (const std::string& dir : example_folders(run))
        if (std::filesystem::is_directory(dir, ec)) return dir;
    return std::string();
}

// The first comment line of the file, without its "*" and blanks.
std::string example_description(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = trim_blanks_tabs_and_returns(line);
        if (!text.empty() && text.front() == '*') return trim_blanks(text.substr(1));
    }
    return std::string();
}

std::vector<WorkedExample> worked_examples(const std::string& dir) {
    std::vector<WorkedExample> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::filesystem::path& p = entry.path();
        if (p.extension() != ".tvx" || !entry.is_regular_file(ec)) continue;
        std::string name = p.stem().string();
        for (char& c : name) c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        out.push_back({name, p.string(), example_description(p.string())});
    }
    std::sort(out.begin(), out.end(),
              [](const WorkedExample& a, const WorkedExample& b) { return a.name < b.name; });
    return out;
}

void list_examples(Run& run, const std::string& dir, const std::vector<WorkedExample>& examples) {
    write_line(run, " WORKED EXAMPLES IN " + dir + ":");
    std::size_t width = 8;
    for (const WorkedExample& e : examples) width = std::max(width, e.name.size());
    write_line(run, " " + std::string("NAME") + std::string(width - 2, ' ') + "DESCRIPTION");
    for (const WorkedExample& e : examples) {
        std::string line = " " + e.name + std::string(width + 2 - e.name.size(), ' ');
        line += e.description.substr(0, REPORT_WIDTH - std::min(REPORT_WIDTH, line.size()));
        write_line(run, line);
    }
    write_line(run, " TYPE DEMONSTR AND A NAME TO RUN ONE");
}

void start_example(Run& run, const WorkedExample& e) {
    if (run.demo.active) {
        report_error(run, " ...ERROR..THE WORKED EXAMPLE " + run.demo.name + " IS STILL RUNNING",
                     DEMONSTR_RUNNING);
        return;
    }
    AfileRequest request;
    request.status = UnitStatus::Old;
    request.quiet = true;
    if (!AFILE(run, DEMONSTRATION_UNIT, e.path, request)) {
        report_error(run, "", DEMONSTR_NOT_OPENED); // AFILE has said why
        return;
    }
    run.demo.active = true;
    run.demo.pausing = interactive_terminal(run);
    run.demo.statements = 0;
    run.demo.saved_read_unit = run.vals.READUNIT;
    run.demo.saved_input = run.IN;
    run.demo.name = e.name;
    run.IN = DEMONSTRATION_UNIT;
    run.vals.READUNIT = DEMONSTRATION_UNIT;
    write_line(run, " ...NOTE..WORKED EXAMPLE " + e.name + ": " + e.description);
    if (run.demo.pausing)
        write_line(run, " ...NOTE..PRESS RETURN FOR EACH STEP; END OF INPUT RUNS THE REST");
}

} // namespace

void cmd_demonstr(Run& run) {
    const std::string dir = first_existing_folder(run);
    if (dir.empty()) {
        report_error(run,
                     " ...ERROR..NO FOLDER OF WORKED EXAMPLES: NAME ONE WITH FILE HELPDEMO dir"
                     " (dir/examples) OR TARVEX_EXAMPLES",
                     DEMONSTR_NO_FOLDER);
        return;
    }
    const std::vector<WorkedExample> examples = worked_examples(dir);
    const std::string name = argument_word(run, 1, LONGEST_EXAMPLE_NAME);
    if (name.empty()) {
        list_examples(run, dir, examples);
        return;
    }
    for (const WorkedExample& e : examples)
        if (e.name == name) {
            start_example(run, e);
            return;
        }
    report_error(run,
                 " ...ERROR..NO WORKED EXAMPLE IS NAMED " + name + ": DEMONSTR ALONE LISTS THEM",
                 DEMONSTR_UNKNOWN);
}

void pause_between_demonstration_steps(Run& run) {
    DemonstrationState& d = run.demo;
    if (!d.active || run.IN != DEMONSTRATION_UNIT) return;
    if (d.pausing && d.statements > 0) {
        write_line(run, " ...PRESS RETURN FOR THE NEXT STEP");
        FLUSH_BUFFER(run);
        std::string answer;
        if (!host::read_line(answer)) d.pausing = false;
    }
    ++d.statements;
}

bool demonstration_stop(Run& run) {
    if (!run.demo.active || run.IN != DEMONSTRATION_UNIT) return false;
    const int slot = run.cmd.IKOD;
    if (slot != C_STOP && slot != C_QUIT && slot != C_EXIT) return false;
    end_demonstration(run);
    return true;
}

void end_demonstration(Run& run) {
    DemonstrationState& d = run.demo;
    if (!d.active) return;
    close_unit(run, DEMONSTRATION_UNIT);
    run.IN = d.saved_input == DEMONSTRATION_UNIT ? run.L5 : d.saved_input;
    run.vals.READUNIT = d.saved_read_unit;
    d.active = false;
    write_line(run, " ...NOTE..END OF THE WORKED EXAMPLE " + d.name);
}

} // namespace tarvex
