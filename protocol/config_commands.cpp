#include "protocol/config_commands.h"

#include <optional>

#include "protocol/control_bytes.h"
#include "protocol/numeric.h"

namespace tvx::protocol {

namespace {

constexpr const char* kNumberMissing = "ERROR: You must specify the number that you wish to send.";
constexpr const char* kNotNumeric =
    "ERROR: Please enter only a numeric value. This value must be no longer than 2 digits.";

Packet& SerialHead(Packet& p, const std::string& serial_field) {
  return p.Byte(STX).Add("0000").Byte(ESC).Add("SSN").Add(serial_field).Byte(ESC);
}

Packet& WildcardHead(Packet& p) {
  return p.Byte(STX).Add("0000").Byte(ESC).Add("SSNZYXWV").Byte(ESC);
}

std::string SentToSerial(const char* what, const std::string& serial_field) {
  return std::string("The '") + what + "' command has been sent to serial # " + serial_field;
}

using Check = std::optional<Refusal>;

Check NumberCheck(const std::string& text, const char* missing) {
  if (text.empty()) return Refusal{missing};
  if (!ToInt16(text)) return Refusal{kNotNumeric};
  return std::nullopt;
}

Check PlainNumber(const std::string& text, Link) {
  return NumberCheck(text, kNumberMissing);
}

// The sub-type is a part name on the serial link but a number over TCP.
Check SubType(const std::string& text, Link link) {
  if (link == Link::Tcp) return NumberCheck(text, kNumberMissing);
  if (text.empty()) return Refusal{kNumberMissing};
  auto allowed = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  };
  bool ok = text.size() <= 15;
  for (unsigned char c : text) ok = ok && allowed(c);
  if (!ok) {
    return Refusal{
        "ERROR: Please enter only Alpha-Numeric Values including a hyphen, if needed, and no "
        "longer than 15 characters."};
  }
  return std::nullopt;
}

Check FaderLevel(const std::string& text, Link link) {
  return NumberCheck(text,
                     link == Link::Tcp
                         ? "ERROR: You must specify a number (from 0-99) that you wish to send."
                         : "ERROR: You must specify the number (from 0-99) that you wish to send.");
}

Check OptionOnly(const std::string&, Link) {
  return std::nullopt;
}

struct SerialSettingRow {
  const char* code;
  const char* suffix;
  const char* what;  // the command's name in its status line
  Check (*check)(const std::string&, Link);
};

// In the order of SerialSetting.
constexpr SerialSettingRow kSerialSettings[] = {
    {"SBT", "", "Set Board Type ", PlainNumber},
    {"SBS", "", "Set Board Sub-Type ", SubType},
    {"SFD", "", "Set System Fader Level ", FaderLevel},
    {"SAC", "C", "Set # of Columns ", PlainNumber},
    {"SOR", "", "Set ORMII Flag", OptionOnly},
    {"SMD", "", "Set Marquee Detect", OptionOnly},
};

}  // namespace

BuildResult BuildSetGroupUnit(const std::string& serial_field, const DeviceSets& sets) {
  Packet p;
  SerialHead(p, serial_field).Add("SGU");
  // Group i before unit i, in index order: the first bad box refuses.
  for (int i = 0; i < kDeviceSets; ++i) {
    for (const std::string& text : {sets.groups[i], sets.units[i]}) {
      const auto value = ToInt16(text);
      if (!value || *value < 0) {
        return Refusal{
            "ERROR: The Group and Unit address assignments must be non-negative numeric values. "
            "If you wish to disable a particular device set, assign '00' to its Group and '00' to "
            "its Unit."};
      }
      p.Add(TwoDigits(*value));
    }
  }
  p.Byte(EOT);
  p.status = SentToSerial("Set Group and Unit", serial_field);
  return p;
}

Packet BuildModifySerial(const std::string& serial_field) {
  Packet p;
  WildcardHead(p).Add("SS#").Add(serial_field).Byte(EOT);
  p.status = "The 'Modify Serial Number ' command has been sent.";
  return p;
}

BuildResult BuildSerialSetting(SerialSetting command, const std::string& serial_field,
                               const std::string& text, Link link) {
  const SerialSettingRow& row = kSerialSettings[static_cast<int>(command)];
  if (Check refusal = row.check(text, link)) return *refusal;
  Packet p;
  SerialHead(p, serial_field).Add(row.code).Add(text);
  if (*row.suffix) p.Add(row.suffix);
  p.Byte(EOT);
  p.status = SentToSerial(row.what, serial_field);
  return p;
}

std::string SeriesFlagText(bool series_610) {
  return series_610 ? "0" : "1";
}

std::string MarqueeDetectText(bool force_first, bool force_second) {
  return force_first ? "0" : force_second ? "1" : "2";
}

BuildResult BuildLedIntensity(const std::string& text, Link link, const std::string& serial_field) {
  const auto value = ToInt16(text);
  if (link == Link::Tcp) {
    if (Check refusal = NumberCheck(text, kNumberMissing)) return *refusal;
  } else if (text.empty()) {
    return Refusal{
        "ERROR: You must specify the number (from 1-18) that you wish to send.  The max intensity "
        "is 18 and the minimum intensity is 1."};
  } else if (!value) {
    return Refusal{"ERROR: Please enter only a numeric value (1-18)."};
  }
  Packet p;
  WildcardHead(p).Add("SLI");
  // The serial link shows the number as parsed; the bytes still carry the text as typed.
  if (link == Link::Tcp) {
    p.Add(text);
  } else {
    p.Add(text, std::to_string(*value));
  }
  p.Add("I").Byte(EOT);
  p.status = SentToSerial("Set LED Intensity", serial_field);
  return p;
}

BuildResult BuildMarqueeBrightness(const std::string& regular, const std::string& lamp_test) {
  if (regular.empty()) {
    return Refusal{
        "ERROR: You must specify a number for Regular intensity (from 0-15) that you wish to "
        "send."};
  }
  if (lamp_test.empty()) {
    return Refusal{
        "ERROR: You must specify a number for Lamp Test intensity (from 0-15) that you wish to "
        "send."};
  }
  const auto regular_value = ToInt16(regular);
  const auto lamp_test_value = ToInt16(lamp_test);
  if (!regular_value || !lamp_test_value) {
    return Refusal{"ERROR: Please enter only a numeric value from 0 - 15."};
  }
  Packet p;
  WildcardHead(p).Add("SMB");
  p.Add(regular, std::to_string(*regular_value)).Add("R");
  p.Add(lamp_test, std::to_string(*lamp_test_value)).Add("L");
  p.Byte(EOT);
  p.status = "The 'Set Marquee Brightness' command has been sent.";
  return p;
}

Packet BuildVolume(const VolumeFields& f) {
  Packet p;
  p.Byte(STX).Add(f.address.group).Add(f.address.unit).Byte(ESC).Add("SSN").Add(f.serial_text);
  p.Byte(ESC).Add("VL1").Add(f.volume).Add("V").Add(f.channel).Add("C").Byte(EOT);
  p.status = SentToSerial("Set Volume", f.serial_text);
  return p;
}

}  // namespace tvx::protocol
