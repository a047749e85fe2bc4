// READ ... / BIND: the named series are bound to the file instead of being loaded. The file is
// read once to find where each series lies (TARVBIN: the offset of its contiguous column;
// delimited text: the first data record and the field of each series) and how many rows it
// holds; the values themselves are converted only when a command reads them a block at a time.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/units.hpp"
#include "core/write_failure.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "io/read_options.hpp"
#include "io/record_scan.hpp"
#include "io/tarv_blocks.hpp"
#include "io/tarv_column_file.hpp"
#include "io/tarv_records.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/bound_names.hpp"
#include "workspace/maintenance.hpp"
#include "workspace/workspace.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace tarvex {

namespace tb = tarv_blocks;

namespace {

// One TARVBIN block as the binding needs it.
struct BinaryBlockPlace {
    std::string name;
    int type = 0;
    long long length = 0;
    long long offset = 0;           // of element 1
    std::vector<BoundPiece> pieces; // a data record in subrecords: the column's stretches
};

void explain_bind_layouts(Run& run) {
    write_line(run,
               " ...NOTE..BIND TAKES THE BLOCKS OF WRITE / TARVEX BINARY (READ / TARVEX BIND), OR "
               "DELIMITED TEXT (FORMAT=COMMA OR TAB, OR NAMES)");
}

bool refuse_layout(Run& run, const std::string& what) {
    report_error(run, " ...ERROR..BIND CANNOT TAKE " + what, ERR_BIND_LAYOUT);
    explain_bind_layouts(run);
    return false;
}

// The record at the stream's position (its subrecords joined): its contents when `keep`, and
// where the contents lie. False when the record is cut short or its counts do not agree.
bool bind_record(std::FILE* fp, long long file_size, std::string* keep,
                 std::vector<RecordPiece>& pieces, long long& count) {
    return read_tarv_record(fp, file_size, keep, &pieces, count);
}

// The column of a data record: its pieces past the length (a real), as bound series hold them.
void column_pieces(const std::vector<RecordPiece>& pieces, BinaryBlockPlace& place) {
    const long long skip = static_cast<long long>(tb::BIN_REAL);
    place.pieces.clear();
    for (const RecordPiece& p : pieces) {
        const long long from = std::max(p.at, skip);
        if (from >= p.at + p.length) continue;
        place.pieces.push_back({from - skip, p.file_at + (from - p.at), p.at + p.length - from});
    }
    place.offset = place.pieces.empty() ? 0 : place.pieces.front().file_at;
    if (place.pieces.size() == 1) place.pieces.clear(); // contiguous: the offset says it all
}

// The binding of a series held in a TARVBIN block (its series start at observation 1).
BoundSeries tarvbin_series(const BinaryBlockPlace& block) {
    BoundSeries series;
    series.layout = BoundLayout::TARVBIN;
    series.offset = block.offset;
    series.pieces = block.pieces;
    series.rows = block.length;
    series.first_observation = 1;
    return series;
}

std::int32_t bind_int_at(const std::string& rec, std::size_t off) {
    std::int32_t v;
    std::memcpy(&v, rec.data() + off, 4);
    return v;
}

// Every block of a TARVBIN file, from its records' headers (the data are passed over).
bool find_binary_blocks(Run& run, std::FILE* fp, const std::string& path,
                        std::vector<BinaryBlockPlace>& blocks) {
    if (fp == nullptr || fseeko(fp, 0, SEEK_END) != 0) return false;
    const long long size = ftello(fp);
    if (size < 0 || fseeko(fp, 0, SEEK_SET) != 0) return false;
    std::string record;
    std::vector<RecordPiece> pieces;
    while (ftello(fp) < size) {
        long long count = 0;
        const bool kind_ok = bind_record(fp, size, &record, pieces, count) &&
                             record.substr(0, tb::KIND_LENGTH) == tb::BINARY_KIND;
        if (!kind_ok && blocks.empty())
            return refuse_layout(run, "FILE " + path + ": IT IS NOT A TARVBIN FILE");
        BinaryBlockPlace place;
        bool ok = kind_ok && bind_record(fp, size, &record, pieces, count) &&
                  record.size() >= tb::BIN_HEADER_BYTES;
        if (ok) {
            place.type = bind_int_at(record, tb::BIN_OFF_SHAPE + 4 * tb::SHAPE_TYPE);
            place.length = bind_int_at(record, tb::BIN_OFF_SHAPE + 4 * tb::SHAPE_LENGTH);
            place.name =
                upper_ascii(trim_trailing_blanks(record.substr(tb::BIN_OFF_NAME, tb::ITEM_WIDTH)));
            ok = place.length >= 0 && bind_record(fp, size, nullptr, pieces, count) &&
                 count >= static_cast<long long>(tb::BIN_REAL) * (place.length + 1);
            if (ok) column_pieces(pieces, place);
        }
        if (!ok) {
            report_error(run,
                         " ...ERROR..FILE " + path + ": TARVBIN BLOCK" +
                             fmt_I(static_cast<long long>(blocks.size()) + 1, 6) +
                             " IS CUT SHORT OR DAMAGED",
                         ERR_BIND_DAMAGED);
            return false;
        }
        blocks.push_back(std::move(place));
    }
    return true;
}

// The listed names (all the file's blocks with NAMES) as bindings into a TARVBIN file.
bool bind_binary(ReadJob& job, DataLines& lines, const std::string& path,
                 std::vector<std::pair<std::string, BoundSeries>>& bindings) {
    Run& run = job.run;
    std::vector<BinaryBlockPlace> blocks;
    if (!find_binary_blocks(run, lines.stream(), path, blocks)) return false;
    if (job.names.empty())
        for (const BinaryBlockPlace& block : blocks) job.names.push_back(block.name);
    for (const std::string& name : job.names) {
        if (name == "SKIP$") continue;
        const BinaryBlockPlace* found = nullptr;
        for (const BinaryBlockPlace& block : blocks)
            if (block.name == upper_ascii(name)) found = &block;
        if (found == nullptr) {
            report_error(run, " ...ERROR.." + upper_ascii(name) + " IS NOT IN FILE " + path,
                         ERR_BIND_NOT_IN_FILE);
            return false;
        }
        if (found->type != TYPE_DATA) {
            report_error(run,
                         " ...ERROR.." + upper_ascii(name) + " IN FILE " + path + " IS A " +
                             trim_trailing_blanks(std::string(type_description(found->type))) +
                             ": ONLY DATA SERIES CAN BE BOUND",
                         ERR_BIND_NOT_SERIES);
            return false;
        }
        bindings.emplace_back(name, tarvbin_series(*found));
    }
    return true;
}

// The listed names (or the header's) as bindings into a delimited file: one record per row.
bool bind_delimited(ReadJob& job, DataLines& lines,
                    std::vector<std::pair<std::string, BoundSeries>>& bindings) {
    Run& run = job.run;
    const OptionSet& opt = run.opt;
    std::string_view line;
    for (int k = 0; k < opt.iv[RV_SKIPLINE]; ++k)
        if (!lines.next(line)) break;
    bool delimited_names = false;
    long long skip_rows = std::max(0, opt.iv[RV_SKIPROWS]);
    if (opt.sw[RS_NAMES]) {
        if (!read_names_line(job, lines, delimited_names)) return false;
        job.names_from_file = true;
        skip_rows = std::max<long long>(0, skip_rows - 1);
    }
    const std::string format(opt.name[RN_FORMAT].substr(0, opt.name[RN_FORMAT].find(' ')));
    const char forced = format == "TAB" ? '\t' : format == "COMMA" ? ',' : 0;
    if (forced == 0 && !delimited_names)
        return refuse_layout(run, "FREE-FORMAT TEXT: VALUES MAY RUN ACROSS RECORDS");
    for (long long k = 0; k < skip_rows; ++k)
        if (!lines.next(line)) break;
    const long long data_offset = lines.stream() != nullptr ? ftello(lines.stream()) : -1;
    long long rows = 0;
    std::vector<std::string_view> fields;
    while (lines.next(line)) {
        split_fields(line, forced != 0 ? forced : record_delimiter(line), fields);
        if (!fields.empty()) ++rows;
    }
    if (data_offset < 0) return false;
    const int skip_cols = std::max(0, opt.iv[RV_SKIPCOLS]);
    for (std::size_t j = 0; j < job.names.size(); ++j) {
        if (job.names[j] == "SKIP$") continue;
        BoundSeries series;
        series.layout = BoundLayout::DELIMITED;
        series.offset = data_offset;
        series.column = static_cast<int>(j) + skip_cols;
        series.delimiter = forced;
        series.rows = rows;
        series.first_observation = job.beg;
        bindings.emplace_back(job.names[j], series);
    }
    return true;
}

// What the options ask for, when it is a layout BIND cannot take: its description.
std::string unbindable_layout(const OptionSet& opt, bool binary) {
    if (opt.sw[RS_DIF]) return "A DIF FILE";
    if (opt.sw[RS_CHARSTR] || opt.sw[RS_CHARVAR]) return "CHARACTER DATA";
    if (opt.sw[RS_SYMAT] || opt.sw[RS_TRIMAT] || opt.iv[RV_COLS] > 0 || opt.iv[RV_ROWS] > 0)
        return "A MATRIX";
    if (opt.sw[RS_TARVEX]) return {};
    if (binary) return "UNFORMATTED RECORDS OTHER THAN TARVBIN BLOCKS";
    if (opt.sw[RS_BYVAR]) return "DATA BY VARIABLE (BYVAR)";
    return {};
}

// The bindings enter the registry: the names leave the work area (a name the statement itself
// created, empty, goes without a note), the sample is set when none is, and the note is written.
void enter_bindings(Run& run, const std::string& path, long long size, long long modified,
                    std::vector<std::pair<std::string, BoundSeries>>& bindings) {
    for (auto& [name, series] : bindings) {
        if (const int slot = VFIND(run, name); slot > 0) {
            // A name the statement itself created (empty) goes without a note.
            VarInfo info;
            const bool empty = VINFO(run, slot, info) && info.length == 0;
            const bool output = run.flags.OPUT;
            if (empty) run.flags.OPUT = false;
            release_slot(run, slot);
            run.flags.OPUT = output;
        }
        series.file = path;
        series.file_size = size;
        series.modified_ns = modified;
        run.ws.bound[bound_key(run, name)] = series;
    }
    settle_after_delete(run);
    if (bindings.empty()) return;
    const BoundSeries& first = bindings.front().second;
    const long long last = first.first_observation + first.rows - 1;
    if (run.smpl.IEND <= 0 && first.rows > 0) {
        run.smpl.IBEG = static_cast<int>(first.first_observation);
        run.smpl.IEND = static_cast<int>(last);
        run.smpl.NOBS = run.smpl.IEND - run.smpl.IBEG + 1;
        if (notes_on(run)) {
            write_line(run, "");
            write_line(run, " ...NOTE..SAMPLE RANGE IS NOW SET TO:" + fmt_I(run.smpl.IBEG, 10) +
                                fmt_I(run.smpl.IEND, 10));
        }
    }
    run.smpl.MAXOB = std::max<long long>(run.smpl.MAXOB, last);
    if (notes_on(run)) {
        write_line(run, " ...NOTE.." + fmt_I(static_cast<long long>(bindings.size()), 5) +
                            " SERIES BOUND TO FILE " + path + ":" + fmt_I(first.rows, 10) +
                            " ROWS STARTING AT OBS" + fmt_I(first.first_observation, 8));
        write_line(run, "");
    }
}

} // namespace

bool bind_series(ReadJob& job, DataLines& lines, bool binary, DataFileKind kind, AgreedStep& step) {
    Run& run = job.run;
    const OptionSet& opt = run.opt;
    const UnitFile* unit = unit_file(run, job.unit);
    if (job.command_stream || unit == nullptr || unit->path.empty() || unit->remove_at_close ||
        opt.sw[RS_CRYPT]) {
        report_error(run, " ...ERROR..BIND NEEDS A FILE ON DISK: READ (file) names / BIND",
                     ERR_BIND_NO_FILE);
        return step.agree(false);
    }
    const std::string path = unit->path;
    std::string layout = unbindable_layout(opt, binary);
    if (layout.empty() && (kind != DataFileKind::NONE || user_format_requested(run)))
        layout = kind != DataFileKind::NONE ? "A PACKAGE FILE OR WORKBOOK" : "A USER FORMAT";
    if (!layout.empty()) return step.agree(refuse_layout(run, layout));
    long long size = 0;
    long long modified = 0;
    if (!file_stamp(path, size, modified)) { // gone since it was opened
        report_error(run, " ...ERROR..BIND NEEDS A FILE ON DISK: READ (file) names / BIND",
                     ERR_BIND_NO_FILE);
        return step.agree(false);
    }
    std::vector<std::pair<std::string, BoundSeries>> bindings;
    const bool ok = opt.sw[RS_TARVEX] ? bind_binary(job, lines, path, bindings)
                                      : bind_delimited(job, lines, bindings);
    // Every rank must bind the same rows: the shares of a run over several processes are cut
    // from them.
    const long long rows = ok && !bindings.empty() ? bindings.front().second.rows : 0;
    const auto differ = [&path](const std::vector<long long>& counts) {
        std::string line = " ...ERROR..THE RANKS FIND DIFFERENT ROWS IN FILE " + path + ":";
        for (std::size_t r = 0; r < counts.size(); ++r)
            line += (r == 0 ? " RANK " : ", RANK ") + std::to_string(r) + " " +
                    std::to_string(counts[r]);
        return line;
    };
    if (!step.agree(ok, rows, differ, ERR_BIND_RANKS_DIFFER)) return false;
    enter_bindings(run, path, size, modified, bindings);
    return true;
}

bool bind_written_series(Run& run, const std::string& path, const std::vector<std::string>& names,
                         int number) {
    long long size = 0;
    long long modified = 0;
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr || !file_stamp(path, size, modified)) { // gone since it was written
        const int error = errno;
        if (fp != nullptr) std::fclose(fp);
        report_write_failure(run, 0, path, error, number);
        return false;
    }
    std::vector<BinaryBlockPlace> blocks;
    const bool read = find_binary_blocks(run, fp, path, blocks); // reports what is wrong
    std::fclose(fp);
    if (!read) return false;
    std::vector<std::pair<std::string, BoundSeries>> bindings;
    for (const std::string& name : names) {
        const auto found =
            std::find_if(blocks.begin(), blocks.end(), [&](const BinaryBlockPlace& block) {
                return block.name == upper_ascii(name) && block.type == TYPE_DATA;
            });
        if (found == blocks.end()) { // not as it was written
            report_write_failure(run, 0, path, EIO, number);
            return false;
        }
        bindings.emplace_back(name, tarvbin_series(*found));
    }
    enter_bindings(run, path, size, modified, bindings);
    return true;
}

} // namespace tarvex
