// Where a READ takes its data from: the command input, a numbered unit, a file named in
// parentheses (bound to unit 88) or the decrypted copy of an encrypted file; and what happens to
// that unit at the end of the command (close, removal of the decrypted copy).
#pragma once

#include <string>

namespace tarvex {

struct Run;

inline constexpr int UNIT_NAMED_FILE = 88; // L88: a file named in the command

class ReadSource {
public:
    // `file`: the name written in parentheses ("" when a unit number or none was given).
    // `binary`: the file holds unformatted records.
    ReadSource(Run& run, int unit, std::string file, bool binary);
    ~ReadSource();
    ReadSource(const ReadSource&) = delete;
    ReadSource& operator=(const ReadSource&) = delete;

    // Binds the unit (decrypting first with `crypt`; network addresses are fetched); false after
    // the error has been written.
    bool open(bool crypt);
    int unit() const { return unit_; }
    bool command_stream() const { return command_stream_; }
    void rewind();
    void close_unit();
    // End of the command: the decrypted copy is closed and removed.
    void finish();

private:
    // Ends the command after AFILE or the decryption has reported why, with `number` in $ERR
    // (0: the number already stored, a failed fetch's).
    bool fail(int number);
    Run& run_;
    int unit_;
    std::string file_;
    bool command_stream_ = false;
    bool binary_ = false;
    std::string decrypted_copy_; // the decrypted copy bound to UNIT_DECRYPT ("" when none)
};

} // namespace tarvex
