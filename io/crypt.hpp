// Encrypted data files: the external gpg program decrypts a file into a temporary copy before
// it is read, and encrypts a written file in place, with the passphrase taken from the
// environment variable TARVEXPASSPHRASE. The passphrase never appears on a command line: the
// shell expands the variable inside its own echo.
#pragma once

#include <optional>
#include <string>

namespace tarvex {

struct Run;

// Decrypts `path` into a new file readable by its owner only (0600), inside a private directory
// (0700) made for it in the temporary directory, and returns that file's path, or nothing after
// an "...ERROR.." line (no passphrase, gpg missing, wrong passphrase, damaged file). Both are in
// the registry of temporary paths, so Ctrl-C and the end of the run remove them. The caller
// binds the copy (AFILE on UNIT_DECRYPT) and calls remove_decrypted_copy when done.
std::optional<std::string> decrypt_to_temp(Run& run, const std::string& path);
// Removes a copy made by decrypt_to_temp and its private directory.
void remove_decrypted_copy(const std::string& copy);
// Replaces the file `path` by its symmetric gpg encryption; false after an "...ERROR.." line,
// with the file left as it was.
bool encrypt_in_place(Run& run, const std::string& path);

} // namespace tarvex
