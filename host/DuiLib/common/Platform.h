// What the portable part of the toolkit asks of its platform layer.
#pragma once

#include <windows.h>

namespace duiplatform {

// Painting through HDC stays inside RC until the matching PopClip.
void PushClip(HDC hdc, const RECT& rc);
void PopClip(HDC hdc);

}  // namespace duiplatform
