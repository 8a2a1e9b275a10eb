#include "UIAnimationCanvas.h"

#include "UISkinValues.h"

void UIAnimationCanvas::Init() {
    sprites = std::make_unique<std::vector<Sprite>>();
    SetMouseEnabled(false);
    SetBkColor(0x8000FF00);  // never painted: only the sprites are
}

void UIAnimationCanvas::DoPaint(HDC hdc, const RECT& rcPaint) {
    if (!sprites || !m_pManager) {
        return;
    }
    const int caption = UISkinValues::Length(m_pManager, L"caption_height");
    for (const Sprite& sprite : *sprites) {
        RECT rc = sprite.rect;
        rc.top -= caption;
        rc.bottom -= caption;
        DuiLib::UIPainter::DrawImage(hdc, m_pManager, rc, rcPaint, sprite.image);
    }
}
