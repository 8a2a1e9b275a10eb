// The paint manager of a window: its controls by name, skin values and fonts, notifications and
// the mouse. Painting is the platform's.
#include "UIManager.h"

#include "Text.h"

#include <algorithm>

namespace DuiLib {
namespace {

std::wstring& ResourcePath() {
    static auto* path = new std::wstring;
    return *path;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() : m_alive(std::make_shared<bool>(true)) {}

CPaintManagerUI::~CPaintManagerUI() {
    *m_alive = false;
    CControlUI* root = m_pRoot;
    m_pRoot = nullptr;
    delete root;
    ReleaseSurface();
}

void CPaintManagerUI::SetResourcePath(const wchar_t* path) {
    ResourcePath() = path ? path : L"";
}

std::filesystem::path CPaintManagerUI::ResolveResource(const CDuiString& path) {
    std::wstring relative = path.str();
    std::replace(relative.begin(), relative.end(), L'\\', L'/');
    // Paths written from the host's install folder ("../../res/layout/...") name the same
    // files under the resource folder.
    size_t res = relative.rfind(L"res/");
    if (res != std::wstring::npos && (res == 0 || relative[res - 1] == L'/')) {
        relative = relative.substr(res + 4);
    }
    // Built from Unicode text, so that Windows opens the file by its wide name.
    const std::filesystem::path file = std::filesystem::u8path(duilibtext::ToUtf8(relative));
    if (file.is_absolute() || (!relative.empty() && relative[0] == L'/')) {
        return file;
    }
    std::wstring folder = ResourcePath();
    std::replace(folder.begin(), folder.end(), L'\\', L'/');
    return std::filesystem::u8path(duilibtext::ToUtf8(folder)) / file;
}

void CPaintManagerUI::Init(HWND hWnd) {
    m_hWnd = hWnd;
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    if (!root) {
        return false;
    }
    delete m_pRoot;
    m_pRoot = root;
    root->SetManager(this, nullptr, true);
    NeedUpdate();
    return true;
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* name) const {
    auto found = name ? m_names.find(name) : m_names.end();
    return found == m_names.end() ? nullptr : found->second;
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
    return m_pRoot ? m_pRoot->FindControlAt(pt) : nullptr;
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const wchar_t* name) const {
    CControlUI* found = nullptr;
    if (parent && name) {
        parent->ForEach([&](CControlUI* c) {
            if (!found && c->GetName() == CDuiString(name)) {
                found = c;
            }
        });
    }
    return found;
}

void CPaintManagerUI::NameControl(CControlUI* control) {
    if (!control->GetName().IsEmpty()) {
        m_names.emplace(control->GetName().str(), control);  // the first of a name wins
    }
}

void CPaintManagerUI::ForgetControl(CControlUI* control) {
    auto found = m_names.find(control->GetName().str());
    if (found != m_names.end() && found->second == control) {
        m_names.erase(found);
        // A later control of the same name takes its place.
        if (m_pRoot && m_pRoot != control) {
            m_pRoot->ForEach([&](CControlUI* c) {
                if (c != control && c->GetName() == control->GetName() &&
                    !m_names.count(c->GetName().str())) {
                    m_names.emplace(c->GetName().str(), c);
                }
            });
        }
    }
    if (m_pHover == control) {
        m_pHover = nullptr;
    }
    if (m_pPushed == control) {
        m_pPushed = nullptr;
    }
}

CDuiString CPaintManagerUI::GetUserValue(const wchar_t* key) const {
    auto found = key ? m_userValues.find(key) : m_userValues.end();
    return found == m_userValues.end() ? CDuiString() : CDuiString(found->second);
}

void CPaintManagerUI::SetUserValue(const wchar_t* key, const wchar_t* value) {
    if (key) {
        m_userValues[key] = value ? value : L"";
    }
}

void CPaintManagerUI::AddFont(int id, const TFontInfo& font) {
    m_fonts[id] = font;
}

TFontInfo CPaintManagerUI::GetFontInfo(int id) const {
    auto found = m_fonts.find(id);
    if (found == m_fonts.end()) {
        found = m_fonts.find(0);
    }
    if (found != m_fonts.end()) {
        return found->second;
    }
    TFontInfo font;
    font.size = CResourceManager::GetInstance()->Scale(12);
    return font;
}

SIZE CPaintManagerUI::GetClientSize() const {
    RECT rc{0, 0, 0, 0};
    if (m_hWnd && GetClientRect(m_hWnd, &rc)) {
        return SIZE{rc.right - rc.left, rc.bottom - rc.top};
    }
    return m_szInitWindowSize;
}

void CPaintManagerUI::SetInitSize(int cx, int cy) {
    m_szInitWindowSize = SIZE{cx, cy};
    NeedUpdate();
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
    if (!notifier || std::count(m_notifiers.begin(), m_notifiers.end(), notifier)) {
        return false;
    }
    m_notifiers.push_back(notifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
    auto found = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
    if (found == m_notifiers.end()) {
        return false;
    }
    m_notifiers.erase(found);
    return true;
}

void CPaintManagerUI::SendNotify(CControlUI* control, const wchar_t* type) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = control;
    // A notifier may remove itself (or close the window) while it runs.
    std::vector<INotifyUI*> notifiers = m_notifiers;
    std::weak_ptr<bool> alive = m_alive;
    for (INotifyUI* notifier : notifiers) {
        auto live = alive.lock();
        if (!live || !*live) {
            return;
        }
        if (std::count(m_notifiers.begin(), m_notifiers.end(), notifier)) {
            notifier->Notify(msg);
        }
    }
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM /*wParam*/, LPARAM lParam, LRESULT& lRes) {
    const POINT pt{static_cast<short>(lParam & 0xFFFF),
                   static_cast<short>((lParam >> 16) & 0xFFFF)};
    switch (uMsg) {
        case WM_PAINT:
            Paint();
            lRes = 0;
            return true;
        case WM_SIZE:
            NeedUpdate();
            return false;
        case WM_MOUSEMOVE: {
            CControlUI* hover = FindControl(pt);
            if (hover != m_pHover) {
                CControlUI* left = m_pHover;
                m_pHover = hover;
                if (left) {
                    if (auto* button = static_cast<CButtonUI*>(left->GetInterface(L"Button"))) {
                        button->SetHot(false);
                    }
                    SendNotify(left, L"mouseleave");
                }
                if (hover && m_pHover == hover) {
                    if (auto* button = static_cast<CButtonUI*>(hover->GetInterface(L"Button"))) {
                        button->SetHot(true);
                    }
                    SendNotify(hover, L"mouseenter");
                }
            }
            return false;
        }
        case WM_LBUTTONDOWN:
            m_pPushed = FindControl(pt);
            if (m_pPushed && m_pPushed->IsEnabled()) {
                SendNotify(m_pPushed, L"buttondown");
            }
            return false;
        case WM_LBUTTONUP: {
            CControlUI* pushed = m_pPushed;
            m_pPushed = nullptr;
            if (pushed && pushed == FindControl(pt)) {
                if (auto* button = static_cast<CButtonUI*>(pushed->GetInterface(L"Button"))) {
                    button->Activate();
                }
            }
            return false;
        }
        default:
            return false;
    }
}

void CPaintManagerUI::NeedUpdate() {
    m_bNeedLayout = true;
    Invalidate();
}

void CPaintManagerUI::LayoutNow() {
    SIZE size = GetClientSize();
    if (m_pRoot) {
        m_pRoot->SetPos(RECT{0, 0, size.cx, size.cy}, false);
        // Right to left: the whole window mirrored, so rows, icons, buttons and the order of
        // every line read from the right.
        if (UICulture::GetInstance()->getDirection() == 1) {
            m_pRoot->ForEach([&size](CControlUI* control) { control->MirrorPos(size.cx); });
        }
    }
    m_bNeedLayout = false;
}

void CPaintManagerUI::RescaleForDpi() {
    const int scale = CResourceManager::GetInstance()->GetScale();
    for (auto& [id, font] : m_fonts) {
        if (font.designSize > 0) {
            font.size = CResourceManager::GetInstance()->Scale(font.designSize);
        }
    }
    if (m_iCaptionScale > 0 && m_iCaptionScale != scale) {
        auto rescale = [&](LONG v) { return static_cast<LONG>(v * scale / m_iCaptionScale); };
        SetCaptionRect(RECT{rescale(m_rcCaption.left), rescale(m_rcCaption.top),
                            rescale(m_rcCaption.right), rescale(m_rcCaption.bottom)});
    }
    if (m_pRoot) {
        m_pRoot->ForEach([](CControlUI* control) { control->RescaleForDpi(); });
    }
    NeedUpdate();
}

}  // namespace DuiLib
