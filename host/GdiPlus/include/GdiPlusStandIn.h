// Controls of the GDI+ stand-in for tests. Not part of the GDI+ API.
#pragma once

#include <cstddef>

namespace gdiplusstandin {

// Number of GdiplusStartup tokens not yet shut down.
size_t LiveStartupTokens();

}  // namespace gdiplusstandin
