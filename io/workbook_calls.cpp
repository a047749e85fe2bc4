// Loads the archive and XML libraries on first use (io/workbook_calls.hpp).
#include "io/workbook_calls.hpp"

#include <dlfcn.h>

namespace tarvex {

namespace {

template <typename F>
bool bind_workbook(void* library, const char* name, F& entry) {
    entry = reinterpret_cast<F>(dlsym(library, name));
    return entry != nullptr;
}

struct WorkbookLoad {
    const WorkbookCalls* calls = nullptr;
    const char* missing = nullptr;
};

WorkbookLoad load_both() {
    static WorkbookCalls c;
    void* zip = dlopen(ZIP_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
    if (zip == nullptr ||
        !(bind_workbook(zip, "zip_open", c.zip_open) &&
          bind_workbook(zip, "zip_error_init_with_code", c.zip_error_init_with_code) &&
          bind_workbook(zip, "zip_error_strerror", c.zip_error_strerror) &&
          bind_workbook(zip, "zip_error_fini", c.zip_error_fini) &&
          bind_workbook(zip, "zip_discard", c.zip_discard) &&
          bind_workbook(zip, "zip_stat_init", c.zip_stat_init) &&
          bind_workbook(zip, "zip_stat", c.zip_stat) &&
          bind_workbook(zip, "zip_fopen", c.zip_fopen) &&
          bind_workbook(zip, "zip_fread", c.zip_fread) &&
          bind_workbook(zip, "zip_fclose", c.zip_fclose)))
        return {nullptr, ZIP_LIBRARY_NAME};
    void* xml = dlopen(EXPAT_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
    if (xml == nullptr ||
        !(bind_workbook(xml, "XML_ParserCreate", c.xml_parser_create) &&
          bind_workbook(xml, "XML_ParserFree", c.xml_parser_free) &&
          bind_workbook(xml, "XML_SetUserData", c.xml_set_user_data) &&
          bind_workbook(xml, "XML_SetElementHandler", c.xml_set_element_handler) &&
          bind_workbook(xml, "XML_SetCharacterDataHandler", c.xml_set_character_data_handler) &&
          bind_workbook(xml, "XML_Parse", c.xml_parse) &&
          bind_workbook(xml, "XML_GetCurrentLineNumber", c.xml_get_current_line_number)))
        return {nullptr, EXPAT_LIBRARY_NAME};
    return {&c, nullptr};
}

} // namespace

const WorkbookCalls* load_workbook_libraries(const char** missing) {
    static const WorkbookLoad loaded = load_both();
    if (missing != nullptr) *missing = loaded.missing;
    return loaded.calls;
}

} // namespace tarvex
