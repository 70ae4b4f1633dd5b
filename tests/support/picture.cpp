#include "support/picture.h"

namespace testsupport {

std::vector<std::string> Picture(const QImage& image,
                                 const std::vector<std::pair<QRgb, char>>& key) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      char c = '?';
      for (auto [rgb, letter] : key) {
        if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) c = letter;
      }
      row += c;
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace testsupport
