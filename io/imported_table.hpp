// Data files other programs write (statistical-package files, spreadsheet workbooks): the kind of
// a file, the table read from one (columns of numbers or texts, value labels, missing values) and
// the readers and the writer that go through the system's libraries for them.
#pragma once

#include "numeric/real.hpp"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tarvex {

struct Run;
struct PrintRequest;

enum class DataFileKind { NONE, STATA, SPSS, SAS_DATA, SAS_TRANSPORT, WORKBOOK };

// The kind named by the FORMAT option's word (DTA, SAV, SAS7BDAT, XPT, XLSX), else by the file
// name's extension (.dta, .sav, .zsav, .sas7bdat, .xpt, .xlsx, any case); NONE for the others.
DataFileKind data_file_kind(const std::string& path, const std::string& format_word);
// "STATA", "SPSS", "SAS", "SAS TRANSPORT", "XLSX": how messages name the kind.
const char* data_file_kind_name(DataFileKind kind);

// One column as the file holds it. Numbers are exact: every double of the file is a binary128
// value; missing values (system, tagged, user-defined, empty cells) are flagged, not coded.
struct ImportedColumn {
    std::string written; // the name in the file
    bool text = false;   // a string variable (texts), else numbers (values)
    std::vector<Real> values;
    std::vector<char> missing; // per row, numbers only
    std::vector<std::string> texts;
    std::string label_set;      // the value-label set the column uses ("" none)
    long long user_missing = 0; // values declared missing by the file's own definitions
};

struct ImportedTable {
    std::vector<ImportedColumn> columns;
    long long rows = 0;
    // Value-label sets by name: (value, label) in the file's order.
    std::map<std::string, std::vector<std::pair<double, std::string>>> label_sets;
    long long text_in_numbers = 0; // workbook text cells in numeric columns, read as missing
};

// Reads a statistical-package file whole. False with `failure` holding the library's reason
// (in capitals) when the file cannot be read.
bool read_package_file(const std::string& path, DataFileKind kind, ImportedTable& table,
                       std::string& failure);

// Reads one sheet of a workbook (the first when `sheet` is empty) over `range` ("A1:D20", empty
// for every used cell); the range's first row holds the names. False with `failure` (capitals).
bool read_workbook_sheet(const std::string& path, const std::string& sheet,
                         const std::string& range, ImportedTable& table, std::string& failure);

// WRITE to a Stata, SPSS or SAS transport file: the listed series and character variables over
// the request's observations; false after the error line.
bool write_package_file(Run& run, const PrintRequest& req, const std::string& path,
                        DataFileKind kind);

} // namespace tarvex
