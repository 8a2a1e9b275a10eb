// The registry read from exported files, the started programs, and UTF-8 conversion.
#include <gtest/gtest.h>
#include <KxProcess.h>
#include <OrvSoftShelf.h>
#include <Registry.h>
#include <UtilStandIn.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

namespace {

const wchar_t kPairKey[] =
    L"S-1-5-21-1000-1000-1000-1001\\SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2";

// Values read through the registry; nothing when the read fails.
std::optional<DWORD> Dword(HKEY root, const wchar_t* key, const wchar_t* name) {
    DWORD value = 0;
    return DE::Registry::GetValue(root, key, name, value) ? std::optional<DWORD>(value)
                                                          : std::nullopt;
}
std::optional<std::wstring> Text(HKEY root, const wchar_t* key, const wchar_t* name) {
    std::wstring value;
    return DE::Registry::GetValue(root, key, name, value) ? std::optional<std::wstring>(value)
                                                          : std::nullopt;
}

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

    EXPECT_EQ(Dword(HKEY_USERS, kPairKey, L"IsPaired"), 1u);
    EXPECT_EQ(Dword(HKEY_USERS, kPairKey, L"ShareType"), 0xFFFFFFFEu);
    EXPECT_EQ(Text(HKEY_USERS, kPairKey, L"DevName"), L"Pad \"Pro\" C:\\x");
    EXPECT_EQ(Text(HKEY_USERS, kPairKey, L"NickName"), L"Zo\u00EB");
    EXPECT_EQ(Text(HKEY_USERS, kPairKey, L""), L"default");

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
    EXPECT_EQ(Dword(HKEY_USERS, kPairKey, L"IsPaired"), 1u);

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
    EXPECT_EQ(Dword(HKEY_USERS, kPairKey, L"IsPaired"), 1u);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, L"SOFTWARE\\Written", L"Name"), L"under the SID");
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
    EXPECT_EQ(Text(HKEY_CURRENT_USER, L"Key", L"Name"), L"\u00E9t\u00E9 \U0001F600");
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

TEST_F(RegistryTest, StartedProgramsAreRecordedAndResetRestoresDefaults) {
    EXPECT_EQ(L"S-1-5-21-1000-1000-1000-1001", KXPROCESS::GetCurrentUserSidstr());

    EXPECT_TRUE(KXPROCESS::CreateProcessNormal(L"OpenDir.exe", L"-path C:\\x", nullptr, 1));
    EXPECT_TRUE(KXPROCESS::CreateProcessNormal(L"Other.exe", L"", L"C:\\Host", 0));
    auto started = utilstandin::StartedProcesses();
    ASSERT_EQ(2u, started.size());
    EXPECT_EQ(L"OpenDir.exe", started[0].exe);
    EXPECT_EQ(L"-path C:\\x", started[0].args);
    EXPECT_EQ(L"", started[0].directory);
    EXPECT_EQ(1, started[0].show);
    EXPECT_EQ(L"C:\\Host", started[1].directory);

    utilstandin::SetITVersion(true);
    utilstandin::ResetAll();
    EXPECT_TRUE(utilstandin::StartedProcesses().empty());
    EXPECT_EQ(L"S-1-5-21-1000-1000-1000-1001", KXPROCESS::GetCurrentUserSidstr());
    EXPECT_FALSE(OrvSoftShelf::IsITVersion());
}

TEST(TextConvertTest, RoundTripsAcrossThePlanes) {
    const std::wstring texts[] = {L"plain", L"Gr\u00FC\u00DFe", L"\u6587\u4EF6.txt",
                                  L"smile \U0001F600 end"};
    for (const std::wstring& text : texts) {
        EXPECT_EQ(text, DE::UTF8ToUnicode(DE::UnicodeToUTF8(text)));
    }
    EXPECT_EQ("\xF0\x9F\x98\x80", DE::UnicodeToUTF8(L"\U0001F600"));
    EXPECT_EQ(L"\U0001F600", DE::UTF8ToUnicode("\xF0\x9F\x98\x80"));
}

TEST(TextConvertTest, JoinsSurrogatePairsAndRefusesLoneOnes) {
    std::wstring pair = {static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ("\xF0\x9F\x98\x80", DE::UnicodeToUTF8(pair));

    std::wstring lone = {L'a', static_cast<wchar_t>(0xD83D), L'b'};
    EXPECT_EQ("", DE::UnicodeToUTF8(lone));
    std::wstring reversed = {static_cast<wchar_t>(0xDE00), static_cast<wchar_t>(0xD83D)};
    EXPECT_EQ("", DE::UnicodeToUTF8(reversed));
    std::wstring tooLarge = {static_cast<wchar_t>(0x110000)};
    EXPECT_EQ("", DE::UnicodeToUTF8(tooLarge));
}

TEST(TextConvertTest, InvalidUtf8GivesEmptyText) {
    const char* bad[] = {"\xC3",         "ok\xFF",           "\xC0\xAF",
                         "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_EQ(L"", DE::UTF8ToUnicode(text));
    }
    EXPECT_EQ(L"", DE::UTF8ToUnicode(""));
    EXPECT_EQ("", DE::UnicodeToUTF8(L""));
}

}  // namespace
