// The self-describing data file blocks that WRITE with the TARVEX option produces and READ with
// the TARVEX option takes back: TARVDATA (text) and TARVBIN (unformatted records). One block per
// variable. This header is the one place where the layout is defined; the writer and the reader
// both build on it.
//
// TARVDATA block (text lines):
//   1. kind line       "TARVDATA" in columns 1-8
//   2. run line        9 integers, I4 each: version, MACH, MOS, MCMP, 0, 6, 7, 0, 16
//   3. flag line       6 logicals, one column each, 'T' or 'F' (read back as 20 one-column fields)
//   4. shape line      7 integers, I8 each: type, length, columns, time1, time2, time3, 0
//   5. name lines      the name and the 16 labels, A8 each, 16 items to a line (so two lines)
//   6. data            numeric types: free format; character types: A8 words, 30 to a line
//
// TARVBIN block (sequential unformatted records, 4-byte integers and logicals, 16-byte reals):
//   1. kind record     8 characters "TARVBIN "
//   2. header record   9 run integers, 6 logicals, 7 shape integers, the 24-character name
//                      entry, the 16 labels of 8 characters (240 bytes)
//   3. data record     the length as one 16-byte real, then the elements, 16 bytes each
//
// Each record is framed by a 4-byte signed byte count before and after it. A record longer than
// the subrecord limit (below 2^31 bytes) is written as subrecords, each framed by its own counts:
// the count before a subrecord is negative when another subrecord of the record follows it, the
// count after it is negative when a subrecord of the record precedes it. A record that fits is one
// subrecord with two positive counts, so files of short records read as they always have.
#pragma once

#include "numeric/real.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {}

namespace tarvex::tarv_blocks {

inline constexpr std::string_view TEXT_KIND = "TARVDATA";
inline constexpr std::string_view BINARY_KIND = "TARVBIN "; // trailing blank included
inline constexpr std::size_t KIND_LENGTH = 8;

// ---- Line 2 / run integers ---------------------------------------------------------------
inline constexpr int RUN_INTS = 9;
inline constexpr int RUN_INT_WIDTH = 4;
inline constexpr int FORMAT_VERSION = 1;
inline constexpr int MACH = 1; // machine code of this build
inline constexpr int MCMP = 1; // compiler code of this build
// The five trailing constants; written as they are, never compared on reading.
inline constexpr std::array<int, 5> RUN_TAIL = {0, 6, 7, 0, 16};

// ---- Line 3 / flags ----------------------------------------------------------------------
inline constexpr int FLAGS = 6;
inline constexpr int FLAG_FIELDS_READ = 20; // the reader takes 20 one-column fields
enum Flag : int {
    FLAG_FREE = 0,        // free format: none of the other five is set
    FLAG_BINARY = 1,      // BINARY
    FLAG_SBINARY = 2,     // SBINARY
    FLAG_DELIMITED = 3,   // FORMAT=TAB or FORMAT=COMMA
    FLAG_USER_FORMAT = 4, // a user format was in force (reading it sets OFMT)
    FLAG_DUMP = 5,        // FORMAT=DUMP
};

// ---- Line 4 / shape integers -------------------------------------------------------------
inline constexpr int SHAPE_INTS = 7;
inline constexpr int SHAPE_INT_WIDTH = 8;
enum Shape : int {
    SHAPE_TYPE = 0,   // type code 1..6
    SHAPE_LENGTH = 1, // elements
    SHAPE_NCOL = 2,   // columns
    SHAPE_TIME1 = 3,  // types 1 and 6: ITIME1 (others: 1)
    SHAPE_TIME2 = 4,  // types 1 and 6: ITIME2 (others: 0)
    SHAPE_TIME3 = 5,  // types 1 and 6: ITIME3 (others: 1)
    SHAPE_LAST = 6,   // always 0
};

// ---- Line 5 / name and labels ------------------------------------------------------------
inline constexpr int LABELS = 16;
inline constexpr std::size_t ITEM_WIDTH = 8;
inline constexpr int ITEMS_PER_LINE = 16;
inline constexpr int NAME_ITEMS = 1 + LABELS;                                         // 17
inline constexpr int NAME_LINES = (NAME_ITEMS + ITEMS_PER_LINE - 1) / ITEMS_PER_LINE; // 2

// ---- Character data ----------------------------------------------------------------------
inline constexpr int CHAR_WORDS_PER_LINE = 30;

// ---- TARVBIN header record ---------------------------------------------------------------
inline constexpr std::size_t NAME_ENTRY = 24; // VNAME entry
inline constexpr std::size_t BIN_INT = 4;
inline constexpr std::size_t BIN_REAL = 16;
inline constexpr std::size_t BIN_HEADER_BYTES =
    RUN_INTS * BIN_INT + FLAGS * BIN_INT + SHAPE_INTS * BIN_INT + NAME_ENTRY + LABELS * ITEM_WIDTH;
static_assert(BIN_HEADER_BYTES == 240, "TARVBIN header record is 240 bytes");
// Byte offsets inside the header record.
inline constexpr std::size_t BIN_OFF_RUN = 0;
inline constexpr std::size_t BIN_OFF_FLAGS = BIN_OFF_RUN + RUN_INTS * BIN_INT;
inline constexpr std::size_t BIN_OFF_SHAPE = BIN_OFF_FLAGS + FLAGS * BIN_INT;
inline constexpr std::size_t BIN_OFF_NAME = BIN_OFF_SHAPE + SHAPE_INTS * BIN_INT;
inline constexpr std::size_t BIN_OFF_LABELS = BIN_OFF_NAME + NAME_ENTRY;
// A logical is stored as a 4-byte integer: 1 true, 0 false (any nonzero reads as true).
inline constexpr std::int32_t BIN_TRUE = 1;
inline constexpr std::int32_t BIN_FALSE = 0;

// ---- Subrecords -------------------------------------------------------------------------
// The longest subrecord written: the largest multiple of 16 below 2^31, so that a subrecord
// boundary never falls inside an element of a data record.
inline constexpr std::uint64_t SUBRECORD_LIMIT = 2147483632;
inline constexpr std::uint64_t MARKER_BYTES = 4;

// Subrecords of a record of `bytes` bytes cut at `limit` (an empty record is one subrecord).
inline std::uint64_t subrecord_count(std::uint64_t bytes, std::uint64_t limit) {
    return bytes == 0 ? 1 : (bytes + limit - 1) / limit;
}
// The bytes the record takes in the file, its counts included.
inline std::uint64_t framed_record_bytes(std::uint64_t bytes, std::uint64_t limit) {
    return bytes + 2 * MARKER_BYTES * subrecord_count(bytes, limit);
}
// Where byte `at` of the record's contents lies, from the start of its first count.
inline std::uint64_t framed_offset(std::uint64_t at, std::uint64_t limit) {
    return MARKER_BYTES + at + 2 * MARKER_BYTES * (at / limit);
}
// The counts before and after subrecord `index` of a record of `bytes` bytes.
inline std::int32_t subrecord_head(std::uint64_t bytes, std::uint64_t limit, std::uint64_t index) {
    const std::uint64_t count = subrecord_count(bytes, limit);
    const auto length =
        static_cast<std::int32_t>(index + 1 < count ? limit : bytes - limit * (count - 1));
    return index + 1 < count ? -length : length;
}
inline std::int32_t subrecord_tail(std::uint64_t bytes, std::uint64_t limit, std::uint64_t index) {
    const std::int32_t head = subrecord_head(bytes, limit, index);
    const std::int32_t length = head < 0 ? -head : head;
    return index > 0 ? -length : length;
}

// The header of one block, as both files carry it.
struct BlockHeader {
    std::array<int, RUN_INTS> run{};
    std::array<bool, FLAGS> flags{};
    std::array<int, SHAPE_INTS> shape{};
    std::string name;                         // 24-character name entry, blank-padded
    std::array<std::string, LABELS> labels{}; // 8 characters each, blank-padded
};

// Run integers as the writer puts them: version, MACH, MOS, MCMP and the five constants.
inline std::array<int, RUN_INTS> run_ints(int mos) {
    return {FORMAT_VERSION, MACH,        mos,         MCMP,       RUN_TAIL[0],
            RUN_TAIL[1],    RUN_TAIL[2], RUN_TAIL[3], RUN_TAIL[4]};
}

// The bytes of a TARVBIN block of `elements` reals before its first element: the kind record,
// the header record, and the data record's leading marker and the length as a real. Empty when
// the data record is too long for one subrecord (the header: series_block_header in
// io/tarv_write_header.hpp).
std::string binary_block_head(const BlockHeader& h, long long elements);
// The bytes after its last element: the data record's trailing marker.
std::string binary_block_tail(long long elements);

} // namespace tarvex::tarv_blocks
