// The records a READ takes its data from: the lines of a unit bound to a file (read in large
// buffered pieces), or the lines that follow the statement on the command input, where a line
// whose first word is END closes data of unknown length. A record is taken whole up to
// LONGEST_DATA_RECORD characters; a longer one is refused with an error naming the file.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tarvex {

struct Run;

// The longest data record READ takes (64 MiB): far beyond any real data file, and a bound on
// the memory a file without line ends (a device, a damaged file) can take.
inline constexpr std::size_t LONGEST_DATA_RECORD = std::size_t(1) << 26;

// Thrown by DataLines::next once it has reported a record longer than LONGEST_DATA_RECORD: the
// READ ends there, whatever layout was being read.
struct DataRecordTooLong {};

class DataLines {
public:
    // `command_stream`: the unit is the command input (records come through the unit table and
    // the END line closes the data).
    DataLines(Run& run, int unit, bool command_stream);
    ~DataLines();
    DataLines(const DataLines&) = delete;
    DataLines& operator=(const DataLines&) = delete;

    // The next record (without its line end); false at the end of the data. Throws
    // DataRecordTooLong, after the error line, for a record longer than LONGEST_DATA_RECORD.
    bool next(std::string_view& line);
    // Records read so far.
    long count() const { return count_; }
    bool command_stream() const { return command_stream_; }
    // The stream of a unit bound to a file (nullptr for the command input).
    std::FILE* stream() const { return fp_; }

private:
    bool next_from_stream(std::string_view& line);
    [[noreturn]] void too_long();

    Run& run_;
    int unit_;
    bool command_stream_;
    std::FILE* fp_ = nullptr;
    std::string record_;
    long count_ = 0;
    bool ended_ = false;
};

// The stream of a unit bound to a file; nullptr for an unbound unit or the console streams.
std::FILE* unit_stream(Run& run, int unit);

} // namespace tarvex
