// READ of the files other programs write (statistical-package files and workbook sheets): the
// imported table becomes pending variables. Names are cut to 8 characters and made unique (a
// note lists every renamed variable), numbers keep their exact values, missing values of every
// kind become the missing code, string columns become character variables (8 characters an
// observation), and value labels of the codes 1 to n become the series' category labels.
#include "core/error_report.hpp"
#include "core/item_lines.hpp"
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/imported_table.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

namespace tarvex {

namespace {

constexpr std::size_t IMPORTED_NAME_LENGTH = 8;
constexpr int IMPORTED_NAMES_PER_LINE = 7;

// A file's name as a variable name: letters, digits and _ (others become _), upper case unless
// lower case is kept, cut to 8 characters; an empty name is C and the column number.
std::string imported_base_name(const Run& run, const std::string& written, std::size_t column) {
    std::string name;
    for (char c : trim_blanks(written)) {
        const unsigned char u = static_cast<unsigned char>(c);
        name += (std::isalnum(u) || c == '_' || c == '$') && u < 128 ? c : '_';
    }
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])))
        name = "C" + (name.empty() ? std::to_string(column + 1) : name);
    if (run.sw[OLC]) name = upper_ascii(name);
    return name.substr(0, IMPORTED_NAME_LENGTH);
}

// Unique names: a name already taken ends in 2, 3, ... instead (VERY_LON, VERY_LO2, VERY_LO3).
std::vector<std::string> imported_names(const Run& run, const ImportedTable& table) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (std::size_t k = 0; k < table.columns.size(); ++k) {
        const std::string base = imported_base_name(run, table.columns[k].written, k);
        std::string name = base;
        for (int n = 2; taken.count(upper_ascii(name)); ++n) {
            const std::string suffix = std::to_string(n);
            name = base.substr(0, IMPORTED_NAME_LENGTH - suffix.size()) + suffix;
        }
        taken.insert(upper_ascii(name));
        names.push_back(name);
    }
    return names;
}

void note_file_variables(Run& run, DataFileKind kind, const ImportedTable& table,
                         const std::vector<std::string>& names) {
    write_line(run, std::string(" ...NOTE..") + data_file_kind_name(kind) + " FILE HAS " +
                        fmt_I(static_cast<long long>(names.size()), 5) + " VARIABLES AND " +
                        fmt_I(table.rows, 8) + " OBSERVATIONS");
    write_line(run, " FILE CONTAINS VARIABLES: ");
    std::string line = " ";
    int on_line = 0;
    for (const std::string& name : names) {
        line += fmt_A(name + std::string(8 - std::min<std::size_t>(8, name.size()), ' '), 10);
        if (++on_line == IMPORTED_NAMES_PER_LINE) {
            write_line(run, line);
            line = " ";
            on_line = 0;
        }
    }
    if (on_line > 0) write_line(run, line);
}

std::string label_number_text(double value) {
    if (std::nearbyint(value) == value && std::fabs(value) < 1e15)
        return std::to_string(static_cast<long long>(value));
    return trim_blanks(fmt_G(static_cast<Real>(value), 16, 8));
}

// The value labels of one column: kept as category labels when they label exactly the codes
// 1 to n, otherwise shown only (the engine's labels belong to the codes 1, 2, ...).
void take_value_labels(ReadJob& job, const ImportedTable& table, const ImportedColumn& column,
                       const std::string& name) {
    const auto found = table.label_sets.find(column.label_set);
    if (column.text || column.label_set.empty() || found == table.label_sets.end()) return;
    std::vector<std::pair<double, std::string>> labels = found->second;
    std::sort(labels.begin(), labels.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    bool codes = !labels.empty();
    for (std::size_t k = 0; k < labels.size(); ++k)
        codes = codes && labels[k].first == static_cast<double>(k + 1);
    std::vector<std::string> items;
    for (const auto& [value, label] : labels)
        items.push_back(label_number_text(value) + "=" + upper_ascii(label));
    if (codes) {
        std::vector<std::string>& kept = job.category_labels[name];
        kept.clear();
        for (const auto& entry : labels) kept.push_back(entry.second);
    }
    if (notes_on(job.run))
        write_item_lines(job.run,
                         " ...NOTE..VALUE LABELS OF " + upper_ascii(name) +
                             (codes ? " KEPT AS CATEGORY LABELS:"
                                    : " SHOWN ONLY (THEY ARE NOT THE CODES 1 TO N):"),
                         items);
}

// One column into its pending variable over the first `rows` rows.
void take_column(ReadJob& job, const ImportedColumn& column, const std::string& name,
                 long long rows) {
    Run& run = job.run;
    PendingVariable var;
    var.name = name;
    var.type = column.text ? TYPE_CHAR_VAR : TYPE_DATA;
    long long cut = 0;
    for (long long r = 0; r < rows; ++r) {
        const std::size_t at = static_cast<std::size_t>(r);
        if (column.text) {
            const std::string& text = column.texts[at];
            if (text.size() > CHARS_PER_ELEMENT) ++cut;
            var.values.push(chars_to_element(text));
        } else {
            var.values.push(column.missing[at] ? run.ws.XMISS : column.values[at]);
        }
    }
    job.pending.push_back(std::move(var));
    if (!notes_on(run)) return;
    if (column.text)
        write_line(run, " ...NOTE..STRING VARIABLE " + upper_ascii(name) +
                            " READ AS A CHARACTER VARIABLE (8 CHARACTERS AN OBSERVATION; " +
                            std::to_string(cut) + (cut == 1 ? " VALUE" : " VALUES") + " CUT)");
    if (column.user_missing > 0)
        write_line(run, " ...NOTE.." + upper_ascii(name) + ": " +
                            std::to_string(column.user_missing) +
                            (column.user_missing == 1 ? " VALUE" : " VALUES") +
                            " DECLARED MISSING IN THE FILE READ AS THE MISSING CODE");
}

} // namespace

bool read_imported_file(ReadJob& job, const std::string& path, DataFileKind kind) {
    Run& run = job.run;
    ImportedTable table;
    std::string failure;
    const bool read =
        kind == DataFileKind::WORKBOOK
            ? read_workbook_sheet(path, trim_blanks(run.opt.name_full[RN_SHEET]),
                                  trim_blanks(run.opt.name_full[RN_RANGE]), table, failure)
            : read_package_file(path, kind, table, failure);
    if (!read) {
        report_error(run,
                     std::string(" ...ERROR..CANNOT READ ") + data_file_kind_name(kind) + " FILE " +
                         path + ": " + failure,
                     ERR_READ_FOREIGN_FILE);
        return false;
    }
    const std::vector<std::string> names = imported_names(run, table);
    if (notes_on(run)) note_file_variables(run, kind, table, names);
    std::vector<std::string> renamed;
    for (std::size_t k = 0; k < names.size(); ++k)
        if (upper_ascii(names[k]) != upper_ascii(table.columns[k].written))
            renamed.push_back(table.columns[k].written + " -> " + names[k]);
    if (!renamed.empty() && notes_on(run))
        write_item_lines(run, " ...NOTE..VARIABLES RENAMED (8 CHARACTERS, UNIQUE):", renamed);

    // The columns to read: those listed (SKIP$ passes nothing here), else every one.
    std::vector<std::size_t> chosen;
    if (job.names.empty()) {
        for (std::size_t k = 0; k < names.size(); ++k) chosen.push_back(k);
    } else {
        for (const std::string& listed : job.names) {
            if (listed == "SKIP$") continue;
            const auto at = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
                return upper_ascii(n) == upper_ascii(listed);
            });
            if (at == names.end()) {
                report_error(run,
                             " ...ERROR..VARIABLE " + upper_ascii(listed) + " IS NOT IN THE FILE",
                             ERR_READ_NOT_IN_FILE);
                return false;
            }
            chosen.push_back(static_cast<std::size_t>(at - names.begin()));
        }
    }
    long long rows = table.rows;
    if (job.count_known()) rows = std::min(rows, job.expected());
    if (rows <= 0 || chosen.empty()) {
        report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
        return false;
    }
    if (job.end_from_sample && table.rows > rows) job.lines_left = table.rows - rows;
    job.names.clear();
    job.pending.clear();
    for (std::size_t k : chosen) {
        job.names.push_back(names[k]);
        take_column(job, table.columns[k], names[k], rows);
        take_value_labels(job, table, table.columns[k], names[k]);
    }
    if (table.text_in_numbers > 0 && notes_on(run))
        write_line(run, " ...NOTE.." + fmt_I(table.text_in_numbers, 8) +
                            (table.text_in_numbers == 1
                                 ? " TEXT CELL IN A NUMERIC COLUMN READ AS MISSING"
                                 : " TEXT CELLS IN NUMERIC COLUMNS READ AS MISSING"));
    job.first_element = job.beg;
    job.count = rows;
    if (job.count_known() && rows < job.expected()) {
        for (PendingVariable& var : job.pending)
            while (var.values.size() < job.expected())
                var.values.push(var.type == TYPE_CHAR_VAR ? chars_to_element("") : Real(0));
        job.count = job.expected();
        less_data(run);
    }
    return true;
}

} // namespace tarvex
