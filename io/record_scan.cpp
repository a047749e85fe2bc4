// Free-format value scanning and delimited field splitting of data records.
#include "io/record_scan.hpp"

#include "numeric/decimal.hpp"
#include "numeric/decimal_fast.hpp"
#include "numeric/text.hpp"

namespace tarvex {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
bool ends_item(char c) {
    return is_blank(c) || c == ',' || c == '/';
}

bool equals_upper(std::string_view s, std::string_view word) {
    if (s.size() != word.size()) return false;
    for (std::size_t k = 0; k < s.size(); ++k)
        if (upper_ascii(s[k]) != word[k]) return false;
    return true;
}

// Reads a count "r" of "r*..." (digits only, above 0).
bool repeat_count(std::string_view digits, long& count) {
    if (digits.empty() || digits.size() > 9) return false;
    count = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        count = count * 10 + (c - '0');
    }
    return count > 0;
}

} // namespace

bool data_number(std::string_view item, Real& value) {
    if (parse_real_field_quick(item, value)) return true;
    // WRITE's G fields write an exponent of three or more digits without its letter.
    const std::string lettered = with_exponent_letter(item);
    return !lettered.empty() && parse_real_field(lettered, value);
}

bool data_number_overflows(std::string_view item) {
    if (real_field_overflows(item)) return true;
    const std::string lettered = with_exponent_letter(item);
    return !lettered.empty() && real_field_overflows(lettered);
}

void FreeScanner::reset(std::string_view record) {
    rec_ = record;
    pos_ = 0;
    repeat_left_ = 0;
    bad_ = {};
}

bool FreeScanner::exhausted() {
    if (repeat_left_ > 0) return false;
    while (pos_ < rec_.size() && (is_blank(rec_[pos_]) || rec_[pos_] == ',')) ++pos_;
    return pos_ >= rec_.size();
}

FieldKind FreeScanner::next(Real& value) {
    if (repeat_left_ > 0) {
        --repeat_left_;
        if (repeat_kind_ == FieldKind::VALUE) value = repeat_value_;
        return repeat_kind_;
    }
    const std::size_t n = rec_.size();
    while (pos_ < n && is_blank(rec_[pos_])) ++pos_;
    if (pos_ >= n) return FieldKind::END;
    if (rec_[pos_] == ',') { // an empty item before this comma
        ++pos_;
        return FieldKind::NUL;
    }
    if (rec_[pos_] == '/') {
        pos_ = n;
        return FieldKind::SLASH;
    }
    const std::size_t start = pos_;
    while (pos_ < n && !ends_item(rec_[pos_])) ++pos_;
    std::string_view item = rec_.substr(start, pos_ - start);
    // The separator after the item: blanks, then at most one comma.
    while (pos_ < n && is_blank(rec_[pos_])) ++pos_;
    if (pos_ < n && rec_[pos_] == ',') ++pos_;

    if (Real v; data_number(item, v)) {
        value = v;
        return FieldKind::VALUE;
    }
    const std::size_t star = item.find('*');
    long count = 0;
    if (star != std::string_view::npos && repeat_count(item.substr(0, star), count)) {
        std::string_view rest = item.substr(star + 1);
        if (rest.empty()) {
            repeat_kind_ = FieldKind::NUL;
        } else if (Real v; data_number(rest, v)) {
            repeat_kind_ = FieldKind::VALUE;
            repeat_value_ = v;
            value = v;
        } else {
            bad_ = item;
            return FieldKind::BAD;
        }
        repeat_left_ = count - 1;
        return repeat_kind_;
    }
    bad_ = item;
    return FieldKind::BAD;
}

char record_delimiter(std::string_view record) {
    if (record.find('\t') != std::string_view::npos) return '\t';
    if (record.find(',') != std::string_view::npos) return ',';
    return 0;
}

std::size_t delimiter_outside_quotes(std::string_view record, char delimiter, std::size_t from) {
    bool quoted = false;
    for (std::size_t at = from; at < record.size(); ++at) {
        if (record[at] == '"')
            quoted = !quoted;
        else if (record[at] == delimiter && !quoted)
            return at;
    }
    return std::string_view::npos;
}

void split_fields(std::string_view record, char delimiter, std::vector<std::string_view>& fields) {
    fields.clear();
    if (delimiter == 0) {
        std::size_t pos = 0;
        const std::size_t n = record.size();
        for (;;) {
            while (pos < n && is_blank(record[pos])) ++pos;
            if (pos >= n) return;
            const std::size_t start = pos;
            while (pos < n && !is_blank(record[pos])) ++pos;
            fields.push_back(record.substr(start, pos - start));
        }
    }
    if (trim_blanks_tabs_and_returns_view(record).empty()) return;
    if (record.find('"') == std::string_view::npos) {
        // No quotes: every delimiter splits, found a byte at a time in one pass.
        const char* p = record.data();
        const char* const end = p + record.size();
        const char* start = p;
        for (; p != end; ++p) {
            if (*p != delimiter) continue;
            fields.push_back(trim_blanks_tabs_and_returns_view(
                std::string_view(start, static_cast<std::size_t>(p - start))));
            start = p + 1;
        }
        fields.push_back(trim_blanks_tabs_and_returns_view(
            std::string_view(start, static_cast<std::size_t>(end - start))));
        return;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = delimiter_outside_quotes(record, delimiter, start);
        if (at == std::string_view::npos) {
            fields.push_back(trim_blanks_tabs_and_returns_view(record.substr(start)));
            return;
        }
        fields.push_back(trim_blanks_tabs_and_returns_view(record.substr(start, at - start)));
        start = at + 1;
    }
}

bool field_value(std::string_view field, Real& value, bool& missing) {
    missing = false;
    field = trim_blanks_tabs_and_returns_view(field);
    // A field starting as a number does so most of the time: the quick reader takes it at once
    // ("." and "-" alone, which it leaves, are looked at below as before).
    if (!field.empty()) {
        const char c = field.front();
        if ((static_cast<unsigned>(c - '0') < 10 || c == '-' || c == '+' || c == '.') &&
            quick_parse_real(field, value) == QuickRead::DONE)
            return true;
    }
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
        field = trim_blanks_tabs_and_returns_view(field.substr(1, field.size() - 2));
    if (field.empty() || field == "." || equals_upper(field, "NA") || equals_upper(field, "N/A") ||
        equals_upper(field, "NAN")) {
        missing = true;
        return true;
    }
    return data_number(field, value);
}

} // namespace tarvex
