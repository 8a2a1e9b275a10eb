#include "Registry.h"
#include "UtilStandIn.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

namespace {

const wchar_t kPairKey[] =
    L"S-1-5-21-1000-1000-1000-1001\\SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { utilstandin::ResetAll(); }
    void TearDown() override { utilstandin::ResetAll(); }
};

std::string WriteTempFile(const std::string& content) {
    std::string path = ::testing::TempDir() + "registry_test_XXXXXX";
    int fd = mkstemp(&path[0]);
    EXPECT_GE(fd, 0);
    FILE* file = fdopen(fd, "wb");
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
    return path;
}

TEST_F(RegistryTest, ReadsEveryValueKindOfAFile) {
    std::string path = WriteTempFile(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; the paired phone\r\n"
        "[HKEY_USERS\\S-1-5-21-1000-1000-1000-1001\\SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2]"
        "\r\n"
        "\"IsPaired\"=dword:00000001\r\n"
        "\"ShareType\"=dword:FFFFFFFE\r\n"
        "\"DevName\"=\"Pad \\\"Pro\\\" C:\\\\x\"\r\n"
        "\"NickName\"=\"Zoë\"\r\n"
        "@=\"default\"\r\n"
        "\"MacAddr\"=hex:01,02,03,\\\r\n"
        "  04,05,\\\r\n"
        "  06\r\n"
        "\"Empty\"=hex:\r\n");
    ASSERT_TRUE(utilstandin::LoadRegistryFile(path));
    std::remove(path.c_str());

    DWORD number = 0;
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"IsPaired", number));
    EXPECT_EQ(1u, number);
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"ShareType", number));
    EXPECT_EQ(0xFFFFFFFEu, number);

    std::wstring text;
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"DevName", text));
    EXPECT_EQ(L"Pad \"Pro\" C:\\x", text);
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"NickName", text));
    EXPECT_EQ(L"Zo\u00EB", text);
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"", text));
    EXPECT_EQ(L"default", text);

    BYTE mac[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    DWORD size = sizeof(mac);
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"MacAddr", mac, size));
    EXPECT_EQ(6u, size);
    const BYTE expected[8] = {1, 2, 3, 4, 5, 6, 0xAA, 0xAA};
    EXPECT_EQ(0, memcmp(expected, mac, sizeof(mac)));

    size = 2;
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"MacAddr", mac, size));
    EXPECT_EQ(2u, size);
    size = sizeof(mac);
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"Empty", mac, size));
    EXPECT_EQ(0u, size);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCase) {
    ASSERT_TRUE(
        utilstandin::LoadRegistryText("Windows Registry Editor Version 5.00\n"
                                      "[hkey_users\\s-1-5-21-1000-1000-1000-"
                                      "1001\\Software\\VELMORA\\corvix\\beamly\\pairphone2]\n"
                                      "\"isPAIRED\"=dword:1\n"));
    DWORD number = 0;
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"IsPaired", number));
    EXPECT_EQ(1u, number);

    DE::Registry registry;
    registry.SetRootKey(HKEY_USERS);
    EXPECT_TRUE(registry.KeyExists(kPairKey));
    EXPECT_TRUE(registry.KeyExists(L"S-1-5-21-1000-1000-1000-1001\\software\\velmora"));
    EXPECT_FALSE(registry.KeyExists(L"S-1-5-21-1000-1000-1000-1001\\software\\other"));
}

TEST_F(RegistryTest, CurrentUserKeysAreTheUsersHive) {
    ASSERT_TRUE(utilstandin::LoadRegistryText(
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2]\n"
        "\"IsPaired\"=dword:00000001\n"
        "[HKEY_USERS\\S-1-5-21-1000-1000-1000-1001\\SOFTWARE\\Written]\n"
        "\"Name\"=\"under the SID\"\n"));

    DE::Registry registry;
    registry.SetRootKey(HKEY_USERS);
    EXPECT_TRUE(registry.KeyExists(kPairKey));
    DWORD number = 0;
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, kPairKey, L"IsPaired", number));
    EXPECT_EQ(1u, number);

    std::wstring text;
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"SOFTWARE\\Written", L"Name", text));
    EXPECT_EQ(L"under the SID", text);

    // Another user does not see them.
    utilstandin::SetCurrentUserSid(L"S-1-5-21-2-2-2-500");
    EXPECT_FALSE(registry.KeyExists(kPairKey));
    EXPECT_TRUE(registry.KeyExists(L"S-1-5-21-2-2-2-500\\SOFTWARE\\Velmora\\Corvix"));
    EXPECT_FALSE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"SOFTWARE\\Written", L"Name", text));
}

TEST_F(RegistryTest, FailedReadLeavesTheTargetUntouched) {
    ASSERT_TRUE(
        utilstandin::LoadRegistryText("Windows Registry Editor Version 5.00\n"
                                      "[HKEY_CURRENT_USER\\Key]\n"
                                      "\"Number\"=dword:00000005\n"
                                      "\"Text\"=\"five\"\n"
                                      "\"Bytes\"=hex:05\n"));
    DWORD number = 77;
    std::wstring text = L"keep";
    BYTE bytes[2] = {9, 9};
    DWORD size = sizeof(bytes);

    EXPECT_FALSE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"Missing", number));
    EXPECT_FALSE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"Other", L"Number", number));
    EXPECT_FALSE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"Text", number));
    EXPECT_FALSE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"Bytes", number));
    EXPECT_EQ(77u, number);

    EXPECT_FALSE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"Number", text));
    EXPECT_FALSE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"Missing", text));
    EXPECT_EQ(L"keep", text);

    EXPECT_FALSE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"Text", bytes, size));
    EXPECT_EQ(9, bytes[0]);
    EXPECT_EQ(2u, size);
}

TEST_F(RegistryTest, MalformedFilesAreRefusedAndLeaveNoKeys) {
    const char* kHeader = "Windows Registry Editor Version 5.00\n";
    const std::vector<std::string> bad = {
        "",
        "REGEDIT5\n[HKEY_CURRENT_USER\\Key]\n",
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key\n",
        std::string(kHeader) + "\"Orphan\"=dword:00000001\n",
        std::string(kHeader) + "[HKEY_NOWHERE\\Key]\n",
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key]\n\"Name\"=\"unterminated\n",
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key]\n\"Name\"=dword:000000001\n",
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key]\n\"Name\"=dword:0000000g\n",
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key]\n\"Name\"=hex:01,2zz\n",
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key]\n\"Name\"=hex:01,02,\\\n",
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key]\n\"Name\"=hex:01,02,\\\n  03,\\",
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key]\n\"Name\"=qword:1\n",
        std::string("\xFF\xFE\x57\x00\x69", 5),
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(
            utilstandin::LoadRegistryText(std::string(kHeader) + "[HKEY_CURRENT_USER\\Good]\n"));
        EXPECT_FALSE(utilstandin::LoadRegistryText(text));
        DE::Registry registry;
        EXPECT_FALSE(registry.KeyExists(L"Good"));
        EXPECT_FALSE(registry.KeyExists(L"Key"));
    }
    EXPECT_FALSE(utilstandin::LoadRegistryFile(::testing::TempDir() + "no/such/file.reg"));
}

TEST_F(RegistryTest, ReadsTheEditorsUtf16File) {
    std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Key]\r\n"
        u"\"Name\"=\"\u00E9t\u00E9 \U0001F600\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    ASSERT_TRUE(utilstandin::LoadRegistryText(bytes));
    std::wstring value;
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"Name", value));
    EXPECT_EQ(L"\u00E9t\u00E9 \U0001F600", value);
}

TEST_F(RegistryTest, ReadsStayConsistentWhileTheFileIsReloaded) {
    auto file = [](int n) {
        return "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Key]\n\"N\"=dword:" +
               std::to_string(n) + "\n\"S\"=\"" + std::string(64, static_cast<char>('a' + n)) +
               "\"\n";
    };
    ASSERT_TRUE(utilstandin::LoadRegistryText(file(1)));
    std::atomic<int> failures{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 2; ++t) {
        readers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                DWORD n = 0;
                std::wstring s;
                if (!DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"N", n) ||
                    !DE::Registry::GetValue(HKEY_CURRENT_USER, L"Key", L"S", s) || n < 1 || n > 2 ||
                    s.size() != 64) {
                    ++failures;
                }
            }
        });
    }
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(utilstandin::LoadRegistryText(file(1 + i % 2)));
    }
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(0, failures.load());
}

}  // namespace
