// Encrypted data files: the external gpg program decrypts a file into a temporary copy before
// it is read, and encrypts a written file (from a private clear-text copy, or in place), with the
// passphrase taken from the environment variable TARVEXPASSPHRASE. The passphrase never appears on
// a command line: the shell expands the variable inside its own echo.
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
// Whether an encryption can start: false after an "...ERROR.." line (with `number` in $ERR)
// when the passphrase variable is not set, so that nothing is written for it.
bool passphrase_ready(Run& run, int number);
// A new empty file for clear text that is to be encrypted: 0600, in the temporary directory and
// in the registry of temporary paths (a signal removes it). Its path, or nothing after an
// "...ERROR.." line with `number` in $ERR.
std::optional<std::string> clear_text_file(Run& run, int number);
// Encrypts the file `clear` (symmetric gpg) into a new file beside `target`, 0600 and in the
// registry of temporary paths while gpg writes it, which then takes the name `target` with the
// permission bits of the file it replaces (or those of a new file). False after an "...ERROR.."
// line with `number` in $ERR (no passphrase, gpg missing or failing): `target` is then as it
// was. `clear` may be `target` itself (a file encrypted in place).
bool encrypt_file(Run& run, const std::string& clear, const std::string& target, int number);
// encrypt_file of `path` into itself, with no $ERR number of its own.
bool encrypt_in_place(Run& run, const std::string& path);

} // namespace tarvex
