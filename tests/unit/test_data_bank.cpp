// The data bank: the blob layout (checked byte by byte against the binary128 encoding), bit-exact
// round trips, a failing save that must leave the old bank whole, lookup of unknown names under
// DB, FILE DATABANK, damaged rows and files that are no bank.
#include "maintenance_support.hpp"

#include "interp/script_run.hpp"
#include "workspace/bank_file.hpp"
#include "workspace/data_bank.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

namespace tarvex {
namespace {

using testing::LiveRun;
using testing::same_bits;
using testing::ScratchDir;

// Runs SQL on a bank file directly, as another program would.
void bank_sql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK)
        << (message != nullptr ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

// The value of element `k` of a stored variable, read back from the bank file.
Real stored_element(const std::string& name, long long k) {
    BankFile bank;
    EXPECT_TRUE(bank.open("TARVBANK.db", false)) << bank.error();
    VariableCopy var;
    EXPECT_EQ(bank.get(name, var), BankFile::Lookup::FOUND) << name;
    return k <= static_cast<long long>(var.elements.size()) ? var.elements[k - 1] : -1;
}

TEST(BankBlob, LittleEndianBinary128) {
    const std::string one = elements_to_blob({1, -2});
    ASSERT_EQ(one.size(), 32u);
    for (int byte = 0; byte < 14; ++byte) EXPECT_EQ(one[byte], 0) << byte;
    EXPECT_EQ(static_cast<unsigned char>(one[14]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(one[15]), 0x3F);
    EXPECT_EQ(static_cast<unsigned char>(one[31]), 0xC0); // -2: sign and exponent 0x4000
    std::vector<Real> back;
    ASSERT_TRUE(blob_to_elements(one.data(), one.size(), 2, back));
    EXPECT_EQ(back[0], 1);
    EXPECT_EQ(back[1], -2);
    EXPECT_FALSE(blob_to_elements(one.data(), one.size(), 3, back)); // too short
    EXPECT_FALSE(blob_to_elements(one.data(), 31, 2, back));         // not whole elements
    EXPECT_FALSE(blob_to_elements(one.data(), one.size(), -1, back));
}

TEST(DataBank, RoundTripKeepsEveryBitAndShape) {
    ScratchDir scratch;
    LiveRun t;
    t.exec("dimension v 6 m 2 2");
    const Real values[6] = {
        Real(1) / 3,           -0.0Q, FLT128_DENORM_MIN, __builtin_infq(), __builtin_nanq("0x77"),
        1 - FLT128_EPSILON / 2};
    for (int k = 0; k < 6; ++k) t.at("V", k + 1) = values[k];
    for (int k = 1; k <= 4; ++k) t.at("M", k) = Real(k) / 9;
    t.exec("time 1970.3 4");
    ASSERT_TRUE(bank_store(*t.run, "V"));
    ASSERT_TRUE(bank_store(*t.run, "m"));
    t.exec("delete all");

    ASSERT_TRUE(bank_fetch(*t.run, "V"));
    ASSERT_TRUE(bank_fetch(*t.run, "M"));
    ASSERT_EQ(t.info("V").length, 6);
    for (int k = 0; k < 6; ++k) EXPECT_TRUE(same_bits(t.at("V", k + 1), values[k])) << k;
    EXPECT_EQ(t.info("M").type, TYPE_MATRIX);
    EXPECT_EQ(t.info("M").ncol, 2);
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(same_bits(t.at("M", k), Real(k) / 9));

    // The calendar travels with data vectors only.
    VariableCopy var;
    ASSERT_TRUE(bank_read(*t.run, "V", var));
    EXPECT_EQ(var.year, 1970);
    EXPECT_EQ(var.sub, 3);
    EXPECT_EQ(var.frequency, 4);
    ASSERT_TRUE(bank_read(*t.run, "M", var));
    EXPECT_EQ(var.frequency, 0);

    // Storing again replaces the row; a fetch replaces the workspace variable.
    t.at("V", 1) = 7;
    ASSERT_TRUE(bank_store(*t.run, "V"));
    t.at("V", 1) = 8;
    ASSERT_TRUE(bank_fetch(*t.run, "V"));
    EXPECT_EQ(t.at("V", 1), 7);
    EXPECT_FALSE(bank_fetch(*t.run, "NOTHERE"));
    EXPECT_EQ(t.exec("names"), " V        M\n"); // DB off: no bank listing
}

TEST(DataBank, FailedSaveLeavesTheOldBank) {
    ScratchDir scratch;
    LiveRun t;
    t.exec("dimension a 1 b 1");
    t.at("A", 1) = 1;
    t.at("B", 1) = 2;
    save_data_bank(*t.run);
    // The third row of the next save fails, as a full disk or a lost lock would.
    bank_sql("TARVBANK.db", "CREATE TRIGGER refuse BEFORE INSERT ON variables WHEN NEW.name = 'C'"
                            " BEGIN SELECT RAISE(ABORT, 'simulated failure'); END");
    t.at("A", 1) = 10;
    t.at("B", 1) = 20;
    t.exec("dimension c 1");
    const std::size_t before = t.out.text().size();
    save_data_bank(*t.run);
    EXPECT_EQ(t.out.text().substr(before),
              " ...ERROR..DATABANK NOT SAVED, IT IS UNCHANGED: SIMULATED FAILURE\n");
    EXPECT_EQ(stored_element("A", 1), 1);
    EXPECT_EQ(stored_element("B", 1), 2);
    BankFile bank;
    ASSERT_TRUE(bank.open("TARVBANK.db", false));
    VariableCopy var;
    EXPECT_EQ(bank.get("C", var), BankFile::Lookup::MISSING);
    // Without the failure the same save goes through.
    bank_sql("TARVBANK.db", "DROP TRIGGER refuse");
    save_data_bank(*t.run);
    EXPECT_EQ(stored_element("A", 1), 10);
    EXPECT_EQ(stored_element("C", 1), 0);
}

TEST(DataBank, UnknownNamesComeFromTheBankUnderDB) {
    ScratchDir scratch;
    LiveRun t;
    t.exec("dimension k1 2 k2 3");
    t.at("K2", 3) = 33;
    save_data_bank(*t.run);
    t.exec("delete all");
    // The listings with DB off and on are pinned by the maint/databank_b_use golden.
    t.exec("set db");
    t.exec("names k2");
    EXPECT_EQ(t.at("K2", 3), 33);
    EXPECT_EQ(t.slot("K1"), 0); // only what was asked for is fetched

    // A damaged row is reported as such and nothing is created.
    bank_sql("TARVBANK.db", "UPDATE variables SET length = 9 WHERE name = 'K1'");
    EXPECT_EQ(t.exec("names k1"), " ...ERROR..VARIABLE K1 IN DATABANK IS DAMAGED\n");
    EXPECT_EQ(t.slot("K1"), 0);
}

// GENR and IF fetching only the names they read are pinned by the maint/databank_genr golden;
// a damaged row gives the bank's message only, and no target is made.
TEST(DataBank, GenrStopsAtADamagedRow) {
    ScratchDir scratch;
    LiveRun t;
    t.exec("dimension k 3");
    save_data_bank(*t.run);
    t.exec("delete all");
    t.exec("smpl 1 3");
    t.exec("set db");
    bank_sql("TARVBANK.db", "UPDATE variables SET length = 9 WHERE name = 'K'");
    EXPECT_EQ(t.exec("genr y = k"), " ...ERROR..VARIABLE K IN DATABANK IS DAMAGED\n");
    EXPECT_EQ(t.slot("Y"), 0);
    EXPECT_EQ(t.slot("K"), 0);
}

TEST(DataBank, FilesThatAreNoBank) {
    ScratchDir scratch;
    LiveRun t;
    t.exec("dimension a 2");
    std::ofstream("TARVBANK.db") << "not a database at all, just text\n";
    const std::size_t before = t.out.text().size();
    save_data_bank(*t.run);
    EXPECT_EQ(t.out.text().substr(before),
              " ...ERROR..DATABANK TARVBANK.db CANNOT BE USED: FILE IS NOT A DATABASE\n");
    t.exec("delete a");
    t.exec("set db");
    EXPECT_EQ(t.exec("names a"),
              " ...ERROR..DATABANK TARVBANK.db CANNOT BE USED: FILE IS NOT A DATABASE\n");
    // An SQLite file of another program is not written into by a lookup.
    std::remove("TARVBANK.db");
    bank_sql("TARVBANK.db", "CREATE TABLE other (x)");
    EXPECT_EQ(t.exec("names a"),
              " ...ERROR..DATABANK TARVBANK.db CANNOT BE USED: NO TABLE OF VARIABLES\n");
}

// STOP DB, SET BANKNAME and the save at the end of a run with DB on are pinned by the
// maint/databank_a_store and maint/databank_genr goldens.
TEST(DataBank, FileDatabankChoosesTheDirectory) {
    ScratchDir scratch;
    // FILE DATABANK chooses the directory; a later run finds the variable there.
    std::filesystem::create_directory("banks");
    run_script("set talk\nfile databank banks\ndimension z 3\nstop db\n");
    EXPECT_TRUE(std::filesystem::exists("banks/TARVBANK.db"));
    const ScriptResult third =
        run_script("set talk\nfile databank banks\nset db\nnames z\nset nodb\n");
    EXPECT_NE(third.output.find(" Z         DATA                 3     1"), std::string::npos)
        << third.output;
}

} // namespace
} // namespace tarvex
