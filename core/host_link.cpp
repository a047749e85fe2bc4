// The host link: FLUSH_BUFFER sends report lines to the host window, the output unit or the
// log; MACDEP, SYSCMD and the host text commands reach the host services library.
#include "core/host_link.hpp"

#include "core/error_report.hpp"
#include "core/fatal_stop.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "host/tarvextern.hpp"
#include "numeric/text.hpp"

#include <cstring>
#include <random>

namespace tarvex {

namespace {

inline constexpr int PAGE_LINES = 20; // lines between pauses when paging

bool windowed(const Run& run) {
    return run.MOS == MODE_WINDOWED || run.MOS == MODE_WINDOWED_33;
}

// Fills a SendMsg text buffer: at most 130 characters and the NUL.
void fill_text(char (&text)[host::MSG_TEXT_SIZE], std::string_view value) {
    std::size_t n = std::min<std::size_t>(value.size(), LINE_WIDTH);
    std::memcpy(text, value.data(), n);
    text[n] = '\0';
}

// A line for the host window: trimmed, with each backslash that precedes a slash doubled.
std::string window_text(std::string_view line) {
    std::string text;
    line = trim_trailing_blanks_view(line);
    for (std::size_t k = 0; k < line.size(); ++k) {
        text.push_back(line[k]);
        if (line[k] == '\\' && k + 1 < line.size() && line[k + 1] == '/') text.push_back('\\');
    }
    return text;
}

// A line that begins (after blanks) with the dots and "ERROR..": an error message, not an echo
// of a statement that mentions one.
bool is_error_line(std::string_view line) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos || line[start] != '.') return false;
    const std::size_t mark = line.find("ERROR..", start);
    return mark != std::string_view::npos && line.find_first_not_of('.', start) == mark;
}

void write_unit_line(Run& run, int unit, std::string_view line) {
    std::string_view text = trim_trailing_blanks_view(line);
    write_record(run, unit, text.empty() ? std::string_view(" ") : text);
}

} // namespace

void FLUSH_BUFFER(Run& run) {
    LineBuffer& buf = run.buf;
    int count = std::min(buf.IVL, LINE_BUFFER_LINES);
    for (int k = 1; k <= count; ++k) {
        std::string& line = buf.line[k];
        if (!line.empty() && line[0] == '~') break;
        if (line.size() > std::size_t(LINE_WIDTH)) line.resize(LINE_WIDTH);
        if (run.error_check.on && is_error_line(line) && run.error_check.error_lines++ == 0)
            run.error_check.first_line = line;
        if (buf.held != nullptr) {
            buf.held->push_back(std::move(line));
            line.clear();
            continue;
        }
        if (!buf.writes_report) {
            line.clear();
            continue;
        }
        bool redirected = run.LOUT != 0;
        bool sent = false;
        if (windowed(run) && !redirected && run.L6 == 6) {
            std::string text = window_text(line);
            char message[host::MSG_TEXT_SIZE + LINE_WIDTH]; // room for doubled backslashes
            std::size_t n = std::min(text.size(), sizeof message - 1);
            std::memcpy(message, text.data(), n);
            message[n] = '\0';
            sent = host::SendMsg(run.window, host::MSG_LINE, 0, 0, message);
        }
        if (!sent) {
            if (redirected)
                write_unit_line(run, run.LOUT, line);
            else if (run.MOS != MODE_BATCH_LOG)
                write_unit_line(run, run.L6, line);
        }
        if (run.sw[OSCR] && !redirected) write_unit_line(run, run.L86, line);
        line.clear();
        if (run.sw[OTERM] && run.sw[OPAUSE] && ++buf.paged_lines % PAGE_LINES == 0)
            host::pause_message("");
    }
    buf.IVL = 1;
    if (run.sw[OFLUSH] && buf.held == nullptr) {
        char text[host::MSG_TEXT_SIZE] = "";
        host::SendMsg(run.window, host::MSG_REFRESH, 0, 0, text);
        if (auto it = run.units.open.find(run.L6); it != run.units.open.end() && it->second.fp)
            std::fflush(it->second.fp);
    }
}

void write_line(Run& run, std::string_view text) {
    run.buf.line[1] = std::string(text.substr(0, LINE_WIDTH));
    run.buf.IVL = 1;
    FLUSH_BUFFER(run);
}

void host_command(Run& run, std::string_view text) {
    if (!windowed(run)) return;
    char message[host::MSG_TEXT_SIZE];
    fill_text(message, text);
    host::SendMsg(run.window, host::MSG_COMMAND, 0, 0, message);
}

std::string host_query(Run& run, std::string_view text) {
    if (!windowed(run)) return "";
    char message[host::MSG_TEXT_SIZE];
    fill_text(message, text);
    if (!host::SendMsg(run.window, host::MSG_QUERY, 0, 0, message)) return "";
    message[host::MSG_TEXT_SIZE - 1] = '\0';
    return std::string(trim_trailing_blanks_view(message));
}

void MACDEP(Run& run, int service, std::string& text) {
    if (service < 1 || service > 37) {
        report_error(run, " ...ERROR.ILLEGAL IND IN MACDEP", shared_error::HOST_CALL_INVALID,
                     ErrorSeverity::CONTINUES);
        XXIT(run, 0); // the fatal stop ends the run
    }
    switch (service) {
    case 7:
        text = host::GetShortPath(trim_trailing_blanks_view(text));
        break;
    case 9:
        host::SetDirectory(trim_trailing_blanks_view(text));
        break;
    case 14: {
        char message[host::MSG_TEXT_SIZE] = "";
        host::SendMsg(run.window, host::MSG_REFRESH, 0, 0, message);
        break;
    }
    case 20: { // "KEY\PATH\NAME" -> the value, blank when absent
        std::string path(trim_trailing_blanks_view(text));
        std::size_t cut = path.rfind('\\');
        std::string key = cut == std::string::npos ? "" : path.substr(0, cut);
        std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        text = host::RegQueryX(key, name).value_or("");
        break;
    }
    case 21:
    case 27: { // "KEY\PATH\NAME=VALUE"
        std::string item(trim_trailing_blanks_view(text));
        std::size_t eq = item.find('=');
        std::string path = item.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
        std::size_t cut = path.rfind('\\');
        std::string key = cut == std::string::npos ? "" : path.substr(0, cut);
        std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        host::RegCreateKeyX(key);
        host::RegSetValueX(key, name, value);
        break;
    }
    case 23:
        host_command(run, trim_trailing_blanks_view(text));
        break;
    case 24:
        if (windowed(run)) text = host_query(run, trim_trailing_blanks_view(text));
        break;
    case 32:
        text = host::GetEnvironVariable(trim_trailing_blanks_view(text)).value_or("");
        break;
    case 34: {
        std::random_device seed;
        std::uniform_int_distribution<int> digits(10000000, 99999999);
        text = std::to_string(digits(seed));
        break;
    }
    case 35:
        text = "TARVEXPASSPHRASE";
        break;
    case 36:
        text = host::FileInUse(trim_trailing_blanks_view(text)) ? "INUSE" : "FREE";
        break;
    default:
        break;
    }
}

int SYSCMD(Run& run, std::string_view command) {
    for (auto& [unit, file] : run.units.open)
        if (file.fp != nullptr) std::fflush(file.fp);
    // The whole command line, however many commands it holds, writes into JUNK.TMP.
    std::string line = "(" + std::string(trim_trailing_blanks_view(command)) + ") >JUNK.TMP 2>&1";
    return host::CreateProcessX(line, 1);
}

} // namespace tarvex
