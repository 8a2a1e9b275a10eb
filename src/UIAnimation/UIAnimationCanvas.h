// A layer over the dialog that draws sprites (an image in a rectangle) and nothing else.
#pragma once

#include "UIAnimationObjectGuard.h"

#include <UIlib.h>

#include <memory>
#include <vector>

class UIAnimationCanvas : public DuiLib::CControlUI, public UIAnimationObjectGuard {
public:
    struct Sprite {
        DuiLib::CDuiString image;
        RECT rect;
    };

    void Init();
    void DoPaint(HDC hdc, const RECT& rcPaint) override;
    std::vector<Sprite>* GetSprites() { return sprites.get(); }

private:
    std::unique_ptr<std::vector<Sprite>> sprites;
};
