#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <TandemUtil.h>
#include <TandemUtilStandIn.h>
#include <UIExUtils.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

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

// Thumbnails of pictures in the same temporary folder.
class ThumbnailTest : public FilesTest {
protected:
    // A WIDTH x HEIGHT picture saved through gdk-pixbuf as TYPE ("png", "jpeg", "bmp").
    std::wstring SavePicture(const std::string& name, const char* type, int width, int height) {
        GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
        gdk_pixbuf_fill(picture, 0x3080C0FF);
        std::string path = dir_ + "/" + name;
        GError* error = nullptr;
        EXPECT_TRUE(gdk_pixbuf_save(picture, path.c_str(), type, &error, nullptr));
        g_clear_error(&error);
        g_object_unref(picture);
        return fs::path(path).wstring();
    }
};

// The size of a PNG picture in BYTES; {-1, -1} when they are not one.
std::pair<int, int> PngSize(const std::vector<uint8_t>& bytes) {
    GError* error = nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", &error);
    std::pair<int, int> size{-1, -1};
    if (loader != nullptr && gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &error) &&
        gdk_pixbuf_loader_close(loader, &error)) {
        GdkPixbuf* picture = gdk_pixbuf_loader_get_pixbuf(loader);
        size = {gdk_pixbuf_get_width(picture), gdk_pixbuf_get_height(picture)};
    }
    g_clear_error(&error);
    if (loader != nullptr) {
        g_object_unref(loader);
    }
    return size;
}

// Thumbnails fit the 160-pixel box without upscaling; pictures of each kind give PNG ones.
TEST_F(ThumbnailTest, ThumbnailsFitTheBoxWithoutUpscalingAsPng) {
    struct Case {
        const char* type;  // null: the size alone
        int w, h, tw, th;
    } cases[] = {
        {"png", 320, 200, 160, 100},   {"jpeg", 90, 360, 40, 160},  {"bmp", 5, 3, 5, 3},
        {nullptr, 160, 160, 160, 160}, {nullptr, 1000, 10, 160, 2}, {nullptr, 10, 1000, 2, 160},
        {nullptr, 5000, 1, 160, 1},    {nullptr, 1, 5000, 1, 160},  {nullptr, 100, 50, 100, 50},
        {nullptr, 1, 1, 1, 1},         {nullptr, 0, 10, 0, 0},      {nullptr, 10, -3, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.type ? c.type : "") << c.w << "x" << c.h);
        std::pair<int, int> thumb{-1, -1};
        PngThumbNailUtils::CalcThumbNailSize(c.w, c.h, thumb.first, thumb.second);
        EXPECT_EQ(thumb, std::make_pair(c.tw, c.th));
        if (c.type == nullptr) {
            continue;
        }
        const std::wstring path = SavePicture(std::string("picture.") + c.type, c.type, c.w, c.h);
        std::pair<int, int> size{0, 0};
        ASSERT_TRUE(PngThumbNailUtils::GetPicSize(path, size.first, size.second));
        EXPECT_EQ(size, std::make_pair(c.w, c.h));
        std::vector<uint8_t> bytes;
        uint32_t length = 0;
        ASSERT_TRUE(PngThumbNailUtils::GetThumbNail(path, bytes, c.tw, c.th, length));
        EXPECT_EQ(bytes.size(), length);
        EXPECT_EQ(PngSize(bytes), std::make_pair(c.tw, c.th));
    }
}

TEST_F(ThumbnailTest, NonPicturesAndMissingFilesFail) {
    std::string fake = dir_ + "/fake.png";
    std::ofstream(fake) << "not a picture at all";
    std::wstring truncated = SavePicture("cut.png", "png", 64, 64);
    fs::resize_file(truncated, 60);

    for (const std::wstring& path : {fs::path(fake).wstring(), fs::path(dir_).wstring(),
                                     fs::path(dir_ + "/missing.png").wstring()}) {
        SCOPED_TRACE(fs::path(path).string());
        int w = -7;
        int h = -7;
        EXPECT_FALSE(PngThumbNailUtils::GetPicSize(path, w, h));
        EXPECT_EQ(-7, w);
        std::vector<uint8_t> bytes{1, 2};
        uint32_t length = 2;
        EXPECT_FALSE(PngThumbNailUtils::GetThumbNail(path, bytes, 16, 16, length));
        EXPECT_EQ(2u, length);
        EXPECT_EQ(2u, bytes.size());
    }

    std::vector<uint8_t> bytes;
    uint32_t length = 0;
    EXPECT_FALSE(PngThumbNailUtils::GetThumbNail(truncated, bytes, 16, 16, length));
    EXPECT_EQ(0u, length);
    std::wstring good = SavePicture("good.png", "png", 8, 8);
    EXPECT_FALSE(PngThumbNailUtils::GetThumbNail(good, bytes, 0, 16, length));
    EXPECT_EQ(nullptr, PngThumbNailUtils::GetFileThumb(good, 16, 16));
}

}  // namespace
