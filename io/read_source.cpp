// Binding the unit a READ reads from (AFILE for named files, network addresses and decrypted
// copies), rewind and close.
#include "io/read_source.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "io/afile.hpp"
#include "io/crypt.hpp"
#include "io/read_command.hpp"
#include "io/read_internal.hpp"
#include "numeric/fortran_format.hpp"

namespace tarvex {

ReadSource::ReadSource(Run& run, int unit, std::string file, bool binary)
    : run_(run), unit_(unit), file_(std::move(file)), binary_(binary) {}

ReadSource::~ReadSource() {
    finish();
}

bool ReadSource::open(bool crypt) {
    AfileRequest req;
    req.from_read = true;
    req.unformatted = binary_;
    if (!file_.empty()) {
        if (is_network_address(file_)) {
            unit_ = UNIT_NETWORK;
            return AFILE(run_, binary_ ? CODE_FTPB : CODE_FTP, file_, req) || fail(0);
        }
        if (crypt) {
            std::optional<std::string> copy = decrypt_to_temp(run_, file_);
            if (!copy) return fail(ERR_READ_NO_FILE);
            decrypted_copy_ = *copy;
            unit_ = UNIT_DECRYPT;
            req.quiet = true; // no notes about the temporary copy
            if (!AFILE(run_, unit_, *copy, req)) {
                finish();
                return fail(ERR_READ_NO_FILE);
            }
            return true;
        }
        unit_ = UNIT_NAMED_FILE;
        if (AFILE(run_, unit_, file_, req)) return true;
        // The binder has said why (a missing file, an open error): $ERR tells a procedure that
        // nothing was read.
        report_error(run_, "", ERR_READ_NO_FILE);
        return false;
    }
    if (unit_ == run_.L5 || unit_ == run_.IN) {
        command_stream_ = true;
        unit_ = run_.IN;
        return true;
    }
    if (!unit_is_open(run_, unit_)) {
        report_error(run_, " ...ERROR..UNIT" + fmt_I(unit_, 4) + " IS NOT ASSIGNED TO A FILE",
                     ERR_READ_UNIT_UNBOUND);
        return false;
    }
    return true;
}

bool ReadSource::fail(int number) {
    report_error(run_, "", number);
    return false;
}

void ReadSource::rewind() {
    if (!command_stream_) rewind_unit(run_, unit_);
}

void ReadSource::close_unit() {
    if (!command_stream_) tarvex::close_unit(run_, unit_);
}

void ReadSource::finish() {
    if (decrypted_copy_.empty()) return;
    tarvex::close_unit(run_, UNIT_DECRYPT, true);
    remove_decrypted_copy(decrypted_copy_);
    decrypted_copy_.clear();
}

} // namespace tarvex
