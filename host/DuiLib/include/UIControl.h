// Controls of the UI toolkit: the control base, containers and layouts, labels, texts and
// buttons, the list with its scroll bar, and the tab layout.
//
// Sizes set through the plain setters and in skins are design pixels, scaled by the current DPI
// scale (CResourceManager); the "Ex" setters and rectangles are device pixels.
#pragma once

#include "UIBase.h"

#include <functional>
#include <memory>
#include <vector>

namespace DuiLib {

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual CDuiString GetClass() const { return L"ControlUI"; }
    // This control as the class named NAME ("Control", "Container", "Label", ...), or null.
    virtual void* GetInterface(const wchar_t* name);

    CPaintManagerUI* GetManager() const { return m_pManager; }
    // Attaches the control (and its children) to MANAGER under PARENT; named controls are then
    // found by CPaintManagerUI::FindControl.
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    CControlUI* GetParent() const { return m_pParent; }
    // Runs once a control is attached to a paint manager under a parent (each time it is).
    virtual void DoInit() {}

    CDuiString GetName() const { return m_sName; }
    void SetName(const wchar_t* name);
    virtual CDuiString GetText() const { return m_sText; }
    virtual void SetText(const wchar_t* text);
    CDuiString GetToolTip() const { return m_sToolTip; }
    void SetToolTip(const wchar_t* text) { m_sToolTip = text; }
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD color);
    void SetBkColor(DWORD color);
    CDuiString GetBkImage() const { return m_sBkImage; }
    void SetBkImage(const wchar_t* image);
    int GetFont() const { return m_iFont; }
    UINT GetTextStyle() const { return m_uTextStyle; }

    const RECT& GetPos() const { return m_rcItem; }
    virtual void SetPos(RECT rc, bool needInvalidate = true);
    int GetWidth() const { return m_rcItem.right - m_rcItem.left; }
    int GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
    RECT GetPadding() const { return m_rcPadding; }
    int GetFixedWidth() const { return m_cxyFixed.cx; }
    // The width a row of controls gives this one: the fixed width, widened for an
    // "autocalcwidth" control to its text on one line and its text padding.
    int GetLayoutWidth() const;
    int GetFixedHeight() const { return m_cxyFixed.cy; }
    void SetFixedHeight(int designPixels);
    void SetFixedWidthEx(int pixels);
    void SetFixedHeightEx(int pixels);
    bool IsFloat() const { return m_bFloat; }
    // Position of a floating control inside its parent (device pixels).
    RECT GetFloatPos() const { return m_rcFloat; }

    virtual bool IsVisible() const { return m_bVisible; }
    virtual void SetVisible(bool visible = true);
    bool IsEnabled() const { return m_bEnabled; }
    virtual void SetEnabled(bool enabled = true);
    bool IsMouseEnabled() const { return m_bMouseEnabled; }
    void SetMouseEnabled(bool enabled = true) { m_bMouseEnabled = enabled; }
    // A caption area of the window: windows that ask answer a hit on it as the title bar, so a
    // press there drags the window.
    bool GetNcHit() const { return m_bNcHit; }
    UINT_PTR GetTag() const { return m_pTag; }
    void SetTag(UINT_PTR tag) { m_pTag = tag; }

    // Asks the manager to repaint (later, on the UI loop).
    void Invalidate();
    // Asks the manager to lay the window out again (and repaint).
    void NeedUpdate();

    // Skin attributes: name, text, tooltip, width, height, padding, textpadding, bkcolor,
    // textcolor, disabledtextcolor, bordercolor, bordersize, bkimage, font, align, endellipsis,
    // visible, mouse, float, pos, nchit, autocalcwidth.
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value);

    // The control under PT (device pixels) among this one and its children, or null.
    virtual CControlUI* FindControlAt(POINT pt);
    // Visits this control and its children.
    virtual void ForEach(const std::function<void(CControlUI*)>& visit);

    virtual void DoPaint(HDC hDC, const RECT& rcPaint);
    virtual void PaintStatusImage(HDC hDC) { (void)hDC; }
    // Right-to-left windows: once laid out, every control is mirrored about the vertical centre
    // line of the window's client area, WIDTH wide.
    virtual void MirrorPos(int width);
    // A new DPI scale: the skin's sizes of this control (width, height, paddings, insets,
    // border, float position) are scaled again from their design pixels.
    void RescaleForDpi();

protected:
    // Remembers a skin size attribute in design pixels, for RescaleForDpi.
    void KeepDesignValue(const wchar_t* name, const wchar_t* value);
    std::vector<std::pair<std::wstring, std::wstring>> m_designValues;

    void PaintBkColor(HDC hDC);
    void PaintBkImage(HDC hDC);
    void PaintText(HDC hDC);
    void PaintBorder(HDC hDC);

    CPaintManagerUI* m_pManager = nullptr;
    CControlUI* m_pParent = nullptr;
    CDuiString m_sName;
    CDuiString m_sText;
    CDuiString m_sToolTip;
    CDuiString m_sBkImage;
    RECT m_rcItem{0, 0, 0, 0};
    RECT m_rcPadding{0, 0, 0, 0};
    RECT m_rcTextPadding{0, 0, 0, 0};
    RECT m_rcFloat{0, 0, 0, 0};
    SIZE m_cxyFixed{0, 0};
    bool m_bAutoCalcWidth = false;
    DWORD m_dwBkColor = 0;
    DWORD m_dwTextColor = 0;
    DWORD m_dwDisabledTextColor = 0;
    DWORD m_dwBorderColor = 0;
    int m_nBorderSize = 0;
    int m_iFont = -1;
    UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
    bool m_bVisible = true;
    bool m_bEnabled = true;
    bool m_bMouseEnabled = true;
    bool m_bFloat = false;
    bool m_bNcHit = false;
    UINT_PTR m_pTag = 0;
};

class CContainerUI : public CControlUI {
public:
    ~CContainerUI() override;
    CDuiString GetClass() const override { return L"ContainerUI"; }
    void* GetInterface(const wchar_t* name) override;

    // The container owns its children: Remove deletes the child unless DO_NOT_DESTROY.
    virtual bool Add(CControlUI* control);
    virtual bool Remove(CControlUI* control, bool doNotDestroy = false);
    virtual void RemoveAll();
    CControlUI* GetItemAt(int index) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    // Also: inset, childpadding.
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    CControlUI* FindControlAt(POINT pt) override;
    void ForEach(const std::function<void(CControlUI*)>& visit) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

protected:
    // Lays the children out in RC (the rectangle inside the inset); the container stacks them
    // all on the whole rectangle, layouts override it.
    virtual void LayoutChildren(RECT rc);
    std::vector<CControlUI*> m_items;
    RECT m_rcInset{0, 0, 0, 0};
    int m_iChildPadding = 0;
};

class CVerticalLayoutUI : public CContainerUI {
public:
    CDuiString GetClass() const override { return L"VerticalLayoutUI"; }

protected:
    void LayoutChildren(RECT rc) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    CDuiString GetClass() const override { return L"HorizontalLayoutUI"; }

protected:
    void LayoutChildren(RECT rc) override;
};

// Shows one child at a time.
class CTabLayoutUI : public CContainerUI {
public:
    CDuiString GetClass() const override { return L"TabLayoutUI"; }
    void* GetInterface(const wchar_t* name) override;
    bool Add(CControlUI* control) override;
    bool SelectItem(int index);
    int GetCurSel() const { return m_iCurSel; }

private:
    int m_iCurSel = 0;
};

class CLabelUI : public CControlUI {
public:
    CDuiString GetClass() const override { return L"LabelUI"; }
    void* GetInterface(const wchar_t* name) override;
};

// A label whose text breaks into lines.
class CTextUI : public CLabelUI {
public:
    CTextUI();
    CDuiString GetClass() const override { return L"TextUI"; }
    void* GetInterface(const wchar_t* name) override;
};

class CButtonUI : public CLabelUI {
public:
    CDuiString GetClass() const override { return L"ButtonUI"; }
    void* GetInterface(const wchar_t* name) override;
    // Sends "click" to the window's notifiers, as a press and release of the mouse does.
    virtual bool Activate();
    // Also: normalimage, hotimage.
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintStatusImage(HDC hDC) override;
    void SetHot(bool hot) { m_bHot = hot; }

private:
    CDuiString m_sNormalImage;
    CDuiString m_sHotImage;
    bool m_bHot = false;
};

class CScrollBarUI : public CControlUI {
public:
    CDuiString GetClass() const override { return L"ScrollBarUI"; }
    int GetScrollRange() const { return m_nRange; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_nScrollPos; }
    void SetScrollPos(int pos);
    void DoPaint(HDC hDC, const RECT& rcPaint) override;

private:
    int m_nRange = 100;
    int m_nScrollPos = 0;
};

// A row of a list: a container that the list lays out one below the other.
class CListContainerElementUI : public CContainerUI {
public:
    CDuiString GetClass() const override { return L"ListContainerElementUI"; }
    void* GetInterface(const wchar_t* name) override;
};

// A vertical list of rows of fixed height with a vertical scroll bar. The bar shows when it is
// enabled and the rows are taller than the list; its range is the height that does not fit.
class CListUI : public CVerticalLayoutUI {
public:
    CListUI();
    ~CListUI() override;
    CDuiString GetClass() const override { return L"ListUI"; }
    void* GetInterface(const wchar_t* name) override;
    void EnableScrollBar(bool enableVertical = true, bool enableHorizontal = false);
    CScrollBarUI* GetVerticalScrollBar() const;
    void SetScrollPos(SIZE pos);
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    // Also: vscrollbar.
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void DoPaint(HDC hDC, const RECT& rcPaint) override;
    void MirrorPos(int width) override;

protected:
    void LayoutChildren(RECT rc) override;

private:
    std::unique_ptr<CScrollBarUI> m_pVerticalScrollBar;
    bool m_bVerticalEnabled = false;
};

}  // namespace DuiLib
