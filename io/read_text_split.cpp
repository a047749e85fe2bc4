// Free-format READ by observation from a long file, converted on two threads. The file is cut
// at the first line end after its middle, and each thread reads and scans one part into its own
// pending values, which are then joined in file order. Only plain data take this route: every
// record holds a whole observation (extra values dropped, as always, unless the names came from
// the file: then a record with values over goes to the serial reader, which refuses it). Anything
// else (a bad item, a record that runs short) in the part that matters sends the whole read back to
// the record-by-record reader, which has left nothing behind and starts from the same place, so the
// values, counts and messages are those of a read that never split. Delimited records (comma or
// tab) take the same route: there every field must be a number or missing, blank records are
// passed over as the serial reader passes them, and a text column, a bad field or a row with
// values past the last name sends the read back to the serial reader.
#include "core/run.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "io/record_scan.hpp"
#include "numeric/decimal_fast.hpp"
#include "numeric/row_split.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace tarvex {

namespace {

// Below this many bytes of data a second thread is not worth starting.
constexpr std::size_t SPLIT_MIN_BYTES = 1 << 20;
// Bytes fetched from the file at a time by each thread.
constexpr std::size_t BLOCK_BYTES = 1 << 20;
// Bytes kept readable past the last byte fetched, so that a record's numbers can be read eight
// characters at a time up to its end.
constexpr std::size_t READ_PAST = 16;

std::atomic<bool> split_allowed{true};
std::atomic<long long> splits_done{0};

// The records of the bytes [from, to) of a file, as DataLines gives them (line end and carriage
// returns dropped), fetched a block at a time into a buffer of its own, so that each thread reads
// its part without touching the stream; READ_PAST bytes after every record can be read. A record
// longer than LONGEST_DATA_RECORD counts as a failure: the read goes back to the serial reader,
// which reports it.
class PartRecords {
public:
    PartRecords(int fd, off_t from, off_t to) : fd_(fd), fetch_(from), to_(to), at_(from) {}
    // False at the end of the part, or when the file could not be read (failed() then).
    bool next(std::string_view& record) {
        for (;;) {
            const char* p = buf_.data() + lo_;
            const char* nl =
                hi_ > lo_ + seen_
                    ? static_cast<const char*>(std::memchr(p + seen_, '\n', hi_ - lo_ - seen_))
                    : nullptr;
            if (nl != nullptr || (fetch_ >= to_ && lo_ < hi_)) {
                const char* stop = nl != nullptr ? nl : buf_.data() + hi_;
                const std::size_t used = static_cast<std::size_t>(stop - p) + (nl != nullptr);
                while (stop > p && stop[-1] == '\r') --stop;
                const std::size_t n = static_cast<std::size_t>(stop - p);
                if (n > LONGEST_DATA_RECORD) { // the serial reader reports it
                    failed_ = true;
                    return false;
                }
                record = std::string_view(p, n);
                lo_ += used;
                at_ += static_cast<off_t>(used);
                seen_ = 0;
                return true;
            }
            seen_ = hi_ - lo_;
            if (seen_ > LONGEST_DATA_RECORD + 1) { // no line end within the longest record
                failed_ = true;
                return false;
            }
            if (fetch_ >= to_ || !fetch()) return false;
        }
    }
    bool failed() const { return failed_; }
    // File offset just past the last record given.
    off_t offset() const { return at_; }

private:
    bool fetch() {
        if (lo_ > 0) {
            std::memmove(buf_.data(), buf_.data() + lo_, hi_ - lo_);
            hi_ -= lo_;
            lo_ = 0;
        }
        if (buf_.size() < hi_ + BLOCK_BYTES + READ_PAST) buf_.resize(hi_ + BLOCK_BYTES + READ_PAST);
        const std::size_t want = std::min<std::size_t>(buf_.size() - READ_PAST - hi_,
                                                       static_cast<std::size_t>(to_ - fetch_));
        ssize_t got;
        do got = pread(fd_, buf_.data() + hi_, want, fetch_);
        while (got < 0 && errno == EINTR);
        if (got <= 0) { // an error, or a file shorter than it was
            failed_ = true;
            return false;
        }
        hi_ += static_cast<std::size_t>(got);
        fetch_ += got;
        return true;
    }
    int fd_;
    off_t fetch_; // next byte to fetch
    off_t to_;
    off_t at_; // file offset of buf_[lo_]
    std::vector<char> buf_;
    std::size_t lo_ = 0, hi_ = 0; // unread bytes
    std::size_t seen_ = 0;        // bytes after lo_ known to hold no line end
    bool failed_ = false;
};

// One part of the file and what scanning it gave.
struct Part {
    off_t begin = 0, end = 0;
    long long limit = -1;              // observations wanted from this part (-1: all)
    bool last = false;                 // the part ends the file
    bool whole_rows = false;           // a record holding more values than a row is not plain
    char delimiter = -1;               // delimited records: the forced delimiter (0 none)
    int skip_cols = 0;                 // delimited records: leading fields passed over
    std::vector<ChunkedValues> values; // one per listed name (SKIP$ columns stay empty)
    long long rows = 0;                // observations read from whole plain records
    bool plain = true;                 // false: stopped at a record the serial reader must see
    off_t stop = 0;                    // file offset just past the last record used
};

void scan_part(int fd, Part& part, const std::vector<PendingVariable>& pending, Real missing) {
    const std::size_t nvar = pending.size();
    std::vector<Real> obs(nvar);
    FreeScanner scanner;
    try {
        PartRecords records(fd, part.begin, part.end);
        part.values.resize(nvar);
        std::string_view record;
        part.stop = part.begin;
        while (part.rows != part.limit && records.next(record)) {
            scanner.reset(record);
            std::size_t got = 0;
            while (got < nvar) {
                Real v = 0;
                const FieldKind kind = scanner.next(v);
                if (kind == FieldKind::VALUE) {
                    obs[got++] = v;
                } else if (kind == FieldKind::NUL) {
                    obs[got++] = missing;
                } else if (kind == FieldKind::SLASH) {
                    while (got < nvar) obs[got++] = missing;
                } else {
                    break;
                }
            }
            if (got < nvar) {
                // Blank records closing the file end the data, as they do for the serial reader.
                part.plain = got == 0 && part.last;
                Real v = 0;
                while (part.plain && records.next(record)) {
                    scanner.reset(record);
                    part.plain = scanner.next(v) == FieldKind::END;
                }
                part.plain = part.plain && !records.failed();
                if (part.plain) part.stop = part.end;
                return;
            }
            if (part.whole_rows && !scanner.exhausted()) {
                part.plain = false; // the serial reader reports the row
                return;
            }
            for (std::size_t j = 0; j < nvar; ++j)
                if (!pending[j].skip) part.values[j].push(obs[j]);
            ++part.rows;
            part.stop = records.offset();
        }
        if (records.failed()) part.plain = false;
    } catch (const std::bad_alloc&) {
        part.plain = false; // the serial reader meets the shortage in its own way
        part.rows = 0;
    }
}

// A record holding nothing but blanks: delimited reads pass over it.
bool blank_record(std::string_view record) {
    for (char c : record)
        if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
}

// The observation of a non-blank delimited record holding no double quote, its fields found and
// converted in one pass: a plain number is read where it stands, anything else goes to
// field_value as split_fields would have cut it. False when the record is not plain: a field
// that is neither a number nor missing, or (whole_rows) a value past the last name.
bool delimited_row(std::string_view record, char delimiter, const Part& part, Real* obs,
                   std::size_t nvar, Real missing_value) {
    const char* p = record.data();
    const char* const stop = p + record.size();
    bool more = true; // a field starts at p
    for (int k = 0; k < part.skip_cols && more; ++k) {
        const void* at = std::memchr(p, delimiter, static_cast<std::size_t>(stop - p));
        more = at != nullptr;
        if (more) p = static_cast<const char*>(at) + 1;
    }
    for (std::size_t j = 0; j < nvar; ++j) {
        if (!more) {
            obs[j] = missing_value;
            continue;
        }
        const char* end = quick_scan_field(p, stop, delimiter, obs[j]);
        if (end == nullptr) {
            const void* at = std::memchr(p, delimiter, static_cast<std::size_t>(stop - p));
            end = at != nullptr ? static_cast<const char*>(at) : stop;
            bool missing = true;
            if (!field_value(std::string_view(p, static_cast<std::size_t>(end - p)), obs[j],
                             missing))
                return false; // a bad value or a text column
            if (missing) obs[j] = missing_value;
        }
        more = end != stop;
        if (more) p = end + 1;
    }
    if (part.whole_rows && more) // the fields past the last name must all be empty
        for (; p != stop; ++p)
            if (*p != ' ' && *p != '\t' && *p != '\r' && *p != delimiter) return false;
    return true;
}

// Delimited records: one observation per non-blank record, every field a number or missing.
void scan_delimited_part(int fd, Part& part, const std::vector<PendingVariable>& pending,
                         Real missing_value) {
    const std::size_t nvar = pending.size();
    const std::size_t width = nvar + static_cast<std::size_t>(part.skip_cols);
    std::vector<Real> obs(nvar);
    std::vector<std::string_view> fields;
    try {
        PartRecords records(fd, part.begin, part.end);
        part.values.resize(nvar);
        std::string_view record;
        part.stop = part.begin;
        while (part.rows != part.limit && records.next(record)) {
            const char delimiter =
                part.delimiter != char(-1) ? part.delimiter : record_delimiter(record);
            if (delimiter != 0 && !blank_record(record) &&
                std::memchr(record.data(), '"', record.size()) == nullptr) {
                // Split and converted in one pass.
                if (!delimited_row(record, delimiter, part, obs.data(), nvar, missing_value)) {
                    part.plain = false;
                    return;
                }
                for (std::size_t j = 0; j < nvar; ++j)
                    if (!pending[j].skip) part.values[j].push(obs[j]);
                ++part.rows;
                part.stop = records.offset();
                continue;
            }
            split_fields(record, delimiter, fields);
            if (!fields.empty()) {
                if (part.whole_rows) { // values past the last name: the serial reader reports
                    std::size_t used = fields.size();
                    while (used > 0 && fields[used - 1].empty()) --used;
                    if (used > width) {
                        part.plain = false;
                        return;
                    }
                }
                for (std::size_t j = 0; j < nvar; ++j) {
                    const std::size_t at = j + static_cast<std::size_t>(part.skip_cols);
                    bool missing = true;
                    if (at < fields.size() && !field_value(fields[at], obs[j], missing)) {
                        part.plain = false; // a bad value or a text column
                        return;
                    }
                    if (missing) obs[j] = missing_value;
                }
                for (std::size_t j = 0; j < nvar; ++j)
                    if (!pending[j].skip) part.values[j].push(obs[j]);
                ++part.rows;
            }
            part.stop = records.offset();
        }
        if (records.failed()) part.plain = false;
    } catch (const std::bad_alloc&) {
        part.plain = false;
        part.rows = 0;
    }
}

// The offset of the first line end at or after `from` (-1: none before `to`, or unreadable).
off_t line_end_after(int fd, off_t from, off_t to) {
    char buf[4096];
    while (from < to) {
        const ssize_t got = pread(fd, buf, std::min<off_t>(sizeof buf, to - from), from);
        if (got <= 0) return -1;
        if (const void* nl = std::memchr(buf, '\n', static_cast<std::size_t>(got)))
            return from + (static_cast<const char*>(nl) - buf);
        from += got;
    }
    return -1;
}

} // namespace

void allow_split_reading(bool allowed) {
    split_allowed = allowed;
}
long long split_reads() {
    return splits_done;
}

namespace {

// Reads the data after the stream's position on two threads, `delimited` records or free-format
// ones; true when it took them (see read_observations_split).
bool read_split(ReadJob& job, DataLines& lines, long long& rows, bool delimited, char delimiter,
                int skip_cols) {
    std::FILE* fp = lines.stream();
    if (!split_allowed || job.interactive || job.command_stream || fp == nullptr ||
        job.pending.empty() || !two_threads_available())
        return false;
    const int fd = fileno(fp);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const off_t at = ftello(fp);
    if (at < 0 || st.st_size <= at || std::size_t(st.st_size - at) < SPLIT_MIN_BYTES) return false;
    const off_t nl = line_end_after(fd, at + (st.st_size - at) / 2, st.st_size);
    if (nl < 0 || nl + 1 >= st.st_size) return false;

    const long long wanted = job.count_known() ? job.expected() : -1;
    Part lower, upper;
    lower.begin = at;
    lower.end = upper.begin = nl + 1;
    upper.end = st.st_size;
    lower.limit = wanted;
    upper.last = true;
    lower.whole_rows = upper.whole_rows = job.names_from_file;
    lower.delimiter = upper.delimiter = delimiter;
    lower.skip_cols = upper.skip_cols = skip_cols;
    const Real missing = job.run.ws.XMISS;
    const auto scan = [&](Part& part) {
        if (delimited)
            scan_delimited_part(fd, part, job.pending, missing);
        else
            scan_part(fd, part, job.pending, missing);
    };
    std::thread second;
    try {
        second = std::thread([&] { scan(upper); });
    } catch (const std::system_error&) {
        return false;
    }
    scan(lower);
    second.join();

    // The observations the serial reader would take, and where it would leave the file.
    off_t stop = 0;
    if (lower.rows == wanted) {
        rows = wanted;
        stop = lower.stop;
        upper.values.clear();
    } else if (!lower.plain) {
        return false;
    } else if (wanted >= 0 && lower.rows + upper.rows >= wanted) {
        const long long from_upper = wanted - lower.rows;
        PartRecords again(fd, upper.begin, upper.end);
        std::string_view record;
        for (long long k = 0; k < from_upper; ++k) {
            if (!again.next(record)) return false;
            if (delimited && blank_record(record)) --k; // passed over, as the serial reader does
        }
        rows = wanted;
        stop = again.offset();
        for (ChunkedValues& v : upper.values) v.truncate(from_upper);
    } else if (!upper.plain) {
        return false;
    } else {
        rows = lower.rows + upper.rows;
        stop = upper.stop;
    }
    for (std::size_t j = 0; j < job.pending.size(); ++j) {
        job.pending[j].values.append(std::move(lower.values[j]));
        if (!upper.values.empty()) job.pending[j].values.append(std::move(upper.values[j]));
    }
    fseeko(fp, stop, SEEK_SET);
    ++splits_done;
    return true;
}

} // namespace

bool read_observations_split(ReadJob& job, DataLines& lines, long long& rows) {
    return read_split(job, lines, rows, false, char(-1), 0);
}

bool read_delimited_split(ReadJob& job, DataLines& lines, char delimiter, int skip_cols,
                          long long& rows) {
    return read_split(job, lines, rows, true, delimiter, skip_cols);
}

} // namespace tarvex
