// Fuzz target of the markup drawer: preprocessing, the parser, the style sheet and both layout
// passes, with hover tracking and animation steps in between.
//
// Input: one byte of settings (enabled flag, line conversion, a maximum width), then, up to
// the first zero byte, a style sheet (none: the default one), then the markup.

#include <QGuiApplication>
#include <QImage>

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/gdi/dc.h"
#include "widgets/tooltip/markup_drawer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Never destroyed: libFuzzer ends the process with exit(), where Qt's own globals may already
  // be gone when an application object's destructor would run.
  static QGuiApplication* const app = new QGuiApplication(*argc, *argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t settings = data[0];
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  // One drawer for every input, as the tooltip keeps one: every setting an input may change is
  // set again, and the hovered link is cleared below.
  static CMarkupDrawer drawer;
  drawer.EnableOutput((settings & 0x01) == 0);
  drawer.EnableLineConversion((settings & 0x02) == 0);
  static constexpr int kWidths[] = {0, 0, 1, 7, 40, 120, 300, 1000};
  drawer.SetMaxWidth(kWidths[(settings >> 2) & 0x07]);
  drawer.SetTabSize((settings & 0x20) ? 1 + (settings >> 6) : 32);
  const std::size_t zero = input.find('\0');
  if (zero != std::string_view::npos) {
    drawer.SetCssStyles(input.substr(0, zero));
    input.remove_prefix(zero + 1);
  } else {
    drawer.SetCssStyles();
  }

  QImage image(96, 64, QImage::Format_RGB32);
  image.fill(Qt::white);
  gdi::CDC dc(&image);
  const gdi::SIZE measured = drawer.PrepareOutput(&dc, input);
  drawer.DrawPreparedOutput(&dc, {0, 0, measured.cx, measured.cy});
  // Hover the first link, draw again with its hover style, and step the animations.
  if (!drawer.HotAreas().empty()) {
    const CMarkupDrawer::HotArea area = drawer.HotAreas().front();
    drawer.OnSetCursor({area.left, area.top});
  }
  for (int i = 0; i < 3; ++i) drawer.OnTimer();
  drawer.DrawPreparedOutput(&dc, {5, 5, 60, 40});
  drawer.OnSetCursor({-1000, -1000});
  return 0;
}
