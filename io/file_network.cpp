// The FILE network requests: FTP and FTPB fetch an address into a temporary copy bound to the
// network unit (FTPB for unformatted records), a unit number with an address fetches into that
// unit, DOWNLOAD saves the file in the transfer directory without binding it, and TIMEOUT sets
// the longest time a transfer may take. Errors are reported without ending anything: the
// command that made the request decides.
#include "core/error_report.hpp"
#include "core/file_replace.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "io/afile_parts.hpp"
#include "io/file_errors.hpp"
#include "io/net_fetch.hpp"
#include "numeric/fortran_format.hpp"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex::afile_detail {

namespace {

constexpr int ERR_FETCH_FAILED = 63092;    // a transfer that did not bring the whole file
constexpr int ERR_TIMEOUT_INVALID = 63093; // FILE TIMEOUT with something else than seconds

// The last part of an address's path ("data.dat" of "http://host/dir/data.dat?x=1").
std::string base_name(const std::string& address) {
    std::string path = address.substr(address.find("//") + 2);
    path = path.substr(0, path.find_first_of("?#"));
    std::size_t slash = path.rfind('/');
    std::string base = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    return base.empty() ? std::string("DOWNLOAD.TMP") : base;
}

// The extension of the address's file name (".dif" ...), kept on the local copy so that
// readers that look at the name see the same kind of file.
std::string extension(const std::string& address) {
    std::string base = base_name(address);
    std::size_t dot = base.rfind('.');
    return dot == std::string::npos ? std::string() : base.substr(dot);
}

bool fetch_failed(Run& run, int unit, const std::string& address, const FetchResult& result) {
    report_error(run, " ...ERROR..CANNOT FETCH " + address, ERR_FETCH_FAILED,
                 ErrorSeverity::CONTINUES);
    if (!result.reason.empty()) write_line(run, " " + result.reason);
    report_error(run,
                 " ...ERROR..OPEN ERROR ON UNIT" + unit_field(unit, 3) +
                     " ERROR=" + fmt_I(result.code, 6) + " FILE=" + field(address, 72),
                 0, ErrorSeverity::CONTINUES);
    return false;
}

// The file comes into "dir/.name.XXXXXX" beside its destination and takes the destination's
// name only when the whole of it has arrived: a failed transfer (a missing page, the size or
// time limit, Ctrl-C) leaves a file of the same name that was there before as it was.
bool download(Run& run, const std::string& address, const AfileRequest& req) {
    std::string dir = run.files.FTPPATH;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    const std::string destination = dir + base_name(address);
    std::string arriving = dir + "." + base_name(address) + ".XXXXXX";
    const int fd = ::mkstemp(arriving.data());
    if (fd < 0) {
        FetchResult refused;
        refused.code = errno;
        refused.reason = "CANNOT CREATE A FILE IN " + (dir.empty() ? std::string("./") : dir);
        return fetch_failed(run, CODE_DOWNLOAD, address, refused);
    }
    ::close(fd);
    FetchResult result = fetch_url(address, arriving, run.files.fetch_seconds);
    if (!result.ok) return fetch_failed(run, CODE_DOWNLOAD, address, result); // arriving removed
    if (::chmod(arriving.c_str(), replacement_mode(destination)) != 0 ||
        std::rename(arriving.c_str(), destination.c_str()) != 0) {
        result.ok = false;
        result.code = errno;
        result.reason = "CANNOT WRITE " + destination;
        std::remove(arriving.c_str());
        forget_temporary(arriving);
        return fetch_failed(run, CODE_DOWNLOAD, address, result);
    }
    forget_temporary(arriving); // a download is the user's file, not a temporary copy
    if (notes_on(run, req)) write_line(run, " ...NOTE..FILE SAVED AS: " + destination);
    return true;
}

} // namespace

// FILE TIMEOUT seconds: the longest time a network transfer may take from now on; a blank
// gives back the default.
bool file_fetch_time(Run& run, const std::string& text) {
    if (text.empty()) {
        run.files.fetch_seconds = DEFAULT_FETCH_SECONDS;
        return true;
    }
    long seconds = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds < 1 ||
        seconds > LONGEST_FETCH_SECONDS) {
        report_error(run,
                     " ...ERROR..FILE TIMEOUT TAKES A WHOLE NUMBER OF SECONDS FROM 1 TO " +
                         std::to_string(LONGEST_FETCH_SECONDS) + ", NOT " + text,
                     ERR_TIMEOUT_INVALID, ErrorSeverity::CONTINUES);
        return false;
    }
    run.files.fetch_seconds = seconds;
    return true;
}

bool file_network(Run& run, int code, const std::string& name, const AfileRequest& req) {
    if (!is_network_address(name)) {
        if (code == CODE_DOWNLOAD) {
            report_error(run, " ...ERROR..NOT A NETWORK ADDRESS: " + name, ERR_FILE_NOT_AN_ADDRESS,
                         ErrorSeverity::CONTINUES);
            return false;
        }
        AfileRequest local = req;
        if (code == CODE_FTPB) local.unformatted = true;
        return bind_unit(run, UNIT_NETWORK, name, local);
    }
    if (code == CODE_DOWNLOAD) return download(run, name, req);
    const int unit = (code == CODE_FTP || code == CODE_FTPB) ? UNIT_NETWORK : code;
    std::string number;
    MACDEP(run, 34, number);
    const std::string copy = temp_directory(run) + number + extension(name);
    FetchResult result = fetch_url(name, copy, run.files.fetch_seconds);
    if (!result.ok) return fetch_failed(run, unit, name, result);
    AfileRequest open = req;
    open.quiet = true;
    open.status = UnitStatus::Old;
    if (code == CODE_FTPB) open.unformatted = true;
    const bool notes = notes_on(run, req);
    if (unit_is_open(run, unit) && notes)
        write_line(run, " ...NOTE..UNIT" + unit_field(unit, 4) +
                            " IS CURRENTLY ASSIGNED TO: " + unit_name(run, unit));
    if (!bind_unit(run, unit, copy, open)) {
        std::remove(copy.c_str());
        forget_temporary(copy);
        return false;
    }
    unit_file(run, unit)->remove_at_close = true; // the copy goes when the unit is released
    if (notes) {
        write_line(run, " ...NOTE..UNIT" + unit_field(unit, 3) + " IS NOW ASSIGNED TO: " +
                            name.substr(0, std::min(name.size(), NOTE_NAME_PART)));
        if (name.size() > NOTE_NAME_PART) write_line(run, " " + name.substr(NOTE_NAME_PART));
    }
    return true;
}

} // namespace tarvex::afile_detail
