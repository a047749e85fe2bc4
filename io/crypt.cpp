// Encrypted data files through gpg, run by the system-command service. The passphrase is piped
// in with the shell's own echo of the variable named by host service 35, so it is never part
// of a visible command line. gpg gets a home directory it can write: the user's, or else a
// temporary one that is removed (with any agent gpg started there) when the command ends.
// Errors are reported without ending anything: the command that reads or writes decides.
#include "io/crypt.hpp"

#include "core/error_report.hpp"
#include "core/file_replace.hpp"
#include "core/interrupt.hpp"
#include "core/run.hpp"
#include "core/write_failure.hpp"
#include "host/tarvextern.hpp"
#include "io/afile.hpp"
#include "io/afile_parts.hpp"
#include "numeric/text.hpp"

#include <cerrno>
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

// "echo" and the passphrase variable, piped into gpg; false after an error line (with `number`
// in $ERR) when the variable is not set.
bool passphrase_pipe(Run& run, std::string& pipe, int number = 0) {
    std::string variable;
    MACDEP(run, 35, variable);
    if (!host::GetEnvironVariable(variable)) {
        report_error(
            run, " ...ERROR..NO PASSPHRASE: THE ENVIRONMENT VARIABLE " + variable + " IS NOT SET",
            number, ErrorSeverity::CONTINUES);
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

void report_gpg_failure(Run& run, int status, const char* what, const std::string& path,
                        int number = 0) {
    if (status == COMMAND_NOT_FOUND || status < 0)
        report_error(run, " ...ERROR..CANNOT RUN THE GPG PROGRAM: " + gpg_program(run), number,
                     ErrorSeverity::CONTINUES);
    else
        report_error(run,
                     std::string(" ...ERROR..GPG COULD NOT ") + what + " THE FILE " + path +
                         " (WRONG PASSPHRASE OR DAMAGED FILE)",
                     number, ErrorSeverity::CONTINUES);
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

bool passphrase_ready(Run& run, int number) {
    std::string pipe;
    return passphrase_pipe(run, pipe, number);
}

std::optional<std::string> clear_text_file(Run& run, int number) {
    std::string pattern = temp_directory(run) + "tarvclearXXXXXX";
    const int fd = ::mkstemp(pattern.data()); // 0600
    if (fd < 0 || ::close(fd) != 0) {
        report_error(run, " ...ERROR..CANNOT CREATE A PRIVATE FILE IN " + temp_directory(run),
                     number, ErrorSeverity::CONTINUES);
        return std::nullopt;
    }
    register_temporary(pattern);
    return pattern;
}

bool encrypt_file(Run& run, const std::string& clear, const std::string& target, int number) {
    std::string pipe;
    if (!passphrase_pipe(run, pipe, number)) return false;
    if (!file_exists(clear)) {
        afile_detail::warn_missing(run, clear);
        return false;
    }
    // The encryption arrives beside the target under a name of its own, 0600 until it is whole.
    const std::size_t slash = target.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::string sealed = target.substr(0, base) + "." + target.substr(base) + ".XXXXXX";
    const int fd = ::mkstemp(sealed.data());
    if (fd < 0 || ::close(fd) != 0) {
        report_error(run, " ...ERROR..CANNOT CREATE THE ENCRYPTED FILE BESIDE " + target, number,
                     ErrorSeverity::CONTINUES);
        return false;
    }
    register_temporary(sealed);
    std::string temporary_home;
    std::string home = gpg_home(run, temporary_home);
    std::string command = pipe + gpg_program(run) + " -o " + shell_single_quoted(sealed) + home +
                          " --batch --yes --no-version --comment '' --passphrase-fd 0 -c " +
                          shell_single_quoted(clear);
    int status = SYSCMD(run, with_agent_stopped(command, temporary_home));
    remove_home(temporary_home);
    struct stat st {};
    const bool made = status == 0 && ::stat(sealed.c_str(), &st) == 0 && st.st_size > 0;
    errno = 0;
    if (!made || ::chmod(sealed.c_str(), replacement_mode(target)) != 0 ||
        std::rename(sealed.c_str(), target.c_str()) != 0) {
        const int error = errno != 0 ? errno : EIO;
        std::remove(sealed.c_str());
        forget_temporary(sealed);
        if (made)
            report_write_failure(run, 0, target, error, number);
        else
            report_gpg_failure(run, status, "ENCRYPT", target, number);
        return false;
    }
    forget_temporary(sealed);
    return true;
}

bool encrypt_in_place(Run& run, const std::string& path) {
    return encrypt_file(run, path, path, 0);
}

} // namespace tarvex
