#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "andon/layout.h"
#include "andon/row_transmission.h"
#include "app/view/console_window.h"
#include "app/view/grid_files.h"
#include "tests/app/view_fixture.h"
#include "tests/support/temp_dir.h"

namespace tvx::testing {
namespace {

// The window with the grid buttons; the file chooser answers what the test says, and no
// modal dialog waits for a hand.
class GridFilesTest : public ViewTest {
 public:
  // The layout sits inside the window here: the window is what is shown and active.
  void SetUp() override {
    app::AddGridFileButtons(frame, view, h.w, [this](QWidget*, app::GridFileAction action) {
      asked.push_back(action);
      return answer;
    });
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  }

  QPushButton* Button(const char* name) { return frame.findChild<QPushButton*>(name); }
  bool Shown() {
    return Button("SaveGridButton")->isVisible() && Button("LoadGridButton")->isVisible();
  }
  void Press(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
  bool MessageIsError() {
    return frame.findChild<QLabel*>("WindowMessage")->accessibleName() == "Error";
  }
  std::string Message() { return frame.MessageText().toStdString(); }

  app::ConsoleWindow frame{view, [] { return std::string(); }, &h.console.Rows()};
  QString answer;
  std::vector<app::GridFileAction> asked;
  TempDir dir;
};

TEST_F(GridFilesTest, ButtonsShowOnlyWithTheAndonGridAndCoverNothing) {
  EXPECT_FALSE(Shown()) << "base state";
  ClickOn("AndonButton");
  ASSERT_TRUE(Shown());
  for (const char* name : {"SaveGridButton", "LoadGridButton"}) {
    QPushButton* button = Button(name);
    for (QWidget* other :
         button->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      // A layer clicks pass through (the cell outline's) covers nothing that takes them.
      if (other == button || !other->isVisible() ||
          other->testAttribute(Qt::WA_TransparentForMouseEvents)) {
        continue;
      }
      EXPECT_FALSE(button->geometry().intersects(other->geometry()))
          << name << " covers " << other->objectName().toStdString();
    }
  }
  ClickOn("CancelButton");
  EXPECT_FALSE(Shown());
  ClickOn("AndonButton2");  // the pickers without the grid
  EXPECT_FALSE(Shown());
  ClickOn("CancelButton");
  ClickOn("NumButton");
  EXPECT_FALSE(Shown());
}

TEST_F(GridFilesTest, SaveAndLoadReportInTheStatusBarAndLeaveTheStatusBoxAlone) {
  ClickOn("AndonButton");
  ClickOn("ORM610AttFF");
  ClickOn("ORM610R4(20)");
  const std::string status = h.w.StatusText->Text();
  answer = QString::fromStdString(dir.File("a.grid"));
  Press("SaveGridButton");
  EXPECT_EQ(Message(), "Grid saved to '" + dir.File("a.grid") + "'.");
  EXPECT_FALSE(MessageIsError());
  const andon::GridLayout painted = andon::ReadLayout(h.w);

  ClickOn("CancelButton");
  ClickOn("AndonButton");
  Press("LoadGridButton");
  EXPECT_EQ(Message(), "Grid loaded from '" + dir.File("a.grid") + "'.");
  EXPECT_EQ(andon::ReadLayout(h.w), painted);
  EXPECT_EQ(W<QPushButton>("ORM610R4(20)")->text(), "BF") << "the view shows the loaded cell";
  EXPECT_EQ(h.w.StatusText->Text(), status);
  EXPECT_EQ(W<QPlainTextEdit>("StatusText")->toPlainText().toStdString(), status);

  answer = QString::fromStdString(dir.Write("bad.grid", "tvxorm-andon-grid 1\n"));
  Press("LoadGridButton");
  EXPECT_EQ(Message(), "Grid not loaded from '" + dir.File("bad.grid") + "': only 0 rows of 6");
  EXPECT_TRUE(MessageIsError());
  EXPECT_EQ(andon::ReadLayout(h.w), painted);

  answer.clear();  // the operator changed their mind
  Press("LoadGridButton");
  EXPECT_TRUE(MessageIsError()) << "nothing happened, nothing new is said";
  EXPECT_EQ(asked, (std::vector{app::GridFileAction::kSave, app::GridFileAction::kLoad,
                                app::GridFileAction::kLoad, app::GridFileAction::kLoad}));
  EXPECT_EQ(h.w.StatusText->Text(), status);
}

// The buttons take the keys only while clicked: afterwards F1 sends, as from the section.
TEST_F(GridFilesTest, AfterASaveOrALoadF1SendsTheGrid) {
  ClickOn("AndonButton");
  h.Run("type GroupText 1\ntype UnitText 2\n");
  ClickOn("ORM610R1(1)");
  answer = QString::fromStdString(dir.File("f1.grid"));
  for (const char* button : {"SaveGridButton", "LoadGridButton"}) {
    Press(button);
    ASSERT_NE(QApplication::focusWidget(), Button(button)) << button;
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  EXPECT_TRUE(h.w.SendFlag);
  h.Advance(100);
  EXPECT_EQ(h.serial.Bytes(), andon::CellPacket(h.w, 1, 1)->Bytes()) << "the first cell";
}

TEST_F(GridFilesTest, LoadWhileTheGridGoesOutIsRefusedBeforeAFileIsChosen) {
  ClickOn("AndonButton");
  QTest::keyClicks(W("GroupText"), "1");
  QTest::keyClicks(W("UnitText"), "2");
  ClickOn("ORM610R1(1)");
  ClickOn("SendButton");
  h.Advance(500);
  view.Refresh();
  answer = QString::fromStdString(dir.Write("any.grid", "tvxorm-andon-grid 1\n"));
  Press("LoadGridButton");
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(Message(),
            "Grid not loaded: an andon grid is going out; load once its transmission has ended");
  EXPECT_TRUE(MessageIsError());
  EXPECT_EQ(h.w.StatusText->Text(), "Transmitting Row 1 settings.");
}

TEST_F(GridFilesTest, TabFromThePickersAndTheMnemonicsReachTheButtons) {
  ClickOn("AndonButton");
  W("ORM610SecG")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Button("SaveGridButton"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Button("LoadGridButton"));

  // A mnemonic presses the button and releases it a moment later, as a click would.
  W("ORM610R1(1)")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([this] { return asked.size() == 1; }));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([this] { return asked.size() == 2; }));
  EXPECT_EQ(asked, (std::vector{app::GridFileAction::kLoad, app::GridFileAction::kSave}));
}

}  // namespace
}  // namespace tvx::testing
