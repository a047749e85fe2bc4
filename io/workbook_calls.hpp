// The entry points of the archive and XML libraries (libzip, expat) that READ of a workbook
// uses, loaded on the first such READ rather than at start-up: the archive library brings a
// large cryptographic library with it, whose loading and relocation would cost every run.
#pragma once

#include <expat.h>
#include <zip.h>

namespace tarvex {

// The shared libraries' names, for the message when one is missing.
inline constexpr const char* ZIP_LIBRARY_NAME = "libzip.so.4";
inline constexpr const char* EXPAT_LIBRARY_NAME = "libexpat.so.1";

struct WorkbookCalls {
    decltype(&::zip_open) zip_open = nullptr;
    decltype(&::zip_error_init_with_code) zip_error_init_with_code = nullptr;
    decltype(&::zip_error_strerror) zip_error_strerror = nullptr;
    decltype(&::zip_error_fini) zip_error_fini = nullptr;
    decltype(&::zip_discard) zip_discard = nullptr;
    decltype(&::zip_stat_init) zip_stat_init = nullptr;
    decltype(&::zip_stat) zip_stat = nullptr;
    decltype(&::zip_fopen) zip_fopen = nullptr;
    decltype(&::zip_fread) zip_fread = nullptr;
    decltype(&::zip_fclose) zip_fclose = nullptr;
    decltype(&::XML_ParserCreate) xml_parser_create = nullptr;
    decltype(&::XML_ParserFree) xml_parser_free = nullptr;
    decltype(&::XML_SetUserData) xml_set_user_data = nullptr;
    decltype(&::XML_SetElementHandler) xml_set_element_handler = nullptr;
    decltype(&::XML_SetCharacterDataHandler) xml_set_character_data_handler = nullptr;
    decltype(&::XML_Parse) xml_parse = nullptr;
    decltype(&::XML_GetCurrentLineNumber) xml_get_current_line_number = nullptr;
};

// Loads both libraries once; null when either is missing or lacks an entry point, with
// `missing` (when given) set to the name of the first library that would not load.
const WorkbookCalls* load_workbook_libraries(const char** missing = nullptr);

// The calls, once load_workbook_libraries() has succeeded (every use follows that check).
inline const WorkbookCalls& workbook_libs() {
    return *load_workbook_libraries();
}

} // namespace tarvex
