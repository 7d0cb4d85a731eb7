// What each command family leaves in the devices it reaches.
#include "sim/device_effects.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/bus.h"
#include "sim/devices_file.h"
#include "tests/sim/sim_test_support.h"

namespace tvx::sim {
namespace {

// The default bus: andon 0101, marquee 0102, numeric 0103, stack light 0104, tune 0105,
// head-end 0106, serials 10001 to 10006.
enum Index : std::size_t { kAndon, kMarquee, kNumeric, kStack, kTune, kHeadEnd };

template <typename State>
const State& StateOf(const Bus& bus, std::size_t index) {
  return std::get<State>(bus.Devices()[index].state);
}

void Send(Bus& bus, std::string_view tokens) {
  EXPECT_FALSE(bus.Deliver(Packet(tokens)).empty()) << tokens;
}

TEST(DeviceEffects, ContentCommandsChangeOnlyTheKindThatShowsThem) {
  const std::pair<const char*, Index> cases[] = {
      {"<02>0000<1B>AC11R1C1A1P<04>", kAndon}, {"<02>0000<1B>AC21R1C1A1P0S<04>", kAndon},
      {"<02>0000<0C><12>HI<04>", kMarquee},    {"<02>0000<1B>SDM7M<04>", kMarquee},
      {"<02>0000<1B>NUM1N1A<04>", kNumeric},   {"<02>0000<1B>SL11R1A<04>", kStack},
      {"<02>0000<1B>TU11T<04>", kTune},        {"<02>0000<1B>TU21T<04>", kTune},
      {"<02>0000<1B>SVN<04>", kHeadEnd},
  };
  for (const auto& [tokens, keeper] : cases) {
    Bus bus(DefaultBus());
    const Bus fresh(DefaultBus());
    EXPECT_EQ(bus.Deliver(Packet(tokens)).size(), 6u) << tokens;
    for (std::size_t i = 0; i < 6; ++i) {
      const Device& d = bus.Devices()[i];
      const Device& before = fresh.Devices()[i];
      const bool kept = d.state != before.state || d.maintenance != before.maintenance;
      EXPECT_EQ(kept, i == keeper) << tokens << " at device " << i;
      EXPECT_EQ(d.packets, 1u);
      EXPECT_EQ(d.ignored, i == keeper ? 0u : 1u) << tokens << " at device " << i;
    }
  }
}

TEST(DeviceEffects, AndonCellsHoldTheCodesAfterTheCellAddress) {
  Bus bus(DefaultBus());
  const char* const packets[] = {
      "<02>0101<1B>AC13R12C2A1P2S<04>",      // FS, primary R, secondary Y
      "<02>0101<1B>AC11R1C0A<04>",           // dark
      "<02>0101<1B>AC16R25C0A2A1S<04>",      // dark with a slow red secondary
      "<02>0101<1B>AC12R5C1A3P<04>",         // ON green
      "<02>0101<1B>AC24R7C[AB]2A<04>",       // characters
      "<02>0101<1B>AC24R8C[C1R]3A<04>",      // characters that look like an address
      "<02>0101<1B>AC205R9C1A2P3S<04>",      // a row typed with a leading zero
      "<02>0101<1B>AC23.1R12.2C1A1P0S<04>",  // sub-cells: not the whole cell
      "<02>0101<1B>AC25.2R3C3A2P1S<04>",     // a sub-row only
      "<02>0101<1B>AC22R2.11C0A0P0S<04>",    // a sub-column only
  };
  for (const char* p : packets) Send(bus, p);
  const std::tuple<int, int, const char*> painted[] = {
      {3, 12, "2A1P2S"}, {1, 1, "0A"},      {6, 25, "0A2A1S"}, {2, 5, "1A3P"},
      {4, 7, "[AB]2A"},  {4, 8, "[C1R]3A"}, {5, 9, "1A2P3S"},
  };
  const AndonBoard& board = StateOf<AndonBoard>(bus, kAndon);
  int set = 0;
  for (const auto& row : board.cells) {
    for (const auto& cell : row) set += cell.has_value();
  }
  EXPECT_EQ(set, static_cast<int>(std::size(painted)));
  for (const auto& [row, column, codes] : painted) {
    EXPECT_EQ(board.cells[row - 1][column - 1], codes) << row << "," << column;
  }
  const std::map<SubCellKey, std::string> sub_cells = {
      {{3, 12, 1, 2}, "1A1P0S"}, {{5, 3, 2, -1}, "3A2P1S"}, {{2, 2, -1, 11}, "0A0P0S"}};
  EXPECT_EQ(board.sub_cells, sub_cells);

  // Painting a whole cell again replaces its codes and drops its sub-cells.
  Send(bus, "<02>0101<1B>AC23R12C1A1P0S<04>");
  Send(bus, "<02>0101<1B>AC15R3C1A1P<04>");
  EXPECT_EQ(board.cells[2][11], "1A1P0S");
  EXPECT_EQ(board.cells[4][2], "1A1P");
  EXPECT_EQ(board.sub_cells.size(), 1u);

  // Cells the console sends as typed but the board does not have.
  const std::uint64_t ignored = bus.Devices()[kAndon].ignored;
  Send(bus, "<02>0101<1B>AC27R40C1A1P0S<04>");
  Send(bus, "<02>0101<1B>AC2aR1C1A1P0S<04>");
  Send(bus, "<02>0101<1B>AC21.xR1C1A1P0S<04>");
  EXPECT_EQ(bus.Devices()[kAndon].ignored, ignored + 3);
}

TEST(DeviceEffects, SubCellsStopAtTheirCap) {
  Bus bus(DefaultBus());
  int sent = 0;
  for (int row = 1; row <= 6; ++row) {
    for (int column = 1; column <= 25; ++column) {
      for (int sub = 1; sub <= 9; ++sub, ++sent) {
        bus.Deliver(Packet("<02>0101<1B>AC2" + std::to_string(row) + "." + std::to_string(sub) +
                           "R" + std::to_string(column) + "C1A1P0S<04>"));
      }
    }
  }
  EXPECT_EQ(StateOf<AndonBoard>(bus, kAndon).sub_cells.size(), kMaxSubCells);
  EXPECT_EQ(bus.Devices()[kAndon].ignored, static_cast<std::size_t>(sent) - kMaxSubCells);
  // Known sub-cells still change.
  Send(bus, "<02>0101<1B>AC21.1R1C3A3P3S<04>");
  EXPECT_EQ(StateOf<AndonBoard>(bus, kAndon).sub_cells.at({1, 1, 1, -1}), "3A3P3S");
}

TEST(DeviceEffects, MarqueeTextOptionsAutoCentreAndTemplate) {
  Bus bus(DefaultBus());
  const Marquee& m = StateOf<Marquee>(bus, kMarquee);
  Send(bus, "<02>0102<0C><12>HELLO<04>");
  EXPECT_EQ(m, (Marquee{"HELLO", true, false, false, std::nullopt, std::nullopt}));
  Send(bus, "<02>0102<0D><10>WORLD<04>");
  EXPECT_EQ(m, (Marquee{"WORLD", false, true, true, std::nullopt, std::nullopt}));
  Send(bus, "<02>0102<12><04>");
  EXPECT_EQ(m, (Marquee{"", false, false, false, std::nullopt, std::nullopt}));
  Send(bus, "<02>0000<1B>SSN10002<1B>SMC1C<04>");
  EXPECT_EQ(m.auto_centre, true);
  Send(bus, "<02>0000<1B>SSN10002<1B>SMC0C<04>");
  EXPECT_EQ(m.auto_centre, false);
  Send(bus, "<02>0000<1B>SDM007M<04>");
  EXPECT_EQ(m.template_id, "007");
}

TEST(DeviceEffects, NumberStackLightAndTune) {
  Bus bus(DefaultBus());
  const NumericDisplay& n = StateOf<NumericDisplay>(bus, kNumeric);
  Send(bus, "<02>0103<1B>NUM2R3C-12N3A<04>");
  EXPECT_EQ(n, (NumericDisplay{"-12", "2", "3", "FF"}));
  Send(bus, "<02>0103<1B>NUM1234N1A<04>");  // no position: none kept from before
  EXPECT_EQ(n, (NumericDisplay{"1234", "", "", "ON"}));

  const StackLight& s = StateOf<StackLight>(bus, kStack);
  Send(bus, "<02>0104<1B>SL13R0A<04>");
  Send(bus, "<02>0104<1B>SL101R2A<04>");
  Send(bus, "<02>0104<1B>SL13R1A<04>");
  Send(bus, "<02>0104<1B>SL1-1R1A<04>");  // no such row
  Send(bus, "<02>0104<1B>SL10R1A<04>");
  EXPECT_EQ(s.rows, (std::map<int, std::string>{{1, "FS"}, {3, "ON"}}));
  EXPECT_EQ(bus.Devices()[kStack].ignored, 2u);

  const TuneUnit& t = StateOf<TuneUnit>(bus, kTune);
  Send(bus, "<02>0105<1B>TU15T10S<04>");
  EXPECT_EQ(t.last_tune, (Tune{"TU1", "5", "10", "", "", ""}));
  Send(bus, "<02>0105<1B>TU2200T3R1P<04>");
  EXPECT_EQ(t.last_tune, (Tune{"TU2", "200", "", "3", "", "1"}));
  EXPECT_EQ(t.tunes_played, 2u);
}

TEST(DeviceEffects, ClearEmptiesWhatEachDeviceShows) {
  Bus bus(DefaultBus());
  for (const char* p :
       {"<02>0101<1B>AC11R1C1A1P<04>", "<02>0101<1B>AC21.1R1C1A1P0S<04>",
        "<02>0102<0D><10>WORLD<04>", "<02>0000<1B>SDM7M<04>", "<02>0103<1B>NUM2R3C12N3A<04>",
        "<02>0104<1B>SL13R0A<04>", "<02>0105<1B>TU15T<04>", "<02>0000<1B>SSNZYXWV<1B>SLI9I<04>"}) {
    Send(bus, p);
  }
  Send(bus, "<02>0000<1B>3<04>");
  EXPECT_EQ(StateOf<AndonBoard>(bus, kAndon), AndonBoard{});
  const Marquee& m = StateOf<Marquee>(bus, kMarquee);
  EXPECT_EQ(m, (Marquee{"", false, false, false, std::nullopt, "7"}));
  EXPECT_EQ(StateOf<NumericDisplay>(bus, kNumeric), NumericDisplay{});
  EXPECT_EQ(StateOf<StackLight>(bus, kStack), StackLight{});
  EXPECT_EQ(StateOf<TuneUnit>(bus, kTune).tunes_played, 1u);
  for (const Device& d : bus.Devices()) {
    EXPECT_EQ(d.maintenance.clears, 1u);
    EXPECT_EQ(d.settings.at("SLI intensity"), "9");
  }
}

TEST(DeviceEffects, MaintenanceIsCountedPerDevice) {
  Bus bus(DefaultBus());
  for (const char* p : {"<02>0101<1B>1<04>", "<02>0101<1B>1<04>", "<02>0000<1B>2<04>",
                        "<02>0102<1B>3<04>", "<02>0000<1B>0<04>", "<02>0000<1B>SVN<04>"}) {
    Send(bus, p);
  }
  const auto& andon = bus.Devices()[kAndon].maintenance;
  EXPECT_EQ(andon, (MaintenanceCounts{0, 2, 0, 1, 1}));
  EXPECT_EQ(bus.Devices()[kMarquee].maintenance, (MaintenanceCounts{0, 0, 1, 1, 1}));
  EXPECT_EQ(bus.Devices()[kHeadEnd].maintenance, (MaintenanceCounts{1, 0, 0, 1, 1}));
}

TEST(DeviceEffects, SettingsKeepTheLastValueOfEachField) {
  struct Case {
    const char* packet;
    std::map<std::string, std::string> settings;
  };
  const Case cases[] = {
      {"<02>0000<1B>SSN10004<1B>SBT007<04>", {{"SBT board-type", "007"}}},
      {"<02>0000<1B>SSN10004<1B>SBSAB-12<04>", {{"SBS sub-board-type", "AB-12"}}},
      {"<02>0000<1B>SSN10004<1B>SFD50<04>", {{"SFD fader-level", "50"}}},
      {"<02>0000<1B>SSN10004<1B>SAC12C<04>", {{"SAC columns", "12"}}},
      {"<02>0000<1B>SSN10004<1B>SOR1<04>", {{"SOR series", "614"}}},
      {"<02>0000<1B>SSN10004<1B>SMD2<04>", {{"SMD detect", "2"}}},
      {"<02>0000<1B>SSNZYXWV<1B>SLI18I<04>", {{"SLI intensity", "18"}}},
      {"<02>0000<1B>SSNZYXWV<1B>SMB07R3L<04>", {{"SMB regular", "07"}, {"SMB lamp-test", "3"}}},
      {"<02>0104<1B>SSN10004<1B>VL110V3C<04>", {{"VL1 volume", "10"}, {"VL1 channel", "3"}}},
  };
  for (const Case& c : cases) {
    Bus bus(DefaultBus());
    bus.Deliver(Packet(c.packet));
    EXPECT_EQ(bus.Devices()[kStack].settings, (std::map<std::string, std::string, std::less<>>(
                                                  c.settings.begin(), c.settings.end())))
        << c.packet;
  }
  Bus bus(DefaultBus());
  Send(bus, "<02>0000<1B>SSN10004<1B>SFD50<04>");
  Send(bus, "<02>0000<1B>SSN10004<1B>SFD7<04>");
  EXPECT_EQ(bus.Devices()[kStack].settings.at("SFD fader-level"), "7");
}

}  // namespace
}  // namespace tvx::sim
