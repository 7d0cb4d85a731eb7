// The decoder on streams: framing, errors, chunking, the scenarios' link captures, and
// random bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>

#include "protocol/andon_commands.h"
#include "protocol/commands.h"
#include "protocol/config_commands.h"
#include "protocol/decode.h"
#include "protocol/token_conversion.h"
#include "tests/protocol/decode_print.h"

namespace tvx::protocol {
namespace {

std::string Bytes(const BuildResult& r) {
  return std::get<Packet>(r).Bytes();
}
std::string Bytes(const std::optional<Packet>& p) {
  return p->Bytes();
}
std::string Bytes(const Packet& p) {
  return p.Bytes();
}

// One packet of every kind, with stray bytes, a cut-off packet, an unknown code and an
// overlong packet among them.
std::string EveryKind() {
  const Address to{"01", "02"};
  MarqueeFields marquee{to, "HELLO", true, false, true, AutoCentre::kOn, "00042"};
  DeviceSets sets;
  sets.groups.fill("00");
  sets.units.fill("07");
  std::string s = "noise\x04";
  s += Bytes(BuildNumber({to, "1234", "1", "2", "1A"}));
  s += Bytes(BuildStackLight({{"", "05"}, "3", "0A"}));
  s += Bytes(BuildTune({to, "TU1", "5", "10", "", "3", ""}));
  s += Bytes(BuildTune({to, "TU2", "255", "", "2", "", "9"}));
  s += Bytes(BuildDisplayMode("7"));
  s += "\x02"
       "0102\x1bNU";  // cut off by the next STX
  for (int m = 0; m < 5; ++m) s += Bytes(BuildMaintenance(static_cast<Maintenance>(m), to));
  s += Bytes(BuildAndonCell(to, 6, 25, {Shade::kDark, "RS"}));
  s += Bytes(BuildSubCell({to, "3", "12", "1", "2", "", AndonAttribute::kFlashFast, 'G', 'Y'}));
  s += Bytes(BuildSubCell({to, "3", "12", "", "", "AB", AndonAttribute::kOn, 'R', 'B'}));
  s += Bytes(BuildMarquee(marquee));
  s += "\x02"
       "0102\x1bXYZ\x04";
  s += Bytes(BuildSetGroupUnit("12345", sets));
  s += Bytes(BuildModifySerial("00042"));
  s += "\x02" + std::string(1100, 'x') + "\x04";
  s += Bytes(BuildSerialSetting(SerialSetting::kBoardType, "00001", "7", Link::Serial));
  s += Bytes(BuildSerialSetting(SerialSetting::kBoardSubType, "00001", "AB-12", Link::Serial));
  s += Bytes(BuildSerialSetting(SerialSetting::kFaderLevel, "00001", "50", Link::Tcp));
  s += Bytes(BuildSerialSetting(SerialSetting::kColumns, "00001", "25", Link::Serial));
  s += Bytes(BuildSerialSetting(SerialSetting::kSeriesFlag, "00001", "1", Link::Serial));
  s += Bytes(BuildSerialSetting(SerialSetting::kMarqueeDetect, "00001", "2", Link::Serial));
  s += Bytes(BuildLedIntensity("07", Link::Tcp, "00001"));
  s += Bytes(BuildMarqueeBrightness("07", "3"));
  s += Bytes(BuildVolume({to, "", "10", "00"}));
  s += "\x02"
       "01";  // cut off at the end
  return s;
}

std::vector<DecodedItem> Chunked(std::string_view bytes, const std::vector<std::size_t>& cuts) {
  std::vector<DecodedItem> items;
  const Decoder::Sink sink = [&items](DecodedItem&& item) { items.push_back(std::move(item)); };
  Decoder decoder;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    decoder.Feed(bytes.substr(from, cut - from), sink);
    from = cut;
  }
  decoder.Feed(bytes.substr(from), sink);
  decoder.Finish(sink);
  return items;
}

std::vector<std::string> Reasons(const std::vector<DecodedItem>& items) {
  std::vector<std::string> out;
  for (const auto& item : items) {
    const auto* e = std::get_if<DecodeError>(&item);
    out.push_back(e ? e->reason : std::get<DecodedPacket>(item).command);
  }
  return out;
}

TEST(DecodeStream, EveryKindDecodesInOrder) {
  const std::vector<std::string> expected = {"bytes outside a packet",
                                             "NUM",
                                             "SL1",
                                             "TU1",
                                             "TU2",
                                             "SDM",
                                             "packet cut off by a new STX",
                                             "SVN",
                                             "Test",
                                             "Clear",
                                             "Diag",
                                             "Boot",
                                             "AC1",
                                             "AC2",
                                             "AC2",
                                             "MRQ",
                                             "MRQ",
                                             "unknown command code 'XYZ'",
                                             "SGU",
                                             "SS#",
                                             "packet too long",
                                             "SBT",
                                             "SBS",
                                             "SFD",
                                             "SAC",
                                             "SOR",
                                             "SMD",
                                             "SLI",
                                             "SMB",
                                             "VL1",
                                             "packet cut off at the end of the input"};
  EXPECT_EQ(Reasons(Decode(EveryKind())), expected);
}

TEST(DecodeStream, SameItemsAtEverySplitPointAndByteByByte) {
  const std::string s = EveryKind();
  const auto whole = Decode(s);
  for (std::size_t cut = 0; cut <= s.size(); ++cut) {
    ASSERT_EQ(Chunked(s, {cut}), whole) << "split at " << cut;
  }
  std::vector<std::size_t> every(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) every[i] = i;
  EXPECT_EQ(Chunked(s, every), whole);
}

struct FramingCase {
  std::string bytes;
  std::vector<std::pair<std::size_t, std::string>> items;  // length and reason ("" a packet)
};

TEST(DecodeStream, FramingBoundsEveryItem) {
  const std::string svn = Bytes(BuildMaintenance(Maintenance::kSoftwareVersion, {}));
  const FramingCase cases[] = {
      {"", {}},
      {"abc", {{3, "bytes outside a packet"}}},
      {"ab\x04" + svn + "cd",
       {{3, "bytes outside a packet"}, {10, ""}, {2, "bytes outside a packet"}}},
      {"\x02"
       "0102\x1bNU" +
           svn,
       {{8, "packet cut off by a new STX"}, {10, ""}}},
      {"\x02\x02" + svn,
       {{1, "packet cut off by a new STX"}, {1, "packet cut off by a new STX"}, {10, ""}}},
      {"\x02"
       "0102",
       {{5, "packet cut off at the end of the input"}}},
      {std::string(1, '\x02') + "\x04", {{2, "empty packet"}}},
      // At most 1024 bytes a packet; the rest of a longer one is skipped up to the next STX.
      {"\x02" + std::string(1022, 'A') + "\x04", {{1024, "no ESC and no marquee option byte"}}},
      {"\x02" + std::string(1023, 'A') + "\x04", {{1024, "packet too long"}}},
      {"\x02" + std::string(1100, 'x') + "\x04" + svn, {{1024, "packet too long"}, {10, ""}}},
      {std::string(3000, 'x'),
       {{1024, "bytes outside a packet"},
        {1024, "bytes outside a packet"},
        {952, "bytes outside a packet"}}},
      {std::string(1024, 'x') + svn, {{1024, "bytes outside a packet"}, {10, ""}}},
  };
  for (const FramingCase& c : cases) {
    const auto items = Decode(c.bytes);
    ASSERT_EQ(items.size(), c.items.size()) << DisplayForm(c.bytes.substr(0, 40));
    for (std::size_t i = 0; i < items.size(); ++i) {
      const auto* e = std::get_if<DecodeError>(&items[i]);
      EXPECT_EQ(e ? e->bytes.size() : std::get<DecodedPacket>(items[i]).bytes.size(),
                c.items[i].first);
      EXPECT_EQ(e ? e->reason : "", c.items[i].second) << DisplayForm(c.bytes.substr(0, 40));
    }
  }
}

TEST(DecodeErrors, PacketsTheConsoleNeverSendsSayWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"<02>0102<1B>XYZ<04>", "unknown command code 'XYZ'"},
      {"<02>0102<1B><04>", "no command code after the ESC"},
      {"<02>0102ABC<04>", "no ESC and no marquee option byte"},
      {"<02>1 02<1B>NUM5N1A<04>", "NUM needs a two-digit group and unit, not '1 02'"},
      {"<02>02<1B>TU15T<04>", "TU1 needs a two-digit group and unit, not '02'"},
      {"<02>0102<1B>NUM12aN1A<04>", "parameters that no NUM command sends"},
      {"<02>0102<1B>NUM12N9A<04>", "parameters that no NUM command sends"},
      {"<02>0102<1B>NUM12N1A1A<04>", "parameters that no NUM command sends"},
      {"<02>0102<1B>TU1256T<04>", "parameters that no TU1 command sends"},
      {"<02>0102<1B>TU15T3X<04>", "parameters that no TU1 command sends"},
      {"<02>0102<1B>TU15T3<04>", "parameters that no TU1 command sends"},
      {"<02>0102<1B>0<04>", "Boot goes to address 0000, not '0102'"},
      {"<02>0102<1B>1X<04>", "parameters that no Test command sends"},
      {"<02>0102<1B>AC11R26C1A1P<04>", "parameters that no AC1 command sends"},
      {"<02>0102<1B>AC11R01C1A1P<04>", "parameters that no AC1 command sends"},
      {"<02>0102<1B>AC11R1C0A1P<04>", "parameters that no AC1 command sends"},
      {"<02>0102<1B>AC23R12C1A4P0S<04>", "parameters that no AC2 command sends"},
      {"<02>0102<1B>AC2R12C1A1P0S<04>", "parameters that no AC2 command sends"},
      {"<02>0000<1B>SSN12X45<1B>SBT7<04>", "serial number '12X45' is not five digits"},
      {"<02>0000<1B>SSN12345<1B>SLI7I<04>", "SLI goes to ZYXWV, not '12345'"},
      {"<02>0102<1B>SSN12345<1B>SBT7<04>", "SBT goes to address 0000, not '0102'"},
      {"<02>0000<1B>SSN12345<1B>SBS A<04>", "parameters that no SBS command sends"},
      {"<02>0000<1B>SSN12345<1B>SOR2<04>", "parameters that no SOR command sends"},
      {"<02>0000<1B>SSNZYXWV<1B>SS#42<04>", "parameters that no SS# command sends"},
      {"<02>0000<1B>SSN12345<1B>SGU0102<04>", "parameters that no SGU command sends"},
      {"<02>0102<1B>SSN123456<1B>VL110V3C<04>",
       "serial text '123456' is longer than five characters"},
      {"<02>0102<1B>SSN7<1B>VL1V3C<04>", "parameters that no VL1 command sends"},
      {"<02>0000<1B>SBT7<04>", "'SBT' needs a serial-number head"},
      {"<02>0000<1B>SSN12345<1B>NUM5N<04>", "'NUM' does not follow a serial number"},
      {"<02>0000<1B>SSN12345<04>", "no ESC after the serial number"},
      {"<02>01234<0C><12>HI<04>", "address '01234' is longer than four characters"},
      {"<02>0105<0D><0C><12>HI<04>", "marquee options that no MRQ command sends"},
      {"<02>0105<0C>HI<04>", "marquee options that no MRQ command sends"},
  };
  for (const auto& [typed, reason] : cases) {
    const auto items = Decode(ConvertTokens(typed));
    ASSERT_EQ(items.size(), 1u) << typed;
    const auto* e = std::get_if<DecodeError>(&items[0]);
    ASSERT_NE(e, nullptr) << typed << " decoded as " << Describe(items[0]);
    EXPECT_EQ(e->reason, reason) << typed;
  }
}

// Each scenario's .out lists every piece that reached a link, as token text.
TEST(DecodeScenarios, EveryPacketThatReachedALinkDecodes) {
  int packets = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TVX_SCENARIO_DIR)) {
    if (entry.path().extension() != ".out") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::map<std::string, std::string> links;
    for (std::string line; std::getline(in, line);) {
      const std::size_t colon = line.find(": ");
      if (colon == std::string::npos || !(line.starts_with("serial ") || line.starts_with("tcp"))) {
        continue;
      }
      links[line.substr(0, colon)] += ConvertTokens(line.substr(colon + 2));
    }
    for (const auto& [link, bytes] : links) {
      for (const auto& item : Decode(bytes)) {
        const auto* e = std::get_if<DecodeError>(&item);
        // Typed test data with no STX in it is no packet, and is reported as such.
        if (e && e->bytes.find('\x02') == std::string::npos) continue;
        EXPECT_EQ(e, nullptr) << entry.path().filename() << " " << link << ": " << Describe(item);
        ++packets;
      }
    }
  }
  EXPECT_GE(packets, 10);
}

TEST(DecodeFuzz, RandomBytesNeverCrashLoseBytesOrDependOnChunks) {
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  const std::string real = EveryKind();
  const std::string words[] = {"\x02", "\x04",  "\x1b", "SSN", "ZYXWV", "0000", "0102",
                               "NUM",  "AC13R", "AC2",  "TU1", "SGU",   "VL1",  "R",
                               "C",    ".",     "[",    "]",   "1A",    "2P",   "0S",
                               "T",    "S",     "V",    "12",  "\x0c",  "\x12"};
  for (int round = 0; round < 3000; ++round) {
    std::string s;
    const std::size_t length = round % 100 == 0 ? 3000 : next() % 120;
    while (s.size() < length) {
      switch (next() % 3) {
        case 0:
          s += static_cast<char>(next() % 256);
          break;
        case 1:
          s += words[next() % std::size(words)];
          break;
        default:
          s += real.substr(next() % real.size(), next() % 40);
          break;
      }
    }
    const auto whole = Decode(s);
    std::vector<std::size_t> cuts;
    for (std::size_t at = next() % 16; at < s.size(); at += 1 + next() % 32) cuts.push_back(at);
    ASSERT_EQ(Chunked(s, cuts), whole) << DisplayForm(s);
    // Unless an overlong packet was cut short, the items hold every byte, in order.
    std::string again;
    bool skipped = false;
    for (const auto& item : whole) {
      const auto* e = std::get_if<DecodeError>(&item);
      again += e ? e->bytes : std::get<DecodedPacket>(item).bytes;
      skipped = skipped || (e && e->reason == "packet too long");
    }
    if (!skipped) {
      EXPECT_EQ(again, s) << DisplayForm(s);
    }
  }
}

}  // namespace
}  // namespace tvx::protocol
