#include "protocol/catalogue.h"
#include "protocol/commands.h"
#include "protocol/control_bytes.h"
#include "protocol/numeric.h"

namespace tvx::protocol {

BuildResult BuildNumber(const NumberFields& f) {
  if (f.number.empty()) return Refusal{texts::kNumberMissing};
  if (!ToInt16(f.number)) return Refusal{texts::NotNumeric(4)};
  Packet p;
  GroupUnitHead(p, f.address).Add(CodeOf(Command::kNUM));
  if (!f.row.empty() && !f.column.empty()) p.Add(f.row).Add("R").Add(f.column).Add("C");
  p.Add(f.number).Add("N");
  if (!f.attribute_codes.empty()) p.Add(f.attribute_codes);
  p.Byte(EOT);
  p.status = texts::SentTo("Number ", f.address.group, f.address.unit);
  return p;
}

BuildResult BuildStackLight(const StackLightFields& f) {
  if (f.row.empty()) return Refusal{texts::kRowMissing};
  if (!ToInt16(f.row)) return Refusal{texts::NotNumeric(2)};
  Packet p;
  GroupUnitHead(p, f.address).Add(CodeOf(Command::kSL1)).Add(f.row).Add("R");
  if (!f.attribute_codes.empty()) p.Add(f.attribute_codes);
  p.Byte(EOT);
  // The TCP link's line has a blank after the name.
  const std::string name = std::string(NameOf(Command::kSL1)) + (f.link == Link::Tcp ? " " : "");
  p.status = texts::SentTo(name, f.address.group, f.address.unit);
  return p;
}

bool TuneNumberAccepted(const std::string& text) {
  return NumberWithin(text, 0, 255);
}

BuildResult BuildTune(const TuneFields& f) {
  if (f.tune.empty()) return Refusal{texts::kTuneMissing};
  if (!TuneNumberAccepted(f.tune)) return Refusal{texts::kTuneOutOfRange};
  Packet p;
  GroupUnitHead(p, f.address).Add(f.code).Add(f.tune).Add("T");
  // The packet box always shows the four letters; the bytes carry a letter only with a value.
  const std::pair<const std::string*, const char*> optional[] = {
      {&f.seconds, "S"}, {&f.repeat, "R"}, {&f.duration, "D"}, {&f.priority, "P"}};
  for (const auto& [value, letter] : optional) {
    if (value->empty()) {
      p.display += letter;
    } else {
      p.Add(*value).Add(letter);
    }
  }
  p.Byte(EOT);
  p.status = texts::SentTo("Tune", f.address.group, f.address.unit);
  return p;
}

}  // namespace tvx::protocol
