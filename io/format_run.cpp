// Running a parsed format: the writer turns values into records, the reader takes values out
// of records. Both walk the flat program with a stack of open groups and apply Fortran's
// reversion when the format is exhausted while values remain.
#include "io/format_program.hpp"

#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"

#include <cctype>

namespace tarvex {

namespace {

inline constexpr int DEFAULT_A_WIDTH = 8; // characters of one workspace word

// The walk over the program shared by writer and reader.
struct Walk {
    const FormatProgram& program;
    struct Open {
        int begin;
        int remaining;
    };
    std::vector<Open> groups;
    int pc = 0;
    bool data_in_pass = false; // a value was taken since the start or the last reversion

    // Moves over GROUP_BEGIN and GROUP_END items; returns the next other item or -1 at the
    // end of the format.
    int next_item() {
        const auto& ops = program.ops;
        while (pc < static_cast<int>(ops.size())) {
            const EditOp& op = ops[pc];
            if (op.kind == EditKind::GROUP_BEGIN) {
                groups.push_back({pc, op.repeat});
                ++pc;
            } else if (op.kind == EditKind::GROUP_END) {
                Open& top = groups.back();
                if (--top.remaining > 0) {
                    pc = top.begin + 1;
                } else {
                    groups.pop_back();
                    ++pc;
                }
            } else {
                return pc++;
            }
        }
        return -1;
    }
    // Starts a new pass at the reversion point.
    void revert() {
        groups.clear();
        pc = program.reversion;
        data_in_pass = false;
    }
};

std::string edit_number(const EditOp& op, Real v) {
    switch (op.kind) {
    case EditKind::F:
        return fmt_F(v, op.w, op.d);
    case EditKind::E:
        return fmt_E(v, op.w, op.d, op.e);
    case EditKind::D:
        return fmt_E(v, op.w, op.d, 0, 'D');
    default:
        return fmt_G(v, op.w, op.d, op.e);
    }
}

// A numeric input field as Fortran reads it with blanks ignored: empty is zero; without a
// decimal point the last d digits of the mantissa are decimals; an exponent may be written
// with E, D or Q, or as a bare sign after the mantissa.
bool read_number(std::string_view field, int d, Real& value) {
    std::string text;
    for (char c : field)
        if (c != ' ' && c != '\t')
            text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (text.empty()) {
        value = 0;
        return true;
    }
    std::string mantissa = text;
    std::string exponent;
    for (std::size_t k = 1; k < text.size(); ++k) {
        const char c = text[k];
        if (c == 'E' || c == 'D' || c == 'Q') {
            mantissa = text.substr(0, k);
            exponent = text.substr(k + 1);
            break;
        }
        if ((c == '+' || c == '-') &&
            (std::isdigit(static_cast<unsigned char>(text[k - 1])) || text[k - 1] == '.')) {
            mantissa = text.substr(0, k);
            exponent = text.substr(k);
            break;
        }
    }
    if (!exponent.empty()) {
        std::size_t start = (exponent[0] == '+' || exponent[0] == '-') ? 1 : 0;
        if (start == exponent.size()) return false;
        for (std::size_t k = start; k < exponent.size(); ++k)
            if (!std::isdigit(static_cast<unsigned char>(exponent[k]))) return false;
    }
    long long exp10 = 0;
    if (!exponent.empty()) {
        if (exponent.size() > 7) return false;
        exp10 = std::stoll(exponent);
    }
    if (mantissa.find('.') == std::string::npos) exp10 -= d; // implied decimals
    std::string normal = mantissa + "E" + std::to_string(exp10);
    return parse_real_field(normal, value);
}

} // namespace

bool format_write(const FormatProgram& program, const std::vector<FormatValue>& values,
                  std::vector<std::string>& records) {
    Walk walk{program, {}};
    std::string record;
    std::size_t taken = 0;
    for (;;) {
        const int at = walk.next_item();
        if (at < 0) { // end of the format
            if (taken >= values.size()) break;
            if (!walk.data_in_pass) return false; // nothing in the format takes a value
            records.push_back(std::move(record));
            record.clear();
            walk.revert();
            continue;
        }
        const EditOp& op = program.ops[at];
        if (op.is_data()) {
            if (taken >= values.size()) break;
            const FormatValue& v = values[taken++];
            walk.data_in_pass = true;
            if (op.kind == EditKind::A) {
                if (!v.is_text) return false;
                record += op.w == 0 ? v.text : fmt_A(v.text, op.w);
            } else {
                if (v.is_text) return false;
                record += edit_number(op, v.number);
            }
            continue;
        }
        switch (op.kind) {
        case EditKind::SKIP:
            record += fmt_X(op.w);
            break;
        case EditKind::LITERAL:
            record += op.text;
            break;
        case EditKind::SLASH:
            records.push_back(std::move(record));
            record.clear();
            break;
        case EditKind::COLON:
            if (taken >= values.size()) {
                records.push_back(std::move(record));
                return true;
            }
            break;
        default:
            break;
        }
    }
    records.push_back(std::move(record));
    return true;
}

bool format_read(const FormatProgram& program, const std::string& first,
                 const RecordSource& next_record, std::size_t count,
                 std::vector<FormatValue>& values, std::string* bad_field) {
    Walk walk{program, {}};
    std::string record = first;
    std::size_t col = 0;
    const std::size_t start = values.size();
    auto done = [&] { return values.size() - start >= count; };
    auto advance = [&]() -> bool {
        col = 0;
        return next_record && next_record(record);
    };
    if (bad_field) bad_field->clear();
    for (;;) {
        if (done()) return true;
        const int at = walk.next_item();
        if (at < 0) {
            if (!walk.data_in_pass) return false;
            if (!advance()) return false;
            walk.revert();
            continue;
        }
        const EditOp& op = program.ops[at];
        if (op.is_data()) {
            const int w = op.kind == EditKind::A && op.w == 0 ? DEFAULT_A_WIDTH : op.w;
            std::string field = col < record.size() ? record.substr(col, w) : std::string();
            col += w;
            walk.data_in_pass = true;
            if (op.kind == EditKind::A) {
                field.resize(w, ' ');
                values.push_back(FormatValue::of(field));
                continue;
            }
            Real v = 0;
            if (!read_number(field, op.d, v)) {
                if (bad_field) *bad_field = field;
                return false;
            }
            values.push_back(FormatValue::of(v));
            continue;
        }
        switch (op.kind) {
        case EditKind::SKIP:
            col += op.w;
            break;
        case EditKind::LITERAL:
            col += op.text.size();
            break;
        case EditKind::SLASH:
            if (!advance()) return done();
            break;
        case EditKind::COLON:
            if (done()) return true;
            break;
        default:
            break;
        }
    }
}

} // namespace tarvex
