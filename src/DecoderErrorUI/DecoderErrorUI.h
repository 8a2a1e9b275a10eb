// The mirror-audio decoder error window: tells the user that the phone's audio cannot be played
// and offers the host's fix function (mode 0) or a restart of the computer (mode 1). A long text
// makes the window taller; any click closes it.
#pragma once

#include <IPCMessageClient.h>
#include <UIlib.h>

#include <cstdint>

class DecoderErrorUI : public DuiLib::WindowImplBase {
public:
    static constexpr uint32_t kModeFix = 0;
    static constexpr uint32_t kModeRestart = 1;

    DecoderErrorUI() = default;
    const wchar_t* GetWindowClassName() const override;
    ~DecoderErrorUI() override;
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;

    // Set before the window is created.
    void SetMode(uint32_t newMode) { mode = newMode; }
    uint32_t GetMode() const { return mode; }
    // The client the fix and restart requests go through; not owned, may be null.
    void SetIPCClient(IPCMessageClient* client) { ipcClient = client; }

    // Asks the host to run its fix function: "para /doctor" as UTF-16 with its terminator.
    void OpenNow();
    // Asks the host to restart the computer.
    void RestartNow();
    // Moves the shown window into the bottom right corner of its monitor's work area.
    void MoveToCorner();

protected:
    DuiLib::CDuiString GetSkinFile() override;
    LRESULT OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    DuiLib::CDuiString GetSkinFolder() override;
    DUI_DECLARE_MESSAGE_MAP()

private:
    void SetWindowPos(RECT rect);

    uint32_t mode = kModeFix;
    IPCMessageClient* ipcClient = nullptr;
};
