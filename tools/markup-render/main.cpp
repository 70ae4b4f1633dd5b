// Renders tooltip markup to a PNG the way the tooltip's drawer lays it out and draws it, so a
// tip can be designed without running the program.
//
//   tesmira-markup-render [--width N] [--css FILE] [--disabled] [--links] -o OUT.png [FILE]
//
// The markup comes from FILE or standard input. --width is the drawer's maximum width (0 or
// absent: no wrapping), --css replaces the default style sheet, --disabled draws the tip as a
// disabled window shows it, --links lists the drawn links: where each piece of a link is and
// what a click on it opens (href) or sends (msg). The PNG is white, exactly the measured size;
// the size is printed as WIDTHxHEIGHT. Usage errors and unreadable files end with status 2, a text
// that cannot be drawn with status 1.

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/gdi/dc.h"
#include "widgets/tooltip/markup_drawer.h"

namespace {

constexpr int kUsageError = 2;
// A side beyond this is a runaway text rather than a tip.
constexpr int kMaxSide = 16384;

int Usage(const std::string& message) {
  std::fprintf(stderr,
               "tesmira-markup-render: %s\n"
               "usage: tesmira-markup-render [--width N] [--css FILE] [--disabled] [--links] "
               "-o OUT.png [FILE]\n",
               message.c_str());
  return kUsageError;
}

std::optional<std::string> ReadFile(const std::string& path) {
  QFile file(QString::fromLocal8Bit(path.c_str()));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return std::nullopt;
  return bytes.toStdString();
}

std::optional<int> ParseWidth(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  return std::atoi(text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  int width = 0;
  std::optional<std::string> cssFile;
  std::optional<std::string> output;
  std::optional<std::string> input;
  bool disabled = false;
  bool links = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "--width") {
      const std::optional<std::string> text = value();
      const std::optional<int> parsed = text ? ParseWidth(*text) : std::nullopt;
      if (!parsed) return Usage("--width needs a number of pixels");
      width = *parsed;
    } else if (arg == "--css") {
      cssFile = value();
      if (!cssFile) return Usage("--css needs a file");
    } else if (arg == "--disabled") {
      disabled = true;
    } else if (arg == "--links") {
      links = true;
    } else if (arg == "-o") {
      output = value();
      if (!output) return Usage("-o needs a file");
    } else if (arg == "-" && !input) {
      input = arg;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage("unknown option " + arg);
    } else if (!input) {
      input = arg;
    } else {
      return Usage("more than one markup file");
    }
  }
  if (!output) return Usage("no output file (-o OUT.png)");

  std::optional<std::string> markup;
  if (!input || *input == "-") {
    markup = std::string(std::istreambuf_iterator<char>(std::cin), {});
  } else {
    markup = ReadFile(*input);
    if (!markup) return Usage("cannot read " + *input);
  }
  std::optional<std::string> css;
  if (cssFile) {
    css = ReadFile(*cssFile);
    if (!css) return Usage("cannot read " + *cssFile);
  }

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  CMarkupDrawer drawer;
  drawer.SetMaxWidth(width);
  if (css) drawer.SetCssStyles(*css);
  drawer.EnableOutput(!disabled);

  QImage measure(1, 1, QImage::Format_RGB32);
  gdi::CDC measureDc(&measure);
  const gdi::SIZE size = drawer.PrepareOutput(&measureDc, *markup);
  std::printf("%dx%d\n", size.cx, size.cy);
  if (size.cx <= 0 || size.cy <= 0) {
    std::fprintf(stderr, "tesmira-markup-render: the text is empty, nothing to draw\n");
    return 1;
  }
  if (size.cx > kMaxSide || size.cy > kMaxSide) {
    std::fprintf(stderr, "tesmira-markup-render: the tip is too large to draw\n");
    return 1;
  }

  QImage image(size.cx, size.cy, QImage::Format_RGB32);
  image.fill(Qt::white);
  gdi::CDC dc(&image);
  drawer.DrawPreparedOutput(&dc, {0, 0, size.cx, size.cy});
  if (!image.save(QString::fromLocal8Bit(output->c_str()), "PNG")) {
    std::fprintf(stderr, "tesmira-markup-render: cannot write %s\n", output->c_str());
    return 1;
  }
  if (links) {
    for (const CMarkupDrawer::HotArea& area : drawer.HotAreas()) {
      const std::string what =
          area.linkKind == 1
              ? "opens " + CMarkupDrawer::LinkUrl(area.linkTarget).toString().toStdString()
              : "sends " + area.linkTarget;
      std::printf("link %d at %d,%d %dx%d %s\n", area.link, area.left, area.top,
                  area.right - area.left + 1, area.bottom - area.top + 1, what.c_str());
    }
  }
  return 0;
}
