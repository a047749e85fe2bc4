// Data records for READ from files and from the command input.
#include "io/data_lines.hpp"

#include "interp/run.hpp"

#include <cstdlib>
#include <sys/types.h>

namespace tarvex {

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// A line whose first word is END (in any case) closes data typed after the statement.
bool is_end_line(std::string_view line) {
    std::size_t pos = line.find_first_not_of(" \t");
    if (pos == std::string_view::npos || line.size() - pos < 3) return false;
    if (upper(line[pos]) != 'E' || upper(line[pos + 1]) != 'N' || upper(line[pos + 2]) != 'D')
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

DataLines::~DataLines() { std::free(buf_); }

bool DataLines::next(std::string_view& line) {
    if (ended_) return false;
    if (fp_ != nullptr) {
        ssize_t n = getline(&buf_, &cap_, fp_);
        if (n < 0) {
            ended_ = true;
            return false;
        }
        while (n > 0 && (buf_[n - 1] == '\n' || buf_[n - 1] == '\r')) --n;
        if (static_cast<std::size_t>(n) > LONGEST_DATA_RECORD) n = LONGEST_DATA_RECORD;
        line = std::string_view(buf_, static_cast<std::size_t>(n));
        ++count_;
        return true;
    }
    if (!read_record(run_, unit_, record_, LONGEST_DATA_RECORD)) {
        ended_ = true;
        return false;
    }
    if (command_stream_ && is_end_line(record_)) {
        ended_ = true;
        return false;
    }
    line = record_;
    ++count_;
    return true;
}

} // namespace tarvex
