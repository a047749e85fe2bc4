// Sheets of .xlsx workbooks: the archive is opened with libzip and its XML parts parsed with
// expat. The workbook part lists the sheets and their relationship ids, the relationships part
// gives each sheet's part, the shared-strings part the texts cells refer to by number. Cells
// hold numbers (the double the text stands for, widened exactly), booleans (1 and 0), shared or
// inline strings, errors (missing); a date is the serial number the cell stores.
#include "io/imported_table.hpp"
#include "io/workbook_calls.hpp"

#include "numeric/text.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <map>

namespace tarvex {

namespace {

// A workbook part larger than this is refused (a damaged or hostile archive).
constexpr zip_uint64_t LARGEST_WORKBOOK_PART = 1ULL << 30;
// The largest sheet a workbook holds, and the most cells a READ takes from one.
constexpr long long SHEET_ROWS = 1048576;
constexpr long long SHEET_COLUMNS = 16384;
constexpr long long LARGEST_SHEET_TABLE = 1LL << 26;

class WorkbookArchive {
public:
    explicit WorkbookArchive(const std::string& path) {
        int code = 0;
        archive_ = workbook_libs().zip_open(path.c_str(), ZIP_RDONLY, &code);
        if (!archive_) {
            zip_error_t error;
            workbook_libs().zip_error_init_with_code(&error, code);
            failure_ = upper_ascii(workbook_libs().zip_error_strerror(&error));
            workbook_libs().zip_error_fini(&error);
        }
    }
    ~WorkbookArchive() {
        if (archive_) workbook_libs().zip_discard(archive_);
    }
    WorkbookArchive(const WorkbookArchive&) = delete;
    WorkbookArchive& operator=(const WorkbookArchive&) = delete;

    bool open() const { return archive_ != nullptr; }
    const std::string& failure() const { return failure_; }
    bool has(const std::string& part) const {
        zip_stat_t st;
        workbook_libs().zip_stat_init(&st);
        return workbook_libs().zip_stat(archive_, part.c_str(), 0, &st) == 0;
    }
    // The whole uncompressed part; false (with failure()) when it is missing or unreadable.
    bool part(const std::string& name, std::string& out) {
        zip_stat_t st;
        workbook_libs().zip_stat_init(&st);
        if (workbook_libs().zip_stat(archive_, name.c_str(), 0, &st) != 0 ||
            !(st.valid & ZIP_STAT_SIZE)) {
            failure_ = "THE ARCHIVE HOLDS NO " + upper_ascii(name);
            return false;
        }
        if (st.size > LARGEST_WORKBOOK_PART) {
            failure_ = upper_ascii(name) + " IS TOO LARGE";
            return false;
        }
        zip_file_t* file = workbook_libs().zip_fopen(archive_, name.c_str(), 0);
        if (!file) {
            failure_ = "CANNOT OPEN " + upper_ascii(name) + " IN THE ARCHIVE";
            return false;
        }
        out.assign(static_cast<std::size_t>(st.size), '\0');
        zip_uint64_t done = 0;
        while (done < st.size) {
            const zip_int64_t got =
                workbook_libs().zip_fread(file, out.data() + done, st.size - done);
            if (got <= 0) break;
            done += static_cast<zip_uint64_t>(got);
        }
        const bool closed = workbook_libs().zip_fclose(file) == 0;
        if (done != st.size || !closed) {
            failure_ = upper_ascii(name) + " IS DAMAGED";
            return false;
        }
        return true;
    }

private:
    zip_t* archive_ = nullptr;
    std::string failure_;
};

// The local name of an element ("x:c" -> "c": some writers prefix the namespace).
std::string_view local_name(const char* name) {
    std::string_view n(name);
    const std::size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const char* attribute(const char** attrs, std::string_view wanted) {
    for (int k = 0; attrs[k]; k += 2)
        if (local_name(attrs[k]) == wanted) return attrs[k + 1];
    return nullptr;
}

// Parses an XML part, calling the handlers with local names; false with `failure` when the XML
// is malformed.
struct XmlHandlers {
    std::function<void(std::string_view, const char**)> start;
    std::function<void(std::string_view)> end;
    std::function<void(const char*, int)> text;
};

bool parse_xml(const std::string& xml, XmlHandlers& handlers, const std::string& part,
               std::string& failure) {
    XML_Parser parser = workbook_libs().xml_parser_create(nullptr);
    if (!parser) {
        failure = "NO MEMORY FOR THE XML PARSER";
        return false;
    }
    workbook_libs().xml_set_user_data(parser, &handlers);
    workbook_libs().xml_set_element_handler(
        parser,
        [](void* data, const char* name, const char** attrs) {
            auto* h = static_cast<XmlHandlers*>(data);
            if (h->start) h->start(local_name(name), attrs);
        },
        [](void* data, const char* name) {
            auto* h = static_cast<XmlHandlers*>(data);
            if (h->end) h->end(local_name(name));
        });
    workbook_libs().xml_set_character_data_handler(parser, [](void* data, const char* s, int len) {
        auto* h = static_cast<XmlHandlers*>(data);
        if (h->text) h->text(s, len);
    });
    const bool ok = workbook_libs().xml_parse(parser, xml.data(), static_cast<int>(xml.size()),
                                              1) != XML_STATUS_ERROR;
    if (!ok)
        failure = upper_ascii(part) + " IS NOT WELL-FORMED XML (LINE " +
                  std::to_string(workbook_libs().xml_get_current_line_number(parser)) + ")";
    workbook_libs().xml_parser_free(parser);
    return ok;
}

// "B12" -> column 2, row 12 (both from 1); "$B$12" too. False for anything else.
bool cell_reference(std::string_view ref, long long& column, long long& row) {
    std::size_t k = 0;
    column = 0;
    row = 0;
    if (k < ref.size() && ref[k] == '$') ++k;
    const std::size_t letters = k;
    while (k < ref.size() && std::isalpha(static_cast<unsigned char>(ref[k])) && column < 1000000)
        column = column * 26 + (std::toupper(static_cast<unsigned char>(ref[k++])) - 'A' + 1);
    if (k == letters) return false;
    if (k < ref.size() && ref[k] == '$') ++k;
    const std::size_t digits = k;
    while (k < ref.size() && std::isdigit(static_cast<unsigned char>(ref[k])) && row < 100000000)
        row = row * 10 + (ref[k++] - '0');
    return k == ref.size() && k > digits && row > 0 && row <= SHEET_ROWS && column <= SHEET_COLUMNS;
}

enum class CellKind { EMPTY, NUMBER, TEXT, ERROR };

struct SheetCell {
    CellKind kind = CellKind::EMPTY;
    Real number = 0;
    std::string text; // the text, or a number's own digits
};

using SheetCells = std::map<long long, std::map<long long, SheetCell>>; // row -> column -> cell

bool read_shared_strings(WorkbookArchive& zip, std::vector<std::string>& strings,
                         std::string& failure) {
    const std::string part = "xl/sharedStrings.xml";
    if (!zip.has(part)) return true;
    std::string xml;
    if (!zip.part(part, xml)) {
        failure = zip.failure();
        return false;
    }
    int in_phonetic = 0;
    bool in_text = false;
    XmlHandlers h;
    h.start = [&](std::string_view name, const char**) {
        if (name == "si") strings.emplace_back();
        if (name == "rPh") ++in_phonetic;
        if (name == "t" && !in_phonetic) in_text = true;
    };
    h.end = [&](std::string_view name) {
        if (name == "rPh") --in_phonetic;
        if (name == "t") in_text = false;
    };
    h.text = [&](const char* s, int len) {
        if (in_text && !strings.empty()) strings.back().append(s, static_cast<std::size_t>(len));
    };
    return parse_xml(xml, h, part, failure);
}

// The part of the named sheet (the first sheet when `sheet` is empty).
bool sheet_part(WorkbookArchive& zip, const std::string& sheet, std::string& part,
                std::string& failure) {
    std::string xml;
    if (!zip.part("xl/workbook.xml", xml)) {
        failure = "NOT A WORKBOOK (" + zip.failure() + ")";
        return false;
    }
    std::vector<std::pair<std::string, std::string>> sheets; // name, relationship id
    XmlHandlers h;
    h.start = [&](std::string_view name, const char** attrs) {
        if (name != "sheet") return;
        const char* n = attribute(attrs, "name");
        const char* id = attribute(attrs, "id");
        sheets.emplace_back(n ? n : "", id ? id : "");
    };
    if (!parse_xml(xml, h, "xl/workbook.xml", failure)) return false;
    const auto chosen = std::find_if(sheets.begin(), sheets.end(), [&](const auto& s) {
        return sheet.empty() || upper_ascii(s.first) == upper_ascii(sheet);
    });
    if (chosen == sheets.end()) {
        std::string names;
        for (const auto& s : sheets) names += (names.empty() ? "" : ", ") + upper_ascii(s.first);
        failure = sheets.empty()
                      ? "THE WORKBOOK HAS NO SHEETS"
                      : "NO SHEET NAMED " + upper_ascii(sheet) + " (THE SHEETS ARE " + names + ")";
        return false;
    }
    std::string rels;
    if (!zip.part("xl/_rels/workbook.xml.rels", rels)) {
        failure = zip.failure();
        return false;
    }
    std::string target;
    XmlHandlers r;
    r.start = [&](std::string_view name, const char** attrs) {
        const char* id = attribute(attrs, "Id");
        const char* to = attribute(attrs, "Target");
        if (name == "Relationship" && id && to && chosen->second == id) target = to;
    };
    if (!parse_xml(rels, r, "xl/_rels/workbook.xml.rels", failure)) return false;
    if (target.empty()) {
        failure = "SHEET " + upper_ascii(chosen->first) + " HAS NO PART IN THE ARCHIVE";
        return false;
    }
    part = target.front() == '/' ? target.substr(1) : "xl/" + target;
    return true;
}

bool read_sheet_cells(WorkbookArchive& zip, const std::string& part,
                      const std::vector<std::string>& strings, SheetCells& cells,
                      std::string& failure) {
    std::string xml;
    if (!zip.part(part, xml)) {
        failure = zip.failure();
        return false;
    }
    long long row = 0, column = 0;
    std::string type, value;
    bool in_value = false, in_inline = false, in_cell = false, bad_reference = false;
    XmlHandlers h;
    h.start = [&](std::string_view name, const char** attrs) {
        if (name == "row") {
            const char* r = attribute(attrs, "r");
            row = r ? std::atoll(r) : row + 1;
            if (row > SHEET_ROWS) row = 0; // outside every sheet: its cells are passed over
            column = 0;
        } else if (name == "c") {
            const char* r = attribute(attrs, "r");
            long long c = 0, rr = 0;
            if (r && cell_reference(r, c, rr)) {
                column = c;
                row = rr;
            } else if (r) {
                bad_reference = true;
            } else {
                ++column;
            }
            const char* t = attribute(attrs, "t");
            type = t ? t : "n";
            value.clear();
            in_cell = true;
        } else if (name == "v" && in_cell) {
            in_value = true;
        } else if (name == "is" && in_cell) {
            in_inline = true;
        } else if (name == "t" && in_inline) {
            in_value = true;
        }
    };
    h.end = [&](std::string_view name) {
        if (name == "v" || name == "t") in_value = false;
        if (name == "is") in_inline = false;
        if (name != "c") return;
        in_cell = false;
        if (row <= 0 || column <= 0 || column > SHEET_COLUMNS) return;
        SheetCell cell;
        if (type == "s") {
            const long long index = std::atoll(value.c_str());
            cell.kind = CellKind::TEXT;
            if (index >= 0 && index < static_cast<long long>(strings.size()))
                cell.text = strings[static_cast<std::size_t>(index)];
        } else if (type == "inlineStr" || type == "str") {
            cell.kind = CellKind::TEXT;
            cell.text = value;
        } else if (type == "e") {
            cell.kind = CellKind::ERROR;
            cell.text = value;
        } else if (!value.empty()) {
            // A number (or a boolean's 0/1): the double its text stands for, widened exactly.
            char* end = nullptr;
            errno = 0;
            const double d = std::strtod(value.c_str(), &end);
            cell.text = value;
            if (end && *end == '\0' && end != value.c_str()) {
                cell.kind = CellKind::NUMBER;
                cell.number = static_cast<Real>(d);
            } else {
                cell.kind = CellKind::ERROR;
            }
        }
        if (cell.kind != CellKind::EMPTY) cells[row][column] = std::move(cell);
    };
    h.text = [&](const char* s, int len) {
        if (in_value) value.append(s, static_cast<std::size_t>(len));
    };
    if (!parse_xml(xml, h, part, failure)) return false;
    if (bad_reference) {
        failure = "A CELL OF " + upper_ascii(part) + " HAS A BAD REFERENCE";
        return false;
    }
    return true;
}

struct CellRange {
    long long first_row = 0, last_row = 0, first_column = 0, last_column = 0;
};

bool parse_range(const std::string& text, CellRange& range) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    if (!cell_reference(text.substr(0, colon), range.first_column, range.first_row) ||
        !cell_reference(text.substr(colon + 1), range.last_column, range.last_row))
        return false;
    return range.first_row <= range.last_row && range.first_column <= range.last_column;
}

} // namespace

bool read_workbook_sheet(const std::string& path, const std::string& sheet,
                         const std::string& range_text, ImportedTable& table,
                         std::string& failure) {
    table = ImportedTable();
    CellRange range;
    if (!range_text.empty() && !parse_range(range_text, range)) {
        failure = "THE RANGE " + upper_ascii(range_text) + " IS NOT OF THE FORM A1:D20";
        return false;
    }
    const char* missing = nullptr;
    if (load_workbook_libraries(&missing) == nullptr) {
        failure = upper_ascii(std::string("THE FILE LIBRARY ") + missing) + " CANNOT BE LOADED";
        return false;
    }
    WorkbookArchive zip(path);
    if (!zip.open()) {
        failure = "NOT A WORKBOOK (" + zip.failure() + ")";
        return false;
    }
    std::vector<std::string> strings;
    std::string part;
    SheetCells cells;
    if (!read_shared_strings(zip, strings, failure) || !sheet_part(zip, sheet, part, failure) ||
        !read_sheet_cells(zip, part, strings, cells, failure))
        return false;
    if (range_text.empty()) { // every used cell
        if (cells.empty()) {
            failure = "THE SHEET IS EMPTY";
            return false;
        }
        range.first_row = cells.begin()->first;
        range.last_row = cells.rbegin()->first;
        range.first_column = LLONG_MAX;
        for (const auto& [r, row] : cells) {
            range.first_column = std::min(range.first_column, row.begin()->first);
            range.last_column = std::max(range.last_column, row.rbegin()->first);
        }
    }
    auto cell_at = [&](long long r, long long c) -> const SheetCell* {
        const auto row = cells.find(r);
        if (row == cells.end()) return nullptr;
        const auto cell = row->second.find(c);
        return cell == row->second.end() ? nullptr : &cell->second;
    };
    if ((range.last_row - range.first_row + 1) * (range.last_column - range.first_column + 1) >
        LARGEST_SHEET_TABLE) {
        failure = "THE RANGE HOLDS MORE THAN " + std::to_string(LARGEST_SHEET_TABLE) + " CELLS";
        return false;
    }
    table.rows = range.last_row - range.first_row;
    for (long long c = range.first_column; c <= range.last_column; ++c) {
        ImportedColumn column;
        if (const SheetCell* head = cell_at(range.first_row, c)) column.written = head->text;
        // A column whose first cell below the header that is not empty holds text is text.
        for (long long r = range.first_row + 1; r <= range.last_row; ++r) {
            const SheetCell* cell = cell_at(r, c);
            if (!cell || cell->kind == CellKind::EMPTY) continue;
            column.text = cell->kind == CellKind::TEXT;
            break;
        }
        for (long long r = range.first_row + 1; r <= range.last_row; ++r) {
            const SheetCell* cell = cell_at(r, c);
            if (column.text) {
                column.texts.push_back(cell && cell->kind != CellKind::ERROR ? cell->text : "");
                continue;
            }
            const bool number = cell && cell->kind == CellKind::NUMBER;
            if (cell && cell->kind == CellKind::TEXT) ++table.text_in_numbers;
            column.values.push_back(number ? cell->number : Real(0));
            column.missing.push_back(!number);
        }
        table.columns.push_back(std::move(column));
    }
    return true;
}

} // namespace tarvex
