// Parsing a Fortran format text into the flat program of edit operations that the writer and
// the reader run. Blanks outside literals are ignored and letters may be in either case.
#include "io/format_program.hpp"

#include <cctype>

namespace tarvex {

namespace {

inline constexpr int MAX_GROUP_DEPTH = 16; // nesting of parentheses inside the format
inline constexpr int MAX_NUMBER = 9999;    // largest repeat count, width or digit count

// The source text is needed for nH literals, whose blanks count: the parser keeps the
// position map from the compact text back to the source.
struct Source {
    std::string_view text;
    std::vector<std::size_t> at; // compact index -> source index
};

struct Parser {
    const Source& src;
    std::string compact; // the text without blanks outside literals, upper case
    std::size_t pos = 0;
    FormatProgram& program;
    std::string error;

    bool fail(const std::string& why) {
        if (error.empty()) error = why;
        return false;
    }
    bool at_end() const { return pos >= compact.size(); }
    char peek() const { return at_end() ? '\0' : compact[pos]; }

    // An unsigned number; -1 when none starts here.
    int number() {
        if (at_end() || !std::isdigit(static_cast<unsigned char>(peek()))) return -1;
        long value = 0;
        while (!at_end() && std::isdigit(static_cast<unsigned char>(peek()))) {
            value = value * 10 + (compact[pos++] - '0');
            if (value > MAX_NUMBER) return -2;
        }
        return static_cast<int>(value);
    }

    bool literal(char quote) {
        std::string text;
        ++pos;
        for (;;) {
            if (at_end()) return fail("UNCLOSED LITERAL");
            char c = compact[pos++];
            if (c == quote) {
                if (peek() == quote) { // a doubled quote stands for itself
                    text += quote;
                    ++pos;
                    continue;
                }
                break;
            }
            text += c;
        }
        EditOp op;
        op.kind = EditKind::LITERAL;
        op.text = std::move(text);
        program.ops.push_back(std::move(op));
        return true;
    }

    // w.d after F, E, D or G, then Ee for E and G.
    bool data_descriptor(char letter, int repeat) {
        EditOp op;
        op.kind = letter == 'F'   ? EditKind::F
                  : letter == 'E' ? EditKind::E
                  : letter == 'D' ? EditKind::D
                                  : EditKind::G;
        op.w = number();
        if (op.w < 0 || (op.w == 0 && op.kind != EditKind::F)) return fail("BAD FIELD WIDTH");
        if (peek() != '.') return fail("DECIMAL DIGITS MISSING");
        ++pos;
        op.d = number();
        if (op.d < 0) return fail("DECIMAL DIGITS MISSING");
        if ((op.kind == EditKind::E || op.kind == EditKind::G) && peek() == 'E') {
            ++pos;
            op.e = number();
            if (op.e <= 0) return fail("BAD EXPONENT WIDTH");
        }
        for (int k = 0; k < repeat; ++k) program.ops.push_back(op);
        return true;
    }

    bool item(int depth) {
        const int repeat_given = number();
        if (repeat_given == -2) return fail("NUMBER TOO LARGE");
        const int repeat = repeat_given < 0 ? 1 : repeat_given;
        const char c = peek();
        if (c == '\0') return fail("FORMAT ENDS EARLY");
        if (c == '(') {
            if (repeat == 0) return fail("ZERO REPEAT COUNT");
            if (depth + 1 > MAX_GROUP_DEPTH) return fail("GROUPS NESTED TOO DEEPLY");
            ++pos;
            const int begin = static_cast<int>(program.ops.size());
            EditOp open;
            open.kind = EditKind::GROUP_BEGIN;
            open.repeat = repeat;
            program.ops.push_back(open);
            if (!list(depth + 1)) return false;
            if (peek() != ')') return fail("UNBALANCED PARENTHESES");
            ++pos;
            EditOp close;
            close.kind = EditKind::GROUP_END;
            close.partner = begin;
            program.ops.push_back(close);
            program.ops[begin].partner = static_cast<int>(program.ops.size()) - 1;
            if (depth == 0) program.reversion = begin;
            return true;
        }
        if (repeat_given == 0) return fail("ZERO REPEAT COUNT");
        ++pos;
        switch (c) {
        case 'F':
        case 'E':
        case 'D':
        case 'G':
            return data_descriptor(c, repeat);
        case 'A': {
            EditOp op;
            op.kind = EditKind::A;
            op.w = number();
            if (op.w == -2 || op.w == 0) return fail("BAD FIELD WIDTH");
            if (op.w < 0) op.w = 0;
            for (int k = 0; k < repeat; ++k) program.ops.push_back(op);
            return true;
        }
        case 'X': {
            EditOp op;
            op.kind = EditKind::SKIP;
            op.w = repeat;
            program.ops.push_back(op);
            return true;
        }
        case '/': {
            EditOp op;
            op.kind = EditKind::SLASH;
            for (int k = 0; k < repeat; ++k) program.ops.push_back(op);
            return true;
        }
        case ':':
            if (repeat_given >= 0) return fail("REPEAT COUNT BEFORE :");
            {
                EditOp op;
                op.kind = EditKind::COLON;
                program.ops.push_back(op);
            }
            return true;
        case 'H': { // nHtext: the n characters after H, blanks included
            if (repeat_given < 0) return fail("H NEEDS A COUNT");
            --pos;
            return hollerith(repeat);
        }
        case '\'':
        case '"':
            if (repeat_given >= 0) return fail("REPEAT COUNT BEFORE LITERAL");
            --pos;
            return literal(c);
        default:
            return fail(std::string("UNKNOWN EDIT DESCRIPTOR ") + c);
        }
    }

    bool hollerith(int count);

    // item { [","] item } up to ")" or the end. Commas separate items; a missing comma between
    // two items is accepted (as most processors do), an empty item is not.
    bool list(int depth) {
        bool need_item = true;
        while (!at_end() && peek() != ')') {
            if (peek() == ',') {
                if (need_item) return fail("MISPLACED COMMA");
                ++pos;
                need_item = true;
                continue;
            }
            if (!item(depth)) return false;
            need_item = false;
        }
        if (need_item && pos > 0 && compact[pos - 1] == ',') return fail("MISPLACED COMMA");
        return true;
    }
};

bool Parser::hollerith(int count) {
    // pos is at the 'H' in the compact text.
    std::size_t from = src.at[pos] + 1;
    if (from + count > src.text.size()) return fail("H LITERAL RUNS PAST THE END");
    EditOp op;
    op.kind = EditKind::LITERAL;
    op.text = std::string(src.text.substr(from, count));
    program.ops.push_back(std::move(op));
    // Skip the compact characters that came from the literal.
    const std::size_t end = from + count;
    ++pos;
    while (!at_end() && src.at[pos] < end) ++pos;
    return true;
}

} // namespace

bool parse_format(std::string_view text, FormatProgram& program, std::string* error) {
    program = FormatProgram{};
    Source src{text, {}};
    Parser parser{src, std::string(), 0, program, std::string()};
    char quote = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        char c = text[k];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ' ' || c == '\t') {
            continue;
        } else {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        parser.compact += c;
        src.at.push_back(k);
    }
    bool ok = true;
    if (parser.peek() != '(') {
        ok = parser.fail("FORMAT MUST BEGIN WITH (");
    } else {
        ++parser.pos;
        ok = parser.list(0);
        if (ok && parser.peek() != ')') ok = parser.fail("UNBALANCED PARENTHESES");
        if (ok) ++parser.pos;
        if (ok && !parser.at_end()) ok = parser.fail("TEXT AFTER THE CLOSING PARENTHESIS");
    }
    for (const EditOp& op : program.ops) program.has_data = program.has_data || op.is_data();
    if (!ok && error) *error = parser.error;
    return ok;
}

} // namespace tarvex
