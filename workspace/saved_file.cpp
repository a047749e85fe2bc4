// Writing and reading the blocks of saved-variable files (hexadecimal bit patterns).
#include "workspace/saved_file.hpp"

#include "workspace/workspace.hpp"

#include <charconv>
#include <cstring>
#include <sstream>

namespace tarvex {

namespace {

using Bits = unsigned __int128;
static_assert(sizeof(Bits) == sizeof(Real), "a binary128 value is 16 bytes");

inline constexpr std::size_t HEX_DIGITS = 32;
inline constexpr std::string_view BLOCK_START = "TARVSAVE";
inline constexpr std::string_view BLOCK_END = "TARVSEND";
inline constexpr std::string_view LABEL_RECORD = "TARVLABL "; // then one category label
inline constexpr long long LONGEST_BLOCK = 1LL << 40;         // no work area holds more elements

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::vector<std::string_view> split_blanks(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ') ++pos;
        const std::size_t start = pos;
        while (pos < text.size() && text[pos] != ' ') ++pos;
        if (pos > start) out.push_back(text.substr(start, pos - start));
    }
    return out;
}

template <typename Int>
bool read_int(std::string_view text, Int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string real_to_hex(Real value) {
    Bits bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string out(HEX_DIGITS, '0');
    for (std::size_t k = HEX_DIGITS; k-- > 0;) {
        out[k] = DIGITS[static_cast<unsigned>(bits & 0xF)];
        bits >>= 4;
    }
    return out;
}

bool hex_to_real(std::string_view text, Real& value) {
    if (text.size() != HEX_DIGITS) return false;
    Bits bits = 0;
    for (char c : text) {
        const int digit = hex_digit(c);
        if (digit < 0) return false;
        bits = (bits << 4) | static_cast<Bits>(digit);
    }
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

std::vector<std::string> saved_block_records(const VariableCopy& var) {
    std::vector<std::string> records;
    std::ostringstream head;
    head << BLOCK_START << ' ' << var.name << ' ' << var.type << ' ' << var.length << ' '
         << var.ncol << ' ' << var.year << ' ' << var.sub << ' ' << var.frequency;
    records.push_back(head.str());
    std::string line;
    for (std::size_t k = 0; k < var.elements.size(); ++k) {
        if (!line.empty()) line += ' ';
        line += real_to_hex(var.elements[k]);
        if ((k + 1) % SAVED_PER_RECORD == 0) {
            records.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) records.push_back(line);
    for (const std::string& label : var.labels)
        records.push_back(std::string(LABEL_RECORD) + label);
    records.push_back(std::string(BLOCK_END) + ' ' + var.name);
    return records;
}

bool SavedFileParser::header(std::string_view record) {
    const auto fields = split_blanks(record);
    if (fields.size() != 8 || fields[0] != BLOCK_START) return false;
    VariableCopy var;
    var.name = std::string(fields[1]);
    if (var.name.size() > 8 || NAMCHK(var.name) != 1) return false;
    if (!read_int(fields[2], var.type) || !read_int(fields[3], var.length) ||
        !read_int(fields[4], var.ncol) || !read_int(fields[5], var.year) ||
        !read_int(fields[6], var.sub) || !read_int(fields[7], var.frequency))
        return false;
    if (var.type < TYPE_DATA || var.type > TYPE_CHAR_VAR || var.length < 0 ||
        var.length > LONGEST_BLOCK || var.ncol < 1 || var.frequency < 0)
        return false;
    var.elements.reserve(static_cast<std::size_t>(std::min<long long>(var.length, 1 << 20)));
    blocks_.push_back(std::move(var));
    in_block_ = true;
    return true;
}

bool SavedFileParser::feed(std::string_view record) {
    while (!record.empty() && (record.back() == ' ' || record.back() == '\r'))
        record.remove_suffix(1);
    if (!in_block_) return record.empty() || header(record);
    VariableCopy& var = blocks_.back();
    const auto fields = split_blanks(record);
    const long long have = static_cast<long long>(var.elements.size());
    if (have == var.length && record.substr(0, LABEL_RECORD.size()) == LABEL_RECORD) {
        var.labels.emplace_back(record.substr(LABEL_RECORD.size()));
        return true;
    }
    if (have == var.length) {
        in_block_ = false;
        return fields.size() == 2 && fields[0] == BLOCK_END && fields[1] == var.name;
    }
    if (fields.empty() || have + static_cast<long long>(fields.size()) > var.length) return false;
    for (std::string_view field : fields) {
        Real value = 0;
        if (!hex_to_real(field, value)) return false;
        var.elements.push_back(value);
    }
    return true;
}

} // namespace tarvex
