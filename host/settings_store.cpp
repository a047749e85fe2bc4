// The settings store: named string values under backslash key paths, kept in one text file of
// "[KEY\PATH]" section lines followed by "NAME=VALUE" lines. Names compare without case.
#include "host/tarvextern.hpp"
#include "numeric/text.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tarvex::host {

namespace {

struct StoreKey {
    std::string path;
    std::vector<std::pair<std::string, std::string>> values;
};

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
        if (up(a[k]) != up(b[k])) return false;
    }
    return true;
}

std::vector<StoreKey> load_store() {
    std::vector<StoreKey> keys;
    std::ifstream in(settings_path());
    std::string line;
    while (std::getline(in, line)) {
        std::string text = trim_blanks_tabs_and_returns(line);
        if (text.empty() || text[0] == '#' || text[0] == ';') continue;
        if (text.front() == '[' && text.back() == ']') {
            keys.push_back({text.substr(1, text.size() - 2), {}});
        } else if (auto eq = text.find('='); eq != std::string::npos && !keys.empty()) {
            keys.back().values.emplace_back(trim_blanks_tabs_and_returns(text.substr(0, eq)),
                                            trim_blanks_tabs_and_returns(text.substr(eq + 1)));
        }
    }
    return keys;
}

// Rewrites the store file; a character device such as /dev/null takes nothing.
bool save_store(const std::vector<StoreKey>& keys) {
    std::string path = settings_path();
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return true;
    if (auto slash = path.rfind('/'); slash != std::string::npos && slash > 0)
        mkdir(path.substr(0, slash).c_str(), 0755);
    // The new store goes to a file beside the old one and replaces it only once complete: a
    // failed write (a full disk) keeps the earlier settings.
    std::string temp = path + ".new";
    std::ofstream out(temp, std::ios::trunc);
    if (out) {
        out << "# TARVEX settings store\n";
        for (const StoreKey& key : keys) {
            out << '[' << key.path << "]\n";
            for (const auto& [name, value] : key.values) out << name << '=' << value << '\n';
        }
        out.close();
    }
    if (!out || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

StoreKey* find_key(std::vector<StoreKey>& keys, std::string_view path) {
    for (StoreKey& key : keys)
        if (same_name(key.path, path)) return &key;
    return nullptr;
}

std::optional<std::string> value_in(std::vector<StoreKey>& keys, std::string_view keypath,
                                    std::string_view valuename) {
    StoreKey* key = find_key(keys, keypath);
    if (key == nullptr) return std::nullopt;
    for (const auto& [name, value] : key->values)
        if (same_name(name, valuename)) return value;
    return std::nullopt;
}

} // namespace

std::string settings_path() {
    if (const char* path = std::getenv("TARVEX_SETTINGS"); path != nullptr && *path != '\0')
        return path;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.tarvex/settings";
}

std::optional<std::string> RegQueryX(std::string_view keypath, std::string_view valuename) {
    std::vector<StoreKey> keys = load_store();
    return value_in(keys, keypath, valuename);
}

std::vector<std::optional<std::string>>
RegQueryValuesX(const std::vector<std::pair<std::string_view, std::string>>& queries) {
    std::vector<StoreKey> keys = load_store();
    std::vector<std::optional<std::string>> values;
    values.reserve(queries.size());
    for (const auto& [keypath, valuename] : queries)
        values.push_back(value_in(keys, keypath, valuename));
    return values;
}

bool RegCreateKeyX(std::string_view keypath) {
    std::vector<StoreKey> keys = load_store();
    if (find_key(keys, keypath) != nullptr) return true;
    keys.push_back({std::string(keypath), {}});
    return save_store(keys);
}

bool RegSetValueX(std::string_view keypath, std::string_view valuename, std::string_view value) {
    std::vector<StoreKey> keys = load_store();
    StoreKey* key = find_key(keys, keypath);
    if (key == nullptr) {
        keys.push_back({std::string(keypath), {}});
        key = &keys.back();
    }
    for (auto& [name, old] : key->values) {
        if (same_name(name, valuename)) {
            old = std::string(value);
            return save_store(keys);
        }
    }
    key->values.emplace_back(std::string(valuename), std::string(value));
    return save_store(keys);
}

bool RegDeleteKeyX(std::string_view keypath) {
    std::vector<StoreKey> keys = load_store();
    std::erase_if(keys, [&](const StoreKey& key) { return same_name(key.path, keypath); });
    return save_store(keys);
}

} // namespace tarvex::host
