// The stamp a binding keeps of its file: size and modification time, compared before every pass;
// and the end of a binding, which takes the scratch file GENR wrote for it along.
#include "core/bound_series.hpp"
#include "core/interrupt.hpp"

#include <cstdio>
#include <sys/stat.h>

namespace tarvex {

namespace {

void remove_scratch(const BoundSeries& series) {
    if (!series.scratch) return;
    std::remove(series.file.c_str());
    forget_temporary(series.file);
}

} // namespace

void erase_binding(BoundRegistry& registry, const std::string& key) {
    const auto found = registry.find(key);
    if (found == registry.end()) return;
    const BoundSeries series = found->second;
    registry.erase(found);
    remove_scratch(series);
}

void clear_bindings(BoundRegistry& registry) {
    for (const auto& entry : registry) remove_scratch(entry.second);
    registry.clear();
}

bool file_stamp(const std::string& path, long long& size, long long& modified_ns) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    size = static_cast<long long>(st.st_size);
    modified_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

} // namespace tarvex
