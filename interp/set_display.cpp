// SETDIS: the SET command (switches and run values through the option parser), DISPLAY (the
// version line and the settings asked for, or all of them), and the hand-over of FILE.
#include "interp/set_display.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/shared_errors.hpp"
#include "interp/dispatcher.hpp"
#include "interp/interp_errors.hpp"
#include "interp/version.hpp"
#include "io/file_command.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"

#include <iterator>

namespace tarvex {

namespace {

// clang-format off
constexpr const char* INTEGER_KEYWORDS[] = {
    "READUNIT", // data input unit
    "WRITEUNI", // write unit
    "INUNIT",   // command input unit (IN)
    "OUTUNIT",  // output unit (L6, or the redirection unit LOUT)
    "COMLEN",   // character-string length limit
    "MAXCOLON", // column limit MXCOL
    "RANSEED",  // random seed
    "MACLOAD",
    "RANLEVEL", // random generator level 1 to 6
};
// clang-format off
// clang-format on
constexpr const char* REAL_KEYWORDS[] = {
    "CPUTIME",
    "MISSVALU", // the missing-value code XMISS ($MISS)
    "RCPUTIME",
};
// clang-format off
// clang-format on
constexpr const char* NAME_KEYWORDS[] = {
    "FORMAT",   "READFILE", "WRITEFIL", "IDVAR", "USER",  "BANKNAME", "BANKTYPE",
    "BANKFORM", "COEFFICI", "COVARIAN", "IEEE",  "CRYPT", "GIF",
};
// clang-format on
static_assert(std::size(INTEGER_KEYWORDS) == N_SET_INTEGER, "one keyword per integer value");
static_assert(std::size(REAL_KEYWORDS) == N_SET_REAL, "one keyword per real value");
static_assert(std::size(NAME_KEYWORDS) == N_SET_NAME, "one keyword per name value");

constexpr std::size_t SWITCH_FIELD = 15; // columns of a "KEYWORD  = T" field in the listing
constexpr std::size_t VALUE_FIELD = 30;  // columns of a value field
constexpr const char* NO_NAME_VALUE = "********"; // "KEYWORD=" written without a value

std::string padded8(std::string_view text) {
    std::string word(text);
    if (word.size() < 8) word.resize(8, ' ');
    return word;
}

int output_unit(const Run& run) {
    return run.LOUT != 0 ? run.LOUT : run.L6;
}

// Step 1 of SET: the option set starts from the current switches and run values.
void load_current_values(Run& run) {
    OptionSet& opt = run.opt;
    for (int k = 0; k < NSWITCH; ++k) opt.sw[k] = run.sw.o[k];
    const int integers[N_SET_INTEGER] = {
        run.vals.READUNIT, run.vals.WRITEUNI, run.IN,           output_unit(run),  run.sizes.COMLEN,
        run.sizes.MXCOL,   run.vals.RANSEED,  run.vals.MACLOAD, run.vals.RANLEVEL,
    };
    for (int k = 0; k < N_SET_INTEGER; ++k) opt.iv[k] = integers[k];
    opt.rv[SR_CPUTIME] = run.vals.CPUTIME;
    opt.rv[SR_MISSVALU] = run.ws.XMISS;
    opt.rv[SR_RCPUTIME] = run.vals.RCPUTIME;
    for (int k = 0; k < N_SET_NAME; ++k) {
        opt.name[k] = run.vals.names[k].empty() ? std::string() : padded8(run.vals.names[k]);
        opt.name_full[k] = run.vals.names[k];
    }
}

void write_html_header(Run& run) {
    write_line(run, "Content-type: text/html");
    write_line(run, "");
    write_line(run, "<HTML><HEAD><TITLE>TARVEX OUTPUT</TITLE></HEAD><BODY><PRE>");
}

// Step 4 of SET: switches back into the switch block, values into their run variables.
void apply_values(Run& run) {
    const OptionSet& opt = run.opt;
    bool html_was_on = run.sw[OHTM];
    for (int k = 0; k < NSWITCH; ++k) run.sw.o[k] = opt.sw[k];
    // Every time HTML goes from off to on the page starts again with its header.
    if (run.sw[OHTM] && !html_was_on) write_html_header(run);

    run.vals.READUNIT = opt.iv[SI_READUNIT];
    run.vals.WRITEUNI = opt.iv[SI_WRITEUNI];
    run.IN = opt.iv[SI_INUNIT];
    run.LOUT = opt.iv[SI_OUTUNIT] == run.L6 ? 0 : opt.iv[SI_OUTUNIT];
    run.sizes.COMLEN = run.vals.COMLEN = opt.iv[SI_COMLEN];
    run.sizes.MXCOL = run.ws.MXCOL = opt.iv[SI_MAXCOLON];
    run.vals.RANSEED = opt.iv[SI_RANSEED];
    // Naming RANSEED restarts the random numbers from that seed, even when it is unchanged.
    if (opt.igiven.size() > SI_RANSEED && opt.igiven[SI_RANSEED]) run.rng.seed(run.vals.RANSEED);
    run.vals.MACLOAD = opt.iv[SI_MACLOAD];
    const int level = opt.iv[SI_RANLEVEL];
    if (level >= 1 && level <= static_cast<int>(RANDOM_GENERATOR_CODES.size())) {
        run.vals.RANLEVEL = level;
    } else {
        // The other settings of the command still take effect.
        report_error(run,
                     " ...ERROR..RANLEVEL MUST BE 1 TO 6, IT STAYS AT " +
                         std::to_string(run.vals.RANLEVEL),
                     SET_RANLEVEL, ErrorSeverity::CONTINUES);
    }
    run.vals.CPUTIME = opt.rv[SR_CPUTIME];
    run.ws.XMISS = opt.rv[SR_MISSVALU];
    run.res[R_MISS] = run.ws.XMISS;
    run.vals.RCPUTIME = opt.rv[SR_RCPUTIME];
    for (int k = 0; k < N_SET_NAME; ++k) {
        if (opt.name[k] == NO_NAME_VALUE) continue; // "KEYWORD=" alone changes nothing
        run.vals.names[k] =
            opt.name_full[k].empty() ? trim_trailing_blanks(opt.name[k]) : opt.name_full[k];
    }
}

std::string setting(std::string_view keyword, const std::string& value) {
    return padded8(keyword) + " = " + value;
}

// Packs "KEYWORD  = value" fields into report lines: each field takes a multiple of `width`
// columns, and a field that would pass column 130 starts a new line.
struct FieldPacker {
    Run& run;
    std::size_t width;
    std::string line = " ";
    void add(std::string field) {
        std::size_t columns = ((field.size() + 3 + width - 1) / width) * width;
        field.resize(columns, ' ');
        if (line.size() > 1 && line.size() + trim_trailing_blanks(field).size() > LINE_WIDTH)
            flush();
        line += field;
    }
    void flush() {
        if (line.size() > 1) write_line(run, trim_trailing_blanks(line));
        line = " ";
    }
};

// DISPLAY without keywords: every switch, then every value.
void display_all(Run& run) {
    FieldPacker switches{run, SWITCH_FIELD};
    for (int k = 0; k < NSWITCH; ++k) {
        std::string_view keyword = SWITCH_TABLE[k].keyword;
        if (keyword == "xxxxxxxx") continue;
        switches.add(setting(keyword, run.sw.o[k] ? "T" : "F"));
    }
    switches.flush();
    load_current_values(run);
    FieldPacker values{run, VALUE_FIELD};
    for (int k = 0; k < N_SET_INTEGER; ++k)
        values.add(setting(INTEGER_KEYWORDS[k], fmt_I(run.opt.iv[k], 12)));
    for (int k = 0; k < N_SET_REAL; ++k)
        values.add(setting(REAL_KEYWORDS[k], fmt_G(run.opt.rv[k], 16, 8)));
    values.flush();
    for (int k = 0; k < N_SET_NAME; ++k) values.add(setting(NAME_KEYWORDS[k], run.vals.names[k]));
    values.flush();
}

} // namespace

const OptionTable& set_option_table() {
    static const OptionTable table = [] {
        OptionTable t;
        for (const SwitchEntry& entry : SWITCH_TABLE) t.keywords.push_back(entry.keyword);
        for (const char* keyword : INTEGER_KEYWORDS) t.keywords.push_back(keyword);
        for (const char* keyword : REAL_KEYWORDS) t.keywords.push_back(keyword);
        for (const char* keyword : NAME_KEYWORDS) t.keywords.push_back(keyword);
        t.nswitch = NSWITCH;
        t.nint = N_SET_INTEGER;
        t.nreal = N_SET_REAL;
        t.nname = N_SET_NAME;
        return t;
    }();
    return table;
}

void SETDIS(Run& run) {
    if (run.cmd.IKOD == C_FILE) {
        file_command(run);
        return;
    }
    const OptionTable& table = set_option_table();
    run.opt.prepare(table);
    load_current_values(run);
    if (run.cmd.IKOD == C_DISPLAY) {
        if (!run.flags.OPUT) return; // "?DISPLAY" shows nothing
        write_line(run, " TARVEX - Version " + std::string(TARVEX_VERSION) +
                            " PAR=" + fmt_I(run.sizes.IPAR, 10));
        if (run.scan.NOPS == 0)
            display_all(run);
        else
            OPTION(run, table);
        return;
    }
    if (!OPTION(run, table)) return;
    apply_values(run);
}

} // namespace tarvex
