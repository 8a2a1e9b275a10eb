// The painted progress bar: pictures at the states a user sees, checked against golden PNGs,
// and its rules on the mock clock (never back except to 0, light only between 1 and 99 %, one
// texture per pixel the light moves, at most one repaint request).
#include "LogCapture.h"
#include "UIBackgroundProgress.h"
#include "UiTest.h"

#include <cairo.h>
#include <DuiLibStandIn.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const char* kSkin = R"(<Window size="320,68">
  <UserValue name="progress_background_color" value="#FFE9EDF5"/>
  <UserValue name="progress_color" value="#FF9DBDF9"/>
  <UserValue name="progress_color_ok" value="#FF7CCB95"/>
  <UserValue name="progress_color_light" value="#FFC9DBFC"/>
  <UserValue name="progress_light_top_color" value="#B0FFFFFF"/>
  <UserValue name="progress_light_bottom_color" value="#80FFFFFF"/>
  <UserValue name="progress_light_arc_width" value="24"/>
  <UserValue name="progress_light_length" value="48"/>
  <UserValue name="progress_light_top_arc_height" value="10"/>
  <UserValue name="progress_light_bottom_arc_height" value="8"/>
  <UserValue name="progress_animate_speed" value="20"/>
  <Container bkcolor="#FFFFFFFF" inset="10,10,10,10"><Container name="track"/></Container>
</Window>)";

class UIBackgroundProgressTest : public testsupport::UiTest {
protected:
    void TearDown() override {
        manager.reset();
        UiTest::TearDown();
    }
    // A bar of 300 x 48 design pixels inside a white frame, at the current scale.
    void Build() {
        manager = std::make_unique<DuiLib::CPaintManagerUI>();
        DuiLib::CDialogBuilder builder;
        manager->AttachDialog(builder.CreateFromText(kSkin, nullptr, manager.get()));
        // The bar fills a container of its own size, as in the dialogs, which clips it.
        bar = new UIBackgroundProgress;
        static_cast<DuiLib::CContainerUI*>(manager->FindControl(L"track"))->Add(bar);
        duistandin::RunUntilIdle();
    }
    uint32_t Pixel(int x, int y) {
        cairo_surface_t* surface = manager->GetSurface();
        const auto* row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x];
    }
    std::unique_ptr<DuiLib::CPaintManagerUI> manager;
    UIBackgroundProgress* bar = nullptr;
};

TEST_F(UIBackgroundProgressTest, PicturesMatchTheGoldenOnes) {
    struct Case {
        const char* name;
        int scale;
        int direction;
        uint32_t percent;
        double light;  // < 0: no texture
    } cases[] = {
        {"0", 100, 0, 0, -1},
        {"40_plain", 100, 0, 40, -1},
        {"40_light_entering", 100, 0, 40, 0.15},
        {"40_light_middle", 100, 0, 40, 0.35},
        {"40_light_leaving", 100, 0, 40, 0.48},
        {"100_ok", 100, 0, 100, -1},
        {"40_light_rtl", 100, 1, 40, 0.35},
        {"40_light_scale150", 150, 0, 40, 0.35},
    };
    for (const auto& c : cases) {
        duistandin::SetScale(c.scale);
        duistandin::SetDirection(c.direction);
        Build();
        bar->SetPercent(c.percent);
        if (c.light >= 0) {  // the light's leading edge at this fraction of its sweep
            bar->OnAnimationValue(nullptr, DuiLib::Variant(c.light));
        }
        EXPECT_TRUE(testsupport::PictureMatches(manager.get(), SWIFTSEND_GOLDEN_DIR,
                                                std::string("progress_") + c.name + ".png"))
            << c.name;
        EXPECT_EQ(bar->GetTexture() != nullptr, c.light >= 0) << c.name;
    }
}

TEST_F(UIBackgroundProgressTest, NeverBackExceptToZeroAndLightOnlyBelowAHundred) {
    Build();
    bar->SetPercent(40);
    bar->SetPercent(30);
    EXPECT_EQ(bar->GetPercent(), 40u);
    EXPECT_TRUE(bar->GetAnimation()->IsRunning());
    EXPECT_EQ(bar->GetAnimation()->GetDuration(), 2000);
    duistandin::AdvanceTime(500);
    EXPECT_NE(bar->GetTexture(), nullptr);

    bar->SetPercent(0);
    EXPECT_EQ(bar->GetPercent(), 0u);
    EXPECT_FALSE(bar->GetAnimation()->IsRunning());
    EXPECT_EQ(bar->GetTexture(), nullptr);

    bar->SetPercent(70);
    duistandin::AdvanceTime(500);
    bar->SetPercent(100);
    EXPECT_FALSE(bar->GetAnimation()->IsRunning());
    EXPECT_EQ(bar->GetTexture(), nullptr);
    duistandin::AdvanceTime(100);
    // The whole bar in the ok colour, the background nowhere inside the control.
    for (int x : {11, 160, 308}) {
        EXPECT_EQ(Pixel(x, 30), 0xFF7CCB95u) << x;
    }
}

// A sweep time that is missing, not positive or too large for milliseconds takes the default.
TEST_F(UIBackgroundProgressTest, UnusableSweepTimesTakeTheDefaultWithAWarning) {
    const std::pair<const wchar_t*, int> cases[] = {
        {L"7", 700}, {L"", 2000}, {L"0", 2000}, {L"-5", 2000}, {L"2147483647", 2000}};
    for (const auto& [speed, duration] : cases) {
        testsupport::LogCapture log;
        Build();
        manager->SetUserValue(L"progress_animate_speed", speed);
        bar->SetPercent(40);
        EXPECT_EQ(bar->GetAnimation()->GetDuration(), duration) << speed;
        EXPECT_EQ(log.CountStartingWith("skin value progress_animate_speed"),
                  duration == 700 ? 0u : 1u)
            << speed;
    }
}

TEST_F(UIBackgroundProgressTest, OneTexturePerPixelTheLightMovesAndOneRepaintRequest) {
    Build();
    const int paints = manager->GetPaintCount();
    bar->SetPercent(10);
    bar->SetPercent(20);
    bar->SetPercent(30);
    EXPECT_EQ(duistandin::PendingTasks(), 1u);  // one repaint asked for three changes
    duistandin::RunUntilIdle();
    EXPECT_EQ(manager->GetPaintCount(), paints + 1);

    std::set<int32_t> offsets;
    int moves = 0;
    int32_t last = bar->GetLightOffset();
    for (int t = 0; t < 2000; t += 4) {
        duistandin::AdvanceTime(4);
        if (bar->GetLightOffset() != last) {
            ++moves;
            last = bar->GetLightOffset();
            offsets.insert(last);
        }
    }
    EXPECT_EQ(bar->GetTexturesRendered(), moves);
    EXPECT_GT(offsets.size(), 50u);
    EXPECT_LE(*offsets.begin(), -(48 + 2 * 24) + 10);
    EXPECT_GE(*offsets.rbegin(), 300 - 10);

    // Steps without a paint in between ask for one repaint only.
    const size_t before = duistandin::PendingTasks();
    bar->OnAnimationValue(nullptr, DuiLib::Variant(0.2));
    bar->OnAnimationValue(nullptr, DuiLib::Variant(0.3));
    EXPECT_EQ(duistandin::PendingTasks(), before + 1);
}

TEST_F(UIBackgroundProgressTest, HeightZeroPaintsAndRendersNothing) {
    Build();
    bar->SetPos(RECT{10, 10, 310, 10});
    ASSERT_EQ(bar->GetHeight(), 0);
    bar->SetPercent(40);
    duistandin::AdvanceTime(1000);
    EXPECT_EQ(bar->GetTexturesRendered(), 0);
    EXPECT_EQ(Pixel(20, 10), 0xFFFFFFFFu);
}

}  // namespace
