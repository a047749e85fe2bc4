// The sequential unformatted records of TARVBIN files as READ and BIND take them back: a record
// is one subrecord or several (io/tarv_blocks.hpp says how the counts mark them), read whole or
// only located. Also the subrecord limit the writers cut long records at, which tests may lower.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tarvex {

// Where a stretch of a record's contents lies in the file: contents bytes [at, at + length)
// start at file offset file_at.
struct RecordPiece {
    long long at = 0;
    long long file_at = 0;
    long long length = 0;
};

// The record at the stream's position, its subrecords joined: its contents into `keep` (when not
// null), where each subrecord's contents lie into `pieces` (when not null; otherwise contents not
// kept are passed over), and its length into `total`. False, with the stream somewhere inside the
// record, when a count runs past `file_size` (the file's length), the two counts of a subrecord
// differ in size, or their signs do not mark a subrecord chain (a damaged or cut file).
bool read_tarv_record(std::FILE* fp, long long file_size, std::string* keep,
                      std::vector<RecordPiece>* pieces, long long& total);

// The longest subrecord the TARVBIN writers write (tarv_blocks::SUBRECORD_LIMIT unless a test
// lowered it to cut small records into subrecords).
std::uint64_t tarvbin_subrecord_limit();
// Sets the limit (tests only; 0 restores the default).
void set_tarvbin_subrecord_limit(std::uint64_t bytes);

} // namespace tarvex
