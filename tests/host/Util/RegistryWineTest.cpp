// The paired phone's values as the host writes them into the current user's hive, read back the
// way the plug-in reads them: under HKEY_USERS and the current user's SID.
#include <KxProcess.h>
#include <Registry.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const wchar_t kPairKey[] = L"SOFTWARE\\Velmora\\Corvix\\Beamly\\PairPhone2";

class RegistryWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPairKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kPairKey);
    }
    void Set(const wchar_t* name, DWORD type, const void* data, size_t size) {
        ASSERT_EQ(RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data),
                                 static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }
    void SetText(const wchar_t* name, const std::wstring& text) {
        Set(name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    HKEY key_ = nullptr;
};

TEST_F(RegistryWineTest, ReadsThePairedPhoneUnderTheUsersSid) {
    const DWORD paired = 1;
    const BYTE mac[] = {0x02, 0x00, 0x5e, 0x10, 0x20, 0x30};
    const std::wstring nick = L"\u674E\u96F7\u7684 Ph\u00F6ne \U0001F4F1";
    Set(L"IsPaired", REG_DWORD, &paired, sizeof(paired));
    Set(L"MacAddr", REG_BINARY, mac, sizeof(mac));
    SetText(L"NickName", nick);
    SetText(L"Summary", L"");

    const std::wstring sid = KXPROCESS::GetCurrentUserSidstr();
    ASSERT_EQ(sid.rfind(L"S-1-5-", 0), 0u) << "not a user SID";
    const std::wstring key = sid + L"\\" + kPairKey;
    DE::Registry users;
    users.SetRootKey(HKEY_USERS);
    EXPECT_TRUE(users.KeyExists(key));

    DWORD isPaired = 0;
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, key, L"IsPaired", isPaired, KEY_ALL_ACCESS));
    EXPECT_EQ(isPaired, 1u);
    std::wstring text = L"untouched";
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, key, L"NickName", text, KEY_ALL_ACCESS));
    EXPECT_EQ(text, nick);
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, key, L"Summary", text, KEY_ALL_ACCESS));
    EXPECT_EQ(text, L"");
    BYTE read[4] = {};
    DWORD size = sizeof(read);
    EXPECT_TRUE(DE::Registry::GetValue(HKEY_USERS, key, L"MacAddr", read, size, KEY_ALL_ACCESS));
    EXPECT_EQ(std::vector<BYTE>(read, read + size), std::vector<BYTE>(mac, mac + 4));

    // Missing values and values of another type leave the target alone.
    text = L"untouched";
    EXPECT_FALSE(DE::Registry::GetValue(HKEY_USERS, key, L"DevName", text, KEY_ALL_ACCESS));
    EXPECT_FALSE(DE::Registry::GetValue(HKEY_USERS, key, L"IsPaired", text, KEY_ALL_ACCESS));
    EXPECT_EQ(text, L"untouched");
    EXPECT_FALSE(users.KeyExists(sid + L"\\SOFTWARE\\Velmora\\Missing"));
}

}  // namespace
