// Encrypted files through the real gpg: encryption in place and decryption into a temporary
// copy, wrong and missing passphrases, passphrases the shell must not interpret, a missing
// gpg program, an unusable gpg home replaced by a temporary one, and WRITE ... / CRYPT, whose
// clear text never takes the file's name.
#include "host_test_support.hpp"
#include "interp/script_run.hpp"
#include "io/afile.hpp"
#include "io/crypt.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

using namespace tarvex;
using namespace tarvex::testing;
namespace fs = std::filesystem;

namespace {

using tarvex::testing::file_text;

bool gpg_available() {
    return std::system("gpg --version >/dev/null 2>&1") == 0;
}

// A scratch directory as the working directory (SYSCMD leaves JUNK.TMP there), the run's
// temporary directory and gpg's home; the agent gpg starts there is stopped at the end.
struct CryptTest : ::testing::Test {
    TempSettings scratch;
    LinkedRun linked{MODE_CONSOLE};
    tarvex::Run& run = linked.run;
    fs::path previous_dir = fs::current_path();
    fs::path home;
    fs::path plain;
    const std::string content = "TARVDATA\n   1   2   3\n1.5 2.5 -3.25E+10\n";

    void SetUp() override {
        if (!gpg_available()) GTEST_SKIP() << "gpg is not installed";
        fs::current_path(scratch.dir);
        home = scratch.dir / "gnupg";
        fs::create_directory(home);
        fs::permissions(home, fs::perms::owner_all, fs::perm_options::replace);
        setenv("GNUPGHOME", home.c_str(), 1);
        setenv("TARVEXPASSPHRASE", "correct horse", 1);
        fs::create_directory(scratch.dir / "tmp");
        run.files.TEMP = (scratch.dir / "tmp").string();
        plain = scratch.dir / "data.txt";
        std::ofstream(plain, std::ios::binary) << content;
    }
    void TearDown() override {
        std::string stop =
            "gpgconf --homedir '" + home.string() + "' --kill gpg-agent >/dev/null 2>&1";
        (void)std::system(stop.c_str());
        unsetenv("GNUPGHOME");
        unsetenv("TARVEXPASSPHRASE");
        fs::current_path(previous_dir);
    }
    std::size_t temp_entries() {
        return std::distance(fs::directory_iterator(scratch.dir / "tmp"), fs::directory_iterator());
    }
};

} // namespace

TEST_F(CryptTest, EncryptInPlaceThenDecryptGivesTheOriginalBack) {
    ASSERT_TRUE(encrypt_in_place(run, plain.string()));
    const std::string sealed = file_text(plain);
    EXPECT_NE(sealed, content);
    EXPECT_EQ(sealed.find("TARVDATA"), std::string::npos);
    EXPECT_FALSE(fs::exists(plain.string() + ".gpgtmp"));

    std::optional<std::string> copy = decrypt_to_temp(run, plain.string());
    ASSERT_TRUE(copy.has_value());
    // Only the owner may see the plaintext: a 0600 file in a 0700 directory of its own.
    const fs::path private_dir = fs::path(*copy).parent_path();
    EXPECT_EQ(private_dir.parent_path(), scratch.dir / "tmp");
    EXPECT_EQ(fs::status(private_dir).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(*copy).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::path(*copy).filename().string().size(), 8u); // the 8-digit temporary name
    EXPECT_EQ(file_text(*copy), content);
    EXPECT_EQ(file_text(plain), sealed); // the encrypted file stays as it was

    // The copy is read through the decryption unit and goes when that unit is deleted.
    AfileRequest req;
    req.from_read = true;
    req.quiet = true;
    ASSERT_TRUE(AFILE(run, UNIT_DECRYPT, *copy, req));
    std::string line;
    ASSERT_TRUE(read_record(run, UNIT_DECRYPT, line));
    EXPECT_EQ(line, "TARVDATA");
    close_unit(run, UNIT_DECRYPT, true);
    EXPECT_FALSE(fs::exists(*copy));
    remove_decrypted_copy(*copy);
    EXPECT_EQ(temp_entries(), 0u);
    EXPECT_EQ(linked.out.text(), ""); // quiet: no notes
}

TEST_F(CryptTest, WrongPassphraseIsAnErrorAndLeavesNoCopy) {
    ASSERT_TRUE(encrypt_in_place(run, plain.string()));
    setenv("TARVEXPASSPHRASE", "wrong horse", 1);
    EXPECT_FALSE(decrypt_to_temp(run, plain.string()).has_value());
    const std::string& p = plain.string();
    // clang-format off: the message on one line, as the report shows it
    const std::string expected =
        " ...ERROR..GPG COULD NOT DECRYPT THE FILE " + p + " (WRONG PASSPHRASE OR DAMAGED FILE)";
    // clang-format on
    EXPECT_NE(linked.out.text().find(expected), std::string::npos);
    EXPECT_EQ(temp_entries(), 0u);
}

TEST_F(CryptTest, PassphraseWithShellCharactersReachesGpgUnchanged) {
    // Quotes, a dollar sign, a semicolon and blanks: the shell expands the variable once and
    // interprets nothing inside it.
    setenv("TARVEXPASSPHRASE", "it's \"$HOME\" ; `x` &", 1);
    ASSERT_TRUE(encrypt_in_place(run, plain.string()));
    std::string direct = "echo 'it'\\''s \"$HOME\" ; `x` &' | gpg --batch --passphrase-fd 0 -o '" +
                         (scratch.dir / "direct.txt").string() + "' '" + plain.string() +
                         "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(direct.c_str()), 0); // gpg itself accepts the literal passphrase
    EXPECT_EQ(file_text(scratch.dir / "direct.txt"), content);
    std::optional<std::string> copy = decrypt_to_temp(run, plain.string());
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(file_text(*copy), content);
}

TEST_F(CryptTest, MissingPassphraseFileOrProgram) {
    unsetenv("TARVEXPASSPHRASE");
    EXPECT_FALSE(encrypt_in_place(run, plain.string()));
    EXPECT_EQ(file_text(plain), content);
    EXPECT_NE(linked.out.text().find(
                  " ...ERROR..NO PASSPHRASE: THE ENVIRONMENT VARIABLE TARVEXPASSPHRASE IS NOT SET"),
              std::string::npos);

    setenv("TARVEXPASSPHRASE", "x", 1);
    EXPECT_FALSE(decrypt_to_temp(run, (scratch.dir / "absent.gpg").string()).has_value());
    EXPECT_NE(linked.out.text().find(" ...WARNING..FILE DOES NOT EXIST: "), std::string::npos);

    run.files.HELPDEMO = (scratch.dir / "no_programs_here").string();
    EXPECT_FALSE(encrypt_in_place(run, plain.string()));
    EXPECT_EQ(file_text(plain), content);
    EXPECT_NE(linked.out.text().find(" ...ERROR..CANNOT RUN THE GPG PROGRAM: " +
                                     (scratch.dir / "no_programs_here/gpg").string()),
              std::string::npos);
    EXPECT_FALSE(fs::exists(plain.string() + ".gpgtmp"));

    // A temporary directory that does not exist: no private directory for the copy.
    run.files.HELPDEMO.clear();
    run.files.TEMP = (scratch.dir / "no_such_tmp").string();
    ASSERT_TRUE(encrypt_in_place(run, plain.string()));
    EXPECT_FALSE(decrypt_to_temp(run, plain.string()).has_value());
    EXPECT_NE(linked.out.text().find(" ...ERROR..CANNOT CREATE A PRIVATE DIRECTORY IN " +
                                     temp_directory(run)),
              std::string::npos);
}

TEST_F(CryptTest, UnusableGpgHomeIsReplacedByATemporaryOne) {
    fs::path locked = scratch.dir / "locked";
    fs::create_directory(locked);
    setenv("GNUPGHOME", (locked / "inner" / "gnupg").c_str(), 1); // parent does not exist
    ASSERT_TRUE(encrypt_in_place(run, plain.string()));
    std::optional<std::string> copy = decrypt_to_temp(run, plain.string());
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(file_text(*copy), content);
    remove_decrypted_copy(*copy);
    EXPECT_EQ(temp_entries(), 0u); // the temporary homes are gone
    EXPECT_FALSE(fs::exists(locked / "inner"));
}

// WRITE ... / CRYPT writes the clear text to a private file in the temporary directory and only
// the encryption takes the file's name: READ ... / CRYPT gives the values back, and nothing is
// left in the temporary directory or beside the file.
TEST_F(CryptTest, WriteCryptThenReadCryptGivesTheValuesBack) {
    const ScriptResult r = run_script("FILE TEMP " + (scratch.dir / "tmp").string() +
                                      "\nSAMPLE 1 3\nGENR X=1.25\nWRITE(sealed.dat) X / CRYPT\n"
                                      "READ(sealed.dat) Y / CRYPT\nGENR D=Y-X\nPRINT D\nSTOP\n");
    EXPECT_EQ(r.output.find("ERROR"), std::string::npos) << r.output;
    const std::string sealed = file_text(scratch.dir / "sealed.dat");
    EXPECT_FALSE(sealed.empty());
    EXPECT_EQ(sealed.find("1.25"), std::string::npos);
    EXPECT_NE(r.output.find("        D\n    0.000000\n    0.000000\n    0.000000\n"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(temp_entries(), 0u);
    std::size_t beside = 0;
    for (const auto& entry : fs::directory_iterator(scratch.dir))
        beside += entry.path().filename().string().rfind(".sealed.dat", 0) == 0;
    EXPECT_EQ(beside, 0u);
}

// Without gpg the CRYPT write is an error with its $ERR: the file of that name keeps what it
// held (the clear text never reaches it) and the clear temporary file is gone.
TEST_F(CryptTest, WriteCryptWithoutGpgLeavesTheFileAsItWas) {
    std::ofstream(scratch.dir / "sealed.dat") << "earlier\n";
    const ScriptResult r =
        run_script("FILE TEMP " + (scratch.dir / "tmp").string() + "\nFILE HELPDEMO " +
                   (scratch.dir / "no_programs_here").string() +
                   "\nSAMPLE 1 3\nGENR X=1.25\nWRITE(sealed.dat) X / CRYPT\nPRINT $ERR\nSTOP\n");
    EXPECT_NE(r.output.find(" ...ERROR..CANNOT RUN THE GPG PROGRAM: "), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("5054"), std::string::npos) << r.output;
    EXPECT_EQ(file_text(scratch.dir / "sealed.dat"), "earlier\n");
    EXPECT_EQ(temp_entries(), 0u);
}

// No room for the clear text (a temporary directory that does not exist) or for the encryption
// (a file in a directory that does not exist): each is an error with the CRYPT $ERR, and nothing
// is left anywhere.
TEST_F(CryptTest, WriteCryptWithoutRoomForItsFiles) {
    const std::string missing = (scratch.dir / "no_such_dir").string();
    const ScriptResult no_temp = run_script("FILE TEMP " + missing +
                                            "\nSAMPLE 1 3\nGENR X=1.25\n"
                                            "WRITE(sealed.dat) X / CRYPT\nPRINT $ERR\nSTOP\n");
    EXPECT_NE(no_temp.output.find(" ...ERROR..CANNOT CREATE A PRIVATE FILE IN " + missing + "/\n"),
              std::string::npos)
        << no_temp.output;
    EXPECT_NE(no_temp.output.find("5054"), std::string::npos) << no_temp.output;
    EXPECT_FALSE(fs::exists(scratch.dir / "sealed.dat"));

    const ScriptResult no_dir = run_script("FILE TEMP " + (scratch.dir / "tmp").string() +
                                           "\nSAMPLE 1 3\nGENR X=1.25\nWRITE(" + missing +
                                           "/sealed.dat) X / CRYPT\nPRINT $ERR\nSTOP\n");
    EXPECT_NE(no_dir.output.find(" ...ERROR..CANNOT CREATE THE ENCRYPTED FILE BESIDE " + missing +
                                 "/sealed.dat\n"),
              std::string::npos)
        << no_dir.output;
    EXPECT_NE(no_dir.output.find("5054"), std::string::npos) << no_dir.output;
    EXPECT_EQ(temp_entries(), 0u);
}
