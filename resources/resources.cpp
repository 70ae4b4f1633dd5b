#include "resources.h"

#include <QImageReader>

namespace res {

std::string LoadString(int id) {
  switch (id) {
    case kStringAboutMenu:
      return "About Tesmira(&A)...";
    case kStringConnectTip:
      return "Connect";
    case kStringDisconnectTip:
      return "DisConnect";
    default:
      return {};
  }
}

QImage LoadIconImage(int id) {
  // The icons are PNGs, whose reader is built into Qt Gui. Without a named format and with
  // detection on, the first load would load every image-format plugin to ask it about them.
  QImageReader reader(QStringLiteral(":/icons/%1.png").arg(id), "png");
  reader.setAutoDetectImageFormat(false);
  const QImage image = reader.read();
  if (image.isNull()) return image;
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace res
