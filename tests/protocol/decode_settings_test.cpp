// Round trips of the serial-number commands, and the one-line descriptions.
#include <gtest/gtest.h>

#include "protocol/commands.h"
#include "protocol/config_commands.h"
#include "protocol/decode.h"
#include "tests/protocol/decode_print.h"

namespace tvx::protocol {
namespace {

using Fields = std::vector<DecodedField>;

struct Case {
  BuildResult built;
  std::string command;
  Fields fields;
  std::string serial = "12345";
};

void Check(const Case& c) {
  ASSERT_TRUE(std::holds_alternative<Packet>(c.built)) << std::get<Refusal>(c.built).message;
  const Packet& p = std::get<Packet>(c.built);
  const auto items = Decode(p.Bytes());
  ASSERT_EQ(items.size(), 1u) << p.display;
  const auto* d = std::get_if<DecodedPacket>(&items[0]);
  ASSERT_NE(d, nullptr) << p.display << ": " << Describe(items[0]);
  EXPECT_EQ(d->command, c.command) << p.display;
  EXPECT_EQ(d->code, c.command) << p.display;
  EXPECT_EQ(d->serial, c.serial) << p.display;
  EXPECT_EQ(d->envelope, Envelope::kSerialNumber) << p.display;
  EXPECT_EQ(d->bytes, p.Bytes());
  ASSERT_EQ(d->fields.size(), c.fields.size()) << p.display;
  for (std::size_t i = 0; i < c.fields.size(); ++i) {
    EXPECT_EQ(d->fields[i].name, c.fields[i].name) << p.display;
    EXPECT_EQ(d->fields[i].value, c.fields[i].value) << p.display;
  }
}

BuildResult Setting(SerialSetting command, const std::string& text, Link link = Link::Serial,
                    const std::string& serial = "12345") {
  return BuildSerialSetting(command, serial, text, link);
}

TEST(DecodeRoundTrip, SetGroupUnitOverEmptyShortAndFullBoxes) {
  DeviceSets empty;
  DeviceSets first;
  first.groups[0] = "1";
  first.units[0] = "2";
  DeviceSets full;
  DeviceSets last;
  for (int i = 0; i < kDeviceSets; ++i) full.groups[i] = full.units[i] = "99";
  last.groups[14] = "7";
  last.units[14] = "10";
  auto fields = [](const DeviceSets& sets, const char* empty_as) {
    Fields out;
    for (int i = 0; i < kDeviceSets; ++i) {
      const std::string set = "ds" + std::to_string(i + 1);
      auto two = [&](const std::string& s) {
        return s.empty() ? std::string(empty_as) : s.size() == 1 ? "0" + s : s;
      };
      out.push_back({set + "-group", two(sets.groups[i])});
      out.push_back({set + "-unit", two(sets.units[i])});
    }
    return out;
  };
  for (const DeviceSets* sets : {&empty, &first, &full, &last}) {
    DeviceSets typed = *sets;
    for (int i = 0; i < kDeviceSets; ++i) {
      if (typed.groups[i].empty()) typed.groups[i] = "00";  // the console fills empty boxes
      if (typed.units[i].empty()) typed.units[i] = "00";
    }
    Check({BuildSetGroupUnit("12345", typed), "SGU", fields(*sets, "00")});
  }
}

TEST(DecodeRoundTrip, ConfigurationAndSettingCommands) {
  const Case cases[] = {
      {BuildModifySerial("00042"), "SS#", {{"new-serial", "00042"}}, "ZYXWV"},
      {BuildModifySerial("00000"), "SS#", {{"new-serial", "00000"}}, "ZYXWV"},
      {BuildModifySerial("99999"), "SS#", {{"new-serial", "99999"}}, "ZYXWV"},
      {Setting(SerialSetting::kBoardType, "7"), "SBT", {{"board-type", "7"}}},
      {Setting(SerialSetting::kBoardType, "007"), "SBT", {{"board-type", "007"}}},
      {Setting(SerialSetting::kBoardType, "-32768"), "SBT", {{"board-type", "-32768"}}},
      // The sub-type is a part name on the serial link and a number over TCP.
      {Setting(SerialSetting::kBoardSubType, "AB-12"), "SBS", {{"sub-board-type", "AB-12"}}},
      {Setting(SerialSetting::kBoardSubType, "ABCDEFGHIJKLMNO"),
       "SBS",
       {{"sub-board-type", "ABCDEFGHIJKLMNO"}}},
      {Setting(SerialSetting::kBoardSubType, " 5", Link::Tcp), "SBS", {{"sub-board-type", " 5"}}},
      {Setting(SerialSetting::kBoardSubType, "2.5", Link::Tcp), "SBS", {{"sub-board-type", "2.5"}}},
      {Setting(SerialSetting::kFaderLevel, "50", Link::Tcp), "SFD", {{"fader-level", "50"}}},
      {Setting(SerialSetting::kFaderLevel, "0"), "SFD", {{"fader-level", "0"}}},
      {Setting(SerialSetting::kColumns, "2"), "SAC", {{"columns", "2"}}},
      {Setting(SerialSetting::kColumns, "25"), "SAC", {{"columns", "25"}}},
      {Setting(SerialSetting::kSeriesFlag, SeriesFlagText(true)), "SOR", {{"series", "610"}}},
      {Setting(SerialSetting::kSeriesFlag, SeriesFlagText(false)), "SOR", {{"series", "614"}}},
      {Setting(SerialSetting::kMarqueeDetect, MarqueeDetectText(true, false)),
       "SMD",
       {{"detect", "0"}}},
      {Setting(SerialSetting::kMarqueeDetect, MarqueeDetectText(false, true)),
       "SMD",
       {{"detect", "1"}}},
      {Setting(SerialSetting::kMarqueeDetect, MarqueeDetectText(false, false)),
       "SMD",
       {{"detect", "2"}}},
      {Setting(SerialSetting::kBoardType, "7", Link::Serial, "00000"),
       "SBT",
       {{"board-type", "7"}},
       "00000"},
      {BuildLedIntensity("7", Link::Serial, "-1"), "SLI", {{"intensity", "7"}}, "ZYXWV"},
      {BuildLedIntensity("07", Link::Tcp, "00007"), "SLI", {{"intensity", "07"}}, "ZYXWV"},
      {BuildLedIntensity("50", Link::Serial, "-1"), "SLI", {{"intensity", "50"}}, "ZYXWV"},
      {BuildMarqueeBrightness("07", "3"), "SMB", {{"regular", "07"}, {"lamp-test", "3"}}, "ZYXWV"},
      {BuildMarqueeBrightness("15", "-0"),
       "SMB",
       {{"regular", "15"}, {"lamp-test", "-0"}},
       "ZYXWV"},
  };
  for (const Case& c : cases) Check(c);
}

TEST(DecodeRoundTrip, VolumeWithTypedSerialText) {
  const std::pair<const char*, const char*> levels[] = {{"10", "3"}, {"00", "00"}, {"V", "C"}};
  for (const char* serial : {"", "7", "00042", "ab"}) {
    for (const auto& [volume, channel] : levels) {
      Check({BuildVolume({{"01", "02"}, serial, volume, channel}),
             "VL1",
             {{"volume", volume}, {"channel", channel}},
             serial});
    }
  }
}

struct DescribeCase {
  Packet packet;
  const char* line;
};

TEST(Describe, OneLineATechnicianReads) {
  MarqueeFields marquee;
  marquee.address = {"01", "05"};
  marquee.message = "HELLO";
  MarqueeFields short_address = marquee;
  short_address.address = {"", "05"};
  short_address.message = "";
  DeviceSets sets;
  sets.groups.fill("00");
  sets.units.fill("00");
  sets.groups[0] = "01";
  const DescribeCase cases[] = {
      {std::get<Packet>(BuildNumber({{"01", "02"}, "1234", "", "", "1A"})),
       "NUM to group 01 unit 02: number 1234, attribute ON"},
      {BuildMaintenance(Maintenance::kSoftwareVersion, {}), "SVN to the whole bus (0000)"},
      {BuildMaintenance(Maintenance::kLampTest, {"00", "00"}),
       "Test to every device (group 00 unit 00)"},
      {BuildModifySerial("00042"), "SS# to any device (ZYXWV): new-serial 00042"},
      {BuildMarquee(marquee),
       "MRQ to group 01 unit 05: clear-home ON, carriage-return OFF, flash OFF, message \"HELLO\""},
      {BuildMarquee(short_address),
       "MRQ to address \"05\": clear-home ON, carriage-return OFF, flash OFF, message \"\""},
      {std::get<Packet>(BuildStackLight({{"", ""}, "3", "0A"})),
       "SL1 to an empty address: row 3, attribute OFF"},
      {BuildVolume({{"01", "02"}, "7", "10", "3"}),
       "VL1 to group 01 unit 02, serial \"7\": volume 10, channel 3"},
      {std::get<Packet>(Setting(SerialSetting::kBoardSubType, " 5", Link::Tcp)),
       "SBS to serial # 12345: sub-board-type \" 5\""},
  };
  for (const DescribeCase& c : cases) {
    const auto items = Decode(c.packet.Bytes());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(Describe(items[0]), c.line);
  }
  const auto sgu = Decode(std::get<Packet>(BuildSetGroupUnit("12345", sets)).Bytes());
  EXPECT_EQ(Describe(sgu[0]).substr(0, 62),
            "SGU to serial # 12345: ds1-group 01, ds1-unit 00, ds2-group 00");
  EXPECT_EQ(Describe(Decode("abc")[0]), "not a packet: bytes outside a packet");
}

}  // namespace
}  // namespace tvx::protocol
