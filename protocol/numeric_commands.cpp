#include "protocol/commands.h"
#include "protocol/control_bytes.h"
#include "protocol/numeric.h"

namespace tvx::protocol {

namespace {
std::string SentTo(const char* what, const Address& a) {
  return std::string("The '") + what + "' command has been sent to Group = " + a.group +
         ", Unit = " + a.unit;
}

Refusal NotNumeric(int digits) {
  return {"ERROR: Please enter only a numeric value. This value must be no longer than " +
          std::to_string(digits) + " digits."};
}
}  // namespace

BuildResult BuildNumber(const NumberFields& f) {
  if (f.number.empty()) return Refusal{"ERROR: You must specify the number that you wish to send."};
  if (!ToInt16(f.number)) return NotNumeric(4);
  Packet p;
  p.Byte(STX).Add(f.address.group).Add(f.address.unit).Byte(ESC).Add("NUM");
  if (!f.row.empty() && !f.column.empty()) p.Add(f.row).Add("R").Add(f.column).Add("C");
  p.Add(f.number).Add("N");
  if (!f.attribute_codes.empty()) p.Add(f.attribute_codes);
  p.Byte(EOT);
  p.status = SentTo("Number ", f.address);
  return p;
}

BuildResult BuildStackLight(const StackLightFields& f) {
  if (f.row.empty()) return Refusal{"ERROR: You must specify the row that you wish to send."};
  if (!ToInt16(f.row)) return NotNumeric(2);
  Packet p;
  p.Byte(STX).Add(f.address.group).Add(f.address.unit).Byte(ESC).Add("SL1").Add(f.row).Add("R");
  if (!f.attribute_codes.empty()) p.Add(f.attribute_codes);
  p.Byte(EOT);
  p.status = SentTo(f.link == Link::Tcp ? "SL1 " : "SL1", f.address);
  return p;
}

BuildResult BuildTune(const TuneFields& f) {
  if (f.tune.empty()) {
    return Refusal{"ERROR: You must specify the Tune number that you wish to send (0-255)."};
  }
  const auto tune = ToNumber(f.tune);
  if (!tune || *tune < 0 || *tune > 255) {
    return Refusal{
        "ERROR: Please enter only a numeric value. This value must be between 0 and 255 "
        "inclusively."};
  }
  Packet p;
  p.Byte(STX).Add(f.address.group).Add(f.address.unit).Byte(ESC).Add(f.code).Add(f.tune).Add("T");
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
  p.status = SentTo("Tune", f.address);
  return p;
}

}  // namespace tvx::protocol
