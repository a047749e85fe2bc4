// Statistical-package files (Stata .dta, SPSS .sav/.zsav, SAS .sas7bdat and transport .xpt) read
// through the ReadStat library into an imported table: every number as the exact binary128 value
// of the file's double (or narrower integer or float), every kind of missing value flagged.
#include "io/imported_table.hpp"
#include "io/readstat_calls.hpp"

#include "numeric/text.hpp"

namespace tarvex {

namespace {

struct PackageParse {
    ImportedTable& table;
    std::vector<int> column_of; // the file's variable index -> column (-1: skipped)
    std::string library_message;
    long long rows_seen = 0; // observations that gave values (the header's count is not trusted)
};

int on_variable(int index, readstat_variable_t* variable, const char* label_set, void* ctx) {
    auto* parse = static_cast<PackageParse*>(ctx);
    ImportedColumn column;
    const char* name = readstat().variable_get_name(variable);
    column.written = name ? name : "";
    column.text = readstat().variable_get_type_class(variable) == READSTAT_TYPE_CLASS_STRING;
    column.label_set = label_set ? label_set : "";
    if (parse->column_of.size() <= static_cast<std::size_t>(index))
        parse->column_of.resize(static_cast<std::size_t>(index) + 1, -1);
    parse->column_of[static_cast<std::size_t>(index)] =
        static_cast<int>(parse->table.columns.size());
    parse->table.columns.push_back(std::move(column));
    return READSTAT_HANDLER_OK;
}

// The value as the file holds it: each stored type widens exactly to binary128.
Real exact_value(readstat_value_t value) {
    switch (readstat().value_type(value)) {
    case READSTAT_TYPE_INT8:
        return static_cast<Real>(readstat().int8_value(value));
    case READSTAT_TYPE_INT16:
        return static_cast<Real>(readstat().int16_value(value));
    case READSTAT_TYPE_INT32:
        return static_cast<Real>(readstat().int32_value(value));
    case READSTAT_TYPE_FLOAT:
        return static_cast<Real>(readstat().float_value(value));
    default:
        return static_cast<Real>(readstat().double_value(value));
    }
}

int on_value(int row, readstat_variable_t* variable, readstat_value_t value, void* ctx) {
    auto* parse = static_cast<PackageParse*>(ctx);
    const int index = readstat().variable_get_index(variable);
    if (index < 0 || static_cast<std::size_t>(index) >= parse->column_of.size() ||
        parse->column_of[static_cast<std::size_t>(index)] < 0)
        return READSTAT_HANDLER_OK;
    ImportedColumn& column =
        parse->table.columns[static_cast<std::size_t>(parse->column_of[std::size_t(index)])];
    if (row < 0) return READSTAT_HANDLER_OK;
    if (row >= parse->rows_seen) parse->rows_seen = row + 1;
    const std::size_t at = static_cast<std::size_t>(row);
    if (column.text) {
        if (column.texts.size() <= at) column.texts.resize(at + 1);
        const char* text = readstat().string_value(value);
        column.texts[at] = text ? text : "";
        return READSTAT_HANDLER_OK;
    }
    if (column.values.size() <= at) {
        column.values.resize(at + 1, 0);
        column.missing.resize(at + 1, 1);
    }
    const bool system = readstat().value_is_system_missing(value) != 0;
    const bool tagged = readstat().value_is_tagged_missing(value) != 0;
    const bool defined = !system && !tagged && readstat().value_is_defined_missing(value, variable);
    if (defined) ++column.user_missing;
    column.missing[at] = system || tagged || defined;
    if (!column.missing[at]) column.values[at] = exact_value(value);
    return READSTAT_HANDLER_OK;
}

int on_value_label(const char* label_set, readstat_value_t value, const char* label, void* ctx) {
    auto* parse = static_cast<PackageParse*>(ctx);
    const readstat_type_t type = readstat().value_type(value);
    // Labels of tagged missing values and of string values have no place among the codes.
    if (type == READSTAT_TYPE_STRING || readstat().value_is_tagged_missing(value) ||
        readstat().value_is_system_missing(value))
        return READSTAT_HANDLER_OK;
    parse->table.label_sets[label_set ? label_set : ""].emplace_back(
        static_cast<double>(exact_value(value)), label ? label : "");
    return READSTAT_HANDLER_OK;
}

void on_library_error(const char* message, void* ctx) {
    auto* parse = static_cast<PackageParse*>(ctx);
    if (message && parse->library_message.empty()) parse->library_message = message;
}

} // namespace

bool read_package_file(const std::string& path, DataFileKind kind, ImportedTable& table,
                       std::string& failure) {
    table = ImportedTable();
    PackageParse parse{table, {}, {}};
    if (load_readstat() == nullptr) {
        failure = upper_ascii(std::string("THE FILE LIBRARY ") + READSTAT_LIBRARY_NAME) +
                  " CANNOT BE LOADED";
        return false;
    }
    readstat_parser_t* parser = readstat().parser_init();
    if (!parser) {
        failure = "NO MEMORY FOR THE FILE READER";
        return false;
    }
    readstat().set_variable_handler(parser, on_variable);
    readstat().set_value_handler(parser, on_value);
    readstat().set_value_label_handler(parser, on_value_label);
    readstat().set_error_handler(parser, on_library_error);
    readstat_error_t error = READSTAT_OK;
    switch (kind) {
    case DataFileKind::STATA:
        error = readstat().parse_dta(parser, path.c_str(), &parse);
        break;
    case DataFileKind::SPSS:
        error = readstat().parse_sav(parser, path.c_str(), &parse);
        break;
    case DataFileKind::SAS_DATA:
        error = readstat().parse_sas7bdat(parser, path.c_str(), &parse);
        break;
    default:
        error = readstat().parse_xport(parser, path.c_str(), &parse);
        break;
    }
    readstat().parser_free(parser);
    if (error != READSTAT_OK) {
        failure = upper_ascii(readstat().error_message(error));
        if (!failure.empty() && failure.back() == '.') failure.pop_back();
        return false;
    }
    // Every column as long as the table: values the file never gave are missing.
    table.rows = parse.rows_seen;
    for (ImportedColumn& column : table.columns) {
        const std::size_t rows = static_cast<std::size_t>(table.rows);
        if (column.text) {
            column.texts.resize(rows);
        } else {
            column.values.resize(rows, 0);
            column.missing.resize(rows, 1);
        }
    }
    return true;
}

} // namespace tarvex
