// The paint manager of a window (its controls, skin values, fonts, notifications, painting) and
// the builder that turns a skin file into controls.
//
// Skins are XML files under the resource folder:
//   <Window size="360,120" caption="0,0,0,32">
//     <Font id="0" name="DejaVu Sans" size="12" bold="false"/>
//     <UserValue name="maxitemcount" value="5"/>
//     <VerticalLayout bkcolor="#FFFFFFFF"> ... controls ... </VerticalLayout>
//   </Window>
// Element names are control class names without the "UI" suffix ("Label", "Button", "List",
// "ListContainerElement", "TabLayout", ...); other elements are left out.
#pragma once

#include "UIControl.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace DuiLib {

struct TFontInfo {
    std::wstring name = L"DejaVu Sans";
    int size = 12;  // device pixels
    bool bold = false;
    int designSize = 0;  // the skin's size in design pixels (0: not from a skin)
};

class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // True on the UI thread.
    static bool IsMainThread();
    // The folder skin paths are relative to; "../../res/layout/x.xml" style paths resolve into
    // it by their part after the last "res/".
    static void SetResourcePath(const wchar_t* path);
    // The file a skin or image path names, as a path of this platform.
    static std::filesystem::path ResolveResource(const CDuiString& path);

    void Init(HWND hWnd);
    HWND GetPaintWindow() const { return m_hWnd; }

    // Makes ROOT (owned) the window's control tree and attaches every control.
    bool AttachDialog(CControlUI* root);
    CControlUI* GetRoot() const { return m_pRoot; }
    CControlUI* FindControl(const wchar_t* name) const;
    CControlUI* FindControl(POINT pt) const;
    // The first control named NAME among PARENT and its descendants.
    CControlUI* FindSubControlByName(CControlUI* parent, const wchar_t* name) const;
    // Controls register their names as they are attached and unregister when they go.
    void NameControl(CControlUI* control);
    void ForgetControl(CControlUI* control);

    // Skin user values: the text stored under KEY, empty when absent.
    CDuiString GetUserValue(const wchar_t* key) const;
    void SetUserValue(const wchar_t* key, const wchar_t* value);

    void AddFont(int id, const TFontInfo& font);
    TFontInfo GetFontInfo(int id) const;
    void SetDefaultFontColor(DWORD color) { m_dwDefaultFontColor = color; }
    DWORD GetDefaultFontColor() const { return m_dwDefaultFontColor; }

    // Client size of the window (device pixels) and its caption and size box.
    SIZE GetClientSize() const;
    void SetInitSize(int cx, int cy);
    SIZE GetInitSize() const { return m_szInitWindowSize; }
    void SetCaptionRect(RECT rc) {
        m_rcCaption = rc;
        m_iCaptionScale = CResourceManager::GetInstance()->GetScale();
    }
    RECT GetCaptionRect() const { return m_rcCaption; }

    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    // Tells every notifier about TYPE from CONTROL.
    void SendNotify(CControlUI* control, const wchar_t* type);
    // The toolkit's own message handling: painting, size, mouse (hover, press, click).
    bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes);

    // Taskbar button state (0 none, 1 indeterminate, 2 normal, 3 error, 4 paused) and progress.
    void SetTaskbarState(int state) { m_iTaskbarState = state; }
    void SetTaskbarProgress(int progress) { m_iTaskbarProgress = progress; }
    int GetTaskbarState() const { return m_iTaskbarState; }
    int GetTaskbarProgress() const { return m_iTaskbarProgress; }

    // A repaint on the UI loop; requests before it runs share it.
    void Invalidate();
    // Lays the tree out again at the next paint.
    void NeedUpdate();
    // Lays out (when needed) and paints the whole tree into the window's surface now.
    void Paint();
    // The window moved to a monitor of another DPI scale (WM_DPICHANGED, after the toolkit's
    // scale changed): fonts, caption and every control's skin sizes are scaled again from their
    // design pixels, and the window is laid out anew.
    void RescaleForDpi();
    // Number of paints so far.
    int GetPaintCount() const { return m_iPaintCount; }
    // The window's picture (ARGB32, Linux only), valid until the next paint or resize.
    cairo_surface_t* GetSurface() const { return m_surface; }

private:
    void LayoutNow();
    void ReleaseSurface();
    HWND m_hWnd = nullptr;
    CControlUI* m_pRoot = nullptr;
    std::map<std::wstring, CControlUI*> m_names;
    std::map<std::wstring, std::wstring> m_userValues;
    std::map<int, TFontInfo> m_fonts;
    std::vector<INotifyUI*> m_notifiers;
    SIZE m_szInitWindowSize{0, 0};
    RECT m_rcCaption{0, 0, 0, 0};
    int m_iCaptionScale = 0;  // the scale m_rcCaption was given at
    DWORD m_dwDefaultFontColor = 0xFF000000;
    int m_iTaskbarState = 0;
    int m_iTaskbarProgress = 0;
    int m_iPaintCount = 0;
    bool m_bPaintPending = false;
    bool m_bNeedLayout = true;
    CControlUI* m_pHover = nullptr;
    CControlUI* m_pPushed = nullptr;
    cairo_surface_t* m_surface = nullptr;
    std::shared_ptr<bool> m_alive;
};

// Would create controls of classes the toolkit does not know; no window here has any.
class IDialogBuilderCallback;

class CDialogBuilder {
public:
    // Builds the controls of the skin file XML (a path under the resource folder) and attaches
    // them to MANAGER under PARENT. Window attributes, fonts and user values go to MANAGER.
    // Returns the root control (owned by the caller or by PARENT), or null.
    CControlUI* Create(const wchar_t* xml, const wchar_t* type = nullptr,
                       IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    // The same from skin text instead of a file.
    CControlUI* CreateFromText(const std::string& xmlText, IDialogBuilderCallback* callback,
                               CPaintManagerUI* manager, CControlUI* parent = nullptr);
};

}  // namespace DuiLib
