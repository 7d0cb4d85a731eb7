#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <cstdlib>
#include <functional>

#include "app/view/box_text.h"
#include "tests/app/view_fixture.h"

namespace tvx::testing {
namespace {

TEST_F(ViewTest, MiscButtonShowsTheEditorAndUnlocksThePacketBox) {
  ASSERT_TRUE(PacketBox()->isReadOnly());
  ClickOn("MiscButton");
  for (const char* name : kControlCharacterButtons) EXPECT_TRUE(W(name)->isVisible()) << name;
  EXPECT_TRUE(W("CntlText")->isVisible());
  EXPECT_FALSE(PacketBox()->isReadOnly());
  EXPECT_TRUE(PacketBox()->isEnabled());
  EXPECT_TRUE(W("SendButton")->isEnabled());
  EXPECT_FALSE(W("AddressFrame")->isVisible());
  EXPECT_EQ(W<QGroupBox>("CommandDataFrame")->title(), "Miscellaneous Commands");
  EXPECT_EQ(W<QPlainTextEdit>("StatusText")->toPlainText().toStdString(), h.w.StatusText->Text());
}

TEST_F(ViewTest, F1InAFocusedBoxSendsWhatWasTyped) {
  ClickOn("MiscButton");
  TypeIntoPacketBox("<02>0105<1B>NUM12N<04>");
  EXPECT_EQ(h.w.PacketText->Text(), "<02>0105<1B>NUM12N<04>");
  QTest::keyClick(PacketBox(), Qt::Key_F1);
  h.Advance(100);
  view.Refresh();
  ASSERT_EQ(h.serial.pieces.size(), 1u);
  EXPECT_EQ(h.serial.pieces[0].bytes,
            "\x02"
            "0105\x1bNUM12N\x04");
  EXPECT_EQ(PacketBox()->toPlainText(), "<02>0105<1B>NUM12N<04>") << "F1 types nothing";
  EXPECT_EQ(W<QPlainTextEdit>("StatusText")->toPlainText().toStdString(), h.w.StatusText->Text());
}

TEST_F(ViewTest, AltKOnGroupTextShowsAndHidesTheServiceButtons) {
  QLineEdit* group = W<QLineEdit>("GroupText");
  group->setFocus();
  QTest::keyClick(group, Qt::Key_K, Qt::AltModifier);
  for (const char* name : {"SLIButton", "SMBButton", "SFDButton"}) {
    EXPECT_TRUE(W(name)->isVisible()) << name;
    EXPECT_TRUE(W(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(W("SBTButton")->isEnabled());
  EXPECT_EQ(h.w.GroupText->Text(), "") << "the chord types nothing";
  QTest::keyClick(group, Qt::Key_K, Qt::AltModifier);
  for (const char* name : {"SLIButton", "SMBButton", "SFDButton"}) {
    EXPECT_FALSE(W(name)->isVisible()) << name;
  }
  QTest::keyClick(group, Qt::Key_K, Qt::AltModifier | Qt::ShiftModifier);
  EXPECT_FALSE(W("SLIButton")->isVisible()) << "Alt+Shift+K is not the chord";
}

TEST_F(ViewTest, EscInThePacketBoxInsertsTheTokenAtTheCaretAndNothingElse) {
  ClickOn("MiscButton");
  TypeIntoPacketBox("<02>0101<04>");
  for (int i = 0; i < 4; ++i) QTest::keyClick(PacketBox(), Qt::Key_Left);
  EXPECT_EQ(h.w.PacketText->Caret(), 8) << "the caret follows the operator's cursor";
  QTest::keyClick(PacketBox(), Qt::Key_Escape);
  EXPECT_EQ(h.w.PacketText->Text(), "<02>0101<1B><04>");
  EXPECT_EQ(h.w.PacketText->Caret(), 12);
  EXPECT_EQ(PacketBox()->toPlainText(), "<02>0101<1B><04>");
  EXPECT_EQ(PacketBox()->textCursor().position(), 12);
}

TEST_F(ViewTest, EscCountsALineBreakAsTwoCharactersOfTheModel) {
  ClickOn("MiscButton");
  TypeIntoPacketBox("AB");
  QTest::keyClick(PacketBox(), Qt::Key_Return);
  QTest::keyClicks(PacketBox(), "CD");
  EXPECT_EQ(h.w.PacketText->Text(), "AB\r\nCD");
  QTest::keyClick(PacketBox(), Qt::Key_Left);
  QTest::keyClick(PacketBox(), Qt::Key_Escape);
  EXPECT_EQ(h.w.PacketText->Text(), "AB\r\nC<1B>D");
  EXPECT_EQ(PacketBox()->toPlainText(), "AB\nC<1B>D");
  EXPECT_EQ(PacketBox()->textCursor().position(), 8);
}

TEST_F(ViewTest, DoubleClickOnGroupTextEmptiesIt) {
  QLineEdit* group = W<QLineEdit>("GroupText");
  group->setFocus();
  QTest::keyClicks(group, "12");
  ASSERT_EQ(h.w.GroupText->Text(), "12");
  QTest::mouseDClick(group, Qt::LeftButton);
  EXPECT_EQ(h.w.GroupText->Text(), "");
  EXPECT_EQ(group->text(), "");
}

TEST_F(ViewTest, CancelReturnsTheWindowToItsBaseState) {
  ClickOn("MiscButton");
  TypeIntoPacketBox("ABC");
  ClickOn("CancelButton");
  EXPECT_FALSE(W("SendButton")->isEnabled());
  EXPECT_FALSE(W("CancelButton")->isEnabled());
  EXPECT_FALSE(PacketBox()->isEnabled());
  EXPECT_TRUE(PacketBox()->isReadOnly());
  EXPECT_EQ(PacketBox()->toPlainText(), "");
  EXPECT_FALSE(W("STXButton")->isVisible());
  EXPECT_TRUE(W("AddressFrame")->isVisible());
  EXPECT_TRUE(W("MiscButton")->isEnabled());
  EXPECT_EQ(W<QGroupBox>("CommandDataFrame")->title(), "");
}

TEST_F(ViewTest, KeysOnAControlCharacterButtonAppendToThePacket) {
  ClickOn("MiscButton");
  ClickOn("ESCButton");  // appends the token and takes the focus
  ASSERT_EQ(h.w.PacketText->Text(), "<1B>");
  ASSERT_TRUE(W("ESCButton")->hasFocus());
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* appended;
  };
  const Case cases[] = {
      {Qt::Key_S, Qt::NoModifier, "S"},
      {Qt::Key_V, Qt::ShiftModifier, "V"},
      {Qt::Key_3, Qt::NoModifier, "3"},
      {Qt::Key_NumberSign, Qt::ShiftModifier, "#"},
      {Qt::Key_ParenRight, Qt::ShiftModifier, ")"},
      {Qt::Key_BracketLeft, Qt::NoModifier, "["},
      {Qt::Key_BraceRight, Qt::ShiftModifier, ""},
      {Qt::Key_Escape, Qt::NoModifier, "<1B>"},
      {Qt::Key_Home, Qt::NoModifier, ""},
  };
  for (const Case& c : cases) {
    const std::string before = h.w.PacketText->Text();
    QTest::keyClick(QApplication::focusWidget(), c.key, c.modifiers);
    EXPECT_EQ(h.w.PacketText->Text(), before + c.appended) << "key " << c.key;
    EXPECT_EQ(PacketBox()->toPlainText().toStdString(), h.w.PacketText->Text());
  }
}

TEST_F(ViewTest, CharactersBeyondOneByteAreNotTyped) {
  ClickOn("MiscButton");
  struct Case {
    const char* box;
    QString typed;
    std::string expected;
  };
  const Case cases[] = {
      {"PacketText", QString::fromUtf8("a\u20ACb\u00E9"), "ab\xE9"},
      {"RemotePortText", QString::fromUtf8("1\u0394"), "1"},
  };
  h.w.RemotePortText->SetVisible(true);
  h.w.RemotePortText->SetEnabled(true);
  h.w.RemotePortText->SetText("");
  view.Refresh();
  for (const Case& c : cases) {
    QWidget* box = W(c.box);
    box->setFocus();
    for (QChar ch : c.typed) {
      const int key = ch.unicode() < 256 ? static_cast<int>(ch.unicode()) : Qt::Key_unknown;
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(box, &press);
    }
    auto* model = static_cast<window::TextBox*>(h.w.controls.Find(c.box));
    EXPECT_EQ(model->Text(), c.expected) << c.box;
  }
}

TEST_F(ViewTest, PastedTextKeepsOnlyOneByteCharactersAndTheLimit) {
  ClickOn("MiscButton");
  h.w.PacketText->SetMaxLength(6);
  view.Refresh();
  QApplication::clipboard()->setText(QString::fromUtf8("ab\u20AC\ncdef"));
  PacketBox()->setFocus();
  PacketBox()->paste();
  EXPECT_EQ(h.w.PacketText->Text(), "ab\r\ncd") << "a line break counts two characters";
}

TEST_F(ViewTest, TabMovesTheFocusInReadingOrder) {
  W("GroupText")->setFocus();
  QTest::keyClick(W("GroupText"), Qt::Key_Tab);
  EXPECT_TRUE(W("UnitText")->hasFocus());
  QTest::keyClick(W("UnitText"), Qt::Key_Tab);
  EXPECT_TRUE(W("GlobalButton")->hasFocus()) << "the serial number box is disabled";

  ClickOn("MiscButton");
  TypeIntoPacketBox("A");
  QTest::keyClick(PacketBox(), Qt::Key_Tab);
  EXPECT_TRUE(W("STXButton")->hasFocus());
  EXPECT_EQ(h.w.PacketText->Text(), "A") << "a tab is never typed into a packet";
}

TEST_F(ViewTest, OptionButtonsShowTheModelsChoice) {
  ClickOn("TCPOption");
  h.Advance(5);
  view.Refresh();
  EXPECT_TRUE(W<QAbstractButton>("TCPOption")->isChecked());
  EXPECT_FALSE(W<QAbstractButton>("Comm1Option")->isChecked());
  EXPECT_TRUE(W("RemoteIPText")->isVisible());
  ClickOn("TCPOption");
  EXPECT_TRUE(W<QAbstractButton>("TCPOption")->isChecked()) << "a click never clears an option";
  EXPECT_TRUE(h.w.TCPOption->Value());
}

// Model properties as the widgets show them.
TEST_F(ViewTest, RefreshShowsTheModelsProperties) {
  struct Case {
    const char* what;
    std::function<void(window::FrmMain&)> change;
    std::function<bool(ViewTest&)> shown;
  };
  const Case cases[] = {
      {"window title", [](auto& w) { w.frmMain->SetCaption("TVXORM, version 9.99"); },
       [](auto& t) { return t.view.windowTitle() == "TVXORM, version 9.99"; }},
      {"a program write beyond the limit shows whole",
       [](auto& w) { w.GroupText->SetText("12345"); },
       [](auto& t) { return t.template W<QLineEdit>("GroupText")->text() == "12345"; }},
      {"line breaks as lines", [](auto& w) { w.StatusText->SetText("one\r\ntwo"); },
       [](auto& t) {
         return t.template W<QPlainTextEdit>("StatusText")->toPlainText() == "one\ntwo";
       }},
      {"caret", [](auto& w) { w.RemotePortText->SetCaret(2); },
       [](auto& t) { return t.template W<QLineEdit>("RemotePortText")->cursorPosition() == 2; }},
      {"read-only", [](auto& w) { w.UnitText->SetLocked(true); },
       [](auto& t) { return t.template W<QLineEdit>("UnitText")->isReadOnly(); }},
      {"check box", [](auto& w) { w.ACKCheck->SetValue(1); },
       [](auto& t) { return t.template W<QCheckBox>("ACKCheck")->isChecked(); }},
      {"caption", [](auto& w) { w.GlobalButton->SetCaption("All & one"); },
       [](auto& t) {
         return t.template W<QAbstractButton>("GlobalButton")->text() == "All && one";
       }},
  };
  for (const Case& c : cases) {
    c.change(h.w);
    view.Refresh();
    EXPECT_TRUE(c.shown(*this)) << c.what;
  }
}

TEST_F(ViewTest, ABoxAtItsLimitTakesNoMoreTyping) {
  QLineEdit* group = W<QLineEdit>("GroupText");
  group->setFocus();
  QTest::keyClicks(group, "123");
  EXPECT_EQ(h.w.GroupText->Text(), "12");
  h.w.GroupText->SetText("12345");
  view.Refresh();
  group->end(false);
  QTest::keyClicks(group, "6");
  EXPECT_EQ(h.w.GroupText->Text(), "12345");
}

TEST_F(ViewTest, ButtonsShowTheirBackColour) {
  h.w.GlobalButton->SetBackColor(window::kRed);
  view.Refresh();
  const QImage red = W("GlobalButton")->grab().toImage();
  EXPECT_EQ(red.pixelColor(6, red.height() / 2), QColor(255, 0, 0));
  h.w.GlobalButton->SetBackColor(window::kWindowFace);
  view.Refresh();
  const QImage face = W("GlobalButton")->grab().toImage();
  EXPECT_NE(face.pixelColor(6, face.height() / 2), QColor(255, 0, 0));
}

// Every byte the model may hold survives the trip through a box: a refresh that found a
// difference would reset the operator's cursor.
TEST_F(ViewTest, RefreshLeavesABoxThatShowsTheModelAlone) {
  std::string all;
  for (int code = 1; code < 256; ++code) {
    if (code != '\r' && code != '\n') all += static_cast<char>(code);
  }
  h.w.StatusText->SetText(all + "\r\nend");
  h.w.RemotePortText->SetText(all);
  view.Refresh();
  QPlainTextEdit* status = W<QPlainTextEdit>("StatusText");
  QTextCursor cursor = status->textCursor();
  cursor.setPosition(5);
  cursor.setPosition(9, QTextCursor::KeepAnchor);
  status->setTextCursor(cursor);
  QLineEdit* port = W<QLineEdit>("RemotePortText");
  port->setSelection(3, 4);
  view.Refresh();
  EXPECT_EQ(status->textCursor().selectionEnd(), 9);
  EXPECT_EQ(port->selectionLength(), 4);
  EXPECT_EQ(app::ModelText(status->document()->toRawText(), true), all + "\r\nend");
  EXPECT_EQ(app::ModelText(port->text(), false), all);
}

}  // namespace
}  // namespace tvx::testing

int main(int argc, char** argv) {
  // Test discovery runs this at build time, outside the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  char runtime_dir[] = "/tmp/tvx-view-test-XXXXXX";
  const bool own_runtime_dir =
      qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && mkdtemp(runtime_dir);
  if (own_runtime_dir) qputenv("XDG_RUNTIME_DIR", runtime_dir);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int code = RUN_ALL_TESTS();
  if (own_runtime_dir) rmdir(runtime_dir);
  return code;
}

namespace tvx::testing {
namespace {

// Refusals and failures stand out by colour and by a sign; every other line looks as before.
TEST_F(ViewTest, ErrorLinesStandOutByColourAndASign) {
  QWidget* mark = view.findChild<QWidget*>("StatusErrorMark");
  ASSERT_NE(mark, nullptr);
  const std::pair<std::string, bool> lines[] = {
      {"ERROR: You must specify the number that you wish to send.", true},
      {"The 'Number ' command has been sent to Group = 01, Unit = 02", false},
      {"ERROR: The packet could not be written to comm port 1.", true},
      {"", false},
  };
  for (const auto& [line, error] : lines) {
    h.w.StatusText->SetText(line);
    view.Refresh();
    EXPECT_EQ(mark->isVisible(), error) << line;
    EXPECT_EQ(W("StatusText")->styleSheet().contains("139,0,0"), error) << line;
  }
}

TEST_F(ViewTest, EverySectionButtonSpellsOutItsCommand) {
  for (window::Button* button : h.w.SectionButtons()) {
    if (!button->on_click) continue;  // TIM and AW1 do nothing
    const QString tip = W(button->Name())->toolTip();
    EXPECT_TRUE(tip.startsWith(QString::fromStdString(button->Caption() + ": "))) << button->Name();
  }
}

// After a section button the keys go to the section's first box, not to Group or a Comm option.
TEST_F(ViewTest, EnteringASectionFocusesItsFirstField) {
  const std::pair<const char*, const char*> cases[] = {
      {"NumButton", "NUMText"},        {"MrqButton", "MRQText"},    {"TuneButton", "TUNText"},
      {"SGUButton", "txtSGUGroup(0)"}, {"TestButton", "GroupText"}, {"MiscButton", "PacketText"},
  };
  for (const auto& [button, field] : cases) {
    ClickOn("CancelButton");
    ClickOn(button);
    ASSERT_NE(QApplication::focusWidget(), nullptr) << button;
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), field) << button;
  }
}

}  // namespace
}  // namespace tvx::testing
