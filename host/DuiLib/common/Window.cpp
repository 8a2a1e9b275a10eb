// Windows of the toolkit stand-in over the user32 stand-in's window table.
#include "UIMainQueue.h"
#include "DuiLibStandIn.h"
#include "UIWindow.h"

#include <algorithm>
#include <cmath>

namespace DuiLib {

// CWindowWnd

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x, int y,
                        int cx, int cy, HMENU menu) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = &CWindowWnd::WndProc;
    cls.lpszClassName = GetWindowClassName();
    // Every window of a class registers it; only the first registration is new.
    if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return nullptr;
    }
    return ::CreateWindowExW(exStyle, GetWindowClassName(), name, style, x, y, cx, cy, parent, menu,
                             nullptr, this);
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    ::ShowWindow(m_hWnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::Close(UINT result) {
    if (::IsWindow(m_hWnd)) {
        ::PostMessageW(m_hWnd, WM_CLOSE, result, 0);
    }
}

void CWindowWnd::CenterWindow() {
    RECT rc{};
    RECT work{};
    if (!::GetWindowRect(m_hWnd, &rc) || !::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        return;
    }
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    ::SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - w) / 2,
                   work.top + (work.bottom - work.top - h) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT res) {
    HICON icon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(res));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

LRESULT CALLBACK CWindowWnd::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWindowWnd* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<LPCREATESTRUCTW>(lParam);
        self = static_cast<CWindowWnd*>(create->lpCreateParams);
        self->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (msg == WM_NCDESTROY && self) {
            LRESULT result = ::DefWindowProcW(hWnd, msg, wParam, lParam);
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
            self->m_hWnd = nullptr;
            self->OnFinalMessage(hWnd);  // may delete the object
            return result;
        }
    }
    return self ? self->HandleMessage(msg, wParam, lParam)
                : ::DefWindowProcW(hWnd, msg, wParam, lParam);
}

// WindowImplBase

class WindowImplBase::ResizeAnimation : public IAnimationCallback {
public:
    ResizeAnimation(WindowImplBase* window, RECT from, int width, int height)
        : window_(window), from_(from), width_(width), height_(height) {
        animation_.SetCallback(this);
        animation_.SetDuration(kResizeAnimationMs);
        animation_.SetStartValue(0.0);
        animation_.SetEndValue(1.0);
        animation_.Start();
    }
    void OnAnimationValue(VariantAnimation*, const Variant& value) override {
        const double t = value.ToDouble();
        const int w = static_cast<int>(
            std::lround(from_.right - from_.left + (width_ - (from_.right - from_.left)) * t));
        const int h = static_cast<int>(
            std::lround(from_.bottom - from_.top + (height_ - (from_.bottom - from_.top)) * t));
        ::SetWindowPos(window_->GetHWND(), nullptr, from_.left, from_.bottom - h, w, h,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void OnAnimationEnd(VariantAnimation*) override { window_->EndResize(); }

private:
    WindowImplBase* window_;
    RECT from_;
    int width_;
    int height_;
    VariantAnimation animation_;
};

const DUI_MSGMAP WindowImplBase::messageMap_ = {nullptr, &WindowImplBase::messageEntries_[0]};
const DUI_MSGMAP_ENTRY WindowImplBase::messageEntries_[] = {
    {L"click", &WindowImplBase::OnClick},
    {nullptr, nullptr},
};

WindowImplBase::WindowImplBase() = default;
WindowImplBase::~WindowImplBase() = default;

const DUI_MSGMAP* WindowImplBase::GetMessageMap() const {
    return &messageMap_;
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    for (const DUI_MSGMAP* map = GetMessageMap(); map; map = map->base) {
        for (const DUI_MSGMAP_ENTRY* entry = map->entries; entry->type; ++entry) {
            if (msg.sType == entry->type) {
                (this->*(entry->handler))(msg);
                return;
            }
        }
    }
}

void WindowImplBase::Resize(int width, int height, int policy) {
    RECT rc{};
    if (!::GetWindowRect(m_hWnd, &rc)) {
        return;
    }
    m_resize.reset();
    if (policy != 4) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    m_resize = std::make_unique<ResizeAnimation>(this, rc, width, height);
}

void WindowImplBase::EndResize() {
    // The animation is destroyed on the loop, after the callback that ended it returned.
    auto* ended = m_resize.release();
    UIMainQueue::getInstance()->dispatch([ended] { delete ended; });
    OnResizeAnimationEnd();
}

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    BOOL handled = TRUE;
    switch (msg) {
        case WM_CREATE:
            result = OnCreate(msg, wParam, lParam, handled);
            break;
        case WM_CLOSE:
            result = OnClose(msg, wParam, lParam, handled);
            break;
        case WM_DESTROY:
            m_resize.reset();
            handled = FALSE;
            break;
        case WM_NCHITTEST:
            result = OnNcHitTest(msg, wParam, lParam, handled);
            break;
        case WM_DPICHANGED:
            m_pm.RescaleForDpi();
            break;
        case WM_SIZE:
            m_pm.NeedUpdate();
            OnResize(SIZE{LOWORD(lParam), HIWORD(lParam)});
            handled = FALSE;
            break;
        case WM_SYSCOMMAND:
            return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
        default:
            handled = FALSE;
            break;
    }
    if (handled || m_pm.MessageHandler(msg, wParam, lParam, result)) {
        return result;
    }
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, BOOL& handled) {
    m_pm.Init(m_hWnd);
    CDialogBuilder builder;
    CDuiString skin = GetSkinFolder().str() + GetSkinFile().str();
    CControlUI* root = builder.Create(skin, nullptr, nullptr, &m_pm);
    if (!root) {
        handled = TRUE;
        return -1;
    }
    m_pm.AttachDialog(root);
    m_pm.AddNotifier(this);
    SIZE size = m_pm.GetInitSize();
    if (size.cx > 0 && size.cy > 0) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InitWindow();
    handled = TRUE;
    return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = FALSE;  // the default destroys the window
    return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(m_hWnd, &pt);
    RECT caption = m_pm.GetCaptionRect();
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    handled = TRUE;
    const bool inCaption = pt.x >= client.left + caption.left &&
                           pt.x < client.right - caption.right && pt.y >= caption.top &&
                           pt.y < caption.bottom;
    if (inCaption) {
        CControlUI* control = m_pm.FindControl(pt);
        if (!control || !control->GetInterface(L"Button")) {
            return HTCAPTION;
        }
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnNcPreHitTest(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = FALSE;
    return 0;
}

void WindowImplBase::OnFinalMessage(HWND) {
    m_pm.RemoveNotifier(this);
}

}  // namespace DuiLib

namespace duistandin {

DuiLib::CPaintManagerUI* PaintManagerOf(HWND hwnd) {
    auto* window = reinterpret_cast<DuiLib::CWindowWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    auto* skinned = dynamic_cast<DuiLib::WindowImplBase*>(window);
    return skinned ? skinned->GetPaintManager() : nullptr;
}

}  // namespace duistandin
