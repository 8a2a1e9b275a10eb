// A container that paints a progress bar as its background: the background colour, the done
// part in the progress colour and, while a transfer runs, a soft band of light sweeping across
// the done part with a highlight arc along each edge. Colours and sizes come from the skin.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <UIlib.h>

#include <cstdint>
#include <memory>

class UIBackgroundProgress : public DuiLib::CContainerUI, public DuiLib::IAnimationCallback {
public:
    UIBackgroundProgress();
    ~UIBackgroundProgress() override;

    // The bar never moves back, except to 0. 1 to 99 sweep the light; 0 and 100 stop it.
    void SetPercent(uint32_t percent);
    uint32_t GetPercent() const { return percent; }
    void SetAnimating(bool on);

    void DoPaint(HDC hdc, const RECT& rcPaint) override;
    void OnAnimationValue(DuiLib::VariantAnimation* animation,
                          const DuiLib::Variant& value) override;

    // For tests and the benchmark: the light's position and its rendered texture.
    int32_t GetLightOffset() const { return lightOffset; }
    const Gdiplus::Bitmap* GetTexture() const { return texture.get(); }
    const DuiLib::VariantAnimation* GetAnimation() const { return animation.get(); }
    int GetTexturesRendered() const { return texturesRendered; }

private:
    struct LightSizes {
        int arcWidth = 0;         // A
        int length = 0;           // L
        int topArcHeight = 0;     // Ha
        int bottomArcHeight = 0;  // Hb
        int scale = 0;            // the DPI scale they were scaled at
    };
    const LightSizes& Sizes();
    DWORD Colour(const wchar_t* key) const;
    std::unique_ptr<Gdiplus::Bitmap> RenderLightTexture();
    void RequestRepaint();

    uint32_t percent = 0;
    int32_t lightOffset = 0;
    bool paintedSinceInvalidate = true;
    std::shared_ptr<DuiLib::VariantAnimation> animation;
    std::unique_ptr<Gdiplus::Bitmap> texture;
    std::unique_ptr<LightSizes> sizes;  // read and scaled at first use and after a DPI change
    int texturesRendered = 0;
};
