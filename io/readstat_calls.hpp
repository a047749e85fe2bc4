// The entry points of the statistical-package file library (ReadStat), loaded on the first READ
// or WRITE of such a file rather than at start-up: most runs never touch one, and loading the
// library and the compression libraries it needs would cost every run.
#pragma once

#include <readstat.h>

namespace tarvex {

// The shared library's name, for the message when it is missing.
inline constexpr const char* READSTAT_LIBRARY_NAME = "libreadstat.so.1";

struct ReadstatCalls {
    decltype(&::readstat_parser_init) parser_init = nullptr;
    decltype(&::readstat_parser_free) parser_free = nullptr;
    decltype(&::readstat_set_variable_handler) set_variable_handler = nullptr;
    decltype(&::readstat_set_value_handler) set_value_handler = nullptr;
    decltype(&::readstat_set_value_label_handler) set_value_label_handler = nullptr;
    decltype(&::readstat_set_error_handler) set_error_handler = nullptr;
    decltype(&::readstat_parse_dta) parse_dta = nullptr;
    decltype(&::readstat_parse_sav) parse_sav = nullptr;
    decltype(&::readstat_parse_sas7bdat) parse_sas7bdat = nullptr;
    decltype(&::readstat_parse_xport) parse_xport = nullptr;
    decltype(&::readstat_error_message) error_message = nullptr;
    decltype(&::readstat_variable_get_name) variable_get_name = nullptr;
    decltype(&::readstat_variable_get_type_class) variable_get_type_class = nullptr;
    decltype(&::readstat_variable_get_index) variable_get_index = nullptr;
    decltype(&::readstat_value_type) value_type = nullptr;
    decltype(&::readstat_int8_value) int8_value = nullptr;
    decltype(&::readstat_int16_value) int16_value = nullptr;
    decltype(&::readstat_int32_value) int32_value = nullptr;
    decltype(&::readstat_float_value) float_value = nullptr;
    decltype(&::readstat_double_value) double_value = nullptr;
    decltype(&::readstat_string_value) string_value = nullptr;
    decltype(&::readstat_value_is_system_missing) value_is_system_missing = nullptr;
    decltype(&::readstat_value_is_tagged_missing) value_is_tagged_missing = nullptr;
    decltype(&::readstat_value_is_defined_missing) value_is_defined_missing = nullptr;
    decltype(&::readstat_writer_init) writer_init = nullptr;
    decltype(&::readstat_writer_free) writer_free = nullptr;
    decltype(&::readstat_set_data_writer) set_data_writer = nullptr;
    decltype(&::readstat_writer_set_file_format_version) writer_set_file_format_version = nullptr;
    decltype(&::readstat_add_label_set) add_label_set = nullptr;
    decltype(&::readstat_label_double_value) label_double_value = nullptr;
    decltype(&::readstat_add_variable) add_variable = nullptr;
    decltype(&::readstat_variable_set_label_set) variable_set_label_set = nullptr;
    decltype(&::readstat_begin_writing_dta) begin_writing_dta = nullptr;
    decltype(&::readstat_begin_writing_sav) begin_writing_sav = nullptr;
    decltype(&::readstat_begin_writing_xport) begin_writing_xport = nullptr;
    decltype(&::readstat_begin_row) begin_row = nullptr;
    decltype(&::readstat_insert_missing_value) insert_missing_value = nullptr;
    decltype(&::readstat_insert_string_value) insert_string_value = nullptr;
    decltype(&::readstat_insert_double_value) insert_double_value = nullptr;
    decltype(&::readstat_end_row) end_row = nullptr;
    decltype(&::readstat_end_writing) end_writing = nullptr;
};

// Loads the library once; null when it is missing or lacks an entry point.
const ReadstatCalls* load_readstat();

// The calls, once load_readstat() has succeeded (every use follows that check).
inline const ReadstatCalls& readstat() {
    return *load_readstat();
}

} // namespace tarvex
