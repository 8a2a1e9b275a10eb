// A path in the tests' temporary folder that belongs to this process: CTest runs the cases of
// one test program as processes of their own at the same time, and a fixed name would have them
// rewrite each other's files.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace testsupport {

inline std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + name + "-" + std::to_string(getpid());
}

}  // namespace testsupport
