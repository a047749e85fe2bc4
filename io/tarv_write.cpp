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
#include "numeric/fortran_format.hpp"

#include <cstdint>
#include <cstring>

namespace tarvex {

namespace tb = tarv_blocks;

namespace {

// One gfortran-style sequential unformatted record: a 4-byte length before and after.
class RecordWriter {
public:
    explicit RecordWriter(const OutputSink& out) : out_(out) {}
    void put(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        buffer_.insert(buffer_.end(), bytes, bytes + size);
    }
    void put_int(std::int32_t v) { put(&v, sizeof v); }
    void put_text(std::string_view text, std::size_t width) {
        std::string field(text.substr(0, width));
        field.resize(width, ' ');
        put(field.data(), width);
    }
    bool end_record() {
        if (buffer_.size() > static_cast<std::size_t>(INT32_MAX)) return false;
        const auto length = static_cast<std::int32_t>(buffer_.size());
        out_.bytes(&length, sizeof length);
        out_.bytes(buffer_.data(), buffer_.size());
        out_.bytes(&length, sizeof length);
        buffer_.clear();
        return true;
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
    RecordWriter rec(out);
    rec.put(tb::BINARY_KIND.data(), tb::KIND_LENGTH);
    rec.end_record();
    for (int v : h.run) rec.put_int(v);
    for (bool f : h.flags) rec.put_int(f ? tb::BIN_TRUE : tb::BIN_FALSE);
    for (int v : h.shape) rec.put_int(v);
    rec.put_text(h.name, tb::NAME_ENTRY);
    for (const std::string& label : h.labels) rec.put_text(label, tb::ITEM_WIDTH);
    rec.end_record();
    // The data record is streamed straight from the work area: a marker, the length as a
    // real, the elements, the marker again.
    const VarInfo& v = item.info;
    const unsigned long long bytes = (static_cast<unsigned long long>(v.length) + 1) * sizeof(Real);
    if (bytes > static_cast<unsigned long long>(INT32_MAX)) return false;
    const auto marker = static_cast<std::int32_t>(bytes);
    const Real length = static_cast<Real>(v.length);
    out.bytes(&marker, sizeof marker);
    out.bytes(&length, sizeof length);
    if (v.inc == 1) {
        out.bytes(&run.ws.DATA[v.addr + 4], static_cast<std::size_t>(v.length) * sizeof(Real));
    } else {
        for (long long k = 1; k <= v.length; ++k) {
            const Real word = item_value(run, item, k);
            out.bytes(&word, sizeof word);
        }
    }
    out.bytes(&marker, sizeof marker);
    return true;
}

} // namespace

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
