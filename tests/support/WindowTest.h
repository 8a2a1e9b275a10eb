// The fixture of a test of one window class: one window of it at a time, which the test makes in
// place of the last one and which is destroyed at the end, and what such tests ask of it.
#pragma once

#include "UiTest.h"

#include <UIlib.h>
#include <windows.h>

#include <memory>
#include <vector>

namespace testsupport {

// RC as {left, top, right, bottom}, for comparisons that print.
inline std::vector<LONG> Corners(const RECT& rc) {
    return {rc.left, rc.top, rc.right, rc.bottom};
}

template <typename Window>
class WindowTest : public UiTest {
protected:
    void TearDown() override {
        Close();
        UiTest::TearDown();
    }
    void Close() {
        if (window && IsWindow(window->GetHWND())) {
            DestroyWindow(window->GetHWND());
        }
        window.reset();
    }
    RECT Rect() const {
        RECT rc{};
        GetWindowRect(window->GetHWND(), &rc);
        return rc;
    }
    DuiLib::CControlUI* Control(const wchar_t* name) {
        return window->GetPaintManager()->FindControl(name);
    }
    // The window's answer to WM_NCHITTEST in the middle of control NAME, or DOWN pixels below its
    // top edge.
    LRESULT HitTest(const wchar_t* name, int down = -1) {
        const RECT rc = Rect();
        const RECT pos = Control(name)->GetPos();
        const int y = down < 0 ? (pos.top + pos.bottom) / 2 : pos.top + down;
        return SendMessageW(window->GetHWND(), WM_NCHITTEST, 0,
                            MAKELPARAM(rc.left + (pos.left + pos.right) / 2, rc.top + y));
    }

    std::unique_ptr<Window> window;
};

}  // namespace testsupport
