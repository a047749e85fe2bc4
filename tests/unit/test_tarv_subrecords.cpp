// TARVBIN records longer than the subrecord limit (lowered here to 40 bytes, so that elements
// straddle subrecords): WRITE / TARVEX BINARY and FCAST / BIND= cut them into subrecords whose
// counts chain as the layout says (checked by a walker of its own over the bytes), and READ and
// BIND join them back to the values written, bit for bit.
#include "bound/bound_rows.hpp"
#include "core/run.hpp"
#include "io/tarv_records.hpp"
#include "reference_support.hpp"
#include "test_support.hpp"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

namespace tarvex::testing {

namespace {

constexpr std::uint64_t SMALL_LIMIT = 40;

// The subrecord limit lowered for one test.
struct LoweredLimit {
    explicit LoweredLimit(std::uint64_t bytes) { set_tarvbin_subrecord_limit(bytes); }
    ~LoweredLimit() { set_tarvbin_subrecord_limit(0); }
};

// The records of a file, each its subrecords joined, checking every count on the way: the two
// counts of a subrecord the same size, the one before negative exactly when another subrecord
// follows, the one after negative exactly when one precedes, no subrecord longer than `limit`
// and every one but the last exactly `limit` long.
std::vector<std::string> walk_records(const std::string& bytes, std::uint64_t limit) {
    std::vector<std::string> records;
    std::size_t at = 0;
    const auto count_at = [&bytes](std::size_t p) {
        std::int32_t v = 0;
        std::memcpy(&v, bytes.data() + p, 4);
        return v;
    };
    while (at < bytes.size()) {
        std::string record;
        for (bool first = true;; first = false) {
            EXPECT_LE(at + 4, bytes.size());
            if (at + 4 > bytes.size()) return records;
            const std::int32_t head = count_at(at);
            const std::size_t length = static_cast<std::size_t>(head < 0 ? -head : head);
            EXPECT_LE(length, limit);
            if (head < 0) EXPECT_EQ(length, limit) << "a subrecord followed by another is full";
            EXPECT_LE(at + 8 + length, bytes.size());
            if (at + 8 + length > bytes.size()) return records;
            record += bytes.substr(at + 4, length);
            const std::int32_t tail = count_at(at + 4 + length);
            EXPECT_EQ(tail, first ? std::int32_t(length) : -std::int32_t(length));
            at += 8 + length;
            if (head >= 0) break;
        }
        records.push_back(record);
    }
    return records;
}

Real real_at(const std::string& record, std::size_t k) {
    Real v;
    std::memcpy(&v, record.data() + 16 * k, 16);
    return v;
}

// The values of bound `names` over the sample, by a pass over blocks of 7 rows.
std::vector<std::vector<Real>> bound_values(Run& run, const std::vector<std::string>& names) {
    std::string error;
    std::unique_ptr<RowBlocks> rows = open_bound_rows(run, names, error, 7);
    EXPECT_TRUE(rows) << error;
    std::vector<std::vector<Real>> out(names.size());
    if (!rows) return out;
    RowBlock block;
    while (rows->next(block))
        for (std::size_t c = 0; c < names.size(); ++c)
            out[c].insert(out[c].end(), block.columns[c], block.columns[c] + block.length);
    EXPECT_TRUE(rows->failure().empty()) << rows->failure();
    return out;
}

} // namespace

struct TarvSubrecords : ::testing::Test, ScratchDir {};

TEST_F(TarvSubrecords, WriteCutsLongRecordsAndReadAndBindJoinThem) {
    const LoweredLimit lowered(SMALL_LIMIT);
    // X = t + 1/8 and Y = t*t - 3/4, exact in binary: the data records are 16 * 31 = 496 bytes,
    // 13 subrecords (12 of 40 bytes and one of 16).
    ScriptRun s("SMPL 1 30\nGENR X = TIME(0) + 0.125\nGENR Y = TIME(0)**2 - 0.75\n"
                "WRITE (s.bin) X Y / TARVEX BINARY\nREAD (s.bin) X Y / TARVEX BIND\n");
    const std::vector<std::string> records = walk_records(file_text("s.bin"), SMALL_LIMIT);
    ASSERT_EQ(records.size(), 6u); // kind, header and data record of each series
    EXPECT_EQ(records[0], "TARVBIN ");
    EXPECT_EQ(records[1].size(), 240u);
    ASSERT_EQ(records[2].size(), 16u * 31);
    EXPECT_TRUE(bits_equal(real_at(records[2], 0), Real(30)));
    for (int t = 1; t <= 30; ++t) {
        EXPECT_TRUE(bits_equal(real_at(records[2], t), Real(t) + Real(0.125))) << "X at " << t;
        EXPECT_TRUE(bits_equal(real_at(records[5], t), Real(t * t) - Real(0.75))) << "Y at " << t;
    }
    // READ into memory joins the subrecords.
    const ScriptRun back("READ (s.bin) / TARVEX NAMES\n");
    const std::vector<Real> x = back.values("X"), y = back.values("Y");
    ASSERT_EQ(x.size(), 30u);
    ASSERT_EQ(y.size(), 30u);
    // BIND reads the columns across the subrecords' counts.
    ASSERT_EQ(s.run->ws.bound.size(), 2u);
    const std::vector<std::vector<Real>> bound = bound_values(*s.run, {"X", "Y"});
    ASSERT_EQ(bound[0].size(), 30u);
    for (std::size_t k = 0; k < 30; ++k) {
        const Real t = Real(k + 1);
        EXPECT_TRUE(bits_equal(x[k], t + Real(0.125)));
        EXPECT_TRUE(bits_equal(y[k], t * t - Real(0.75)));
        EXPECT_TRUE(bits_equal(bound[0][k], x[k])) << "bound X at " << k + 1;
        EXPECT_TRUE(bits_equal(bound[1][k], y[k])) << "bound Y at " << k + 1;
    }
}

TEST_F(TarvSubrecords, FcastWritesItsSeriesInSubrecordsByPositionedWrites) {
    const LoweredLimit lowered(SMALL_LIMIT);
    // The forecast of observations 3..30 in memory, then the same to a file: the file's series
    // are 30 long, the missing code before observation 3, and bound to the file.
    ScriptRun s("SMPL 1 30\nGENR X = SIN(TIME(0))\nGENR Y = 1 + 2*X + COS(TIME(0)*3)/10\n"
                "OLS Y X\nSMPL 3 30\nFCAST / PREDICT=PM FCSE=SM NORSTAT\n"
                "FCAST / PREDICT=P FCSE=S BIND=f.bin NORSTAT\nSMPL 1 30\n");
    const std::vector<std::string> records = walk_records(file_text("f.bin"), SMALL_LIMIT);
    ASSERT_EQ(records.size(), 6u);
    ASSERT_EQ(records[2].size(), 16u * 31);
    const std::vector<Real> pm = s.values("PM"), sm = s.values("SM");
    ASSERT_EQ(pm.size(), 30u);
    const std::vector<std::vector<Real>> bound = bound_values(*s.run, {"P", "S"});
    ASSERT_EQ(bound[0].size(), 30u);
    for (std::size_t k = 0; k < 30; ++k) {
        const Real want_p = k < 2 ? s.run->ws.XMISS : pm[k];
        const Real want_s = k < 2 ? s.run->ws.XMISS : sm[k];
        EXPECT_TRUE(bits_equal(bound[0][k], want_p)) << "P at " << k + 1;
        EXPECT_TRUE(bits_equal(bound[1][k], want_s)) << "S at " << k + 1;
        EXPECT_TRUE(bits_equal(real_at(records[2], k + 1), want_p)) << "P in the file at " << k + 1;
    }
}

} // namespace tarvex::testing
