// The unit table over C streams: binding numbered units to the run's console streams and to
// files, reading and writing formatted and unformatted sequential records, and positioning.
#include "core/units.hpp"

#include "core/file_replace.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "host/tarvextern.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr std::size_t MARKER_BYTES = 4; // length marker of an unformatted record
constexpr long BACKWARD_CHUNK = 4096;   // bytes examined at a time when backspacing text

UnitFile* find_unit(Run& run, int unit) {
    auto it = run.units.open.find(unit);
    return it == run.units.open.end() ? nullptr : &it->second;
}

bool positionable(const UnitFile& file) {
    return file.fp != nullptr && file.fp != stdin && file.fp != stdout && file.fp != stderr &&
           std::ftell(file.fp) >= 0;
}

// After a write, a read must not follow without a positioning call on the same stream.
void prepare_read(UnitFile& file) {
    if (file.writing) std::fseek(file.fp, 0, SEEK_CUR);
    file.writing = false;
    file.reading = true;
}

// Keeps the first write failure of the unit for check_unit_writes. A file opened for reading
// only refuses every write because the user may not write it: that is the reason reported.
void note_write(UnitFile& file, bool ok) {
    if (!ok && file.write_error == 0)
        file.write_error = file.read_only ? EACCES : errno != 0 ? errno : EIO;
}

// Cuts an owned regular file after the current position.
void end_file_at_position(UnitFile& file) {
    if (!file.owned || file.read_only) return;
    const long here = std::ftell(file.fp);
    if (here < 0) return;
    note_write(file, std::fflush(file.fp) == 0);
    struct stat st {};
    if (fstat(fileno(file.fp), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > here)
        note_write(file, ftruncate(fileno(file.fp), here) == 0);
}

// A write that follows a read or a repositioning ends the file there: the records after it
// are gone, as in any sequential file. Streams the run was given are never cut.
void prepare_write(UnitFile& file) {
    if (file.reading) {
        std::fseek(file.fp, 0, SEEK_CUR);
        end_file_at_position(file);
    }
    file.reading = false;
    file.writing = true;
}

// Marks the unit as positioned (the next write ends the file there).
void positioned(UnitFile& file) {
    file.writing = false;
    file.reading = true;
}

long long file_size(std::FILE* fp) {
    struct stat st {};
    if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

// The damaged tail of an unformatted file: the unit is left at the end.
bool mark_damaged(UnitFile& file) {
    file.damaged = true;
    std::fseek(file.fp, 0, SEEK_END);
    positioned(file);
    return false;
}

// The start of the text record that ends just before `pos` (its newline at pos - 1, or a
// last record without a newline ending at pos).
long start_of_previous_line(std::FILE* fp, long pos) {
    long scan = pos - 1; // the record's own last byte
    char last = 0;
    if (std::fseek(fp, scan, SEEK_SET) != 0) return -1;
    if (std::fread(&last, 1, 1, fp) != 1) return -1;
    if (last == '\n') --scan;
    char chunk[BACKWARD_CHUNK];
    while (scan >= 0) {
        long from = std::max(0L, scan - BACKWARD_CHUNK + 1);
        long n = scan - from + 1;
        if (std::fseek(fp, from, SEEK_SET) != 0) return -1;
        if (std::fread(chunk, 1, std::size_t(n), fp) != std::size_t(n)) return -1;
        for (long k = n - 1; k >= 0; --k)
            if (chunk[k] == '\n') return from + k + 1;
        scan = from - 1;
    }
    return 0;
}

} // namespace

UnitTable::~UnitTable() {
    for (auto& [unit, file] : open) {
        if (!file.replace_temp.empty()) {
            Replacement r{file.fp, file.path, file.replace_temp};
            end_replacement(r, false, 0); // a whole file its command did not finish
            continue;
        }
        if (file.owned && file.fp != nullptr) std::fclose(file.fp);
        if (file.owned && file.remove_at_close && !file.path.empty()) {
            std::remove(file.path.c_str());
            forget_temporary(file.path);
        }
    }
}

void attach_unit(Run& run, int unit, std::FILE* fp) {
    close_unit(run, unit);
    UnitFile file;
    file.fp = fp;
    file.owned = false;
    run.units.open[unit] = file;
}

bool open_unit(Run& run, int unit, const std::string& path, const char* mode) {
    close_unit(run, unit);
    std::FILE* fp = std::fopen(path.c_str(), mode);
    if (fp == nullptr) return false;
    UnitFile file;
    file.fp = fp;
    file.path = path;
    run.units.open[unit] = file;
    return true;
}

int open_unit_file(Run& run, int unit, const std::string& path, const UnitOpen& how) {
    close_unit(run, unit);
    UnitFile file;
    file.formatted = !how.unformatted;
    if (how.status == UnitStatus::Scratch) {
        file.fp = std::tmpfile();
        if (file.fp == nullptr) return errno != 0 ? errno : EIO;
        file.scratch = true;
        positioned(file);
        run.units.open[unit] = file;
        return 0;
    }
    if (path.empty()) return ENOENT;
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return EISDIR;
    if (how.status == UnitStatus::Old && !exists) return ENOENT;
    if (how.status == UnitStatus::New && exists) return EEXIST;
    errno = 0;
    if (how.replace && !how.append) {
        Replacement r;
        if (int error = begin_replacement(path, r); error != 0) return error;
        file.fp = r.fp;
        file.replace_temp = r.temp;
    } else if (how.append && !files_written_here()) {
        file.fp = std::fopen("/dev/null", "w+b"); // rank 0 adds the records
    } else if (how.status == UnitStatus::Replace || !exists) {
        file.fp = std::fopen(path.c_str(), "w+b");
    } else {
        file.fp = std::fopen(path.c_str(), "r+b");
        if (file.fp == nullptr && !how.for_writing &&
            (errno == EACCES || errno == EROFS || errno == EPERM)) {
            file.fp = std::fopen(path.c_str(), "rb"); // a read-only file can still be read
            file.read_only = true;
        }
    }
    if (file.fp == nullptr) return errno != 0 ? errno : EIO;
    if (how.block_size <= 1)
        std::setvbuf(file.fp, nullptr, _IONBF, 0);
    else
        std::setvbuf(file.fp, nullptr, _IOFBF, how.block_size);
    file.path = path;
    if (how.append) std::fseek(file.fp, 0, SEEK_END);
    positioned(file);
    run.units.open[unit] = file;
    return 0;
}

int close_unit(Run& run, int unit, bool remove_file) {
    auto it = run.units.open.find(unit);
    if (it == run.units.open.end()) return 0;
    UnitFile& file = it->second;
    int error = 0;
    if (!file.replace_temp.empty()) {
        Replacement r{file.fp, file.path, file.replace_temp};
        error = end_replacement(r, !remove_file, file.write_error);
        run.units.open.erase(it);
        return error;
    }
    if (file.owned && file.fp != nullptr) {
        error = file.write_error; // a failed write no check has reported yet
        if (std::fflush(file.fp) != 0 && error == 0) error = errno != 0 ? errno : EIO;
        if (std::fclose(file.fp) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    } else if (file.fp != nullptr) {
        std::fflush(file.fp);
    }
    if ((remove_file || file.remove_at_close) && file.owned && !file.path.empty() &&
        std::remove(file.path.c_str()) != 0 && error == 0)
        error = errno != 0 ? errno : EIO;
    if (remove_file || file.remove_at_close) forget_temporary(file.path);
    run.units.open.erase(it);
    return error;
}

bool unit_is_open(const Run& run, int unit) {
    return run.units.open.count(unit) != 0;
}

const UnitFile* unit_file(const Run& run, int unit) {
    auto it = run.units.open.find(unit);
    return it == run.units.open.end() ? nullptr : &it->second;
}

UnitFile* unit_file(Run& run, int unit) {
    return find_unit(run, unit);
}

bool read_record(Run& run, int unit, std::string& record, std::size_t maxlen) {
    interrupt_checkpoint(); // Ctrl-C ends a command that reads record after record
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || file->fp == nullptr) return false;
    record.clear();
    // Console input from the terminal: what was written so far must show before the prompt,
    // and a host program that registered a reader supplies the line.
    if (file->fp == stdin) {
        if (UnitFile* out = find_unit(run, 6); out != nullptr && out->fp != nullptr)
            std::fflush(out->fp);
        if (host::has_reader()) {
            std::string line;
            const bool read = host::read_line(line);
            interrupt_checkpoint(); // the line was cut short by Ctrl-C
            if (!read) return false;
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            record = line.substr(0, maxlen);
            return true;
        }
    }
    prepare_read(*file);
    int c = 0;
    bool any = false;
    while ((c = std::getc(file->fp)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (record.size() < maxlen + 1) record.push_back(char(c)); // one spare for a final \r
    }
    if (!any) return false;
    if (!record.empty() && record.back() == '\r') record.pop_back();
    if (record.size() > maxlen) record.resize(maxlen);
    return true;
}

void write_record(Run& run, int unit, std::string_view record) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || file->fp == nullptr) return;
    prepare_write(*file);
    note_write(*file, std::fwrite(record.data(), 1, record.size(), file->fp) == record.size() &&
                          std::fputc('\n', file->fp) != EOF);
}

void write_bytes(Run& run, int unit, const void* data, std::size_t size) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || file->fp == nullptr) return;
    prepare_write(*file);
    note_write(*file, std::fwrite(data, 1, size, file->fp) == size);
}

int check_unit_writes(Run& run, int unit, bool end_file_here) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || file->fp == nullptr) return 0;
    note_write(*file, std::fflush(file->fp) == 0);
    if (end_file_here) end_file_at_position(*file);
    if (std::ferror(file->fp) && file->write_error == 0) file->write_error = EIO;
    const int error = file->write_error;
    file->write_error = 0;
    std::clearerr(file->fp);
    return error;
}

bool read_unformatted_record(Run& run, int unit, std::vector<unsigned char>& record) {
    interrupt_checkpoint();
    record.clear();
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || file->fp == nullptr) return false;
    prepare_read(*file);
    std::int32_t head = 0;
    std::size_t got = std::fread(&head, 1, MARKER_BYTES, file->fp);
    if (got == 0) return false; // the end of the file
    if (got != MARKER_BYTES || head < 0) return mark_damaged(*file);
    long here = std::ftell(file->fp);
    long long size = file_size(file->fp);
    // A length beyond the end of the file cannot be right: nothing that large is allocated.
    if (here >= 0 && size >= 0 && here + (long long)head + (long long)MARKER_BYTES > size)
        return mark_damaged(*file);
    record.resize(std::size_t(head));
    if (head > 0 && std::fread(record.data(), 1, record.size(), file->fp) != record.size()) {
        record.clear();
        return mark_damaged(*file);
    }
    std::int32_t tail = 0;
    if (std::fread(&tail, 1, MARKER_BYTES, file->fp) != MARKER_BYTES || tail != head) {
        record.clear();
        return mark_damaged(*file);
    }
    return true;
}

bool write_unformatted_record(Run& run, int unit, std::span<const unsigned char> record) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || file->fp == nullptr) return false;
    if (record.size() > std::size_t(INT32_MAX) - 2 * MARKER_BYTES) return false;
    prepare_write(*file);
    const std::int32_t length = std::int32_t(record.size());
    bool ok = std::fwrite(&length, 1, MARKER_BYTES, file->fp) == MARKER_BYTES;
    if (ok && !record.empty())
        ok = std::fwrite(record.data(), 1, record.size(), file->fp) == record.size();
    ok = ok && std::fwrite(&length, 1, MARKER_BYTES, file->fp) == MARKER_BYTES;
    note_write(*file, ok);
    return ok;
}

bool rewind_unit(Run& run, int unit) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || !positionable(*file)) return false;
    std::fflush(file->fp);
    std::rewind(file->fp);
    file->damaged = false;
    positioned(*file);
    return true;
}

bool backspace_unit(Run& run, int unit) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || !positionable(*file)) return false;
    std::fflush(file->fp);
    long pos = std::ftell(file->fp);
    positioned(*file);
    if (pos <= 0) return true;
    if (!file->formatted) {
        std::int32_t tail = 0;
        if (pos < long(2 * MARKER_BYTES) ||
            std::fseek(file->fp, pos - long(MARKER_BYTES), SEEK_SET) != 0 ||
            std::fread(&tail, 1, MARKER_BYTES, file->fp) != MARKER_BYTES || tail < 0 ||
            pos - long(2 * MARKER_BYTES) - long(tail) < 0) {
            std::fseek(file->fp, pos, SEEK_SET);
            return false;
        }
        std::fseek(file->fp, pos - long(2 * MARKER_BYTES) - long(tail), SEEK_SET);
        file->damaged = false;
        return true;
    }
    long start = start_of_previous_line(file->fp, pos);
    if (start < 0) {
        std::fseek(file->fp, pos, SEEK_SET);
        return false;
    }
    std::fseek(file->fp, start, SEEK_SET);
    return true;
}

bool append_position(Run& run, int unit) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || !positionable(*file)) return false;
    std::fflush(file->fp);
    std::fseek(file->fp, 0, SEEK_END);
    positioned(*file);
    return true;
}

UnitInquiry inquire_unit(const Run& run, int unit) {
    UnitInquiry answer;
    const UnitFile* file = unit_file(run, unit);
    if (file == nullptr) return answer;
    answer.open = true;
    answer.path = file->path;
    answer.formatted = file->formatted;
    answer.position = file->fp != nullptr ? std::ftell(file->fp) : -1;
    return answer;
}

FileInquiry inquire_file(const Run& run, const std::string& path) {
    FileInquiry answer;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) answer.error = errno;
        return answer;
    }
    answer.exists = true;
    answer.is_directory = S_ISDIR(st.st_mode);
    // The same file may be named in many ways: compare the files themselves.
    for (const auto& [unit, file] : run.units.open) {
        if (file.fp == nullptr || file.path.empty()) continue;
        struct stat open_st {};
        if (fstat(fileno(file.fp), &open_st) != 0) continue;
        if (open_st.st_dev == st.st_dev && open_st.st_ino == st.st_ino) {
            answer.open = true;
            answer.unit = unit;
            break;
        }
    }
    return answer;
}

void abandon_replacements(Run& run) {
    for (auto it = run.units.open.begin(); it != run.units.open.end();) {
        UnitFile& file = it->second;
        if (file.replace_temp.empty()) {
            ++it;
            continue;
        }
        Replacement r{file.fp, file.path, file.replace_temp};
        end_replacement(r, false, 0);
        file.replace_temp.clear();
        file.write_error = 0;
        file.fp = std::fopen(file.path.c_str(), "r+b");
        if (file.fp == nullptr) {
            it = run.units.open.erase(it);
            continue;
        }
        std::fseek(file.fp, 0, SEEK_END);
        positioned(file);
        ++it;
    }
}

// Units closed by RESET, keeping their files, and the scratch units whose files go with them.
constexpr int KEPT_UNITS[] = {80, 88, 91, 94};
constexpr int SCRATCH_UNITS[] = {92, 93, 98};

void close_run_files(Run& run) {
    for (int unit = 11; unit <= 49; ++unit) close_unit(run, unit);
    for (int unit : KEPT_UNITS) close_unit(run, unit);
    for (int unit : SCRATCH_UNITS) close_unit(run, unit, true);
}

} // namespace tarvex
