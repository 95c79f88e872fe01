// The skin engine both programs load by name. It skins the whole application with the style
// sheet skin.qss that lies beside the library. Every function returns 0 on success.
#pragma once

#include <cstdint>

#include "skinh_export.h"

extern "C" {

// Applies skin.qss to the running application, keeping the style sheet it had before.
// Nonzero when there is no application or the sheet cannot be read; the look stays as it was.
SKINH_EXPORT int SkinH_Attach();
// Gives the application back the style sheet it had before the first attach.
// Nonzero when the skin is not attached.
SKINH_EXPORT int SkinH_Detach();
// Accepts a top-level window, by its native handle or its address, for the translucent
// frame; the skin draws no frame of its own, so nothing changes. Nonzero for an unknown window.
SKINH_EXPORT int SkinH_Aero(intptr_t window);
// Takes the translucency and shadow of that frame: alpha and colour 0..255, the others
// unrestricted. Nonzero for a value out of range; the look does not change either way.
SKINH_EXPORT int SkinH_Aero_Adjust(int alpha, int shadowDark, int shadowSharp, int shadowSize,
                                   int x, int y, int red, int green, int blue);
}
