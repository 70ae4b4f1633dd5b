// The items of CMarkupDrawer that come from pictures and resources: bitmaps, icons, cells of
// image strips (and their animations) and resource strings, with the image shadow they share.

#include <QFile>
#include <QImage>

#include <algorithm>

#include "resources.h"
#include "widgets/tooltip/markup_drawer.h"
#include "widgets/tooltip/markup_text.h"

using gdi::COLORREF;
using gdi::SIZE;
using markup::Sat;

namespace {

// An image is never drawn larger than this each way, whatever the markup asks for.
constexpr int kMaxImageSide = 4096;
// The platform's standard icon size (SM_CXICON, SM_CYICON).
constexpr int kIconSize = 32;
constexpr COLORREF kDefaultMask = gdi::RGB(255, 0, 255);

// Where the `iddll` images live: a library is a folder of files named by resource number.
QString LibraryFile(const std::string& library, int id, std::initializer_list<const char*> kinds) {
  for (const char* kind : kinds) {
    const QString path =
        QString::fromUtf8(library) + QStringLiteral("/%1.").arg(id) + QString::fromLatin1(kind);
    if (QFile::exists(path)) return path;
  }
  return {};
}

std::unique_ptr<gdi::CBitmap> BitmapFromFile(const QString& path) {
  if (path.isEmpty()) return nullptr;
  QImage image(path);
  if (image.isNull()) return nullptr;
  return std::make_unique<gdi::CBitmap>(image.convertToFormat(
      image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32));
}

// An icon made from a picture file, its transparent pixels masked out.
gdi::HICON IconFromFile(const QString& path, int width, int height) {
  if (path.isEmpty()) return gdi::NULL_ICON;
  QImage image(path);
  if (image.isNull() || width <= 0 || height <= 0) return gdi::NULL_ICON;
  return gdi::IconFromImage(
      image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

void CMarkupDrawer::SetImageShadow(int offsetX, int offsetY, int darkness, bool blur,
                                   gdi::DWORD depthX, gdi::DWORD depthY) {
  imageShadow_ =
      CEffectPainter::ShadowStyle::Make(offsetX, offsetY, darkness, blur, depthX, depthY);
  const int grey = markup::MulDiv(255, 100 - imageShadow_.darkness, 100);
  shadowColor_ = gdi::RGB(grey, grey, grey);
}

void CMarkupDrawer::SetImageList(std::shared_ptr<const QImage> strip, int cellWidth,
                                 int cellHeight) {
  imageList_ = std::move(strip);
  imageListCx_ = std::max(0, cellWidth);
  imageListCy_ = std::max(0, cellHeight);
}

void CMarkupDrawer::StringItem(std::string_view attributeText) {
  int idres = 0;
  int iddll = 0;
  std::string library;
  for (const auto& [name, value] : ParseAttributes(attributeText)) {
    if (name == "idres") idres = GetLength(value, 0, false);
    if (name == "iddll") iddll = GetLength(value, 0, false);
    if (name == "srcdll") library = value;
  }
  std::string text;
  if (idres != 0) {
    text = res::LoadString(idres);
  } else if (iddll != 0) {
    if (library.empty() && resourceDll_) library = *resourceDll_;
    if (!library.empty()) {
      QFile file(LibraryFile(library, iddll, {"txt"}));
      if (file.open(QIODevice::ReadOnly)) text = file.read(64 * 1024).toStdString();
    }
  }
  if (!text.empty()) PlaceText(text);
}

bool CMarkupDrawer::ReserveImage(int occupiedWidth) {
  const long long room = static_cast<long long>(RectWidth()) + rect_.left - cursor_.x;
  if (maxWidth_ != 0 && RectWidth() != 0 && occupiedWidth > room &&
      cursor_.x != cursor_.lineStart) {
    CloseLine(1, true);
    return true;
  }
  return false;
}

struct CMarkupDrawer::ImageRequest {
  int idres = 0;
  std::string file;
  int iddll = 0;
  std::string library;
  std::uint32_t handle = 0;
  int index = 0;
  std::string width = "100%";
  std::string height = "100%";
  CEffectPainter::Mask mask{gdi::FALSE, kDefaultMask};
  gdi::DWORD normal = 0;
  gdi::DWORD hover = 0;
  int cx = 0;
  int cy = 0;
  int speed = 0;

  bool HasSource() const { return idres != 0 || iddll != 0 || handle != 0 || !file.empty(); }
};

CMarkupDrawer::ImageRequest CMarkupDrawer::ReadImage(std::string_view attributeText) const {
  ImageRequest request;
  for (const auto& [name, value] : ParseAttributes(attributeText)) {
    if (name == "idres") request.idres = GetLength(value, 0, false);
    if (name == "file") request.file = value;
    if (name == "iddll") request.iddll = GetLength(value, 0, false);
    if (name == "srcdll") request.library = value;
    if (name == "handle") request.handle = markup::ParseCNumber(value);
    if (name == "index") request.index = GetLength(value, 0, false);
    if (name == "width") request.width = value;
    if (name == "height") request.height = value;
    if (name == "mask") {
      request.mask.enabled = gdi::TRUE;
      // The mask picks the picture's transparent pixels; the disabled look changes what is
      // drawn of the rest, never which pixels those are.
      request.mask.color = ReadColor(value, kDefaultMask);
    }
    if (name == "style") request.normal = request.hover = EffectFlags(value);
    if (name == "hotstyle") request.hover = EffectFlags(value);
    if (name == "cx") request.cx = GetLength(value, 0, false);
    if (name == "cy") request.cy = GetLength(value, 0, false);
    if (name == "speed") request.speed = GetLength(value, 0, false);
  }
  return request;
}

int CMarkupDrawer::ImageSide(const std::string& value, int natural) const {
  if (!value.empty() && value.back() == '%') {
    return std::clamp(markup::MulDiv(natural, markup::ParseDecimal(value), 100), 0, kMaxImageSide);
  }
  return std::clamp(GetLength(value, 0, false), 0, kMaxImageSide);
}

std::string CMarkupDrawer::Library(const ImageRequest& request) const {
  if (!request.library.empty()) return request.library;
  return resourceDll_ ? *resourceDll_ : std::string();
}

std::unique_ptr<gdi::CBitmap> CMarkupDrawer::LoadBitmap(const ImageRequest& request) const {
  if (request.idres != 0) {
    // The program's pictures are its icon images.
    const QImage image = res::LoadIconImage(request.idres);
    if (image.isNull()) return nullptr;
    return std::make_unique<gdi::CBitmap>(image.convertToFormat(QImage::Format_ARGB32));
  }
  if (!request.file.empty()) return BitmapFromFile(QString::fromUtf8(request.file));
  if (request.iddll != 0) {
    const std::string library = Library(request);
    if (library.empty()) return nullptr;
    return BitmapFromFile(LibraryFile(library, request.iddll, {"bmp", "png"}));
  }
  // Bitmaps have no handles in this program: a `handle` names nothing.
  return nullptr;
}

void CMarkupDrawer::PlaceImage(int width, int height, bool placeByOccupied,
                               const ImageRequest& request, const DrawImageFn& draw) {
  if (width <= 0 || height <= 0) return;
  const gdi::DWORD shadowBits = CEffectPainter::IMAGE_SHADOW | CEffectPainter::IMAGE_BLUR_SHADOW;
  const bool shadowed = ((request.normal | request.hover) & shadowBits) != 0;
  int occupiedWidth = width;
  int occupiedHeight = height;
  if (shadowed) {
    occupiedWidth = Sat(std::max(0LL, static_cast<long long>(width) + imageShadow_.shadow.dx));
    occupiedHeight = Sat(std::max(0LL, static_cast<long long>(height) + imageShadow_.shadow.dy));
  }
  ReserveImage(occupiedWidth);
  if (pass_ == Pass::Measuring) cursor_.line.align = style_.align;
  const int top = ItemTop(placeByOccupied ? occupiedHeight : height);
  if (pass_ == Pass::Drawing) {
    AddHotArea(cursor_.x, top, occupiedWidth, occupiedHeight);
    const bool hovered = style_.linkKind != LINK_NONE && cursor_.linkCounter == hoveredLink_;
    gdi::DWORD flags = hovered ? request.hover : request.normal;
    if (!enabled_) flags = (flags & ~0xFFu) | CEffectPainter::IMAGE_SILHOUETTE;
    draw(cursor_.x, top,
         {flags, shadowed ? gdi::TRUE : gdi::FALSE, imageShadow_.shadow,
          enabled_ ? shadowColor_ : disabledColor_});
    cursor_.restWidth -= occupiedWidth;
  }
  cursor_.x = Sat(static_cast<long long>(cursor_.x) + occupiedWidth);
}

void CMarkupDrawer::Bitmap(std::string_view attributeText) {
  const ImageRequest request = ReadImage(attributeText);
  if (!request.HasSource()) return;
  const std::unique_ptr<gdi::CBitmap> bitmap = LoadBitmap(request);
  if (!bitmap) return;
  SIZE natural;
  painter_.GetBitmapSize(bitmap.get(), natural);
  const int width = ImageSide(request.width, natural.cx);
  const int height = ImageSide(request.height, natural.cy);
  PlaceImage(width, height, false, request,
             [&](int x, int y, const CEffectPainter::ImageLook& look) {
               painter_.DrawBitmapWithEffects(dc_, {x, y, width, height}, bitmap.get(),
                                              request.mask, look);
             });
}

void CMarkupDrawer::Icon(std::string_view attributeText) {
  const ImageRequest request = ReadImage(attributeText);
  if (!request.HasSource()) return;
  const int width = ImageSide(request.width, kIconSize);
  const int height = ImageSide(request.height, kIconSize);
  if (width <= 0 || height <= 0) return;
  gdi::HICON icon = gdi::NULL_ICON;
  bool owned = true;
  if (request.idres != 0) {
    icon = gdi::LoadIconResource(static_cast<gdi::UINT>(request.idres), width, height);
  } else if (!request.file.empty()) {
    icon = IconFromFile(QString::fromUtf8(request.file), width, height);
  } else if (request.iddll != 0) {
    const std::string library = Library(request);
    if (!library.empty()) {
      icon = IconFromFile(LibraryFile(library, request.iddll, {"ico", "png"}), width, height);
    }
  } else {
    icon = static_cast<gdi::HICON>(request.handle);
    owned = false;
  }
  SIZE size;
  painter_.GetIconSize(icon, size);
  PlaceImage(std::min<int>(size.cx, kMaxImageSide), std::min<int>(size.cy, kMaxImageSide), false,
             request, [&](int x, int y, const CEffectPainter::ImageLook& look) {
               painter_.DrawIconWithEffects(dc_, {x, y, size.cx, size.cy}, icon, look);
             });
  if (owned && icon != gdi::NULL_ICON) gdi::DestroyIcon(icon);
}

void CMarkupDrawer::ImageListItem(std::string_view attributeText) {
  const ImageRequest request = ReadImage(attributeText);
  std::unique_ptr<gdi::CBitmap> strip;
  int cx = request.cx;
  int cy = request.cy;
  int index = request.index;
  if (!request.HasSource()) {
    if (!imageList_ || imageList_->isNull()) return;
    strip = std::make_unique<gdi::CBitmap>(imageList_->convertToFormat(QImage::Format_ARGB32));
    cx = imageListCx_;
    cy = imageListCy_;
  } else {
    strip = LoadBitmap(request);
    if (!strip) return;
    SIZE size;
    painter_.GetBitmapSize(strip.get(), size);
    if (cx == 0 && cy == 0) {
      cx = cy = std::min(size.cx, size.cy);
    } else if (cx == 0) {
      cx = cy;
    } else if (cy == 0) {
      cy = cx;
    }
  }
  SIZE size;
  painter_.GetBitmapSize(strip.get(), size);
  const long long columns = cx > 0 ? size.cx / cx : 0;
  const long long rows = cy > 0 ? size.cy / cy : 0;
  const long long cells = columns * rows;
  if (request.HasSource() && request.speed != 0) {
    if (pass_ == Pass::Measuring) {
      animations_.push_back({index, static_cast<int>(cells), 0, request.speed});
    } else {
      ++cursor_.animationCounter;
      if (cursor_.animationCounter >= 0 &&
          static_cast<std::size_t>(cursor_.animationCounter) < animations_.size()) {
        index = animations_[static_cast<std::size_t>(cursor_.animationCounter)].frame;
      }
    }
  }
  if (cells == 0 || index >= cells) return;
  const int width = ImageSide(request.width, cx);
  const int height = ImageSide(request.height, cy);
  PlaceImage(width, height, true, request,
             [&](int x, int y, const CEffectPainter::ImageLook& look) {
               painter_.DrawStripImage(dc_, {x, y, width, height}, strip.get(), index, {cx, cy},
                                       request.mask, look);
             });
}

bool CMarkupDrawer::OnTimer() {
  bool changed = false;
  for (AnimationInfo& animation : animations_) {
    if (animation.frameCount <= 0) continue;
    if (++animation.tick >= animation.period) {
      animation.tick = 0;
      animation.frame = animation.frame + 1 >= animation.frameCount ? 0 : animation.frame + 1;
      changed = true;
    }
  }
  return changed;
}
