// FORMAT$: storing the FORMAT statement's text in the workspace, reading it back for the
// commands that apply it, and the limits on its length.
#include "io/stored_format.hpp"

#include "core/error_report.hpp"
#include "core/fatal_stop.hpp"
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/print_write_errors.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

namespace tarvex {

// The FORMAT command's own message (FORMAT is command 21).
inline constexpr int ERR_FORMAT_INTEGER = 21001; // an I descriptor in the stored format

namespace {

const std::string FORMAT_NAME = "FORMAT$";

// An I or i edit descriptor: the letter after "(" or "," with only blanks or a repeat count
// between, outside quoted literals.
bool has_integer_descriptor(std::string_view text) {
    char previous = 0; // last character that was not a blank or a digit of a repeat count
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            previous = c;
            continue;
        }
        if (c == ' ') continue;
        const bool starts_item = previous == '(' || previous == ',';
        if (c >= '0' && c <= '9' && starts_item) {
            continue;
        }
        if ((c == 'I' || c == 'i') && starts_item) return true;
        previous = c;
    }
    return false;
}

} // namespace

void store_format(Run& run, std::string_view text) {
    text = trim_blanks_view(text);
    const long long words = std::max<long long>(
        1, static_cast<long long>((text.size() + CHARS_PER_ELEMENT - 1) / CHARS_PER_ELEMENT));
    int ref = 0;
    NEWVAR(run, FORMAT_NAME, 1, TYPE_CHAR_STRING, words, 1, ref);
    if (ref <= 0) return; // NEWVAR has reported the full work area or name table
    VarInfo info;
    if (!VINFO(run, ref, info)) return;
    // A longer earlier format keeps its storage: blank the words past the new text.
    for (long long k = 1; k <= info.length; ++k) {
        const std::size_t from = static_cast<std::size_t>(k - 1) * CHARS_PER_ELEMENT;
        element(run, info, k) =
            chars_to_element(from < text.size() ? text.substr(from) : std::string_view(""));
    }
    if (has_integer_descriptor(text)) {
        report_error(run, " ...ERROR..IN FORMAT..USE F,E,D,G FORMAT NOT I FORMAT",
                     ERR_FORMAT_INTEGER);
    }
}

int KFMT(Run& run) {
    const int slot = VFIND(run, FORMAT_NAME);
    if (slot <= 0) return 0;
    VarInfo info;
    if (!VINFO(run, slot, info) || info.inc <= 0 || info.type != TYPE_CHAR_STRING) return 0;
    return slot;
}

bool stored_format(Run& run, std::string& text) {
    text.clear();
    const int slot = KFMT(run);
    if (slot <= 0) return false;
    VarInfo info;
    VINFO(run, slot, info);
    for (long long k = 1; k <= info.length; ++k) text += element_to_chars(element(run, info, k));
    text = std::string(trim_blanks_view(text));
    return true;
}

bool format_for_use(Run& run, int stop_code, std::string& text) {
    if (!stored_format(run, text)) {
        text = " NO FORMAT SUPPLIED WITH FORMAT COMMAND";
        report_error(run, " ...ERROR..YOU MUST SPECIFY A FORMAT",
                     command_error_number(run, PW_NO_FORMAT));
        return false;
    }
    if (static_cast<int>(text.size()) > FORMAT_LIMIT) XXIT(run, stop_code);
    return true;
}

void cmd_format_at_dispatcher(Run& run) {
    XXIT(run, STOP_FORMAT_AT_DISPATCHER);
}

} // namespace tarvex
