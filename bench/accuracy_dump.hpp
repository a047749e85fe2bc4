// The dump the accuracy runs of the integer-arithmetic functions write for
// scripts/check_function_accuracy.py: one line per argument with the bits of the argument, of the
// integer-arithmetic result and of libquadmath's, in hexadecimal; at the end, on stderr, how
// many results differ from the library's. A failed write is reported and fails the run.
#pragma once

#include "numeric/real.hpp"

#include <cstdio>
#include <cstring>

namespace bench {

using u128 = unsigned __int128;

inline u128 bits_of(tarvex::Real v) {
    u128 b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline tarvex::Real from_bits(u128 b) {
    tarvex::Real v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

class AccuracyDump {
public:
    void line(tarvex::Real x, tarvex::Real fast, tarvex::Real library) {
        if (bits_of(fast) != bits_of(library)) ++differ_;
        ++count_;
        hex(bits_of(x));
        std::putchar(' ');
        hex(bits_of(fast));
        std::putchar(' ');
        hex(bits_of(library));
        std::putchar('\n');
    }

    // The exit status of the run.
    int finish(const char* program, const char* library_function) const {
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "%s: write failed\n", program);
            return 1;
        }
        std::fprintf(stderr, "%ld arguments, %ld results differ from %s\n", count_, differ_,
                     library_function);
        return 0;
    }

private:
    static void hex(u128 v) {
        std::printf("%016llx%016llx", static_cast<unsigned long long>(v >> 64),
                    static_cast<unsigned long long>(v));
    }
    long count_ = 0, differ_ = 0;
};

} // namespace bench
