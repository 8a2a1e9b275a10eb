// The file page that the icon controls draw for a file type.
#pragma once

#include <windows.h>

typedef struct _cairo cairo_t;

namespace UIEx {

// The page (a second one behind it for SEVERAL) in the colour of FILETYPE, centred in RC.
void PaintFilePage(cairo_t* cr, const RECT& rc, int fileType, bool several);

}  // namespace UIEx
