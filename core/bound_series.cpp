// The stamp a binding keeps of its file: size and modification time, compared before every pass.
#include "core/bound_series.hpp"

#include <sys/stat.h>

namespace tarvex {

bool file_stamp(const std::string& path, long long& size, long long& modified_ns) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    size = static_cast<long long>(st.st_size);
    modified_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

} // namespace tarvex
