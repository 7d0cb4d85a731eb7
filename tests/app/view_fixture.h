#pragma once

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <string>

#include "app/view/main_view.h"
#include "tests/support/harness.h"

namespace tvx::testing {

inline constexpr const char* kControlCharacterButtons[] = {
    "STXButton", "ESCButton", "EOTButton", "CntlB",       "CntlC",    "CntlD", "CntlE",
    "CntlH",     "CntlJ",     "CntlL",     "CntlM",       "CntlP",    "CntlR", "CntlS",
    "CntlT",     "CntlLeft",  "CntlColon", "CntlDecimal", "CntlClear"};

// The console on test doubles in virtual time, with its window shown and active so that keys
// reach the focused widget.
class ViewTest : public ::testing::Test {
 public:
  void SetUp() override {
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  }

  template <typename T = QWidget>
  T* W(const std::string& name) {
    T* widget = qobject_cast<T*>(view.WidgetOf(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void ClickOn(const std::string& name) { QTest::mouseClick(W(name), Qt::LeftButton); }
  QPlainTextEdit* PacketBox() { return W<QPlainTextEdit>("PacketText"); }
  void TypeIntoPacketBox(const QString& text) {
    PacketBox()->setFocus();
    QTest::keyClicks(PacketBox(), text);
  }

  Harness h;
  app::MainView view{h.w};
};

}  // namespace tvx::testing
