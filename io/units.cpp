// The unit table over C streams: binding numbered units to the run's console streams and to
// files, and reading and writing text records on them.
#include "io/units.hpp"

#include "host/tarvextern.hpp"
#include "interp/run.hpp"

#include <cstdio>

namespace tarvex {

namespace {

UnitFile* find_unit(Run& run, int unit) {
    auto it = run.units.open.find(unit);
    return it == run.units.open.end() ? nullptr : &it->second;
}

} // namespace

UnitTable::~UnitTable() {
    for (auto& [unit, file] : open)
        if (file.owned && file.fp != nullptr) std::fclose(file.fp);
}

void attach_unit(Run& run, int unit, std::FILE* fp) {
    close_unit(run, unit);
    UnitFile file;
    file.fp = fp;
    file.owned = false;
    run.units.open[unit] = file;
}

bool open_unit(Run& run, int unit, const std::string& path, const char* mode) {
    close_unit(run, unit);
    std::FILE* fp = std::fopen(path.c_str(), mode);
    if (fp == nullptr) return false;
    UnitFile file;
    file.fp = fp;
    file.path = path;
    run.units.open[unit] = file;
    return true;
}

void close_unit(Run& run, int unit, bool remove_file) {
    auto it = run.units.open.find(unit);
    if (it == run.units.open.end()) return;
    UnitFile& file = it->second;
    if (file.owned && file.fp != nullptr) std::fclose(file.fp);
    else if (file.fp != nullptr) std::fflush(file.fp);
    if (remove_file && !file.path.empty()) std::remove(file.path.c_str());
    run.units.open.erase(it);
}

bool unit_is_open(const Run& run, int unit) { return run.units.open.count(unit) != 0; }

bool read_record(Run& run, int unit, std::string& record, std::size_t maxlen) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || file->fp == nullptr) return false;
    record.clear();
    // Console input from the terminal: what was written so far must show before the prompt,
    // and a host program that registered a reader supplies the line.
    if (file->fp == stdin) {
        if (UnitFile* out = find_unit(run, 6); out != nullptr && out->fp != nullptr)
            std::fflush(out->fp);
        if (host::has_reader()) {
            std::string line;
            if (!host::read_line(line)) return false;
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            record = line.substr(0, maxlen);
            return true;
        }
    }
    int c = 0;
    bool any = false;
    while ((c = std::getc(file->fp)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (record.size() < maxlen + 1) record.push_back(char(c)); // one spare for a final \r
    }
    if (!any) return false;
    if (!record.empty() && record.back() == '\r') record.pop_back();
    if (record.size() > maxlen) record.resize(maxlen);
    return true;
}

void write_record(Run& run, int unit, std::string_view record) {
    UnitFile* file = find_unit(run, unit);
    if (file == nullptr || file->fp == nullptr) return;
    std::fwrite(record.data(), 1, record.size(), file->fp);
    std::fputc('\n', file->fp);
}

} // namespace tarvex
