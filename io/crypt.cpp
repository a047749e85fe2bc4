// Encrypted data files through gpg, run by the system-command service. The passphrase is piped
// in with the shell's own echo of the variable named by host service 35, so it is never part
// of a visible command line. gpg gets a home directory it can write: the user's, or else a
// temporary one that is removed (with any agent gpg started there) when the command ends.
// Errors are reported without ending anything: the command that reads or writes decides.
#include "io/crypt.hpp"

#include "core/error_report.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "host/tarvextern.hpp"
#include "io/afile.hpp"
#include "io/afile_parts.hpp"
#include "numeric/text.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr int COMMAND_NOT_FOUND = 127; // the shell's status when gpg cannot be found

bool writable_directory(const std::string& dir) {
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           access(dir.c_str(), W_OK | X_OK) == 0;
}

// gpg's home: the user's when it is (or can be made) a writable directory, else a new
// temporary one (returned in `temporary`, to be removed by the caller).
std::string gpg_home(Run& run, std::string& temporary) {
    std::string home = host::GetEnvironVariable("GNUPGHOME").value_or("");
    if (home.empty()) {
        std::string user = host::GetEnvironVariable("HOME").value_or("");
        if (!user.empty()) home = user + "/.gnupg";
    }
    if (!home.empty()) {
        struct stat st {};
        if (::stat(home.c_str(), &st) == 0) {
            if (writable_directory(home)) return "";
        } else {
            std::string parent = std::filesystem::path(home).parent_path().string();
            if (!parent.empty() && writable_directory(parent)) return "";
        }
    }
    std::string pattern = temp_directory(run) + "tarvgpgXXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return "";
    temporary = pattern;
    register_temporary(temporary);
    return " --homedir " + shell_single_quoted(temporary);
}

void remove_home(const std::string& temporary) {
    if (temporary.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(temporary, ignored);
    forget_temporary(temporary);
}

// The agent gpg may start in a temporary home must not outlive it.
std::string with_agent_stopped(const std::string& command, const std::string& temporary) {
    if (temporary.empty()) return command;
    return command + "; s=$?; gpgconf --homedir " + shell_single_quoted(temporary) +
           " --kill gpg-agent >/dev/null 2>&1; exit $s";
}

// "echo" and the passphrase variable, piped into gpg; false after an error line when the
// variable is not set.
bool passphrase_pipe(Run& run, std::string& pipe) {
    std::string variable;
    MACDEP(run, 35, variable);
    if (!host::GetEnvironVariable(variable)) {
        report_error(
            run, " ...ERROR..NO PASSPHRASE: THE ENVIRONMENT VARIABLE " + variable + " IS NOT SET",
            0, ErrorSeverity::CONTINUES);
        return false;
    }
    pipe = "echo \"$" + variable + "\"|";
    return true;
}

std::string gpg_program(const Run& run) {
    std::string dir = run.files.HELPDEMO;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir + "gpg";
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void report_gpg_failure(Run& run, int status, const char* what, const std::string& path) {
    if (status == COMMAND_NOT_FOUND || status < 0)
        report_error(run, " ...ERROR..CANNOT RUN THE GPG PROGRAM: " + gpg_program(run), 0,
                     ErrorSeverity::CONTINUES);
    else
        report_error(run,
                     std::string(" ...ERROR..GPG COULD NOT ") + what + " THE FILE " + path +
                         " (WRONG PASSPHRASE OR DAMAGED FILE)",
                     0, ErrorSeverity::CONTINUES);
}

} // namespace

std::optional<std::string> decrypt_to_temp(Run& run, const std::string& path) {
    std::string pipe;
    if (!passphrase_pipe(run, pipe)) return std::nullopt;
    if (!file_exists(path)) {
        afile_detail::warn_missing(run, path);
        return std::nullopt;
    }
    // mkdtemp makes the directory 0700; the shell's umask makes gpg create the copy 0600.
    std::string directory = temp_directory(run) + "tarvcryptXXXXXX";
    if (mkdtemp(directory.data()) == nullptr) {
        report_error(run, " ...ERROR..CANNOT CREATE A PRIVATE DIRECTORY IN " + temp_directory(run),
                     0, ErrorSeverity::CONTINUES);
        return std::nullopt;
    }
    register_temporary(directory);
    std::string name;
    MACDEP(run, 34, name);
    const std::string copy = directory + "/" + name;
    register_temporary(copy);
    std::string temporary_home;
    std::string home = gpg_home(run, temporary_home);
    std::string command = "umask 077; " + pipe + gpg_program(run) + " --batch --passphrase-fd 0 " +
                          home + " -o " + shell_single_quoted(copy) + " " +
                          shell_single_quoted(path);
    int status = SYSCMD(run, with_agent_stopped(command, temporary_home));
    remove_home(temporary_home);
    if (status != 0 || !file_exists(copy)) {
        remove_decrypted_copy(copy);
        report_gpg_failure(run, status, "DECRYPT", path);
        return std::nullopt;
    }
    return copy;
}

void remove_decrypted_copy(const std::string& copy) {
    const std::string directory = std::filesystem::path(copy).parent_path().string();
    std::remove(copy.c_str());
    forget_temporary(copy);
    ::rmdir(directory.c_str());
    forget_temporary(directory);
}

bool encrypt_in_place(Run& run, const std::string& path) {
    std::string pipe;
    if (!passphrase_pipe(run, pipe)) return false;
    if (!file_exists(path)) {
        afile_detail::warn_missing(run, path);
        return false;
    }
    const std::string sealed = path + ".gpgtmp";
    std::string temporary_home;
    std::string home = gpg_home(run, temporary_home);
    std::string command = pipe + gpg_program(run) + " -o " + shell_single_quoted(sealed) + home +
                          " --batch --yes --no-version --comment '' --passphrase-fd 0 -c " +
                          shell_single_quoted(path);
    int status = SYSCMD(run, with_agent_stopped(command, temporary_home));
    remove_home(temporary_home);
    if (status != 0 || !file_exists(sealed) || std::rename(sealed.c_str(), path.c_str()) != 0) {
        std::remove(sealed.c_str());
        report_gpg_failure(run, status, "ENCRYPT", path);
        return false;
    }
    return true;
}

} // namespace tarvex
