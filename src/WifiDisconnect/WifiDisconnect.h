// The WLAN-disconnect window: a small topmost panel beside the taskbar that tells the user the
// Wi-Fi link to the phone was lost and offers to restart the PC's Wi-Fi.
//
// The panel is as tall as its text needs: the text of "IDS_HF_TIP_CATON" is measured in the
// label's font, 360 design pixels wide, and the window is placed against the screen's corner
// on the taskbar's side. Any click closes the window and reports usage event 10009 with whether
// the restart button was the one clicked.
#pragma once

#include <TandemMessageBox.h>
#include <UIlib.h>

#include <memory>

class WifiDisconnect : public DuiLib::WindowImplBase {
public:
    // Owns EVENT, the action of the restart button (may be null).
    explicit WifiDisconnect(tandem::MsgBoxEvent* event);
    const wchar_t* GetWindowClassName() const override;
    ~WifiDisconnect() override;
    void InitWindow() override;
    void OnClick(DuiLib::TNotifyUI& msg) override;

    // Takes EVENT as the restart action. The action held before is not deleted: it stays with
    // whoever handed it over.
    void SetEvent(tandem::MsgBoxEvent* event);
    // Places the window by the taskbar for its measured text.
    void ShowDlg();
    // The taskbar's space on the primary screen: A and B the width and height it takes, EDGE
    // 0 left, 1 top, 2 right, 3 bottom, 4 none. Unchanged when the work area cannot be read.
    void GetTaskbarInfo(int& a, int& b, int& edge);
    // Moves the window to RECT, topmost, and shows it.
    void SetWindowPos(RECT rect);
    void ActionDataReport();
    void CloseWindow();

    int GetTextHeight() const { return textHeight; }
    bool IsRestartClicked() const { return restartClicked; }

protected:
    DuiLib::CDuiString GetSkinFile() override;
    LRESULT OnNcHitTest(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) override;
    DuiLib::CDuiString GetSkinFolder() override;
    DUI_DECLARE_MESSAGE_MAP()

private:
    int taskbarA = 0;
    int taskbarB = 0;
    int taskbarEdge = 0;
    int textHeight = 0;
    DuiLib::CLabelUI* textLabel = nullptr;
    DuiLib::CControlUI* tipPanel = nullptr;
    std::unique_ptr<tandem::MsgBoxEvent> event;
    bool restartClicked = false;
};
