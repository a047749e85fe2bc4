// USER and the user slots' commands. USER names a library (or takes the one SET USER= names),
// loads it and lists the user slots; a user slot's statement is split into arguments and
// options and handed to the library's command function through the C interface.
#include "plugin/user_command.hpp"

#include "core/error_report.hpp"
#include "core/host_link.hpp"
#include "core/run.hpp"
#include "numeric/fortran_format.hpp"
#include "plugin/plugin_loader.hpp"
#include "plugin/plugin_statement.hpp"
#include "plugin/user_errors.hpp"

namespace tarvex {

namespace {

constexpr int SET_USER_NAME = 4; // USER among SET's name values

bool user_fail(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
    return false;
}

bool library_loaded(const Run& run, const std::string& name) {
    for (const UserCommandSlot& slot : run.user_commands.slots)
        if (!slot.word.empty() && slot.library == name) return true;
    return false;
}

void list_user_slots(Run& run) {
    write_line(run, " USER COMMANDS:");
    for (int k = 0; k < USER_SLOT_COUNT; ++k) {
        const UserCommandSlot& slot = run.user_commands.slots[std::size_t(k)];
        std::string line = "   SLOT " + fmt_I(USER_SLOT_FIRST + k, 3) + "  ";
        line += slot.word.empty() ? "FREE"
                                  : fmt_A(slot.word + "        ", 8) + "  LIBRARY " + slot.library;
        write_line(run, line);
    }
}

} // namespace

void cmd_user(Run& run) {
    StatementWords words;
    if (!split_statement_words(run.cmd.text, std::size_t(std::max(run.cmd.col, 0)), words)) {
        user_fail(run, "USER: A QUOTED NAME IS NOT CLOSED", USER_QUOTE_OPEN);
        return;
    }
    std::string library = words.raw_arguments.empty() ? "" : words.raw_arguments.front();
    std::string word;
    for (const auto& [key, value] : words.options) {
        if (key == "FILE") {
            library = value;
        } else if (key == "WORD") {
            word = value;
        } else {
            user_fail(run, "UNKNOWN USER OPTION " + key + ": USE FILE= AND WORD=", USER_BAD_OPTION);
            return;
        }
    }
    if (library.empty()) {
        const std::string& set_name = run.vals.names[SET_USER_NAME];
        if (!set_name.empty() && !library_loaded(run, set_name)) library = set_name;
    }
    if (!library.empty()) {
        const int slot = load_plugin(run, library, word);
        if (slot == 0) return;
        write_line(run, " ...NOTE..USER COMMAND " +
                            run.user_commands.slots[std::size_t(slot - USER_SLOT_FIRST)].word +
                            " ADDED FROM " + library);
    }
    list_user_slots(run);
}

void cmd_user_slot(Run& run) {
    const int k = run.cmd.IKOD - USER_SLOT_FIRST;
    if (k < 0 || k >= USER_SLOT_COUNT) return;
    const UserCommandSlot& slot = run.user_commands.slots[std::size_t(k)];
    if (slot.word.empty() || slot.command == nullptr) return; // never matched while free
    tarvex_statement st;
    st.run = &run;
    st.word = slot.word;
    if (!split_statement_words(run.cmd.text, std::size_t(std::max(run.cmd.col, 0)), st.words)) {
        user_fail(run, "USER COMMAND " + st.word + ": A QUOTED TEXT IS NOT CLOSED",
                  PLUGIN_COMMAND_FAILED);
        return;
    }
    // Kept while the function runs: a later USER cannot close the library under it.
    const std::shared_ptr<void> keep = slot.handle;
    const auto command = reinterpret_cast<tarvex_command_function>(slot.command);
    const int status = command(&plugin_api(), &st);
    if (st.pending) std::rethrow_exception(st.pending);
    if (status != 0 && !st.error_reported)
        user_fail(run,
                  "USER COMMAND " + st.word + " FAILED (STATUS " + std::to_string(status) + ")",
                  PLUGIN_COMMAND_FAILED);
}

} // namespace tarvex
