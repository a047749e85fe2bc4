// The binder AFILE as other commands call it: READ requests, unformatted and append binds,
// the path settings, DIR/CD/PWD, the open failure report, and network fetches from a small
// HTTP server started on 127.0.0.1 for the test.
#include "host_test_support.hpp"
#include "interp/script_run.hpp"
#include "io/afile.hpp"
#include "io/file_command.hpp"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace tarvex;
using namespace tarvex::testing;
namespace fs = std::filesystem;

namespace {

using tarvex::testing::file_text;

using tarvex::testing::contains;

struct BinderTest : ::testing::Test {
    TempSettings scratch;
    LinkedRun linked{MODE_CONSOLE};
    tarvex::Run& run = linked.run;
    fs::path previous_dir = fs::current_path();
    void SetUp() override {
        fs::current_path(scratch.dir);
        run.sw[OWARN] = true; // notes on, as after start-up
    }
    void TearDown() override { fs::current_path(previous_dir); }
    std::string out() { return linked.out.text(); }
};

} // namespace

TEST_F(BinderTest, ReadRequestsNeverCreateAMissingFile) {
    AfileRequest read;
    read.from_read = true;
    EXPECT_FALSE(AFILE(run, L88, "absent.dat", read));
    EXPECT_FALSE(unit_is_open(run, L88));
    EXPECT_FALSE(fs::exists(scratch.dir / "absent.dat"));
    EXPECT_EQ(out(), " ...WARNING..FILE DOES NOT EXIST: absent.dat\n absent.dat\n \n");
    // An output unit is created, with the warning only when notes are on.
    run.sw[OWARN] = false;
    EXPECT_TRUE(AFILE(run, 11, "made.dat"));
    EXPECT_TRUE(fs::exists(scratch.dir / "made.dat"));
    EXPECT_EQ(out(), " ...WARNING..FILE DOES NOT EXIST: absent.dat\n absent.dat\n \n");
}

TEST_F(BinderTest, UnformattedAndAppendBindings) {
    AfileRequest binary;
    binary.unformatted = true;
    ASSERT_TRUE(AFILE(run, 20, "b.bin", binary));
    const unsigned char record[] = {1, 2, 3};
    ASSERT_TRUE(write_unformatted_record(run, 20, record));
    close_unit(run, 20);
    EXPECT_EQ(file_text(scratch.dir / "b.bin").size(), 11u);

    std::ofstream(scratch.dir / "log.txt") << "FIRST\n";
    AfileRequest append;
    append.append = true;
    ASSERT_TRUE(AFILE(run, 21, "log.txt", append));
    write_record(run, 21, "SECOND");
    close_unit(run, 21);
    EXPECT_EQ(file_text(scratch.dir / "log.txt"), "FIRST\nSECOND\n");
}

TEST_F(BinderTest, OpenFailureListsTheOpenParameters) {
    fs::create_directory(scratch.dir / "adir");
    EXPECT_FALSE(AFILE(run, 22, "adir"));
    EXPECT_FALSE(unit_is_open(run, 22));
    const std::string text = out();
    EXPECT_TRUE(contains(text, " ...ERROR..FILE OPEN PROBLEM:\n VCAR:adir\n"));
    EXPECT_TRUE(contains(
        text, " VF:FORMATTED VPOS:ASIS VACC:SEQUENTIAL VSTA:UNKNOWN IBLOCK:  8192 IOS:    21\n"));
    EXPECT_TRUE(contains(text, " ...ERROR..OPEN ERROR ON UNIT 22 ERROR=    21 FILE=adir\n"));
}

TEST_F(BinderTest, RebindingKeepsTheOldFileAndItsRecords) {
    ASSERT_TRUE(AFILE(run, 23, "one.txt"));
    write_record(run, 23, "KEPT");
    ASSERT_TRUE(AFILE(run, 23, "two.txt"));
    EXPECT_EQ(file_text(scratch.dir / "one.txt"), "KEPT\n");
    EXPECT_TRUE(contains(out(), " ...NOTE..UNIT  23 IS CURRENTLY ASSIGNED TO: one.txt\n"));
    EXPECT_EQ(unit_name(run, 23), "two.txt");
}

TEST_F(BinderTest, PathSettingsAreKeptCutAt255Characters) {
    EXPECT_TRUE(AFILE(run, CODE_TEMP, "/var/tmp/x"));
    EXPECT_TRUE(AFILE(run, CODE_DATABANK, "banks"));
    EXPECT_TRUE(AFILE(run, CODE_PROCPATH, "procs/"));
    EXPECT_TRUE(AFILE(run, CODE_PLOTPATH, "plots"));
    EXPECT_TRUE(AFILE(run, CODE_HELPDEMO, "/opt/bin"));
    EXPECT_TRUE(AFILE(run, CODE_FTPPATH, "ftp"));
    EXPECT_TRUE(AFILE(run, CODE_PATH, std::string(300, 'p')));
    EXPECT_EQ(run.files.TEMP, "/var/tmp/x");
    EXPECT_EQ(temp_directory(run), "/var/tmp/x/");
    EXPECT_EQ(run.files.DATABANK, "banks");
    EXPECT_EQ(run.files.PROCPATH, "procs/");
    EXPECT_EQ(run.files.PLOTPATH, "plots");
    EXPECT_EQ(run.files.HELPDEMO, "/opt/bin");
    EXPECT_EQ(run.files.FTPPATH, "ftp");
    EXPECT_EQ(run.files.PATH, std::string(255, 'p'));
    EXPECT_EQ(out(), "");
}

TEST_F(BinderTest, DeleteOfThePlotCommandFileTakesItsNumberedCopy) {
    run.files.gnu_copy = 7;
    std::ofstream(scratch.dir / "C007.GNU") << "plot\n";
    std::ofstream(scratch.dir / "COMM.GNU") << "plot\n";
    EXPECT_TRUE(AFILE(run, CODE_DELETE, "COMM.GNU"));
    EXPECT_FALSE(fs::exists(scratch.dir / "C007.GNU"));
    EXPECT_TRUE(fs::exists(scratch.dir / "COMM.GNU"));
    // A file open on a unit is released before it is deleted.
    ASSERT_TRUE(AFILE(run, 24, "open.txt"));
    EXPECT_TRUE(AFILE(run, CODE_DELETE, "open.txt"));
    EXPECT_FALSE(fs::exists(scratch.dir / "open.txt"));
    EXPECT_FALSE(unit_is_open(run, 24));
}

TEST_F(BinderTest, DirectoryRequests) {
    fs::create_directory(scratch.dir / "listed");
    std::ofstream(scratch.dir / "listed" / "alpha.dat") << "12345\n";
    EXPECT_TRUE(AFILE(run, CODE_DIR, "listed"));
    std::string listing = out();
    EXPECT_TRUE(contains(listing, " total "));
    EXPECT_TRUE(contains(listing, " 6 ")); // the file's size
    EXPECT_TRUE(contains(listing, " alpha.dat\n"));

    EXPECT_TRUE(AFILE(run, CODE_CD, "listed"));
    EXPECT_EQ(fs::current_path(), fs::canonical(scratch.dir / "listed"));
    EXPECT_TRUE(AFILE(run, CODE_PWD, ""));
    EXPECT_TRUE(contains(out(), " " + fs::canonical(scratch.dir / "listed").string() + "\n"));
    EXPECT_FALSE(AFILE(run, CODE_CD, "nowhere"));
    EXPECT_TRUE(contains(out(), " ...ERROR..CANNOT CHANGE DIRECTORY TO: nowhere\n"));
    EXPECT_EQ(fs::current_path(), fs::canonical(scratch.dir / "listed"));
}

// A python3 http.server serving a directory on a free port of 127.0.0.1; it is stopped by its
// process id when the test ends.
struct HttpServer {
    pid_t pid = -1;
    int port = 0;

    static int free_port() {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        int found = 0;
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            found = ntohs(addr.sin_port);
        close(fd);
        return found;
    }
    static bool answers(int port) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(uint16_t(port));
        bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        close(fd);
        return ok;
    }
    void stop() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
    // Tries a few ports: a port taken meanwhile makes the server exit, and the next one is tried.
    bool start(const fs::path& dir) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            port = free_port();
            if (port == 0) continue;
            std::string port_text = std::to_string(port);
            std::string dir_text = dir.string();
            const char* argv[] = {"python3", "-m",        "http.server", port_text.c_str(),
                                  "--bind",  "127.0.0.1", "--directory", dir_text.c_str(),
                                  nullptr};
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
            int rc = posix_spawnp(&pid, "python3", &actions, nullptr,
                                  const_cast<char* const*>(argv), environ);
            posix_spawn_file_actions_destroy(&actions);
            if (rc != 0) return false;
            for (int wait = 0; wait < 100; ++wait) { // up to 10 seconds
                if (answers(port)) return true;
                if (waitpid(pid, nullptr, WNOHANG) == pid) {
                    pid = -1;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            stop();
        }
        return false;
    }
    ~HttpServer() { stop(); }
};

struct NetworkTest : BinderTest {
    HttpServer server;
    std::string base;
    void SetUp() override {
        BinderTest::SetUp();
        fs::create_directory(scratch.dir / "site");
        fs::create_directory(scratch.dir / "tmp");
        std::ofstream(scratch.dir / "site" / "series.dat") << "1 2\n3 4\n";
        run.files.TEMP = (scratch.dir / "tmp").string();
        if (!server.start(scratch.dir / "site")) GTEST_SKIP() << "no python3 http.server";
        base = "http://127.0.0.1:" + std::to_string(server.port) + "/";
    }
};

TEST_F(NetworkTest, FetchedFileIsReadOnTheNetworkUnitAndGoesAtClose) {
    ASSERT_TRUE(AFILE(run, CODE_FTP, base + "series.dat"));
    std::string line;
    ASSERT_TRUE(read_record(run, UNIT_NETWORK, line));
    EXPECT_EQ(line, "1 2");
    ASSERT_TRUE(read_record(run, UNIT_NETWORK, line));
    EXPECT_EQ(line, "3 4");
    EXPECT_EQ(out(), " ...NOTE..UNIT4444 IS NOW ASSIGNED TO: " + base + "series.dat\n");
    const std::string copy = unit_file(run, UNIT_NETWORK)->path;
    EXPECT_EQ(fs::path(copy).parent_path(), scratch.dir / "tmp");
    EXPECT_EQ(fs::path(copy).extension(), ".dat");
    close_unit(run, UNIT_NETWORK);
    EXPECT_FALSE(fs::exists(copy));
    // READ hands the address over with the unit code 4444 too.
    AfileRequest read;
    read.from_read = true;
    read.quiet = true;
    ASSERT_TRUE(AFILE(run, UNIT_NETWORK, base + "series.dat", read));
    ASSERT_TRUE(read_record(run, UNIT_NETWORK, line));
    EXPECT_EQ(line, "1 2");
}

TEST_F(NetworkTest, MissingPageAndRefusedConnectionAreFailedOpens) {
    EXPECT_FALSE(AFILE(run, CODE_FTP, base + "nothing.dat"));
    EXPECT_FALSE(unit_is_open(run, UNIT_NETWORK));
    EXPECT_TRUE(contains(out(), " ...ERROR..CANNOT FETCH " + base + "nothing.dat\n"));
    EXPECT_TRUE(contains(out(), " ...ERROR..OPEN ERROR ON UNIT4444 ERROR=   404 FILE=" + base +
                                    "nothing.dat\n"));
    int closed_port = server.port;
    server.stop();
    EXPECT_FALSE(
        AFILE(run, CODE_FTP, "http://127.0.0.1:" + std::to_string(closed_port) + "/x.dat"));
    EXPECT_TRUE(contains(out(), "CONNECT"));
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.dir / "tmp"), fs::directory_iterator()),
              0);
}

TEST_F(NetworkTest, DownloadSavesInTheTransferDirectory) {
    fs::create_directory(scratch.dir / "incoming");
    run.files.FTPPATH = (scratch.dir / "incoming").string();
    ASSERT_TRUE(AFILE(run, CODE_DOWNLOAD, base + "series.dat?version=2"));
    EXPECT_EQ(file_text(scratch.dir / "incoming" / "series.dat"), "1 2\n3 4\n");
    EXPECT_FALSE(unit_is_open(run, UNIT_NETWORK));
    EXPECT_TRUE(contains(out(), " ...NOTE..FILE SAVED AS: " +
                                    (scratch.dir / "incoming" / "series.dat").string() + "\n"));
}

// A failed download (a missing page here) leaves the file of the same name as it was and
// nothing beside it, and says so with $ERR; a good one replaces the file, keeping its
// permission bits.
TEST_F(NetworkTest, FailedDownloadKeepsTheLocalFile) {
    const fs::path incoming = scratch.dir / "incoming";
    fs::create_directory(incoming);
    run.files.FTPPATH = incoming.string();
    std::ofstream(incoming / "gone.dat") << "mine\n";
    EXPECT_FALSE(AFILE(run, CODE_DOWNLOAD, base + "gone.dat"));
    EXPECT_EQ(file_text(incoming / "gone.dat"), "mine\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(incoming), fs::directory_iterator()), 1);
    EXPECT_TRUE(contains(out(), " ...ERROR..CANNOT FETCH " + base + "gone.dat\n"));
    EXPECT_EQ(run.res[R_ERR], 63092) << out();

    std::ofstream(incoming / "series.dat") << "old\n";
    fs::permissions(incoming / "series.dat", fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);
    ASSERT_TRUE(AFILE(run, CODE_DOWNLOAD, base + "series.dat"));
    EXPECT_EQ(file_text(incoming / "series.dat"), "1 2\n3 4\n");
    EXPECT_EQ(fs::status(incoming / "series.dat").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(incoming), fs::directory_iterator()), 2);
}

// A file the user may only read: FILE OUTPUT to it fails with the reason in words and $ERR, the
// report stays on the console (the lines after it are all there) and the file is untouched;
// SAVE to a unit bound to it says the user may not write it. The run is made in a child process
// without the privileges of root, which may write any file.
TEST_F(BinderTest, ReadOnlyReportFileIsRefusedAndTheReportStaysOnTheConsole) {
    const fs::path read_only = scratch.dir / "ro.txt";
    std::ofstream(read_only) << "keep me\n";
    fs::permissions(read_only,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    fs::permissions(scratch.dir, fs::perms::all, fs::perm_options::replace);
    const fs::path shown_file = scratch.dir / "shown.txt";
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        setenv("TARVEX_SETTINGS", "/dev/null", 1);
        const ScriptResult r = run_script("FILE OUTPUT ro.txt\nPRINT $ERR\nSAMPLE 1 1\nGENR A=7\n"
                                          "FILE 45 ro.txt\nSAVE 45 A\nPRINT $ERR\nSTOP\n");
        std::ofstream(shown_file) << r.output;
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string shown = file_text(shown_file);
    EXPECT_TRUE(contains(shown, " ...ERROR..OPEN ERROR ON UNIT  6 ERROR=    13 FILE=ro.txt"))
        << shown;
    EXPECT_TRUE(contains(shown, "\n PERMISSION DENIED\n")) << shown;
    EXPECT_TRUE(contains(shown, "63091")) << shown;
    EXPECT_FALSE(contains(shown, "CLOSE ERROR")) << shown;
    EXPECT_TRUE(
        contains(shown, " ...ERROR..CANNOT WRITE ON UNIT 45 FILE ro.txt: PERMISSION DENIED\n"))
        << shown;
    EXPECT_TRUE(contains(shown, "45050")) << shown;
    EXPECT_EQ(file_text(read_only), "keep me\n");
}

TEST_F(BinderTest, WindowedRunSendsTheReportToTheOutputFileInstead) {
    RecordingHost host;
    run_script("FILE OUTPUT copy.txt\nINQUIRE copy.txt\nFILE OUTPUT\nINQUIRE 99\nSTOP QUIT\n", 307);
    std::string shown;
    for (const std::string& line : host.texts(host::MSG_LINE)) shown += line + "\n";
    EXPECT_FALSE(contains(shown, "FILE = copy.txt"));
    EXPECT_TRUE(contains(shown, " UNIT = 99 IOSTATUS=    0 EXIST=F OPEN=F\n"));
    const std::string file = file_text(scratch.dir / "copy.txt");
    EXPECT_TRUE(contains(file, " FILE = copy.txt\n UNIT =  6 IOSTATUS=    0 EXIST=T OPEN=T\n"));
    EXPECT_FALSE(contains(file, "UNIT = 99"));
}
