// The parts of a control's painting that go through the toolkit's painters.
#include "UIControl.h"
#include "UIManager.h"

namespace DuiLib {

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
