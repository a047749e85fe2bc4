// Loads the statistical-package file library on first use (io/readstat_calls.hpp).
#include "io/readstat_calls.hpp"

#include <dlfcn.h>

namespace tarvex {

namespace {

template <typename F>
bool bind_readstat(void* library, const char* name, F& entry) {
    entry = reinterpret_cast<F>(dlsym(library, name));
    return entry != nullptr;
}

} // namespace

const ReadstatCalls* load_readstat() {
    static const ReadstatCalls* const calls = []() -> const ReadstatCalls* {
        void* lib = dlopen(READSTAT_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) return nullptr;
        static ReadstatCalls c;
        const bool bound =
            bind_readstat(lib, "readstat_parser_init", c.parser_init) &&
            bind_readstat(lib, "readstat_parser_free", c.parser_free) &&
            bind_readstat(lib, "readstat_set_variable_handler", c.set_variable_handler) &&
            bind_readstat(lib, "readstat_set_value_handler", c.set_value_handler) &&
            bind_readstat(lib, "readstat_set_value_label_handler", c.set_value_label_handler) &&
            bind_readstat(lib, "readstat_set_error_handler", c.set_error_handler) &&
            bind_readstat(lib, "readstat_parse_dta", c.parse_dta) &&
            bind_readstat(lib, "readstat_parse_sav", c.parse_sav) &&
            bind_readstat(lib, "readstat_parse_sas7bdat", c.parse_sas7bdat) &&
            bind_readstat(lib, "readstat_parse_xport", c.parse_xport) &&
            bind_readstat(lib, "readstat_error_message", c.error_message) &&
            bind_readstat(lib, "readstat_variable_get_name", c.variable_get_name) &&
            bind_readstat(lib, "readstat_variable_get_type_class", c.variable_get_type_class) &&
            bind_readstat(lib, "readstat_variable_get_index", c.variable_get_index) &&
            bind_readstat(lib, "readstat_value_type", c.value_type) &&
            bind_readstat(lib, "readstat_int8_value", c.int8_value) &&
            bind_readstat(lib, "readstat_int16_value", c.int16_value) &&
            bind_readstat(lib, "readstat_int32_value", c.int32_value) &&
            bind_readstat(lib, "readstat_float_value", c.float_value) &&
            bind_readstat(lib, "readstat_double_value", c.double_value) &&
            bind_readstat(lib, "readstat_string_value", c.string_value) &&
            bind_readstat(lib, "readstat_value_is_system_missing", c.value_is_system_missing) &&
            bind_readstat(lib, "readstat_value_is_tagged_missing", c.value_is_tagged_missing) &&
            bind_readstat(lib, "readstat_value_is_defined_missing", c.value_is_defined_missing) &&
            bind_readstat(lib, "readstat_writer_init", c.writer_init) &&
            bind_readstat(lib, "readstat_writer_free", c.writer_free) &&
            bind_readstat(lib, "readstat_set_data_writer", c.set_data_writer) &&
            bind_readstat(lib, "readstat_writer_set_file_format_version",
                          c.writer_set_file_format_version) &&
            bind_readstat(lib, "readstat_add_label_set", c.add_label_set) &&
            bind_readstat(lib, "readstat_label_double_value", c.label_double_value) &&
            bind_readstat(lib, "readstat_add_variable", c.add_variable) &&
            bind_readstat(lib, "readstat_variable_set_label_set", c.variable_set_label_set) &&
            bind_readstat(lib, "readstat_begin_writing_dta", c.begin_writing_dta) &&
            bind_readstat(lib, "readstat_begin_writing_sav", c.begin_writing_sav) &&
            bind_readstat(lib, "readstat_begin_writing_xport", c.begin_writing_xport) &&
            bind_readstat(lib, "readstat_begin_row", c.begin_row) &&
            bind_readstat(lib, "readstat_insert_missing_value", c.insert_missing_value) &&
            bind_readstat(lib, "readstat_insert_string_value", c.insert_string_value) &&
            bind_readstat(lib, "readstat_insert_double_value", c.insert_double_value) &&
            bind_readstat(lib, "readstat_end_row", c.end_row) &&
            bind_readstat(lib, "readstat_end_writing", c.end_writing);
        return bound ? &c : nullptr;
    }();
    return calls;
}

} // namespace tarvex
