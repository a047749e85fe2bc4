// Binding files in the run mode whose host shares files with the engine: a file that another
// program holds is refused with the in-use line and the unit stays unbound; other modes never
// ask. The holder is either a lock on the file or the host's answer to the in-use query. TITLE
// labels in TARVDATA blocks are pinned by the print/title_labels golden.
#include "core/host_link.hpp"
#include "host_test_support.hpp"
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
