// Text columns of a delimited file read with NAMES: the texts of a column become codes with
// labels (or a character variable), and READ's notes on them.
#include "io/read_text_columns.hpp"

#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/read_internal.hpp"
#include "io/record_scan.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <map>

namespace tarvex {

namespace {

// A field as its text: blanks and one pair of double quotes around it removed, and a doubled
// quote inside quotes ("") taken as one.
std::string unquoted_text(std::string_view field) {
    field = trim_blanks_tabs_and_returns_view(field);
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') return std::string(field);
    field = trim_blanks_tabs_and_returns_view(field.substr(1, field.size() - 2));
    std::string text;
    for (std::size_t at = 0; at < field.size(); ++at) {
        text += field[at];
        if (field[at] == '"' && at + 1 < field.size() && field[at + 1] == '"') ++at;
    }
    return text;
}

// " ...NOTE..TEXT COLUMN REGION READ AS CODES 1 TO 4: 1=EAST 2=NORTH ...", cut to the line.
void note_codes(Run& run, const ReadJob::TextColumn& column) {
    std::string line = " ...NOTE..TEXT COLUMN " + column.name;
    if (column.char_var) {
        write_line(run, line + " READ AS A CHARACTER VARIABLE (" + std::to_string(column.distinct) +
                            " DISTINCT VALUES)");
        return;
    }
    line += " READ AS CODES 1 TO " + std::to_string(column.labels.size()) + ":";
    constexpr std::string_view MORE = " ...";
    for (std::size_t k = 0; k < column.labels.size(); ++k) {
        const std::string item = " " + std::to_string(k + 1) + "=" + column.labels[k];
        const bool last = k + 1 == column.labels.size();
        if (line.size() + item.size() + (last ? 0 : MORE.size()) > LINE_WIDTH) {
            line += MORE;
            break;
        }
        line += item;
    }
    write_line(run, line);
}

} // namespace

TextColumns::TextColumns(std::size_t columns, bool active)
    : active_(active), text_(columns, false), seen_number_(columns, false), values_(columns) {}

bool TextColumns::accept_word(std::size_t column, long long row) {
    if (!active_ || seen_number_[column]) return false;
    if (!text_[column]) {
        text_[column] = true;
        values_[column].assign(static_cast<std::size_t>(row), std::string());
    }
    return true;
}

void TextColumns::take(std::size_t column, long long row, std::string_view field) {
    std::vector<std::string>& values = values_[column];
    values.resize(static_cast<std::size_t>(row));
    Real unused = 0;
    bool missing = false;
    field_value(field, unused, missing);
    values.push_back(missing ? std::string() : unquoted_text(field));
}

void TextColumns::finish(ReadJob& job, bool char_vars) {
    if (!active_) return;
    Run& run = job.run;
    for (std::size_t j = 0; j < text_.size(); ++j) {
        if (!text_[j] || job.pending[j].skip) continue;
        PendingVariable& var = job.pending[j];
        std::vector<std::string>& values = values_[j];
        std::map<std::string, long long> codes;
        for (const std::string& text : values)
            if (!text.empty()) codes.emplace(text, 0);
        ReadJob::TextColumn column{var.name, {}, char_vars, codes.size()};
        long long next = 0;
        for (auto& [text, code] : codes) {
            code = ++next;
            if (!char_vars) column.labels.push_back(text);
        }
        const long long rows = var.values.size(); // past the values read: zeros (less data)
        ChunkedValues coded;
        for (long long r = 0; r < rows; ++r) {
            const std::string* text =
                r < static_cast<long long>(values.size()) ? &values[r] : nullptr;
            if (char_vars)
                coded.push(chars_to_element(text ? std::string_view(*text) : ""));
            else if (text == nullptr)
                coded.push(0);
            else
                coded.push(text->empty() ? run.ws.XMISS : Real(codes[*text]));
        }
        var.values = std::move(coded);
        if (char_vars) var.type = TYPE_CHAR_VAR;
        job.text_columns.push_back(std::move(column));
    }
}

void keep_text_column_labels(ReadJob& job) {
    Run& run = job.run;
    for (const PendingVariable& var : job.pending) {
        if (var.skip) continue;
        const int slot = VFIND(run, var.name);
        if (slot > 0) run.ws.value_labels.erase(run.ws.VNAME[slot]);
    }
    for (const auto& [name, labels] : job.category_labels) {
        const int slot = VFIND(run, name);
        if (slot > 0) run.ws.value_labels[run.ws.VNAME[slot]] = labels;
    }
    for (const ReadJob::TextColumn& column : job.text_columns) {
        const int slot = VFIND(run, column.name);
        if (slot > 0 && !column.char_var) run.ws.value_labels[run.ws.VNAME[slot]] = column.labels;
        if (notes_on(run)) note_codes(run, column);
    }
}

} // namespace tarvex
