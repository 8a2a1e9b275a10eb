// Painting on Windows, through GDI into the window's device context: fills, borders, the scroll
// thumb and plain text. Pictures are not drawn yet.
#include "Platform.h"
#include "UIControl.h"
#include "UIManager.h"

#include <algorithm>

namespace {

COLORREF ColorOf(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

void Fill(HDC hdc, const RECT& rc, DWORD argb) {
    if (hdc == nullptr || (argb >> 24) == 0) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(ColorOf(argb));
    FillRect(hdc, &rc, brush);
    DeleteObject(brush);
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

}  // namespace duiplatform

namespace DuiLib {

void CRenderEngine::DrawText(HDC hDC, CPaintManagerUI* manager, RECT& rc, const CDuiString& text,
                             DWORD color, int font, UINT style) {
    const bool measuring = (style & DT_CALCRECT) != 0;
    HDC dc = hDC != nullptr ? hDC : GetDC(nullptr);
    if (dc == nullptr) {
        return;
    }
    const TFontInfo info = manager ? manager->GetFontInfo(font) : TFontInfo();
    HFONT hfont = CreateFontW(-info.size, 0, 0, 0, info.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                              FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH, info.name.c_str());
    HGDIOBJ old = SelectObject(dc, hfont);
    if (!measuring) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorOf(color));
    }
    std::wstring copy = text.str();
    ::DrawTextW(dc, copy.c_str(), static_cast<int>(copy.size()), &rc, style | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(hfont);
    if (hDC == nullptr) {
        ReleaseDC(nullptr, dc);
    }
}

bool UIPainter::DrawImage(HDC, CPaintManagerUI*, const RECT&, const RECT&, const CDuiString&) {
    return false;
}

void CControlUI::PaintBkColor(HDC hDC) {
    Fill(hDC, m_rcItem, m_dwBkColor);
}

void CControlUI::PaintBorder(HDC hDC) {
    if (hDC == nullptr || m_nBorderSize <= 0 || (m_dwBorderColor >> 24) == 0) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(ColorOf(m_dwBorderColor));
    FrameRect(hDC, &m_rcItem, brush);
    DeleteObject(brush);
}

void CScrollBarUI::DoPaint(HDC hDC, const RECT&) {
    if (GetHeight() <= 0 || GetWidth() <= 0) {
        return;
    }
    const int height = GetHeight();
    const double visible = static_cast<double>(height) / (height + m_nRange);
    const int thumb = static_cast<int>(std::max(8.0, height * visible));
    const int top = m_nRange > 0 ? (height - thumb) * m_nScrollPos / m_nRange : 0;
    Fill(
        hDC,
        RECT{m_rcItem.left + 1, m_rcItem.top + top, m_rcItem.right - 1, m_rcItem.top + top + thumb},
        0xFFC0C0C0);
}

void CPaintManagerUI::Paint() {
    m_bPaintPending = false;
    const SIZE size = GetClientSize();
    if (m_bNeedLayout) {
        LayoutNow();
    }
    HDC dc = m_hWnd != nullptr ? GetDC(m_hWnd) : nullptr;
    if (dc != nullptr) {
        if (m_pRoot && m_pRoot->IsVisible()) {
            m_pRoot->DoPaint(dc, RECT{0, 0, size.cx, size.cy});
        }
        ReleaseDC(m_hWnd, dc);
    }
    ++m_iPaintCount;
}

void CPaintManagerUI::ReleaseSurface() {}

}  // namespace DuiLib
