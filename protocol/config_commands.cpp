#include "protocol/config_commands.h"

#include <optional>

#include "protocol/catalogue.h"
#include "protocol/control_bytes.h"
#include "protocol/numeric.h"
#include "protocol/texts.h"

namespace tvx::protocol {

namespace {

using Check = std::optional<Refusal>;

Check NumberCheck(const std::string& text, const char* missing) {
  if (text.empty()) return Refusal{missing};
  if (!ToInt16(text)) return Refusal{texts::NotNumeric(2)};
  return std::nullopt;
}

Check PlainNumber(const std::string& text, Link) {
  return NumberCheck(text, texts::kNumberMissing);
}

// The sub-type is a part name on the serial link but a number over TCP.
Check SubType(const std::string& text, Link link) {
  if (link == Link::Tcp) return NumberCheck(text, texts::kNumberMissing);
  if (text.empty()) return Refusal{texts::kNumberMissing};
  auto allowed = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
  };
  bool ok = text.size() <= 15;
  for (unsigned char c : text) ok = ok && allowed(c);
  if (!ok) return Refusal{texts::kBadSubType};
  return std::nullopt;
}

Check FaderLevel(const std::string& text, Link link) {
  return NumberCheck(text,
                     link == Link::Tcp ? texts::kFaderMissingTcp : texts::kFaderMissingSerial);
}

Check OptionOnly(const std::string&, Link) {
  return std::nullopt;
}

struct SerialSettingRow {
  Command command;
  const char* suffix;
  const char* what;  // the command's name in its status line
  Check (*check)(const std::string&, Link);
};

// In the order of SerialSetting.
constexpr SerialSettingRow kSerialSettings[] = {
    {Command::kSBT, "", "Set Board Type ", PlainNumber},
    {Command::kSBS, "", "Set Board Sub-Type ", SubType},
    {Command::kSFD, "", "Set System Fader Level ", FaderLevel},
    {Command::kSAC, "C", "Set # of Columns ", PlainNumber},
    {Command::kSOR, "", "Set ORMII Flag", OptionOnly},
    {Command::kSMD, "", "Set Marquee Detect", OptionOnly},
};

}  // namespace

BuildResult BuildSetGroupUnit(const std::string& serial_field, const DeviceSets& sets) {
  Packet p;
  SerialHead(p, serial_field).Add(CodeOf(Command::kSGU));
  // Group i before unit i, in index order: the first bad box refuses.
  for (int i = 0; i < kDeviceSets; ++i) {
    for (const std::string& text : {sets.groups[i], sets.units[i]}) {
      const auto value = ToInt16(text);
      if (!value || *value < 0) return Refusal{texts::kBadAssignment};
      p.Add(TwoDigits(*value));
    }
  }
  p.Byte(EOT);
  p.status = texts::SentToSerial("Set Group and Unit", serial_field);
  return p;
}

Packet BuildModifySerial(const std::string& serial_field) {
  Packet p;
  WildcardHead(p).Add(CodeOf(Command::kModifySerial)).Add(serial_field).Byte(EOT);
  p.status = texts::kModifySerialSent;
  return p;
}

const char* SerialSettingCode(SerialSetting command) {
  return CodeOf(kSerialSettings[static_cast<int>(command)].command);
}

BuildResult BuildSerialSetting(SerialSetting command, const std::string& serial_field,
                               const std::string& text, Link link) {
  const SerialSettingRow& row = kSerialSettings[static_cast<int>(command)];
  if (Check refusal = row.check(text, link)) return *refusal;
  Packet p;
  SerialHead(p, serial_field).Add(CodeOf(row.command)).Add(text);
  if (*row.suffix) p.Add(row.suffix);
  p.Byte(EOT);
  p.status = texts::SentToSerial(row.what, serial_field);
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
    if (Check refusal = NumberCheck(text, texts::kNumberMissing)) return *refusal;
  } else if (text.empty()) {
    return Refusal{texts::kIntensityMissing};
  } else if (!value) {
    return Refusal{texts::kIntensityNotNumeric};
  }
  Packet p;
  WildcardHead(p).Add(CodeOf(Command::kSLI));
  // The serial link shows the number as parsed; the bytes still carry the text as typed.
  if (link == Link::Tcp) {
    p.Add(text);
  } else {
    p.Add(text, std::to_string(*value));
  }
  p.Add("I").Byte(EOT);
  p.status = texts::SentToSerial("Set LED Intensity", serial_field);
  return p;
}

BuildResult BuildMarqueeBrightness(const std::string& regular, const std::string& lamp_test) {
  if (regular.empty()) return Refusal{texts::kRegularMissing};
  if (lamp_test.empty()) return Refusal{texts::kLampTestMissing};
  const auto regular_value = ToInt16(regular);
  const auto lamp_test_value = ToInt16(lamp_test);
  if (!regular_value || !lamp_test_value) return Refusal{texts::kBrightnessNotNumeric};
  Packet p;
  WildcardHead(p).Add(CodeOf(Command::kSMB));
  p.Add(regular, std::to_string(*regular_value)).Add("R");
  p.Add(lamp_test, std::to_string(*lamp_test_value)).Add("L");
  p.Byte(EOT);
  p.status = texts::kBrightnessSent;
  return p;
}

Packet BuildVolume(const VolumeFields& f) {
  Packet p;
  SerialHead(p, f.serial_text, &f.address).Add(CodeOf(Command::kVL1));
  p.Add(f.volume).Add("V").Add(f.channel).Add("C").Byte(EOT);
  p.status = texts::SentToSerial("Set Volume", f.serial_text);
  return p;
}

}  // namespace tvx::protocol
