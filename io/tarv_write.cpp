// WRITE with TARVEX: one TARVDATA (text) or TARVBIN (unformatted) block per listed variable, in
// the layout of io/tarv_blocks.hpp. Whole variables are written whatever the range, numbers with
// the digits (text) or the 16 bytes (binary) that read back to identical values.
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/char_words.hpp"
#include "io/print_request.hpp"
#include "io/print_write_errors.hpp"
#include "io/real_text.hpp"
#include "io/tarv_blocks.hpp"
#include "io/tarv_records.hpp"
#include "io/tarv_write_header.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tarvex {

namespace tb = tarv_blocks;

namespace {

// One record of a known length streamed through the sink as subrecords of at most `limit`
// bytes, each between its two counts (io/tarv_blocks.hpp): a record that fits is one subrecord
// with two positive counts.
class SubrecordStream {
public:
    SubrecordStream(const OutputSink& out, std::uint64_t total, std::uint64_t limit)
        : out_(out), total_(total), limit_(limit) {
        if (total_ == 0) { // an empty record: its two counts
            put_marker(tb::subrecord_head(0, limit_, 0));
            put_marker(tb::subrecord_tail(0, limit_, 0));
        }
    }
    void bytes(const void* data, std::size_t size) {
        const auto* at = static_cast<const unsigned char*>(data);
        while (size > 0) {
            const std::int32_t head = tb::subrecord_head(total_, limit_, index_);
            const std::uint64_t length = static_cast<std::uint64_t>(head < 0 ? -head : head);
            if (!open_) {
                put_marker(head);
                open_ = true;
                inside_ = 0;
            }
            const std::size_t take =
                static_cast<std::size_t>(std::min<std::uint64_t>(size, length - inside_));
            out_.bytes(at, take);
            at += take;
            size -= take;
            inside_ += take;
            if (inside_ == length) {
                put_marker(tb::subrecord_tail(total_, limit_, index_));
                open_ = false;
                ++index_;
            }
        }
    }

private:
    void put_marker(std::int32_t v) { out_.bytes(&v, sizeof v); }
    const OutputSink& out_;
    std::uint64_t total_, limit_;
    std::uint64_t index_ = 0, inside_ = 0;
    bool open_ = false;
};

// A short record gathered, then written framed by its counts.
class RecordWriter {
public:
    explicit RecordWriter(const OutputSink& out) : out_(out) {}
    void put(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        buffer_.insert(buffer_.end(), bytes, bytes + size);
    }
    void end_record() {
        SubrecordStream record(out_, buffer_.size(), tarvbin_subrecord_limit());
        record.bytes(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

private:
    const OutputSink& out_;
    std::vector<unsigned char> buffer_;
};

tb::BlockHeader header_of(Run& run, const PrintItem& item, const PrintRequest& req) {
    tb::BlockHeader h;
    h.run = tb::run_ints(run.MOS);
    h.flags[tb::FLAG_BINARY] = req.binary && !req.sbinary;
    h.flags[tb::FLAG_SBINARY] = req.sbinary;
    h.flags[tb::FLAG_FREE] = !req.binary && !req.sbinary;
    const VarInfo& v = item.info;
    const bool dated = v.type == TYPE_DATA || v.type == TYPE_CHAR_VAR;
    h.shape = {v.type,
               static_cast<int>(v.length),
               v.ncol,
               dated ? run.smpl.ITIME1 : 1,
               dated ? run.smpl.ITIME2 : 0,
               dated ? run.smpl.ITIME3 : 1,
               0};
    h.name = run.ws.VNAME[item.ref];
    h.name.resize(tb::NAME_ENTRY, ' ');
    for (std::size_t k = 0; k < h.labels.size(); ++k)
        h.labels[k] = run.header_labels.substr(k * tb::ITEM_WIDTH, tb::ITEM_WIDTH);
    return h;
}

void write_text_block(Run& run, const PrintItem& item, const tb::BlockHeader& h,
                      const OutputSink& out) {
    out.line(tb::TEXT_KIND);
    std::string line;
    for (int v : h.run) line += fmt_I(v, tb::RUN_INT_WIDTH);
    out.line(line);
    line.clear();
    for (bool f : h.flags) line += f ? 'T' : 'F';
    out.line(line);
    line.clear();
    for (int v : h.shape) line += fmt_I(v, tb::SHAPE_INT_WIDTH);
    out.line(line);
    // The name (8 columns) and the labels, 16 items to a line.
    std::vector<std::string> items{h.name.substr(0, tb::ITEM_WIDTH)};
    items.insert(items.end(), h.labels.begin(), h.labels.end());
    for (std::size_t first = 0; first < items.size(); first += tb::ITEMS_PER_LINE) {
        line.clear();
        for (std::size_t k = first; k < std::min(items.size(), first + tb::ITEMS_PER_LINE); ++k)
            line += items[k];
        out.line(line);
    }
    const VarInfo& v = item.info;
    if (v.type == TYPE_CHAR_STRING || v.type == TYPE_CHAR_VAR) {
        line.clear();
        for (long long k = 1; k <= v.length; ++k) {
            line += element_to_chars(item_value(run, item, k));
            if (k % tb::CHAR_WORDS_PER_LINE == 0 || k == v.length) {
                out.line(line);
                line.clear();
            }
        }
        return;
    }
    for (long long k = 1; k <= v.length; ++k) out.line(exact_real_text(item_value(run, item, k)));
}

bool write_binary_block(Run& run, const PrintItem& item, const tb::BlockHeader& h,
                        const OutputSink& out) {
    // The block's shape counts elements in a 4-byte integer.
    if (item.info.length > INT32_MAX) return false;
    RecordWriter rec(out);
    rec.put(tb::BINARY_KIND.data(), tb::KIND_LENGTH);
    rec.end_record();
    const std::string header = tarvbin_header_contents(h);
    rec.put(header.data(), header.size());
    rec.end_record();
    // The data record is streamed straight from the work area: the length as a real, then the
    // elements, cut into subrecords when it is longer than one may be.
    const VarInfo& v = item.info;
    const std::uint64_t bytes = (static_cast<std::uint64_t>(v.length) + 1) * sizeof(Real);
    SubrecordStream data(out, bytes, tarvbin_subrecord_limit());
    const Real length = static_cast<Real>(v.length);
    data.bytes(&length, sizeof length);
    if (v.inc == 1) {
        data.bytes(&run.ws.DATA[v.addr + 4], static_cast<std::size_t>(v.length) * sizeof(Real));
    } else {
        for (long long k = 1; k <= v.length; ++k) {
            const Real word = item_value(run, item, k);
            data.bytes(&word, sizeof word);
        }
    }
    return true;
}

// The marker before and after each gfortran-style sequential unformatted record: its length in
// bytes as a 4-byte integer.
std::string record_marker(std::size_t length) {
    const auto marker = static_cast<std::int32_t>(length);
    return std::string(reinterpret_cast<const char*>(&marker), sizeof marker);
}

// The data record's length in bytes (the length as a real, then the elements); 0 when it does
// not fit one subrecord (a block written in one stream has a single count at each end).
std::size_t data_record_bytes(long long elements) {
    const unsigned long long bytes = (static_cast<unsigned long long>(elements) + 1) * sizeof(Real);
    return elements < 0 || bytes > tarvbin_subrecord_limit() ? 0 : bytes;
}

} // namespace

tb::BlockHeader series_block_header(const Run& run, const std::string& name, long long length) {
    tb::BlockHeader h;
    h.run = tb::run_ints(run.MOS);
    h.flags[tb::FLAG_BINARY] = true;
    h.shape = {TYPE_DATA,       static_cast<int>(length), 1, run.smpl.ITIME1,
               run.smpl.ITIME2, run.smpl.ITIME3,          0};
    h.name = upper_ascii(name);
    h.name.resize(tb::NAME_ENTRY, ' ');
    for (std::size_t k = 0; k < h.labels.size(); ++k)
        h.labels[k] = run.header_labels.substr(k * tb::ITEM_WIDTH, tb::ITEM_WIDTH);
    return h;
}

std::string tarvbin_header_contents(const tb::BlockHeader& h) {
    std::string out;
    const auto put_int = [&out](std::int32_t v) {
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
    };
    const auto put_text = [&out](std::string_view text, std::size_t width) {
        std::string field(text.substr(0, width));
        field.resize(width, ' ');
        out += field;
    };
    for (int v : h.run) put_int(v);
    for (bool f : h.flags) put_int(f ? tb::BIN_TRUE : tb::BIN_FALSE);
    for (int v : h.shape) put_int(v);
    put_text(h.name, tb::NAME_ENTRY);
    for (const std::string& label : h.labels) put_text(label, tb::ITEM_WIDTH);
    return out;
}

std::string tb::binary_block_head(const BlockHeader& h, long long elements) {
    const std::size_t data_bytes = data_record_bytes(elements);
    if (data_bytes == 0) return {};
    const std::string kind(tb::BINARY_KIND);
    const std::string header = tarvbin_header_contents(h);
    std::string bytes = record_marker(kind.size()) + kind + record_marker(kind.size());
    bytes += record_marker(header.size()) + header + record_marker(header.size());
    const Real length = static_cast<Real>(elements);
    bytes += record_marker(data_bytes);
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    return bytes;
}

std::string tb::binary_block_tail(long long elements) {
    return record_marker(data_record_bytes(elements));
}

bool write_tarvex_blocks(Run& run, const PrintRequest& req, const OutputSink& out) {
    for (const PrintItem& item : req.items) {
        if (item.ref <= 0 || item.column || item.ref > run.ws.MAXVAR) { // X:1 is an element
            report_error(run,
                         " ...ERROR..ONLY WHOLE VARIABLES CAN BE WRITTEN AS DATA FILE BLOCKS: " +
                             item.name,
                         command_error_number(run, PW_BLOCK_ELEMENT));
            return false;
        }
    }
    for (const PrintItem& item : req.items) {
        const tb::BlockHeader h = header_of(run, item, req);
        if (req.binary || req.sbinary) {
            if (!write_binary_block(run, item, h, out)) {
                report_error(run,
                             " ...ERROR..VARIABLE TOO LARGE FOR ONE BINARY RECORD: " + item.name,
                             command_error_number(run, PW_BINARY_TOO_LARGE));
                return false;
            }
        } else {
            write_text_block(run, item, h, out);
        }
    }
    return true;
}

} // namespace tarvex
