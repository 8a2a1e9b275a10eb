#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <TandemUtil.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class ThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "thumb_test_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(&pattern[0]));
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(dir_, error);
    }

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

    std::string dir_;
};

// Decodes PNG bytes and gives their size; false when they are not a PNG picture.
bool DecodePng(const std::vector<uint8_t>& bytes, int& width, int& height) {
    GError* error = nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", &error);
    bool ok = loader != nullptr &&
              gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), &error) &&
              gdk_pixbuf_loader_close(loader, &error);
    if (ok) {
        GdkPixbuf* picture = gdk_pixbuf_loader_get_pixbuf(loader);
        width = gdk_pixbuf_get_width(picture);
        height = gdk_pixbuf_get_height(picture);
    }
    g_clear_error(&error);
    if (loader != nullptr) {
        g_object_unref(loader);
    }
    return ok;
}

void ExpectThumbnail(const std::wstring& path, int width, int height, int thumbWidth,
                     int thumbHeight) {
    int w = 0;
    int h = 0;
    ASSERT_TRUE(PngThumbNailUtils::GetPicSize(path, w, h));
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);

    int tw = 0;
    int th = 0;
    PngThumbNailUtils::CalcThumbNailSize(w, h, tw, th);
    EXPECT_EQ(thumbWidth, tw);
    EXPECT_EQ(thumbHeight, th);

    std::vector<uint8_t> bytes;
    uint32_t length = 0;
    ASSERT_TRUE(PngThumbNailUtils::GetThumbNail(path, bytes, tw, th, length));
    EXPECT_EQ(bytes.size(), length);
    int dw = 0;
    int dh = 0;
    ASSERT_TRUE(DecodePng(bytes, dw, dh));
    EXPECT_EQ(thumbWidth, dw);
    EXPECT_EQ(thumbHeight, dh);
}

TEST_F(ThumbnailTest, PicturesGiveScaledPngThumbnailsAndSmallOnesKeepTheirSize) {
    struct Case {
        const char* type;
        int width, height, thumbWidth, thumbHeight;
    } cases[] = {{"png", 320, 200, 160, 100}, {"jpeg", 90, 360, 40, 160}, {"bmp", 5, 3, 5, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ExpectThumbnail(SavePicture(std::string("picture.") + c.type, c.type, c.width, c.height),
                        c.width, c.height, c.thumbWidth, c.thumbHeight);
    }
}

TEST_F(ThumbnailTest, ThumbnailSizeFitsTheBoxWithoutUpscaling) {
    struct Case {
        int w, h, tw, th;
    } cases[] = {
        {160, 160, 160, 160}, {1000, 10, 160, 2}, {10, 1000, 2, 160},
        {5000, 1, 160, 1},    {1, 5000, 1, 160},  {100, 50, 100, 50},
        {1, 1, 1, 1},         {0, 10, 0, 0},      {10, -3, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        int tw = -1;
        int th = -1;
        PngThumbNailUtils::CalcThumbNailSize(c.w, c.h, tw, th);
        EXPECT_EQ(c.tw, tw);
        EXPECT_EQ(c.th, th);
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
