// The FILE requests passed to the operating system: DIR lists a directory ("ls -l" through the
// system-command service, its listing shown on the output), CD changes the working directory
// of the run itself, PWD shows it. An error is reported without ending anything: the command
// that made the request decides.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "host/tarvextern.hpp"
#include "io/afile_parts.hpp"
#include "io/file_errors.hpp"
#include "numeric/text.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace tarvex::afile_detail {

namespace {

constexpr const char* COMMAND_OUTPUT = "JUNK.TMP"; // where SYSCMD leaves a command's output
constexpr std::size_t SHOWN_LINE = LINE_WIDTH - 1;

// Shows what the last system command wrote, each line after one blank column.
void show_command_output(Run& run) {
    std::FILE* fp = std::fopen(COMMAND_OUTPUT, "rb");
    if (fp == nullptr) return;
    std::string line;
    int c = 0;
    auto flush_line = [&] {
        if (run.flags.OPUT)
            write_line(run, " " + line.substr(0, std::min(line.size(), SHOWN_LINE)));
        line.clear();
    };
    bool pending = false;
    while ((c = std::fgetc(fp)) != EOF) {
        if (c == '\n') {
            flush_line();
            pending = false;
        } else if (c != '\r') {
            line.push_back(char(c));
            pending = true;
        }
    }
    if (pending) flush_line();
    std::fclose(fp);
}

bool list_directory(Run& run, const std::string& name) {
    const std::string command = "ls -l " + name;
    if (SYSCMD(run, command) < 0) {
        report_error(run, " ...ERROR..CANNOT RUN THE SYSTEM COMMAND: " + command,
                     ERR_FILE_SYSTEM_COMMAND, ErrorSeverity::CONTINUES);
        return false;
    }
    show_command_output(run);
    return true;
}

// A child shell cannot change this process's directory: the run changes it itself. As in the
// shell, a blank name means the home directory and success is silent.
bool change_directory(Run& run, const std::string& name) {
    std::string dir = name;
    if (dir.empty()) dir = host::GetEnvironVariable("HOME").value_or("/");
    if (host::SetDirectory(dir)) return true;
    const int error = errno;
    report_error(run, " ...ERROR..CANNOT CHANGE DIRECTORY TO: " + dir, ERR_FILE_CHANGE_DIRECTORY,
                 ErrorSeverity::CONTINUES);
    write_line(run, " " + upper_ascii(std::strerror(error)));
    return false;
}

} // namespace

bool file_system_request(Run& run, int code, const std::string& name) {
    switch (code) {
    case CODE_DIR:
        return list_directory(run, name);
    case CODE_CD:
        return change_directory(run, name);
    case CODE_PWD:
        if (run.flags.OPUT) write_line(run, " " + host::GetCurrentDirectoryX());
        return true;
    default:
        return false;
    }
}

} // namespace tarvex::afile_detail
