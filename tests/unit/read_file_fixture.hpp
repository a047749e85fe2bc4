// Test fixture for READ from files: each test runs in a scratch directory of its own (so that
// relative file names work and nothing lands in the source tree), and the two-thread reader is
// allowed again after each test.
#pragma once

#include "io/read_command.hpp"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace tarvex::testing {

struct ReadFileFixture : ::testing::Test {
    std::string dir;
    std::string old;
    void SetUp() override {
        char tmpl[] = "/tmp/tarvex_readfile_XXXXXX";
        dir = mkdtemp(tmpl);
        char cwd[4096];
        old = getcwd(cwd, sizeof cwd);
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override {
        allow_split_reading(true);
        ASSERT_EQ(chdir(old.c_str()), 0);
        std::system(("rm -rf " + dir).c_str());
    }
    static void write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
};

} // namespace tarvex::testing
