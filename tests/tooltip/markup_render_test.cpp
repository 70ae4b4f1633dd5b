// The command-line renderer: its output image, its printed size and its errors.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

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
