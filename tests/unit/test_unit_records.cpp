// Sequential units: formatted and unformatted records, the record layout on disk, rewind,
// backspace, the append position, writing after a read, damaged files, inquiry, close/delete.
#include "core/units.hpp"
#include "host_test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace tarvex;
using tarvex::testing::TempSettings;

namespace {

using tarvex::testing::file_text;

std::vector<unsigned char> bytes(std::string_view text) {
    return std::vector<unsigned char>(text.begin(), text.end());
}

std::string text(const std::vector<unsigned char>& data) {
    return std::string(data.begin(), data.end());
}

std::string read_text(tarvex::Run& run, int unit) {
    std::string line;
    return read_record(run, unit, line) ? line : std::string("<EOF>");
}

struct UnitsTest : ::testing::Test {
    TempSettings scratch;
    tarvex::Run run;
    std::string path(const char* name) { return (scratch.dir / name).string(); }
};

} // namespace

TEST_F(UnitsTest, UnformattedRecordsAreFramedByTheirLengthBeforeAndAfter) {
    UnitOpen how;
    how.unformatted = true;
    ASSERT_EQ(open_unit_file(run, 30, path("b.bin"), how), 0);
    EXPECT_TRUE(write_unformatted_record(run, 30, bytes("ABC")));
    EXPECT_TRUE(write_unformatted_record(run, 30, {}));
    close_unit(run, 30);
    // 3 as a 4-byte little-endian count, the bytes, the count again; then an empty record.
    const std::string expected("\x03\0\0\0ABC\x03\0\0\0\0\0\0\0\0\0\0\0", 19);
    EXPECT_EQ(file_text(scratch.dir / "b.bin"), expected);

    how.status = UnitStatus::Old;
    ASSERT_EQ(open_unit_file(run, 30, path("b.bin"), how), 0);
    std::vector<unsigned char> record;
    ASSERT_TRUE(read_unformatted_record(run, 30, record));
    EXPECT_EQ(text(record), "ABC");
    ASSERT_TRUE(read_unformatted_record(run, 30, record));
    EXPECT_TRUE(record.empty());
    EXPECT_FALSE(read_unformatted_record(run, 30, record));
    EXPECT_FALSE(unit_file(run, 30)->damaged); // a clean end of file
}

TEST_F(UnitsTest, DamagedUnformattedFilesEndTheReadWithoutHugeAllocations) {
    // A length marker that claims 2 GB, then a record whose trailing marker disagrees.
    std::ofstream(path("bad1.bin"), std::ios::binary) << std::string("\xff\xff\xff\x7f"
                                                                     "AB",
                                                                     6);
    std::ofstream(path("bad2.bin"), std::ios::binary) << std::string("\x02\0\0\0AB\x05\0\0\0", 10);
    std::ofstream(path("bad3.bin"), std::ios::binary) << std::string("\x02\0", 2);
    UnitOpen how;
    how.unformatted = true;
    how.status = UnitStatus::Old;
    for (const char* name : {"bad1.bin", "bad2.bin", "bad3.bin"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(open_unit_file(run, 31, path(name), how), 0);
        std::vector<unsigned char> record;
        EXPECT_FALSE(read_unformatted_record(run, 31, record));
        EXPECT_TRUE(unit_file(run, 31)->damaged);
        EXPECT_FALSE(read_unformatted_record(run, 31, record)); // stays at the end
        close_unit(run, 31);
    }
}

TEST_F(UnitsTest, BackspaceStepsBackOneRecordOfEitherForm) {
    UnitOpen text_form;
    ASSERT_EQ(open_unit_file(run, 32, path("t.txt"), text_form), 0);
    for (const char* line : {"FIRST", "", "THIRD LINE"}) write_record(run, 32, line);
    ASSERT_TRUE(backspace_unit(run, 32));
    EXPECT_EQ(read_text(run, 32), "THIRD LINE");
    ASSERT_TRUE(backspace_unit(run, 32));
    ASSERT_TRUE(backspace_unit(run, 32));
    EXPECT_EQ(read_text(run, 32), ""); // the empty second record
    ASSERT_TRUE(rewind_unit(run, 32));
    ASSERT_TRUE(backspace_unit(run, 32)); // at the start nothing moves
    EXPECT_EQ(read_text(run, 32), "FIRST");

    UnitOpen binary;
    binary.unformatted = true;
    ASSERT_EQ(open_unit_file(run, 33, path("u.bin"), binary), 0);
    for (const char* rec : {"ONE", "TWO!", "3"}) write_unformatted_record(run, 33, bytes(rec));
    ASSERT_TRUE(backspace_unit(run, 33));
    ASSERT_TRUE(backspace_unit(run, 33));
    std::vector<unsigned char> record;
    ASSERT_TRUE(read_unformatted_record(run, 33, record));
    EXPECT_EQ(text(record), "TWO!");
}

TEST_F(UnitsTest, BackspaceOverALastLineWithoutItsNewline) {
    std::ofstream(path("n.txt"), std::ios::binary) << "AA\nBB";
    UnitOpen how;
    how.status = UnitStatus::Old;
    ASSERT_EQ(open_unit_file(run, 34, path("n.txt"), how), 0);
    EXPECT_EQ(read_text(run, 34), "AA");
    EXPECT_EQ(read_text(run, 34), "BB");
    ASSERT_TRUE(backspace_unit(run, 34));
    EXPECT_EQ(read_text(run, 34), "BB");
}

TEST_F(UnitsTest, WritingAfterAReadEndsTheFileThere) {
    std::ofstream(path("w.txt")) << "A\nB\nC\nD\n";
    UnitOpen how;
    ASSERT_EQ(open_unit_file(run, 35, path("w.txt"), how), 0);
    EXPECT_EQ(read_text(run, 35), "A");
    EXPECT_EQ(read_text(run, 35), "B");
    ASSERT_TRUE(backspace_unit(run, 35));
    write_record(run, 35, "NEW");
    close_unit(run, 35);
    EXPECT_EQ(file_text(scratch.dir / "w.txt"), "A\nNEW\n");
}

TEST_F(UnitsTest, AppendKeepsTheRecordsAndAddsAfterThem) {
    std::ofstream(path("a.txt")) << "OLD\n";
    UnitOpen how;
    how.append = true;
    ASSERT_EQ(open_unit_file(run, 36, path("a.txt"), how), 0);
    write_record(run, 36, "ADDED");
    ASSERT_TRUE(rewind_unit(run, 36));
    EXPECT_EQ(read_text(run, 36), "OLD");
    EXPECT_EQ(read_text(run, 36), "ADDED");
    EXPECT_EQ(read_text(run, 36), "<EOF>");
    close_unit(run, 36);
    // Without append an existing file is rewritten from its start.
    UnitOpen plain;
    ASSERT_EQ(open_unit_file(run, 36, path("a.txt"), plain), 0);
    write_record(run, 36, "X");
    close_unit(run, 36);
    EXPECT_EQ(file_text(scratch.dir / "a.txt"), "X\n");
}

TEST_F(UnitsTest, OpenStatusesAndTheirErrors) {
    UnitOpen old_file;
    old_file.status = UnitStatus::Old;
    EXPECT_EQ(open_unit_file(run, 37, path("none.txt"), old_file), ENOENT);
    EXPECT_FALSE(unit_is_open(run, 37));
    EXPECT_FALSE(std::filesystem::exists(scratch.dir / "none.txt"));
    EXPECT_EQ(open_unit_file(run, 37, scratch.dir.string(), UnitOpen{}), EISDIR);
    std::ofstream(path("here.txt")) << "x\n";
    UnitOpen fresh;
    fresh.status = UnitStatus::New;
    EXPECT_EQ(open_unit_file(run, 37, path("here.txt"), fresh), EEXIST);
    UnitOpen scratch_file;
    scratch_file.status = UnitStatus::Scratch;
    ASSERT_EQ(open_unit_file(run, 38, "", scratch_file), 0);
    write_record(run, 38, "TEMPORARY");
    ASSERT_TRUE(rewind_unit(run, 38));
    EXPECT_EQ(read_text(run, 38), "TEMPORARY");
    EXPECT_EQ(open_unit_file(run, 39, path("no/such/dir/f.txt"), UnitOpen{}), ENOENT);
}

TEST_F(UnitsTest, InquiryFindsTheUnitOfAFileHoweverItIsNamed) {
    UnitOpen how;
    ASSERT_EQ(open_unit_file(run, 40, path("q.txt"), how), 0);
    write_record(run, 40, "12345");
    FileInquiry file = inquire_file(run, (scratch.dir / "." / "q.txt").string());
    EXPECT_TRUE(file.exists);
    EXPECT_TRUE(file.open);
    EXPECT_EQ(file.unit, 40);
    UnitInquiry unit = inquire_unit(run, 40);
    EXPECT_TRUE(unit.open);
    EXPECT_EQ(unit.path, path("q.txt"));
    EXPECT_EQ(unit.position, 6);
    EXPECT_FALSE(inquire_unit(run, 41).open);
    FileInquiry missing = inquire_file(run, path("absent"));
    EXPECT_FALSE(missing.exists);
    EXPECT_EQ(missing.error, 0);
    EXPECT_EQ(close_unit(run, 40, true), 0);
    EXPECT_FALSE(std::filesystem::exists(scratch.dir / "q.txt"));
}

// A file being written whole by a command that ends half-way (Ctrl-C, memory refused): the
// unfinished new content is dropped, the earlier file stays, and its unit, still bound, adds
// after the earlier records; no temporary file is left.
TEST_F(UnitsTest, AbandonedReplacementKeepsTheEarlierFile) {
    const std::string kept = path("kept");
    std::ofstream(kept) << "EARLIER\n";
    UnitOpen whole;
    whole.replace = true;
    ASSERT_EQ(open_unit_file(run, 21, kept, whole), 0);
    write_record(run, 21, "HALF");
    abandon_replacements(run);
    ASSERT_TRUE(unit_is_open(run, 21));
    write_record(run, 21, "LATER");
    EXPECT_EQ(close_unit(run, 21), 0);
    EXPECT_EQ(file_text(kept), "EARLIER\nLATER\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.dir),
                            std::filesystem::directory_iterator()),
              1);
}
