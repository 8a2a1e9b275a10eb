// Picture sizes and thumbnails through gdk-pixbuf (no display needed). PNG and JPEG decoding is
// built into the library; BMP comes from its loader module, found through the loader cache that
// the library's package installs.
#include "Registry.h"
#include "TandemUtil.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The UTF-8 path of a picture that gdk-pixbuf reads as PNG, JPEG or BMP; empty otherwise.
// Sets WIDTH and HEIGHT from the file's header.
std::string PicturePath(const std::wstring& path, int& width, int& height) {
    std::string narrow = DE::UnicodeToUTF8(path);
    if (narrow.empty()) {
        return std::string();
    }
    int w = 0;
    int h = 0;
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(narrow.c_str(), &w, &h);
    if (format == nullptr || w <= 0 || h <= 0) {
        return std::string();
    }
    gchar* name = gdk_pixbuf_format_get_name(format);
    bool supported =
        name != nullptr && (std::strcmp(name, "png") == 0 || std::strcmp(name, "jpeg") == 0 ||
                            std::strcmp(name, "bmp") == 0);
    g_free(name);
    if (!supported) {
        return std::string();
    }
    width = w;
    height = h;
    return narrow;
}

}  // namespace

bool PngThumbNailUtils::GetPicSize(const std::wstring& path, int& width, int& height) {
    int w = 0;
    int h = 0;
    if (PicturePath(path, w, h).empty()) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

// Decodes the picture at WIDTH x HEIGHT (stretched if the ratio differs) and encodes it as PNG.
// On failure BYTES and LENGTH are left untouched.
bool PngThumbNailUtils::GetThumbNail(const std::wstring& path, std::vector<uint8_t>& bytes,
                                     int width, int height, uint32_t& length) {
    int w = 0;
    int h = 0;
    std::string narrow = PicturePath(path, w, h);
    if (narrow.empty() || width <= 0 || height <= 0) {
        return false;
    }
    // The whole picture is decoded first: unlike the scaling loader, this refuses a truncated
    // file instead of giving a partly grey picture.
    GError* error = nullptr;
    GdkPixbuf* full = gdk_pixbuf_new_from_file(narrow.c_str(), &error);
    if (full == nullptr) {
        g_clear_error(&error);
        return false;
    }
    GdkPixbuf* picture = gdk_pixbuf_scale_simple(full, width, height, GDK_INTERP_BILINEAR);
    g_object_unref(full);
    if (picture == nullptr) {
        return false;
    }
    gchar* buffer = nullptr;
    gsize size = 0;
    gboolean saved = gdk_pixbuf_save_to_buffer(picture, &buffer, &size, "png", &error, nullptr);
    g_object_unref(picture);
    if (!saved || buffer == nullptr || size == 0 || size > UINT32_MAX) {
        g_clear_error(&error);
        g_free(buffer);
        return false;
    }
    bytes.assign(reinterpret_cast<const uint8_t*>(buffer),
                 reinterpret_cast<const uint8_t*>(buffer) + size);
    length = static_cast<uint32_t>(size);
    g_free(buffer);
    return true;
}

// There are no system bitmaps on this platform: always null, and callers show the file type's
// default icon instead.
void* PngThumbNailUtils::GetFileThumb(const std::wstring&, int, int) {
    return nullptr;
}
