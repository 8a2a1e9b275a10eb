// The parts of a control's painting that go through the toolkit's painters.
#include "Platform.h"
#include "UIControl.h"
#include "UIManager.h"

#include <algorithm>

namespace duiplatform {

std::filesystem::path ImageFile(const DuiLib::CDuiString& image) {
    std::wstring path = image.str();
    const size_t quote = path.find(L"file='");
    if (quote != std::wstring::npos) {
        const size_t end = path.find(L'\'', quote + 6);
        path = path.substr(quote + 6,
                           end == std::wstring::npos ? std::wstring::npos : end - quote - 6);
    }
    return DuiLib::CPaintManagerUI::ResolveResource(path);
}

}  // namespace duiplatform

namespace DuiLib {

void CControlUI::PaintBkColor(HDC hDC) {
    duiplatform::Fill(hDC, m_rcItem.left, m_rcItem.top, GetWidth(), GetHeight(), m_dwBkColor);
}

void CControlUI::PaintBorder(HDC hDC) {
    if (m_nBorderSize > 0) {
        duiplatform::Frame(hDC, m_rcItem, m_dwBorderColor, m_nBorderSize);
    }
}

void CScrollBarUI::DoPaint(HDC hDC, const RECT&) {
    if (GetHeight() <= 0 || GetWidth() <= 0) {
        return;
    }
    // A thumb as tall as the visible part of the list, at the scroll position.
    const int height = GetHeight();
    const double visible = static_cast<double>(height) / (height + m_nRange);
    const double thumb = std::max(8.0, height * visible);
    const double top = m_nRange > 0 ? (height - thumb) * m_nScrollPos / m_nRange : 0.0;
    duiplatform::Fill(hDC, m_rcItem.left + 1, m_rcItem.top + top, GetWidth() - 2, thumb,
                      0x40000000);
}

void CControlUI::PaintBkImage(HDC hDC) {
    if (!m_sBkImage.IsEmpty()) {
        UIPainter::DrawImage(hDC, m_pManager, m_rcItem, m_rcItem, m_sBkImage);
    }
}

void CControlUI::PaintText(HDC hDC) {
    if (m_sText.IsEmpty()) {
        return;
    }
    DWORD color = !IsEnabled() && m_dwDisabledTextColor ? m_dwDisabledTextColor : m_dwTextColor;
    if (color == 0 && m_pManager) {
        color = m_pManager->GetDefaultFontColor();
    }
    RECT rc{m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
            m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
    UINT style = m_uTextStyle;
    if (UICulture::GetInstance()->getDirection() == 1) {
        // Mirrored: the padding and the alignment change sides, centred text stays.
        rc.left = m_rcItem.left + m_rcTextPadding.right;
        rc.right = m_rcItem.right - m_rcTextPadding.left;
        if (!(style & DT_CENTER)) {
            style ^= DT_RIGHT;
        }
    }
    CRenderEngine::DrawText(hDC, m_pManager, rc, m_sText, color, m_iFont, style);
}

}  // namespace DuiLib
