// FILE, INQUIRE and REWIND: the statement's first word becomes a unit code (a FILE keyword,
// matched by its leading part in table order, or a unit number) and the rest of the statement,
// as typed, is the file name given to AFILE.
#include "io/file_command.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/afile.hpp"
#include "io/file_errors.hpp"
#include "numeric/text.hpp"

#include <array>
#include <charconv>

namespace tarvex {

namespace {

struct FileKeyword {
    const char* word;
    int code; // INPUT_CODE: the command input unit
};

constexpr int INPUT_CODE = -1; // the command input unit L55, chosen at run time
constexpr int KEYWORD_LENGTH = 8;

constexpr std::array<FileKeyword, 26> FILE_KEYWORDS = {{
    {"INPUT", INPUT_CODE},
    {"PROC", L82},
    {"OUTPUT", 6},
    {"SCREEN", 86},
    {"KEYBOARD", CODE_KEYBOARD},
    {"PRINT", CODE_PRINT},
    {"TYPE", CODE_TYPE},
    {"CLOSE", CODE_CLOSE},
    {"DELETE", CODE_DELETE},
    {"INQUIRE", CODE_INQUIRE},
    {"REWIND", CODE_REWIND},
    {"PATH", CODE_PATH},
    {"TEMP", CODE_TEMP},
    {"HELPDEMO", CODE_HELPDEMO},
    {"PROCPATH", CODE_PROCPATH},
    {"PLOTPATH", CODE_PLOTPATH},
    {"DATABANK", CODE_DATABANK},
    {"FTP", CODE_FTP},
    {"FTPB", CODE_FTPB},
    {"DOWNLOAD", CODE_DOWNLOAD},
    {"FTPPATH", CODE_FTPPATH},
    {"BACKSPAC", CODE_BACKSPACE},
    {"DIR", CODE_DIR},
    {"CD", CODE_CD},
    {"PWD", CODE_PWD},
    {"TIMEOUT", CODE_TIMEOUT},
}};

constexpr int ERR_FILE_NOT_OPENED = 63091; // a unit (the report file, a data file) not bound

bool blank(char c) {
    return c == ' ' || c == '\t' || c == ',';
}

// The first word after the command word and the rest of the statement as typed (trimmed, a
// name in quotes loses its quotes).
void split_statement(const Run& run, std::string& word, std::string& rest) {
    const std::string& text = run.cmd.text;
    std::size_t pos = std::min<std::size_t>(std::max(run.cmd.col, 0), text.size());
    while (pos < text.size() && blank(text[pos])) ++pos;
    std::size_t end = pos;
    while (end < text.size() && !blank(text[end])) ++end;
    word = text.substr(pos, end - pos);
    while (end < text.size() && blank(text[end])) ++end;
    rest = text.substr(end);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
    if (!rest.empty() && rest.back() == ';') rest.pop_back();
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.pop_back();
    if (rest.size() >= 2 && (rest.front() == '\'' || rest.front() == '"') &&
        rest.back() == rest.front())
        rest = rest.substr(1, rest.size() - 2);
}

// A unit number, or -1.
int unit_number(const std::string& word) {
    int unit = -1;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), unit);
    if (ec != std::errc() || end != word.data() + word.size()) return -1;
    return unit;
}

// The keyword's code by its leading part (the earliest keyword wins; with LONG the whole
// 8-character keyword is needed); false when none matches.
bool keyword_code(const Run& run, const std::string& typed, int& code) {
    std::string word = upper_ascii(typed).substr(0, KEYWORD_LENGTH);
    if (word.empty()) return false;
    for (const FileKeyword& keyword : FILE_KEYWORDS) {
        std::string full = keyword.word;
        bool match = run.sw[OLONG] ? word == full : full.compare(0, word.size(), word) == 0;
        if (match) {
            code = keyword.code;
            return true;
        }
    }
    return false;
}

AfileRequest request_for(const Run& run) {
    AfileRequest req;
    req.quiet = !run.flags.OPUT;
    return req;
}

// The units whose files exist to be written: the report file and the log.
bool report_unit(const Run& run, int code) {
    return code == run.L6 || code == run.L86 || code == CODE_PRINT;
}

// A code that binds a unit to a file (a unit number, INPUT, OUTPUT, PRINT, FTP ...), not a
// request such as DELETE, a directory setting or TIMEOUT.
bool binds_unit(int code) {
    switch (code) {
    case CODE_INQUIRE:
    case CODE_BACKSPACE:
    case CODE_HELPDEMO:
    case CODE_TEMP:
    case CODE_PATH:
    case CODE_REWIND:
    case CODE_KEYBOARD:
    case CODE_CLOSE:
    case CODE_DELETE:
    case CODE_TYPE:
    case CODE_PROCPATH:
    case CODE_PLOTPATH:
    case CODE_DATABANK:
    case CODE_FTPPATH:
    case CODE_DOWNLOAD:
    case CODE_TIMEOUT:
    case CODE_DIR:
    case CODE_CD:
    case CODE_PWD:
        return false;
    default:
        return code > 0;
    }
}

} // namespace

void file_command(Run& run) {
    std::string word, name;
    split_statement(run, word, name);
    if (word.empty()) {
        return report_error(run, " ...ERROR..FILE NEEDS A KEYWORD OR A UNIT NUMBER",
                            ERR_FILE_NO_KEYWORD);
    }
    int code = unit_number(word);
    const bool by_keyword = code < 0;
    if (by_keyword && !keyword_code(run, word, code)) {
        return report_error(run, " ...ERROR..INVALID FILE KEYWORD: " + upper_ascii(word),
                            ERR_FILE_BAD_KEYWORD);
    }
    if (by_keyword && code == INPUT_CODE) code = run.L55;
    AfileRequest req = request_for(run);
    req.for_writing = report_unit(run, code);
    bool ok = AFILE(run, code, name, req);
    // Command input follows the file just bound by INPUT or PROC.
    if (ok && by_keyword && code == run.L55) run.IN = run.L55;
    // A windowed host shows every line itself: the report reaches the file as redirected
    // output, until OUTPUT with a blank name gives it back to the window.
    if (ok && by_keyword && code == 6 && (run.MOS == MODE_WINDOWED || run.MOS == MODE_WINDOWED_33))
        run.LOUT = name.empty() ? 0 : 6;
    // An HTML report file starts its preformatted block when HTML output is on.
    if (ok && by_keyword && code == 6 && run.sw[OHTM] &&
        (name.find(".HTM") != std::string::npos || name.find(".htm") != std::string::npos))
        write_record(run, 6, " <HTML> <PRE>  ");
    // Data given in the statements of a procedure file are read from the command stream,
    // which is now that file; when it ends both return to the console together.
    if (ok && by_keyword && code == L82) run.IN = L82;
    // AFILE has written why; a unit left unbound has its number (a fetch has its own).
    if (!ok)
        report_error(run, "",
                     binds_unit(code) && !is_network_address(name) ? ERR_FILE_NOT_OPENED : 0);
}

void inquire_command(Run& run) {
    std::string word, rest;
    split_statement(run, word, rest);
    std::string name = rest.empty() ? word : word + " " + rest;
    if (name.size() >= 2 && (name.front() == '\'' || name.front() == '"') &&
        name.back() == name.front())
        name = name.substr(1, name.size() - 2);
    if (!AFILE(run, CODE_INQUIRE, name, request_for(run))) report_error(run, ""); // AFILE wrote why
}

void rewind_command(Run& run) {
    std::string word, rest;
    split_statement(run, word, rest);
    std::string name = rest.empty() ? word : word + " " + rest;
    if (!AFILE(run, CODE_REWIND, name, request_for(run))) report_error(run, ""); // AFILE wrote why
}

} // namespace tarvex
