// The command-line renderer: its output image, its printed size and its errors.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <string>

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class MarkupRenderTest : public testing::Test {
 protected:
  Outcome Render(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(TESMIRA_MARKUP_RENDER), arguments);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
  }

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  QTemporaryDir dir_;
};

TEST_F(MarkupRenderTest, DrawsTheTipInItsMeasuredSize) {
  const QString css = Write(QStringLiteral("test.css"),
                            "body {font-size: 10pt; font-family: DejaVu Sans; color: black}");
  const QString png = dir_.filePath(QStringLiteral("tip.png"));
  const Outcome run =
      Render({QStringLiteral("--css"), css, QStringLiteral("-o"), png}, "<b>Tesmira</b><br>x");
  ASSERT_EQ(run.status, 0) << run.err;
  const QImage image(png);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(run.out, std::to_string(image.width()) + "x" + std::to_string(image.height()) + "\n");
  EXPECT_EQ(image.height(), 2 * 13 + 1);
  EXPECT_EQ(QColor(image.pixel(image.width() - 1, image.height() - 1)), QColor(Qt::white));

  const QString markup = Write(QStringLiteral("tip.txt"), "one two three four five six");
  const Outcome wrapped = Render({QStringLiteral("--css"), css, QStringLiteral("--width"),
                                  QStringLiteral("60"), QStringLiteral("-o"), png, markup});
  ASSERT_EQ(wrapped.status, 0) << wrapped.err;
  EXPECT_LE(QImage(png).width(), 61);
  EXPECT_GT(QImage(png).height(), 2 * 13);
}

TEST_F(MarkupRenderTest, DrawsTables) {
  const QString png = dir_.filePath(QStringLiteral("table.png"));
  // A 20 x 10 cell with padding 2 and the table's border, in a 1-pixel frame: 28 x 18.
  const Outcome run =
      Render({QStringLiteral("-o"), png},
             "<table border=1 bgcolor=red><tr><td width=20 height=10></td></tr></table>");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "29x19\n");
  const QImage image(png);
  EXPECT_EQ(QColor(image.pixel(0, 9)), QColor(Qt::black));
  // The cell inherits the border and the background.
  EXPECT_EQ(QColor(image.pixel(1, 9)), QColor(Qt::black));
  EXPECT_EQ(QColor(image.pixel(2, 9)), QColor(Qt::red));
  EXPECT_EQ(QColor(image.pixel(5, 9)), QColor(Qt::red));
}

// In the disabled look a masked picture is a silhouette: its mask colour stays transparent,
// whatever colour the disabled look gives everything else.
TEST_F(MarkupRenderTest, DisabledMaskedPicturesAreSilhouettes) {
  QImage picture(12, 12, QImage::Format_RGB32);
  picture.fill(qRgb(255, 0, 255));
  for (int y = 4; y < 8; ++y) {
    for (int x = 4; x < 8; ++x) picture.setPixel(x, y, qRgb(255, 0, 0));
  }
  const QString file = dir_.filePath(QStringLiteral("masked.png"));
  ASSERT_TRUE(picture.save(file));
  const QString png = dir_.filePath(QStringLiteral("tip.png"));
  const QByteArray path = file.toUtf8();
  const QByteArray markups[] = {QByteArray("<bmp file=\"") + path + "\" mask>",
                                QByteArray("<bmp file=\"") + path + "\" mask=#ff00ff>",
                                QByteArray("<ilst file=\"") + path + "\" mask>"};
  for (const QByteArray& markup : markups) {
    SCOPED_TRACE(markup.toStdString());
    const Outcome run = Render({QStringLiteral("--disabled"), QStringLiteral("-o"), png}, markup);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "13x13\n");
    const QImage image(png);
    EXPECT_EQ(QColor(image.pixel(1, 1)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(10, 2)), QColor(Qt::white));
    const QColor centre(image.pixel(5, 5));
    EXPECT_NE(centre, QColor(Qt::white));
    EXPECT_EQ(centre.red(), centre.green());  // the disabled grey, not the picture's red
  }
}

// Count of the pixels of an image that are clearly red.
int RedPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c(image.pixel(x, y));
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++count;
    }
  }
  return count;
}

TEST_F(MarkupRenderTest, StyleSheetClassesApplyWhateverTheirCase) {
  const QString css = Write(
      QStringLiteral("test.css"),
      "body {font-size: 30px; font-family: DejaVu Sans}\n.Warn {color:red; font-weight:bold}");
  const QString png = dir_.filePath(QStringLiteral("tip.png"));
  for (const QByteArray& markup :
       {QByteArray("<span class=Warn>WWW</span>"), QByteArray("<span class=warn>WWW</span>"),
        QByteArray("<span class=WARN>WWW</span>")}) {
    SCOPED_TRACE(markup.toStdString());
    const Outcome run = Render({QStringLiteral("--css"), css, QStringLiteral("-o"), png}, markup);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_GT(RedPixels(QImage(png)), 50);
  }
}

// --links lists where each link is and what a click on it opens: a target without a scheme
// is a file in the working folder, one with a scheme opens as written.
TEST_F(MarkupRenderTest, ListsTheLinksAndWhatTheyOpen) {
  const QString png = dir_.filePath(QStringLiteral("tip.png"));
  QProcess process;
  process.setWorkingDirectory(dir_.path());
  process.start(QStringLiteral(TESMIRA_MARKUP_RENDER),
                {QStringLiteral("--links"), QStringLiteral("-o"), png});
  process.write(
      "<a href=\"readme.htm\">read</a> <a href=\"http://example.com/x\">web</a> "
      "<a href=\"docs/a b.htm\">docs</a> <a msg=stop>stop</a>");
  process.closeWriteChannel();
  ASSERT_TRUE(process.waitForFinished(60000));
  ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  const QStringList lines =
      QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 5) << lines.join(u'|').toStdString();
  const QString folder = QDir(dir_.path()).canonicalPath();
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("link 0 at 0,0 "))) << lines[1].toStdString();
  EXPECT_TRUE(
      lines[1].endsWith(QStringLiteral(" opens ") +
                        QUrl::fromLocalFile(folder + QStringLiteral("/readme.htm")).toString()))
      << lines[1].toStdString();
  EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" opens http://example.com/x")))
      << lines[2].toStdString();
  EXPECT_TRUE(
      lines[3].endsWith(QStringLiteral(" opens ") +
                        QUrl::fromLocalFile(folder + QStringLiteral("/docs/a b.htm")).toString()))
      << lines[3].toStdString();
  EXPECT_TRUE(lines[4].endsWith(QStringLiteral(" sends stop"))) << lines[4].toStdString();
}

// Whether fontconfig knows a font with Chinese characters.
bool HasChineseFont() {
  QProcess list;
  list.start(QStringLiteral("fc-list"), {QStringLiteral(":lang=zh")});
  return list.waitForFinished(30000) && !list.readAllStandardOutput().trimmed().isEmpty();
}

TEST_F(MarkupRenderTest, ChineseIsDrawnInAFontThatHasIt) {
  if (!HasChineseFont()) {
    GTEST_SKIP() << "no installed font has Chinese characters (scripts/install-deps installs "
                    "fonts-wqy-zenhei)";
  }
  const QString css = Write(QStringLiteral("test.css"), "body {font-size: 40px}");
  const QString chinese = dir_.filePath(QStringLiteral("chinese.png"));
  const QString missing = dir_.filePath(QStringLiteral("missing.png"));
  ASSERT_EQ(Render({QStringLiteral("--css"), css, QStringLiteral("-o"), chinese},
                   "\xE4\xB8\xAD\xE6\x96\x87")
                .status,
            0);
  // Characters no font has: the face's empty boxes.
  ASSERT_EQ(Render({QStringLiteral("--css"), css, QStringLiteral("-o"), missing},
                   "\xF4\x8F\xBF\xBD\xF4\x8F\xBF\xBD")
                .status,
            0);
  EXPECT_NE(QImage(chinese), QImage(missing));
}

// The columns of the dark pixels in the given rows, as their mean.
double MeanDarkColumn(const QImage& image, int top, int bottom) {
  double sum = 0;
  int count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) {
        sum += x;
        ++count;
      }
    }
  }
  return count ? sum / count : -1;
}

TEST_F(MarkupRenderTest, ArabicIsJoinedAndReadFromTheRight) {
  const QString css =
      Write(QStringLiteral("test.css"), "body {font-size: 40px; font-family: DejaVu Sans}");
  const QString png = dir_.filePath(QStringLiteral("tip.png"));
  const auto widthOf = [&](const QByteArray& markup) {
    const Outcome run = Render({QStringLiteral("--css"), css, QStringLiteral("-o"), png}, markup);
    EXPECT_EQ(run.status, 0) << run.err;
    return QImage(png).width() - 1;
  };
  const QByteArray beh = "\xD8\xA8";
  EXPECT_LT(widthOf(beh + beh + beh), 3 * widthOf(beh));
  // Alef, then beh: the alef's tall stroke, read first, stands right of the low beh.
  widthOf("\xD8\xA7" + beh);
  const QImage image(png);
  ASSERT_FALSE(image.isNull());
  EXPECT_GT(MeanDarkColumn(image, 0, image.height() / 3), image.width() / 2.0);
}

TEST_F(MarkupRenderTest, RefusesBadUseWithStatusTwo) {
  const QString png = dir_.filePath(QStringLiteral("tip.png"));
  for (const QStringList& arguments :
       {QStringList{QStringLiteral("--colour"), QStringLiteral("-o"), png},
        QStringList{QStringLiteral("-o"), png, dir_.filePath(QStringLiteral("missing.txt"))},
        QStringList{QStringLiteral("--css"), dir_.filePath(QStringLiteral("missing.css")),
                    QStringLiteral("-o"), png},
        QStringList{QStringLiteral("--width"), QStringLiteral("wide"), QStringLiteral("-o"), png},
        QStringList{}}) {
    const Outcome run = Render(arguments, "x");
    EXPECT_EQ(run.status, 2) << arguments.join(u' ').toStdString();
    EXPECT_NE(run.err.find("tesmira-markup-render: "), std::string::npos);
    EXPECT_NE(run.err.find("usage:"), std::string::npos);
  }
  EXPECT_FALSE(QFile::exists(png));
}

TEST_F(MarkupRenderTest, EmptyTextHasNothingToDraw) {
  const Outcome run = Render({QStringLiteral("-o"), dir_.filePath(QStringLiteral("tip.png"))}, "");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "0x0\n");
}

}  // namespace
