// The packet box as a grid fills it: its lines break where Qt's word wrapping breaks them, and
// an append draws again only what it changed, leaving no stale pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <functional>
#include <vector>

#include "app/view/byte_boxes.h"

namespace tvx::testing {
namespace {

QString GridPackets(int count) {
  QString text;
  for (int i = 0; i < count; ++i) {
    text += QStringLiteral("<02>0102<1B>AC1%1R%2C2A1P0S<04>").arg(i / 25 + 1).arg(i % 25 + 1);
  }
  return text;
}

void LikeThePacketBox(QPlainTextEdit& box) {
  QFont unshaped;
  unshaped.setPixelSize(12);
  unshaped.setStyleStrategy(QFont::PreferNoShaping);
  box.setFont(unshaped);
  box.resize(970, 110);
}

struct Line {
  int start, length;
  qreal width;
  bool operator==(const Line&) const = default;
};

std::vector<Line> LinesOf(QPlainTextEdit& box) {
  std::vector<Line> lines;
  for (QTextBlock b = box.document()->firstBlock(); b.isValid(); b = b.next()) {
    const QTextLayout& layout = *b.layout();
    for (int i = 0; i < layout.lineCount(); ++i) {
      const QTextLine line = layout.lineAt(i);
      lines.push_back(
          {b.position() + line.textStart(), line.textLength(), line.naturalTextWidth()});
    }
  }
  return lines;
}

// What the window system was last given of the box against a fresh drawing of it.
bool ShowsItsText(QWidget& box) {
  QApplication::processEvents();
  const QImage shown = box.screen()->grabWindow(box.winId()).toImage();
  const QImage fresh = box.grab().toImage();
  return shown.convertToFormat(QImage::Format_RGB32) == fresh.convertToFormat(QImage::Format_RGB32);
}

struct Fill {
  const char* name;
  std::vector<QString> pieces;  // appended one at a time, as ticks append packets
};

TEST(PacketBox, LinesBreakWhereWordWrappingBreaksThem) {
  const QString words = QStringLiteral("<02>0102<1B>SL1THE LINE STOPS - AT STATION 4/B<04>");
  std::vector<QString> grid;
  grid.reserve(156);
  for (int i = 0; i < 156; ++i) grid.push_back(GridPackets(i + 1).mid(GridPackets(i).size()));
  const Fill cases[] = {
      {"a grid's packets", grid},
      {"a message with spaces, a hyphen and a slash", std::vector<QString>(40, words)},
      {"packets, then one with spaces", {GridPackets(60), words, GridPackets(30)}},
      {"spaces first, then only packets", {words, GridPackets(80)}},
      {"one short packet", {GridPackets(1)}},
  };
  for (const Fill& c : cases) {
    app::ByteTextEdit box;
    QPlainTextEdit reference;
    LikeThePacketBox(box);
    LikeThePacketBox(reference);
    box.show();
    reference.show();
    QString whole;
    for (const QString& piece : c.pieces) {
      box.Append(piece);
      whole += piece;
    }
    reference.setPlainText(whole);
    QApplication::processEvents();
    ASSERT_EQ(box.toPlainText(), whole) << c.name;
    EXPECT_GT(LinesOf(reference).size(), 0u) << c.name;
    EXPECT_EQ(LinesOf(box), LinesOf(reference)) << c.name;
  }
}

TEST(PacketBox, AnOperatorsSpaceBringsBackBreaksBetweenWords) {
  app::ByteTextEdit box;
  QPlainTextEdit reference;
  LikeThePacketBox(box);
  LikeThePacketBox(reference);
  box.show();
  reference.show();
  box.Append(GridPackets(20));
  box.moveCursor(QTextCursor::End);
  box.moveCursor(QTextCursor::Left);
  for (int i = 0; i < 60; ++i) box.moveCursor(QTextCursor::Left);
  QTest::keyClicks(&box, QStringLiteral(" HELLO "));
  reference.setPlainText(box.toPlainText());
  QApplication::processEvents();
  EXPECT_EQ(LinesOf(box), LinesOf(reference));
}

class PaintCount : public QObject {
 public:
  int paints = 0;
  QRect region;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      region |= static_cast<QPaintEvent*>(event)->rect();
    }
    return false;
  }
};

TEST(PacketBox, AnAppendDrawsOnlyFromTheLastLineDownAndNothingOutOfSight) {
  app::ByteTextEdit box;
  LikeThePacketBox(box);
  box.setReadOnly(true);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  PaintCount count;
  box.viewport()->installEventFilter(&count);
  int packets = 0;
  bool drew_in_sight = false;
  for (int tick = 0; tick < 156; ++tick) {
    const QTextLayout& layout = *box.document()->lastBlock().layout();
    const qreal last_top = layout.lineCount() > 0 ? layout.lineAt(layout.lineCount() - 1).y() : 0;
    const bool scrolls = box.verticalScrollBar()->isVisible();
    count.paints = 0;
    count.region = {};
    box.Append(GridPackets(packets + 1).mid(GridPackets(packets).size()));
    ++packets;
    QApplication::processEvents();
    const int paints = count.paints;
    const QRect region = count.region;
    ASSERT_TRUE(ShowsItsText(box)) << "tick " << tick;              // its fresh drawing paints too
    if (scrolls != box.verticalScrollBar()->isVisible()) continue;  // narrower: all laid out anew
    if (last_top + 4 >= box.viewport()->height()) {                 // 4: the document's margin
      EXPECT_EQ(paints, 0) << "tick " << tick << ": nothing in sight changed";
    } else if (tick > 0 && paints > 0) {
      drew_in_sight = true;
      EXPECT_GE(region.top(), static_cast<int>(last_top)) << "tick " << tick;
    }
  }
  EXPECT_TRUE(drew_in_sight);
  EXPECT_EQ(box.toPlainText(), GridPackets(156));
}

// Appends out of sight are measured from the last line on; the scroll bar, the caret and the
// look must be what a box that laid out all of its text each time shows.
TEST(PacketBox, AppendsOutOfSightShowWhatAWholeLayoutShows) {
  struct Case {
    const char* name;
    std::function<void(QPlainTextEdit&)> at_tick_60;  // what the operator does meanwhile
  };
  // Before tick 60's append, with nothing drawn in between.
  const Case cases[] = {
      {"left at the top", [](QPlainTextEdit&) {}},
      {"scrolled half way down",
       [](QPlainTextEdit& b) {
         b.verticalScrollBar()->setValue(b.verticalScrollBar()->maximum() / 2);
       }},
      {"scrolled to the end",
       [](QPlainTextEdit& b) {
         b.verticalScrollBar()->setValue(b.verticalScrollBar()->maximum());
       }},
      {"made narrower", [](QPlainTextEdit& b) { b.resize(800, 110); }},
      {"caret and selection in the text",
       [](QPlainTextEdit& b) {
         QTextCursor c = b.textCursor();
         c.setPosition(900);
         c.setPosition(950, QTextCursor::KeepAnchor);
         b.setTextCursor(c);
       }},
  };
  for (const Case& c : cases) {
    app::ByteTextEdit box;
    QPlainTextEdit reference;
    for (QPlainTextEdit* b : {static_cast<QPlainTextEdit*>(&box), &reference}) {
      LikeThePacketBox(*b);
      b->setReadOnly(true);
      b->show();
    }
    int measured = 0;
    for (int tick = 0; tick < 156; ++tick) {
      const QString piece = GridPackets(tick + 1).mid(GridPackets(tick).size());
      if (tick == 60) {
        c.at_tick_60(box);
        c.at_tick_60(reference);
      }
      box.Append(piece);
      QTextCursor end(reference.document());
      end.movePosition(QTextCursor::End);
      end.insertText(piece);
      QApplication::processEvents();
      if (box.document()->lastBlock().layout()->lineCount() == 0) ++measured;
      const QScrollBar& mine = *box.verticalScrollBar();
      const QScrollBar& theirs = *reference.verticalScrollBar();
      ASSERT_EQ(box.document()->lineCount(), reference.document()->lineCount())
          << c.name << ", tick " << tick;
      ASSERT_EQ(mine.maximum(), theirs.maximum()) << c.name << ", tick " << tick;
      ASSERT_EQ(mine.pageStep(), theirs.pageStep()) << c.name << ", tick " << tick;
      ASSERT_EQ(mine.value(), theirs.value()) << c.name << ", tick " << tick;
      ASSERT_EQ(box.textCursor().anchor(), reference.textCursor().anchor()) << c.name;
      ASSERT_EQ(box.textCursor().position(), reference.textCursor().position()) << c.name;
    }
    EXPECT_GT(measured, 60) << c.name << ": most appends out of sight were not laid out";
    EXPECT_EQ(box.toPlainText(), reference.toPlainText()) << c.name;
    EXPECT_TRUE(box.grab().toImage() == reference.grab().toImage()) << c.name;
    EXPECT_EQ(LinesOf(box), LinesOf(reference)) << c.name;  // laid out by the drawing
  }
}

}  // namespace
}  // namespace tvx::testing
