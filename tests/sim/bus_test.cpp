// Which devices a packet reaches: every envelope, broadcasts, the short addresses the marquee
// and stack light send, and addresses that move with SGU and SS#.
#include "sim/bus.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/numeric.h"
#include "sim/devices_file.h"
#include "tests/sim/sim_test_support.h"

namespace tvx::sim {
namespace {

using Indexes = std::vector<std::size_t>;

// The default bus (indexes 0 to 5 at 0101 to 0106) and two devices sharing 0207.
std::vector<DeviceEntry> TestBus() {
  std::vector<DeviceEntry> entries = DefaultBus();
  entries.push_back({DeviceKind::kNumericDisplay, 42, "02", "07"});
  entries.push_back({DeviceKind::kStackLight, 20000, "02", "07"});
  return entries;
}

const Indexes kEveryDevice = {0, 1, 2, 3, 4, 5, 6, 7};

// Twenty set pairs: fifteen sets, each "GGUU".
std::string SetGroupUnit(const std::string& serial, const std::string& sets) {
  std::string all = sets;
  all.resize(60, '0');
  return "<02>0000<1B>SSN" + serial + "<1B>SGU" + all + "<04>";
}

TEST(BusAddressing, EachEnvelopeReachesTheDevicesItSelects) {
  struct Case {
    const char* packet;
    Indexes reached;
  };
  const Case cases[] = {
      // Group and unit.
      {"<02>0103<1B>NUM12N1A<04>", {2}},
      {"<02>0207<1B>NUM12N1A<04>", {6, 7}},  // both answer, the stack light keeps nothing
      {"<02>0101<1B>NUM12N1A<04>", {0}},     // reaches the andon board all the same
      {"<02>0905<1B>NUM12N1A<04>", {}},
      {"<02>0001<1B>1<04>", {}},  // only 00 with 00 is everyone
      {"<02>0100<1B>1<04>", {}},
      {"<02>0000<1B>3<04>", kEveryDevice},
      {"<02>0000<1B>NUM12N1A<04>", kEveryDevice},
      // Fixed address.
      {"<02>0000<1B>SVN<04>", kEveryDevice},
      {"<02>0000<1B>0<04>", kEveryDevice},
      {"<02>0000<1B>SDM7M<04>", kEveryDevice},
      // Marquee text and stack light: the boxes as typed.
      {"<02>0102<0C><12>HELLO<04>", {1}},
      {"<02>0000<0C><12>HI<04>", kEveryDevice},
      {"<02>02<0C><12>HI<04>", {}},
      {"<02><12>HI<04>", {}},
      {"<02>0104<1B>SL13R1A<04>", {3}},
      {"<02>04<1B>SL13R1A<04>", {}},
      {"<02>ab04<1B>SL13R1A<04>", {}},
      // Serial number, wildcard.
      {"<02>0000<1B>SSN00042<1B>SBT7<04>", {6}},
      {"<02>0000<1B>SSN10004<1B>SFD5<04>", {3}},
      {"<02>0000<1B>SSN10002<1B>SMC1C<04>", {1}},
      {"<02>0000<1B>SSN99999<1B>SFD5<04>", {}},
      {"<02>0000<1B>SSNZYXWV<1B>SLI12I<04>", kEveryDevice},
      {"<02>0000<1B>SSNZYXWV<1B>SMB5R12L<04>", kEveryDevice},
      // VL1: group and unit, and then the serial place.
      {"<02>0105<1B>SSN10005<1B>VL110V3C<04>", {4}},
      {"<02>0105<1B>SSN10001<1B>VL110V3C<04>", {}},
      {"<02>0207<1B>SSN42<1B>VL110V3C<04>", {6}},
      {"<02>0207<1B>SSN0042<1B>VL110V3C<04>", {6}},
      {"<02>0000<1B>SSN10005<1B>VL110V3C<04>", {4}},
      {"<02>0207<1B>SSNZYXWV<1B>VL110V3C<04>", {6, 7}},
      {"<02>0105<1B>SSN<1B>VL110V3C<04>", {}},
      {"<02>0105<1B>SSNabc<1B>VL110V3C<04>", {}},
  };
  for (const Case& c : cases) {
    Bus bus(TestBus());
    EXPECT_EQ(bus.Deliver(Packet(c.packet)), c.reached) << c.packet;
  }
}

TEST(BusAddressing, SetGroupUnitMovesTheDeviceAndItsOtherSets) {
  Bus bus(TestBus());
  // The numeric display (serial 10003) moves from 0103 to 0905 and also answers at 0101.
  EXPECT_EQ(bus.Deliver(Packet(SetGroupUnit("10003", "09050101"))), Indexes{2});
  EXPECT_EQ(bus.Devices()[2].identity.group, "09");
  EXPECT_EQ(bus.Devices()[2].identity.unit, "05");
  EXPECT_EQ(bus.Deliver(Packet("<02>0103<1B>NUM1N1A<04>")), Indexes{});
  EXPECT_EQ(bus.Deliver(Packet("<02>0905<1B>NUM1N1A<04>")), Indexes{2});
  EXPECT_EQ(bus.Deliver(Packet("<02>0101<1B>NUM1N1A<04>")), (Indexes{0, 2}));

  // With DS1 disabled, the device answers at its first enabled set.
  bus.Deliver(Packet(SetGroupUnit("10003", "00000311")));
  EXPECT_EQ(bus.Devices()[2].identity.group, "03");
  EXPECT_EQ(bus.Devices()[2].identity.unit, "11");
  EXPECT_EQ(bus.Deliver(Packet("<02>0905<1B>NUM1N1A<04>")), Indexes{});
  EXPECT_EQ(bus.Deliver(Packet("<02>0101<1B>NUM1N1A<04>")), Indexes{0});

  // Every set disabled: only the broadcasts and its serial number still reach it.
  bus.Deliver(Packet(SetGroupUnit("10003", "")));
  EXPECT_EQ(bus.Devices()[2].identity.group, "00");
  EXPECT_EQ(bus.Deliver(Packet("<02>0311<1B>NUM1N1A<04>")), Indexes{});
  EXPECT_EQ(bus.Deliver(Packet("<02>0000<1B>1<04>")), kEveryDevice);
  EXPECT_EQ(bus.Deliver(Packet("<02>0000<1B>SSN10003<1B>SFD5<04>")), Indexes{2});

  // Moving onto an address another device holds: both answer there.
  bus.Deliver(Packet(SetGroupUnit("10003", "0207")));
  EXPECT_EQ(bus.Deliver(Packet("<02>0207<1B>NUM1N1A<04>")), (Indexes{2, 6, 7}));
}

TEST(BusAddressing, ModifySerialReachesEveryListenerAndRenumbersIt) {
  // Alone on the bus, as the command is meant to be used.
  Bus alone({{DeviceKind::kMarquee, 12345, "01", "02"}});
  EXPECT_EQ(alone.Deliver(Packet("<02>0000<1B>SSNZYXWV<1B>SS#00077<04>")), Indexes{0});
  EXPECT_EQ(alone.Devices()[0].identity.serial, 77);
  EXPECT_EQ(alone.Deliver(Packet("<02>0000<1B>SSN12345<1B>SFD5<04>")), Indexes{});
  EXPECT_EQ(alone.Deliver(Packet("<02>0000<1B>SSN00077<1B>SFD5<04>")), Indexes{0});
  EXPECT_EQ(alone.Deliver(Packet("<02>0102<1B>SSN77<1B>VL110V3C<04>")), Indexes{0});

  // On a full bus every device hears the wildcard and takes the same number.
  Bus bus(TestBus());
  EXPECT_EQ(bus.Deliver(Packet("<02>0000<1B>SSNZYXWV<1B>SS#00500<04>")), kEveryDevice);
  for (const Device& d : bus.Devices()) EXPECT_EQ(d.identity.serial, 500);
  EXPECT_EQ(bus.Deliver(Packet("<02>0000<1B>SSN00500<1B>SFD5<04>")), kEveryDevice);
  EXPECT_EQ(bus.Deliver(Packet("<02>0000<1B>SSN00042<1B>SFD5<04>")), Indexes{});
}

TEST(BusAddressing, AThousandDevicesEachReachedAtItsOwnAddressOnly) {
  std::vector<DeviceEntry> entries;
  for (int i = 0; i < 1000; ++i) {
    const auto group = static_cast<std::int16_t>(1 + i / 99);
    const auto unit = static_cast<std::int16_t>(1 + i % 99);
    entries.push_back(
        {kDeviceKinds[i % 6], 50000 + i, protocol::TwoDigits(group), protocol::TwoDigits(unit)});
  }
  Bus bus(entries);
  for (std::size_t i = 0; i < entries.size(); i += 37) {
    const DeviceEntry& s = entries[i];
    EXPECT_EQ(bus.Deliver(Packet("<02>" + s.group + s.unit + "<1B>2<04>")), Indexes{i});
    EXPECT_EQ(bus.Deliver(Packet("<02>0000<1B>SSN" + std::to_string(s.serial) + "<1B>SFD1<04>")),
              Indexes{i});
  }
  EXPECT_EQ(bus.Deliver(Packet("<02>0000<1B>2<04>")).size(), 1000u);
}

}  // namespace
}  // namespace tvx::sim
