// RENAME (routine RENAMX): gives variables new names in place (contents and slot unchanged).
// A statement holding a "." renames files instead, through the operating system's shell.
#include "workspace/maintenance.hpp"

#include "core/error_report.hpp"
#include "core/run.hpp"
#include "workspace/workspace.hpp"
#include "workspace/workspace_errors.hpp"

namespace tarvex {

namespace {

// The shell command that renames a file on this system.
inline constexpr std::string_view FILE_RENAME_COMMAND = "mv ";

void rename_files(Run& run) {
    const std::string& text = run.cmd.text;
    std::size_t from = std::min<std::size_t>(std::max(run.cmd.col, 0), text.size());
    while (from < text.size() && text[from] == ' ') ++from;
    const std::string files = text.substr(from);
    if (SYSCMD(run, std::string(FILE_RENAME_COMMAND) + files) != 0) {
        report_error(run, " ...ERROR..FILES NOT RENAMED: " + files, RENAME_FILES_FAILED);
    }
}

void rename_pair(Run& run, const std::string& old_word, const std::string& new_word) {
    const bool fold = run.sw[OLC];
    int slot = VFIND(run, old_word);
    if (slot <= 0 && fold) slot = VFIND(run, word8(old_word, true));
    if (slot <= 0) {
        report_error(run, " ...ERROR..VARIABLE " + word8(old_word, fold) + " DOES NOT EXIST",
                     RENAME_NO_VARIABLE, ErrorSeverity::SERIOUS);
        return;
    }
    const std::string new_name = word8(new_word, fold);
    if (NAMCHK(new_name) != 1) {
        report_error(run, " ...ERROR..ILLEGAL VARIABLE NAME:" + new_name, RENAME_ILLEGAL_NAME,
                     ErrorSeverity::SERIOUS);
        return;
    }
    if (VFIND(run, new_name) != 0) {
        report_error(run, " ...ERROR..VARIABLE " + new_name + " ALREADY EXISTS", RENAME_NAME_TAKEN,
                     ErrorSeverity::SERIOUS);
        return;
    }
    // A coded series keeps its category labels under its new name.
    const auto labels = run.ws.value_labels.find(run.ws.VNAME[slot]);
    run.ws.VNAME[slot] = padded_name(new_name, fold);
    run.ws.bound.erase(run.ws.VNAME[slot]); // the name is held in memory now
    if (labels != run.ws.value_labels.end()) {
        auto kept = std::move(labels->second);
        run.ws.value_labels.erase(labels);
        run.ws.value_labels[run.ws.VNAME[slot]] = std::move(kept);
    }
    if (run.sw[ODMMP] && run.flags.OPUT)
        write_line(run, " VARIABLE " + word8(old_word, fold) + " IS NOW RENAMED TO " + new_name);
}

} // namespace

void cmd_rename(Run& run) {
    const std::string& text = run.cmd.text;
    if (text.find('.', std::max(run.cmd.col, 0)) != std::string::npos) {
        rename_files(run);
        return;
    }
    const std::vector<std::string> words = statement_words(run, nullptr);
    for (std::size_t at = 0; at < words.size(); at += 2) {
        const std::string old_word = word8(words[at], false);
        if (at + 1 >= words.size()) {
            report_error(run,
                         " ...ERROR..NEW NAME FOR " + word8(old_word, run.sw[OLC]) + " NOT GIVEN",
                         RENAME_NO_NEW_NAME, ErrorSeverity::SERIOUS);
            return;
        }
        rename_pair(run, old_word, word8(words[at + 1], false));
    }
}

} // namespace tarvex
