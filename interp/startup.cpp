// Start-up: machine constants, the settings file beside the engine and the settings store,
// the work-area sizes and their allocation, and the command loop with its reallocations.
#include "interp/entry.hpp"

#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/shared_errors.hpp"
#include "core/write_failure.hpp"
#include "host/tarvextern.hpp"
#include "interp/dispatcher.hpp"
#include "interp/scanner.hpp"
#include "interp/set_display.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <charconv>

namespace tarvex {

namespace {

constexpr const char* START_KEY = "SOFTWARE\\Halvern\\TARVEX110\\START";
constexpr const char* FONTS_KEY = "SOFTWARE\\Halvern\\TARVEX110\\XFonts";
constexpr int SETTINGS_UNIT = 99;

// A whole decimal integer, or `fallback` when the text is not one.
int to_int(const std::string& text, int fallback) {
    int value = 0;
    auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
    return (err == std::errc() && end == text.data() + text.size()) ? value : fallback;
}

// One named setting, whichever source it comes from.
void apply_setting(HostSettings& set, const std::string& name, const std::string& value) {
    std::string key = upper_ascii(name);
    if (key == "IPAR")
        set.IPAR = to_int(value, set.IPAR);
    else if (key == "IMAX")
        set.IMAX = to_int(value, set.IMAX);
    else if (key == "ISTA")
        set.ISTA = to_int(value, set.ISTA);
    else if (key == "IWIDE")
        set.IWIDE = to_int(value, set.IWIDE);
    else if (key == "VPREF")
        set.VPREF = value;
    else if (key == "VSYS")
        set.VSYS = value;
    else if (key == "VTEMP")
        set.VTEMP = value;
    else if (key == "VUSER")
        set.VUSER = value;
    else if (key == "VPROC")
        set.VPROC = value;
    else if (key == "VGNU")
        set.VGNU = value;
}

// Step 3: "KEY=VALUE" lines of TARVEXWX.INI in the engine's own directory.
void read_settings_file(Run& run, int precision) {
    std::string path =
        host::GetModulePath() + "/" + (precision == 32 ? "TARVEXWX32.INI" : "TARVEXWX.INI");
    if (!open_unit(run, SETTINGS_UNIT, path, "r")) return;
    std::string record;
    while (read_record(run, SETTINGS_UNIT, record, LINE_WIDTH * 2)) {
        std::string text = trim_blanks_and_tabs(record);
        if (text.empty() || text[0] == '#' || text[0] == ';') continue;
        std::size_t eq = text.find('=');
        if (eq == std::string::npos) continue;
        apply_setting(run.host, trim_blanks_and_tabs(text.substr(0, eq)),
                      trim_blanks_and_tabs(text.substr(eq + 1)));
    }
    close_unit(run, SETTINGS_UNIT);
}

// Step 4: the settings store, then the temporary-directory fallback.
// The store is read once for all the values.
void read_settings_store(Run& run) {
    const char* const start_names[] = {"IPAR",  "IMAX",  "VPREF", "VSYS",
                                       "VTEMP", "VUSER", "VPROC", "VGNU"};
    std::vector<std::pair<std::string_view, std::string>> queries;
    for (const char* name : start_names) queries.emplace_back(START_KEY, name);
    for (int k = 0; k < 5; ++k) queries.emplace_back(FONTS_KEY, "FONT" + std::to_string(k + 1));
    for (const char* name : {"Size", "Style", "Kind", "ICOLOR"})
        queries.emplace_back(FONTS_KEY, name);
    const std::vector<std::optional<std::string>> values = host::RegQueryValuesX(queries);
    std::size_t at = 0;
    for (const char* name : start_names)
        if (const auto& value = values[at++])
            apply_setting(run.host, name, trim_blanks_and_tabs(*value));
    HostSettings& set = run.host;
    for (int k = 0; k < 5; ++k)
        if (const auto& value = values[at++]) set.FONT[k] = *value;
    if (const auto& value = values[at++]) set.font_size = *value;
    if (const auto& value = values[at++]) set.font_style = *value;
    if (const auto& value = values[at++]) set.font_kind = *value;
    if (const auto& value = values[at++]) set.ICOLOR = *value;
    if (set.VTEMP.empty()) set.VTEMP = host::GetEnvironVariable("TEMP").value_or("");
    if (set.VTEMP.empty()) set.VTEMP = "/tmp";
}

// Step 5: sizes from IPAR and IMAX.
void compute_sizes(Run& run) {
    RunSizes& sz = run.sizes;
    sz.IPAR = run.host.IPAR;
    sz.MAXVAR = run.host.IMAX > 0 ? run.host.IMAX : DEFAULT_MAXVAR;
    sz.PAR = static_cast<long long>(sz.IPAR) * 1024 / (4 * sz.MTYPE);
    sz.MXCOL = std::max(2 * sz.MAXVAR, 1000);
}

// Step 6: the work area; false (after the messages) when it cannot be had.
bool allocate(Run& run) {
    RunSizes& sz = run.sizes;
    bool ok = false;
    // No command runs yet: the caller ends the start when this returns false.
    if (sz.PAR < 1 || sz.MAXVAR < 1) {
        report_error(run, " ...ERROR..MEMORY ALLOCATION ERROR CODE=" + fmt_I(1, 6),
                     shared_error::START_SIZES_INVALID, ErrorSeverity::CONTINUES);
    } else if (!(ok = allocate_workspace(run.ws, sz.MAXVAR, sz.PAR, sz.NBYTES))) {
        report_error(run, " ...ERROR..ALLOCATABLE ARRAY MEMORY EXHAUSTED",
                     shared_error::START_MEMORY, ErrorSeverity::CONTINUES);
    }
    if (!ok) {
        write_line(run, " PAR=" + fmt_I(sz.IPAR, 10) + "  SIZE=" + fmt_I(sz.MAXVAR, 10));
        return false;
    }
    run.ws.MXCOL = sz.MXCOL;
    init_scan_block(run.scan, sz.MAXVAR);
    return true;
}

void free_work_area(Run& run) {
    run.ws.data_store.reset();
    run.ws.DATA = nullptr;
    run.ws.KADD.clear();
    run.ws.VNAME.clear();
}

// Step 8: the size PAR or SIZE asked for, and the optional word after it: SAVE keeps the new
// sizes in the settings store, DEFAULT returns to (and stores) the built-in sizes.
void take_size_request(Run& run) {
    std::string word = upper_ascii(trim_blanks_and_tabs(run.cmd.stop_word));
    if (word == "DEFAULT") {
        run.host.IPAR = DEFAULT_IPAR;
        run.host.IMAX = 0;
    } else {
        if (run.requested_kb > 0) run.host.IPAR = run.requested_kb;
        if (run.requested_maxvar > 0) run.host.IMAX = run.requested_maxvar;
    }
    if (word == "SAVE" || word == "DEFAULT") {
        const bool saved = host::RegCreateKeyX(START_KEY) &&
                           host::RegSetValueX(START_KEY, "IPAR", std::to_string(run.host.IPAR)) &&
                           host::RegSetValueX(START_KEY, "IMAX", std::to_string(run.host.IMAX));
        // The new sizes hold for this run all the same; only a later run would miss them.
        if (!saved)
            report_error(run,
                         " ...ERROR..CANNOT SAVE THE SIZES IN THE SETTINGS STORE " +
                             host::settings_path(),
                         shared_error::SIZES_NOT_STORED, ErrorSeverity::CONTINUES);
    }
    run.requested_kb = 0;
    run.requested_maxvar = 0;
}

void start_timing(Run& run) {
    run.wall_start = std::chrono::steady_clock::now();
    run.cpu_start = std::clock();
}

} // namespace

bool interactive_terminal(const Run& run) {
    return (run.extra & EXTRA_TERMINAL) != 0;
}

namespace {

// What Ctrl-C does during this run: a windowed host, one that shares files with the engine, or an
// embedding host that asked to, handles it itself; a person at the terminal gets the prompt back;
// otherwise the run ends.
InterruptMode interrupt_mode(const Run& run) {
    if (run.MOS == MODE_WINDOWED || run.MOS == MODE_WINDOWED_33 || run.MOS == MODE_SHARED_FILES ||
        (run.extra & EXTRA_HOST_INTERRUPTS) != 0)
        return InterruptMode::UNCHANGED;
    return interactive_terminal(run) ? InterruptMode::END_COMMAND : InterruptMode::END_PROCESS;
}

} // namespace

void start_run(Run& run, int code, int window, int precision, int extra) {
    // Step 1: the mode, the window, constants, and the switches as they stand at load.
    run.MOS = code;
    run.window = window;
    run.extra = extra;
    const InterruptScope interrupts(interrupt_mode(run));
    run.sizes.COMLEN = 255;
    run.L55 = 5;
    run.sizes.MAXVAR = DEFAULT_MAXVAR;
    run.cmd.stop_word = std::string(8, ' ');
    run.sizes.MTYPE = precision == 1 ? 4 : 2;
    run.sizes.NBYTES = precision == 1 ? 16 : 8;
    default_switches(run.sw);
    attach_unit(run, run.L5, run.streams.in);
    attach_unit(run, run.L6, run.streams.out);
    run.IN = run.L5;
    install_statement_calls(); // before any statement is read

    // Step 2: several host windows?
    if (run.MOS == MODE_WINDOWED_33)
        run.flags.multiple_windows = host_query(run, "GET_WINSTATE=") == "Multiple";

    // Steps 3 and 4: the settings file, then the settings store.
    read_settings_file(run, precision);
    read_settings_store(run);

    bool first_entry = true;
    for (;;) {
        compute_sizes(run);
        if (!allocate(run)) break;
        if (first_entry) {
            // Step 7: the initial state.
            RESET(run, false);
            run.sw[OKOD] = true;
            bool talk = interactive_terminal(run) || run.MOS == MODE_WINDOWED ||
                        run.MOS == MODE_WINDOWED_33;
            run.sw[OTALK] = talk;
            if (interactive_terminal(run)) run.sw[OECHO] = false; // the terminal shows the line
            run.smpl = SampleBlock{};
            first_entry = false;
        } else {
            // A new work area after PAR or SIZE: the variables come back through the loop.
            reset_workspace(run.ws);
        }
        start_timing(run);
        if (command_loop(run) != LoopEnd::Reallocate) break;
        take_size_request(run);
        free_work_area(run);
    }
    close_report_files(run);
}

} // namespace tarvex
