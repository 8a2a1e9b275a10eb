#include "BeamlyTipWnd.h"

#include <SDK/Util/LogTool/LogTool.h>
#include <SmBiosHelper.h>

namespace Vela::Ux {

namespace {

constexpr const wchar_t* kFirstBrandName = L"Velmora Share";
constexpr const wchar_t* kSecondBrandName = L"LUMEN Glide";

}  // namespace

BeamlyTipWnd::BeamlyTipWnd(std::wstring text) : tipText(std::move(text)) {}

BeamlyTipWnd::~BeamlyTipWnd() = default;

const wchar_t* BeamlyTipWnd::GetWindowClassName() const {
    return L"BeamlyTip";
}

DuiLib::CDuiString BeamlyTipWnd::GetSkinFile() {
    return L"../../res/layout/swiftsend/BeamlyTipWnd.xml";
}

void BeamlyTipWnd::InitWindow() {
    DuiLib::CControlUI* found = m_pm.FindControl(L"txtTandemTips");
    auto* text = found ? static_cast<DuiLib::CTextUI*>(found->GetInterface(L"Text")) : nullptr;
    if (!text) {
        LOG_ERROR("control txtTandemTips not found");
        return;
    }
    SmBiosHelper* brand = SmBiosHelper::GetInstance();
    if (brand && brand->IsLumenDevice()) {
        DuiLib::CControlUI* name = m_pm.FindControl(L"ids_beamly_name");
        if (auto* label =
                name ? static_cast<DuiLib::CLabelUI*>(name->GetInterface(L"Label")) : nullptr) {
            label->SetText(kSecondBrandName);
        }
        const std::wstring first(kFirstBrandName);
        const size_t at = tipText.find(first);
        if (at != std::wstring::npos) {
            tipText.replace(at, first.size(), kSecondBrandName);
        }
    }
    text->SetText(tipText.c_str());
}

void BeamlyTipWnd::Notify(DuiLib::TNotifyUI& msg) {
    if (msg.sType.str() == L"click" && msg.pSender &&
        msg.pSender->GetName().str() == L"BtnCloseUI") {
        Close(1);
        return;
    }
    WindowImplBase::Notify(msg);
}

void BeamlyTipWnd::OnFinalMessage(HWND hWnd) {
    WindowImplBase::OnFinalMessage(hWnd);
    DuiLib::UIMainQueue::getInstance()->dispatch([this] { delete this; });
}

}  // namespace Vela::Ux
