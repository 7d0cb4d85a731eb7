#include "app/view/journal_panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "tests/support/harness.h"

// The journal panel on the console's own test links: what it lists, what its filters let
// through, and that Send again goes through the console and says truly how it went.
namespace tvx::testing {
namespace {

using console::JournalEntry;

class JournalPanelTest : public ::testing::Test {
 protected:
  JournalPanelTest()
      : journal(
            [this] {
              return console::JournalTime{++now_ms, 0};
            },
            [](protocol::Link link) {
              return std::string(link == protocol::Link::Tcp ? "10.0.0.5:3001" : "Comm 1");
            },
            [](protocol::Link) { return std::string("gone"); }) {
    h.console.AttachJournal(journal);
  }
  // A panel that starts with earlier, shows every entry the journal ends and sends again
  // through the console.
  std::unique_ptr<app::JournalPanel> Panel(const std::vector<JournalEntry>& earlier = {}) {
    auto panel = std::make_unique<app::JournalPanel>(
        earlier, [this](const JournalEntry& e) { return h.console.SendAgain(e); },
        [this](const QString& text, bool error) {
          messages.emplace_back(text.toStdString(), error);
        });
    journal.AddListener([p = panel.get()](const JournalEntry& e) { p->Add(e); });
    panel->show();
    return panel;
  }
  void Send(const std::string& group_unit_number) {
    h.Run("click CancelButton\nclick NumButton\n" + group_unit_number +
          "click SendButton\nwait 100\n");
  }
  template <typename T>
  static T* Child(app::JournalPanel& panel, const char* name) {
    T* widget = panel.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  std::int64_t now_ms = 0;
  Harness h;
  console::Journal journal;
  std::vector<std::pair<std::string, bool>> messages;
};

const std::string kTo0102 = "type GroupText 1\ntype UnitText 2\ntype NUMText 12\n";
const std::string kTo0305 = "type GroupText 3\ntype UnitText 5\ntype NUMText 7\n";

TEST_F(JournalPanelTest, ListsEarlierAndNewEntriesAndFiltersThem) {
  JournalEntry earlier;
  earlier.packets = {
      {"\x02"
       "0909\x1bNUM1N\x04",
       "NUM", "0909"}};
  earlier.written = false;
  auto panel = Panel({earlier});
  Send(kTo0102);
  Send(kTo0305);
  h.Run(
      "click CancelButton\nclick TestButton\ntype GroupText 1\ntype UnitText 2\n"
      "click SendButton\nwait 100\n");
  ASSERT_EQ(panel->Table().rowCount(), 4);
  EXPECT_EQ(panel->EntryAt(3)->Command(), "Test");

  auto* command = Child<QLineEdit>(*panel, "JournalCommandFilter");
  auto* address = Child<QLineEdit>(*panel, "JournalAddressFilter");
  auto* outcome = Child<QComboBox>(*panel, "JournalOutcomeFilter");
  const struct {
    const char* command;
    const char* address;
    int outcome;
    int shown;
  } cases[] = {
      {"", "", 0, 4}, {"num", "", 0, 3}, {"NUM", "0102", 0, 1}, {"", "0102", 0, 2},
      {"", "", 1, 3}, {"", "", 2, 1},    {"test", "", 2, 0},    {"AC1", "", 0, 0},
  };
  for (const auto& c : cases) {
    command->setText(c.command);
    address->setText(c.address);
    outcome->setCurrentIndex(c.outcome);
    EXPECT_EQ(panel->ShownRows(), c.shown) << c.command << " " << c.address << " " << c.outcome;
  }
  // A failure is marked by more than its colour.
  EXPECT_FALSE(panel->Table().item(0, 4)->icon().isNull());
  EXPECT_TRUE(panel->Table().item(1, 4)->icon().isNull());
}

TEST_F(JournalPanelTest, CopiesAndSendsTheSelectedEntryAgain) {
  auto panel = Panel();
  Send(kTo0102);
  Send(kTo0305);
  auto* again = Child<QPushButton>(*panel, "JournalSendAgain");
  EXPECT_FALSE(again->isEnabled()) << "nothing selected";
  panel->Table().selectRow(0);
  ASSERT_TRUE(again->isEnabled());

  panel->CopyTokens();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "<02>0102<1B>NUM12N1A<04>");
  panel->CopyHex();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "02 30 31 30 32 1B 4E 55 4D 31 32 4E 31 41 04");

  const std::string before = h.serial.Bytes();
  QTest::mouseClick(again, Qt::LeftButton);
  EXPECT_EQ(h.serial.Bytes(), before +
                                  "\x02"
                                  "0102\x1bNUM12N1A\x04");
  ASSERT_EQ(panel->Table().rowCount(), 3);
  EXPECT_TRUE(panel->EntryAt(2)->resend);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], std::make_pair(std::string("Sent again: 15 bytes to Comm 1."), false));

  // A link that refuses the bytes: said as an error, never as sent.
  h.serial.fail_writes = true;
  panel->SendSelectedAgain();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(messages[1].second) << messages[1].first;
  EXPECT_EQ(messages[1].first.rfind("Not sent again", 0), 0u) << messages[1].first;

  // A filter that hides the selected entry leaves nothing to send.
  Child<QLineEdit>(*panel, "JournalAddressFilter")->setText("0305");
  EXPECT_FALSE(again->isEnabled());
}

}  // namespace
}  // namespace tvx::testing
