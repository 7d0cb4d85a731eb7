// The andon progress bar shows exactly what a plain QProgressBar shows, under Fusion (drawn
// with less work) and under another style (drawn as Qt draws it).
#include "app/view/progress_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QStyle>
#include <QStyleFactory>
#include <memory>

#include "tests/app/picture_difference.h"

namespace tvx::testing {
namespace {

struct Bar {
  const char* name;
  int value;
  QString format;
  QSize size;
  bool enabled = true;
  bool text = true;
  Qt::LayoutDirection direction = Qt::LeftToRight;
  int point_size = 0;  // the bar's own font size, 0: the application's
  Qt::Orientation orientation = Qt::Horizontal;
};

QImage Look(QProgressBar& bar, const Bar& c, QStyle* style) {
  bar.setStyle(style);
  bar.setRange(0, 156);
  bar.setValue(c.value);
  bar.setFormat(c.format);
  bar.setTextVisible(c.text);
  bar.setEnabled(c.enabled);
  bar.setLayoutDirection(c.direction);
  QFont font = QApplication::font();
  if (c.point_size > 0) font.setPointSize(c.point_size);
  bar.setFont(font);
  bar.setOrientation(c.orientation);
  bar.resize(c.size);
  return bar.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The largest difference on any channel of any pixel.
int Differing(const QImage& a, const QImage& b) {
  return Compare(a, b).largest;
}

TEST(ProgressBar, ShowsWhatAPlainOneShows) {
  const QString grid = QStringLiteral("Row %1, column %2: %v of %m, about %3 s left");
  const Bar cases[] = {
      {"none done", 0, grid.arg(1).arg(1).arg(16), {320, 22}},
      {"the text's middle reached", 78, grid.arg(4).arg(3).arg(8), {320, 22}},
      {"one position", 1, grid.arg(1).arg(2).arg(16), {320, 22}},
      {"all but one", 155, grid.arg(6).arg(25).arg(1), {320, 22}},
      {"all done", 156, grid.arg(6).arg(25).arg(0), {320, 22}},
      {"percent", 40, QStringLiteral("%p%"), {320, 22}},
      {"text wider than the bar", 100, grid.arg(6).arg(24).arg(6), {120, 22}},
      {"tall", 60, grid.arg(3).arg(10).arg(10), {320, 40}},
      {"no text", 90, grid.arg(4).arg(15).arg(7), {320, 22}, true, false},
      {"disabled", 70, grid.arg(3).arg(20).arg(9), {320, 22}, false},
      {"right to left", 50, grid.arg(2).arg(25).arg(11), {320, 22}, true, true, Qt::RightToLeft},
      {"two lines in a tall narrow bar", 120, grid.arg(5).arg(20).arg(4), {150, 60}},
      {"a large font", 30, grid.arg(2).arg(5).arg(13), {320, 22}, true, true, Qt::LeftToRight, 15},
      {"a right-to-left text", 100, QString::fromUtf8("\u05e9\u05d5\u05e8\u05d4 %v"), {320, 22}},
      {"a text with a line break", 20, QStringLiteral("Row 1\ncolumn 20"), {320, 40}},
      {"a tab", 20, QStringLiteral("Row 1\tcolumn 20"), {320, 22}},
      {"vertical",
       80,
       QStringLiteral("%p%"),
       {40, 200},
       true,
       true,
       Qt::LeftToRight,
       0,
       Qt::Vertical},
  };
  for (const char* style_name : {"Fusion", "Windows"}) {
    const std::unique_ptr<QStyle> style(QStyleFactory::create(style_name));
    ASSERT_TRUE(style) << style_name;
    // One bar through all the cases: a groove kept from an earlier case would show there.
    app::QuickProgressBar quick;
    QProgressBar plain;
    for (const Bar& c : cases) {
      const QImage shown = Look(quick, c, style.get());
      const QImage expected = Look(plain, c, style.get());
      EXPECT_EQ(quick.text(), plain.text()) << style_name << ": " << c.name;
      // Under Fusion the groove is a copy of a picture: its antialiased edges may round
      // differently by a level.
      EXPECT_LE(Differing(shown, expected), 1) << style_name << ": " << c.name;
    }
    for (QProgressBar* bar : {static_cast<QProgressBar*>(&quick), &plain}) {
      QPalette palette = bar->palette();
      palette.setColor(QPalette::Base, QColor(255, 240, 200));
      palette.setColor(QPalette::Window, QColor(200, 220, 255));
      bar->setPalette(palette);
    }
    const QImage shown = quick.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage expected = plain.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_LE(Differing(shown, expected), 1) << style_name << ": a new palette";
  }
}

}  // namespace
}  // namespace tvx::testing
