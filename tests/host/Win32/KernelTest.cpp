// Modules, paths, events and waits of the Win32 stand-in.
#include <Win32StandIn.h>
#include <pathcch.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <thread>

namespace {

// "Name.dll" is the shared library "libName.so", looked for beside the program first.
TEST(Win32Modules, DllNamesAreSharedLibrariesBesideTheProgram) {
    struct Case {
        const wchar_t* name;
        bool found;
    } cases[] = {
        {L"Win32.dll", true},         {L"Win32.DLL", true}, {L"libm.so.6", true},
        {L"NoSuchModule.dll", false}, {L".dll", false},
    };
    for (const Case& c : cases) {
        HMODULE module = LoadLibraryW(c.name);
        EXPECT_EQ(module != nullptr, c.found) << c.name;
        if (!module) {
            EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
            EXPECT_EQ(GetModuleHandleW(c.name), nullptr);
            continue;
        }
        EXPECT_EQ(GetModuleHandleW(c.name), module) << c.name;
        EXPECT_TRUE(FreeLibrary(module));
    }
}

TEST(Win32Modules, ModuleFileNameOfTheProgram) {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self));
    ASSERT_GT(length, 0);
    const std::wstring expected(self, self + length);  // ASCII build paths

    wchar_t name[MAX_PATH * 4];
    DWORD copied = GetModuleFileNameW(nullptr, name, MAX_PATH * 4);
    EXPECT_EQ(copied, expected.size());
    EXPECT_EQ(std::wstring(name), expected);

    // Too small a buffer: truncated, terminated, and the full size returned.
    wchar_t small[4];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 4), 4u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::wstring(small), expected.substr(0, 3));
}

TEST(Win32Paths, RemoveFileSpecKeepsTheFolder) {
    struct Case {
        std::wstring path;
        std::wstring folder;
    } cases[] = {
        {L"/opt/host/bin/libSwiftSend.so", L"/opt/host/bin"},
        {L"C:\\Host\\bin\\SwiftSend.dll", L"C:\\Host\\bin"},
        {L"/libSwiftSend.so", L"/"},
        {L"C:\\SwiftSend.dll", L"C:\\"},
        {L"SwiftSend.dll", L"SwiftSend.dll"},
    };
    for (const Case& c : cases) {
        std::wstring buffer = c.path;
        EXPECT_EQ(PathCchRemoveFileSpec(buffer.data(), buffer.size() + 1), S_OK) << c.path.c_str();
        EXPECT_EQ(std::wstring(buffer.c_str()), c.folder);
    }
    wchar_t unterminated[3] = {L'a', L'/', L'b'};
    EXPECT_EQ(PathCchRemoveFileSpec(unterminated, 3), E_INVALIDARG);
    EXPECT_EQ(PathCchRemoveFileSpec(nullptr, 10), E_INVALIDARG);
}

TEST(Win32Events, AutoResetReleasesOneWaitManualStaysSignalledClosedOnesFail) {
    const size_t handles = win32standin::LiveHandleCount();
    HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(automatic, nullptr);
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(win32standin::LiveHandleCount(), handles + 2);

    // Created signalled; one successful wait consumes the signal.
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(automatic));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);

    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    EXPECT_TRUE(CloseHandle(automatic));
    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_EQ(win32standin::LiveHandleCount(), handles);

    // Closed handles and named events are refused.
    EXPECT_FALSE(CloseHandle(manual));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetEvent(manual));
    EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, L"Named"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Win32Events, ManualResetWakesEveryWaiter) {
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD results[2] = {WAIT_FAILED, WAIT_FAILED};
    std::thread first([&] { results[0] = WaitForSingleObject(manual, INFINITE); });
    std::thread second([&] { results[1] = WaitForSingleObject(manual, INFINITE); });
    EXPECT_TRUE(SetEvent(manual));
    first.join();
    second.join();
    EXPECT_EQ(results[0], WAIT_OBJECT_0);
    EXPECT_EQ(results[1], WAIT_OBJECT_0);
    CloseHandle(manual);
}

}  // namespace
