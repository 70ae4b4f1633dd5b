#pragma once
// Small images as rows of letters, so that a test's expected pixels read at a glance.

#include <QImage>

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Each pixel as the letter its colour (alpha aside) has in `key`, '?' for any other colour.
std::vector<std::string> Picture(const QImage& image,
                                 const std::vector<std::pair<QRgb, char>>& key);

}  // namespace testsupport
