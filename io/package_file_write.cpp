// WRITE to Stata (.dta), SPSS (.sav) and SAS transport (.xpt) files through the ReadStat
// library. Series and character variables become the file's variables (character variables as
// strings of 8), the missing code the system-missing value, category labels value labels. The
// files hold doubles: a binary128 value that is not a double is rounded to the nearest one and a
// note counts them; a value no double (or, in a transport file, no IBM float) can hold refuses
// the write before anything is written. The bytes go to a temporary file beside the target,
// which replaces it only after every write and the close succeeded.
#include "core/error_report.hpp"
#include "core/file_replace.hpp"
#include "core/run.hpp"
#include "core/write_failure.hpp"
#include "io/char_words.hpp"
#include "io/imported_table.hpp"
#include "io/print_request.hpp"
#include "io/print_write_errors.hpp"
#include "io/readstat_calls.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <cerrno>
#include <cmath>

namespace tarvex {

namespace {

constexpr int ERR_PACKAGE_FILE_NOT_WRITTEN = 5050; // the system refused a write or the close
// Magnitudes an IBM double of a transport file holds: 16^-65 to (1 - 16^-14) 16^63.
constexpr double TRANSPORT_SMALLEST = 5.397605346934028e-79;
constexpr double TRANSPORT_LARGEST = 7.237005577332262e75;

struct PackageSink {
    Replacement file;
    int error = 0; // the first failed write's system error number
};

ssize_t write_package_bytes(const void* data, size_t len, void* ctx) {
    auto* sink = static_cast<PackageSink*>(ctx);
    if (sink->error != 0) return -1;
    if (std::fwrite(data, 1, len, sink->file.fp) != len) {
        sink->error = errno != 0 ? errno : EIO;
        return -1;
    }
    return static_cast<ssize_t>(len);
}

struct PackageColumn {
    const PrintItem* item;
    readstat_variable_t* variable = nullptr;
};

// The double a value goes out as; false when the file cannot hold it.
bool package_double(Real value, DataFileKind kind, double& out, bool& rounded) {
    out = static_cast<double>(value);
    rounded = static_cast<Real>(out) != value;
    if (!std::isfinite(out)) return false;
    if (kind == DataFileKind::SAS_TRANSPORT && out != 0 &&
        (std::fabs(out) > TRANSPORT_LARGEST || std::fabs(out) < TRANSPORT_SMALLEST))
        return false;
    return true;
}

readstat_error_t begin_package(readstat_writer_t* writer, DataFileKind kind, PackageSink& sink,
                               long rows) {
    switch (kind) {
    case DataFileKind::STATA:
        return readstat().begin_writing_dta(writer, &sink, rows);
    case DataFileKind::SPSS:
        return readstat().begin_writing_sav(writer, &sink, rows);
    default:
        return readstat().begin_writing_xport(writer, &sink, rows);
    }
}

// The library refused the file, or is missing: `reason` says why.
void report_package_refused(Run& run, const std::string& kind_name, const std::string& path,
                            const std::string& reason) {
    report_error(
        run, " ...ERROR..CANNOT WRITE " + kind_name + " FILE " + path + ": " + upper_ascii(reason),
        command_error_number(run, PW_PACKAGE_REFUSED));
}

} // namespace

bool write_package_file(Run& run, const PrintRequest& req, const std::string& path,
                        DataFileKind kind) {
    const std::string kind_name = data_file_kind_name(kind);
    for (const PrintItem& item : req.items) {
        if (item.ref > 0 && (item.info.type == TYPE_DATA || item.info.type == TYPE_CHAR_VAR))
            continue;
        report_error(run,
                     " ...ERROR..ONLY DATA SERIES AND CHARACTER VARIABLES GO INTO THE " +
                         kind_name + " FILE: " + item.name,
                     command_error_number(run, PW_PACKAGE_SERIES_ONLY));
        return false;
    }
    const PrintItem* longest = nullptr;
    for (const PrintItem& item : req.items)
        if (!longest || item.info.length > longest->info.length) longest = &item;
    const std::vector<long long> rows =
        longest ? observations(run, req, *longest) : std::vector<long long>();

    // Every value is checked before the file is touched.
    long long rounded_count = 0;
    for (const PrintItem& item : req.items) {
        if (item.info.type == TYPE_CHAR_VAR) continue;
        for (long long t : rows) {
            if (t > item.info.length) continue;
            const Real value = item_value(run, item, t);
            if (value == run.ws.XMISS) continue;
            double d = 0;
            bool rounded = false;
            if (!package_double(value, kind, d, rounded)) {
                report_error(run,
                             " ...ERROR..THE " + kind_name + " FILE CANNOT HOLD " + item.name +
                                 " AT OBSERVATION " + std::to_string(t) + ": " +
                                 trim_blanks(fmt_G(value, 16, 8)),
                             command_error_number(run, PW_PACKAGE_VALUE_RANGE));
                return false;
            }
            if (rounded) ++rounded_count;
        }
    }

    if (load_readstat() == nullptr) { // before the file is touched
        report_package_refused(run, kind_name, path,
                               std::string("THE FILE LIBRARY ") + READSTAT_LIBRARY_NAME +
                                   " CANNOT BE LOADED");
        return false;
    }
    PackageSink sink;
    if (int refused = write_refusal(path); refused != 0) {
        report_write_failure(run, 0, path, refused, ERR_PACKAGE_FILE_NOT_WRITTEN);
        return false;
    }
    if (int error = begin_replacement(path, sink.file); error != 0) {
        report_write_failure(run, 0, path, error, ERR_PACKAGE_FILE_NOT_WRITTEN);
        return false;
    }
    readstat_writer_t* writer = readstat().writer_init();
    readstat_error_t status = writer ? READSTAT_OK : READSTAT_ERROR_MALLOC;
    std::vector<PackageColumn> columns;
    if (writer) {
        readstat().set_data_writer(writer, write_package_bytes);
        if (kind == DataFileKind::SAS_TRANSPORT)
            readstat().writer_set_file_format_version(writer, 5);
        // A series' category labels (code k is labels[k-1]) go out as its value labels; the
        // transport format has none.
        std::vector<readstat_label_set_t*> label_sets;
        for (const PrintItem& item : req.items) {
            readstat_label_set_t* set = nullptr;
            const auto labels = item.ref > 0 && !item.column
                                    ? run.ws.value_labels.find(run.ws.VNAME[item.ref])
                                    : run.ws.value_labels.end();
            if (kind != DataFileKind::SAS_TRANSPORT && labels != run.ws.value_labels.end() &&
                item.info.type == TYPE_DATA && !labels->second.empty()) {
                set = readstat().add_label_set(writer, READSTAT_TYPE_DOUBLE, item.name.c_str());
                for (std::size_t k = 0; k < labels->second.size(); ++k)
                    readstat().label_double_value(set, static_cast<double>(k + 1),
                                                  labels->second[k].c_str());
            }
            label_sets.push_back(set);
        }
        for (std::size_t k = 0; k < req.items.size(); ++k) {
            const PrintItem& item = req.items[k];
            const bool text = item.info.type == TYPE_CHAR_VAR;
            PackageColumn column{&item};
            column.variable = readstat().add_variable(
                writer, item.name.c_str(), text ? READSTAT_TYPE_STRING : READSTAT_TYPE_DOUBLE,
                text ? CHARS_PER_ELEMENT : 8);
            if (label_sets[k]) readstat().variable_set_label_set(column.variable, label_sets[k]);
            columns.push_back(column);
        }
        status = begin_package(writer, kind, sink, static_cast<long>(rows.size()));
    }
    for (std::size_t r = 0; r < rows.size() && status == READSTAT_OK; ++r) {
        const long long t = rows[r];
        status = readstat().begin_row(writer);
        for (const PackageColumn& column : columns) {
            if (status != READSTAT_OK) break;
            const PrintItem& item = *column.item;
            if (t > item.info.length) {
                status = readstat().insert_missing_value(writer, column.variable);
                continue;
            }
            const Real value = item_value(run, item, t);
            if (item.info.type == TYPE_CHAR_VAR) {
                status = readstat().insert_string_value(
                    writer, column.variable, trim_trailing_blanks(element_to_chars(value)).c_str());
            } else if (value == run.ws.XMISS) {
                status = readstat().insert_missing_value(writer, column.variable);
            } else {
                status = readstat().insert_double_value(writer, column.variable,
                                                        static_cast<double>(value));
            }
        }
        if (status == READSTAT_OK) status = readstat().end_row(writer);
    }
    if (status == READSTAT_OK) status = readstat().end_writing(writer);
    if (writer) readstat().writer_free(writer);

    const bool library_ok = status == READSTAT_OK;
    const int error = end_replacement(sink.file, library_ok && sink.error == 0, sink.error);
    if (sink.error != 0 || (library_ok && error != 0)) {
        report_write_failure(run, 0, path, sink.error != 0 ? sink.error : error,
                             ERR_PACKAGE_FILE_NOT_WRITTEN);
        return false;
    }
    if (!library_ok) {
        std::string reason = readstat().error_message(status);
        if (!reason.empty() && reason.back() == '.') reason.pop_back();
        report_package_refused(run, kind_name, path, reason);
        return false;
    }
    if (rounded_count > 0)
        write_line(run, " ...NOTE.." + fmt_I(rounded_count, 8) +
                            (rounded_count == 1 ? " VALUE" : " VALUES") +
                            " ROUNDED TO THE NEAREST DOUBLE: " + kind_name +
                            " FILES HOLD 53-BIT NUMBERS");
    return true;
}

} // namespace tarvex
