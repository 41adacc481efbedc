#pragma once

#include <windows.h>

#include "platform/win32_handles.h"

namespace resolaunch {

// The system's message font at `dpi`, made smaller if needed so that one line
// of it fits `maxCellHeight` pixels.
UniqueFont CreateMessageFont(UINT dpi, int maxCellHeight);

// A fixed-pitch Japanese-capable font of the same height as `like`, so that
// the padded mode labels line up in columns. The first installed face of a
// short list wins; otherwise the font mapper picks a fixed-pitch one.
UniqueFont CreateFixedPitchFont(HFONT like);

}  // namespace resolaunch
