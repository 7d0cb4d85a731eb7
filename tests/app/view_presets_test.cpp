#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <deque>

#include "app/preset_file.h"
#include "app/view/console_window.h"
#include "app/view/preset_controls.h"
#include "tests/app/view_fixture.h"

// The preset controls in the window: saving keeps what the operator filled in, applying puts
// it back so that Send sends the same bytes; every word goes to the window's status bar.
namespace tvx::testing {
namespace {

// The layout sits inside the window here: the window is what is shown and active.
class PresetViewTest : public ViewTest {
 public:
  void SetUp() override {
    controls = &app::InstallPresetControls(view, frame, h.w, path,
                                           {[this]() -> std::optional<QString> {
                                              ++asked;
                                              if (names.empty()) return std::nullopt;
                                              const QString name = names.front();
                                              names.pop_front();
                                              return name;
                                            },
                                            [this](const QString&) { return replace; }});
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  }

  QComboBox* List() { return view.findChild<QComboBox*>("PresetList"); }
  QPushButton* Button(const char* name) { return view.findChild<QPushButton*>(name); }
  void Press(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
  std::string Message() { return frame.MessageText().toStdString(); }
  // Types into a box of the window as the operator does.
  void TypeInto(const std::string& box, const QString& text) {
    auto* edit = W<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }

  app::ConsoleWindow frame{view, [] { return std::string("Serial: Comm 1"); }};
  QTemporaryDir dir;
  std::string path = dir.filePath("presets.json").toStdString();
  std::deque<QString> names;  // what the name prompt answers, in turn
  bool replace = false;
  int asked = 0;
  app::PresetControls* controls = nullptr;
};

TEST_F(PresetViewTest, ASavedPresetAppliedAndSentSendsWhatTheOperatorSent) {
  ClickOn("NumButton");
  TypeInto("NUMText", "1234");
  ClickOn("NUMAttFS");
  TypeInto("GroupText", "1");
  TypeInto("UnitText", "2");
  names = {"  line 3 counter "};
  Press("SavePresetButton");
  EXPECT_EQ(Message(), "Preset 'line 3 counter' saved (NUM).");
  ASSERT_EQ(List()->count(), 1);
  EXPECT_EQ(List()->currentText(), "line 3 counter");
  EXPECT_EQ(app::ReadPresetFile(path).presets.All().size(), 1u);

  ClickOn("SendButton");
  h.Advance(100);
  const std::string by_hand = h.serial.Bytes();
  ASSERT_FALSE(by_hand.empty());
  ClickOn("CancelButton");
  ClickOn("MrqButton");
  TypeInto("MRQText", "other");

  Press("ApplyPresetButton");
  EXPECT_EQ(Message(), "Preset 'line 3 counter' applied (NUM): press Send to send it.");
  EXPECT_TRUE(h.w.flags.NUMFlag);
  EXPECT_FALSE(h.w.flags.MRQFlag);
  EXPECT_EQ(W<QLineEdit>("NUMText")->text(), "1234");
  EXPECT_EQ(h.w.StatusText->Text().rfind("ERROR", 0), std::string::npos)
      << "the console's status box holds the section's help, not the window's words";
  h.Advance(1000);
  EXPECT_EQ(h.serial.Bytes(), by_hand) << "applying sends nothing";
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  h.Advance(100);
  EXPECT_EQ(Shown(h.serial.Bytes()), Shown(by_hand + by_hand));
}

TEST_F(PresetViewTest, RefusalsSayWhyAndChangeNothing) {
  names = {"never asked"};
  Press("SavePresetButton");
  EXPECT_EQ(Message(),
            "No preset saved: no section is entered. Enter a section and fill it in first.");
  EXPECT_EQ(asked, 0);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
  EXPECT_FALSE(Button("ApplyPresetButton")->isEnabled()) << "nothing to apply yet";

  ClickOn("NumButton");
  names = {" \t "};
  Press("SavePresetButton");
  EXPECT_EQ(Message(), "No preset saved: a preset needs a name.");

  // Another window saved meanwhile, a preset the section no longer fits (a hand edit): a save
  // keeps it and shows it.
  ASSERT_EQ(app::SavePreset(path, {"stale", "NUM", {{"colour", "red"}}}).error, "");
  names = {"mine"};
  Press("SavePresetButton");
  ASSERT_EQ(List()->count(), 2);
  List()->setCurrentIndex(List()->findText("stale"));
  TypeInto("NUMText", "77");
  Press("ApplyPresetButton");
  EXPECT_EQ(Message().rfind("Preset 'stale' cannot be applied: NUM has no field 'colour'", 0), 0u)
      << Message();
  EXPECT_EQ(h.w.NUMText->Text(), "77");
  EXPECT_TRUE(h.w.flags.NUMFlag);
}

TEST_F(PresetViewTest, SavingUnderATakenNameAsksBeforeReplacing) {
  ClickOn("NumButton");
  TypeInto("NUMText", "12");
  names = {"count"};
  Press("SavePresetButton");
  TypeInto("NUMText", "34");
  auto saved_number = [this] {
    const auto presets = app::ReadPresetFile(path).presets;
    for (const auto& [name, value] : presets.Find("count")->fields) {
      if (name == "number") return value;
    }
    return std::string();
  };
  names = {"count"};
  replace = false;
  Press("SavePresetButton");
  EXPECT_EQ(Message(), "Preset 'count' kept as it was.");
  EXPECT_EQ(saved_number(), "12");
  names = {"count"};
  replace = true;
  Press("SavePresetButton");
  EXPECT_EQ(saved_number(), "34");
  EXPECT_EQ(List()->count(), 1);
}

// Reading mnemonics as Qt does: "&&" is an ampersand, "&x" makes Alt+X.
QChar Mnemonic(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] != u'&') return text[i + 1].toUpper();
    ++i;
  }
  return {};
}

TEST_F(PresetViewTest, ControlsSitBelowTheAckBoxAndAreReachedByKeys) {
  for (const char* name : {"PresetList", "ApplyPresetButton", "SavePresetButton"}) {
    const QRect place(view.findChild<QWidget*>(name)->geometry());
    EXPECT_TRUE(QRect(QPoint(10, 505), QPoint(258, 560)).contains(place)) << name;
  }
  // Every mnemonic of the window, the Ports button's included, is its own.
  auto* ports = new QPushButton(QObject::tr("&Ports..."), &view);
  std::map<QChar, QString> seen = {{u'K', "the service key"}};
  for (QWidget* w : frame.findChildren<QWidget*>()) {
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
    const QChar key = Mnemonic(text);
    if (key.isNull()) continue;
    EXPECT_TRUE(seen.emplace(key, text).second)
        << text.toStdString() << " and " << seen[key].toStdString();
  }
  delete ports;

  ClickOn("NumButton");
  W("NUMText")->setFocus();
  names = {"by key"};
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([this] { return asked == 1; })) << "a mnemonic clicks late";
  EXPECT_EQ(h.w.NUMText->Text(), "") << "Alt+V types nothing";
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), List());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([this] { return Message().find("applied") != std::string::npos; }))
      << Message();

  List()->setFocus();
  QTest::keyClick(List(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Button("ApplyPresetButton"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Button("SavePresetButton"));

  // Tab reaches each of them, whichever section has ordered the window's own controls.
  for (const char* section : {"MiscButton", "AndonButton2"}) {
    ClickOn("CancelButton");
    ClickOn(section);
    std::set<std::string> reached;
    for (int i = 0; i < 400 && reached.size() < 3; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      const QString name = QApplication::focusWidget()->objectName();
      if (name.contains("Preset")) reached.insert(name.toStdString());
    }
    EXPECT_EQ(reached.size(), 3u) << section;
  }
}

}  // namespace
}  // namespace tvx::testing
