// The registry stand-in read from a file.
#include <gtest/gtest.h>
#include <Registry.h>
#include <UtilStandIn.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00\n";
const wchar_t kPairKey[] =
    L"S-1-5-21-1000-1000-1000-1001\\SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { utilstandin::ResetAll(); }
    void TearDown() override { utilstandin::ResetAll(); }
};

// Every value kind as the demo's file has it, read back under either root; a read that fails
// leaves its target as it was.
TEST_F(RegistryTest, ReadsValuesUnderEitherRoot) {
    const std::string path = ::testing::TempDir() + "registry_test.reg";
    std::ofstream(path, std::ios::binary)
        << "\r\nWindows Registry Editor Version 5.00\r\n"
           "; the paired phone\r\n"
           "[HKEY_CURRENT_USER\\SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2]\r\n"
           "\"IsPaired\"=dword:00000001\r\n"
           "\"ShareType\"=dword:FFFFFFFE\r\n"
           "\"DevName\"=\"Pad \\\"Pro\\\" C:\\\\x\"\r\n"
           "\"NickName\"=\"Zo\xC3\xAB\"\r\n"
           "\"MacAddr\"=hex:01,02,03,04,05,06\r\n"
           "\"Empty\"=hex:\r\n"
           "[hkey_users\\S-1-5-21-1000-1000-1000-1001\\Software\\Written]\r\n"
           "\"Name\"=\"\"\r\n";
    ASSERT_TRUE(utilstandin::LoadRegistryFile(path));
    std::remove(path.c_str());

    const struct Case {
        HKEY root;
        const wchar_t* key;
        const wchar_t* name;
        const wchar_t* text;  // read as text when set
        int dword;            // otherwise as a number; -1: the read fails
    } cases[] = {
        {HKEY_USERS, kPairKey, L"IsPaired", nullptr, 1},
        {HKEY_USERS, kPairKey, L"isPAIRED", nullptr, 1},
        {HKEY_CURRENT_USER, L"software\\velmora\\corvix\\beamly\\pairphone2", L"IsPaired", nullptr,
         1},
        {HKEY_USERS, kPairKey, L"ShareType", nullptr, static_cast<int>(0xFFFFFFFE)},
        {HKEY_USERS, kPairKey, L"DevName", L"Pad \"Pro\" C:\\x", 0},
        {HKEY_USERS, kPairKey, L"NickName", L"Zo\u00EB", 0},
        {HKEY_CURRENT_USER, L"SOFTWARE\\Written", L"Name", L"", 0},
        {HKEY_USERS, kPairKey, L"Missing", nullptr, -1},
        {HKEY_USERS, kPairKey, L"DevName", nullptr, -1},
        {HKEY_USERS, kPairKey, L"IsPaired", L"", -1},
        {HKEY_USERS, kPairKey, L"MacAddr", L"", -1},
        {HKEY_LOCAL_MACHINE, kPairKey, L"IsPaired", nullptr, -1},
        {HKEY_USERS, L"S-1-5-21-2-2-2-500\\SOFTWARE\\Written", L"Name", L"", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.dword);
        if (c.text != nullptr) {
            std::wstring text = L"untouched";
            EXPECT_EQ(DE::Registry::GetValue(c.root, c.key, c.name, text), c.dword == 0);
            EXPECT_EQ(text, c.dword == 0 ? c.text : L"untouched");
        } else {
            DWORD number = 77;
            EXPECT_EQ(DE::Registry::GetValue(c.root, c.key, c.name, number), c.dword != -1);
            EXPECT_EQ(number, c.dword != -1 ? static_cast<DWORD>(c.dword) : 77u);
        }
    }

    // Bytes: at most the buffer's size, which is set to the bytes copied.
    const struct BytesCase {
        const wchar_t* name;
        DWORD size;
        bool read;
        DWORD sizeAfter;
        std::vector<BYTE> after;
    } bytes[] = {
        {L"MacAddr", 8, true, 6, {1, 2, 3, 4, 5, 6, 0xAA, 0xAA}},
        {L"MacAddr", 2, true, 2, {1, 2, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {L"Empty", 8, true, 0, std::vector<BYTE>(8, 0xAA)},
        {L"IsPaired", 8, false, 8, std::vector<BYTE>(8, 0xAA)},
    };
    for (const BytesCase& c : bytes) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.size);
        std::vector<BYTE> buffer(8, 0xAA);
        DWORD size = c.size;
        EXPECT_EQ(DE::Registry::GetValue(HKEY_USERS, kPairKey, c.name, buffer.data(), size),
                  c.read);
        EXPECT_EQ(size, c.sizeAfter);
        EXPECT_EQ(buffer, c.after);
    }

    DE::Registry registry;
    EXPECT_TRUE(registry.KeyExists(L"Software\\Written"));
    EXPECT_FALSE(registry.KeyExists(L"SOFTWARE\\Velmora"));  // only keys of the file exist
    registry.SetRootKey(HKEY_USERS);
    EXPECT_TRUE(registry.KeyExists(kPairKey));
}

TEST_F(RegistryTest, AnythingElseRefusesTheWholeFile) {
    const std::string key = std::string(kHeader) + "[HKEY_CURRENT_USER\\Key]\n";
    const std::vector<std::string> bad = {
        "",
        "; comment\n" + key,
        std::string("\xEF\xBB\xBF") + key,
        std::string("\xFF\xFE\x57\x00\x69\x00", 6),
        std::string(kHeader) + "[HKEY_CURRENT_USER\\Key\n",
        std::string(kHeader) + "[HKCU\\Key]\n",
        std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\Key]\n",
        std::string(kHeader) + "[-HKEY_CURRENT_USER\\Key]\n",
        std::string(kHeader) + "\"Orphan\"=dword:00000001\n",
        key + "\"Name\"=\"unterminated\n",
        key + "\"Name\"=\"text\" trailing\n",
        key + "\"Name\"=\"\xC3\"\n",
        key + "\"\xC3\"=dword:1\n",
        key + "\"Name\" = dword:1\n",
        key + "@=\"default\"\n",
        key + "\"Name\"=-\n",
        key + "\"Name\"=dword:000000001\n",
        key + "\"Name\"=dword:0000000g\n",
        key + "\"Name\"=hex:01,2zz\n",
        key + "\"Name\"=hex:01,02,\n",
        key + "\"Name\"=hex:01,02,\\\n  03\n",
        key + "\"Name\"=hex(2):41,00\n",
        key + "\"Name\"=qword:1\n",
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(utilstandin::LoadRegistryText(std::string(kHeader) + "[HKEY_USERS\\Good]\n"));
        EXPECT_FALSE(utilstandin::LoadRegistryText(text));
        DE::Registry registry;
        registry.SetRootKey(HKEY_USERS);
        EXPECT_FALSE(registry.KeyExists(L"Good"));
    }
    ASSERT_TRUE(utilstandin::LoadRegistryText(std::string(kHeader) + "[HKEY_USERS\\Good]\n"));
    EXPECT_FALSE(utilstandin::LoadRegistryFile(::testing::TempDir() + "no/such/file.reg"));
    DE::Registry registry;
    registry.SetRootKey(HKEY_USERS);
    EXPECT_FALSE(registry.KeyExists(L"Good"));
}

}  // namespace
