#pragma once
// Shared helpers of the markup tests: a drawer whose body text is the test font, and a white
// image to measure and draw on.

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/font.h"
#include "widgets/tooltip/markup_drawer.h"

namespace markup_test {

// A text piece as the drawing pass wrote it.
struct Piece {
  std::string text;
  int x = 0;
  int y = 0;
  TextStyle style;
};

class MarkupTest : public testing::Test {
 protected:
  MarkupTest() : image_(800, 600, QImage::Format_RGB32), dc_(&image_) {
    image_.fill(Qt::white);
    drawer_.SetPieceObserver([this](std::string_view text, int x, int y, const TextStyle& style) {
      pieces_.push_back({std::string(text), x, y, style});
    });
  }

  // Measures and draws the text at (0, 0) in its measured size; returns the measured size.
  gdi::SIZE Render(std::string_view markup) {
    pieces_.clear();
    image_.fill(Qt::white);
    const gdi::SIZE size = drawer_.PrepareOutput(&dc_, markup);
    drawer_.DrawPreparedOutput(&dc_, {0, 0, size.cx, size.cy});
    return size;
  }

  // The width of a text in the body font at the given cell height and weight.
  static int Width(std::string_view text, int height = 13, int weight = 400) {
    gdi::LOGFONT logFont;
    logFont.lfHeight = height;
    logFont.lfWeight = weight;
    std::copy_n("DejaVu Sans", 12, logFont.lfFaceName);
    return gdi::CFont::CreateFontIndirect(logFont)->Width(text);
  }

  std::string Text() const {
    std::string text;
    for (const Piece& piece : pieces_) text += piece.text;
    return text;
  }

  QImage image_;
  gdi::CDC dc_;
  CMarkupDrawer drawer_;
  std::vector<Piece> pieces_;
};

}  // namespace markup_test
