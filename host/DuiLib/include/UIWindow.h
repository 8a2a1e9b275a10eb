// Windows of the UI toolkit: the window wrapper over a user32 window and the skinned window
// base that builds its controls from a skin file.
#pragma once

#include "UIAnimation.h"
#include "UIManager.h"

#include <memory>

namespace DuiLib {

class CWindowWnd {
public:
    CWindowWnd() = default;
    virtual ~CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return m_hWnd; }

    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
                HMENU menu = nullptr);
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Posts WM_CLOSE with RESULT: OnClose, then the window is destroyed, then OnFinalMessage.
    void Close(UINT result = 1);
    void CenterWindow();
    // The icon of resource RES as the window's icon.
    void SetIcon(UINT res);
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND hWnd);
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
};

class WindowImplBase;
typedef void (WindowImplBase::*DUI_PMSG)(TNotifyUI& msg);

// The notification map: entries of (type, handler), searched from the most derived class's map
// to its bases.
struct DUI_MSGMAP_ENTRY {
    const wchar_t* type;
    DUI_PMSG handler;
};
struct DUI_MSGMAP {
    const DUI_MSGMAP* base;
    const DUI_MSGMAP_ENTRY* entries;  // ends with a null type
};

#define DUI_DECLARE_MESSAGE_MAP()                             \
private:                                                      \
    static const DuiLib::DUI_MSGMAP_ENTRY messageEntries_[];  \
                                                              \
protected:                                                    \
    static const DuiLib::DUI_MSGMAP messageMap_;              \
    const DuiLib::DUI_MSGMAP* GetMessageMap() const override; \
                                                              \
private:
#define DUI_BEGIN_MESSAGE_MAP(theClass, baseClass)                                    \
    const DuiLib::DUI_MSGMAP* theClass::GetMessageMap() const {                       \
        return &theClass::messageMap_;                                                \
    }                                                                                 \
    const DuiLib::DUI_MSGMAP theClass::messageMap_ = {&baseClass::messageMap_,        \
                                                      &theClass::messageEntries_[0]}; \
    const DuiLib::DUI_MSGMAP_ENTRY theClass::messageEntries_[] = {
#define DUI_ON_MSGTYPE(type, handler) {type, static_cast<DuiLib::DUI_PMSG>(&handler)},
#define DUI_END_MESSAGE_MAP() \
    { nullptr, nullptr }      \
    }                         \
    ;

// The window shadow that the toolkit draws around a window: only whether it is shown.
class CShadowUI {
public:
    void ShowShadow(bool show) { m_bShow = show; }
    bool IsShowShadow() const { return m_bShow; }
    void SetSize(int) {}
    void SetDarkness(int) {}

private:
    bool m_bShow = false;
};

class WindowImplBase : public CWindowWnd, public INotifyUI {
public:
    WindowImplBase();
    ~WindowImplBase() override;

    CPaintManagerUI* GetPaintManager() { return &m_pm; }
    CShadowUI* GetShadow() { return &m_shadow; }

    virtual void InitWindow() {}
    void Notify(TNotifyUI& msg) override;
    virtual void OnClick(TNotifyUI& msg) { (void)msg; }

    // Changes the window's size: POLICY 0 at once; 4 animated over kResizeAnimationMs of clock
    // time, keeping the bottom edge where it is (a window above the taskbar grows upwards),
    // then OnResizeAnimationEnd. Any other policy behaves as 0.
    static constexpr int kResizeAnimationMs = 200;
    void Resize(int width, int height, int policy);

protected:
    virtual CDuiString GetSkinFolder() { return CDuiString(); }
    virtual CDuiString GetSkinFile() = 0;
    virtual const DUI_MSGMAP* GetMessageMap() const;
    static const DUI_MSGMAP messageMap_;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND hWnd) override;
    virtual LRESULT OnCreate(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT OnClose(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    virtual LRESULT OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // The frame's part of a hit test, for windows that answer WM_NCHITTEST themselves: nonzero
    // for a point on a sizing border. The stand-in's windows have no frame, so it answers 0.
    virtual LRESULT OnNcPreHitTest(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // The client area changed size (device pixels).
    virtual void OnResize(SIZE size) { (void)size; }
    virtual void OnResizeAnimationEnd() {}
    virtual void OnMoveAnimationEnd() {}

    CPaintManagerUI m_pm;

private:
    class ResizeAnimation;
    static const DUI_MSGMAP_ENTRY messageEntries_[];
    CShadowUI m_shadow;
    void EndResize();
    std::unique_ptr<ResizeAnimation> m_resize;
};

}  // namespace DuiLib
