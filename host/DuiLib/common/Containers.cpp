// Containers: the children they own, their layouts (stacked, vertical, horizontal, one tab at a
// time), and the list of rows with its scroll bar.
#include "Attributes.h"
#include "Platform.h"
#include "UIControl.h"
#include "UIManager.h"

#include <algorithm>

namespace DuiLib {

using attr::Same;

CContainerUI::~CContainerUI() {
    RemoveAll();
}

void* CContainerUI::GetInterface(const wchar_t* name) {
    return Same(name, L"Container") ? this : CControlUI::GetInterface(name);
}

bool CContainerUI::Add(CControlUI* control) {
    if (!control) {
        return false;
    }
    m_items.push_back(control);
    control->SetManager(m_pManager, this, true);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
    auto found = std::find(m_items.begin(), m_items.end(), control);
    if (found == m_items.end()) {
        return false;
    }
    m_items.erase(found);
    if (doNotDestroy) {
        control->ForEach([](CControlUI* c) {
            if (c->GetManager()) {
                c->GetManager()->ForgetControl(c);
            }
        });
        control->SetManager(nullptr, nullptr, false);
    } else {
        delete control;
    }
    NeedUpdate();
    return true;
}

void CContainerUI::RemoveAll() {
    while (!m_items.empty()) {
        CControlUI* control = m_items.back();
        m_items.pop_back();
        delete control;
    }
    NeedUpdate();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    return index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)] : nullptr;
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* item : m_items) {
        item->SetManager(manager, this, init);
    }
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    RECT inner{rc.left + m_rcInset.left, rc.top + m_rcInset.top, rc.right - m_rcInset.right,
               rc.bottom - m_rcInset.bottom};
    LayoutChildren(inner);
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || !item->IsFloat()) {
            continue;
        }
        const RECT f = item->GetFloatPos();
        RECT place{m_rcItem.left + f.left, m_rcItem.top + f.top, m_rcItem.left + f.right,
                   m_rcItem.top + f.bottom};
        if (item->GetFixedWidth() > 0) {
            place.right = place.left + item->GetFixedWidth();
        }
        if (item->GetFixedHeight() > 0) {
            place.bottom = place.top + item->GetFixedHeight();
        }
        item->SetPos(place, false);
    }
}

void CContainerUI::LayoutChildren(RECT rc) {
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) {
            continue;
        }
        RECT p = item->GetPadding();
        RECT child{rc.left + p.left, rc.top + p.top, rc.right - p.right, rc.bottom - p.bottom};
        if (item->GetFixedWidth() > 0) {
            child.right = child.left + item->GetFixedWidth();
        }
        if (item->GetFixedHeight() > 0) {
            child.bottom = child.top + item->GetFixedHeight();
        }
        item->SetPos(child, false);
    }
}

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    KeepDesignValue(name, value);
    if (Same(name, L"inset")) {
        m_rcInset = attr::ScaledRect(value);
    } else if (Same(name, L"childpadding")) {
        m_iChildPadding = attr::Scaled(attr::Int(value));
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
    if (!CControlUI::FindControlAt(pt)) {
        return nullptr;
    }
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if (CControlUI* hit = (*it)->FindControlAt(pt)) {
            if (hit->IsMouseEnabled()) {
                return hit;
            }
        }
    }
    return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::ForEach(const std::function<void(CControlUI*)>& visit) {
    visit(this);
    for (CControlUI* item : m_items) {
        item->ForEach(visit);
    }
}

void CContainerUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    CControlUI::DoPaint(hDC, rcPaint);
    RECT clip{std::max(rcPaint.left, m_rcItem.left), std::max(rcPaint.top, m_rcItem.top),
              std::min(rcPaint.right, m_rcItem.right), std::min(rcPaint.bottom, m_rcItem.bottom)};
    if (clip.left >= clip.right || clip.top >= clip.bottom) {
        return;
    }
    // Children paint inside their container, as the toolkit's clip regions keep them.
    duiplatform::PushClip(hDC, clip);
    for (CControlUI* item : m_items) {
        if (item->IsVisible()) {
            item->DoPaint(hDC, clip);
        }
    }
    duiplatform::PopClip(hDC);
}

// Layouts: fixed sizes first, then the rest shared by the controls without one.

namespace {

template <bool Vertical>
void LayoutLine(const std::vector<CControlUI*>& items, RECT rc, int childPadding) {
    auto fixedOf = [](CControlUI* c) {
        return Vertical ? c->GetFixedHeight() : c->GetLayoutWidth();
    };
    auto along = [](RECT p) { return Vertical ? p.top + p.bottom : p.left + p.right; };
    const int space = Vertical ? rc.bottom - rc.top : rc.right - rc.left;
    int used = 0;
    int stretch = 0;
    int shown = 0;
    for (CControlUI* c : items) {
        if (!c->IsVisible() || c->IsFloat()) {
            continue;
        }
        ++shown;
        used += along(c->GetPadding());
        if (fixedOf(c) > 0) {
            used += fixedOf(c);
        } else {
            ++stretch;
        }
    }
    used += shown > 1 ? (shown - 1) * childPadding : 0;
    const int share = stretch > 0 ? std::max(0, space - used) / stretch : 0;
    int at = Vertical ? rc.top : rc.left;
    for (CControlUI* c : items) {
        if (!c->IsVisible() || c->IsFloat()) {
            continue;
        }
        RECT p = c->GetPadding();
        int size = fixedOf(c) > 0 ? fixedOf(c) : share;
        RECT child;
        if (Vertical) {
            at += p.top;
            child = RECT{rc.left + p.left, at, rc.right - p.right, at + size};
            if (c->GetFixedWidth() > 0) {
                child.right = child.left + c->GetFixedWidth();
            }
            at += size + p.bottom + childPadding;
        } else {
            at += p.left;
            child = RECT{at, rc.top + p.top, at + size, rc.bottom - p.bottom};
            if (c->GetFixedHeight() > 0) {
                // Rows of fixed height sit in the middle of the line.
                child.top = rc.top + p.top +
                            (rc.bottom - rc.top - p.top - p.bottom - c->GetFixedHeight()) / 2;
                child.bottom = child.top + c->GetFixedHeight();
            }
            at += size + p.right + childPadding;
        }
        c->SetPos(child, false);
    }
}

}  // namespace

void CVerticalLayoutUI::LayoutChildren(RECT rc) {
    LayoutLine<true>(m_items, rc, m_iChildPadding);
}

void CHorizontalLayoutUI::LayoutChildren(RECT rc) {
    LayoutLine<false>(m_items, rc, m_iChildPadding);
}

void* CTabLayoutUI::GetInterface(const wchar_t* name) {
    return Same(name, L"TabLayout") ? this : CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
    if (!CContainerUI::Add(control)) {
        return false;
    }
    control->SetVisible(GetCount() - 1 == m_iCurSel);
    return true;
}

bool CTabLayoutUI::SelectItem(int index) {
    if (index < 0 || index >= GetCount()) {
        return false;
    }
    m_iCurSel = index;
    for (int i = 0; i < GetCount(); ++i) {
        GetItemAt(i)->SetVisible(i == index);
    }
    NeedUpdate();
    return true;
}

// The list and its scroll bar.

void CScrollBarUI::SetScrollRange(int range) {
    m_nRange = std::max(0, range);
    m_nScrollPos = std::min(m_nScrollPos, m_nRange);
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
    m_nScrollPos = std::max(0, std::min(pos, m_nRange));
    Invalidate();
}

void* CListContainerElementUI::GetInterface(const wchar_t* name) {
    return Same(name, L"ListContainerElement") ? this : CContainerUI::GetInterface(name);
}

CListUI::CListUI() : m_pVerticalScrollBar(new CScrollBarUI) {
    m_pVerticalScrollBar->SetVisible(false);
    m_pVerticalScrollBar->SetScrollRange(0);
}

CListUI::~CListUI() {
    RemoveAll();
}

void* CListUI::GetInterface(const wchar_t* name) {
    return Same(name, L"List") ? this : CVerticalLayoutUI::GetInterface(name);
}

void CListUI::EnableScrollBar(bool enableVertical, bool /*enableHorizontal*/) {
    m_bVerticalEnabled = enableVertical;
    NeedUpdate();
}

CScrollBarUI* CListUI::GetVerticalScrollBar() const {
    return m_bVerticalEnabled ? m_pVerticalScrollBar.get() : nullptr;
}

void CListUI::SetScrollPos(SIZE pos) {
    m_pVerticalScrollBar->SetScrollPos(pos.cy);
    NeedUpdate();
}

void CListUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    CVerticalLayoutUI::SetManager(manager, parent, init);
    m_pVerticalScrollBar->SetManager(manager, this, false);
}

void CListUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (Same(name, L"vscrollbar")) {
        EnableScrollBar(attr::IsTrue(value), false);
    } else {
        CVerticalLayoutUI::SetAttribute(name, value);
    }
}

void CListUI::LayoutChildren(RECT rc) {
    // Rows keep their own height and stack from the top; what does not fit scrolls.
    int total = 0;
    int shown = 0;
    for (CControlUI* c : m_items) {
        if (c->IsVisible() && !c->IsFloat()) {
            RECT p = c->GetPadding();
            total += p.top + p.bottom + c->GetFixedHeight();
            ++shown;
        }
    }
    total += shown > 1 ? (shown - 1) * m_iChildPadding : 0;
    const int range = std::max(0, total - static_cast<int>(rc.bottom - rc.top));
    CScrollBarUI* bar = m_pVerticalScrollBar.get();
    bar->SetScrollRange(range);
    bar->SetVisible(m_bVerticalEnabled && range > 0);
    int barWidth = bar->IsVisible() ? attr::Scaled(6) : 0;
    bar->SetPos(RECT{rc.right - barWidth, rc.top, rc.right, rc.bottom}, false);
    int at = rc.top - bar->GetScrollPos();
    for (CControlUI* c : m_items) {
        if (!c->IsVisible() || c->IsFloat()) {
            continue;
        }
        RECT p = c->GetPadding();
        const int height = c->GetFixedHeight();
        at += p.top;
        c->SetPos(RECT{rc.left + p.left, at, rc.right - barWidth - p.right, at + height}, false);
        at += height + p.bottom + m_iChildPadding;
    }
}

void CListUI::MirrorPos(int width) {
    CVerticalLayoutUI::MirrorPos(width);
    m_pVerticalScrollBar->MirrorPos(width);
}

void CListUI::DoPaint(HDC hDC, const RECT& rcPaint) {
    CVerticalLayoutUI::DoPaint(hDC, rcPaint);
    if (m_pVerticalScrollBar->IsVisible()) {
        m_pVerticalScrollBar->DoPaint(hDC, rcPaint);
    }
}

}  // namespace DuiLib
