// The fast checks only spare rebuilds: on any packet, valid or nearly so, the decoder must
// give the same item as when every packet goes to its builder.
#include <gtest/gtest.h>

#include <cstdint>

#include "protocol/andon_commands.h"
#include "protocol/commands.h"
#include "protocol/config_commands.h"
#include "protocol/decode_rules.h"
#include "tests/protocol/decode_print.h"

namespace tvx::protocol {
namespace {

std::vector<std::string> Seeds() {
  const Address to{"01", "02"};
  std::vector<std::string> out;
  auto add = [&out](const BuildResult& r) {
    if (const auto* p = std::get_if<Packet>(&r)) out.push_back(p->Bytes());
  };
  add(BuildNumber({to, "1234", "1", "2", "1A"}));
  add(BuildNumber({to, "-7", "", "", "3A"}));
  add(BuildStackLight({{"", "05"}, "3", "0A"}));
  add(BuildTune({to, "TU1", "2.5", "10", "2", "100", "9"}));
  add(BuildDisplayMode("007"));
  for (int m = 0; m < 5; ++m)
    out.push_back(BuildMaintenance(static_cast<Maintenance>(m), to).Bytes());
  out.push_back(BuildAndonCell(to, 3, 12, {Shade::kRed, "YS"})->Bytes());
  out.push_back(BuildAndonCell(to, 6, 9, {Shade::kDark, ""})->Bytes());
  out.push_back(
      BuildSubCell({to, "3", "12", "1", "2", "", AndonAttribute::kFlashFast, 'G', 'Y'})->Bytes());
  out.push_back(
      BuildSubCell({to, "3", "12", "", "", "AB", AndonAttribute::kOn, 'R', 'B'})->Bytes());
  MarqueeFields marquee{to, "HELLO", true, false, true, AutoCentre::kOff, "00042"};
  const std::string both = BuildMarquee(marquee).Bytes();  // auto-centre, then the text
  out.push_back(both.substr(0, both.find('\x04') + 1));
  out.push_back(both.substr(both.find('\x04') + 1));
  DeviceSets sets;
  sets.groups.fill("12");
  sets.units.fill("07");
  add(BuildSetGroupUnit("12345", sets));
  out.push_back(BuildModifySerial("00042").Bytes());
  for (int s = 0; s < 6; ++s) {
    const auto command = static_cast<SerialSetting>(s);
    add(BuildSerialSetting(command, "00001", s == 1 ? "AB-12" : "1", Link::Serial));
  }
  add(BuildLedIntensity("07", Link::Tcp, "00001"));
  add(BuildMarqueeBrightness("07", "3"));
  out.push_back(BuildVolume({to, "7", "10", "3"}).Bytes());
  return out;
}

DecodedItem Decoded(const std::string& packet, bool rebuild) {
  DecodedItem item;
  decoding::DecodeInto(packet, item, rebuild);
  return item;
}

TEST(DecodeFastPath, GivesWhatTheBuildersGiveOnMutatedPackets) {
  std::uint64_t state = 0x853C49E6748FEA9Bu;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  // Characters that matter to some layout: digits, code letters, marks, blanks, option bytes.
  const std::string alphabet = "0123456789RCNAPSTMILVD.[]- xZ\x1b\x0c\x0d\x10\x12\xe9";
  int packets = 0;
  for (const std::string& seed : Seeds()) {
    ASSERT_TRUE(std::holds_alternative<DecodedPacket>(Decoded(seed, false))) << DisplayForm(seed);
    for (int round = 0; round < 1500; ++round) {
      std::string body = seed.substr(1, seed.size() - 2);
      for (int edits = 1 + static_cast<int>(next() % 3); edits > 0 && !body.empty(); --edits) {
        const std::size_t at = next() % body.size();
        const char c = alphabet[next() % alphabet.size()];
        switch (next() % 3) {
          case 0:
            body[at] = c;
            break;
          case 1:
            body.insert(body.begin() + static_cast<std::ptrdiff_t>(at), c);
            break;
          default:
            body.erase(at, 1);
            break;
        }
      }
      const std::string packet = "\x02" + body + "\x04";
      const DecodedItem fast = Decoded(packet, false);
      ASSERT_EQ(fast, Decoded(packet, true)) << DisplayForm(packet);
      packets += std::holds_alternative<DecodedPacket>(fast);
    }
  }
  // Enough mutants stay packets for the comparison to mean something.
  EXPECT_GT(packets, 3000);
}

}  // namespace
}  // namespace tvx::protocol
