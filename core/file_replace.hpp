// Whole files replaced only by a complete new version: the new content goes to a temporary file
// in the same directory, which is renamed over the old file after a clean close, so a failed
// write leaves the user's earlier file as it was. Devices and pipes (/dev/full, a FIFO) cannot
// be replaced and are written directly; their failures are still reported.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace tarvex {

// Whether this process writes the files a run writes: true except in the ranks other than 0 of a
// run partitioned over several processes, which compute everything rank 0 computes and leave
// the files to it (their replacements and additions go nowhere, after the same checks of the
// target). Set once by the engine's entry point, for the whole process.
void set_files_written_here(bool written);
bool files_written_here();

// 0 when the user may write `target` (replace it or add to it), otherwise the system error
// number: EACCES for an existing file the user may not write (replacing it by a rename would
// ignore that), EISDIR for a directory.
int write_refusal(const std::string& target);

// The permission bits a file that replaces `target` takes: those of the regular file it replaces,
// else what the user's umask gives a new file.
mode_t replacement_mode(const std::string& target);

// A replacement in progress: `fp` writes the new content, `temp` is the temporary file's name
// ("" when `target` is written directly).
struct Replacement {
    std::FILE* fp = nullptr;
    std::string target;
    std::string temp;
};

// Starts replacing `target`. The temporary file is in the registry of temporary paths until the
// replacement ends (a signal removes it, the target staying as it was); it gets the old file's
// permission bits (a new file those the user's umask allows). When no temporary file can be made
// beside it (a read-only directory holding a writable file), the file itself is rewritten. Returns
// 0 or the system error number.
int begin_replacement(const std::string& target, Replacement& out);

// Ends the replacement. With `keep` and no earlier write error (`write_error` 0) the stream is
// flushed, synced to the disk and closed, each step checked, and the temporary file renamed
// over the target;
// otherwise, or on any failure, the temporary file is removed and the target keeps its old
// content. Returns 0 or the system error number (the earlier write error first).
int end_replacement(Replacement& r, bool keep, int write_error);

// Writes `text` as the whole new content of `target` through a replacement, or with `append`
// adds it at the end of the file and, when that fails, cuts the file back to its old length.
// Returns 0 or the system error number; after a failure the file holds what it held before.
int write_file_text(const std::string& target, std::string_view text, bool append = false);

} // namespace tarvex
