#include "UIBackgroundProgress.h"

#include <SDK/Util/LogTool/LogTool.h>

#include <climits>
#include <cmath>
#include <set>
#include <string>

using namespace Gdiplus;

namespace {

// Texture brushes and bars fill one pixel row above and k = H / 4 rows beyond each edge of the
// control, so that the light's soft ends and arcs line up with it.
int ExtraRows(int height) {
    return height / 4;
}

// One sweep of the light in milliseconds, from "progress_animate_speed" (tenths of a second). A
// missing, non-positive or huge value would loop a zero-length animation back to back on the UI
// thread, or overflow: the default stands in for it, with a WARN line once per text.
int SweepMs(DuiLib::CPaintManagerUI* manager) {
    constexpr int kDefaultTenths = 20;
    constexpr int kMaxTenths = 36000;
    const DuiLib::CDuiString text =
        manager ? manager->GetUserValue(L"progress_animate_speed") : DuiLib::CDuiString();
    bool notANumber = false;
    const int tenths = text.ToInt(&notANumber);
    if (!notANumber && tenths >= 1 && tenths <= kMaxTenths) {
        return tenths * 100;
    }
    static std::set<std::wstring> warned;  // UI thread only
    if (warned.insert(text.str()).second) {
        LOG_WARN_FN("UIBackgroundProgress::SetAnimating", "skin value progress_animate_speed \""
                                                              << LogTool::Narrow(text.str())
                                                              << "\" is not usable, using "
                                                              << kDefaultTenths);
    }
    return kDefaultTenths * 100;
}

}  // namespace

UIBackgroundProgress::UIBackgroundProgress()
    : animation(std::make_shared<DuiLib::VariantAnimation>(this, this)) {}

UIBackgroundProgress::~UIBackgroundProgress() {
    if (animation) {
        animation->Stop();
    }
}

const UIBackgroundProgress::LightSizes& UIBackgroundProgress::Sizes() {
    // Scaled again when the window's DPI scale changed since they were read.
    const int scale = DuiLib::CResourceManager::GetInstance()->GetScale();
    if (!sizes || sizes->scale != scale) {
        sizes = std::make_unique<LightSizes>();
        sizes->scale = scale;
        if (m_pManager) {
            auto scaled = [this](const wchar_t* key) {
                return DuiLib::CResourceManager::GetInstance()->Scale(
                    m_pManager->GetUserValue(key).ToInt());
            };
            sizes->arcWidth = scaled(L"progress_light_arc_width");
            sizes->length = scaled(L"progress_light_length");
            sizes->topArcHeight = scaled(L"progress_light_top_arc_height");
            sizes->bottomArcHeight = scaled(L"progress_light_bottom_arc_height");
        }
    }
    return *sizes;
}

DWORD UIBackgroundProgress::Colour(const wchar_t* key) const {
    return m_pManager ? DuiLib::Utils::GetColorFromString(m_pManager->GetUserValue(key)) : 0;
}

void UIBackgroundProgress::RequestRepaint() {
    if (paintedSinceInvalidate) {
        paintedSinceInvalidate = false;
        Invalidate();
    }
}

void UIBackgroundProgress::SetPercent(uint32_t p) {
    if (p < percent && p != 0) {
        return;
    }
    percent = p;
    SetAnimating(p > 0 && p < 100);
    RequestRepaint();
}

void UIBackgroundProgress::SetAnimating(bool on) {
    if (!animation) {
        return;
    }
    if (!on) {
        animation->Stop();
        texture.reset();
        return;
    }
    if (animation->IsRunning()) {
        return;
    }
    lightOffset = 0;
    animation->SetDuration(SweepMs(m_pManager));
    animation->SetLoopCount(0);
    animation->SetStartValue(0.0);
    animation->SetEndValue(1.0);
    animation->SetEasingCurve(1);
    animation->Start();
}

void UIBackgroundProgress::OnAnimationValue(DuiLib::VariantAnimation*,
                                            const DuiLib::Variant& value) {
    const LightSizes& s = Sizes();
    const int w = GetWidth();
    const int a = s.arcWidth;
    const int l = s.length;
    const long long span = a > (INT_MAX - w - l) / 2 ? 0 : static_cast<long long>(w) + l + 2 * a;
    const auto pos = static_cast<int32_t>(std::trunc(static_cast<double>(span) * value.ToDouble() -
                                                     (static_cast<double>(l) + 2.0 * a)));
    if (pos == lightOffset) {
        return;
    }
    lightOffset = pos;
    texture = RenderLightTexture();
    RequestRepaint();
}

std::unique_ptr<Bitmap> UIBackgroundProgress::RenderLightTexture() {
    const int h = GetHeight();
    if (h == 0) {
        return nullptr;
    }
    const LightSizes& s = Sizes();
    const int k = ExtraRows(h);
    const int tw = GetWidth() + 1;
    const int th = k > (INT_MAX - h - 1) / 2 ? 0 : h + 2 * k + 1;

    const Color light(Colour(L"progress_color_light"));
    const Color bar(Colour(L"progress_color"));
    const Color top(Colour(L"progress_light_top_color"));
    const Color bottom(Colour(L"progress_light_bottom_color"));

    auto bitmap = std::make_unique<Bitmap>(tw, th, PixelFormat32bppARGB);
    ++texturesRendered;
    Graphics graphics(bitmap.get());
    graphics.SetSmoothingMode(SmoothingModeAntiAlias);
    SolidBrush lightBrush(light);
    graphics.FillRectangle(&lightBrush, 0, 0, tw, th);
    if (percent >= 100) {
        return bitmap;
    }

    const REAL a = static_cast<REAL>(s.arcWidth);
    const REAL height = static_cast<REAL>(th);
    SolidBrush barBrush(bar);
    // A soft end: half an ellipse of the bar colour at its centre fading out to its edge.
    auto softEnd = [&](REAL centreX, REAL startAngle) {
        GraphicsPath path;
        path.AddEllipse(centreX - a / 2, 0.0f, a, height);
        PathGradientBrush gradient(&path);
        gradient.SetCenterPoint(PointF(centreX, height / 2));
        gradient.SetCenterColor(bar);
        Color transparent(0);
        INT count = 1;
        gradient.SetSurroundColors(&transparent, &count);
        gradient.SetFocusScales(0.0f, static_cast<REAL>(h - k) / static_cast<REAL>(h));
        graphics.FillPie(&gradient, centreX - a / 2, 0.0f, a, height, startAngle, 180.0f);
    };

    const int x = lightOffset;
    if (x >= 1) {
        graphics.FillRectangle(&barBrush, 0, 0, x, th);
    }
    softEnd(static_cast<REAL>(x), -90.0f);

    const int e = lightOffset + s.arcWidth + s.length;
    softEnd(static_cast<REAL>(e), 90.0f);
    if (e < tw) {
        graphics.FillRectangle(&barBrush, static_cast<REAL>(e) - 0.4f, 0.0f,
                               static_cast<REAL>(tw - e), height);
    }

    // The highlight arcs along the upper and lower edge of the control.
    auto arc = [&](const Color& colour, REAL centreY, int arcHeight, REAL startAngle) {
        const REAL width = static_cast<REAL>(e - x);
        SolidBrush brush(colour);
        graphics.FillPie(&brush, static_cast<REAL>(x) - 0.4f * width, centreY - arcHeight / 2.0f,
                         width * 1.8f, static_cast<REAL>(arcHeight), startAngle, 180.0f);
    };
    arc(top, static_cast<REAL>((th - h) / 2), s.topArcHeight, 0.0f);
    arc(bottom, static_cast<REAL>(th - (th - h) / 2), s.bottomArcHeight, 180.0f);
    return bitmap;
}

void UIBackgroundProgress::DoPaint(HDC hdc, const RECT&) {
    paintedSinceInvalidate = true;
    const int w = GetWidth();
    const int h = GetHeight();
    if (w == 0 || h == 0) {
        return;
    }
    const REAL done =
        percent != 0 ? static_cast<REAL>(w) * (static_cast<REAL>(percent) / 100.0f) : 0.0f;
    const int k = ExtraRows(h);
    const int left = m_rcItem.left;
    const int top = m_rcItem.top;
    const int rows = m_rcItem.bottom - m_rcItem.top;

    Graphics graphics(hdc);
    graphics.SetSmoothingMode(SmoothingModeAntiAlias);
    if (DuiLib::UICulture::GetInstance()->getDirection() == 1) {
        // Right to left: the bar fills from the right, mirrored about its own vertical centre
        // line; the light keeps its upper arc on top.
        graphics.TranslateTransform(static_cast<REAL>(2 * left + w), 0.0f);
        graphics.ScaleTransform(-1.0f, 1.0f);
    }
    SolidBrush background(Color(Colour(L"progress_background_color")));
    graphics.FillRectangle(&background, left, top, w, rows);
    if (done <= 0.0f) {
        return;
    }
    // The bar covers the texture's height, with the texture's middle rows on the control. The
    // plain bar sits where the textured one does, so the first frames after a start, painted
    // before the first texture, do not jump.
    graphics.TranslateTransform(static_cast<REAL>(left - 1), static_cast<REAL>(top - 1 - k));
    const REAL height = static_cast<REAL>(rows + 1 + 2 * k);
    if (texture) {
        TextureBrush brush(texture.get(), WrapModeTile);
        graphics.FillRectangle(&brush, 0.0f, 0.0f, done, height);
    } else {
        SolidBrush plain(Color(Colour(percent == 100 ? L"progress_color_ok" : L"progress_color")));
        graphics.FillRectangle(&plain, 0.0f, 0.0f, done, height);
    }
}
