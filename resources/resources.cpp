#include "resources.h"

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
  QImage image(QStringLiteral(":/icons/%1.png").arg(id));
  if (image.isNull()) return image;
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace res
