// Drawing through gnuplot. The script goes to a temporary file (removed afterwards) and gnuplot
// runs on it without a terminal of its own: the script's first lines choose the picture's
// device and file. gnuplot's messages go to a second temporary file; when it fails, the first
// of them is shown. A missing program, a failure, a time-out and a missing picture each have a
// message of their own; the command that asked for the picture goes on.
#include "regress/graph/gnuplot_draw.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "host/program_run.hpp"
#include "host/tarvextern.hpp"
#include "numeric/decimal.hpp"
#include "numeric/text.hpp"
#include "regress/graph/graph_errors.hpp"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr int GRAPH_NUMBER_MAX = 9999; // default names graph1 .. graph9999
constexpr int PLOT_DIGITS = 20;
constexpr std::size_t PLOT_NOTE_WIDTH = 130;

const char* extension_of(PlotDevice d) {
    switch (d) {
    case PlotDevice::SVG:
        return ".svg";
    case PlotDevice::PDF:
        return ".pdf";
    default:
        return ".png";
    }
}

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Whether the file exists, is not empty and was written at `since` or later (a second's slack
// for file systems whose clocks are coarse): a picture left from an earlier run does not count.
bool written_since(const std::string& path, std::time_t since) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && st.st_size > 0 && st.st_mtime >= since - 1;
}

// A text and a path after it: on one line when both fit, else the path on lines of its own.
void write_with_path(Run& run, const std::string& text, const std::string& path) {
    if (text.size() + 1 + path.size() <= PLOT_NOTE_WIDTH) {
        write_line(run, text + " " + path);
        return;
    }
    write_line(run, text);
    for (std::size_t at = 0; at < path.size(); at += PLOT_NOTE_WIDTH - 1)
        write_line(run, " " + path.substr(at, PLOT_NOTE_WIDTH - 1));
}

// A temporary file of this run (0600, in the registry of temporary paths, so that a signal
// removes it with the plotted data it holds): its name, or empty when none can be made.
std::string temporary_file(const char* stem) {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern =
        std::string(dir != nullptr && *dir ? dir : "/tmp") + "/" + stem + "XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return {};
    ::close(fd);
    register_temporary(pattern);
    return pattern;
}

void remove_temporary_file(const std::string& path) {
    if (path.empty()) return;
    std::remove(path.c_str());
    forget_temporary(path);
}

// The first line of gnuplot's messages that says something, blanks squeezed, upper case.
std::string first_message(const std::string& file) {
    std::ifstream in(file);
    std::string line, found;
    while (std::getline(in, line)) {
        const std::string t = trim_blanks_tabs_and_returns(line);
        if (t.empty() || t.find_first_not_of("^ ") == std::string::npos) continue;
        found = t;
        if (t.find("rror") != std::string::npos || t.find("line ") != std::string::npos) break;
    }
    return found;
}

// The time limit: TARVEX_GNUPLOT_SECONDS when it holds a number from 1 to 3600, else the default.
int gnuplot_seconds() {
    const std::optional<std::string> given = host::GetEnvironVariable("TARVEX_GNUPLOT_SECONDS");
    if (!given || given->empty() || given->size() > 4 ||
        given->find_first_not_of("0123456789") != std::string::npos)
        return GNUPLOT_SECONDS;
    const int seconds = std::stoi(*given);
    return seconds >= 1 && seconds <= 3600 ? seconds : GNUPLOT_SECONDS;
}

void cannot_write(Run& run, const std::string& name) {
    report_error(run, " ...ERROR..CANNOT WRITE PLOT FILE " + name, ERR_GRAPH_CANNOT_WRITE,
                 ErrorSeverity::CONTINUES);
}

} // namespace

bool plot_target(Run& run, const std::string& device, const std::string& output,
                 PlotTarget& target) {
    std::string d = upper_ascii(trim_blanks(device));
    if (d.empty()) { // the extension of OUTPUT chooses, when it names a device
        const std::string given = upper_ascii(trim_blanks(output));
        for (const char* known : {"PNG", "SVG", "PDF"})
            if (given.size() > 4 &&
                given.compare(given.size() - 4, 4, std::string(".") + known) == 0)
                d = known;
    }
    if (d.empty() || d == "PNG") {
        target.device = PlotDevice::PNG;
    } else if (d == "SVG") {
        target.device = PlotDevice::SVG;
    } else if (d == "PDF") {
        target.device = PlotDevice::PDF;
    } else {
        report_error(run, " ...ERROR..DEVICE " + d + " IS NOT PNG, SVG OR PDF", ERR_GRAPH_OPTION,
                     ErrorSeverity::CONTINUES);
        return false;
    }
    const std::string ext = extension_of(target.device);
    std::string name = trim_blanks(output);
    // The plot directory (FILE PLOTPATH) when there is one, else the current directory.
    std::string here = host::GetCurrentDirectoryX();
    const std::string plot_path = trim_blanks(run.files.PLOTPATH);
    if (!plot_path.empty()) here = plot_path.front() == '/' ? plot_path : here + "/" + plot_path;
    while (here.size() > 1 && here.back() == '/') here.pop_back();
    if (name.empty() || upper_ascii(name) == "PLOT") {
        for (int k = 1; k <= GRAPH_NUMBER_MAX; ++k) {
            name = here + "/graph" + std::to_string(k) + ext;
            if (!file_exists(name)) break;
        }
    } else {
        const std::size_t slash = name.find_last_of('/');
        const std::size_t dot = name.find_last_of('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) name += ext;
        if (name.front() != '/') name = here + "/" + name;
    }
    target.path = name;
    target.replaces = file_exists(name);
    return true;
}

std::string gnuplot_quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string gnuplot_number(Real v) {
    return finiteq(v) ? real_to_string(v, PLOT_DIGITS) : std::string("NaN"); // NaN: no point
}

std::string gnuplot_opening(const PlotTarget& target) {
    std::string terminal;
    switch (target.device) {
    case PlotDevice::SVG:
        terminal = "svg size 800,600 dynamic noenhanced";
        break;
    case PlotDevice::PDF:
        terminal = "pdfcairo size 8in,6in noenhanced";
        break;
    default:
        terminal = "pngcairo size 800,600 noenhanced";
        break;
    }
    return "set terminal " + terminal + "\nset output " + gnuplot_quoted(target.path) + "\n";
}

namespace {

// Runs gnuplot on `script`, which draws into the file `drawing`; failures name the picture
// `target.path`. True when gnuplot ended well and the drawing is there.
bool draw_picture(Run& run, const PlotTarget& target, const std::string& drawing,
                  const std::string& script) {
    const std::string script_file = temporary_file("tarvex_plot");
    const std::string message_file = script_file.empty() ? "" : temporary_file("tarvex_msgs");
    if (script_file.empty() || message_file.empty()) {
        remove_temporary_file(script_file);
        cannot_write(run, "IN THE TEMPORARY DIRECTORY");
        return false;
    }
    std::FILE* f = std::fopen(script_file.c_str(), "w");
    const bool written =
        f != nullptr && std::fwrite(script.data(), 1, script.size(), f) == script.size();
    const bool closed = f != nullptr && std::fclose(f) == 0;
    if (!written || !closed) {
        remove_temporary_file(script_file);
        remove_temporary_file(message_file);
        cannot_write(run, script_file);
        return false;
    }
    const std::time_t started = std::time(nullptr);
    const int seconds = gnuplot_seconds();
    // The gnuplot directory of the settings (VGNU) when there is one, else the search path.
    const std::string directory = trim_blanks(run.host.VGNU);
    const std::string program = directory.empty() ? "gnuplot" : directory + "/gnuplot";
    const host::ProgramResult r = host::run_program({program, script_file}, message_file, seconds);
    // gnuplot names the script by its temporary name: the message says SCRIPT instead.
    std::string message = first_message(message_file);
    const std::string named = "\"" + script_file + "\"";
    if (const std::size_t at = message.find(named); at != std::string::npos)
        message.replace(at, named.size(), "SCRIPT");
    remove_temporary_file(script_file);
    remove_temporary_file(message_file);

    switch (r.end) {
    case host::ProgramEnd::NOT_FOUND:
        report_error(run,
                     " ...ERROR..GNUPLOT IS NOT INSTALLED: INSTALL THE PACKAGE gnuplot-nox "
                     "(OR gnuplot)",
                     ERR_GRAPH_NO_GNUPLOT, ErrorSeverity::CONTINUES);
        return false;
    case host::ProgramEnd::TIMED_OUT:
        report_error(run,
                     " ...ERROR..GNUPLOT DID NOT FINISH IN " + std::to_string(seconds) +
                         " SECONDS AND WAS STOPPED",
                     ERR_GRAPH_TIMED_OUT, ErrorSeverity::CONTINUES);
        return false;
    case host::ProgramEnd::EXITED:
        if (r.status == 0) break;
        [[fallthrough]];
    default: {
        const std::string how =
            r.end == host::ProgramEnd::EXITED
                ? "WITH EXIT STATUS " + std::to_string(r.status)
                : std::string(r.end == host::ProgramEnd::KILLED ? "BY A SIGNAL"
                                                                : "BEFORE IT STARTED");
        report_error(run, " ...ERROR..GNUPLOT ENDED " + how, ERR_GRAPH_GNUPLOT_FAILED,
                     ErrorSeverity::CONTINUES);
        if (!message.empty()) write_line(run, " " + message.substr(0, PLOT_NOTE_WIDTH - 1));
        return false;
    }
    }
    if (!written_since(drawing, started)) {
        report_error(run, " ...ERROR..GNUPLOT WROTE NO GRAPH FILE", ERR_GRAPH_NO_FILE,
                     ErrorSeverity::CONTINUES);
        write_line(run, " " + target.path.substr(0, PLOT_NOTE_WIDTH - 1));
        return false;
    }
    return true;
}

// "dir/.name.XXXXXX" beside the existing file `path`, made as an empty file with the same
// permission bits; "" when none can be made there.
std::string file_beside(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    const std::size_t slash = path.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::string pattern = path.substr(0, base) + "." + path.substr(base) + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return {};
    const bool ready = ::fchmod(fd, st.st_mode & 07777) == 0;
    ::close(fd);
    if (!ready) {
        ::unlink(pattern.c_str());
        return {};
    }
    return pattern;
}

} // namespace

bool run_gnuplot(Run& run, const PlotTarget& target, const std::string& script) {
    // An earlier picture of the same name is replaced only by a finished drawing: gnuplot draws
    // into a file beside it, which takes its place once gnuplot has ended well. Without room
    // for that file gnuplot draws over the picture itself.
    PlotTarget beside = target;
    if (target.replaces) beside.path = file_beside(target.path);
    if (beside.path.empty()) beside.path = target.path;
    bool drawn = false;
    if (beside.path == target.path) {
        drawn = draw_picture(run, target, target.path, script);
    } else {
        register_temporary(beside.path);
        std::string redirected = script;
        const std::string opening = gnuplot_opening(target);
        if (const std::size_t at = redirected.find(opening); at != std::string::npos)
            redirected.replace(at, opening.size(), gnuplot_opening(beside));
        drawn = draw_picture(run, target, beside.path, redirected);
        if (drawn && std::rename(beside.path.c_str(), target.path.c_str()) != 0) {
            cannot_write(run, target.path);
            drawn = false;
        }
        if (!drawn) std::remove(beside.path.c_str());
        forget_temporary(beside.path);
    }
    if (drawn)
        write_with_path(run,
                        target.replaces ? " ...NOTE..GRAPH REPLACED:" : " ...NOTE..GRAPH WRITTEN:",
                        target.path);
    return drawn;
}

} // namespace tarvex
