// The simulator's window on the offscreen platform: panels drawing what their devices were
// told, the shared blink, the monitor, and which panels a packet refreshes.
#include "app/view/sim_view.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "app/view/sim_window.h"
#include "protocol/token_conversion.h"
#include "sim/devices_file.h"

namespace tvx::app {
namespace {

const QColor kDark(128, 128, 128), kRed(255, 0, 0), kYellow(255, 255, 0), kGreen(0, 255, 0);

// The default bus (andon 0101, marquee 0102, numeric 0103, stack light 0104, tune 0105,
// head-end 0106) in a view, fed as the session feeds it.
class SimViewTest : public ::testing::Test {
 protected:
  explicit SimViewTest(const std::vector<sim::DeviceEntry>& entries = sim::DefaultBus())
      : bus(entries), view(bus) {
    view.Blink().Stop();
  }

  // Delivers the item to the bus and shows its entry, without drawing yet.
  MonitorEntry Show(std::string_view tokens) {
    MonitorEntry entry;
    entry.source = "test";
    protocol::DecodedItem item = protocol::DecodePacket(protocol::ConvertTokens(tokens));
    if (const auto* packet = std::get_if<protocol::DecodedPacket>(&item)) {
      entry.reached = bus.Deliver(*packet);
    } else {
      entry.error = true;
    }
    entry.item = std::move(item);
    view.Show(entry);
    return entry;
  }
  void Send(std::string_view tokens) {
    Show(tokens);
    view.Flush();
  }
  void Note(const std::string& note, bool error = false) {
    MonitorEntry entry;
    entry.source = "test";
    entry.note = note;
    entry.error = error;
    view.Show(entry);
  }
  template <typename T>
  T* Panel(std::size_t device) {
    auto* panel = qobject_cast<T*>(view.Panel(device));
    EXPECT_NE(panel, nullptr) << device;
    return panel;
  }
  std::vector<std::uint64_t> Refreshes() const {
    std::vector<std::uint64_t> counts;
    for (std::size_t i = 0; i < bus.Devices().size(); ++i) {
      counts.push_back(view.Panel(i)->Refreshes());
    }
    return counts;
  }

  sim::Bus bus;
  SimView view;
};

struct CellCase {
  const char* packet;
  int row, column;
  QColor first, second;  // the fill in the first and in the second blink state
  Flash flash;
};

TEST_F(SimViewTest, AndonCellsShowTheColoursTheirCodesSay) {
  const CellCase cases[] = {
      // Row transmission (AC1): a dark cell sends no primary code.
      {"AC11R1C0A", 1, 1, kDark, kDark, Flash::kNone},
      {"AC11R2C1A1P", 1, 2, kRed, kRed, Flash::kNone},
      {"AC11R3C1A2P", 1, 3, kYellow, kYellow, Flash::kNone},
      {"AC11R4C1A3P", 1, 4, kGreen, kGreen, Flash::kNone},
      {"AC13R12C2A1P2S", 3, 12, kRed, kYellow, Flash::kSlow},
      {"AC14R13C3A3P0S", 4, 13, kGreen, kDark, Flash::kFast},
      // A flashing dark cell: "0A" with the flash code, still flashing.
      {"AC16R25C0A2A1S", 6, 25, kDark, kRed, Flash::kSlow},
      {"AC16R24C0A3A3S", 6, 24, kDark, kGreen, Flash::kFast},
      // Sub-cell command (AC2): codes straight from the pickers.
      {"AC22R1C1A1P0S", 2, 1, kRed, kRed, Flash::kNone},    // ON ignores the secondary
      {"AC22R2C0A3P1S", 2, 2, kDark, kDark, Flash::kNone},  // OFF ignores both colours
      {"AC22R3C2A2P3S", 2, 3, kYellow, kGreen, Flash::kSlow},
      {"AC22R4C3A0P1S", 2, 4, kDark, kRed, Flash::kFast},
      {"AC22R5C1A0P0S", 2, 5, kDark, kDark, Flash::kNone},
  };
  for (const CellCase& c : cases) Show(std::string("<02>0101<1B>") + c.packet + "<04>");
  view.Flush();
  auto* board = Panel<AndonPanel>(0);
  ASSERT_NE(board, nullptr);
  for (const int phase : {0, 3}) {
    // Phase 3 is the second state of both rates.
    view.Blink().SetPhase(phase);
    const QImage image = board->grab().toImage();
    for (const CellCase& c : cases) {
      const QColor want = phase == 0 || c.flash == Flash::kNone ? c.first : c.second;
      EXPECT_EQ(board->CellColour(c.row, c.column), want) << c.packet << " phase " << phase;
      EXPECT_EQ(board->Look(c.row, c.column).flash, c.flash) << c.packet;
      EXPECT_EQ(image.pixelColor(board->CellRect(c.row, c.column).center()), want)
          << c.packet << " phase " << phase;
    }
    // Never painted: no fill at all, so no lamp colour where the cell is.
    EXPECT_FALSE(board->CellColour(5, 5).isValid());
    const QColor empty = image.pixelColor(board->CellRect(5, 5).center());
    for (const QColor& lamp : {kDark, kRed, kYellow, kGreen}) EXPECT_NE(empty, lamp);
  }
  EXPECT_TRUE(board->FlashesAt(Flash::kSlow));
  EXPECT_TRUE(board->FlashesAt(Flash::kFast));
}

TEST_F(SimViewTest, CharacterCellsAndSubCells) {
  Send("<02>0101<1B>AC24R7C[AB]2A<04>");
  Send("<02>0101<1B>AC24R8C[C1R]0A<04>");
  Send("<02>0101<1B>AC13R12C1A3P<04>");
  Send("<02>0101<1B>AC23.1R12.2C1A1P0S<04>");
  Send("<02>0101<1B>AC23R12.4C2A2P1S<04>");
  auto* board = Panel<AndonPanel>(0);
  EXPECT_EQ(board->Look(4, 7).characters, "AB");
  EXPECT_TRUE(board->ShowsCharacters(4, 7));
  view.Blink().SetPhase(3);
  EXPECT_FALSE(board->ShowsCharacters(4, 7)) << "slow flash, second state";
  EXPECT_FALSE(board->ShowsCharacters(4, 8)) << "OFF";
  // A sub-cell leaves the whole cell's colour and shows as a mark; the tooltip lists it.
  EXPECT_EQ(board->CellColour(3, 12), kGreen);
  EXPECT_TRUE(board->HasSubCells(3, 12));
  EXPECT_FALSE(board->HasSubCells(3, 11));
  EXPECT_EQ(board->ToolTipAt(board->CellRect(3, 12).center()).toStdString(),
            "row 3, column 12: 1A3P (on, green)\n"
            "  sub-column 4: 2A2P1S (flash slow, yellow / red)\n"
            "  sub-row 1, sub-column 2: 1A1P0S (on, red)");
  EXPECT_EQ(board->ToolTipAt(board->CellRect(4, 7).center()).toStdString(),
            "row 4, column 7: [AB]2A (characters AB, flash slow)");
  EXPECT_EQ(board->ToolTipAt(board->CellRect(6, 1).center()).toStdString(),
            "row 6, column 1: unset");
  // Painting the whole cell again drops its sub-cells.
  Send("<02>0101<1B>AC13R12C0A<04>");
  EXPECT_FALSE(board->HasSubCells(3, 12));
}

TEST_F(SimViewTest, FlashFastAndSlowAlternateAtTheirRates) {
  Send("<02>0101<1B>AC11R1C3A3P0S<04>");  // FF green / dark
  Send("<02>0101<1B>AC11R2C2A1P2S<04>");  // FS red / yellow
  Send("<02>0104<1B>SL11R3A<04>");
  Send("<02>0104<1B>SL12R2A<04>");
  Send("<02>0103<1B>NUM42N3A<04>");
  Send("<02>0102<10>FLASHING<04>");
  auto* board = Panel<AndonPanel>(0);
  auto* lamps = Panel<StackLightPanel>(3);
  auto* number = Panel<NumericPanel>(2);
  auto* marquee = Panel<MarqueePanel>(1);
  // FF changes every phase, FS every third: 250 ms and 750 ms at kBlinkTickMs.
  const std::string fast = "PSPSPSPSPSPS", slow = "PPPSSSPPPSSS";
  std::string seen_fast, seen_slow, lamp_fast, lamp_slow, digits, text;
  for (int phase = 0; phase < 12; ++phase) {
    view.Blink().SetPhase(phase);
    seen_fast += board->CellColour(1, 1) == kGreen ? 'P' : 'S';
    seen_slow += board->CellColour(1, 2) == kRed ? 'P' : 'S';
    lamp_fast += lamps->Lit(0) ? 'P' : 'S';
    lamp_slow += lamps->Lit(1) ? 'P' : 'S';
    digits += number->ShowsNumber() ? 'P' : 'S';
    text += marquee->ShowsText() ? 'P' : 'S';
  }
  EXPECT_EQ(seen_fast, fast);
  EXPECT_EQ(seen_slow, slow);
  EXPECT_EQ(lamp_fast, fast);
  EXPECT_EQ(lamp_slow, slow);
  EXPECT_EQ(digits, fast);
  EXPECT_EQ(text, slow) << "the marquee's flash option";
  EXPECT_EQ(BlinkClock::kBlinkTickMs * BlinkClock::kFastTicks, 250);
  EXPECT_EQ(BlinkClock::kBlinkTickMs * BlinkClock::kSlowTicks, 750);
}

TEST_F(SimViewTest, MarqueeShowsItsTextWithControlBytesAndItsOptions) {
  auto* marquee = Panel<MarqueePanel>(1);
  EXPECT_EQ(marquee->Text(), "");
  Send("<02>0102<0C><10>LINE1<0D>LINE2<04>");
  EXPECT_EQ(marquee->Text(), "LINE1<0D>LINE2");
  EXPECT_EQ(marquee->Options(), QStringList({"clear-home", "flash"}));
  Send("<02>0000<1B>SSN10002<1B>SMC1C<04>");
  Send("<02>0000<1B>SDM7M<04>");
  Send("<02>0102<0D><12>caf\xE9<04>");
  EXPECT_EQ(marquee->Text(), QString::fromUtf8("caf\u00E9"));
  EXPECT_EQ(marquee->Options(), QStringList({"carriage return", "auto-centre", "template 7"}));
  view.Blink().SetPhase(3);
  EXPECT_TRUE(marquee->ShowsText()) << "flash off";
  EXPECT_TRUE(marquee->ToolTipAt({}).startsWith(QString::fromUtf8("message: caf\u00E9\n")));
}

TEST_F(SimViewTest, NumericDisplayShowsTheNumberAndWhereAndHow) {
  struct Case {
    const char* packet;
    const char* number;
    const char* details;
    bool lit;  // in the first blink state
  };
  const Case cases[] = {
      {"<02>0103<1B>NUM2R3C-12N3A<04>", "-12", "row 2 \u00B7 column 3 \u00B7 FF", true},
      {"<02>0103<1B>NUM1234N1A<04>", "1234", "no position \u00B7 ON", true},
      {"<02>0103<1B>NUM7N<04>", "7", "no position \u00B7 no attribute", true},
      {"<02>0103<1B>NUM5N0A<04>", "5", "no position \u00B7 OFF", false},
      {"<02>0103<1B>3<04>", "", "nothing shown", false},  // clear
  };
  auto* display = Panel<NumericPanel>(2);
  for (const Case& c : cases) {
    Send(c.packet);
    EXPECT_EQ(display->Number(), QString::fromUtf8(c.number)) << c.packet;
    EXPECT_EQ(display->Details(), QString::fromUtf8(c.details)) << c.packet;
    if (*c.number) {
      EXPECT_EQ(display->ShowsNumber(), c.lit) << c.packet;
    }
  }
}

TEST_F(SimViewTest, StackLightShowsItsRowsAsLamps) {
  for (const char* p :
       {"<02>0104<1B>SL13R1A<04>", "<02>0104<1B>SL11R0A<04>", "<02>0104<1B>SL12R2A<04>",
        "<02>0104<1B>SL14R3A<04>", "<02>0104<1B>SL17R<04>", "<02>0104<1B>SL13R0A<04>"}) {
    Send(p);
  }
  auto* light = Panel<StackLightPanel>(3);
  using Lamp = StackLightPanel::Lamp;
  EXPECT_EQ(light->Lamps(),
            (std::vector<Lamp>{{1, "OFF"}, {2, "FS"}, {3, "OFF"}, {4, "FF"}, {7, ""}}));
  std::vector<bool> lit;
  for (std::size_t i = 0; i < light->Lamps().size(); ++i) lit.push_back(light->Lit(i));
  EXPECT_EQ(lit, (std::vector<bool>{false, true, false, true, false}));
  Send("<02>0104<1B>3<04>");
  EXPECT_TRUE(light->Lamps().empty());
}

TEST_F(SimViewTest, TuneUnitAndHeadEndShowTheirCounts) {
  auto* tune = Panel<TextPanel>(4);
  auto* head_end = Panel<TextPanel>(5);
  EXPECT_EQ(tune->Lines(), QStringList({"no tune yet"}));
  Send("<02>0105<1B>TU15T10S<04>");
  EXPECT_EQ(tune->Lines(), QStringList({"TU1 tune 5", "seconds 10", "played once"}));
  Send("<02>0105<1B>TU2200T3R1P<04>");
  EXPECT_EQ(tune->Lines(),
            QStringList({"TU2 tune 200", "double speed \u00B7 repeat 3 \u00B7 priority 1",
                         "played 2 times"}));
  Send("<02>0000<1B>SVN<04>");
  Send("<02>0000<1B>SVN<04>");
  EXPECT_EQ(head_end->Lines(), QStringList({"version requests 2"}));
}

TEST_F(SimViewTest, HeaderAndFooterFollowAddressSerialMaintenanceAndSettings) {
  DevicePanel* head_end = view.Panel(5);
  EXPECT_EQ(head_end->Title(), "head-end controller 10006");
  EXPECT_EQ(head_end->AddressText(), "at 0106");
  EXPECT_EQ(head_end->UpkeepText(), "no maintenance, no settings");
  const auto sgu = [](const std::string& sets) {
    std::string all = sets;
    all.resize(60, '0');
    return "<02>0000<1B>SSN10006<1B>SGU" + all + "<04>";
  };
  struct Case {
    std::string packet;
    const char* title;
    const char* address;
  };
  const Case cases[] = {
      {sgu("01060209"), "head-end controller 10006", "at 0106 +1"},
      {sgu("00000209"), "head-end controller 10006", "at 0209"},
      {sgu(""), "head-end controller 10006", "no address"},
      // SS# goes to every device at once.
      {"<02>0000<1B>SSNZYXWV<1B>SS#12345<04>", "head-end controller 12345", "no address"},
  };
  for (const Case& c : cases) {
    Send(c.packet);
    EXPECT_EQ(head_end->Title(), c.title) << c.packet;
    EXPECT_EQ(head_end->AddressText(), c.address) << c.packet;
  }
  EXPECT_EQ(head_end->CountText(), "4 packets");
  Send("<02>0000<1B>1<04>");
  Send("<02>0000<1B>SSNZYXWV<1B>SMB5R12L<04>");
  EXPECT_EQ(head_end->UpkeepText(), "lamp tests 1 \u00B7 2 settings");
  const QString summary = head_end->SummaryText();
  EXPECT_TRUE(summary.contains("device sets: none")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("  SMB regular = 5\n  SMB lamp-test = 12") ||
              summary.contains("  SMB lamp-test = 12\n  SMB regular = 5"))
      << summary.toStdString();
  EXPECT_EQ(view.Panel(0)->AddressText(), "at 0101") << "the others stay where they were";
  EXPECT_EQ(view.Panel(0)->Title(), "andon board 12345");
}

TEST_F(SimViewTest, OnlyThePanelsOfReachedDevicesRefresh) {
  struct Case {
    std::vector<std::string> packets;  // shown together, then one flush
    std::vector<std::uint64_t> more;   // refreshes added, by device
  };
  const Case cases[] = {
      {{"<02>0103<1B>NUM12N1A<04>"}, {0, 0, 1, 0, 0, 0}},
      {{"<02>0103<1B>NUM12N1A<04>", "<02>0103<1B>NUM13N1A<04>"}, {0, 0, 1, 0, 0, 0}},
      {{"<02>0101<1B>NUM12N1A<04>"}, {1, 0, 0, 0, 0, 0}},  // reached, kept nothing
      {{"<02>0000<1B>3<04>"}, {1, 1, 1, 1, 1, 1}},
      {{"<02>0000<1B>SSN10004<1B>SFD5<04>"}, {0, 0, 0, 1, 0, 0}},
      {{"<02>0905<1B>NUM12N1A<04>"}, {0, 0, 0, 0, 0, 0}},  // nobody there
      {{"<02>0109<1B>XYZ<04>"}, {0, 0, 0, 0, 0, 0}},       // no packet
  };
  for (const Case& c : cases) {
    const std::vector<std::uint64_t> before = Refreshes();
    for (const std::string& p : c.packets) Show(p);
    EXPECT_EQ(Refreshes(), before) << "nothing before the flush";
    view.Flush();
    std::vector<std::uint64_t> added = Refreshes();
    for (std::size_t i = 0; i < added.size(); ++i) added[i] -= before[i];
    EXPECT_EQ(added, c.more) << c.packets.front();
  }
}

TEST_F(SimViewTest, ReachedPanelsAreOutlinedForAMoment) {
  Send("<02>0103<1B>NUM12N1A<04>");
  EXPECT_TRUE(view.Panel(2)->Reached());
  EXPECT_FALSE(view.Panel(1)->Reached());
  view.Blink().Advance();
  Send("<02>0103<1B>NUM13N1A<04>");  // again, later: the outline starts over
  view.Blink().Advance();
  EXPECT_TRUE(view.Panel(2)->Reached());
  view.Blink().Advance();
  EXPECT_FALSE(view.Panel(2)->Reached());
}

TEST_F(SimViewTest, MonitorListsEveryEntryWithErrorsMarked) {
  Note("listening");
  Show("<02>0103<1B>NUM12N1A<04>");
  Show("<02>0109<1B>XYZ<04>");
  Note("cannot read", true);
  view.Flush();
  MonitorList* monitor = view.Monitor();
  ASSERT_EQ(monitor->count(), 4);
  const bool errors[] = {false, false, true, true};
  for (int i = 0; i < 4; ++i) {
    const QListWidgetItem& item = *monitor->item(i);
    EXPECT_EQ(MonitorList::IsError(item), errors[i]) << i;
    EXPECT_EQ(item.icon().cacheKey() == MonitorList::ErrorIcon().cacheKey(), errors[i])
        << i << ": an icon, not colour alone";
    EXPECT_EQ(item.foreground().color() == QColor(170, 0, 0), errors[i]) << i;
  }
  EXPECT_TRUE(monitor->item(1)->text().endsWith("  -> numeric display 10003 at 0103"))
      << monitor->item(1)->text().toStdString();
  EXPECT_TRUE(monitor->item(2)->text().contains("ERROR: <02>0109<1B>XYZ<04>"));
  EXPECT_TRUE(
      view.SummaryText().startsWith(QString::fromUtf8("6 devices \u00B7 1 packet \u00B7 2 errors")))
      << view.SummaryText().toStdString();
}

TEST_F(SimViewTest, MonitorKeepsTheLastLinesAndFollowsTheEndUnlessScrolledUp) {
  view.resize(1000, 700);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  MonitorList* monitor = view.Monitor();
  QScrollBar* bar = monitor->verticalScrollBar();
  for (int i = 0; i < MonitorList::kMaxLines + 10; ++i) Note("note " + std::to_string(i));
  view.Flush();
  ASSERT_EQ(monitor->count(), MonitorList::kMaxLines);
  EXPECT_TRUE(monitor->item(0)->text().endsWith("note 10"));
  EXPECT_EQ(bar->value(), bar->maximum()) << "at the end";

  // Scrolled up to read: new lines neither move the view to the end nor slide it.
  const auto top_line = [monitor] {
    QCoreApplication::processEvents();
    const QListWidgetItem* item = monitor->itemAt(QPoint(5, 5));
    return item ? item->text() : QString();
  };
  bar->setValue(bar->maximum() / 2);
  const QString reading = top_line();
  ASSERT_FALSE(reading.isEmpty());
  for (int i = 0; i < 20; ++i) Note("more " + std::to_string(i));
  view.Flush();
  EXPECT_EQ(monitor->count(), MonitorList::kMaxLines);
  EXPECT_LT(bar->value(), bar->maximum());
  EXPECT_EQ(top_line(), reading);

  // Back at the end, it follows again.
  monitor->scrollToBottom();
  Note("last");
  view.Flush();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_TRUE(monitor->item(monitor->count() - 1)->text().endsWith("last"));
}

TEST(SimWindowTest, FitsASmallScreenWithTheMonitorAndFirstPanelsInSight) {
  sim::Bus bus(sim::DefaultBus());
  SimWindow window(bus);
  EXPECT_EQ(window.windowTitle(), "TVXORM bus simulator");
  EXPECT_LE(window.minimumSizeHint().width(), 1366);
  EXPECT_LE(window.minimumSizeHint().height(), 768);
  window.resize(1366, 740);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QWidget* viewport = window.View().PanelArea()->viewport();
  for (std::size_t i = 0; i < bus.Devices().size(); ++i) {
    DevicePanel* panel = window.View().Panel(i);
    const QRect shown(panel->mapTo(viewport, QPoint(0, 0)), panel->size());
    EXPECT_TRUE(viewport->rect().contains(shown)) << i << " is not in sight";
  }
  EXPECT_GE(window.View().Monitor()->height(), 150);
  EXPECT_TRUE(window.View().Monitor()->isVisible());
}

// A thousand devices of every kind, at 0100 to 1099.
std::vector<sim::DeviceEntry> BigBus() {
  std::vector<sim::DeviceEntry> entries;
  for (int i = 0; i < 1000; ++i) {
    const auto two = [](int n) { return std::string(1, '0' + n / 10) + char('0' + n % 10); };
    entries.push_back({sim::kDeviceKinds[i % 6], 10000 + i, two(1 + i / 100), two(i % 100)});
  }
  return entries;
}

class BigBusTest : public SimViewTest {
 protected:
  BigBusTest() : SimViewTest(BigBus()) {}
};

TEST_F(BigBusTest, AThousandDevicesTakeABroadcast) {
  view.resize(1366, 740);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  const std::vector<std::uint64_t> before = Refreshes();
  QElapsedTimer timer;
  timer.start();
  for (int column = 1; column <= 25; ++column) {
    Show("<02>0000<1B>AC11R" + std::to_string(column) + "C3A1P2S<04>");
  }
  Show("<02>0000<1B>1<04>");
  view.Flush();
  QCoreApplication::processEvents();
  // Generous for a busy machine: it takes a few tens of milliseconds.
  EXPECT_LT(timer.elapsed(), 5000);
  const std::vector<std::uint64_t> after = Refreshes();
  for (std::size_t i = 0; i < after.size(); ++i) ASSERT_EQ(after[i], before[i] + 1) << i;
  EXPECT_EQ(view.Panel(996)->UpkeepText(), "lamp tests 1");
  EXPECT_EQ(qobject_cast<AndonPanel*>(view.Panel(996))->CellColour(1, 25), kRed);
  // The panels scroll; the monitor stays.
  EXPECT_GT(view.PanelArea()->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(view.Monitor()->count(), 26);
}

}  // namespace
}  // namespace tvx::app
