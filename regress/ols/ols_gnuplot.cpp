// Residual plot files for gnuplot. The data file holds one line per observation used: the
// observation number, the actual value, the fitted value and the residual. The command file
// (COMMFILE, default COMM.GNU; appended to with APPEND) draws actual and fitted values, then the
// residuals. DEVICE becomes the terminal and an OUTPUT other than PLOT the output file.
#include "regress/ols/ols_gnuplot.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "host/tarvextern.hpp"
#include "numeric/decimal.hpp"
#include "numeric/text.hpp"
#include "regress/fit/ols_fit.hpp"
#include "regress/fit/ols_options.hpp"

#include <cctype>
#include <cstdio>

namespace tarvex {

namespace {

constexpr int PLOT_DIGITS = 20; // digits written per value: more than a plot can show

// A file name inside single quotes for gnuplot (a quote is doubled).
std::string quoted(const std::string& name) {
    std::string out = "'";
    for (char c : name) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// The estimation and its report stand: only the plot is missing.
void cannot_write(Run& run, const std::string& name) {
    report_error(run, " ...ERROR..CANNOT WRITE PLOT FILE " + name, 0, ErrorSeverity::CONTINUES);
}

} // namespace

std::string plot_data_file(const std::string& command_file) {
    const std::size_t slash = command_file.find_last_of('/');
    const std::size_t dot = command_file.find_last_of('.');
    const bool has_extension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? command_file.substr(0, dot) : command_file) + ".DAT";
}

void write_residual_plot(Run& run, const OlsFit& fit, const OlsOptions& o) {
    std::string command_file = trim_trailing_blanks(o.commfile_full);
    if (command_file.empty() || command_file == "********") command_file = "COMM.GNU";
    const std::string data_file = plot_data_file(command_file);

    std::FILE* data = std::fopen(data_file.c_str(), "w");
    if (data == nullptr) {
        cannot_write(run, data_file);
        return;
    }
    bool written = true;
    for (int i = 0; i < fit.n && written; ++i)
        written = std::fprintf(data, "%d %s %s %s\n", fit.obs[i],
                               real_to_string(fit.y[i], PLOT_DIGITS).c_str(),
                               real_to_string(fit.fitted[i], PLOT_DIGITS).c_str(),
                               real_to_string(fit.resid[i], PLOT_DIGITS).c_str()) > 0;
    // A data file cut short (a full disk) would plot only part of the estimation.
    if (std::fclose(data) != 0 || !written) {
        cannot_write(run, data_file);
        return;
    }

    std::FILE* cmd = std::fopen(command_file.c_str(), o.APPEND ? "a" : "w");
    if (cmd == nullptr) {
        cannot_write(run, command_file);
        return;
    }
    const std::string dep = trim_trailing_blanks(fit.dep_name);
    std::fprintf(cmd, "# %s regression of %s\n", trim_trailing_blanks(fit.label).c_str(),
                 dep.c_str());
    if (!name_blank(o.DEVICE))
        std::fprintf(cmd, "set terminal %s\n", lower_ascii(trim_trailing_blanks(o.DEVICE)).c_str());
    const std::string output = trim_trailing_blanks(o.OUTPUT);
    if (!output.empty() && output != "PLOT")
        std::fprintf(cmd, "set output %s\n", quoted(lower_ascii(output)).c_str());
    std::fprintf(cmd, "set title \"ACTUAL AND FITTED VALUES OF %s\"\n", dep.c_str());
    std::fprintf(cmd,
                 "plot %s using 1:2 title 'ACTUAL' with linespoints, "
                 "'' using 1:3 title 'FITTED' with lines\n",
                 quoted(data_file).c_str());
    std::fprintf(cmd, "set title \"RESIDUALS OF %s\"\n", dep.c_str());
    std::fprintf(cmd, "plot %s using 1:4 title 'RESIDUAL' with impulses\n",
                 quoted(data_file).c_str());
    const bool ok = std::ferror(cmd) == 0;
    if (std::fclose(cmd) != 0 || !ok) {
        cannot_write(run, command_file);
        return;
    }
    host::CreateProcessX(
        "gnuplot -persist " + shell_single_quoted(command_file) + " >/dev/null 2>&1", 2);
}

} // namespace tarvex
