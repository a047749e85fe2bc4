// READ with the stored user format: the text of FORMAT$ (a parenthesised list of edit
// descriptors) applied to the records, one observation per format pass. Numeric fields Fw.d,
// Ew.d, Dw.d, Gw.d and Iw (a field without a decimal point has d implied decimals, an empty one
// is zero), positioning nX, Tn, TLn, TRn, "/" for the next record, Aw and quoted text passed over,
// repeat counts on fields and on parenthesised groups. When the list runs out before the
// observation is complete it starts again on a new record.
#include "interp/entry.hpp"
#include "interp/run.hpp"
#include "io/char_words.hpp"
#include "io/read_internal.hpp"
#include "numeric/decimal.hpp"
#include "numeric/fortran_format.hpp"

#include <cctype>

namespace tarvex {

namespace {

constexpr std::size_t FORMAT_LIMIT = 248;
constexpr int FORMAT_TOO_LONG_CODE = -3;

enum class Edit { NUMBER, SKIP, TAB, TAB_LEFT, TAB_RIGHT, RECORD, IGNORE };

struct EditItem {
    Edit kind;
    int width = 0;
    int decimals = 0;
};

// Expands a format text into the flat list of its edit items; false when it cannot be read.
class FormatParser {
public:
    explicit FormatParser(std::string_view text) : t_(text) {}

    bool parse(std::vector<EditItem>& out) {
        skip_blanks();
        if (pos_ >= t_.size() || t_[pos_] != '(') return false;
        ++pos_;
        if (!group(out, 0)) return false;
        return true;
    }

private:
    std::string_view t_;
    std::size_t pos_ = 0;

    void skip_blanks() {
        while (pos_ < t_.size() && (t_[pos_] == ' ' || t_[pos_] == ',')) ++pos_;
    }
    bool number(int& n) {
        std::size_t start = pos_;
        n = 0;
        while (pos_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[pos_])) && n < 100000)
            n = n * 10 + (t_[pos_++] - '0');
        return pos_ > start;
    }
    // The items up to the closing ")" of the group that begins at pos_.
    bool group(std::vector<EditItem>& out, int depth) {
        if (depth > 8) return false;
        for (;;) {
            skip_blanks();
            if (pos_ >= t_.size()) return false;
            char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t_[pos_])));
            if (c == ')') {
                ++pos_;
                return true;
            }
            if (c == '/') {
                ++pos_;
                out.push_back({Edit::RECORD});
                continue;
            }
            if (c == '\'' || c == '"') {
                std::size_t end = t_.find(t_[pos_], pos_ + 1);
                if (end == std::string_view::npos) return false;
                pos_ = end + 1;
                continue;
            }
            int repeat = 1;
            if (int count = 0; number(count)) {
                repeat = count;
                skip_blanks();
                if (pos_ >= t_.size()) return false;
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(t_[pos_])));
            }
            if (c == '(') {
                ++pos_;
                std::vector<EditItem> inner;
                if (!group(inner, depth + 1)) return false;
                for (int r = 0; r < repeat && out.size() < 100000; ++r)
                    out.insert(out.end(), inner.begin(), inner.end());
                continue;
            }
            ++pos_;
            EditItem item{Edit::NUMBER};
            int w = 0, d = 0;
            switch (c) {
            case 'F': case 'E': case 'D': case 'G': case 'I':
                if (!number(w) || w == 0) return false;
                if (pos_ < t_.size() && t_[pos_] == '.') {
                    ++pos_;
                    if (!number(d)) return false;
                }
                // An exponent width (Ew.dEe) changes nothing on input.
                if (pos_ < t_.size() && (t_[pos_] == 'E' || t_[pos_] == 'e')) {
                    ++pos_;
                    int e;
                    if (!number(e)) return false;
                }
                item = {Edit::NUMBER, w, c == 'I' ? 0 : d};
                break;
            case 'X': item = {Edit::SKIP, repeat}; repeat = 1; break;
            case 'A':
                if (!number(w)) w = 8;
                item = {Edit::SKIP, w};
                break;
            case 'T': {
                Edit kind = Edit::TAB;
                if (pos_ < t_.size() && (t_[pos_] == 'L' || t_[pos_] == 'l')) kind = Edit::TAB_LEFT, ++pos_;
                else if (pos_ < t_.size() && (t_[pos_] == 'R' || t_[pos_] == 'r')) kind = Edit::TAB_RIGHT, ++pos_;
                if (!number(w)) return false;
                item = {kind, w};
                break;
            }
            case 'P': item = {Edit::IGNORE}; break; // scale factor: none on input
            case 'B': // BN, BZ
                if (pos_ < t_.size()) ++pos_;
                item = {Edit::IGNORE};
                break;
            default: return false;
            }
            for (int r = 0; r < repeat && out.size() < 100000; ++r) out.push_back(item);
        }
    }
};

// A numeric field: blanks alone are zero; without a decimal point (and exponent letter) the
// last `decimals` digits are the fraction.
bool field_number(std::string_view field, int decimals, Real& value) {
    std::string s;
    for (char c : field)
        if (c != ' ') s += c;
    if (s.empty()) {
        value = 0;
        return true;
    }
    const bool has_point = s.find('.') != std::string::npos;
    if (!has_point && decimals > 0) {
        std::size_t exp = s.find_first_of("EeDd");
        std::string mant = s.substr(0, exp);
        std::string rest = exp == std::string::npos ? "" : s.substr(exp);
        std::string sign;
        if (!mant.empty() && (mant[0] == '+' || mant[0] == '-')) sign = mant.substr(0, 1), mant.erase(0, 1);
        while (mant.size() < static_cast<std::size_t>(decimals)) mant.insert(0, "0");
        mant.insert(mant.size() - static_cast<std::size_t>(decimals), ".");
        s = sign + mant + rest;
    }
    return parse_real_field(s, value);
}

std::string stored_format(Run& run, bool& exists) {
    exists = false;
    const int ref = VFIND(run, "FORMAT$");
    VarInfo info;
    if (ref <= 0 || !VINFO(run, ref, info) || info.length <= 0) return {};
    exists = true;
    std::string text;
    for (long long k = 1; k <= info.length; ++k) text += element_to_chars(element(run, info, k));
    std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

} // namespace

bool read_user_format(ReadJob& job, DataLines& lines, const std::string&) {
    Run& run = job.run;
    bool exists = false;
    std::string text = stored_format(run, exists);
    if (!exists) {
        read_error(run, " ...ERROR..NO FORMAT CURRENTLY EXISTS");
        return false;
    }
    if (text.size() > FORMAT_LIMIT) XXIT(run, FORMAT_TOO_LONG_CODE);
    std::size_t lead = text.find_first_not_of(' ');
    text = lead == std::string::npos ? std::string() : text.substr(lead);
    if (notes_on(run)) {
        write_line(run, " ...NOTE..READ USES FORMAT:");
        write_line(run, " " + text);
    }
    std::string head = text.substr(0, 4);
    for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (head == "FREE") return read_free_text(job, lines);

    std::vector<EditItem> items;
    FormatParser parser(text);
    bool has_number = false;
    if (parser.parse(items))
        for (const EditItem& it : items) has_number = has_number || it.kind == Edit::NUMBER;
    if (!has_number) {
        read_error(run, " ...ERROR..BAD FORMAT: " + text.substr(0, 100));
        return false;
    }
    job.make_pending(TYPE_DATA, 1);
    job.first_element = job.beg;
    const std::size_t nvar = job.names.size();
    std::vector<Real> obs(nvar);
    std::string_view view;
    std::string record;
    long long rows = 0;
    bool short_data = false;
    while (!job.count_known() || rows < job.expected()) {
        if (!lines.next(view)) break;
        record.assign(view);
        std::size_t col = 0, got = 0, at = 0;
        bool ended = false;
        while (got < nvar) {
            if (at == items.size()) { // the list starts again on a new record
                at = 0;
                if (!lines.next(view)) { ended = true; break; }
                record.assign(view);
                col = 0;
            }
            const EditItem& it = items[at++];
            switch (it.kind) {
            case Edit::NUMBER: {
                std::string_view field;
                if (col < record.size()) field = std::string_view(record).substr(col, it.width);
                col += it.width;
                Real v = 0;
                if (!field_number(field, it.decimals, v)) {
                    read_error(run, " ...ERROR..READ ERROR IN ROW" + fmt_I(rows + 1, 7) +
                                        " COLUMN" + fmt_I(long(got) + 1, 7));
                    return false;
                }
                obs[got++] = v;
                break;
            }
            case Edit::SKIP: col += it.width; break;
            case Edit::TAB: col = it.width > 0 ? it.width - 1 : 0; break;
            case Edit::TAB_LEFT: col = col > static_cast<std::size_t>(it.width) ? col - it.width : 0; break;
            case Edit::TAB_RIGHT: col += it.width; break;
            case Edit::RECORD:
                if (!lines.next(view)) { ended = true; break; }
                record.assign(view);
                col = 0;
                break;
            case Edit::IGNORE: break;
            }
            if (ended) break;
        }
        if (ended) {
            while (got < nvar) obs[got++] = 0;
            short_data = true;
        }
        for (std::size_t j = 0; j < nvar; ++j)
            if (!job.pending[j].skip) job.pending[j].values.push(obs[j]);
        ++rows;
        if (ended) break;
    }
    if (rows == 0) {
        read_error(run, " ...ERROR..NO DATA FOUND");
        return false;
    }
    const long long total = job.count_known() ? job.expected() : rows;
    if (short_data || rows < total) {
        for (PendingVariable& var : job.pending)
            if (!var.skip)
                while (var.values.size() < total) var.values.push(0);
        write_line(run, " ...ERROR..LESS DATA FOUND THAN EXPECTED..ZEROS USED");
    }
    job.count = total;
    return true;
}

} // namespace tarvex
