// Writes a TARVBIN file of R rows by C series, as WRITE (file) names / TARVEX BINARY would (a
// data record of more than 2^31 - 16 bytes in subrecords), of
// deterministic values, a buffer at a time (the file may be far larger than memory):
//     make_bound_data file rows columns
// Series Vj (j = 1..C) at row t: j + t/1024 + ((t * 2654435761 + j * 40503) mod 65536) / 65536,
// values with many distinct digits whose sums are known to be exact in the reader's arithmetic.
// Built by the bench target, or alone: g++ -O2 -std=gnu++20 -I. bench/make_bound_data.cpp
// -lquadmath
#include "io/tarv_blocks.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace tb = tarvex::tarv_blocks;
using Real = __float128;

bool put(std::FILE* f, const void* data, std::size_t size) {
    return std::fwrite(data, 1, size, f) == size;
}
bool put_int(std::FILE* f, std::int32_t v) {
    return put(f, &v, sizeof v);
}
bool put_text(std::FILE* f, const std::string& text, std::size_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    return put(f, field.data(), width);
}

Real value_at(long long t, int j) {
    const unsigned long long mix =
        (static_cast<unsigned long long>(t) * 2654435761ULL + static_cast<unsigned>(j) * 40503ULL) %
        65536ULL;
    return Real(j) + Real(t) / 1024 + Real(static_cast<long long>(mix)) / 65536;
}

bool write_series(std::FILE* f, long long rows, int j) {
    const std::int32_t kind = static_cast<std::int32_t>(tb::KIND_LENGTH);
    bool ok =
        put_int(f, kind) && put(f, tb::BINARY_KIND.data(), tb::KIND_LENGTH) && put_int(f, kind);
    const std::int32_t header = static_cast<std::int32_t>(tb::BIN_HEADER_BYTES);
    ok = ok && put_int(f, header);
    for (int v : tb::run_ints(1)) ok = ok && put_int(f, v);
    for (int k = 0; k < tb::FLAGS; ++k)
        ok = ok && put_int(f, k == tb::FLAG_BINARY ? tb::BIN_TRUE : tb::BIN_FALSE);
    const int shape[tb::SHAPE_INTS] = {1, static_cast<int>(rows), 1, 1, 0, 1, 0};
    for (int v : shape) ok = ok && put_int(f, v);
    ok = ok && put_text(f, "V" + std::to_string(j), tb::NAME_ENTRY);
    for (int k = 0; k < tb::LABELS; ++k) ok = ok && put_text(f, "", tb::ITEM_WIDTH);
    ok = ok && put_int(f, header);
    // The data record, cut into subrecords when it is longer than one may be: each subrecord's
    // counts are written as its first and last bytes pass.
    const std::uint64_t bytes = (static_cast<std::uint64_t>(rows) + 1) * 16;
    const std::uint64_t limit = tb::SUBRECORD_LIMIT;
    std::uint64_t at = 0; // bytes of the record written
    const auto put_contents = [&](const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        while (ok && size > 0) {
            const std::uint64_t index = at / limit;
            if (at % limit == 0) ok = put_int(f, tb::subrecord_head(bytes, limit, index));
            const std::uint64_t room = std::min<std::uint64_t>(limit - at % limit, bytes - at);
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, room));
            ok = ok && put(f, p, take);
            at += take;
            p += take;
            size -= take;
            if (at % limit == 0 || at == bytes)
                ok = ok && put_int(f, tb::subrecord_tail(bytes, limit, index));
        }
    };
    const Real length = Real(rows);
    put_contents(&length, sizeof length);
    std::vector<Real> buffer(65536);
    for (long long t = 1; ok && t <= rows;) {
        std::size_t n = 0;
        while (n < buffer.size() && t <= rows) buffer[n++] = value_at(t++, j);
        put_contents(buffer.data(), n * sizeof(Real));
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_bound_data file rows columns\n");
        return 2;
    }
    const long long rows = std::atoll(argv[2]);
    const int columns = std::atoi(argv[3]);
    if (rows < 1 || columns < 1 || rows > INT32_MAX) {
        std::fprintf(stderr, "make_bound_data: rows from 1 to %d, columns from 1\n", INT32_MAX);
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "wb");
    if (f == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    bool ok = true;
    for (int j = 1; ok && j <= columns; ++j) ok = write_series(f, rows, j);
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
