// The data bank as the run uses it: where the bank file is, storing and fetching variables,
// saving the whole workspace at the end of a run, and listing the bank under NAMES.
#include "workspace/data_bank.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "core/shared_errors.hpp"
#include "numeric/fortran_format.hpp"
#include "numeric/text.hpp"
#include "workspace/bank_file.hpp"
#include "workspace/header_labels.hpp"
#include "workspace/maintenance.hpp"
#include "workspace/workspace.hpp"

#include <cctype>
#include <filesystem>
#include <vector>

namespace tarvex {

namespace {

inline constexpr int BANKNAME_VALUE = 5; // position of BANKNAME among the SET name values
inline constexpr std::string_view DEFAULT_BANK = "TARVBANK";
inline constexpr std::string_view BANK_EXTENSION = ".db";
inline constexpr int BANK_NAMES_PER_LINE = 9;

// The directory of the FILE DATABANK setting; the current directory until one is set.
std::string data_bank_directory(const Run& run) {
    const std::string& dir = run.files.DATABANK;
    const std::size_t first = dir.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return dir.substr(first, dir.find_last_not_of(' ') - first + 1);
}

// The key of a name in the bank: its workspace form without trailing blanks.
std::string bank_key(const Run& run, std::string_view name) {
    const bool fold = run.sw[OLC] || name.find('$') != std::string_view::npos;
    return trim_trailing_blanks(padded_name(name.substr(0, 8), fold));
}

void bank_error(Run& run, const std::string& what, const std::string& reason) {
    report_error(run, " ...ERROR..DATABANK " + what + ": " + upper_ascii(reason),
                 shared_error::BANK_FAILED);
}

bool open_bank(Run& run, BankFile& bank, bool create) {
    const std::string path = data_bank_path(run);
    if (bank.open(path, create)) return true;
    bank_error(run, path + " CANNOT BE USED", bank.error());
    return false;
}

// The run's header labels as stored with each variable (blank while no labels are set).
std::string bank_labels(const Run& run) {
    std::string labels = run.header_labels;
    labels.resize(BANK_LABEL_WIDTH, ' ');
    return labels;
}

// The copy of a workspace variable that goes to the bank: with the TIME calendar for data
// vectors and character variables when a TIME command is in force.
VariableCopy bank_copy(Run& run, int slot) {
    VariableCopy var = copy_variable(run, slot);
    const bool dated = var.type == TYPE_DATA || var.type == TYPE_CHAR_VAR;
    if (dated && run.smpl.ITIME2 != 0) {
        var.year = run.smpl.ITIME1;
        var.sub = run.smpl.ITIME2;
        var.frequency = run.smpl.ITIME3;
    }
    return var;
}

} // namespace

std::string data_bank_path(const Run& run) {
    std::string name = run.vals.names[BANKNAME_VALUE];
    if (name.empty()) name = DEFAULT_BANK;
    if (std::filesystem::path(name).extension().empty()) name += BANK_EXTENSION;
    const std::string dir = data_bank_directory(run);
    if (dir.empty()) return name;
    return (std::filesystem::path(dir) / name).string();
}

bool bank_store(Run& run, std::string_view name) {
    const int slot = VFIND(run, name);
    if (slot <= 0) {
        report_error(run, " ...ERROR..VARIABLE " + bank_key(run, name) + " DOES NOT EXIST...",
                     shared_error::NO_SUCH_VARIABLE);
        return false;
    }
    BankFile bank;
    if (!open_bank(run, bank, true)) return false;
    if (bank.put_all({bank_copy(run, slot)}, bank_labels(run))) return true;
    bank_error(run, "NOT CHANGED", bank.error());
    return false;
}

namespace {

enum class Fetch { FOUND, MISSING, FAILED };

Fetch read_from_bank(Run& run, std::string_view name, VariableCopy& var) {
    const std::string path = data_bank_path(run);
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) return Fetch::MISSING; // no bank yet
    BankFile bank;
    if (!open_bank(run, bank, false)) return Fetch::FAILED;
    const std::string key = bank_key(run, name);
    switch (bank.get(key, var)) {
    case BankFile::Lookup::FOUND:
        return Fetch::FOUND;
    case BankFile::Lookup::MISSING:
        return Fetch::MISSING;
    case BankFile::Lookup::DAMAGED:
        report_error(run, " ...ERROR..VARIABLE " + key + " IN DATABANK IS DAMAGED",
                     shared_error::BANK_DAMAGED);
        return Fetch::FAILED;
    case BankFile::Lookup::FAILED:
        break;
    }
    bank_error(run, path + " CANNOT BE READ", bank.error());
    return Fetch::FAILED;
}

Fetch fetch_into_workspace(Run& run, std::string_view name) {
    VariableCopy var;
    const Fetch got = read_from_bank(run, name, var);
    if (got != Fetch::FOUND) return got;
    return replace_variable(run, var) ? Fetch::FOUND : Fetch::FAILED;
}

} // namespace

bool bank_read(Run& run, std::string_view name, VariableCopy& var) {
    return read_from_bank(run, name, var) == Fetch::FOUND;
}

bool bank_fetch(Run& run, std::string_view name) {
    return fetch_into_workspace(run, name) == Fetch::FOUND;
}

void save_data_bank(Run& run) {
    std::vector<VariableCopy> vars;
    for (int slot = 1; slot <= run.ws.NVARS; ++slot)
        if (!is_hole(run, slot)) vars.push_back(bank_copy(run, slot));
    BankFile bank;
    if (!open_bank(run, bank, true)) return;
    if (!bank.put_all(vars, bank_labels(run))) {
        bank_error(run, "NOT SAVED, IT IS UNCHANGED", bank.error());
        return;
    }
    if (run.flags.OPUT)
        write_line(run, " ...NOTE.." + fmt_I(static_cast<long long>(vars.size()), 5) +
                            " VARIABLES SAVED IN DATABANK " + data_bank_path(run));
}

void list_data_bank(Run& run) {
    const std::string path = data_bank_path(run);
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) return; // no bank: nothing available
    BankFile bank;
    if (!open_bank(run, bank, false)) return;
    std::vector<std::string> names;
    std::vector<std::string> labels;
    if (!bank.names(names, &labels)) {
        bank_error(run, path + " CANNOT BE READ", bank.error());
        return;
    }
    write_line(run, " VARIABLES IN DATABANK AVAILABLE FOR USE");
    std::string line = " ";
    int on_line = 0;
    for (const std::string& name : names) {
        std::string shown = name.substr(0, 8);
        shown.resize(8, ' ');
        line += shown + " ";
        if (++on_line == BANK_NAMES_PER_LINE) {
            write_line(run, line);
            line = " ";
            on_line = 0;
        }
    }
    if (on_line > 0) write_line(run, line);
    // The header labels stored with the variables that have any.
    bool heading = false;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const std::string text = header_labels_text(labels[k]);
        if (text.empty()) continue;
        if (!heading) write_line(run, " LABELS STORED WITH THEM");
        heading = true;
        std::string shown = names[k].substr(0, 8);
        shown.resize(8, ' ');
        write_line(run, " " + shown + "  " + text);
    }
}

int find_or_fetch(Run& run, std::string_view name, bool* bank_failed) {
    if (bank_failed != nullptr) *bank_failed = false;
    const int found = VFIND(run, name);
    if (found != 0 || !run.sw[ODB] || name.empty() || name.front() == '$') return found;
    const Fetch got = fetch_into_workspace(run, name);
    if (bank_failed != nullptr) *bank_failed = got == Fetch::FAILED;
    return got == Fetch::FOUND ? VFIND(run, name) : 0;
}

} // namespace tarvex
