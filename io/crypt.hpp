// Encrypted data files: the external gpg program decrypts a file into a temporary copy before
// it is read, and encrypts a written file in place, with the passphrase taken from the
// environment variable TARVEXPASSPHRASE. The passphrase never appears on a command line: the
// shell expands the variable inside its own echo.
#pragma once

#include <optional>
#include <string>

namespace tarvex {

struct Run;

// Decrypts `path` into a new file of the temporary directory and returns that file's path, or
// nothing after an "...ERROR.." line (no passphrase, gpg missing, wrong passphrase, damaged
// file). The caller binds the copy (AFILE on UNIT_DECRYPT) and deletes it when done.
std::optional<std::string> decrypt_to_temp(Run& run, const std::string& path);
// Replaces the file `path` by its symmetric gpg encryption; false after an "...ERROR.." line,
// with the file left as it was.
bool encrypt_in_place(Run& run, const std::string& path);

} // namespace tarvex
