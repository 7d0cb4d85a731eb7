// The decoder on streams: framing, errors, chunking, the scenarios' link captures, random
// bytes, and the fast checks against the builders.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>

#include "protocol/andon_commands.h"
#include "protocol/commands.h"
#include "protocol/config_commands.h"
#include "protocol/decode_rules.h"
#include "protocol/display.h"
#include "protocol/token_conversion.h"

namespace tvx::protocol {
namespace {

std::string Bytes(const BuildResult& r) {
  return std::get<Packet>(r).Bytes();
}

// One packet of every kind, with stray bytes, a cut-off packet, an unknown code and an
// overlong packet among them.
std::string EveryKind() {
  const Address to{"01", "02"};
  MarqueeFields marquee;
  marquee.address = to;
  marquee.message = "HELLO";
  marquee.auto_centre = AutoCentre::kOn;
  marquee.serial_field = "00042";
  DeviceSets sets;
  sets.groups.fill("00");
  sets.units.fill("07");
  std::string s = "noise\x04";
  s += Bytes(BuildNumber({to, "1234", "1", "2", "1A"})) +
       Bytes(BuildStackLight({{"", "05"}, "3", "0A"}));
  s += Bytes(BuildTune({to, "TU1", "5", "10", "", "3", ""})) + Bytes(BuildDisplayMode("7"));
  s += "\x02"
       "0102\x1bNU";  // cut off by the next STX
  for (int m = 0; m < 5; ++m) s += BuildMaintenance(static_cast<Maintenance>(m), to).Bytes();
  s += BuildAndonCell(to, 6, 25, {Shade::kDark, "RS"})->Bytes();
  s += BuildSubCell({to, "3", "12", "1", "2", "", AndonAttribute::kFlashFast, 'G', 'Y'})->Bytes();
  s += BuildSubCell({to, "3", "12", "", "", "AB", AndonAttribute::kOn, 'R', 'B'})->Bytes();
  s += BuildMarquee(marquee).Bytes() +
       "\x02"
       "0102\x1bXYZ\x04";
  s += Bytes(BuildSetGroupUnit("12345", sets)) + BuildModifySerial("00042").Bytes();
  s += "\x02" + std::string(1100, 'x') + "\x04";
  for (int i = 0; i < 6; ++i) {
    s += Bytes(BuildSerialSetting(static_cast<SerialSetting>(i), "00001", i == 1 ? "AB-12" : "1",
                                  Link::Serial));
  }
  s +=
      Bytes(BuildLedIntensity("07", Link::Tcp, "00001")) + Bytes(BuildMarqueeBrightness("07", "3"));
  s += BuildVolume({to, "", "10", "00"}).Bytes() +
       "\x02"
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

// Each item as its length and its command or reason.
std::string Summary(const std::vector<DecodedItem>& items) {
  std::string out;
  for (const auto& item : items) {
    const auto* e = std::get_if<DecodeError>(&item);
    out += std::to_string(e ? e->bytes.size() : std::get<DecodedPacket>(item).bytes.size()) + " " +
           (e ? e->reason : std::get<DecodedPacket>(item).command) + "; ";
  }
  return out;
}

TEST(DecodeStream, EveryKindInOrderWhateverTheChunks) {
  const std::string s = EveryKind();
  const auto whole = Decode(s);
  EXPECT_EQ(
      Summary(whole),
      "6 bytes outside a packet; 21 NUM; 12 SL1; 17 TU1; 12 SDM; 8 packet cut off by a new STX; "
      "10 SVN; 8 Test; 8 Clear; 8 Diag; 8 Boot; 21 AC1; 25 AC2; 21 AC2; 21 MRQ; 13 MRQ; "
      "10 unknown command code 'XYZ'; 79 SGU; 24 SS#; 1024 packet too long; "
      "78 rest of a packet too long; 20 SBT; 24 SBS; "
      "20 SFD; 21 SAC; 20 SOR; 20 SMD; 22 SLI; 24 SMB; 20 VL1; "
      "3 packet cut off at the end of the input; ");
  for (std::size_t cut = 0; cut <= s.size(); ++cut) ASSERT_EQ(Chunked(s, {cut}), whole) << cut;
  std::vector<std::size_t> every(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) every[i] = i;
  EXPECT_EQ(Chunked(s, every), whole);
}

TEST(DecodeStream, FramingBoundsEveryItem) {
  const std::string svn = BuildMaintenance(Maintenance::kSoftwareVersion, {}).Bytes();
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"ab\x04" + svn + "cd", "3 bytes outside a packet; 10 SVN; 2 bytes outside a packet; "},
      {"\x02\x02" + svn, "1 packet cut off by a new STX; 1 packet cut off by a new STX; 10 SVN; "},
      {std::string(1, '\x02') + "\x04", "2 empty packet; "},
      // At most 1024 bytes an item; the rest of a longer packet follows, up to its EOT or the
      // next STX, in items of its own: no byte goes unreported.
      {"\x02" + std::string(1022, 'A') + "\x04", "1024 no ESC and no marquee option byte; "},
      {"\x02" + std::string(1023, 'A') + "\x04" + svn,
       "1024 packet too long; 1 rest of a packet too long; 10 SVN; "},
      {"\x02" + std::string(1100, 'A') + "\x04junk" + svn,
       "1024 packet too long; 78 rest of a packet too long; 4 bytes outside a packet; 10 SVN; "},
      {"\x02" + std::string(3000, 'A') + svn,
       "1024 packet too long; 1024 rest of a packet too long; 953 rest of a packet too long; "
       "10 SVN; "},
      {"\x02" + std::string(1100, 'A'), "1024 packet too long; 77 rest of a packet too long; "},
      {std::string(3000, 'x'),
       "1024 bytes outside a packet; 1024 bytes outside a packet; 952 bytes outside a packet; "},
  };
  for (const auto& [bytes, summary] : cases) {
    const auto items = Decode(bytes);
    EXPECT_EQ(Summary(items), summary);
    std::string again;
    for (const auto& item : items) {
      const auto* e = std::get_if<DecodeError>(&item);
      again += e ? e->bytes : std::get<DecodedPacket>(item).bytes;
    }
    EXPECT_EQ(again, bytes) << summary;
  }
}

TEST(DecodeErrors, PacketsTheConsoleNeverSendsSayWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"<02>0102<1B><04>", "no command code after the ESC"},
      {"<02>1 02<1B>NUM5N1A<04>", "NUM needs a two-digit group and unit, not '1 02'"},
      {"<02>0102<1B>NUM12aN1A<04>", "parameters that no NUM command sends"},
      {"<02>0102<1B>TU1256T<04>", "parameters that no TU1 command sends"},
      {"<02>0102<1B>0<04>", "Boot goes to address 0000, not '0102'"},
      {"<02>0102<1B>1X<04>", "parameters that no Test command sends"},
      {"<02>0102<1B>AC11R26C1A1P<04>", "parameters that no AC1 command sends"},
      {"<02>0102<1B>AC11R01C1A1P<04>", "parameters that no AC1 command sends"},
      {"<02>0102<1B>AC23R12C1A4P0S<04>", "parameters that no AC2 command sends"},
      {"<02>0000<1B>SSN12X45<1B>SBT7<04>", "serial number '12X45' is not five digits"},
      {"<02>0000<1B>SSN12345<1B>SLI7I<04>", "SLI goes to ZYXWV, not '12345'"},
      {"<02>0102<1B>SSN12345<1B>SBT7<04>", "SBT goes to address 0000, not '0102'"},
      {"<02>0000<1B>SSN12345<1B>SBS A<04>", "parameters that no SBS command sends"},
      {"<02>0000<1B>SSN12345<1B>SOR2<04>", "parameters that no SOR command sends"},
      {"<02>0000<1B>SSN12345<1B>SGU0102<04>", "parameters that no SGU command sends"},
      {"<02>0102<1B>SSN123456<1B>VL110V3C<04>",
       "serial text '123456' is longer than five characters"},
      {"<02>0000<1B>SBT7<04>", "'SBT' needs a serial-number head"},
      {"<02>0000<1B>SSN12345<1B>NUM5N<04>", "'NUM' does not follow a serial number"},
      {"<02>01234<0C><12>HI<04>", "address '01234' is longer than four characters"},
      {"<02>0105<0D><0C><12>HI<04>", "marquee options that no MRQ command sends"},
  };
  for (const auto& [typed, reason] : cases) {
    const auto items = Decode(ConvertTokens(typed));
    ASSERT_EQ(items.size(), 1u) << typed;
    EXPECT_EQ(Describe(items[0]), "not a packet: " + std::string(reason)) << typed;
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
      if (colon == std::string::npos || !(line.starts_with("serial ") || line.starts_with("tcp")))
        continue;
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

struct Random {
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  std::size_t Below(std::size_t n) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state % n;
  }
};

TEST(DecodeFuzz, RandomBytesNeverCrashLoseBytesOrDependOnChunks) {
  Random r;
  const std::string real = EveryKind();
  const std::string words[] = {"\x02",  "\x04", "\x1b", "SSN", "ZYXWV", "0000", "NUM",
                               "AC13R", "AC2",  "TU1",  "SGU", "R",     "C",    ".",
                               "[",     "]",    "1A",   "2P",  "T",     "\x0c", "\x12"};
  for (int round = 0; round < 3000; ++round) {
    std::string s;
    const std::size_t length = round % 100 == 0 ? 3000 : r.Below(120);
    while (s.size() < length) {
      const std::size_t kind = r.Below(3);
      if (kind == 0) s += static_cast<char>(r.Below(256));
      if (kind == 1) s += words[r.Below(std::size(words))];
      if (kind == 2) s += real.substr(r.Below(real.size()), r.Below(40));
    }
    const auto whole = Decode(s);
    std::vector<std::size_t> cuts;
    for (std::size_t at = r.Below(16); at < s.size(); at += 1 + r.Below(32)) cuts.push_back(at);
    ASSERT_EQ(Chunked(s, cuts), whole) << DisplayForm(s);
    // The items hold every byte, in order.
    std::string again;
    for (const auto& item : whole) {
      const auto* e = std::get_if<DecodeError>(&item);
      again += e ? e->bytes : std::get<DecodedPacket>(item).bytes;
    }
    ASSERT_EQ(again, s) << DisplayForm(s);
  }
}

// The fast checks only spare rebuilds: on mutants of every kind of packet the decoder must
// give the same items as when each packet goes to its builder.
TEST(DecodeFuzz, FastChecksGiveWhatTheBuildersGive) {
  Random r;
  const std::string alphabet = "0123456789RCNAPSTMILVD.[]- xZ\x1b\x0c\x0d\x10\x12\xe9";
  std::vector<std::string> seeds;
  for (const auto& item : Decode(EveryKind())) {
    if (const auto* p = std::get_if<DecodedPacket>(&item)) seeds.push_back(p->bytes);
  }
  int packets = 0;
  for (const std::string& seed : seeds) {
    for (int round = 0; round < 1500; ++round) {
      std::string body = seed.substr(1, seed.size() - 2);
      for (std::size_t edits = 1 + r.Below(3); edits > 0 && !body.empty(); --edits) {
        const std::size_t at = r.Below(body.size()), kind = r.Below(3);
        const char c = alphabet[r.Below(alphabet.size())];
        if (kind == 0) body[at] = c;
        if (kind == 1) body.insert(body.begin() + static_cast<std::ptrdiff_t>(at), c);
        if (kind == 2) body.erase(at, 1);
      }
      const std::string packet = "\x02" + body + "\x04";
      DecodedItem fast, rebuilt;
      decoding::DecodeInto(packet, fast, false);
      decoding::DecodeInto(packet, rebuilt, true);
      ASSERT_EQ(fast, rebuilt) << DisplayForm(packet);
      packets += std::holds_alternative<DecodedPacket>(fast);
    }
  }
  EXPECT_GT(packets, 3000);  // enough mutants stay packets for the comparison to mean something
}

}  // namespace
}  // namespace tvx::protocol
