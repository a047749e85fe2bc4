// DO loops and procedures: the commands DO, ENDO, PROCEDURE, PROCEND and EXECUTE, the pieces
// the statement reader calls while statements are replayed (loop-file control records, the next
// command of a running procedure, the marker substitution DOSUB), and the early end of a loop
// that ENDIF asks for.
#pragma once

#include "core/run.hpp"

#include <string>
#include <string_view>

namespace tarvex {

// ---- Commands ----------------------------------------------------------------------------

void cmd_do(Run& run);        // DO m = start, end [, step]: collect the block and start it
void cmd_endo(Run& run);      // ENDO met outside a block being collected
void cmd_procedure(Run& run); // PROCEDURE name (and DO under SET OLDDO)
void cmd_procend(Run& run);   // PROCEND met outside a definition (and ENDO under SET OLDDO)
void cmd_execute(Run& run);   // EXECUTE name

// ---- Called by the statement reader --------------------------------------------------------

// A record read from the loop file that is a level-2 header or a trailer is acted upon here
// (true); any other record is a command (false).
bool loop_control_record(Run& run, const std::string& record);
// The loop file ran out while replaying: the loop ends quietly and input returns to the unit
// the loop came from (true); false when no loop was replaying.
bool loop_file_ended(Run& run);
// Whether the reader takes its next command from a running procedure.
bool procedure_running(const Run& run);
// EXECS: the next command of the running procedure levels (ending levels and repeating loop
// passes as their texts run out); false when no level is left.
bool EXECS(Run& run, std::string& command);
// Whether statements are being replayed (file loop or procedure): DOSUB then applies.
bool substitution_active(const Run& run);
// DOSUB: replaces the markers of the active levels in `text` (never in its first column).
// False, after the error, when the result would exceed the statement limit.
bool DOSUB(Run& run, std::string& text);
// DOTRAN: the index text of a value ("" for a level without value).
std::string DOTRAN(long long value);

// ---- Called by ENDIF -----------------------------------------------------------------------

// Ends the innermost running loop at once (ENDIF's condition held): a file loop stops replaying
// and input returns to the unit it came from; a procedure loop level is closed. False when no
// loop is running.
bool end_loop_early(Run& run);

// Ends every loop and procedure that is replaying (Ctrl-C): input returns to where the
// outermost one was started.
void abandon_replay(Run& run);

// ---- Procedure files -----------------------------------------------------------------------

// The directory where EXECUTE looks for procedure files ("" for the current directory).
std::string procedure_directory(const Run& run);
// Makes `path` the command input (unit L82), as FILE PROC does; false when it cannot be opened.
bool start_procedure_file(Run& run, const std::string& path);

} // namespace tarvex
