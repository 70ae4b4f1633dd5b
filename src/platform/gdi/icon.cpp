#include "platform/gdi/icon.h"

#include <QPainter>

#include <mutex>
#include <unordered_map>

#include "resources.h"

namespace gdi {

namespace {

struct IconData {
  QImage color;  // Format_ARGB32 when drawn by its alpha, else Format_RGB32
  QImage mask;   // Format_Mono, index 1 = transparent
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
};

// Handles stop short of the top of the range, which callers use as markers.
constexpr std::uint32_t kLastHandle = 0xFFFFFF00u;

struct IconTable {
  std::mutex mutex;
  std::unordered_map<std::uint32_t, std::shared_ptr<const IconData>> icons;
  std::uint32_t next = 1;
};

IconTable& Table() {
  static IconTable table;
  return table;
}

std::shared_ptr<const IconData> Find(HICON icon) {
  IconTable& table = Table();
  std::lock_guard lock(table.mutex);
  const auto it = table.icons.find(static_cast<std::uint32_t>(icon));
  return it == table.icons.end() ? nullptr : it->second;
}

HICON Register(std::shared_ptr<const IconData> data) {
  IconTable& table = Table();
  std::lock_guard lock(table.mutex);
  for (std::uint32_t tries = 0; tries < kLastHandle; ++tries) {
    const std::uint32_t handle = table.next;
    table.next = table.next >= kLastHandle ? 1 : table.next + 1;
    if (table.icons.emplace(handle, data).second) return HICON{handle};
  }
  return NULL_ICON;
}

QImage MonoMask(int width, int height) {
  QImage mask(width, height, QImage::Format_Mono);
  mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mask.fill(0);
  return mask;
}

bool HasAlpha(const QImage& image) {
  if (!image.hasAlphaChannel()) return false;
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(line[x]) != 0) return true;
    }
  }
  return false;
}

// The pixels of any bitmap as a 32-bit image.
QImage ToImage(const CBitmap& bitmap) {
  if (const QImage* image = bitmap.Image()) return *image;
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const COLORREF c = bitmap.GetPixel(x, y);
      image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
    }
  }
  return image;
}

}  // namespace

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  const std::shared_ptr<const IconData> data = Find(icon);
  if (!data || !info) return FALSE;
  info->fIcon = TRUE;
  info->xHotspot = data->xHotspot;
  info->yHotspot = data->yHotspot;
  info->hbmMask = std::make_unique<CBitmap>(data->mask);
  info->hbmColor = std::make_unique<CBitmap>(data->color);
  return TRUE;
}

HICON CreateIconIndirect(const ICONINFO& info) {
  if (!info.hbmColor || !info.hbmMask) return NULL_ICON;
  const int width = info.hbmColor->Width();
  const int height = info.hbmColor->Height();
  if (width <= 0 || height <= 0 || info.hbmMask->Width() != width ||
      info.hbmMask->Height() != height) {
    return NULL_ICON;
  }
  auto data = std::make_shared<IconData>();
  const QImage color = ToImage(*info.hbmColor);
  data->color =
      color.convertToFormat(HasAlpha(color) ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  data->mask = MonoMask(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (info.hbmMask->GetPixel(x, y) != 0) data->mask.setPixel(x, y, 1);
    }
  }
  data->xHotspot = info.xHotspot;
  data->yHotspot = info.yHotspot;
  return Register(std::move(data));
}

BOOL DestroyIcon(HICON icon) {
  IconTable& table = Table();
  std::lock_guard lock(table.mutex);
  return table.icons.erase(static_cast<std::uint32_t>(icon)) ? TRUE : FALSE;
}

HICON CopyIcon(HICON icon) {
  // Icons never change once made, so the copy shares the pictures.
  std::shared_ptr<const IconData> data = Find(icon);
  return data ? Register(std::move(data)) : NULL_ICON;
}

HICON IconFromImage(QImage image) {
  image = image.convertToFormat(QImage::Format_ARGB32);
  const int width = image.width();
  const int height = image.height();
  ICONINFO info;
  QImage mask = MonoMask(width, height);
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      // Fully transparent pixels are black in the colour bitmap, so that drawing through the
      // mask (as a copy without alpha is drawn) leaves the background untouched there.
      if (qAlpha(line[x]) == 0) {
        line[x] = 0;
        mask.setPixel(x, y, 1);
      }
    }
  }
  info.xHotspot = static_cast<DWORD>(width / 2);
  info.yHotspot = static_cast<DWORD>(height / 2);
  info.hbmColor = std::make_unique<CBitmap>(std::move(image));
  info.hbmMask = std::make_unique<CBitmap>(std::move(mask));
  return CreateIconIndirect(info);
}

HICON LoadIconResource(UINT id, int width, int height) {
  QImage image = res::LoadIconImage(static_cast<int>(id));
  if (image.isNull()) return NULL_ICON;
  if (width <= 0) width = image.width();
  if (height <= 0) height = image.height();
  if (image.size() != QSize(width, height)) {
    image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return IconFromImage(std::move(image));
}

BOOL DrawIconOnImage(QImage& target, int x, int y, int width, int height, HICON icon) {
  const std::shared_ptr<const IconData> data = Find(icon);
  if (!data || width <= 0 || height <= 0 || target.isNull()) return FALSE;
  const QSize size(width, height);
  if (data->color.format() == QImage::Format_ARGB32) {
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(x, y), size), data->color);
    return TRUE;
  }
  const QImage colorImage = data->color.size() == size ? data->color : data->color.scaled(size);
  const QImage maskImage = data->mask.size() == size ? data->mask : data->mask.scaled(size);
  for (int row = 0; row < height; ++row) {
    const int ty = y + row;
    if (ty < 0 || ty >= target.height()) continue;
    const QRgb* colorLine = reinterpret_cast<const QRgb*>(colorImage.constScanLine(row));
    for (int col = 0; col < width; ++col) {
      const int tx = x + col;
      if (tx < 0 || tx >= target.width()) continue;
      const QRgb color = colorLine[col] & 0xFFFFFFu;
      if (maskImage.pixelIndex(col, row) == 0) {
        target.setPixel(tx, ty, 0xFF000000u | color);
      } else if (color != 0) {
        // A transparent pixel with colour inverts what lies under it (the XOR of the mask).
        const QRgb under = target.pixel(tx, ty);
        target.setPixel(tx, ty, (under & 0xFF000000u) | ((under & 0xFFFFFFu) ^ color));
      }
    }
  }
  return TRUE;
}

int LiveIconCount() {
  IconTable& table = Table();
  std::lock_guard lock(table.mutex);
  return static_cast<int>(table.icons.size());
}

}  // namespace gdi
