// READ with the TARVEX option: one TARVDATA (text) or TARVBIN (binary) block per listed
// variable. A text read that meets a TARVBIN block, or a binary read that meets a TARVDATA
// block, switches to the other kind; anything else, or a block of another variable, stops the
// run.
#include "core/error_report.hpp"
#include "core/fatal_stop.hpp"
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "io/record_scan.hpp"
#include "io/tarv_blocks.hpp"
#include "io/tarv_records.hpp"
#include "numeric/text.hpp"
#include "workspace/header_labels.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {

namespace tb = tarv_blocks;

namespace {

constexpr const char* NOT_TEXT_FILE = " NOT A TARVDATA FILE";
constexpr const char* NOT_BINARY_FILE = "NOT A TARVBIN FILE";
constexpr const char* WRONG_VARIABLE = "WRONG VARIABLE IN DATABANK";

[[noreturn]] void stop_run(Run& run, const char* message) {
    write_line(run, message);
    XXIT(run, 0);
}

// One record (its subrecords joined): the contents into `payload`.
bool read_framed(std::FILE* fp, std::string& payload) {
    const long long here = ftello(fp);
    if (here < 0 || fseeko(fp, 0, SEEK_END) != 0) return false;
    const long long end = ftello(fp);
    if (fseeko(fp, here, SEEK_SET) != 0) return false;
    long long total = 0;
    return read_tarv_record(fp, end, &payload, nullptr, total);
}

std::int32_t int_at(const std::string& rec, std::size_t off) {
    std::int32_t v;
    std::memcpy(&v, rec.data() + off, 4);
    return v;
}

// Integers read free-format across as many lines as they need.
bool read_ints(DataLines& lines, int* out, int count) {
    FreeScanner scanner;
    std::string_view line;
    int got = 0;
    while (got < count) {
        if (!lines.next(line)) return false;
        scanner.reset(line);
        Real v;
        FieldKind kind;
        while (got < count && (kind = scanner.next(v)) != FieldKind::END) {
            if (kind != FieldKind::VALUE) return false;
            out[got++] = static_cast<int>(v);
        }
    }
    return true;
}

struct BlockReader {
    ReadJob& job;
    DataLines& lines;
    bool binary;

    bool truncated() {
        report_error(job.run, " ...ERROR..LESS DATA FOUND THAN EXPECTED..ZEROS USED",
                     ERR_READ_LESS_DATA);
        return false;
    }

    // Text header after the kind line.
    bool text_header(tb::BlockHeader& h) {
        std::string_view line;
        if (!read_ints(lines, h.run.data(), tb::RUN_INTS)) return false;
        if (!lines.next(line)) return false;
        for (int k = 0; k < tb::FLAGS; ++k)
            h.flags[k] =
                static_cast<std::size_t>(k) < line.size() && (line[k] == 'T' || line[k] == 't');
        if (!read_ints(lines, h.shape.data(), tb::SHAPE_INTS)) return false;
        std::string items;
        for (int k = 0; k < tb::NAME_LINES; ++k) {
            if (!lines.next(line)) return false;
            std::string l(line.substr(0, tb::ITEMS_PER_LINE * tb::ITEM_WIDTH));
            l.resize(tb::ITEMS_PER_LINE * tb::ITEM_WIDTH, ' ');
            items += l;
        }
        h.name = items.substr(0, tb::ITEM_WIDTH);
        for (int k = 0; k < tb::LABELS; ++k)
            h.labels[k] = items.substr((k + 1) * tb::ITEM_WIDTH, tb::ITEM_WIDTH);
        return true;
    }

    bool text_data(const tb::BlockHeader& h, PendingVariable& var) {
        const long long length = h.shape[tb::SHAPE_LENGTH];
        std::string_view line;
        if (h.shape[tb::SHAPE_TYPE] >= TYPE_CHAR_STRING) {
            long long k = 0;
            while (k < length) {
                if (!lines.next(line)) return truncated();
                for (int w = 0; w < tb::CHAR_WORDS_PER_LINE && k < length; ++w, ++k) {
                    const std::size_t at = static_cast<std::size_t>(w) * tb::ITEM_WIDTH;
                    var.values.push(chars_to_element(
                        at < line.size() ? line.substr(at, tb::ITEM_WIDTH) : std::string_view()));
                }
            }
            return true;
        }
        FreeScanner scanner;
        long long k = 0;
        while (k < length) {
            if (!lines.next(line)) return truncated();
            scanner.reset(line);
            Real v;
            FieldKind kind;
            while (k < length && (kind = scanner.next(v)) != FieldKind::END) {
                if (kind == FieldKind::BAD) {
                    report_error(job.run,
                                 " ...ERROR..READ ERROR IN VARIABLE " + std::string("   1  ") +
                                     trim_trailing_blanks(var.name),
                                 ERR_READ_BAD_VALUE);
                    explain_bad_value(job.run, scanner.bad_item());
                    return false;
                }
                var.values.push(kind == FieldKind::VALUE ? v : job.run.ws.XMISS);
                ++k;
            }
        }
        return true;
    }

    bool binary_block(std::FILE* fp, tb::BlockHeader& h, PendingVariable& var, bool& kind_ok) {
        std::string rec;
        kind_ok = read_framed(fp, rec) && rec.substr(0, tb::KIND_LENGTH) == tb::BINARY_KIND;
        if (!kind_ok) return false;
        if (!read_framed(fp, rec) || rec.size() < tb::BIN_HEADER_BYTES) return truncated();
        for (int k = 0; k < tb::RUN_INTS; ++k) h.run[k] = int_at(rec, tb::BIN_OFF_RUN + 4 * k);
        for (int k = 0; k < tb::FLAGS; ++k)
            h.flags[k] = int_at(rec, tb::BIN_OFF_FLAGS + 4 * k) != 0;
        for (int k = 0; k < tb::SHAPE_INTS; ++k)
            h.shape[k] = int_at(rec, tb::BIN_OFF_SHAPE + 4 * k);
        h.name = rec.substr(tb::BIN_OFF_NAME, tb::NAME_ENTRY);
        for (int k = 0; k < tb::LABELS; ++k)
            h.labels[k] = rec.substr(tb::BIN_OFF_LABELS + k * tb::ITEM_WIDTH, tb::ITEM_WIDTH);
        check_name(h);
        if (!read_framed(fp, rec) || rec.size() < tb::BIN_REAL) return truncated();
        const long long length = h.shape[tb::SHAPE_LENGTH];
        if (rec.size() < tb::BIN_REAL * static_cast<std::size_t>(length + 1)) return truncated();
        for (long long k = 1; k <= length; ++k) {
            Real v;
            std::memcpy(&v, rec.data() + k * tb::BIN_REAL, sizeof v);
            var.values.push(v);
        }
        return true;
    }

    void check_name(const tb::BlockHeader& h) {
        std::string& wanted = job.names[current];
        if (wanted.empty()) { // READ / TARVEX NAMES: the block names its variable
            wanted = upper_ascii(trim_trailing_blanks(h.name.substr(0, tb::ITEM_WIDTH)));
            job.pending[current].name = wanted;
            return;
        }
        if (upper_ascii(trim_trailing_blanks(h.name.substr(0, tb::ITEM_WIDTH))) !=
            upper_ascii(wanted))
            stop_run(job.run, WRONG_VARIABLE);
    }

    std::size_t current = 0;
};

void shape_variable(const tb::BlockHeader& h, PendingVariable& var) {
    var.type = h.shape[tb::SHAPE_TYPE];
    var.ncol = h.shape[tb::SHAPE_NCOL] > 0 ? h.shape[tb::SHAPE_NCOL] : 1;
    if (var.type == TYPE_DATA || var.type == TYPE_CHAR_VAR) {
        var.time_set = true;
        var.time1 = h.shape[tb::SHAPE_TIME1];
        var.time2 = h.shape[tb::SHAPE_TIME2];
        var.time3 = h.shape[tb::SHAPE_TIME3];
    }
}

bool valid_shape(const tb::BlockHeader& h) {
    return h.shape[tb::SHAPE_TYPE] >= TYPE_DATA && h.shape[tb::SHAPE_TYPE] <= TYPE_CHAR_VAR &&
           h.shape[tb::SHAPE_LENGTH] >= 0 && h.shape[tb::SHAPE_NCOL] >= 0;
}

} // namespace

// Whether nothing but blank lines is left of the file (or of the command input's lines, which
// cannot be looked ahead into: there every listed block must be named).
bool at_end_of_blocks(std::FILE* fp) {
    if (fp == nullptr) return true;
    const long at = std::ftell(fp);
    int c = 0;
    while ((c = std::fgetc(fp)) != EOF && (c == ' ' || c == '\n' || c == '\r' || c == '\t')) {
    }
    std::fseek(fp, at, SEEK_SET);
    return c == EOF;
}

bool read_tarv_blocks(ReadJob& job, DataLines& lines, bool binary) {
    Run& run = job.run;
    job.make_pending(TYPE_DATA, 1);
    job.first_element = 1;
    std::FILE* fp = lines.stream();
    BlockReader reader{job, lines, binary};
    // With NAMES and no names listed, every block of the file is read under its own name.
    const bool own_names = job.names.empty();
    for (std::size_t j = 0; own_names || j < job.names.size(); ++j) {
        if (own_names && j == job.names.size()) {
            if (j > 0 && at_end_of_blocks(fp)) break;
            job.names.emplace_back();
            job.pending.emplace_back();
        }
        reader.current = j;
        PendingVariable& var = job.pending[j];
        tb::BlockHeader h;
        const long start = fp != nullptr ? std::ftell(fp) : -1;
        if (binary && fp != nullptr) {
            bool kind_ok = false;
            if (reader.binary_block(fp, h, var, kind_ok)) {
                shape_variable(h, var);
                restore_header_labels(run, h.labels);
                continue;
            }
            if (kind_ok) return false;
            // Not a TARVBIN record: a TARVDATA block switches to text reading.
            char kind[tb::KIND_LENGTH] = {};
            std::fseek(fp, start, SEEK_SET);
            if (std::fread(kind, 1, tb::KIND_LENGTH, fp) != tb::KIND_LENGTH ||
                std::string_view(kind, tb::KIND_LENGTH) != tb::TEXT_KIND)
                stop_run(run, NOT_BINARY_FILE);
            std::fseek(fp, start, SEEK_SET);
            binary = false;
        }
        std::string_view line;
        if (!lines.next(line)) {
            if (j == 0) {
                report_error(run, " ...ERROR..NO DATA FOUND", ERR_READ_NO_DATA);
                return false;
            }
            return reader.truncated();
        }
        const std::string kind(line.substr(0, tb::KIND_LENGTH));
        const bool framed_binary = line.size() >= 4 + tb::KIND_LENGTH &&
                                   line.substr(4, tb::KIND_LENGTH) == tb::BINARY_KIND;
        if ((kind == tb::BINARY_KIND || framed_binary) && fp != nullptr) {
            std::fseek(fp, start, SEEK_SET);
            binary = true;
            --j; // read this block again as binary
            continue;
        }
        if (kind != tb::TEXT_KIND)
            stop_run(run, kind == tb::BINARY_KIND ? NOT_TEXT_FILE : NOT_TEXT_FILE);
        if (!reader.text_header(h) || !valid_shape(h)) return reader.truncated();
        reader.check_name(h);
        if (h.flags[tb::FLAG_USER_FORMAT]) run.sw[OFMT] = true;
        if (!reader.text_data(h, var)) return false;
        shape_variable(h, var);
        restore_header_labels(run, h.labels);
    }
    job.count = job.pending.empty() ? 0 : job.pending.front().values.size();
    return true;
}

} // namespace tarvex
