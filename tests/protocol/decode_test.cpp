// Round trips: every builder's packets, over each field's domain, decode to the fields they
// were built from and to the same bytes; and the one-line descriptions.
#include "protocol/decode.h"

#include <gtest/gtest.h>

#include "protocol/andon_commands.h"
#include "protocol/commands.h"
#include "protocol/config_commands.h"

namespace tvx::protocol {
namespace {

Packet Built(const BuildResult& r) {
  if (const auto* refusal = std::get_if<Refusal>(&r)) ADD_FAILURE() << refusal->message;
  return std::holds_alternative<Packet>(r) ? std::get<Packet>(r) : Packet{};
}

// The decoded packet as "COMMAND name=value|name=value", or why it is none.
std::string Decoded(const std::string& bytes) {
  const auto items = Decode(bytes);
  if (items.size() != 1 || !std::holds_alternative<DecodedPacket>(items[0])) {
    return items.empty() ? "nothing" : Describe(items[0]);
  }
  const auto& p = std::get<DecodedPacket>(items[0]);
  std::string out = p.command;
  const char* separator = " ";
  for (const DecodedField& f : p.fields) {
    out += separator + f.name + "=" + f.value;
    separator = "|";
  }
  return p.bytes == bytes ? out : "other bytes";
}

void Check(const Packet& p, const std::string& expected) {
  EXPECT_EQ(Decoded(p.Bytes()), expected) << p.display;
}

const char* const kCodes[] = {"1A", "0A", "2A", "3A", ""};
const char* const kNames[] = {"|attribute=ON", "|attribute=OFF", "|attribute=FS", "|attribute=FF",
                              ""};

TEST(DecodeRoundTrip, NumberAndStackLight) {
  const std::pair<const char*, const char*> positions[] = {
      {"", ""}, {"1", ""}, {"", "2"}, {"12", "25"}, {"R", "C"}};
  for (const char* number : {"0", "-32768", "32767", "1234", " 7", "2.5"}) {
    for (int a = 0; a < 5; ++a) {
      for (const auto& [row, column] : positions) {
        const std::string at =
            *row && *column ? "row=" + std::string(row) + "|column=" + column + "|" : "";
        Check(Built(BuildNumber({{"01", "02"}, number, row, column, kCodes[a]})),
              "NUM " + at + "number=" + number + kNames[a]);
      }
      // The stack light sends its address boxes as typed: empty, one box, or letters.
      for (const Address& address : {Address{"", ""}, Address{"", "05"}, Address{"ab", "cd"}}) {
        Check(Built(BuildStackLight({address, number, kCodes[a]})),
              std::string("SL1 row=") + number + kNames[a]);
      }
    }
  }
}

TEST(DecodeRoundTrip, TunesWithEverySubsetOfOptionalValues) {
  const char* names[] = {"seconds", "repeat", "duration", "priority"};
  const char* plain[] = {"10", "2", "100", "9"};
  const char* letters[] = {"S", "R", "D", "P"};  // a value may be its own field's letter
  for (const char* code : {"TU1", "TU2"}) {
    for (const char* tune : {"0", "255", "2.5"}) {
      for (const auto* values : {plain, letters}) {
        for (int subset = 0; subset < 16; ++subset) {
          TuneFields f{{"01", "02"}, code, tune, {}, {}, {}, {}};
          std::string* slots[] = {&f.seconds, &f.repeat, &f.duration, &f.priority};
          std::string expected = code + std::string(" tune=") + tune;
          for (int i = 0; i < 4; ++i) {
            if (!(subset & (1 << i))) continue;
            *slots[i] = values[i];
            expected += "|" + std::string(names[i]) + "=" + values[i];
          }
          Check(Built(BuildTune(f)), expected);
        }
      }
    }
  }
  // A value holding a later field's letter: the split must look ahead.
  Check(Built(BuildTune({{"01", "02"}, "TU1", "3", "3R2", "", "", ""})), "TU1 tune=3|seconds=3R2");
  Check(Built(BuildTune({{"01", "02"}, "TU1", "3", "", "", "SR", ""})), "TU1 tune=3|duration=SR");
  Check(Built(BuildTune({{"01", "02"}, "TU1", "3", "", "2S", "", ""})), "TU1 tune=3|repeat=2S");
}

TEST(DecodeRoundTrip, DisplayModeAndMaintenance) {
  for (const char* number : {"7", "007", "-5", "32767", "-32768"}) {
    Check(Built(BuildDisplayMode(number)), std::string("SDM template=") + number);
  }
  for (int m = 0; m < 5; ++m) {
    for (const Address& address : {Address{"00", "00"}, Address{"03", "12"}}) {
      Check(BuildMaintenance(static_cast<Maintenance>(m), address), kMaintenance[m].section);
    }
  }
}

TEST(DecodeRoundTrip, EveryAndonCellAtEveryRowAndEdgeColumn) {
  const char* shades[] = {"", "dark", "red", "yellow", "green"};
  for (int row = 1; row <= kAndonRows; ++row) {
    for (int column : {1, 9, 10, kAndonColumns}) {
      for (int shade = 1; shade <= 4; ++shade) {
        for (const char* flash : {"", "BS", "RS", "YS", "GS", "BF", "RF", "YF", "GF"}) {
          const auto p =
              BuildAndonCell({"01", "02"}, row, column, {static_cast<Shade>(shade), flash});
          const std::string head = "AC1 row=" + std::to_string(row) +
                                   "|column=" + std::to_string(column) + "|shade=" + shades[shade] +
                                   (*flash ? "|flash=" + std::string(flash) : "") + "|attribute=";
          EXPECT_EQ(Decoded(p->Bytes()).substr(0, head.size()), head) << p->display;
        }
      }
    }
  }
  // The attribute and colours read back as the grid pickers show them.
  const std::pair<AndonCell, const char*> cases[] = {
      {{Shade::kDark, ""}, "shade=dark|attribute=OFF"},
      {{Shade::kRed, ""}, "shade=red|attribute=ON|primary=R"},
      {{Shade::kRed, "YS"}, "shade=red|flash=YS|attribute=FS|primary=R|secondary=Y"},
      {{Shade::kGreen, "BF"}, "shade=green|flash=BF|attribute=FF|primary=G|secondary=B"},
      {{Shade::kDark, "RS"}, "shade=dark|flash=RS|attribute=FS|secondary=R"},
  };
  for (const auto& [cell, fields] : cases) {
    Check(*BuildAndonCell({"01", "02"}, 3, 12, cell), std::string("AC1 row=3|column=12|") + fields);
  }
}

TEST(DecodeRoundTrip, SubCellPositionsCharactersAndPickers) {
  const char* attributes[] = {"OFF", "ON", "FS", "FF"};
  for (int a = 0; a < 4; ++a) {
    for (char primary : {'B', 'R', 'Y', 'G'}) {
      for (char secondary : {'B', 'R', 'Y', 'G'}) {
        Check(*BuildSubCell({{"01", "02"},
                             "3",
                             "12",
                             "",
                             "",
                             "",
                             static_cast<AndonAttribute>(a),
                             primary,
                             secondary}),
              std::string("AC2 row=3|column=12|attribute=") + attributes[a] +
                  "|primary=" + primary + "|secondary=" + secondary);
      }
    }
  }
  struct Case {
    const char *row, *column, *sub_row, *sub_column, *characters, *fields;
  };
  const Case cases[] = {
      {"3", "12", "1", "2", "", "row=3|sub-row=1|column=12|sub-column=2"},
      {"3", "12", "1", "", "", "row=3|sub-row=1|column=12"},
      {"3", "12", "", "2", "", "row=3|column=12|sub-column=2"},
      {"7", "40", "", "", "", "row=7|column=40"},
      {"R", "C", ".", ".", "", "row=R|sub-row=.|column=C|sub-column=."},
      // Characters replace the sub-cell position and the colours, even when both are filled.
      {"3", "12", "1", "2", "AB", "row=3|column=12|characters=AB"},
      {"3", "12", "", "", "C[]", "row=3|column=12|characters=C[]"},
      {"R", "C", "", "", "[", "row=R|column=C|characters=["},
  };
  for (const Case& c : cases) {
    const std::string colours = *c.characters ? "" : "|primary=R|secondary=B";
    Check(*BuildSubCell({{"01", "02"},
                         c.row,
                         c.column,
                         c.sub_row,
                         c.sub_column,
                         c.characters,
                         AndonAttribute::kOn,
                         'R',
                         'B'}),
          std::string("AC2 ") + c.fields + "|attribute=ON" + colours);
  }
}

TEST(DecodeRoundTrip, MarqueeOverEveryOptionAndAutoCentreFirst) {
  const std::string messages[] = {"", "HELLO", std::string(100, 'M'), "caf\xE9", "a\033b"};
  for (const Address& address : {Address{"", ""}, Address{"01", "05"}, Address{"ab", ""}}) {
    for (const std::string& message : messages) {
      for (int options = 0; options < 8; ++options) {
        auto on = [](bool b) { return b ? std::string("ON") : std::string("OFF"); };
        MarqueeFields f;
        f.address = address;
        f.message = message;
        f.clear_home = options & 1;
        f.carriage_return = options & 2;
        f.flash = options & 4;
        Check(BuildMarquee(f), "MRQ clear-home=" + on(f.clear_home) +
                                   "|carriage-return=" + on(f.carriage_return) +
                                   "|flash=" + on(f.flash) + "|message=" + message);
      }
    }
  }
  for (const AutoCentre state : {AutoCentre::kOn, AutoCentre::kOff}) {
    MarqueeFields f;
    f.message = "HI";
    f.auto_centre = state;
    f.serial_field = "12345";
    const std::string both = BuildMarquee(f).Bytes();
    const std::size_t end = both.find('\x04') + 1;
    EXPECT_EQ(Decoded(both.substr(0, end)),
              state == AutoCentre::kOn ? "MRQ auto-centre=ON" : "MRQ auto-centre=OFF");
    EXPECT_EQ(Decode(both.substr(0, end)).size(), 1u);
    EXPECT_EQ(std::get<DecodedPacket>(Decode(both.substr(0, end))[0]).code, "SMC");
    EXPECT_EQ(Decoded(both.substr(end)).substr(0, 4), "MRQ ");
  }
}

TEST(DecodeRoundTrip, ConfigurationAndSettingCommands) {
  DeviceSets sets;
  sets.groups.fill("00");
  sets.units.fill("99");
  sets.groups[0] = "1";  // sent as 01
  std::string expected = "SGU ds1-group=01|ds1-unit=99";
  for (int i = 2; i <= kDeviceSets; ++i) {
    expected += "|ds" + std::to_string(i) + "-group=00|ds" + std::to_string(i) + "-unit=99";
  }
  Check(Built(BuildSetGroupUnit("12345", sets)), expected);
  auto setting = [](SerialSetting s, const char* text, Link link = Link::Serial) {
    return Built(BuildSerialSetting(s, "00000", text, link));
  };
  const std::pair<Packet, const char*> cases[] = {
      {BuildModifySerial("00042"), "SS# new-serial=00042"},
      {BuildModifySerial("99999"), "SS# new-serial=99999"},
      {setting(SerialSetting::kBoardType, "007"), "SBT board-type=007"},
      {setting(SerialSetting::kBoardType, "-32768"), "SBT board-type=-32768"},
      // The sub-type is a part name on the serial link and a number over TCP.
      {setting(SerialSetting::kBoardSubType, "ABCDEFGHIJKLM-1"),
       "SBS sub-board-type=ABCDEFGHIJKLM-1"},
      {setting(SerialSetting::kBoardSubType, " 5", Link::Tcp), "SBS sub-board-type= 5"},
      {setting(SerialSetting::kFaderLevel, "50", Link::Tcp), "SFD fader-level=50"},
      {setting(SerialSetting::kColumns, "25"), "SAC columns=25"},
      {setting(SerialSetting::kSeriesFlag, SeriesFlagText(true).c_str()), "SOR series=610"},
      {setting(SerialSetting::kSeriesFlag, SeriesFlagText(false).c_str()), "SOR series=614"},
      {setting(SerialSetting::kMarqueeDetect, MarqueeDetectText(true, false).c_str()),
       "SMD detect=0"},
      {setting(SerialSetting::kMarqueeDetect, MarqueeDetectText(false, true).c_str()),
       "SMD detect=1"},
      {setting(SerialSetting::kMarqueeDetect, MarqueeDetectText(false, false).c_str()),
       "SMD detect=2"},
      {Built(BuildLedIntensity("7", Link::Serial, "-1")), "SLI intensity=7"},
      {Built(BuildLedIntensity("07", Link::Tcp, "00007")), "SLI intensity=07"},
      {Built(BuildMarqueeBrightness("07", "3")), "SMB regular=07|lamp-test=3"},
  };
  for (const auto& [packet, fields] : cases) Check(packet, fields);
  for (const char* serial : {"", "7", "00042"}) {
    for (const auto& [volume, channel] :
         {std::pair{"10", "3"}, std::pair{"00", "00"}, std::pair{"V", "C"}}) {
      Check(BuildVolume({{"01", "02"}, serial, volume, channel}),
            std::string("VL1 volume=") + volume + "|channel=" + channel);
      EXPECT_EQ(std::get<DecodedPacket>(
                    DecodePacket(BuildVolume({{"01", "02"}, serial, "1", "2"}).Bytes()))
                    .serial,
                serial);
    }
  }
}

TEST(Describe, OneLineATechnicianReads) {
  MarqueeFields marquee;
  marquee.address = {"01", "05"};
  marquee.message = "HELLO";
  DeviceSets sets;
  sets.groups.fill("01");
  sets.units.fill("00");
  const std::pair<Packet, std::string> cases[] = {
      {Built(BuildNumber({{"01", "02"}, "1234", "", "", "1A"})),
       "NUM to group 01 unit 02: number 1234, attribute ON"},
      {BuildMaintenance(Maintenance::kSoftwareVersion, {}), "SVN to the whole bus (0000)"},
      {BuildMaintenance(Maintenance::kLampTest, {"00", "00"}),
       "Test to every device (group 00 unit 00)"},
      {BuildModifySerial("00042"), "SS# to any device (ZYXWV): new-serial 00042"},
      {BuildMarquee(marquee),
       "MRQ to group 01 unit 05: clear-home ON, carriage-return OFF, flash OFF, message \"HELLO\""},
      {Built(BuildStackLight({{"", ""}, "3", "0A"})),
       "SL1 to an empty address: row 3, attribute OFF"},
      {BuildVolume({{"01", "02"}, "7", "10", "3"}),
       "VL1 to group 01 unit 02, serial \"7\": volume 10, channel 3"},
      {Built(BuildSerialSetting(SerialSetting::kBoardSubType, "12345", " 5", Link::Tcp)),
       "SBS to serial # 12345: sub-board-type \" 5\""},
      {Built(BuildSetGroupUnit("12345", sets)),
       "SGU to serial # 12345: ds1-group 01, ds1-unit 00, ds2-group 01, ds2-unit 00"},
  };
  for (const auto& [packet, line] : cases) {
    EXPECT_EQ(Describe(Decode(packet.Bytes())[0]).substr(0, line.size()), line);
  }
  EXPECT_EQ(Describe(Decode("abc")[0]), "not a packet: bytes outside a packet");
}

}  // namespace
}  // namespace tvx::protocol
