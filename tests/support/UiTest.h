// The test environment of the windows and the parts that drive them: every stand-in at its
// start state, the test thread as the UI thread, mock time, the plug-in's resource folder and
// its English strings. Derive a fixture from UiTest and drive the loop and the clock with
// RunUntilIdle and Advance; nothing waits in real time.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace testsupport {

// The repository's res/ folder and its English string table.
std::wstring ResourceFolder();
std::string EnglishStrings();
// Switches both string tables and the culture (plural rules, direction) to LOCALE's ("pl").
void UseLanguage(const std::string& locale);

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the UI loop until nothing is pending; the number of tasks and messages run.
    static size_t RunUntilIdle();
    // Moves mock time on by MS, running the timers and tasks that fall due on the way.
    static void Advance(uint64_t ms);
};

}  // namespace testsupport
