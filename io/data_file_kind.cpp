// Which library reads a file: the FORMAT option's word first, then the file name's extension.
#include "io/imported_table.hpp"

#include "numeric/text.hpp"

namespace tarvex {

namespace {

struct KindWord {
    const char* word; // FORMAT value and extension, upper case
    DataFileKind kind;
};

constexpr KindWord KIND_WORDS[] = {
    {"DTA", DataFileKind::STATA},         {"SAV", DataFileKind::SPSS},
    {"ZSAV", DataFileKind::SPSS},         {"SAS7BDAT", DataFileKind::SAS_DATA},
    {"XPT", DataFileKind::SAS_TRANSPORT}, {"XLSX", DataFileKind::WORKBOOK},
};

DataFileKind kind_of_word(const std::string& word) {
    for (const KindWord& k : KIND_WORDS)
        if (word == k.word) return k.kind;
    return DataFileKind::NONE;
}

} // namespace

DataFileKind data_file_kind(const std::string& path, const std::string& format_word) {
    const DataFileKind named = kind_of_word(upper_ascii(trim_blanks(format_word)));
    if (named != DataFileKind::NONE) return named;
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return DataFileKind::NONE;
    return kind_of_word(upper_ascii(path.substr(dot + 1)));
}

const char* data_file_kind_name(DataFileKind kind) {
    switch (kind) {
    case DataFileKind::STATA:
        return "STATA";
    case DataFileKind::SPSS:
        return "SPSS";
    case DataFileKind::SAS_DATA:
        return "SAS";
    case DataFileKind::SAS_TRANSPORT:
        return "SAS TRANSPORT";
    case DataFileKind::WORKBOOK:
        return "XLSX";
    case DataFileKind::NONE:
        break;
    }
    return "DATA";
}

} // namespace tarvex
