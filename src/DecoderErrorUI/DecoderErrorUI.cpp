#include "DecoderErrorUI.h"

#include "IPCMessageIds.h"

#include <SDK/Util/LogTool/LogTool.h>

#include <string>

using DuiLib::CDuiString;

namespace {

// Design pixels, scaled by the DPI scale and truncated.
constexpr int kTextWidth = 300;
constexpr int kTextHeightInLayout = 96;  // a text up to this high fits the layout as it is
constexpr int kTopLayoutHeightBase = 400;
constexpr int kWindowWidth = 400;
constexpr int kWindowHeightBase = 160;
constexpr int kCornerMargin = 10;

double CurrentScale() {
    return DuiLib::CResourceManager::GetInstance()->GetScale() / 100.0;
}

const wchar_t* ButtonTextId(uint32_t mode) {
    return mode == DecoderErrorUI::kModeFix ? L"IDS_MIRRO_AUDIO_BTN_FIX"
                                            : L"IDS_DRVUP_CONFIRM_RESTART_TIPS";
}

const wchar_t* ContentTextId(uint32_t mode) {
    return mode == DecoderErrorUI::kModeFix ? L"IDS_MIRRO_AUDIO_ERROR_ID1"
                                            : L"IDS_MIRRO_AUDIO_ERROR_ID2";
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(DecoderErrorUI, DuiLib::WindowImplBase)
DUI_ON_MSGTYPE(L"click", DecoderErrorUI::OnClick)
DUI_END_MESSAGE_MAP()

DecoderErrorUI::~DecoderErrorUI() = default;

const wchar_t* DecoderErrorUI::GetWindowClassName() const {
    return L"DecoderErrorUI";
}

CDuiString DecoderErrorUI::GetSkinFile() {
    return L"../../res/layout/handoff/decodererrorui.xml";
}

CDuiString DecoderErrorUI::GetSkinFolder() {
    return L"res/";
}

void DecoderErrorUI::InitWindow() {
    DuiLib::UICulture* culture = DuiLib::UICulture::GetInstance();
    if (DuiLib::CControlUI* ok = m_pm.FindControl(L"ok_btn")) {
        ok->SetText(culture->GetString(ButtonTextId(mode)));
    }
    DuiLib::CControlUI* layoutTop = m_pm.FindControl(L"layoutTop");
    DuiLib::CControlUI* content = m_pm.FindControl(L"txtContent");
    const double scale = CurrentScale();
    if (!content) {
        return;
    }
    const CDuiString text = culture->GetString(ContentTextId(mode));
    RECT rc{0, 0, static_cast<int>(kTextWidth * scale), 9999};
    DuiLib::CRenderEngine::DrawText(nullptr, &m_pm, rc, text, content->GetTextColor(),
                                    content->GetFont(), DT_CALCRECT);
    content->SetText(text);
    const int h = rc.bottom - rc.top;
    const int base = static_cast<int>(kTextHeightInLayout * scale);
    if (h <= base) {
        return;
    }
    const int extra = static_cast<int>((h - base) / scale);
    if (layoutTop) {
        layoutTop->SetFixedHeight(extra + kTopLayoutHeightBase);
    }
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, static_cast<int>(kWindowWidth * scale),
                   static_cast<int>((extra + kWindowHeightBase) * scale), SWP_SHOWWINDOW);
}

void DecoderErrorUI::OnClick(DuiLib::TNotifyUI& msg) {
    if (!msg.pSender) {
        return;
    }
    const std::wstring name = msg.pSender->GetName().str();
    if (name == L"cancel_btn") {
        LOG_WARN("cancel btn");
    } else if (name == L"ok_btn") {
        LOG_WARN("ok btn");
        if (mode == kModeFix) {
            OpenNow();
        } else if (mode == kModeRestart) {
            RestartNow();
        }
    }
    Close(1);
}

void DecoderErrorUI::OpenNow() {
    // The host reads the text as UTF-16 little-endian, terminator included.
    const std::u16string command = u"para /doctor";
    std::string payload;
    for (size_t i = 0; i <= command.size(); ++i) {
        const char16_t unit = i < command.size() ? command[i] : u'\0';
        payload.push_back(static_cast<char>(unit & 0xFF));
        payload.push_back(static_cast<char>(unit >> 8));
    }
    if (!ipcClient) {
        LOG_WARN("ipc null ");
        return;
    }
    TagIPCMessageItem item;
    item.destination = kEndpointHostNotice;
    item.messageId = kMsgHostDoctor;
    item.data = payload.data();
    item.dataLength = payload.size();
    if (!ipcClient->PostIPCMessage(item)) {
        LOG_ERROR("RestartMsg msg send failed");
    }
}

void DecoderErrorUI::RestartNow() {
    LOG_WARN("RestartNow ");
    if (!ipcClient) {
        LOG_WARN("ipc null ");
        return;
    }
    TagIPCMessageItem item;
    item.destination = kEndpointHostRestart;
    item.messageId = kMsgHostRestart;
    if (!ipcClient->PostIPCMessage(item)) {
        LOG_ERROR("RestartMsg msg send failed");
    }
}

void DecoderErrorUI::MoveToCorner() {
    const double scale = CurrentScale();
    RECT window{};
    if (!::GetWindowRect(m_hWnd, &window)) {
        return;
    }
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY);
    if (!::GetMonitorInfoW(monitor, &info)) {
        return;
    }
    const RECT& work = info.rcWork;
    const int margin = static_cast<int>(kCornerMargin * scale);
    const int left = work.left + (work.right - work.left) - w - margin;
    const int top = work.top + (work.bottom - work.top) - h - margin;
    SetWindowPos(RECT{left, top, left + w, top + h});
}

void DecoderErrorUI::SetWindowPos(RECT rect) {
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_SHOWWINDOW);
}

LRESULT DecoderErrorUI::OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    const LRESULT frame = OnNcPreHitTest(msg, wParam, lParam, handled);
    if (frame != 0) {
        return frame;
    }
    handled = TRUE;
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(m_hWnd, &pt);
    DuiLib::CControlUI* control = m_pm.FindControl(pt);
    return control && control->GetNcHit() ? HTCAPTION : HTCLIENT;
}
