#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <numeric>
#include <set>

#include "app/view/console_window.h"
#include "app/view/key_codes.h"
#include "app/view/layout_table.h"
#include "links/link_status.h"
#include "tests/app/view_fixture.h"

namespace tvx::testing {
namespace {

using app::Placement;

constexpr int kScreenWidth = 1366;
constexpr int kScreenHeight = 768;
constexpr int kTitleBar = 32;
const std::set<std::string> kNeverShown = {"ORM610C1(0)", "ORM610R0C0(1)"};

// Whether the widget's caption shows whole.
bool CaptionFits(const QWidget& w) {
  const QFontMetrics metrics = w.fontMetrics();
  if (const auto* label = qobject_cast<const QLabel*>(&w)) {
    const QStringList lines = label->text().split(u'\n');
    for (const QString& line : lines) {
      if (metrics.horizontalAdvance(line) > w.width()) return false;
    }
    return lines.size() * metrics.lineSpacing() <= w.height();
  }
  if (const auto* button = qobject_cast<const QPushButton*>(&w)) {
    return metrics.horizontalAdvance(button->text()) + 4 <= w.width();
  }
  if (qobject_cast<const QAbstractButton*>(&w)) return w.sizeHint().width() <= w.width();
  if (const auto* group = qobject_cast<const QGroupBox*>(&w)) {
    return metrics.horizontalAdvance(group->title()) <= w.width();
  }
  return true;
}

// What is wrong with the visible widgets: one outside its frame, a caption cut off, two
// controls on top of each other.
std::vector<std::string> LayoutFaults(ViewTest& t, bool overlaps = true) {
  std::vector<std::string> faults;
  std::map<QWidget*, std::vector<QWidget*>> siblings;
  for (const auto& control : t.h.w.controls.All()) {
    QWidget* w = t.view.WidgetOf(control->Name());
    if (!w || w == &t.view || !w->isVisible()) continue;
    const std::string name = control->Name();
    if (!w->parentWidget()->rect().contains(w->geometry())) faults.push_back(name + " outside");
    if (!CaptionFits(*w)) faults.push_back(name + " caption cut off");
    for (QWidget* other : siblings[w->parentWidget()]) {
      if (overlaps && other->geometry().intersects(w->geometry())) {
        faults.push_back(name + " over " + other->objectName().toStdString());
      }
    }
    siblings[w->parentWidget()].push_back(w);
  }
  return faults;
}

void ExpectFitsTheScreen(ViewTest& t, const std::string& where, bool overlaps = true) {
  EXPECT_LE(t.view.width(), kScreenWidth) << where;
  EXPECT_LE(t.view.height() + kTitleBar, kScreenHeight) << where;
  for (const std::string& fault : LayoutFaults(t, overlaps))
    ADD_FAILURE() << where << ": " << fault;
}

TEST(Layout, EveryControlThatCanBeShownHasAPlaceInEveryPlacement) {
  Harness h;
  for (const auto& control : h.w.controls.All()) {
    const auto kind = control->Kind();
    if (kind == window::ControlKind::Form || kind == window::ControlKind::Timer) continue;
    for (Placement p : {Placement::kNumeric, Placement::kStackLight, Placement::kAndonCell}) {
      const auto place = app::PlaceOf(control->Name(), p);
      ASSERT_TRUE(place) << control->Name();
      EXPECT_EQ(place->rect.isEmpty(), kNeverShown.count(control->Name()) == 1) << control->Name();
    }
  }
}

TEST_F(ViewTest, EverySectionFitsTheScreenWithNothingCutOffOrCovered) {
  ExpectFitsTheScreen(*this, "base state");
  for (window::Button* button : h.w.SectionButtons()) {
    h.w.CancelButton->on_click();
    if (!button->on_click) continue;
    button->on_click();  // also the service sections, whose buttons start hidden
    view.Refresh();
    ExpectFitsTheScreen(*this, button->Name());
  }
  h.w.CancelButton->on_click();
  ClickOn("TCPOption");
  h.Advance(5);
  view.Refresh();
  ASSERT_TRUE(W("RemoteIPButton")->isVisible());
  ExpectFitsTheScreen(*this, "TCP fields");
}

// Every field shown at once, in each placement of the shared fields: all inside the window.
TEST_F(ViewTest, EveryControlShownAtOnceStaysInsideItsFrame) {
  for (bool window::CommandFlags::*flag :
       {&window::CommandFlags::NUMFlag, &window::CommandFlags::SL1Flag,
        &window::CommandFlags::Andon2Flag}) {
    h.w.flags.Clear();
    h.w.flags.*flag = true;
    for (const auto& control : h.w.controls.All()) {
      control->SetVisible(kNeverShown.count(control->Name()) == 0);
    }
    view.Refresh();
    ExpectFitsTheScreen(*this, "all shown", false);
  }
}

TEST_F(ViewTest, AndonGridIsSixRowsOfTwentyFiveSquareCellsWithHeadersAndPickersBeside) {
  ClickOn("AndonButton");
  if (!W("ORM610R6(25)")->isVisible()) {  // the section may not show its grid yet
    for (const auto& control : h.w.controls.All()) {
      const std::string& name = control->Name();
      if (name.rfind("ORM610", 0) == 0 && kNeverShown.count(name) == 0) control->SetVisible(true);
    }
    view.Refresh();
  }
  ExpectFitsTheScreen(*this, "andon grid");
  const auto at = [this](const std::string& name) { return W(name)->geometry(); };
  const QRect corner = at("ORM610R0C0(0)");
  for (int row = 1; row <= 6; ++row) {
    const QRect header = at("ORM610R" + std::to_string(row) + "(0)");
    EXPECT_EQ(header.x(), corner.x());
    for (int column = 1; column <= 25; ++column) {
      const QRect cell = at("ORM610R" + std::to_string(row) + "(" + std::to_string(column) + ")");
      const QRect top = at("ORM610C1(" + std::to_string(column) + ")");
      EXPECT_EQ(cell.width(), cell.height());
      EXPECT_EQ(cell.x(), top.x()) << row << "," << column;
      EXPECT_EQ(cell.y(), header.y()) << row << "," << column;
      EXPECT_GT(cell.x(), header.right());
      EXPECT_GT(cell.y(), top.bottom());
    }
  }
  EXPECT_GT(at("ORM610ColLabel").x(), at("ORM610C1(25)").right());
  EXPECT_GT(at("ORM610RowLabel").y(), at("ORM610R6(0)").bottom());
  for (const char* picker : {"ORM610AttLabel", "ORM610PriB", "ORM610SecG"}) {
    EXPECT_GT(at(picker).x(), at("ORM610ColLabel").right()) << picker;
  }
}

TEST(KeyCodes, QtKeysBecomeTheConsolesCodes) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    std::optional<int> code;
  };
  const Case cases[] = {
      {Qt::Key_A, Qt::NoModifier, 65},
      {Qt::Key_Z, Qt::ShiftModifier, 90},
      {Qt::Key_0, Qt::NoModifier, 48},
      {Qt::Key_9, Qt::NoModifier, 57},
      {Qt::Key_Exclam, Qt::ShiftModifier, 49},
      {Qt::Key_NumberSign, Qt::ShiftModifier, 51},
      {Qt::Key_AsciiCircum, Qt::ShiftModifier, 54},
      {Qt::Key_ParenLeft, Qt::ShiftModifier, 57},
      {Qt::Key_ParenRight, Qt::ShiftModifier, 48},
      {Qt::Key_BracketLeft, Qt::NoModifier, 219},
      {Qt::Key_BraceLeft, Qt::ShiftModifier, 219},
      {Qt::Key_BracketRight, Qt::NoModifier, 221},
      {Qt::Key_BraceRight, Qt::ShiftModifier, 221},
      {Qt::Key_Escape, Qt::NoModifier, 27},
      {Qt::Key_F1, Qt::NoModifier, 112},
      {Qt::Key_F2, Qt::ShiftModifier, 113},
      {Qt::Key_Space, Qt::NoModifier, 32},
      {Qt::Key_Less, Qt::NoModifier, 60},
      {Qt::Key_3, Qt::KeypadModifier, 99},
      {Qt::Key_Asterisk, Qt::KeypadModifier, 106},
      {Qt::Key_F3, Qt::NoModifier, std::nullopt},
      {Qt::Key_Left, Qt::NoModifier, std::nullopt},
      {Qt::Key_Shift, Qt::ShiftModifier, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(app::ConsoleKeyCode(c.key, c.modifiers), c.code) << "Qt key " << c.key;
  }
  EXPECT_EQ(app::ConsoleShiftState(Qt::ShiftModifier | Qt::AltModifier), 5);
  EXPECT_EQ(app::ConsoleShiftState(Qt::ControlModifier | Qt::KeypadModifier), 2);
}

}  // namespace
}  // namespace tvx::testing

namespace tvx::testing {
namespace {

// On a 1366 x 768 screen at scale factors 1, 1.25 and 1.5 the window opens no larger than the
// screen, and every control each section shows can be scrolled into view.
TEST_F(ViewTest, EveryControlCanBeReachedAtEveryScaleFactor) {
  for (const double factor : {1.0, 1.25, 1.5}) {
    app::ConsoleWindow frame(view, [] { return std::string("Serial: Comm 1"); });
    QScrollArea& window = frame.Scroll();
    const QSize available(static_cast<int>(kScreenWidth / factor),
                          static_cast<int>((kScreenHeight - kTitleBar) / factor));
    frame.resize(frame.OpeningSize(available));
    frame.show();
    QCoreApplication::processEvents();  // the scroll bars settle on the first layout
    EXPECT_LE(frame.width(), available.width()) << factor;
    EXPECT_LE(frame.height(), available.height()) << factor;
    for (window::Button* button : h.w.SectionButtons()) {
      h.w.CancelButton->on_click();
      if (!button->on_click) continue;
      button->on_click();
      view.Refresh();
      for (const auto& control : h.w.controls.All()) {
        QWidget* w = view.WidgetOf(control->Name());
        const auto kind = control->Kind();
        if (!w || kind == window::ControlKind::Frame || kind == window::ControlKind::Form ||
            !w->isVisible()) {
          continue;
        }
        // A control that fits the viewport can be seen whole; a larger box from its corner.
        const QRect viewport = window.viewport()->rect();
        const bool fits = w->width() <= viewport.width() && w->height() <= viewport.height();
        // Scrolled as far as the scroll bars allow, to the whole control or its corner (a text
        // box's own ensureWidgetVisible would only bring its cursor into view).
        const QPoint corner = w->mapTo(&view, QPoint(0, 0));
        if (fits) {
          window.ensureVisible(corner.x() + w->width() / 2, corner.y() + w->height() / 2,
                               (w->width() + 1) / 2, (w->height() + 1) / 2);
        } else {
          window.ensureVisible(corner.x(), corner.y(), 50, 50);
        }
        const QRect shown(w->mapTo(window.viewport(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(fits ? viewport.contains(shown) : viewport.contains(shown.topLeft()))
            << factor << " " << button->Name() << " " << control->Name() << " viewport "
            << viewport.width() << "x" << viewport.height() << " widget " << shown.x() << ","
            << shown.y() << " " << shown.width() << "x" << shown.height();
      }
    }
    h.w.CancelButton->on_click();
  }
}

// Where the whole layout and a frame do not fit, the window opens maximized so that the window
// manager fits frame and all to the screen; where they fit, at the layout's own size.
TEST_F(ViewTest, OpensMaximizedExactlyWhenTheLayoutAndAFrameDoNotFit) {
  app::ConsoleWindow frame(view, [] { return std::string("Serial: Comm 1"); });
  const QSize whole = frame.WholeSize();
  const QSize frame_room = app::ConsoleWindow::kFrameAllowance;
  const struct {
    QSize available;
    bool maximized;
  } cases[] = {
      {QSize(1920, 1080), false},
      {whole + frame_room, false},
      {whole + frame_room - QSize(1, 0), true},
      {whole + frame_room - QSize(0, 1), true},
      {QSize(kScreenWidth, kScreenHeight) / 1.5, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(frame.OpensMaximized(c.available), c.maximized)
        << c.available.width() << "x" << c.available.height();
    // Where nothing maximizes (no window manager), the size given first still fits the room.
    EXPECT_TRUE(
        QRect(QPoint(), c.available).contains(QRect(QPoint(), frame.OpeningSize(c.available))));
  }
}

// The status bar shows the link the next packet takes and follows it after every event.
TEST_F(ViewTest, StatusBarShowsTheLinkTheNextPacketTakes) {
  links::PortNames names;
  links::LinkStatus link;
  app::ConsoleWindow frame(view, [&] { return link.Describe(h.w, names); });
  frame.show();
  EXPECT_EQ(frame.LinkText().toStdString(),
            "Serial: Comm 1 = " + links::PortNames::DefaultDevice(1) + ", 9600 8N1, open");
  ClickOn("TCPOption");
  h.Advance(5);
  view.Refresh();
  EXPECT_EQ(frame.LinkText().toStdString(), "TCP/IP: no host, not connected");
}

}  // namespace
}  // namespace tvx::testing

namespace tvx::testing {
namespace {

// Hidden service buttons leave no holes; shown, every button is back in its own place.
TEST_F(ViewTest, SectionButtonsCloseUpOverHiddenServiceButtons) {
  auto slots_of_shown = [this] {
    std::vector<int> places;
    for (const std::string& name : app::SectionButtonOrder()) {
      QWidget* w = W(name);
      if (!w->isVisible()) continue;
      for (int i = 0; i < 25; ++i) {
        if (w->geometry() == app::SectionSlot(i)) places.push_back(i);
      }
    }
    return places;
  };
  std::vector<int> closed_up(22);
  std::iota(closed_up.begin(), closed_up.end(), 0);
  EXPECT_EQ(slots_of_shown(), closed_up);  // SLI, SFD and SMB start hidden
  h.Run("key GroupText K 4\n");            // the service toggle shows them
  view.Refresh();
  std::vector<int> every(25);
  std::iota(every.begin(), every.end(), 0);
  EXPECT_EQ(slots_of_shown(), every);
}

}  // namespace
}  // namespace tvx::testing
