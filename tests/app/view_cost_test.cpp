// The views work only for what changed: a tick's refresh touches the controls the model
// changed, the growing packet box takes only each new packet, the journal panel reads the file
// when first shown, and the simulator's blink runs only while something on screen needs it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextDocument>
#include <functional>
#include <vector>

#include "app/sim_session.h"
#include "app/view/journal_panel.h"
#include "app/view/sim_view.h"
#include "protocol/decode.h"
#include "protocol/token_conversion.h"
#include "sim/devices_file.h"
#include "tests/app/view_fixture.h"

namespace tvx::testing {
namespace {

struct TickChange {
  const char* name;
  std::function<void(window::FrmMain&)> change;  // as a timer tick would make it
  std::function<bool(ViewTest&)> shown;
};

TEST_F(ViewTest, ARefreshAfterATickShowsEveryKindOfChangeTheModelMade) {
  const TickChange cases[] = {
      {"frame title", [](auto& w) { w.CommandDataFrame->SetCaption("Now"); },
       [](ViewTest& t) { return t.W<QGroupBox>("CommandDataFrame")->title() == "Now"; }},
      {"status box", [](auto& w) { w.StatusText->SetText("Transmitting Row 2 settings."); },
       [](ViewTest& t) {
         return t.W<QPlainTextEdit>("StatusText")->toPlainText() == "Transmitting Row 2 settings.";
       }},
      {"line box and caret",
       [](auto& w) {
         w.GroupText->SetText("12");
         w.GroupText->SetCaret(1);
       },
       [](ViewTest& t) {
         auto* box = t.W<QLineEdit>("GroupText");
         return box->text() == "12" && box->cursorPosition() == 1;
       }},
      {"hidden", [](auto& w) { w.AddressFrame->SetVisible(false); },
       [](ViewTest& t) { return t.W("AddressFrame")->isHidden(); }},
      {"enabled", [](auto& w) { w.SendButton->SetEnabled(true); },
       [](ViewTest& t) { return t.W("SendButton")->isEnabled(); }},
      {"back colour",
       [](auto& w) {
         w.SendButton->SetBackColor({255, 0, 0});
       },
       [](ViewTest& t) { return t.W("SendButton")->styleSheet().contains("255,0,0"); }},
      {"option chosen", [](auto& w) { w.Comm2Option->MarkSelected(); },
       [](ViewTest& t) {
         return t.W<QRadioButton>("Comm2Option")->isChecked() &&
                !t.W<QRadioButton>("Comm1Option")->isChecked();
       }},
      {"check box", [](auto& w) { w.ACKCheck->SetValue(1); },
       [](ViewTest& t) { return t.W<QCheckBox>("ACKCheck")->isChecked(); }},
      {"read-only", [](auto& w) { w.PacketText->SetLocked(false); },
       [](ViewTest& t) { return !t.PacketBox()->isReadOnly(); }},
      {"character limit", [](auto& w) { w.GroupText->SetMaxLength(5); },
       [](ViewTest& t) { return t.W<QLineEdit>("GroupText")->maxLength() == 5; }},
  };
  for (const TickChange& c : cases) {
    EXPECT_FALSE(c.shown(*this)) << c.name << ": shown before the change";
    c.change(h.w);
    view.RefreshChanged();
    EXPECT_TRUE(c.shown(*this)) << c.name;
  }
}

// Each change of a box's document while the grid goes out, as (position, removed, added).
struct DocumentChange {
  int position, removed, added;
};

TEST_F(ViewTest, TheGrowingPacketBoxTakesOnlyEachNewPacket) {
  h.Run(
      "click AndonButton\ntype GroupText 1\ntype UnitText 2\nclick ORM610AttFS\n"
      "click ORM610R0C0(0)\n");
  view.Refresh();
  std::vector<DocumentChange> packets, statuses;
  QObject::connect(PacketBox()->document(), &QTextDocument::contentsChange,
                   [&packets](int at, int removed, int added) {
                     packets.push_back({at, removed, added});
                   });
  QObject::connect(W<QPlainTextEdit>("StatusText")->document(), &QTextDocument::contentsChange,
                   [&statuses](int at, int removed, int added) {
                     statuses.push_back({at, removed, added});
                   });
  h.Run("click SendButton\n");
  view.Refresh();
  for (int tick = 1; tick <= 25; ++tick) {
    const auto length = static_cast<int>(PacketBox()->toPlainText().size());
    packets.clear();
    statuses.clear();
    h.Advance(100);
    view.RefreshChanged();
    if (tick > 1) {
      ASSERT_EQ(packets.size(), 1u) << "tick " << tick;
      EXPECT_EQ(packets[0].position, length) << "tick " << tick;
      EXPECT_EQ(packets[0].removed, 0) << "tick " << tick;
      EXPECT_TRUE(statuses.empty()) << "tick " << tick << ": the same status line again";
    }
  }
  EXPECT_EQ(PacketBox()->toPlainText().toStdString(), h.w.PacketText->Text());
}

TEST(JournalPanelLoad, TheEarlierEntriesAreReadWhenThePanelIsFirstShownAndListedFirst) {
  const auto entry = [](const char* bytes) {
    console::JournalEntry e;
    e.packets = console::JournalPackets(protocol::ConvertTokens(bytes));
    return e;
  };
  int reads = 0;
  app::JournalPanel panel(
      [&] {
        ++reads;
        return std::vector<console::JournalEntry>{entry("<02>0101<1B>NUM1N1A<04>")};
      },
      {}, {});
  panel.Add(entry("<02>0102<1B>NUM2N1A<04>"));
  panel.Add(entry("<02>0103<1B>NUM3N1A<04>"));
  EXPECT_EQ(reads, 0) << "not read before it is shown";
  panel.show();
  panel.hide();
  panel.show();
  panel.Add(entry("<02>0104<1B>NUM4N1A<04>"));
  EXPECT_EQ(reads, 1);
  ASSERT_EQ(panel.Table().rowCount(), 4);
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(panel.EntryAt(row)->Address(), "010" + std::to_string(row + 1)) << row;
  }
}

// The default bus: the andon board at 0101, the numeric display at 0103.
class SimBlinkTest : public ::testing::Test {
 public:
  void Send(const char* tokens) {
    MonitorEntryFor(tokens);
    view.Flush();
  }
  void MonitorEntryFor(const char* tokens) {
    app::MonitorEntry entry;
    entry.source = "test";
    protocol::DecodedItem item = protocol::DecodePacket(protocol::ConvertTokens(tokens));
    entry.reached = bus.Deliver(std::get<protocol::DecodedPacket>(item));
    entry.item = std::move(item);
    view.Show(entry);
  }
  void Phases(int n) {
    for (int i = 0; i < n; ++i) view.Blink().Advance();
  }

  sim::Bus bus{sim::DefaultBus()};
  app::SimView view{bus};
};

TEST_F(SimBlinkTest, TheBlinkRunsOnlyWhileSomethingOnScreenFlashesOrIsOutlined) {
  const struct {
    const char* step;
    std::function<void(SimBlinkTest&)> act;
    bool running;
  } steps[] = {
      {"not shown yet", [](SimBlinkTest&) {}, false},
      {"shown, idle", [](SimBlinkTest& t) { t.view.show(); }, false},
      {"a steady number: outlined", [](SimBlinkTest& t) { t.Send("<02>0103<1B>NUM12N1A<04>"); },
       true},
      {"the outline gone", [](SimBlinkTest& t) { t.Phases(app::SimView::kReachedPhases); }, false},
      {"a cell flashing slowly", [](SimBlinkTest& t) { t.Send("<02>0101<1B>AC11R1C2A1P2S<04>"); },
       true},
      {"still flashing after the outline",
       [](SimBlinkTest& t) { t.Phases(app::SimView::kReachedPhases + 3); }, true},
      {"hidden", [](SimBlinkTest& t) { t.view.hide(); }, false},
      {"shown again", [](SimBlinkTest& t) { t.view.show(); }, true},
      {"the cell steady, outlined", [](SimBlinkTest& t) { t.Send("<02>0101<1B>AC11R1C1A1P<04>"); },
       true},
      {"nothing left to blink", [](SimBlinkTest& t) { t.Phases(app::SimView::kReachedPhases); },
       false},
  };
  for (const auto& s : steps) {
    s.act(*this);
    EXPECT_EQ(view.Blink().Running(), s.running) << s.step;
  }
}

}  // namespace
}  // namespace tvx::testing
