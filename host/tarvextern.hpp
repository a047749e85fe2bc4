// TARVExtern32, the host services library: report lines and host text commands to the host
// window, the settings store, directories, the environment and child processes. Process-wide.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern "C" {
// A host program registers itself to receive SendMsg calls. The handler returns nonzero when it
// took the message; a reply (message 1374) overwrites `text` (at least 131 bytes, NUL-ended).
typedef int (*TARVHostHandler)(void* context, int window, int number, int p1, int p2, char* text);
// A host program may supply the console input lines: the reader fills `line` (capacity `size`,
// NUL-ended, without the newline) and returns 1, or returns 0 at end of input.
typedef int (*TARVHostReader)(void* context, char* line, int size);

__attribute__((visibility("default"))) void TARVHostSetHandler(TARVHostHandler handler,
                                                               void* context);
__attribute__((visibility("default"))) void TARVHostSetReader(TARVHostReader reader, void* context);
}

namespace tarvex::host {

// Message numbers of SendMsg.
inline constexpr int MSG_LINE = 1124;     // one output line
inline constexpr int MSG_REFRESH = 1174;  // refresh the window
inline constexpr int MSG_QUERY = 1374;    // host query, reply in text
inline constexpr int MSG_COMMAND = 1384;  // host text command
inline constexpr int MSG_TEXT_SIZE = 131; // the text buffer: 130 characters and the NUL

// Delivers a message to the registered handler; false when no handler is registered or the
// handler did not take it (the caller then decides where a line goes).
bool SendMsg(int window, int number, int p1, int p2, char* text);
bool has_handler();

// Console input through the registered reader; nullopt when none is registered.
bool has_reader();
// Reads one line through the reader: true with the line, false at end of input.
bool read_line(std::string& line);

// Settings store: keys are backslash paths, values are named strings.
std::optional<std::string> RegQueryX(std::string_view keypath, std::string_view valuename);
// Several values (key path, value name) from one reading of the store, in the order asked.
std::vector<std::optional<std::string>>
RegQueryValuesX(const std::vector<std::pair<std::string_view, std::string>>& queries);
bool RegCreateKeyX(std::string_view keypath);
bool RegSetValueX(std::string_view keypath, std::string_view valuename, std::string_view value);
bool RegDeleteKeyX(std::string_view keypath);
// Where the store lives: $TARVEX_SETTINGS, else $HOME/.tarvex/settings.
std::string settings_path();

std::optional<std::string> GetEnvironVariable(std::string_view name);
// Directory of the loaded engine library (or of the program the engine is linked into).
std::string GetModulePath();
std::string GetCurrentDirectoryX();
bool SetDirectory(std::string_view dir);
// Short path names do not exist on POSIX: the path comes back unchanged.
std::string GetShortPath(std::string_view path);
// The process's command line, arguments separated by one blank.
std::string GetCommandLineX();
// Runs `command` through /bin/sh -c. Wait mode 1 waits and returns the exit status; mode 2
// starts it in the background and returns 0. Returns -1 when the shell cannot be started.
int CreateProcessX(std::string_view command, int wait_mode);

// Whether another program holds the file: a registered host answers the query "FILE_INUSE="
// and the path with "INUSE" (any other reply: free); without a host, the file is in use when
// another open of it holds a lock (flock) on it. A file that does not exist is free.
bool FileInUse(std::string_view path);

// An installation pause: the text goes to standard error; when standard input is a terminal the
// call waits for Enter.
void pause_message(std::string_view text);

} // namespace tarvex::host
