// The control base (values, skin attributes, hit testing, the painting order) and the labels,
// texts and buttons built on it.
#include "Attributes.h"
#include "UIControl.h"
#include "UIManager.h"

#include <algorithm>
#include <string>

namespace DuiLib {

using attr::Same;

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_pManager) {
        m_pManager->ForgetControl(this);
    }
}

void* CControlUI::GetInterface(const wchar_t* name) {
    return Same(name, L"Control") ? this : nullptr;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    if (m_pManager && m_pManager != manager) {
        m_pManager->ForgetControl(this);
    }
    m_pManager = manager;
    m_pParent = parent;
    if (init && manager) {
        manager->NameControl(this);
        if (parent) {
            DoInit();
        }
    }
}

void CControlUI::SetName(const wchar_t* name) {
    if (m_pManager) {
        m_pManager->ForgetControl(this);
    }
    m_sName = name;
    if (m_pManager) {
        m_pManager->NameControl(this);
    }
}

void CControlUI::SetText(const wchar_t* text) {
    if (m_sText == CDuiString(text)) {
        return;
    }
    m_sText = text;
    if (m_bAutoCalcWidth) {
        NeedUpdate();  // the width follows the text
    } else {
        Invalidate();
    }
}

void CControlUI::SetTextColor(DWORD color) {
    m_dwTextColor = color;
    Invalidate();
}

void CControlUI::SetBkColor(DWORD color) {
    m_dwBkColor = color;
    Invalidate();
}

void CControlUI::SetBkImage(const wchar_t* image) {
    m_sBkImage = image;
    Invalidate();
}

void CControlUI::SetPos(RECT rc, bool needInvalidate) {
    m_rcItem = rc;
    if (needInvalidate) {
        Invalidate();
    }
}

void CControlUI::KeepDesignValue(const wchar_t* name, const wchar_t* value) {
    static const wchar_t* const kScaled[] = {L"width",      L"height", L"padding", L"textpadding",
                                             L"bordersize", L"pos",    L"inset",   L"childpadding"};
    for (const wchar_t* key : kScaled) {
        if (Same(name, key)) {
            for (auto& kept : m_designValues) {
                if (kept.first == name) {
                    kept.second = value;
                    return;
                }
            }
            m_designValues.emplace_back(name, value);
            return;
        }
    }
}

void CControlUI::RescaleForDpi() {
    const auto kept = m_designValues;
    for (const auto& [name, value] : kept) {
        SetAttribute(name.c_str(), value.c_str());
    }
}

void CControlUI::MirrorPos(int width) {
    m_rcItem = RECT{width - m_rcItem.right, m_rcItem.top, width - m_rcItem.left, m_rcItem.bottom};
}

void CControlUI::SetFixedHeight(int designPixels) {
    SetFixedHeightEx(attr::Scaled(designPixels));
}

void CControlUI::SetFixedWidthEx(int pixels) {
    m_cxyFixed.cx = std::max(0, pixels);
    NeedUpdate();
}

void CControlUI::SetFixedHeightEx(int pixels) {
    m_cxyFixed.cy = std::max(0, pixels);
    NeedUpdate();
}

void CControlUI::SetVisible(bool visible) {
    if (m_bVisible == visible) {
        return;
    }
    m_bVisible = visible;
    NeedUpdate();
}

void CControlUI::SetEnabled(bool enabled) {
    m_bEnabled = enabled;
    Invalidate();
}

void CControlUI::Invalidate() {
    if (m_pManager) {
        m_pManager->Invalidate();
    }
}

int CControlUI::GetLayoutWidth() const {
    if (!m_bAutoCalcWidth || m_sText.IsEmpty()) {
        return m_cxyFixed.cx;
    }
    // A translation may be longer than the text the skin was drawn for.
    RECT rc{0, 0, 0, 0};
    CRenderEngine::DrawText(nullptr, m_pManager, rc, m_sText, 0, m_iFont,
                            DT_CALCRECT | DT_SINGLELINE);
    const int text = rc.right - rc.left + m_rcTextPadding.left + m_rcTextPadding.right;
    return std::max(static_cast<int>(m_cxyFixed.cx), text);
}

void CControlUI::NeedUpdate() {
    if (m_pManager) {
        m_pManager->NeedUpdate();
    }
}

// The builder sets attributes before it attaches the control, so there is nothing to repaint.
void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    KeepDesignValue(name, value);
    const std::wstring key(name);
    if (key == L"name") {
        SetName(value);
    } else if (key == L"text" || key == L"tooltip") {
        // A string id stands for its text in the user's language.
        const CDuiString text = std::wcsncmp(value, L"IDS_", 4) == 0
                                    ? UICulture::GetInstance()->GetString(value)
                                    : CDuiString(value);
        if (key == L"text") {
            SetText(text);
        } else {
            SetToolTip(text);
        }
    } else if (key == L"width") {
        SetFixedWidthEx(attr::Scaled(attr::Int(value)));
    } else if (key == L"height") {
        SetFixedHeight(attr::Int(value));
    } else if (key == L"padding") {
        m_rcPadding = attr::ScaledRect(value);
    } else if (key == L"textpadding") {
        m_rcTextPadding = attr::ScaledRect(value);
    } else if (key == L"bkcolor") {
        SetBkColor(Utils::GetColorFromString(value));
    } else if (key == L"textcolor") {
        SetTextColor(Utils::GetColorFromString(value));
    } else if (key == L"disabledtextcolor") {
        m_dwDisabledTextColor = Utils::GetColorFromString(value);
    } else if (key == L"bordercolor") {
        m_dwBorderColor = Utils::GetColorFromString(value);
    } else if (key == L"bordersize") {
        m_nBorderSize = attr::Scaled(attr::Int(value));
    } else if (key == L"bkimage") {
        SetBkImage(value);
    } else if (key == L"font") {
        m_iFont = attr::Int(value);
    } else if (key == L"align") {
        m_uTextStyle &= ~(DT_CENTER | DT_RIGHT);
        m_uTextStyle |= Same(value, L"center") ? DT_CENTER : Same(value, L"right") ? DT_RIGHT : 0;
    } else if (key == L"endellipsis") {
        m_uTextStyle = attr::IsTrue(value) ? (m_uTextStyle | DT_END_ELLIPSIS)
                                           : (m_uTextStyle & ~DT_END_ELLIPSIS);
    } else if (key == L"visible") {
        SetVisible(attr::IsTrue(value));
    } else if (key == L"mouse") {
        SetMouseEnabled(attr::IsTrue(value));
    } else if (key == L"float") {
        m_bFloat = attr::IsTrue(value);
    } else if (key == L"pos") {
        m_rcFloat = attr::ScaledRect(value);
    } else if (key == L"autocalcwidth") {
        m_bAutoCalcWidth = attr::IsTrue(value);
    } else if (key == L"nchit") {
        m_bNcHit = attr::IsTrue(value);
    }
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
    if (!m_bVisible || pt.x < m_rcItem.left || pt.x >= m_rcItem.right || pt.y < m_rcItem.top ||
        pt.y >= m_rcItem.bottom) {
        return nullptr;
    }
    return this;
}

void CControlUI::ForEach(const std::function<void(CControlUI*)>& visit) {
    visit(this);
}

void CControlUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    if (m_rcItem.right <= rcPaint.left || m_rcItem.left >= rcPaint.right ||
        m_rcItem.bottom <= rcPaint.top || m_rcItem.top >= rcPaint.bottom) {
        return;
    }
    PaintBkColor(hDC);
    PaintBkImage(hDC);
    PaintStatusImage(hDC);
    PaintText(hDC);
    PaintBorder(hDC);
}

// Labels, texts, buttons.

void* CLabelUI::GetInterface(const wchar_t* name) {
    return Same(name, L"Label") ? this : CControlUI::GetInterface(name);
}

CTextUI::CTextUI() {
    m_uTextStyle = DT_WORDBREAK;
}

void* CTextUI::GetInterface(const wchar_t* name) {
    return Same(name, L"Text") ? this : CLabelUI::GetInterface(name);
}

void* CButtonUI::GetInterface(const wchar_t* name) {
    return Same(name, L"Button") ? this : CLabelUI::GetInterface(name);
}

bool CButtonUI::Activate() {
    if (!IsVisible() || !IsEnabled() || !m_pManager) {
        return false;
    }
    m_pManager->SendNotify(this, L"click");
    return true;
}

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (Same(name, L"normalimage")) {
        m_sNormalImage = value;
    } else if (Same(name, L"hotimage")) {
        m_sHotImage = value;
    } else {
        CLabelUI::SetAttribute(name, value);
    }
}

void CButtonUI::PaintStatusImage(HDC hDC) {
    const CDuiString& image = m_bHot && !m_sHotImage.IsEmpty() ? m_sHotImage : m_sNormalImage;
    if (!image.IsEmpty()) {
        UIPainter::DrawImage(hDC, m_pManager, m_rcItem, m_rcItem, image);
    }
}

}  // namespace DuiLib
