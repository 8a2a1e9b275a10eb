// Pages, pictures and thumbnails on Windows, decoded, scaled, encoded and drawn by GDI+.
#include "DuiLibStandIn.h"
#include "FilePage.h"
#include "TandemUtil.h"

#include <gdiplus.h>
#include <objidl.h>
#include <shlwapi.h>

#include <vector>

namespace {

using namespace Gdiplus;

Bitmap* BitmapOf(void* handle) {
    return static_cast<Bitmap*>(handle);
}

Color ColorOf(const double rgb[3], BYTE alpha = 255) {
    return Color(alpha, static_cast<BYTE>(rgb[0] * 255 + 0.5),
                 static_cast<BYTE>(rgb[1] * 255 + 0.5), static_cast<BYTE>(rgb[2] * 255 + 0.5));
}

// A decoded bitmap, or null when GDI+ cannot read it. The stream variant copies the pixels
// out, so the bytes need not outlive it.
std::unique_ptr<Bitmap> Checked(Bitmap* bitmap) {
    std::unique_ptr<Bitmap> out(bitmap);
    if (out && (out->GetLastStatus() != Ok || out->GetWidth() == 0 || out->GetHeight() == 0)) {
        out.reset();
    }
    return out;
}

std::unique_ptr<Bitmap> Decode(const void* data, uint32_t size) {
    duistandin::StartGdiPlus();
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(data), size);
    if (!stream) {
        return nullptr;
    }
    std::unique_ptr<Bitmap> decoded = Checked(Bitmap::FromStream(stream));
    std::unique_ptr<Bitmap> copy;
    if (decoded) {
        copy.reset(new Bitmap(static_cast<INT>(decoded->GetWidth()),
                              static_cast<INT>(decoded->GetHeight()), PixelFormat32bppARGB));
        Graphics graphics(copy.get());
        graphics.DrawImage(decoded.get(), 0, 0, static_cast<INT>(decoded->GetWidth()),
                           static_cast<INT>(decoded->GetHeight()));
    }
    decoded.reset();
    stream->Release();
    return Checked(copy.release());
}

// The picture at PATH when it is a PNG, JPEG or BMP file.
std::unique_ptr<Bitmap> DecodePicture(const std::wstring& path) {
    duistandin::StartGdiPlus();
    std::unique_ptr<Bitmap> picture = Checked(Bitmap::FromFile(path.c_str()));
    GUID format{};
    if (!picture || picture->GetRawFormat(&format) != Ok ||
        (format != ImageFormatPNG && format != ImageFormatJPEG && format != ImageFormatBMP)) {
        return nullptr;
    }
    return picture;
}

// PICTURE scaled to WIDTH x HEIGHT.
std::unique_ptr<Bitmap> Scaled(Bitmap* picture, int width, int height) {
    std::unique_ptr<Bitmap> out(new Bitmap(width, height, PixelFormat32bppARGB));
    Graphics graphics(out.get());
    graphics.SetInterpolationMode(InterpolationModeHighQualityBilinear);
    graphics.SetPixelOffsetMode(PixelOffsetModeHalf);
    graphics.DrawImage(picture, Rect(0, 0, width, height));
    return out;
}

}  // namespace

namespace UIEx {

void DrawPage(HDC hdc, double x, double y, double w, double h, const double rgb[3]) {
    Graphics graphics(hdc);
    graphics.SetSmoothingMode(SmoothingModeAntiAlias);
    const REAL fold = static_cast<REAL>(w * 0.3);
    const REAL l = static_cast<REAL>(x), t = static_cast<REAL>(y);
    const REAL r = static_cast<REAL>(x + w), b = static_cast<REAL>(y + h);
    const PointF outline[] = {{l, t}, {r - fold, t}, {r, t + fold}, {r, b}, {l, b}};
    SolidBrush white(Color(255, 255, 255, 255));
    SolidBrush ink(ColorOf(rgb));
    Pen pen(ColorOf(rgb), 1.5f);
    graphics.FillPolygon(&white, outline, 5);
    graphics.DrawPolygon(&pen, outline, 5);
    const PointF corner[] = {{r - fold, t}, {r - fold, t + fold}, {r, t + fold}};
    graphics.DrawLines(&pen, corner, 3);
    graphics.FillRectangle(&ink, static_cast<REAL>(x + w * 0.15), static_cast<REAL>(y + h * 0.62),
                           static_cast<REAL>(w * 0.7), static_cast<REAL>(h * 0.2));
}

Picture::~Picture() {
    delete BitmapOf(handle_);
}

std::unique_ptr<Picture> Picture::FromData(const void* data, uint32_t size) {
    std::unique_ptr<Bitmap> bitmap = Decode(data, size);
    return std::unique_ptr<Picture>(bitmap ? new Picture(bitmap.release()) : nullptr);
}

std::unique_ptr<Picture> Picture::FromFile(const std::filesystem::path& file) {
    duistandin::StartGdiPlus();
    std::unique_ptr<Bitmap> bitmap = Checked(Bitmap::FromFile(file.wstring().c_str()));
    return std::unique_ptr<Picture>(bitmap ? new Picture(bitmap.release()) : nullptr);
}

std::unique_ptr<Picture> Picture::FromBitmap(void* bitmap) {
    duistandin::StartGdiPlus();
    auto* handle = static_cast<HBITMAP>(bitmap);
    std::unique_ptr<Bitmap> copy = Checked(Bitmap::FromHBITMAP(handle, nullptr));
    DeleteObject(handle);
    return std::unique_ptr<Picture>(copy ? new Picture(copy.release()) : nullptr);
}

int Picture::Width() const {
    return static_cast<int>(BitmapOf(handle_)->GetWidth());
}

int Picture::Height() const {
    return static_cast<int>(BitmapOf(handle_)->GetHeight());
}

void Picture::Draw(HDC hdc, const RECT& clip, double x, double y, double w, double h) const {
    Graphics graphics(hdc);
    graphics.SetClip(Rect(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top));
    graphics.SetInterpolationMode(InterpolationModeHighQualityBilinear);
    graphics.SetPixelOffsetMode(PixelOffsetModeHalf);
    graphics.DrawImage(BitmapOf(handle_), RectF(static_cast<REAL>(x), static_cast<REAL>(y),
                                                static_cast<REAL>(w), static_cast<REAL>(h)));
}

}  // namespace UIEx

bool PngThumbNailUtils::GetPicSize(const std::wstring& path, int& width, int& height) {
    std::unique_ptr<Bitmap> picture = DecodePicture(path);
    if (!picture) {
        return false;
    }
    width = static_cast<int>(picture->GetWidth());
    height = static_cast<int>(picture->GetHeight());
    return true;
}

// Decodes the picture at WIDTH x HEIGHT (stretched if the ratio differs) and encodes it as PNG.
// On failure BYTES and LENGTH are left untouched.
bool PngThumbNailUtils::GetThumbNail(const std::wstring& path, std::vector<uint8_t>& bytes,
                                     int width, int height, uint32_t& length) {
    std::unique_ptr<Bitmap> picture = width > 0 && height > 0 ? DecodePicture(path) : nullptr;
    if (!picture) {
        return false;
    }
    std::unique_ptr<Bitmap> thumb = Scaled(picture.get(), width, height);
    CLSID png{};
    IStream* stream = duistandin::PngEncoder(png) ? SHCreateMemStream(nullptr, 0) : nullptr;
    const bool saved = stream && thumb->Save(stream, &png, nullptr) == Ok;
    STATSTG stat{};
    std::vector<uint8_t> encoded;
    bool read = false;
    if (saved && stream->Stat(&stat, STATFLAG_NONAME) == S_OK && stat.cbSize.QuadPart > 0 &&
        stat.cbSize.QuadPart <= UINT32_MAX) {
        encoded.resize(static_cast<size_t>(stat.cbSize.QuadPart));
        LARGE_INTEGER start{};
        ULONG got = 0;
        read = stream->Seek(start, STREAM_SEEK_SET, nullptr) == S_OK &&
               stream->Read(encoded.data(), static_cast<ULONG>(encoded.size()), &got) == S_OK &&
               got == encoded.size();
    }
    if (stream) {
        stream->Release();
    }
    if (!read) {
        return false;
    }
    bytes = std::move(encoded);
    length = static_cast<uint32_t>(bytes.size());
    return true;
}

// A bitmap of the picture at WIDTH x HEIGHT, for CThumbControlUI::LoadFromHBITMAP; null for a
// file that is not a picture.
void* PngThumbNailUtils::GetFileThumb(const std::wstring& path, int width, int height) {
    std::unique_ptr<Bitmap> picture = width > 0 && height > 0 ? DecodePicture(path) : nullptr;
    HBITMAP bitmap = nullptr;
    if (picture) {
        Scaled(picture.get(), width, height)->GetHBITMAP(Color(0, 0, 0, 0), &bitmap);
    }
    return bitmap;
}
