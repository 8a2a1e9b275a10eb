// What the portable part of the toolkit asks of its platform layer.
#pragma once

#include <windows.h>

#include <filesystem>

namespace DuiLib {
class CDuiString;
}

namespace duiplatform {

// Painting through HDC stays inside RC until the matching PopClip.
void PushClip(HDC hdc, const RECT& rc);
void PopClip(HDC hdc);

// Fills the rectangle at (X, Y) of W x H with ARGB (nothing for a transparent colour).
void Fill(HDC hdc, double x, double y, double w, double h, DWORD argb);
// A border of SIZE pixels in ARGB just inside RC.
void Frame(HDC hdc, const RECT& rc, DWORD argb, int size);

// The file an image attribute names ("file='x.png' ..." or a bare path), in the resource folder.
std::filesystem::path ImageFile(const DuiLib::CDuiString& image);

}  // namespace duiplatform
