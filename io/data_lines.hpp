// The records a READ takes its data from: the lines of a unit bound to a file (read in large
// buffered pieces), or the lines that follow the statement on the command input, where a line
// whose first word is END closes data of unknown length.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tarvex {

struct Run;

inline constexpr std::size_t LONGEST_DATA_RECORD = 100000;

class DataLines {
public:
    // `command_stream`: the unit is the command input (records come through the unit table and
    // the END line closes the data).
    DataLines(Run& run, int unit, bool command_stream);
    ~DataLines();
    DataLines(const DataLines&) = delete;
    DataLines& operator=(const DataLines&) = delete;

    // The next record (without its line end); false at the end of the data.
    bool next(std::string_view& line);
    // Records read so far.
    long count() const { return count_; }
    bool command_stream() const { return command_stream_; }
    // The stream of a unit bound to a file (nullptr for the command input).
    std::FILE* stream() const { return fp_; }

private:
    Run& run_;
    int unit_;
    bool command_stream_;
    std::FILE* fp_ = nullptr;
    char* buf_ = nullptr;
    std::size_t cap_ = 0;
    std::string record_;
    long count_ = 0;
    bool ended_ = false;
};

// The stream of a unit bound to a file; nullptr for an unbound unit or the console streams.
std::FILE* unit_stream(Run& run, int unit);

} // namespace tarvex
