// Pieces shared by the file binder's source files: the report-line helpers and the handlers
// of the FILE keyword codes that are not plain unit bindings.
#pragma once

#include "io/afile.hpp"

#include <string>
#include <string_view>

namespace tarvex::afile_detail {

// A file name in a note longer than this continues on the next line.
inline constexpr std::size_t NOTE_NAME_PART = 50;

// Notes of the binder are printed when the warning switch is on and the request is not quiet.
bool notes_on(const Run& run, const AfileRequest& req);
// `text` cut or padded to `width` columns, left-justified (a name in a fixed field).
std::string field(std::string_view text, std::size_t width);
// A unit number right-aligned in `width` columns, widened for the network unit numbers
// rather than filled with "*".
std::string unit_field(int unit, int width);
// " ...WARNING..FILE DOES NOT EXIST:" with the name, the full name and an empty line.
void warn_missing(Run& run, const std::string& name);
// " ...ERROR..CLOSE ERROR ON UNIT" with the unit and the error number.
void report_close_error(Run& run, int unit, int error);
// The unit a FILE request names: a unit number, or the unit bound to the named file; 0 when
// neither (after an error line).
int named_unit(Run& run, const std::string& name);

// After `unit` was closed: the run's console units get their console streams back, and
// command input and redirected output that used the unit return to the console.
void console_fallback(Run& run, int unit);
// Binds `unit` to the file `name` (blank: the console), with its notes and errors.
bool bind_unit(Run& run, int unit, const std::string& name, const AfileRequest& req);

bool file_inquire(Run& run, const std::string& name);
bool file_close(Run& run, const std::string& name, const AfileRequest& req);
bool file_delete(Run& run, const std::string& name, const AfileRequest& req);
bool file_type(Run& run, const std::string& name);
bool file_position(Run& run, int code, const std::string& name, const AfileRequest& req);
bool file_path_setting(Run& run, int code, const std::string& name);
bool file_system_request(Run& run, int code, const std::string& name);
bool file_network(Run& run, int code, const std::string& name, const AfileRequest& req);
bool file_fetch_time(Run& run, const std::string& text);

} // namespace tarvex::afile_detail
