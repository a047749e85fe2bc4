// PRINTX and WRITEX: the PRINT, LIST and WRITE commands. Both read the shared option block,
// settle the layout, the observation range and the list of items, choose where the lines go
// (the report, a numbered unit, or a file named in parentheses on unit 88) and hand over to the
// layout writers.
#include "io/print_write.hpp"

#include "core/error_report.hpp"
#include "core/file_replace.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "core/write_failure.hpp"
#include "io/afile.hpp"
#include "io/crypt.hpp"
#include "io/imported_table.hpp"
#include "io/print_request.hpp"
#include "io/print_write_errors.hpp"
#include "io/stored_format.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "options/options.hpp"
#include "workspace/data_bank.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

namespace {

// The option table of PRINT and WRITE: 26 switches, 12 integers, no reals, 3 names.
const OptionTable PRINT_WRITE_OPTIONS = {
    {
        // switches
        "LIST",
        "BYVAR",
        "BINARY",
        "REWIND",
        "ALL",
        "SYMAT",
        "TRIMAT",
        "CHARSTR",
        "CHARVAR",
        "EOF",
        "NAMES",
        "WIDE",
        "NEWPAGE",
        "NEWSHEET",
        "NEWLINE",
        "BACKSPAC",
        "SBINARY",
        "DIF",
        "CLOSE",
        "TSP",
        "TARVEX",
        "DB",
        "        ",
        "APPEND",
        "CRYPT",
        "ASCII",
        // integers
        "UNIT",
        "BEG",
        "END",
        "OBS",
        "COLS",
        "COL1",
        "COL1",
        "ROWS",
        "SKIPLINE",
        "SKIPROWS",
        "SKIPCOLS",
        "CHARVARS",
        // names
        "FORMAT",
        "PLOTVAR",
        "\\",
    },
    26,
    12,
    0,
    3,
};

// Positions in the option set.
enum Switch : int {
    S_LIST,
    S_BYVAR,
    S_BINARY,
    S_REWIND,
    S_ALL,
    S_SYMAT,
    S_TRIMAT,
    S_CHARSTR,
    S_CHARVAR,
    S_EOF,
    S_NAMES,
    S_WIDE,
    S_NEWPAGE,
    S_NEWSHEET,
    S_NEWLINE,
    S_BACKSPAC,
    S_SBINARY,
    S_DIF,
    S_CLOSE,
    S_TSP,
    S_TARVEX,
    S_DB,
    S_BLANK,
    S_APPEND,
    S_CRYPT,
    S_ASCII,
};
enum Value : int {
    V_UNIT,
    V_BEG,
    V_END,
    V_OBS,
    V_COLS,
    V_COL1,
    V_COL2,
    V_ROWS,
    V_SKIPLINE,
    V_SKIPROWS,
    V_SKIPCOLS,
    V_CHARVARS,
};
enum Name : int { N_FORMAT, N_PLOTVAR, N_BACKSLASH };

inline constexpr int MAX_LISTED = 10000;
inline constexpr int ERR_FILE_NOT_WRITTEN = 5050; // a file named in the command
inline constexpr int ERR_UNIT_NOT_WRITTEN = 5051; // a numbered unit
inline constexpr int ERR_FILE_NOT_OPENED = 5053;  // the file or unit could not be opened
inline constexpr int ERR_NOT_ENCRYPTED = 5054;    // CRYPT could not encrypt what was written
inline constexpr int FILE_UNIT = 88;              // L88: a file named in the command
// Internal scratch units L2, L3 and L8.
inline constexpr int RESERVED_UNITS[] = {92, 93, 98};

bool windowed(const Run& run) {
    return run.MOS == MODE_WINDOWED || run.MOS == MODE_WINDOWED_33;
}

bool contains_dif(const std::string& name) {
    return name.find(".DIF") != std::string::npos || name.find(".dif") != std::string::npos ||
           name.find(".Dif") != std::string::npos;
}

// A file name as written in parentheses, without the quotes that may enclose it.
std::string file_name(const std::string& written) {
    std::string name = trim_blanks(written);
    if (name.size() >= 2 && (name.front() == '\'' || name.front() == '"') &&
        name.back() == name.front())
        name = name.substr(1, name.size() - 2);
    return name;
}

// The item for a reference of the list, or false after the error for an empty variable.
bool make_item(Run& run, int ref, PrintItem& item) {
    if (ref < MARK_BASE) ref = MARK_BASE - ref; // a marked reference names the plain slot
    item.ref = ref;
    if (ref < 0) {
        item.name = "$" + std::string(RESULT_NAMES[-ref - 1]);
        return VINFO(run, ref, item.info);
    }
    int slot = ref;
    int column = 0;
    if (ref > 2 * run.ws.MAXVAR) {
        column = ref % run.ws.MXCOL;
        if (column == 0) column = run.ws.MXCOL;
        slot = (ref - column) / run.ws.MXCOL;
    }
    if (!VINFO(run, ref, item.info)) return false;
    item.name = trim_blanks(run.ws.VNAME[slot]);
    if (column > 0) {
        item.column = true;
        if (item.info.type == TYPE_DATA) item.column = false; // element of a vector: a scalar
        item.name = (item.name + ":" + std::to_string(column)).substr(0, 8);
    } else if (item.name.size() > 8) {
        item.name.resize(8);
    }
    if (item.info.inc <= 0 || item.info.length <= 0) {
        report_error(run,
                     " ...ERROR..THERE IS NO DATA ON VARIABLE " + trim_blanks(run.ws.VNAME[slot]),
                     command_error_number(run, PW_NO_DATA));
        return false;
    }
    return true;
}

// APPEND: the unit goes to the end of its file, which is where a failed write is cut back to.
void mark_append_start(Run& run, int unit) {
    UnitFile* file = unit_file(run, unit);
    if (file == nullptr || file->fp == nullptr) return;
    std::fseek(file->fp, 0, SEEK_END);
    file->appended_from = file->owned ? std::ftell(file->fp) : -1;
}

// Cuts off what a failed APPEND added, so that the file ends as it did before the command.
void cut_failed_append(UnitFile& file) {
    const long long start = file.appended_from;
    file.appended_from = -1;
    if (start < 0 || file.fp == nullptr) return;
    __fpurge(file.fp); // what the system refused stays refused: the buffer is dropped
    std::clearerr(file.fp);
    struct stat st {};
    if (::fstat(::fileno(file.fp), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > start &&
        ::ftruncate(::fileno(file.fp), static_cast<off_t>(start)) == 0)
        std::fseek(file.fp, 0, SEEK_END);
}

// A bound unit written from its start: a plain file is written whole through a replacement
// (io/file_replace.hpp), so that its earlier content stays until every write of the command has
// succeeded; anything else is rewound and written in place. False when the file could not be
// opened again (reported with its open parameters; the unit is then unbound).
bool start_rewrite(Run& run, int unit) {
    UnitFile* file = unit_file(run, unit);
    const std::string path = file->path;
    struct stat st {};
    if (path.empty() || file->scratch || file->remove_at_close || ::stat(path.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode)) {
        std::rewind(file->fp);
        return true;
    }
    AfileRequest how;
    how.unformatted = !file->formatted;
    close_unit(run, unit); // its earlier writes were checked by the commands that made them
    how.replace = true;
    if (AFILO(run, unit, path, how) == 0) return true;
    how.replace = false; // no room for a file beside it: written in place
    return AFILO(run, unit, path, how) == 0;
}

// After the command's writes to a unit written whole: the new file replaces the earlier one
// (or, after a failure, is dropped), and the unit stays bound to the file, after its last
// record, so that a later write never overwrites what is there. Returns the system error
// number of the replacement.
int end_rewrite(Run& run, int unit, bool keep) {
    UnitFile* file = unit_file(run, unit);
    const std::string path = file->path;
    AfileRequest how;
    how.unformatted = !file->formatted;
    const int error = close_unit(run, unit, !keep);
    if (AFILO(run, unit, path, how) == 0) append_position(run, unit);
    return error;
}

// The unit WRITE writes to: 0 for the report.
int destination_unit(const Run& run) {
    const int unit = run.scan.INPAR > 0 ? run.scan.INPAR : run.opt.iv[V_UNIT];
    return unit <= 0 || unit == run.L6 ? 0 : unit;
}

// CRYPT with a file named in the command: the clear text goes to a private temporary file
// (clear_text_file), never under the file's own name, which only the encryption takes. The
// unit, or -1 after an error; `target` is the file to encrypt into.
int open_clear_text(Run& run, const std::string& path, bool binary, bool append,
                    std::string& target) {
    if (append) {
        report_error(run, " ...ERROR..CRYPT WRITES A WHOLE FILE: IT CANNOT BE USED WITH APPEND",
                     ERR_NOT_ENCRYPTED);
        return -1;
    }
    if (!passphrase_ready(run, ERR_NOT_ENCRYPTED)) {
        report_error(run, "");
        return -1;
    }
    const std::optional<std::string> clear = clear_text_file(run, ERR_NOT_ENCRYPTED);
    if (!clear) {
        report_error(run, "");
        return -1;
    }
    AfileRequest how;
    how.unformatted = binary;
    how.status = UnitStatus::Replace;
    how.quiet = true; // the temporary file is nobody's business
    if (!AFILE(run, FILE_UNIT, *clear, how)) {
        std::remove(clear->c_str());
        forget_temporary(*clear);
        report_error(run, "", ERR_FILE_NOT_OPENED);
        return -1;
    }
    // A command that ends half-way (Ctrl-C at the terminal) leaves the clear text to go when
    // the unit is next closed.
    unit_file(run, FILE_UNIT)->remove_at_close = true;
    target = path;
    return FILE_UNIT;
}

// Opens the destination of WRITE; returns the unit (0: the report) or -1 after an error. A file
// named in the command is written whole through a replacement (io/file_replace.hpp) unless
// APPEND adds to it; with CRYPT it is written to a clear temporary file and `crypt_target`
// names it.
int open_destination(Run& run, const PrintRequest& req, bool append, bool rewind, bool crypt,
                     std::string& crypt_target) {
    const ScanBlock& scan = run.scan;
    const int unit = destination_unit(run);
    if (unit == 0) return 0;
    for (int reserved : RESERVED_UNITS) {
        if (unit == reserved) {
            report_error(run, " ...ERROR..UNIT" + fmt_I(unit, 2) + " IS RESERVED FOR INTERNAL USE",
                         command_error_number(run, PW_RESERVED_UNIT));
            return -1;
        }
    }
    const bool binary = req.binary || req.sbinary;
    if (scan.INPAR == FILE_UNIT && !scan.filename.empty()) {
        const std::string path = file_name(scan.filename);
        if (int refused = write_refusal(path); refused != 0) {
            report_write_failure(run, 0, path, refused, ERR_FILE_NOT_WRITTEN);
            return -1;
        }
        if (crypt) return open_clear_text(run, path, binary, append, crypt_target);
        AfileRequest how;
        how.unformatted = binary;
        how.append = append;
        how.replace = !append;
        if (!AFILE(run, FILE_UNIT, path, how)) { // AFILE has reported why
            report_error(run, "", ERR_FILE_NOT_OPENED);
            return -1;
        }
        if (append) mark_append_start(run, FILE_UNIT);
        if (run.MOS == MODE_WINDOWED_33) {
            std::string text = "FILEWRITE";
            MACDEP(run, 23, text);
            text = "FILE_WRITE=" + path;
            MACDEP(run, 23, text);
        }
        return FILE_UNIT;
    }
    if (!unit_is_open(run, unit)) {
        // A unit that no FILE command bound writes to the file fort.<unit>.
        AfileRequest how;
        how.unformatted = binary;
        how.append = append;
        how.replace = !append;
        if (!AFILE(run, unit, "fort." + std::to_string(unit), how)) {
            report_error(run, "", ERR_FILE_NOT_OPENED);
            return -1;
        }
        if (append) mark_append_start(run, unit);
        return unit;
    }
    UnitFile* file = unit_file(run, unit);
    if (file != nullptr && file->read_only) {
        report_write_failure(run, unit, file->path, EACCES, ERR_UNIT_NOT_WRITTEN);
        return -1;
    }
    if (file != nullptr && file->fp != nullptr) {
        if (append)
            mark_append_start(run, unit);
        else if (rewind && file->owned && !start_rewrite(run, unit)) {
            report_error(run, "", ERR_FILE_NOT_OPENED);
            return -1;
        }
    }
    return unit;
}

// CRYPT of a named file after the layout writer: the clear temporary file is closed with its
// writes checked, encrypted into `target`, and removed in every case. The earlier `target`
// stays as it was unless the encryption took its place.
void finish_clear_text(Run& run, int unit, bool written, const std::string& target) {
    UnitFile* file = unit_file(run, unit);
    if (file == nullptr) return;
    const std::string clear = file->path;
    file->remove_at_close = false; // closed first, encrypted, then removed here
    int error = check_unit_writes(run, unit, written);
    const int close_error = close_unit(run, unit);
    if (error == 0) error = close_error;
    if (written && error != 0)
        report_write_failure(run, 0, target, error, ERR_FILE_NOT_WRITTEN);
    else if (written && !encrypt_file(run, clear, target, ERR_NOT_ENCRYPTED))
        report_error(run, "");
    std::remove(clear.c_str());
    forget_temporary(clear);
}

// After the layout writer (`written` false when it reported an error): checks every write of
// the command, ends a sequential file after its last record, and closes the unit when the
// command owns it (a named file), when CLOSE asks, or for CRYPT, which then encrypts the file.
// A named file is replaced only when all of this succeeded; otherwise the earlier file stays.
void finish_destination(Run& run, int unit, bool written, bool close, bool crypt,
                        const std::string& crypt_target) {
    if (!crypt_target.empty()) return finish_clear_text(run, unit, written, crypt_target);
    UnitFile* file = unit_file(run, unit);
    if (file == nullptr) return;
    const std::string path = file->path;
    const bool named = unit == FILE_UNIT;
    const bool replacement = !file->replace_temp.empty();
    int error = check_unit_writes(run, unit, written);
    if (error != 0 || !written)
        cut_failed_append(*file);
    else
        file->appended_from = -1;
    crypt = crypt && !path.empty();
    if (named || close || crypt) {
        const int close_error = close_unit(run, unit, replacement && (!written || error != 0));
        if (error == 0) error = close_error;
    } else if (replacement) {
        const int replace_error = end_rewrite(run, unit, written && error == 0);
        if (error == 0) error = replace_error;
    }
    if (!written) return;
    if (error != 0) {
        report_write_failure(run, named ? 0 : unit, path, error,
                             named ? ERR_FILE_NOT_WRITTEN : ERR_UNIT_NOT_WRITTEN);
        return;
    }
    // CRYPT of a bound unit: the closed file is replaced by its encryption.
    if (crypt && !encrypt_file(run, path, path, ERR_NOT_ENCRYPTED)) report_error(run, "");
}

// Unformatted records without the block headers: BINARY writes one record per table row (the
// values of every listed series at one observation) and one per other item; SBINARY writes
// one record per item with all its values in range. A matrix is one record of its elements
// column after column, or under SYMAT/TRIMAT of its lower triangle row after row.
bool write_plain_binary(Run& run, const PrintRequest& req, const OutputSink& out) {
    auto record = [&](const std::vector<Real>& values) {
        const auto length = static_cast<std::int32_t>(values.size() * sizeof(Real));
        out.bytes(&length, sizeof length);
        out.bytes(values.data(), values.size() * sizeof(Real));
        out.bytes(&length, sizeof length);
    };
    std::vector<const PrintItem*> table;
    auto flush_table = [&] {
        if (table.empty()) return;
        const PrintItem* longest = table.front();
        for (const PrintItem* item : table)
            if (item->info.length > longest->info.length) longest = item;
        for (long long t : observations(run, req, *longest)) {
            std::vector<Real> values;
            for (const PrintItem* item : table)
                values.push_back(t <= item->info.length ? item_value(run, *item, t) : run.ws.XMISS);
            record(values);
        }
        table.clear();
    };
    for (const PrintItem& item : req.items) {
        if (item.series() && !req.sbinary) {
            table.push_back(&item);
            continue;
        }
        flush_table();
        std::vector<Real> values;
        if (item.series()) {
            for (long long t : observations(run, req, item))
                values.push_back(item_value(run, item, t));
        } else if (req.lower_triangle && lower_triangle_item(req, item)) {
            // SYMAT, TRIMAT: the compact lower triangle, row after row.
            for (long long i = 1; i <= item.info.ncol; ++i)
                for (long long j = 1; j <= i; ++j) values.push_back(matrix_value(run, item, i, j));
        } else {
            for (long long k = 1; k <= item.info.length; ++k)
                values.push_back(item_value(run, item, k));
        }
        record(values);
    }
    flush_table();
    return true;
}

// PLOTVAR=name: that variable becomes the first column of the written table (the x values of
// a plot data file), listed or not.
bool place_plot_variable(Run& run, const std::string& name, PrintRequest& req) {
    if (name.empty()) return true;
    const int ref = VFIND(run, name);
    if (ref <= 0) {
        report_error(run, " ...ERROR..PLOTVAR VARIABLE " + name + " DOES NOT EXIST",
                     command_error_number(run, PW_NO_PLOTVAR));
        return false;
    }
    PrintItem item;
    if (!make_item(run, ref, item)) return false;
    if (!item.series()) {
        report_error(run, " ...ERROR..PLOTVAR VARIABLE " + name + " IS NOT A SERIES",
                     command_error_number(run, PW_PLOTVAR_NOT_SERIES));
        return false;
    }
    std::erase_if(req.items, [ref](const PrintItem& listed) { return listed.ref == ref; });
    req.items.insert(req.items.begin(), std::move(item));
    return true;
}

bool store_in_bank(Run& run, const PrintRequest& req) {
    for (const PrintItem& item : req.items) {
        // An element of a vector (X:1) is referred to beyond the variable slots.
        if (item.ref <= 0 || item.column || item.ref > run.ws.MAXVAR) {
            report_error(
                run, " ...ERROR..ONLY WHOLE VARIABLES CAN BE STORED IN THE DATA BANK: " + item.name,
                command_error_number(run, PW_BANK_ELEMENT));
            return false;
        }
        if (!bank_store(run, trim_blanks(run.ws.VNAME[item.ref]))) {
            report_error(run, ""); // the bank has written why
            return false;
        }
    }
    return true;
}

// The whole command, for PRINT (is_write false) and WRITE.
void print_or_write(Run& run, bool is_write) {
    OptionSet& opt = run.opt;
    const ScanBlock& scan = run.scan;
    opt.prepare(PRINT_WRITE_OPTIONS);
    opt.iv[V_UNIT] = scan.INPAR > 0 ? scan.INPAR : 0;
    opt.iv[V_SKIPROWS] = scan.NF == 0 ? 1 : 0;
    opt.sw[S_REWIND] = true;
    opt.sw[S_WIDE] = run.sw[OWIDE];
    if (!OPTION(run, PRINT_WRITE_OPTIONS)) return;
    if (!is_write) opt.sw[S_NAMES] = true;
    if (is_write && windowed(run)) {
        opt.sw[S_NAMES] = true;
        opt.sw[S_BYVAR] = false;
    }
    if (is_write && scan.INPAR == FILE_UNIT && contains_dif(file_name(scan.filename)))
        opt.sw[S_DIF] = true;
    if (opt.sw[S_DB]) opt.sw[S_TSP] = true;
    if (opt.sw[S_ASCII]) opt.sw[S_BYVAR] = true;
    if (run.flags.ODONT) return;

    PrintRequest req;
    req.is_write = is_write;
    req.names = opt.sw[S_NAMES];
    req.wide = opt.sw[S_WIDE];
    req.byvar = opt.sw[S_BYVAR];
    req.binary = opt.sw[S_BINARY];
    req.sbinary = opt.sw[S_SBINARY];
    req.lower_triangle = opt.sw[S_SYMAT] || opt.sw[S_TRIMAT];
    req.shape_cols = std::max(0, opt.iv[V_COLS]);
    req.shape_rows = std::max(0, opt.iv[V_ROWS]);
    req.new_line = opt.sw[S_NEWLINE];
    req.new_sheet = opt.sw[S_NEWSHEET];

    // The FORMAT option.
    const std::string format_value = trim_blanks(opt.name[N_FORMAT]);
    bool user_format = run.sw[OFMT] && format_value.empty();
    if (format_value == "********") {
        user_format = true;
    } else if (format_value == "TAB" || format_value == "COMMA") {
        req.layout = Layout::DELIMITED;
        req.delimiter = format_value == "TAB" ? '\t' : ',';
    } else if (format_value == "DUMP") {
        req.layout = Layout::DUMP;
    } else if (!format_value.empty() && format_value != "FREE" &&
               data_file_kind("", format_value) == DataFileKind::NONE) {
        report_error(
            run,
            " ...ERROR..FORMAT MUST BE FREE, TAB, COMMA OR DUMP, OR GIVEN WITHOUT A VALUE: " +
                format_value,
            command_error_number(run, PW_FORMAT_VALUE));
        return;
    }
    if (user_format) {
        if (!format_for_use(run, STOP_FORMAT_TOO_LONG_PRINT, req.format_text)) return;
        req.layout = Layout::USER_FORMAT;
        if (!parse_format(req.format_text, req.program)) {
            report_bad_format(run, req.format_text);
            return;
        }
    }
    if (opt.sw[S_DIF]) req.layout = Layout::DIF;
    if (opt.sw[S_TARVEX]) req.layout = Layout::TARVEX;

    // Observation range.
    const bool all = opt.sw[S_EOF] || opt.sw[S_ALL];
    // EOF and ALL mean the whole variable: unless BEG is typed the listing starts at the first
    // observation, not at the start of the current sample.
    req.beg = opt.igiven[V_BEG] ? opt.iv[V_BEG] : (all ? 1 : run.smpl.IBEG);
    req.end = opt.igiven[V_END] ? opt.iv[V_END] : run.smpl.IEND;
    req.use_skips = !all && !opt.igiven[V_BEG] && !opt.igiven[V_END];
    if (!opt.igiven[V_END] && run.smpl.IEND <= 0) req.end = ALL_OBSERVATIONS; // no sample yet
    if (all)
        req.end = ALL_OBSERVATIONS;
    else if (opt.iv[V_OBS] > 0)
        req.end = req.beg + opt.iv[V_OBS] - 1;
    if (req.beg < 1) req.beg = 1;
    if (req.beg > req.end) {
        report_error(run,
                     " ...ERROR..BEG AND END OBSERVATIONS INCONSISTENT" + fmt_I(req.beg, 10) +
                         fmt_I(req.end, 10),
                     command_error_number(run, PW_RANGE_REVERSED));
        return;
    }

    // The list.
    std::vector<int> refs;
    if (opt.sw[S_ALL]) {
        for (int slot = 1; slot <= run.ws.NVARS; ++slot)
            if (run.ws.VNAME[slot].find_first_not_of(' ') != std::string::npos)
                refs.push_back(slot);
        if (static_cast<int>(refs.size()) > MAX_LISTED) {
            report_error(run,
                         " ...ERROR..MORE THAN" + fmt_I(MAX_LISTED, 6) + " VARIABLES SPECIFIED",
                         command_error_number(run, PW_TOO_MANY));
            return;
        }
    } else {
        for (int k = 1; k <= scan.NF; ++k) refs.push_back(run.scan.list[k]);
    }
    for (int ref : refs) {
        PrintItem item;
        if (!make_item(run, ref, item)) return;
        if (item.series() && req.end != ALL_OBSERVATIONS && req.end > item.info.length &&
            req.layout != Layout::TARVEX) {
            report_error(run, " ...ERROR..REQUESTED RANGE EXCEEDS VARIABLE LENGTH",
                         command_error_number(run, PW_RANGE_TOO_LONG));
            return;
        }
        req.items.push_back(std::move(item));
    }

    if (!place_plot_variable(run, trim_blanks(opt.name[N_PLOTVAR]), req)) return;
    if (req.lower_triangle) {
        for (const PrintItem& item : req.items) {
            if (item.ref > 0 && !item.column && item.info.type == TYPE_MATRIX &&
                matrix_rows(item) != item.info.ncol) {
                report_error(run, " ...ERROR..SYMAT AND TRIMAT NEED A SQUARE MATRIX: " + item.name,
                             command_error_number(run, PW_NOT_SQUARE));
                return;
            }
        }
    }

    if (opt.sw[S_TSP]) {
        store_in_bank(run, req);
        return;
    }
    if (is_write) {
        const bool named = scan.INPAR == FILE_UNIT && !scan.filename.empty();
        const std::string path = named ? file_name(scan.filename) : std::string();
        const DataFileKind kind = data_file_kind(path, format_value);
        if (kind == DataFileKind::STATA || kind == DataFileKind::SPSS ||
            kind == DataFileKind::SAS_TRANSPORT) {
            if (named) {
                write_package_file(run, req, path, kind);
                return;
            }
            report_error(run,
                         std::string(" ...ERROR..") + data_file_kind_name(kind) +
                             " FILES ARE WRITTEN TO A FILE NAMED IN PARENTHESES: WRITE ('FILE') "
                             "NAMES",
                         command_error_number(run, PW_PACKAGE_KIND));
            return;
        }
        if (kind != DataFileKind::NONE) {
            report_error(run,
                         std::string(" ...ERROR..WRITE MAKES NO ") + data_file_kind_name(kind) +
                             " FILES: WRITE A .DTA, .SAV OR .XPT FILE, OR USE FORMAT=COMMA",
                         command_error_number(run, PW_PACKAGE_KIND));
            return;
        }
    }
    if (is_write && destination_unit(run) != 0 && !values_writable(run, req)) return;

    // Destination.
    int unit = 0;
    std::string crypt_target; // CRYPT of a named file: the file the encryption goes to
    if (is_write) {
        unit = open_destination(run, req, opt.sw[S_APPEND], opt.sw[S_REWIND] || opt.sw[S_BACKSPAC],
                                opt.sw[S_CRYPT], crypt_target);
        if (unit < 0) return;
    }
    req.to_unit = unit != 0;
    OutputSink out{run, unit};
    if ((req.binary || req.sbinary) && unit == 0) {
        report_error(run, " ...ERROR..BINARY OUTPUT NEEDS A UNIT OR A FILE",
                     command_error_number(run, PW_BINARY_NO_UNIT));
        return;
    }

    // NEWPAGE: the written text starts on a new page (not in the data file layouts).
    const bool text_layout = req.layout == Layout::LISTING || req.layout == Layout::USER_FORMAT ||
                             req.layout == Layout::DELIMITED || req.layout == Layout::DUMP;
    if (opt.sw[S_NEWPAGE] && text_layout && !req.binary && !req.sbinary) out.line(PAGE_BREAK);

    bool written = true;
    switch (req.layout) {
    case Layout::TARVEX:
        written = write_tarvex_blocks(run, req, out);
        break;
    case Layout::DIF:
        written = write_dif(run, req, out);
        break;
    case Layout::DELIMITED:
        written = write_delimited(run, req, out);
        break;
    case Layout::DUMP:
        written = write_dump(run, req, out);
        break;
    case Layout::USER_FORMAT:
        written = write_user_format(run, req, out);
        break;
    case Layout::LISTING:
        if (req.binary || req.sbinary)
            written = write_plain_binary(run, req, out);
        else
            written = write_listing(run, req, out);
        break;
    }
    if (unit != 0)
        finish_destination(run, unit, written && !run.flags.ODONT, opt.sw[S_CLOSE], opt.sw[S_CRYPT],
                           crypt_target);
}

} // namespace

void PRINTX(Run& run) {
    print_or_write(run, false);
}

void WRITEX(Run& run) {
    print_or_write(run, true);
}

void print_after_read(Run& run, const std::vector<int>& refs, int beg, int end,
                      bool only_in_sample) {
    PrintRequest req;
    req.names = true;
    req.wide = run.sw[OWIDE];
    req.beg = std::max(beg, 1);
    req.end = end > 0 ? end : ALL_OBSERVATIONS;
    req.use_skips = only_in_sample;
    for (int ref : refs) {
        PrintItem item;
        if (!make_item(run, ref, item)) return;
        req.items.push_back(std::move(item));
    }
    OutputSink out{run, 0};
    write_listing(run, req, out);
}

} // namespace tarvex
