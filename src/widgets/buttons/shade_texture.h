#pragma once
// The procedural textures of the shaded buttons (also the markup's texture keywords), drawn as
// 8-bit palette images. Plain functions, so that other painters can reuse them.

#include "platform/gdi/gdi.h"
#include "widgets/buttons/palette_dib.h"

enum ShadeEffect : gdi::UINT {
  SHADE_NOISE = 0,
  SHADE_DIAGSHADE = 1,
  SHADE_HSHADE = 2,
  SHADE_VSHADE = 3,
  SHADE_HBUMP = 4,
  SHADE_VBUMP = 5,
  SHADE_SOFTBUMP = 6,
  SHADE_HARDBUMP = 7,
  SHADE_METAL = 8,
};

// The 256-entry ramp from the 3-D shadow colour through the face colour to the highlight.
void SetShadePalette(CPaletteDib& image);

// Fills the pixels of an 8-bit image with texture shadeId (ids above 8 are noise); granularity
// is the noise amplitude in palette steps. Draws from the process-wide C runtime generator.
// Faces under 2 or over 32767 pixels in either direction get the plain middle value 128: the
// texture arithmetic is not defined for them.
void DrawShadeTexture(CPaletteDib& image, gdi::UINT shadeId, gdi::BYTE granularity);
