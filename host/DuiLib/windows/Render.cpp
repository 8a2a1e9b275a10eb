// Painting on Windows with GDI+ on the device context a window paints into: fills, borders,
// pictures decoded by GDI+ and text in GDI+ fonts.
#include "DuiLibStandIn.h"
#include "Platform.h"
#include "UIControl.h"
#include "UIManager.h"

#include <gdiplus.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

using namespace Gdiplus;

Color ColorOf(DWORD argb) {
    return Color(static_cast<BYTE>(argb >> 24), static_cast<BYTE>(argb >> 16),
                 static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb));
}

// Pictures by file, decoded once; null for a file that does not decode. Kept for the life of
// the process, like GDI+ itself.
Bitmap* LoadPicture(const std::wstring& file) {
    static auto* cache = new std::map<std::wstring, std::unique_ptr<Bitmap>>;
    auto found = cache->find(file);
    if (found == cache->end()) {
        std::unique_ptr<Bitmap> picture(Bitmap::FromFile(file.c_str()));
        if (picture && picture->GetLastStatus() != Ok) {
            picture.reset();
        }
        found = cache->emplace(file, std::move(picture)).first;
    }
    return found->second.get();
}

// The string format of the toolkit's DT_ styles. Alignment is on the screen's sides: in a
// right-to-left reading GDI+ swaps near and far, so they are swapped back here.
void SetFormat(StringFormat& format, UINT style, bool rightToLeft) {
    INT flags = StringFormatFlagsMeasureTrailingSpaces;
    if (!(style & DT_WORDBREAK) || (style & DT_SINGLELINE)) {
        flags |= StringFormatFlagsNoWrap;
    }
    if (rightToLeft) {
        flags |= StringFormatFlagsDirectionRightToLeft;
    }
    format.SetFormatFlags(flags);
    StringAlignment left = rightToLeft ? StringAlignmentFar : StringAlignmentNear;
    StringAlignment right = rightToLeft ? StringAlignmentNear : StringAlignmentFar;
    format.SetAlignment((style & DT_CENTER)  ? StringAlignmentCenter
                        : (style & DT_RIGHT) ? right
                                             : left);
    format.SetLineAlignment((style & DT_VCENTER) ? StringAlignmentCenter : StringAlignmentNear);
    format.SetTrimming((style & DT_END_ELLIPSIS) ? StringTrimmingEllipsisCharacter
                                                 : StringTrimmingNone);
}

// The width TEXT takes on one line.
REAL Width(Graphics& graphics, const std::wstring& text, const Font& font,
           const StringFormat& format) {
    RectF need;
    graphics.MeasureString(text.c_str(), static_cast<INT>(text.size()), &font,
                           RectF(0, 0, 1e6f, 1e6f), &format, &need);
    return need.Width;
}

}  // namespace

namespace duiplatform {

void PushClip(HDC hdc, const RECT& rc) {
    if (hdc != nullptr) {
        SaveDC(hdc);
        IntersectClipRect(hdc, rc.left, rc.top, rc.right, rc.bottom);
    }
}

void PopClip(HDC hdc) {
    if (hdc != nullptr) {
        RestoreDC(hdc, -1);
    }
}

void Fill(HDC hdc, double x, double y, double w, double h, DWORD argb) {
    if (hdc == nullptr || (argb >> 24) == 0) {
        return;
    }
    Graphics graphics(hdc);
    SolidBrush brush(ColorOf(argb));
    graphics.FillRectangle(&brush, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(w),
                           static_cast<REAL>(h));
}

void Frame(HDC hdc, const RECT& rc, DWORD argb, int size) {
    // Four strips inside the rectangle: a pen would put the right and bottom lines on the pixel
    // past it, where the clip drops them.
    const double w = rc.right - rc.left;
    const double h = rc.bottom - rc.top;
    Fill(hdc, rc.left, rc.top, w, size, argb);
    Fill(hdc, rc.left, rc.bottom - size, w, size, argb);
    Fill(hdc, rc.left, rc.top + size, size, h - 2 * size, argb);
    Fill(hdc, rc.right - size, rc.top + size, size, h - 2 * size, argb);
}

}  // namespace duiplatform

namespace DuiLib {

void CRenderEngine::DrawText(HDC hDC, CPaintManagerUI* manager, RECT& rc, const CDuiString& text,
                             DWORD color, int font, UINT style) {
    duistandin::StartGdiPlus();
    // Without a device context the text is measured on a picture of one pixel.
    static auto* measuring = new Bitmap(1, 1, PixelFormat32bppARGB);
    std::unique_ptr<Graphics> graphics(hDC ? new Graphics(hDC) : new Graphics(measuring));
    graphics->SetTextRenderingHint(TextRenderingHintAntiAliasGridFit);
    const TFontInfo info = manager ? manager->GetFontInfo(font) : TFontInfo();
    const INT fontStyle = info.bold ? FontStyleBold : FontStyleRegular;
    FontFamily family(info.name.c_str());
    std::unique_ptr<Font> gdiFont;
    if (family.GetLastStatus() == Ok) {
        gdiFont.reset(new Font(&family, static_cast<REAL>(info.size), fontStyle, UnitPixel));
    } else {
        gdiFont.reset(new Font(FontFamily::GenericSansSerif(), static_cast<REAL>(info.size),
                               fontStyle, UnitPixel));
    }
    StringFormat format(StringFormat::GenericTypographic());
    SetFormat(format, style, UICulture::GetInstance()->getDirection() == 1);
    const std::wstring& chars = text.str();
    const INT length = static_cast<INT>(chars.size());
    const REAL width = static_cast<REAL>(rc.right - rc.left);
    if (style & DT_CALCRECT) {
        const bool bounded = width > 0 && (style & (DT_WORDBREAK | DT_END_ELLIPSIS));
        RectF need;
        graphics->MeasureString(chars.c_str(), length, gdiFont.get(),
                                RectF(0, 0, bounded ? width : 1e6f, 1e6f), &format, &need);
        rc.right = rc.left + static_cast<LONG>(std::ceil(need.Width));
        rc.bottom = rc.top + static_cast<LONG>(std::ceil(need.Height));
        return;
    }
    // A line too long for RC ends in an ellipsis after as much of it as fits (cut here rather
    // than by GDI+'s trimming, which Wine's GDI+ does not do).
    std::wstring cut;
    if ((style & DT_END_ELLIPSIS) && !(style & DT_WORDBREAK) && width > 0 &&
        Width(*graphics, chars, *gdiFont, format) > width) {
        size_t fits = 0;
        for (size_t lo = 0, hi = chars.size(); lo < hi;) {
            const size_t mid = (lo + hi + 1) / 2;
            if (Width(*graphics, chars.substr(0, mid) + L"\u2026", *gdiFont, format) <= width) {
                fits = lo = mid;
            } else {
                hi = mid - 1;
            }
        }
        cut = chars.substr(0, fits) + L"\u2026";
    }
    const std::wstring& shown = cut.empty() ? chars : cut;
    SolidBrush brush(ColorOf(color));
    graphics->DrawString(shown.c_str(), static_cast<INT>(shown.size()), gdiFont.get(),
                         RectF(static_cast<REAL>(rc.left), static_cast<REAL>(rc.top), width,
                               static_cast<REAL>(rc.bottom - rc.top)),
                         &format, &brush);
}

bool UIPainter::DrawImage(HDC hDC, CPaintManagerUI*, const RECT& rc, const RECT&,
                          const CDuiString& image) {
    if (hDC == nullptr || rc.right <= rc.left || rc.bottom <= rc.top) {
        return false;
    }
    Bitmap* picture = LoadPicture(duiplatform::ImageFile(image).wstring());
    if (picture == nullptr) {
        return false;
    }
    Graphics graphics(hDC);
    graphics.SetInterpolationMode(InterpolationModeHighQualityBilinear);
    graphics.SetPixelOffsetMode(PixelOffsetModeHalf);
    graphics.DrawImage(picture, Rect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top));
    return true;
}

}  // namespace DuiLib
