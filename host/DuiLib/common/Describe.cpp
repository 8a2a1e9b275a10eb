// Looking at windows on every platform: a window's description as JSON, and clicks as the
// mouse would give them.
#include "DuiLibStandIn.h"
#include "UIManager.h"

#include "Text.h"

#include <cstdio>
#include <functional>
#include <set>
#include <sstream>

namespace duistandin {

namespace {

std::string JsonStringOf(const std::wstring& text) {
    std::string out = "\"";
    for (char c : duilibtext::ToUtf8(text)) {
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
    DuiLib::CPaintManagerUI* manager = control ? control->GetManager() : nullptr;
    const HWND hwnd = manager ? manager->GetPaintWindow() : nullptr;
    if (!button || !IsWindow(hwnd)) {
        return false;
    }
    for (DuiLib::CControlUI* c = control; c; c = c->GetParent()) {
        if (!c->IsVisible() || !c->IsEnabled()) {
            return false;
        }
    }
    // The user presses what the screen shows: the window as it last painted itself.
    SendMessageW(hwnd, WM_PAINT, 0, 0);
    const RECT& rc = control->GetPos();
    const POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    POINT screen = at;
    ClientToScreen(hwnd, &screen);
    // A press on the window's caption or outside its client area is no click.
    if (SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)) != HTCLIENT) {
        return true;
    }
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    if (IsWindow(hwnd)) {
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }
    return true;
}

}  // namespace duistandin
