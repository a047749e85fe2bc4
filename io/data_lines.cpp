// Data records for READ from files and from the command input.
#include "io/data_lines.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/read_command.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"

#include <cstdio>
#include <cstring>

namespace tarvex {

namespace {

// A line whose first word is END (in any case) closes data typed after the statement.
bool is_end_line(std::string_view line) {
    std::size_t pos = line.find_first_not_of(" \t");
    if (pos == std::string_view::npos || line.size() - pos < 3) return false;
    if (upper_ascii(line[pos]) != 'E' || upper_ascii(line[pos + 1]) != 'N' ||
        upper_ascii(line[pos + 2]) != 'D')
        return false;
    return pos + 3 == line.size() || line[pos + 3] == ' ' || line[pos + 3] == '\t' ||
           line[pos + 3] == ';';
}

} // namespace

std::FILE* unit_stream(Run& run, int unit) {
    auto it = run.units.open.find(unit);
    if (it == run.units.open.end() || it->second.fp == nullptr || !it->second.owned) return nullptr;
    return it->second.fp;
}

DataLines::DataLines(Run& run, int unit, bool command_stream)
    : run_(run), unit_(unit), command_stream_(command_stream) {
    if (command_stream_) return;
    fp_ = unit_stream(run, unit);
    // After a write on the unit the stream must be repositioned before it is read.
    if (UnitFile* file = unit_file(run, unit); file != nullptr && fp_ != nullptr) {
        if (file->writing) std::fseek(fp_, 0, SEEK_CUR);
        file->writing = false;
        file->reading = true;
    }
}

DataLines::~DataLines() = default;

void DataLines::too_long() {
    ended_ = true;
    const UnitFile* file = unit_file(run_, unit_);
    const std::string where = command_stream_ ? std::string("THE COMMAND INPUT")
                              : file != nullptr && !file->path.empty()
                                  ? file->path
                                  : "UNIT " + std::to_string(unit_);
    const std::string text = " ...ERROR..RECORD" + fmt_I(count_ + 1, 9) + " IS LONGER THAN " +
                             std::to_string(LONGEST_DATA_RECORD) + " CHARACTERS IN:";
    // A path too long for the line follows on lines of its own.
    const bool fits = text.size() + 1 + where.size() <= LINE_WIDTH;
    report_error(run_, fits ? text + " " + where : text, ERR_READ_RECORD_TOO_LONG);
    for (std::size_t at = 0; !fits && at < where.size(); at += LINE_WIDTH - 1)
        write_line(run_, " " + where.substr(at, LINE_WIDTH - 1));
    throw DataRecordTooLong{};
}

// One line of the file, up to the limit, so that a file without line ends takes no more memory
// than the longest record allowed. With the C library's buffer in reach, the line end is found
// by a search of the bytes already buffered and those bytes are taken in one piece (the stream
// is left where a read character by character would leave it); otherwise character by character.
bool DataLines::next_from_stream(std::string_view& line) {
    record_.clear();
    int c = getc_unlocked(fp_);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        if (record_.size() > LONGEST_DATA_RECORD) too_long(); // one spare for a final \r
        record_.push_back(static_cast<char>(c));
#if defined(__GLIBC__)
        // The bytes buffered: at most up to the line end, and never past the character whose
        // reading tells a record that is too long.
        const char* from = fp_->_IO_read_ptr;
        const std::size_t room = LONGEST_DATA_RECORD + 2 - record_.size();
        std::size_t have = static_cast<std::size_t>(fp_->_IO_read_end - from);
        if (have > room) have = room;
        const char* nl = static_cast<const char*>(std::memchr(from, '\n', have));
        const std::size_t take = nl != nullptr ? static_cast<std::size_t>(nl - from) : have;
        if (take > 0) {
            if (record_.size() + take > LONGEST_DATA_RECORD + 1) {
                fp_->_IO_read_ptr += take;
                too_long();
            }
            record_.append(from, take);
            fp_->_IO_read_ptr += take;
        }
#endif
        c = getc_unlocked(fp_);
    }
    while (!record_.empty() && record_.back() == '\r') record_.pop_back();
    if (record_.size() > LONGEST_DATA_RECORD) too_long();
    line = record_;
    return true;
}

bool DataLines::next(std::string_view& line) {
    if (ended_) return false;
    if (fp_ != nullptr) {
        if (!next_from_stream(line)) {
            ended_ = true;
            return false;
        }
        ++count_;
        return true;
    }
    // One character past the limit tells a record that is too long.
    if (!read_record(run_, unit_, record_, LONGEST_DATA_RECORD + 1)) {
        ended_ = true;
        return false;
    }
    if (record_.size() > LONGEST_DATA_RECORD) too_long();
    if (command_stream_ && is_end_line(record_)) {
        ended_ = true;
        return false;
    }
    line = record_;
    ++count_;
    return true;
}

} // namespace tarvex
