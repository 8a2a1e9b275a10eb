// The share tip window from the project's layout: the second brand's name in the label and in
// the first place of the text, a layout without the text control, closing and deleting itself
// on the UI thread, and its picture.
#include "BeamlyTipWnd.h"
#include "LogCapture.h"
#include "TempPath.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <UtilStandIn.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

int destroyed = 0;

class CountedTip : public Vela::Ux::BeamlyTipWnd {
public:
    using BeamlyTipWnd::BeamlyTipWnd;
    ~CountedTip() override { ++destroyed; }
};

class BeamlyTipWndTest : public testsupport::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        destroyed = 0;
    }
    void TearDown() override {
        if (hwnd && IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
        duistandin::RunUntilIdle();
        UiTest::TearDown();
    }
    // The tip is handed over to its window: it deletes itself after the final message.
    void Open(const std::wstring& text) {
        tip = new CountedTip(text);
        hwnd = tip->Create(nullptr, L"", WS_POPUP, WS_EX_TOOLWINDOW);
        ASSERT_NE(hwnd, nullptr);
    }
    std::wstring TextOf(const wchar_t* name) {
        DuiLib::CControlUI* control = tip->GetPaintManager()->FindControl(name);
        return control ? control->GetText().str() : L"<missing>";
    }
    CountedTip* tip = nullptr;
    HWND hwnd = nullptr;
};

// The picture is the first case's. A layout without the text control is logged and the tip does
// nothing more, but still closes.
TEST_F(BeamlyTipWndTest,
       TheSecondBrandNamesTheFeatureInTheLabelAndTheFirstPlaceOfTheTextAndCloseDeletesTheTip) {
    const std::string folder = testsupport::TempPath("tipres");
    std::filesystem::create_directories(folder + "/layout/swiftsend");
    std::ofstream(folder + "/layout/swiftsend/BeamlyTipWnd.xml")
        << R"(<Window size="300,80"><VerticalLayout><Label name="ids_beamly_name"/>)"
        << R"(<Button name="BtnCloseUI" height="20"/></VerticalLayout></Window>)";
    const wchar_t* plain = L"You can send at most 500 files at a time.";
    const wchar_t* first = L"Velmora Share";
    const wchar_t* second = L"LUMEN Glide";
    struct Case {
        const char* name;
        bool smbios;
        bool lumen;
        const wchar_t* text;
        const wchar_t* shown;  // null: the text as given
        const wchar_t* label;
        bool withoutText = false;  // the layout above, from then on
    } cases[] = {
        {"first brand", true, false, plain, nullptr, first},
        {"second brand: first occurrence only", true, true,
         L"Velmora Share is on. Velmora Share sends.", L"LUMEN Glide is on. Velmora Share sends.",
         second},
        {"second brand, text without the name", true, true, plain, nullptr, second},
        {"no brand service", false, true, L"Velmora Share sends.", nullptr, first},
        {"no text control", true, true, L"Velmora Share", L"<missing>", L"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        utilstandin::SetSmBiosAvailable(c.smbios);
        utilstandin::SetLumenDevice(c.lumen);
        if (c.withoutText) {
            DuiLib::CPaintManagerUI::SetResourcePath(
                std::wstring(folder.begin(), folder.end()).c_str());
        }
        testsupport::LogCapture logs;
        Open(c.text);
        EXPECT_EQ(TextOf(L"txtTandemTips"), c.shown ? c.shown : c.text);
        EXPECT_EQ(TextOf(L"ids_beamly_name"), c.label);
        EXPECT_EQ(logs.Messages(),
                  c.withoutText ? std::vector<std::string>{"control txtTandemTips not found"
                                                           "(Vela::Ux::BeamlyTipWnd::InitWindow)"}
                                : std::vector<std::string>{});
        if (&c == cases) {
            duistandin::RunUntilIdle();
            EXPECT_TRUE(testsupport::PictureMatches(tip->GetPaintManager(), SWIFTSEND_GOLDEN_DIR,
                                                    "share_tip.png"));
        }
        // The close button closes; the window deletes itself later, on the UI thread.
        ASSERT_TRUE(duistandin::Click(tip->GetPaintManager()->FindControl(L"BtnCloseUI")));
        EXPECT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(destroyed, &c - cases);
        duistandin::RunUntilIdle();
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(destroyed, &c - cases + 1);
    }
}

}  // namespace
