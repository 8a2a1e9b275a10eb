// Painting on Windows: a window paints on WM_PAINT, its whole control tree into a 32-bit
// picture first and then onto the screen in one copy. The same picture, saved by GDI+'s PNG
// encoder, is a window's snapshot.
#include "DuiLibStandIn.h"
#include "Platform.h"
#include "UIManager.h"

#include <gdiplus.h>

#include <mutex>
#include <vector>

namespace {

// A top-down 32-bit picture of SIZE with a device context that paints into it.
class Picture {
public:
    explicit Picture(SIZE size) : size_(size) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size.cx;
        info.bmiHeader.biHeight = -size.cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = bitmap_ ? SelectObject(dc_, bitmap_) : nullptr;
    }
    ~Picture() {
        if (old_) {
            SelectObject(dc_, old_);
        }
        if (bitmap_) {
            DeleteObject(bitmap_);
        }
        DeleteDC(dc_);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Paints ROOT into the picture; false when there is no picture (an empty window).
    bool Paint(DuiLib::CControlUI* root) {
        if (!bitmap_) {
            return false;
        }
        const RECT all{0, 0, size_.cx, size_.cy};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        if (root && root->IsVisible()) {
            root->DoPaint(dc_, all);
        }
        GdiFlush();
        return true;
    }
    HDC dc() const { return dc_; }
    bool Save(const std::wstring& path) const {
        CLSID png{};
        Gdiplus::Bitmap picture(size_.cx, size_.cy, size_.cx * 4, PixelFormat32bppRGB,
                                static_cast<BYTE*>(bits_));
        return duistandin::PngEncoder(png) &&
               picture.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
    }

private:
    SIZE size_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

}  // namespace

namespace duistandin {

void StartGdiPlus() {
    static std::once_flag started;
    std::call_once(started, [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);  // for the life of the process
    });
}

bool PngEncoder(CLSID& clsid) {
    UINT count = 0;
    UINT bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    std::vector<unsigned char> buffer(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (bytes == 0 || Gdiplus::GetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) {
        return false;
    }
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(encoders[i].MimeType, L"image/png") == 0) {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace duistandin

namespace DuiLib {

void CPaintManagerUI::Paint() {
    m_bPaintPending = false;
    if (m_bNeedLayout) {
        LayoutNow();
    }
    ++m_iPaintCount;
    if (m_hWnd == nullptr) {
        return;
    }
    duistandin::StartGdiPlus();
    // Also when called outside WM_PAINT: the whole window is painted, and what was invalid is
    // valid afterwards.
    InvalidateRect(m_hWnd, nullptr, FALSE);
    PAINTSTRUCT ps{};
    HDC screen = BeginPaint(m_hWnd, &ps);
    const SIZE size = GetClientSize();
    Picture picture(size);
    if (screen != nullptr && picture.Paint(m_pRoot)) {
        BitBlt(screen, 0, 0, size.cx, size.cy, picture.dc(), 0, 0, SRCCOPY);
    }
    EndPaint(m_hWnd, &ps);
}

void CPaintManagerUI::Invalidate() {
    if (m_hWnd != nullptr && *m_alive) {
        m_bPaintPending = true;
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

void CPaintManagerUI::ReleaseSurface() {}

}  // namespace DuiLib

namespace duistandin {

bool SavePng(DuiLib::CPaintManagerUI* manager, const std::string& path) {
    if (!manager) {
        return false;
    }
    manager->Paint();
    const SIZE size = manager->GetClientSize();
    Picture picture(size);
    return size.cx > 0 && size.cy > 0 && picture.Paint(manager->GetRoot()) &&
           picture.Save(std::filesystem::u8path(path).wstring());
}

}  // namespace duistandin
