// Binding the unit a READ reads from, decryption of encrypted files, rewind and close.
#include "io/read_source.hpp"

#include "interp/run.hpp"
#include "io/data_lines.hpp"
#include "io/read_internal.hpp"
#include "numeric/fortran_format.hpp"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace tarvex {

namespace {

constexpr int TEMP_NAME_SERVICE = 34;
constexpr int PASSPHRASE_SERVICE = 35;
constexpr int ENVIRONMENT_SERVICE = 32;

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool is_network_address(const std::string& name) {
    return name.find("http://") != std::string::npos || name.find("ftp://") != std::string::npos;
}

std::string temp_directory(const Run& run) {
    std::string dir = run.host.VTEMP;
    if (dir.empty()) {
        const char* env = std::getenv("TEMP");
        dir = env != nullptr ? env : "/tmp";
    }
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

// Binds `unit` to an existing file for reading; a missing file is reported and left unbound.
bool bind_for_reading(Run& run, int unit, const std::string& path) {
    if (!file_exists(path)) {
        write_line(run, " ...WARNING..FILE DOES NOT EXIST: " + path);
        write_line(run, " " + path);
        write_line(run, "");
        run.flags.ODONT = true;
        return false;
    }
    if (!open_unit(run, unit, path, "rb")) {
        read_error(run, " ...ERROR..OPEN ERROR ON UNIT" + fmt_I(unit, 3) + " FILE=" + path);
        return false;
    }
    return true;
}

} // namespace

ReadSource::ReadSource(Run& run, int unit, std::string file)
    : run_(run), unit_(unit), file_(std::move(file)) {}

ReadSource::~ReadSource() { finish(); }

bool ReadSource::open(bool crypt) {
    if (!file_.empty()) {
        if (is_network_address(file_)) {
            read_error(run_, " ...ERROR..NETWORK TRANSFER IS NOT AVAILABLE: " + file_);
            return false;
        }
        if (crypt) {
            std::string passvar;
            MACDEP(run_, PASSPHRASE_SERVICE, passvar);
            std::string passphrase = passvar;
            MACDEP(run_, ENVIRONMENT_SERVICE, passphrase);
            std::string temp_name;
            MACDEP(run_, TEMP_NAME_SERVICE, temp_name);
            const std::string copy = temp_directory(run_) + temp_name;
            const std::string command = "echo " + passphrase + "|" +
                                        "gpg --batch --passphrase-fd 0 " + " -o " + copy + " " +
                                        file_;
            SYSCMD(run_, command);
            if (!file_exists(copy)) {
                read_error(run_, " ...ERROR..FILE COULD NOT BE DECRYPTED: " + file_);
                return false;
            }
            decrypted_ = true;
            unit_ = UNIT_DECRYPTED;
            if (!bind_for_reading(run_, unit_, copy)) return false;
            return true;
        }
        unit_ = UNIT_NAMED_FILE;
        return bind_for_reading(run_, unit_, file_);
    }
    if (unit_ == run_.L5 || unit_ == run_.IN) {
        command_stream_ = true;
        unit_ = run_.IN;
        return true;
    }
    if (!unit_is_open(run_, unit_)) {
        read_error(run_, " ...ERROR..UNIT" + fmt_I(unit_, 4) + " IS NOT ASSIGNED TO A FILE");
        return false;
    }
    return true;
}

void ReadSource::rewind() {
    if (command_stream_) return;
    if (std::FILE* fp = unit_stream(run_, unit_)) std::rewind(fp);
}

void ReadSource::close_unit() {
    if (!command_stream_) tarvex::close_unit(run_, unit_);
}

void ReadSource::finish() {
    if (!decrypted_) return;
    decrypted_ = false;
    tarvex::close_unit(run_, UNIT_DECRYPTED, true);
}

} // namespace tarvex
