// The temporary-file-and-rename replacement of whole files.
#include "core/file_replace.hpp"

#include "core/interrupt.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

namespace {

bool files_written = true; // see set_files_written_here

int last_error() {
    return errno != 0 ? errno : EIO;
}

// The permission bits a new file gets from an open with mode 0666.
mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// "dir/.name.XXXXXX" beside `target`.
std::string temp_pattern(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return dir + "." + base + ".XXXXXX";
}

} // namespace

mode_t replacement_mode(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    return new_file_mode();
}

int write_refusal(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return 0; // a new file: its directory decides
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (::access(target.c_str(), W_OK) != 0) return last_error();
    return 0;
}

void set_files_written_here(bool written) {
    files_written = written;
}

bool files_written_here() {
    return files_written;
}

int begin_replacement(const std::string& target, Replacement& out) {
    out = Replacement{};
    out.target = target;
    if (!files_written) {
        if (const int refused = write_refusal(target); refused != 0) return refused;
        out.fp = std::fopen("/dev/null", "wb"); // rank 0 writes the file
        return out.fp != nullptr ? 0 : last_error();
    }
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) return EISDIR;
        out.fp = std::fopen(target.c_str(), "wb"); // a device or a pipe: written directly
        return out.fp != nullptr ? 0 : last_error();
    }
    if (int refused = write_refusal(target); refused != 0) return refused;
    std::string temp = temp_pattern(target);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int error = last_error();
        if (!exists || (error != EACCES && error != EPERM && error != EROFS)) return error;
        out.fp = std::fopen(target.c_str(), "wb"); // no room beside it: rewrite in place
        return out.fp != nullptr ? 0 : last_error();
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : new_file_mode();
    out.fp = ::fdopen(fd, "w+b");
    if (out.fp == nullptr || ::fchmod(fd, mode) != 0) {
        const int error = last_error();
        if (out.fp != nullptr)
            std::fclose(out.fp);
        else
            ::close(fd);
        ::unlink(temp.c_str());
        out.fp = nullptr;
        return error;
    }
    out.temp = std::move(temp);
    register_temporary(out.temp); // a signal during the writes removes the unfinished file
    return 0;
}

int end_replacement(Replacement& r, bool keep, int write_error) {
    int error = write_error;
    if (r.fp != nullptr) {
        if (std::fflush(r.fp) != 0 && error == 0) error = last_error();
        if (std::ferror(r.fp) && error == 0) error = EIO;
        // The new content is on the disk before its name replaces the old file: a crash
        // between the two leaves the old file, never an empty one.
        if (!r.temp.empty() && keep && error == 0 && ::fsync(::fileno(r.fp)) != 0)
            error = last_error();
        if (std::fclose(r.fp) != 0 && error == 0) error = last_error();
        r.fp = nullptr;
    }
    if (!r.temp.empty()) {
        if (keep && error == 0 && std::rename(r.temp.c_str(), r.target.c_str()) != 0)
            error = last_error();
        if (!keep || error != 0) ::unlink(r.temp.c_str());
        forget_temporary(r.temp);
        r.temp.clear();
    }
    return error;
}

int write_file_text(const std::string& target, std::string_view text, bool append) {
    errno = 0;
    if (!append) {
        Replacement r;
        if (const int error = begin_replacement(target, r); error != 0) return error;
        const bool put = std::fwrite(text.data(), 1, text.size(), r.fp) == text.size();
        return end_replacement(r, true, put ? 0 : last_error());
    }
    if (const int refused = write_refusal(target); refused != 0) return refused;
    if (!files_written) return 0; // rank 0 adds the text
    std::FILE* fp = std::fopen(target.c_str(), "ab");
    if (fp == nullptr) return last_error();
    struct stat st {};
    const bool regular = ::fstat(::fileno(fp), &st) == 0 && S_ISREG(st.st_mode);
    int error = 0;
    if (std::fwrite(text.data(), 1, text.size(), fp) != text.size()) error = last_error();
    if (std::fflush(fp) != 0 && error == 0) error = last_error();
    // What went in before the failure is taken out again: the file ends where it ended.
    if (error != 0 && regular) (void)::ftruncate(::fileno(fp), st.st_size);
    if (std::fclose(fp) != 0 && error == 0) error = last_error();
    return error;
}

} // namespace tarvex
