// The paint manager, the skin builder and the inspection hooks of the toolkit stand-in.
#include "DuiLibStandIn.h"
#include "UIMainQueue.h"
#include "UIManager.h"

#include <Win32StandIn.h>

#include <cairo.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

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
    if (m_surface) {
        cairo_surface_destroy(m_surface);
    }
}

void CPaintManagerUI::SetResourcePath(const wchar_t* path) {
    ResourcePath() = path ? path : L"";
}

std::string CPaintManagerUI::ResolveResource(const CDuiString& path) {
    std::wstring relative = path.str();
    std::replace(relative.begin(), relative.end(), L'\\', L'/');
    // Paths written from the host's install folder ("../../res/layout/...") name the same
    // files under the resource folder.
    size_t res = relative.rfind(L"res/");
    if (res != std::wstring::npos && (res == 0 || relative[res - 1] == L'/')) {
        relative = relative.substr(res + 4);
    }
    if (!relative.empty() && relative[0] == L'/') {
        return win32standin::ToUtf8(relative);
    }
    std::wstring folder = ResourcePath();
    if (!folder.empty() && folder.back() != L'/') {
        folder += L'/';
    }
    return win32standin::ToUtf8(folder + relative);
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

void CPaintManagerUI::Invalidate() {
    if (m_bPaintPending || !*m_alive) {
        return;
    }
    m_bPaintPending = true;
    std::weak_ptr<bool> alive = m_alive;
    UIMainQueue::getInstance()->dispatch([this, alive] {
        if (auto live = alive.lock(); live && *live && m_bPaintPending) {
            Paint();
        }
    });
}

void CPaintManagerUI::NeedUpdate() {
    m_bNeedLayout = true;
    Invalidate();
}

void CPaintManagerUI::LayoutNow() {
    SIZE size = GetClientSize();
    if (m_pRoot) {
        m_pRoot->SetPos(RECT{0, 0, size.cx, size.cy}, false);
    }
    m_bNeedLayout = false;
}

void CPaintManagerUI::Paint() {
    m_bPaintPending = false;
    SIZE size = GetClientSize();
    if (!m_surface || cairo_image_surface_get_width(m_surface) != size.cx ||
        cairo_image_surface_get_height(m_surface) != size.cy) {
        if (m_surface) {
            cairo_surface_destroy(m_surface);
        }
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(0, int(size.cx)),
                                               std::max(0, int(size.cy)));
        m_bNeedLayout = true;
    }
    if (m_bNeedLayout) {
        LayoutNow();
    }
    cairo_t* cr = cairo_create(m_surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    if (m_pRoot && m_pRoot->IsVisible()) {
        m_pRoot->DoPaint(win32standin::DeviceContextOf(cr), RECT{0, 0, size.cx, size.cy});
    }
    cairo_destroy(cr);
    cairo_surface_flush(m_surface);
    ++m_iPaintCount;
}

}  // namespace DuiLib

namespace DuiLib {

namespace {

class Builder {
public:
    explicit Builder(CPaintManagerUI* manager) : manager_(manager) {}

    CControlUI* Build(const pugi::xml_node& top, CControlUI* parent) {
        pugi::xml_node root = top;
        if (std::string(top.name()) == "Window") {
            ReadWindow(top);
            root = pugi::xml_node();
            for (pugi::xml_node child : top.children()) {
                if (!IsWindowSetting(child.name()) && child.type() == pugi::node_element) {
                    root = child;
                    break;
                }
            }
        }
        return root ? Create(root, parent) : nullptr;
    }

private:
    static bool IsWindowSetting(const std::string& name) {
        return name == "Font" || name == "UserValue";
    }

    void ReadWindow(const pugi::xml_node& window) {
        if (!manager_) {
            return;
        }
        auto scale = [](int v) { return CResourceManager::GetInstance()->Scale(v); };
        int cx = 0;
        int cy = 0;
        if (std::sscanf(window.attribute("size").value(), "%d,%d", &cx, &cy) == 2) {
            manager_->SetInitSize(scale(cx), scale(cy));
        }
        int l = 0, t = 0, r = 0, b = 0;
        if (std::sscanf(window.attribute("caption").value(), "%d,%d,%d,%d", &l, &t, &r, &b) == 4) {
            manager_->SetCaptionRect(RECT{scale(l), scale(t), scale(r), scale(b)});
        }
        if (window.attribute("defaultfontcolor")) {
            manager_->SetDefaultFontColor(Utils::GetColorFromString(
                win32standin::FromUtf8(window.attribute("defaultfontcolor").value()).c_str()));
        }
        for (pugi::xml_node font : window.children("Font")) {
            TFontInfo info;
            if (font.attribute("name")) {
                info.name = win32standin::FromUtf8(font.attribute("name").value());
            }
            info.size = scale(font.attribute("size").as_int(12));
            info.bold = font.attribute("bold").as_bool(false);
            manager_->AddFont(font.attribute("id").as_int(0), info);
        }
        for (pugi::xml_node value : window.children("UserValue")) {
            manager_->SetUserValue(
                win32standin::FromUtf8(value.attribute("name").value()).c_str(),
                win32standin::FromUtf8(value.attribute("value").value()).c_str());
        }
    }

    CControlUI* New(const std::string& name) {
        if (name == "Control")
            return new CControlUI;
        if (name == "Container")
            return new CContainerUI;
        if (name == "VerticalLayout")
            return new CVerticalLayoutUI;
        if (name == "HorizontalLayout")
            return new CHorizontalLayoutUI;
        if (name == "TabLayout")
            return new CTabLayoutUI;
        if (name == "Label")
            return new CLabelUI;
        if (name == "Text")
            return new CTextUI;
        if (name == "Button")
            return new CButtonUI;
        if (name == "List")
            return new CListUI;
        return nullptr;
    }

    CControlUI* Create(const pugi::xml_node& node, CControlUI* parent) {
        CControlUI* control = New(node.name());
        if (!control) {
            return nullptr;
        }
        for (pugi::xml_attribute attribute : node.attributes()) {
            control->SetAttribute(win32standin::FromUtf8(attribute.name()).c_str(),
                                  win32standin::FromUtf8(attribute.value()).c_str());
        }
        auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
        if (parent) {
            auto* into = static_cast<CContainerUI*>(parent->GetInterface(L"Container"));
            if (!into || !into->Add(control)) {
                delete control;
                return nullptr;
            }
        } else if (manager_) {
            control->SetManager(manager_, nullptr, true);
        }
        if (container) {
            for (pugi::xml_node child : node.children()) {
                if (child.type() == pugi::node_element) {
                    Create(child, container);
                }
            }
        }
        return control;
    }

    CPaintManagerUI* manager_;
};

}  // namespace

CControlUI* CDialogBuilder::Create(const wchar_t* xml, const wchar_t* /*type*/,
                                   IDialogBuilderCallback*, CPaintManagerUI* manager,
                                   CControlUI* parent) {
    if (!xml) {
        return nullptr;
    }
    pugi::xml_document document;
    if (!document.load_file(CPaintManagerUI::ResolveResource(xml).c_str())) {
        return nullptr;
    }
    return Builder(manager).Build(document.document_element(), parent);
}

CControlUI* CDialogBuilder::CreateFromText(const std::string& xmlText, IDialogBuilderCallback*,
                                           CPaintManagerUI* manager, CControlUI* parent) {
    pugi::xml_document document;
    if (!document.load_string(xmlText.c_str())) {
        return nullptr;
    }
    return Builder(manager).Build(document.document_element(), parent);
}

}  // namespace DuiLib

namespace duistandin {

bool SavePng(DuiLib::CPaintManagerUI* manager, const std::string& path) {
    if (!manager) {
        return false;
    }
    if (!manager->GetSurface() || manager->GetPaintCount() == 0) {
        manager->Paint();
    }
    return cairo_surface_write_to_png(manager->GetSurface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

namespace {

std::string JsonStringOf(const std::wstring& text) {
    std::string out = "\"";
    for (char c : win32standin::ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// "name":{"text":…,"tooltip":…,"visible":…,"enabled":…,"color":…} for every named control
// under TOP, the first of a name only, not looking into list rows (LISTS collects the lists).
void DescribeControls(DuiLib::CControlUI* top, std::ostringstream& out,
                      std::vector<DuiLib::CListUI*>* lists) {
    using DuiLib::CControlUI;
    std::set<std::wstring> named;
    std::function<void(CControlUI*)> walk = [&](CControlUI* c) {
        if (c != top && c->GetInterface(L"ListContainerElement")) {
            return;
        }
        auto* list = static_cast<DuiLib::CListUI*>(c->GetInterface(L"List"));
        if (list && lists) {
            lists->push_back(list);
        }
        const std::wstring name = c->GetName().str();
        if (!name.empty() && named.insert(name).second) {
            char color[16];
            std::snprintf(color, sizeof color, "#%08X", static_cast<unsigned>(c->GetTextColor()));
            out << (named.size() > 1 ? "," : "") << JsonStringOf(name)
                << ":{\"text\":" << JsonStringOf(c->GetText().str())
                << ",\"tooltip\":" << JsonStringOf(c->GetToolTip().str())
                << ",\"visible\":" << (c->IsVisible() ? "true" : "false")
                << ",\"enabled\":" << (c->IsEnabled() ? "true" : "false") << ",\"color\":\""
                << color << "\"";
            if (list) {
                auto* bar = list->GetVerticalScrollBar();
                out << ",\"scrollbar\":{\"visible\":"
                    << (bar && bar->IsVisible() ? "true" : "false")
                    << ",\"range\":" << (bar ? bar->GetScrollRange() : 0)
                    << ",\"pos\":" << (bar ? bar->GetScrollPos() : 0) << "}";
            }
            out << "}";
        }
        if (list) {
            return;
        }
        if (auto* container = static_cast<DuiLib::CContainerUI*>(c->GetInterface(L"Container"))) {
            for (int i = 0; i < container->GetCount(); ++i) {
                walk(container->GetItemAt(i));
            }
        }
    };
    walk(top);
}

}  // namespace

std::string DescribeJson(DuiLib::CPaintManagerUI* manager) {
    std::ostringstream out;
    if (!manager) {
        return "null";
    }
    HWND hwnd = manager->GetPaintWindow();
    RECT rc{0, 0, manager->GetClientSize().cx, manager->GetClientSize().cy};
    wchar_t className[256] = L"";
    if (hwnd) {
        GetWindowRect(hwnd, &rc);
        GetClassNameW(hwnd, className, 256);
    }
    out << "{\"window\":" << JsonStringOf(className)
        << ",\"visible\":" << (hwnd && IsWindowVisible(hwnd) ? "true" : "false") << ",\"rect\":["
        << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom << "]"
        << ",\"taskbar\":{\"state\":" << manager->GetTaskbarState()
        << ",\"progress\":" << manager->GetTaskbarProgress() << "},\"controls\":{";
    std::vector<DuiLib::CListUI*> lists;
    if (manager->GetRoot()) {
        DescribeControls(manager->GetRoot(), out, &lists);
    }
    out << "},\"rows\":[";
    bool first = true;
    for (DuiLib::CListUI* list : lists) {
        for (int i = 0; i < list->GetCount(); ++i) {
            DuiLib::CControlUI* row = list->GetItemAt(i);
            std::ostringstream controls;
            DescribeControls(row, controls, nullptr);
            out << (first ? "" : ",") << "{\"id\":" << row->GetTag()
                << (controls.str().empty() ? "" : ",") << controls.str() << "}";
            first = false;
        }
    }
    out << "]}";
    return out.str();
}

bool Click(DuiLib::CControlUI* control) {
    auto* button =
        control ? static_cast<DuiLib::CButtonUI*>(control->GetInterface(L"Button")) : nullptr;
    if (!button || !control->GetManager()) {
        return false;
    }
    control->GetManager()->SendNotify(control, L"buttondown");
    return button->Activate();
}

}  // namespace duistandin
