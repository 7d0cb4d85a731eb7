// Buttons and frames that keep their look: whatever changes, they show what a plain widget
// with the same properties shows, and an unchanged one is copied, not drawn again.
#include "app/view/kept_looks.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "tests/app/picture_difference.h"

namespace tvx::testing {
namespace {

using app::KeptButton;
using app::KeptGroupBox;

// Pixels that differ by more than compositing a kept picture's antialiased edges can.
int Differing(const QPixmap& a, const QPixmap& b) {
  return Compare(a.toImage().convertToFormat(QImage::Format_RGB32),
                 b.toImage().convertToFormat(QImage::Format_RGB32), 16)
      .pixels;
}

int Differing(QWidget& a, QWidget& b) {
  return Differing(a.grab(), b.grab());
}

constexpr const char* kRed =
    "QPushButton{background-color:rgb(255,0,0);border:1px solid rgb(96,96,96);"
    "border-radius:2px;padding:0px;}QPushButton:pressed{border:2px solid rgb(48,48,48);}"
    "QPushButton:disabled{color:rgb(112,112,112);}";

struct Change {
  const char* name;
  std::function<void(QPushButton&)> apply;
};

TEST(KeptLooks, AButtonShowsWhatAPlainOneShowsAfterEveryChange) {
  QWidget window;
  window.resize(200, 100);
  KeptButton kept(&window);
  QPushButton plain(&window);
  for (QPushButton* b : {static_cast<QPushButton*>(&kept), &plain}) {
    b->setGeometry(b == &kept ? 10 : 60, 10, 26, 26);
    b->setText("BS");
  }
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const Change changes[] = {
      {"as made", [](QPushButton&) {}},
      {"a back colour", [](QPushButton& b) { b.setStyleSheet(kRed); }},
      {"a new caption", [](QPushButton& b) { b.setText("YS"); }},
      {"pressed", [](QPushButton& b) { b.setDown(true); }},
      {"released", [](QPushButton& b) { b.setDown(false); }},
      {"disabled", [](QPushButton& b) { b.setEnabled(false); }},
      {"enabled again", [](QPushButton& b) { b.setEnabled(true); }},
      {"larger", [](QPushButton& b) { b.resize(40, 30); }},
      {"a new font", [](QPushButton& b) { b.setFont(QFont(b.font().family(), 15)); }},
      {"the colour taken off", [](QPushButton& b) { b.setStyleSheet({}); }},
      {"a palette",
       [](QPushButton& b) {
         QPalette p = b.palette();
         p.setColor(QPalette::Button, Qt::darkGreen);
         b.setPalette(p);
       }},
  };
  for (const Change& c : changes) {
    c.apply(kept);
    c.apply(plain);
    kept.grab();  // drawn once before the comparison: a stale picture would show there
    EXPECT_EQ(Differing(kept, plain), 0) << c.name;
  }
}

TEST(KeptLooks, AGroupBoxShowsWhatAPlainOneShowsAfterEveryChange) {
  QWidget window;
  window.resize(500, 200);
  KeptGroupBox kept(&window);
  QGroupBox plain(&window);
  kept.setGeometry(10, 10, 200, 120);
  plain.setGeometry(250, 10, 200, 120);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const std::function<void(QGroupBox&)> changes[] = {
      [](QGroupBox&) {},
      [](QGroupBox& g) { g.setTitle("Andon Cell Commands"); },
      [](QGroupBox& g) { g.setTitle("Command Data"); },
      [](QGroupBox& g) { g.resize(180, 90); },
      [](QGroupBox& g) { g.setEnabled(false); },
      [](QGroupBox& g) { g.setTitle({}); },
  };
  int step = 0;
  for (const auto& change : changes) {
    change(kept);
    change(plain);
    kept.grab();
    EXPECT_EQ(Differing(kept, plain), 0) << "step " << step++;
  }
}

// Parts repainted from the kept picture (the andon outline's old and new places, a tall strip
// beside them) show what the whole look shows there, whatever their height.
TEST(KeptLooks, APartRepaintedShowsThatPartOfTheLook) {
  QWidget window;
  window.resize(560, 340);
  KeptGroupBox kept(&window);
  QGroupBox plain(&window);
  for (QGroupBox* frame : {static_cast<QGroupBox*>(&kept), &plain}) frame->setTitle("Command Data");
  kept.setGeometry(10, 10, 260, 320);
  plain.setGeometry(290, 10, 260, 320);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  kept.grab();
  kept.grab();  // shown again: from now on a copy
  const QRegion parts[] = {
      QRegion(0, 0, 260, 320),
      QRegion(40, 40, 32, 32) + QRegion(68, 40, 32, 32),
      QRegion(40, 40, 32, 32) + QRegion(240, 1, 14, 300),
      QRegion(0, 63, 260, 2) + QRegion(0, 127, 5, 130),
  };
  for (const QRegion& part : parts) {
    QPixmap shown(kept.size());
    QPixmap expected(plain.size());
    shown.fill(Qt::green);
    expected.fill(Qt::green);
    kept.render(&shown, QPoint(), part, QWidget::DrawChildren);
    plain.render(&expected, QPoint(), part, QWidget::DrawChildren);
    EXPECT_EQ(Differing(shown, expected), 0)
        << part.boundingRect().x() << "," << part.boundingRect().y();
  }
  EXPECT_EQ(kept.Look().Drawings(), 1);
}

TEST(KeptLooks, RepaintsOfAnUnchangedLookAreCopies) {
  QWidget window;
  window.resize(200, 200);
  KeptButton button(&window);
  button.setGeometry(10, 10, 26, 26);
  button.setStyleSheet(kRed);
  KeptGroupBox frame(&window);
  frame.setGeometry(50, 10, 120, 120);
  frame.setTitle("Frame");
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  button.repaint();
  frame.repaint();
  const int button_drawn = button.Look().Drawings();
  const int frame_drawn = frame.Look().Drawings();
  for (int i = 0; i < 5; ++i) {
    button.repaint(3, 3, 5, 5);  // as a neighbour's outline moves over part of it
    frame.repaint();
    window.repaint();
  }
  EXPECT_EQ(button.Look().Drawings(), button_drawn);
  EXPECT_EQ(frame.Look().Drawings(), frame_drawn);
  button.setText("GS");
  button.repaint();  // a new look is drawn directly, then kept when shown again
  EXPECT_EQ(button.Look().Drawings(), button_drawn);
  button.repaint();
  button.repaint();
  EXPECT_EQ(button.Look().Drawings(), button_drawn + 1);
}

TEST(KeptLooks, AlikeSiblingsShareOnePictureAndOnlyThey) {
  struct Sibling {
    const char* name;
    const char* sheet;
    const char* text;
  };
  const Sibling siblings[] = {
      {"a", kRed, "BS"},
      {"b", kRed, "BS"},  // alike: the picture a drew
      {"c", kRed, "YS"},
      {"d", "", "BS"},
      {"e", "QPushButton#e{border:3px solid rgb(0,160,0);}", "BS"},
      {"f", "QPushButton#e{border:3px solid rgb(0,160,0);}", "BS"},  // the same sheet, not named
  };
  QWidget window;
  window.resize(400, 120);
  std::vector<std::unique_ptr<KeptButton>> kept;
  std::vector<std::unique_ptr<QPushButton>> plain;
  int x = 10;
  for (const Sibling& s : siblings) {
    kept.push_back(std::make_unique<KeptButton>(&window));
    plain.push_back(std::make_unique<QPushButton>(&window));
    for (QPushButton* b : {static_cast<QPushButton*>(kept.back().get()), plain.back().get()}) {
      b->setObjectName(s.name);
      b->setFocusPolicy(Qt::NoFocus);  // the focused one would look apart
      b->setStyleSheet(s.sheet);
      b->setText(s.text);
      b->setGeometry(x, b == plain.back().get() ? 60 : 10, 26, 26);
    }
    x += 40;
  }
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  int drawings = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    kept[i]->repaint();
    kept[i]->repaint();  // shown again: a picture, drawn or shared
    drawings += kept[i]->Look().Drawings();
    EXPECT_EQ(Differing(*kept[i], *plain[i]), 0) << siblings[i].name;
  }
  EXPECT_EQ(kept[1]->Look().Drawings(), 0) << "b shares a's picture";
  EXPECT_EQ(drawings, 5);
  window.setStyleSheet("QPushButton{color:rgb(0,0,255);}");  // a parent's sheet: none shared
  for (std::size_t i = 0; i < kept.size(); ++i) {
    kept[i]->repaint();
    kept[i]->repaint();
    EXPECT_EQ(Differing(*kept[i], *plain[i]), 0) << siblings[i].name << " under the sheet";
  }
}

}  // namespace
}  // namespace tvx::testing
