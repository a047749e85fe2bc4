// Binding files in the run mode whose host shares files with the engine: a file that another
// program holds is refused with the in-use line and the unit stays unbound; other modes never
// ask. The holder is either a lock on the file or the host's answer to the in-use query. Also
// the header label table: TITLE text travels in TARVDATA blocks and comes back with READ.
#include "host_test_support.hpp"
#include "core/host_link.hpp"
#include "interp/script_run.hpp"
#include "io/afile.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

using namespace tarvex;
using namespace tarvex::testing;
namespace fs = std::filesystem;

namespace {

using tarvex::testing::contains;

struct SharedFilesTest : ::testing::Test {
    TempSettings scratch;
    fs::path previous_dir = fs::current_path();
    void SetUp() override {
        fs::current_path(scratch.dir);
        std::ofstream("held.dat") << "1 2 3\n";
    }
    void TearDown() override { fs::current_path(previous_dir); }
};

// Another open of the file holding an exclusive lock, released when it goes.
struct LockHolder {
    int fd;
    explicit LockHolder(const char* path) : fd(::open(path, O_RDONLY)) { ::flock(fd, LOCK_EX); }
    ~LockHolder() { ::close(fd); }
};

const std::string IN_USE_LINE = " ..FILE IN USE:held.dat";

} // namespace

TEST_F(SharedFilesTest, ALockedFileIsRefusedUntilItsHolderLetsGo) {
    LinkedRun linked{MODE_SHARED_FILES};
    linked.run.sw[OWARN] = true;
    {
        LockHolder holder("held.dat");
        EXPECT_FALSE(AFILE(linked.run, 31, "held.dat"));
        EXPECT_FALSE(unit_is_open(linked.run, 31));
        EXPECT_TRUE(contains(linked.out.text(), IN_USE_LINE));
    }
    EXPECT_TRUE(AFILE(linked.run, 31, "held.dat"));
    EXPECT_TRUE(unit_is_open(linked.run, 31));
    EXPECT_TRUE(contains(linked.out.text(), " ...NOTE..UNIT 31 IS NOW ASSIGNED TO: held.dat"));
    close_unit(linked.run, 31);
}

TEST_F(SharedFilesTest, OtherModesNeverAskWhetherTheFileIsFree) {
    LinkedRun linked{MODE_CONSOLE};
    LockHolder holder("held.dat");
    EXPECT_TRUE(AFILE(linked.run, 32, "held.dat"));
    EXPECT_FALSE(contains(linked.out.text(), "IN USE"));
    close_unit(linked.run, 32);
}

TEST_F(SharedFilesTest, ARegisteredHostAnswersTheInUseQuery) {
    LinkedRun linked{MODE_SHARED_FILES};
    RecordingHost host;
    host.reply = "INUSE";
    EXPECT_FALSE(AFILE(linked.run, 33, "held.dat"));
    EXPECT_TRUE(contains(linked.out.text(), IN_USE_LINE));
    const std::vector<std::string> queries = host.texts(host::MSG_QUERY);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries.front(), "FILE_INUSE=held.dat");
    // Any other answer means free; a file that does not exist yet is never asked about.
    host.reply = "FREE";
    EXPECT_TRUE(AFILE(linked.run, 33, "held.dat"));
    EXPECT_TRUE(AFILE(linked.run, 34, "new.dat"));
    EXPECT_EQ(host.texts(host::MSG_QUERY).size(), 2u);
    close_unit(linked.run, 33);
    close_unit(linked.run, 34);
}

TEST_F(SharedFilesTest, TitleLabelsTravelInDataFileBlocks) {
    run_script("SAMPLE 1 2\nREAD X\n1\n2\nTITLE  ALPHA   BETA\nWRITE(x.tvd) X / TARVEX\n");
    std::ifstream in("x.tvd");
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    ASSERT_GE(lines.size(), 5u);
    // The name line: the name in 8 columns, then the sixteen labels (TITLE text cut in 8s).
    EXPECT_EQ(lines[4].substr(0, 24), "X       ALPHA   BETA    ");
    // A later run that reads the block takes the labels over and writes them again.
    run_script("SAMPLE 1 2\nREAD(x.tvd) X / TARVEX\nWRITE(y.tvd) X / TARVEX\n");
    std::ifstream again("y.tvd");
    std::vector<std::string> copied;
    while (std::getline(again, line)) copied.push_back(line);
    ASSERT_GE(copied.size(), 5u);
    EXPECT_EQ(copied[4].substr(0, 24), "X       ALPHA   BETA    ");
}
