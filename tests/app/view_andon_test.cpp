#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "app/view/console_window.h"
#include "tests/app/view_fixture.h"

namespace tvx::testing {
namespace {

// The colour in the middle of a widget as drawn, and its caption.
QColor Drawn(QWidget* w) {
  const QImage image = w->grab().toImage();
  return image.pixelColor(3, image.height() / 2);
}

std::string Caption(QWidget* w) {
  return qobject_cast<QPushButton*>(w)->text().toStdString();
}

TEST_F(ViewTest, ClicksOnCellsHeadersAndTheCornerPaintTheGrid) {
  ClickOn("AndonButton");
  ClickOn("ORM610AttFS");
  ClickOn("ORM610SecY");
  ClickOn("ORM610R3(12)");
  EXPECT_EQ(Drawn(W("ORM610R3(12)")), QColor(255, 0, 0));
  EXPECT_EQ(Caption(W("ORM610R3(12)")), "YS");
  EXPECT_EQ(Drawn(W("ORM610R3(11)")), QColor(192, 192, 192)) << "its neighbour is untouched";

  ClickOn("ORM610AttON");
  ClickOn("ORM610PriG");
  ClickOn("ORM610R2(0)");  // the row header
  for (int i = 1; i <= 25; ++i)
    EXPECT_EQ(Drawn(W("ORM610R2(" + std::to_string(i) + ")")), QColor(0, 255, 0));
  EXPECT_EQ(Drawn(W("ORM610R2(0)")), QColor(192, 192, 192)) << "headers keep their colour";
  EXPECT_EQ(Caption(W("ORM610R2(0)")), "2");

  ClickOn("ORM610PriY");
  ClickOn("ORM610C1(7)");  // the column header
  for (int n = 1; n <= 6; ++n)
    EXPECT_EQ(Drawn(W("ORM610R" + std::to_string(n) + "(7)")), QColor(255, 255, 0));
  EXPECT_EQ(Caption(W("ORM610C1(7)")), "7");
  EXPECT_EQ(h.w.Row, 6);

  ClickOn("ORM610AttOFF");
  ClickOn("ORM610R0C0(0)");  // the corner: every cell
  EXPECT_EQ(Drawn(W("ORM610R1(1)")), QColor(128, 128, 128));
  EXPECT_EQ(Drawn(W("ORM610R6(25)")), QColor(128, 128, 128));
  EXPECT_EQ(Caption(W("ORM610R3(12)")), "") << "OFF clears the flash code";
  EXPECT_EQ(Drawn(W("ORM610AttOFF")), QColor(255, 0, 0)) << "the picker shows its choice";
  EXPECT_EQ(Drawn(W("ORM610AttON")), QColor(192, 192, 192));
}

TEST_F(ViewTest, TransmissionLocksTheButtonsUntilItCompletes) {
  ClickOn("AndonButton");
  QTest::keyClicks(W("GroupText"), "1");
  QTest::keyClicks(W("UnitText"), "2");
  ClickOn("ORM610R1(1)");
  ClickOn("SendButton");
  h.Advance(100);
  view.Refresh();
  EXPECT_FALSE(W("SendButton")->isEnabled());
  EXPECT_EQ(h.serial.Bytes(), std::string("\x02"
                                          "0102\x1b"
                                          "AC11R1C1A1P\x04"));
  h.Advance(15500);
  view.Refresh();
  EXPECT_TRUE(W("SendButton")->isEnabled());
  EXPECT_EQ(W<QPlainTextEdit>("StatusText")->toPlainText().toStdString(),
            "The 'Andon Cell' command has been sent to Group = 01, Unit = 02");
}

// While the grid goes out the status bar shows how far it is and the cell being sent is
// outlined; stopped early, the bar says where it stopped and the status box is the console's.
TEST_F(ViewTest, AndonTransmissionShowsItsProgressAndWhereItStopped) {
  app::ConsoleWindow frame(
      view, [] { return std::string(); }, &h.console.Rows());
  frame.show();
  h.socket.state = window::kSckConnected;  // the TCP half: Cancel is reachable between ticks
  h.Run(
      "click AndonButton\ntype GroupText 1\ntype UnitText 2\nclick ORM610R1(2)\nclick "
      "SendButton\n");
  view.Refresh();
  EXPECT_EQ(frame.ProgressText().toStdString(), "Row 1, column 0: 0 of 156, about 16 s left");
  h.Advance(100);
  view.Refresh();
  EXPECT_EQ(frame.ProgressText().toStdString(), "Row 1, column 1: 1 of 156, about 16 s left");
  h.Advance(400);
  view.Refresh();
  EXPECT_EQ(frame.ProgressText().toStdString(), "Row 1, column 5: 5 of 156, about 16 s left");
  ASSERT_TRUE(frame.CellOutline());
  const QRect outline = *frame.CellOutline();
  EXPECT_EQ(outline, W("ORM610R1(5)")->geometry().adjusted(-3, -3, 3, 3));
  // A 3 px border on all four sides, the cell inside it as it was.
  const QImage drawn = W("ORM610R1(5)")->parentWidget()->grab(outline).toImage();
  const QColor blue(32, 96, 208);
  for (const QPoint at : {QPoint(0, 0), QPoint(2, 15), QPoint(31, 31), QPoint(29, 15),
                          QPoint(15, 2), QPoint(15, 29), QPoint(31, 0), QPoint(0, 31)}) {
    EXPECT_EQ(drawn.pixelColor(at), blue) << at.x() << "," << at.y();
  }
  EXPECT_EQ(drawn.pixelColor(6, 16), Drawn(W("ORM610R1(5)")));
  ClickOn("CancelButton");
  EXPECT_EQ(frame.ProgressText().toStdString(),
            "Andon transmission stopped at row 1, column 5 (5 of 156)");
  EXPECT_FALSE(frame.CellOutline());
  EXPECT_EQ(h.w.StatusText->Text(), "");  // the console's own Cancel

  h.Run("click AndonButton\ntype GroupText 1\ntype UnitText 2\nclick SendButton\n");
  h.Advance(15600);
  view.Refresh();
  EXPECT_EQ(frame.ProgressText().toStdString(), "") << "completed: nothing more to show";
}

}  // namespace
}  // namespace tvx::testing
