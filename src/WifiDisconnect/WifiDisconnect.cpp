#include "WifiDisconnect.h"

#include "UsageReport.h"

#include <SDK/Util/LogTool/LogTool.h>

#include <string>

using DuiLib::CDuiString;

namespace {

// Design pixels, scaled by the DPI scale and truncated.
constexpr int kTextWidth = 360;
constexpr int kWindowWidth = 400;
constexpr int kRightMargin = 416;      // from the screen's right edge to the window's left
constexpr int kBottomMargin = 98;      // from the screen's bottom edge, besides the text
constexpr int kHeightBesideText = 82;  // the window's height without its text

int Scaled(int designPixels, double scale) {
    return static_cast<int>(designPixels * scale);
}

double CurrentScale() {
    return DuiLib::CResourceManager::GetInstance()->GetScale() / 100.0;
}

}  // namespace

DUI_BEGIN_MESSAGE_MAP(WifiDisconnect, DuiLib::WindowImplBase)
DUI_ON_MSGTYPE(L"click", WifiDisconnect::OnClick)
DUI_END_MESSAGE_MAP()

WifiDisconnect::WifiDisconnect(tandem::MsgBoxEvent* event) : event(event) {}

WifiDisconnect::~WifiDisconnect() = default;

const wchar_t* WifiDisconnect::GetWindowClassName() const {
    return L"WifiDisconnect";
}

CDuiString WifiDisconnect::GetSkinFile() {
    return L"../../res/layout/disconnect.xml";
}

CDuiString WifiDisconnect::GetSkinFolder() {
    return L"res/";
}

void WifiDisconnect::SetEvent(tandem::MsgBoxEvent* newEvent) {
    event.release();
    event.reset(newEvent);
}

void WifiDisconnect::InitWindow() {
    tipPanel = m_pm.FindControl(L"wifi_tip");
    DuiLib::CControlUI* text = m_pm.FindControl(L"wifi_text");
    textLabel = text ? static_cast<DuiLib::CLabelUI*>(text->GetInterface(L"Label")) : nullptr;
    const double scale = CurrentScale();
    if (!textLabel) {
        return;
    }
    RECT rc{0, 0, Scaled(kTextWidth, scale), 9999};
    DuiLib::CRenderEngine::DrawText(
        nullptr, &m_pm, rc, DuiLib::UICulture::GetInstance()->GetString(L"IDS_HF_TIP_CATON"),
        textLabel->GetTextColor(), textLabel->GetFont(), textLabel->GetTextStyle() | DT_CALCRECT);
    textHeight = rc.bottom - rc.top;
    textLabel->SetFixedHeightEx(textHeight);
    if (tipPanel) {
        tipPanel->SetFixedHeightEx(textHeight);
        ShowDlg();
    }
}

void WifiDisconnect::GetTaskbarInfo(int& a, int& b, int& edge) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    RECT work{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        LOG_ERROR("SystemParametersInfo failed ");
        return;
    }
    const int workW = work.right - work.left;
    const int workH = work.bottom - work.top;
    if (work.left != 0) {
        a = screenW - workW;
        b = screenH;
        edge = 0;
    } else if (work.top != 0) {
        a = screenW;
        b = screenH - workH;
        edge = 1;
    } else if (screenW != workW) {
        a = screenW - workW;
        b = screenH;
        edge = 2;
    } else if (screenH != workH) {
        a = screenW;
        b = screenH - workH;
        edge = 3;
    } else {
        a = 0;
        b = 0;
        edge = 4;
    }
}

void WifiDisconnect::ShowDlg() {
    GetTaskbarInfo(taskbarA, taskbarB, taskbarEdge);
    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    const double scale = CurrentScale();
    RECT rect{};
    if (taskbarEdge == 1 || taskbarEdge == 3 || taskbarEdge == 4) {
        rect.left = screenW - Scaled(kRightMargin, scale);
        rect.top = screenH - Scaled(kBottomMargin, scale) - textHeight - taskbarB;
    } else {
        rect.left = screenW - Scaled(kRightMargin, scale) - taskbarA;
        rect.top = screenH - Scaled(kBottomMargin, scale) - textHeight;
    }
    rect.right = rect.left + Scaled(kWindowWidth, scale);
    rect.bottom = rect.top + Scaled(kHeightBesideText, scale) + textHeight;
    SetWindowPos(rect);
}

void WifiDisconnect::SetWindowPos(RECT rect) {
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_SHOWWINDOW);
}

void WifiDisconnect::OnClick(DuiLib::TNotifyUI& msg) {
    if (!msg.pSender) {
        return;
    }
    const std::wstring name = msg.pSender->GetName().str();
    if (name == L"cancel_disconnect_btn") {
        event.reset();
    } else if (name == L"restart_disconnect_btn") {
        LOG_WARN("restart wlan begin");
        if (event) {
            event->OnConfirm();
        }
        restartClicked = true;
        LOG_WARN("restart wlan end");
    }
    ActionDataReport();
    CloseWindow();
}

void WifiDisconnect::ActionDataReport() {
    Vela::Ux::ReportEvent(Vela::Ux::UsageEvent::WlanDisconnectClicked, restartClicked);
}

void WifiDisconnect::CloseWindow() {
    Close(1);
}

LRESULT WifiDisconnect::OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
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
