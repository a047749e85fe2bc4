// Opens plug-in libraries with dlopen and registers their commands in the user slots.
#include "plugin/plugin_loader.hpp"

#include "core/command_table.hpp"
#include "core/error_report.hpp"
#include "core/run.hpp"
#include "host/tarvextern.hpp"
#include "numeric/text.hpp"
#include "plugin/tarvex_plugin.h"
#include "plugin/user_errors.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace tarvex {

namespace {

constexpr std::size_t COMMAND_WORD_LONGEST = 8;

bool plugin_fail(Run& run, const std::string& text, int sequence) {
    report_error(run, " ...ERROR.." + text, command_error_number(run, sequence));
    return false;
}

bool is_regular_file(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::vector<std::string> plugin_directories() {
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("TARVEX_PLUGINS"); env != nullptr) {
        std::string list = env;
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start) dirs.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    dirs.push_back(host::GetModulePath() + "/plugins");
    dirs.push_back(".");
    return dirs;
}

std::string lower_ascii_text(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

// 1 to 8 letters and digits, a letter first.
bool valid_command_word(const std::string& word) {
    if (word.empty() || word.size() > COMMAND_WORD_LONGEST) return false;
    if (!(word[0] >= 'A' && word[0] <= 'Z')) return false;
    for (char c : word)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

// The command the word would already select when typed in full (a built-in command it begins,
// or a user command already registered with it); 0 when it is free.
int slot_selected_by(const Run& run, const std::string& word) {
    for (int slot = 1; slot <= NMATCHABLE; ++slot) {
        std::string entry = COMMAND_WORDS[slot - 1];
        if (slot >= USER_SLOT_FIRST && slot < USER_SLOT_FIRST + USER_SLOT_COUNT)
            entry = run.user_commands.slots[slot - USER_SLOT_FIRST].word;
        if (!entry.empty() && entry.compare(0, word.size(), word) == 0) return slot;
    }
    return 0;
}

} // namespace

std::string find_plugin_library(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return is_regular_file(name) ? name : std::string();
    for (const std::string& dir : plugin_directories())
        for (const std::string& form : {name, lower_ascii_text(name)})
            for (const std::string& file : {form, "lib" + form + ".so"})
                if (is_regular_file(dir + "/" + file)) return dir + "/" + file;
    return {};
}

int load_plugin(Run& run, const std::string& name, const std::string& word) {
    const std::string path = find_plugin_library(name);
    if (path.empty())
        return plugin_fail(run, "USER LIBRARY " + name + " NOT FOUND", USER_LIBRARY_NOT_FOUND);
    void* opened = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (opened == nullptr)
        return plugin_fail(run, "USER LIBRARY " + name + " COULD NOT BE LOADED",
                           USER_LIBRARY_NOT_LOADED);
    std::shared_ptr<void> handle(opened, [](void* h) { dlclose(h); });
    using Entry = const tarvex_plugin* (*)();
    auto entry = reinterpret_cast<Entry>(dlsym(opened, TARVEX_PLUGIN_ENTRY));
    const tarvex_plugin* plugin = entry != nullptr ? entry() : nullptr;
    if (plugin == nullptr)
        return plugin_fail(run, "USER LIBRARY " + name + " HAS NO ENTRY " TARVEX_PLUGIN_ENTRY,
                           USER_NO_ENTRY);
    if (plugin->interface_version != TARVEX_PLUGIN_INTERFACE_VERSION)
        return plugin_fail(run,
                           "USER LIBRARY " + name + " USES INTERFACE VERSION " +
                               std::to_string(plugin->interface_version) + ", THIS ENGINE USES " +
                               std::to_string(TARVEX_PLUGIN_INTERFACE_VERSION),
                           USER_WRONG_VERSION);
    const std::string command_word =
        upper_ascii(word.empty() && plugin->command_word != nullptr ? plugin->command_word : word);
    if (!valid_command_word(command_word) || plugin->command == nullptr)
        return plugin_fail(run,
                           "USER COMMAND WORD '" + command_word +
                               "' IS NOT 1 TO 8 LETTERS AND DIGITS BEGINNING WITH A LETTER",
                           USER_BAD_WORD);
    if (const int taken = slot_selected_by(run, command_word); taken != 0) {
        const bool user_slot = taken >= USER_SLOT_FIRST;
        const std::string holder = user_slot ? run.user_commands.slots[taken - USER_SLOT_FIRST].word
                                             : trim_trailing_blanks(COMMAND_WORDS[taken - 1]);
        return plugin_fail(run,
                           "THE WORD " + command_word + " ALREADY SELECTS THE " +
                               (user_slot ? "USER " : "") + "COMMAND " + holder +
                               ": GIVE ANOTHER WITH WORD=",
                           USER_WORD_TAKEN);
    }
    UserCommands& user = run.user_commands;
    for (int k = 0; k < USER_SLOT_COUNT; ++k) {
        UserCommandSlot& slot = user.slots[k];
        if (!slot.word.empty()) continue;
        slot.word = command_word;
        slot.library = name;
        slot.handle = std::move(handle);
        slot.command = reinterpret_cast<void*>(plugin->command);
        return USER_SLOT_FIRST + k;
    }
    std::string words;
    for (const UserCommandSlot& slot : user.slots) words += " " + slot.word;
    return plugin_fail(run, "ALL FOUR USER SLOTS ARE TAKEN (" + words.substr(1) + ")",
                       USER_SLOTS_FULL);
}

} // namespace tarvex
