#include <gtest/gtest.h>
#include <sys/stat.h>
#include <TandemUtil.h>
#include <TandemUtilStandIn.h>
#include <UIExUtils.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        tandemstandin::ResetAll();
        std::string pattern = ::testing::TempDir() + "files_test_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(&pattern[0]));
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(dir_, error);
        tandemstandin::ResetAll();
    }

    std::wstring Write(const std::string& name, size_t bytes) {
        fs::path path = fs::path(dir_) / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
        return path.wstring();
    }

    std::string dir_;
};

TEST_F(FilesTest, ExtensionIsTakenAfterTheLastSeparator) {
    struct Case {
        const wchar_t* path;
        const char* ext;
    } cases[] = {
        {L"C:\\photos\\cat.PNG", ".PNG"},
        {L"/home/u/archive.tar.gz", ".gz"},
        {L"C:\\dir.v2\\README", ""},
        {L"/dir.v2/README", ""},
        {L"mixed\\a.b/c", ""},
        {L"noext", ""},
        {L"trailing.", "."},
        {L"C:\\x\\.hidden", ".hidden"},
        {L"\u6587\u4EF6.\u00E9t\u00E9", ".\xC3\xA9t\xC3\xA9"},
        {L"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(TandemUtilClass::ConvertFromWideBytes(c.path));
        EXPECT_EQ(c.ext, TandemUtilClass::GetFileExt(c.path));
    }
}

TEST_F(FilesTest, SizeOfAFileAFolderAndAMissingPath) {
    const fs::path tree = fs::path(dir_) / "tree";
    std::wstring file = Write("one.bin", 1234);
    Write("tree/a.bin", 100);
    Write("tree/sub/b.bin", 20);
    Write("tree/sub/deeper/c.bin", 3);
    fs::create_directories(tree / "empty");
    fs::create_symlink(file, tree / "link.bin");  // not followed
    struct Case {
        std::wstring path;
        uint64_t size;
        bool ok;
    } cases[] = {{file, 1234, true},
                 {tree.wstring(), 123, true},
                 {(tree / "empty").wstring(), 0, true},
                 {(fs::path(dir_) / "missing").wstring(), 0, false},
                 {L"", 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(fs::path(c.path).string());
        bool ok = !c.ok;
        EXPECT_EQ(c.size, UIEx::Utils::GetFileSize(c.path, ok));
        EXPECT_EQ(c.ok, ok);
    }
}

TEST_F(FilesTest, CreateDirectoryReportsAWritableFolder) {
    fs::path nested = fs::path(dir_) / "a" / "b" / "c";
    EXPECT_NE(0, VelaShare::OnCreateDirectory(nested.wstring()));
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_NE(0, VelaShare::OnCreateDirectory(nested.wstring()));

    std::wstring file = Write("plain.txt", 1);
    EXPECT_EQ(0, VelaShare::OnCreateDirectory(file + L"/below"));
    EXPECT_EQ(0, VelaShare::OnCreateDirectory(file));
    EXPECT_EQ(0, VelaShare::OnCreateDirectory(L""));

    if (geteuid() != 0) {  // root may write anywhere
        fs::path locked = fs::path(dir_) / "locked";
        fs::create_directories(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(0, VelaShare::OnCreateDirectory(locked.wstring()));
        fs::permissions(locked, fs::perms::owner_all);
    }
}

TEST_F(FilesTest, FileTypesAndTheirIcons) {
    struct Case {
        const char* ext;
        int type;
    } cases[] = {
        {".JPG", tandemstandin::kFileTypePicture},   {"png", tandemstandin::kFileTypePicture},
        {".mp4", tandemstandin::kFileTypeVideo},     {".flac", tandemstandin::kFileTypeAudio},
        {".docx", tandemstandin::kFileTypeDocument}, {".zip", tandemstandin::kFileTypeArchive},
        {".exe", tandemstandin::kFileTypeOther},     {"", tandemstandin::kFileTypeOther}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.type, GetFileType(c.ext)) << c.ext;
    }
    EXPECT_NE(GetDefaultIconPath(tandemstandin::kFileTypePicture),
              GetDefaultIconPath(tandemstandin::kFileTypeVideo));
    for (int unknown : {99, -1}) {
        EXPECT_EQ(GetDefaultIconPath(tandemstandin::kFileTypeOther), GetDefaultIconPath(unknown));
    }
}

TEST_F(FilesTest, MappedSharesAndPluginSwitches) {
    tandemstandin::MapNetworkShare(L"Z:", L"\\\\server\\docs");
    struct Case {
        const wchar_t* path;
        const wchar_t* mapped;  // null: not on the share
    } cases[] = {{L"z:\\a\\b.txt", L"\\\\server\\docs\\a\\b.txt"},
                 {L"Z:x\\b.txt", nullptr},
                 {L"C:\\a.txt", nullptr}};
    for (const Case& c : cases) {
        std::wstring mapped = L"untouched";
        bool isMapped = !c.mapped;
        EXPECT_EQ(c.mapped != nullptr, TandemUtilClass::IsNetShareMap(c.path, mapped, &isMapped));
        EXPECT_EQ(c.mapped != nullptr, isMapped);
        EXPECT_EQ(c.mapped ? c.mapped : L"untouched", mapped);
    }

    EXPECT_TRUE(TandemUtilClass::IsSupportPlugin("vela_plugin_album"));
    tandemstandin::SetPluginSupported("vela_plugin_album", false);
    EXPECT_FALSE(TandemUtilClass::IsSupportPlugin("vela_plugin_album"));
    EXPECT_TRUE(TandemUtilClass::IsSupportPlugin("vela_plugin_music"));

    tandemstandin::ResetAll();
    EXPECT_TRUE(TandemUtilClass::IsSupportPlugin("vela_plugin_album"));
    std::wstring mapped;
    EXPECT_FALSE(TandemUtilClass::IsNetShareMap(L"Z:\\a", mapped, nullptr));
}

}  // namespace
