// Test fixture for READ from files: each test runs in a scratch directory of its own (so that
// relative file names work and nothing lands in the source tree), and the two-thread reader is
// allowed again after each test.
#pragma once

#include "io/read_command.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

namespace tarvex::testing {

struct ReadFileFixture : ::testing::Test, ScratchDir {
    void TearDown() override { allow_split_reading(true); }
};

} // namespace tarvex::testing
