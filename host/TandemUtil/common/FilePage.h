// The file page that the icon controls draw for a file type, and the pictures of the picture
// control: what the platform layer draws and decodes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace UIEx {

// The page (a second one behind it for SEVERAL) in the colour of FILETYPE, centred in RC.
void PaintFilePage(HDC hdc, const RECT& rc, int fileType, bool several);
// One page at (X, Y) of W x H: white, outlined, folded and lined in the colour RGB (0..1).
void DrawPage(HDC hdc, double x, double y, double w, double h, const double rgb[3]);

// The file type whose default icon PATH is, or -1.
int DefaultIconType(const std::wstring& path);

// A decoded picture.
class Picture {
public:
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    // Null when the bytes or the file do not decode.
    static std::unique_ptr<Picture> FromData(const void* data, uint32_t size);
    static std::unique_ptr<Picture> FromFile(const std::filesystem::path& file);
    // A copy of a bitmap of PngThumbNailUtils::GetFileThumb, which it deletes; null where the
    // platform has none.
    static std::unique_ptr<Picture> FromBitmap(void* bitmap);
    int Width() const;
    int Height() const;
    // Draws the picture scaled into (X, Y, W, H), cut at CLIP.
    void Draw(HDC hdc, const RECT& clip, double x, double y, double w, double h) const;

private:
    explicit Picture(void* handle) : handle_(handle) {}
    void* handle_;  // owned: the platform's picture
};

}  // namespace UIEx
