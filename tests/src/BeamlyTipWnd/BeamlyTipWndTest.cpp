// The share tip window from the project's layout: the second brand's name in the label and in
// the first place of the text, a layout without the text control, closing and deleting itself
// on the UI thread, and its picture.
#include "BeamlyTipWnd.h"
#include "GoldenImage.h"
#include "LogCapture.h"
#include "TempPath.h"
#include "UiTest.h"

#include <DuiLibStandIn.h>
#include <gtest/gtest.h>
#include <UtilStandIn.h>
#include <Win32StandIn.h>

#include <cstdlib>
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

TEST_F(BeamlyTipWndTest,
       TheSecondBrandNamesTheFeatureInTheLabelAndTheFirstPlaceOfTheTextAndCloseDeletesTheTip) {
    const wchar_t* plain = L"Velmora Share sends files.";
    const wchar_t* first = L"Velmora Share";
    const wchar_t* second = L"LUMEN Glide";
    struct Case {
        const char* name;
        bool smbios;
        bool lumen;
        const wchar_t* text;
        const wchar_t* shown;  // null: the text as given
        const wchar_t* label;
    } cases[] = {
        {"first brand", true, false, plain, nullptr, first},
        {"second brand: first occurrence only", true, true,
         L"Velmora Share is on. Velmora Share sends.", L"LUMEN Glide is on. Velmora Share sends.",
         second},
        {"second brand, text without the name", true, true, L"Too many files.", nullptr, second},
        {"no brand service", false, true, plain, nullptr, first},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        utilstandin::SetSmBiosAvailable(c.smbios);
        utilstandin::SetLumenDevice(c.lumen);
        Open(c.text);
        EXPECT_EQ(TextOf(L"txtTandemTips"), c.shown ? c.shown : c.text);
        EXPECT_EQ(TextOf(L"ids_beamly_name"), c.label);
        // The close button closes; the window deletes itself later, on the UI thread.
        ASSERT_TRUE(duistandin::Click(tip->GetPaintManager()->FindControl(L"BtnCloseUI")));
        EXPECT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(destroyed, &c - cases);
        duistandin::RunUntilIdle();
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(destroyed, &c - cases + 1);
    }
}

TEST_F(BeamlyTipWndTest, ALayoutWithoutTheTextControlLogsAndTheWindowStillCloses) {
    const std::string folder = testsupport::TempPath("tipres");
    ASSERT_EQ(std::system(("mkdir -p " + folder + "/layout/swiftsend").c_str()), 0);
    std::ofstream(folder + "/layout/swiftsend/BeamlyTipWnd.xml")
        << R"(<Window size="300,80"><VerticalLayout><Label name="ids_beamly_name"/>)"
        << R"(<Button name="BtnCloseUI" height="20"/></VerticalLayout></Window>)";
    DuiLib::CPaintManagerUI::SetResourcePath(std::wstring(folder.begin(), folder.end()).c_str());
    utilstandin::SetLumenDevice(true);
    testsupport::LogCapture logs;
    Open(L"Velmora Share");
    const auto records = logs.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message,
              "control txtTandemTips not found(Vela::Ux::BeamlyTipWnd::InitWindow)");
    EXPECT_EQ(records[0].level, 40000);
    EXPECT_EQ(TextOf(L"ids_beamly_name"), L"");  // nothing more is done
    ASSERT_TRUE(duistandin::Click(tip->GetPaintManager()->FindControl(L"BtnCloseUI")));
    duistandin::RunUntilIdle();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(destroyed, 1);
}

TEST_F(BeamlyTipWndTest, PictureMatchesTheGoldenOne) {
    Open(L"You can send at most 500 files at a time.");
    duistandin::RunUntilIdle();
    tip->GetPaintManager()->Paint();
    EXPECT_TRUE(
        MatchesGolden(tip->GetPaintManager()->GetSurface(), SWIFTSEND_GOLDEN_DIR "/share_tip.png"));
}

}  // namespace
