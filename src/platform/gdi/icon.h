#pragma once
// Icons of the GDI-like layer: a colour bitmap, a monochrome mask (1 = transparent) and a hot
// spot, held in a process-wide table and named by handles, so that a stale or made-up handle
// is refused instead of being followed.

#include <QImage>

#include <cstdint>
#include <memory>

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi.h"

namespace gdi {

// 0 is the null icon. Values near the top of the range are never handed out: callers use a
// few of them as markers (such as -2 and -3).
enum class HICON : std::uint32_t {};
inline constexpr HICON NULL_ICON = HICON{0};

struct ICONINFO {
  BOOL fIcon = TRUE;
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
  std::unique_ptr<CBitmap> hbmMask;
  std::unique_ptr<CBitmap> hbmColor;
};

// Fills info with copies of the icon's bitmaps; FALSE for a handle that is not a live icon.
BOOL GetIconInfo(HICON icon, ICONINFO* info);

// A new icon from copies of the bitmaps in info; the null icon when a bitmap is missing or
// the two differ in size. A 32-bit colour bitmap with any non-zero alpha is drawn blended by
// its alpha; otherwise the mask decides, as on Windows: dest = (dest AND mask) XOR colour.
HICON CreateIconIndirect(const ICONINFO& info);

BOOL DestroyIcon(HICON icon);

// A new handle to the same pictures; the null icon for a handle that is not a live icon.
HICON CopyIcon(HICON icon);

// An icon of the image's size from a picture: its fully transparent pixels masked out, the
// hot spot at the centre.
HICON IconFromImage(QImage image);

// The icon resource `id` (see res::LoadIconImage) at width x height pixels (0 keeps the
// resource's own size), as LoadImage(IMAGE_ICON, LR_DEFAULTCOLOR) gives it; the null icon for
// an unknown id. The hot spot is the centre.
HICON LoadIconResource(UINT id, int width, int height);

// Draws the icon scaled to width x height at (x, y) of a 32-bit image (DrawIconEx, DI_NORMAL).
BOOL DrawIconOnImage(QImage& target, int x, int y, int width, int height, HICON icon);

// The number of live icons; lets tests check that owners release theirs.
int LiveIconCount();

}  // namespace gdi
