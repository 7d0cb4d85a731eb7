// Decoders of the commands whose code follows the serial-number head: the marquee's
// auto-centre, the configuration and setting commands, and the tune volume.
#include <array>

#include "protocol/commands.h"
#include "protocol/config_commands.h"
#include "protocol/control_bytes.h"
#include "protocol/decode_rules.h"
#include "protocol/numeric.h"

namespace tvx::protocol::decoding {

namespace {

constexpr Link kLinks[] = {Link::Serial, Link::Tcp};

bool IsNumber(std::string_view text) {
  return !text.empty() && ToInt16(text);
}

// What a builder writes after `marker` up to EOT: layouts are asked of the builders, never
// written down twice.
std::string After(const std::string& bytes, const std::string& marker) {
  const std::size_t at = bytes.find(marker) + marker.size();
  return bytes.substr(at, bytes.size() - at - 1);
}

bool AutoCentrePacket(const Context& c, DecodedPacket& out) {
  static const std::array<std::string, 2> kCodes = [] {
    std::array<std::string, 2> codes;
    for (int on = 0; on < 2; ++on) {
      MarqueeFields f;
      f.auto_centre = on ? AutoCentre::kOn : AutoCentre::kOff;
      f.serial_field = "00000";
      const std::string both = BuildMarquee(f).Bytes();
      codes[on] = After(both.substr(0, both.find(EOT) + 1), CodeOf(Command::kMRQ));
    }
    return codes;
  }();
  for (int on = 0; on < 2; ++on) {
    if (c.params != kCodes[on]) continue;
    const bool same = Accepted(c, true, [&] {
      MarqueeFields f;
      f.auto_centre = on ? AutoCentre::kOn : AutoCentre::kOff;
      f.serial_field = c.serial;
      // The marquee writes its auto-centre packet first, then the text.
      const std::string both = BuildMarquee(f).Bytes();
      return both.substr(0, both.find(EOT) + 1) == c.bytes;
    });
    if (!same) return false;
    AddField(out, fields::kAutoCentre, OnOff(on));
    return true;
  }
  return false;
}

bool SetGroupUnit(const Context& c, DecodedPacket& out) {
  if (c.params.size() != 4 * kDeviceSets) return false;
  // The builder sends each number as two digits, and any two digits come back as they are.
  const bool fast = AllDigits(c.params);
  const bool same = Accepted(c, fast, [&] {
    DeviceSets sets;
    for (int i = 0; i < kDeviceSets; ++i) {
      sets.groups[i] = c.params.substr(4 * i, 2);
      sets.units[i] = c.params.substr(4 * i + 2, 2);
    }
    return BuildSetGroupUnit(std::string(c.serial), sets);
  });
  if (!same) return false;
  static const auto kNames = [] {
    std::array<std::string, 2 * kDeviceSets> names;
    for (int i = 0; i < kDeviceSets; ++i) {
      names[2 * i] = fields::DeviceSetGroup(i + 1);
      names[2 * i + 1] = fields::DeviceSetUnit(i + 1);
    }
    return names;
  }();
  out.fields.reserve(kNames.size());
  for (std::size_t i = 0; i < kNames.size(); ++i)
    AddField(out, kNames[i], c.params.substr(2 * i, 2));
  return true;
}

bool ModifySerial(const Context& c, DecodedPacket& out) {
  // The new number is a serial field like any other: five digits.
  const std::string_view number = c.params;
  if (number.size() != 5 || !AllDigits(number)) return false;
  if (!Accepted(c, true, [&] { return BuildModifySerial(std::string(number)); })) return false;
  AddField(out, fields::kNewSerial, number);
  return true;
}

struct SettingName {
  SerialSetting command;
  const char* field;
};
constexpr SettingName kSettingNames[] = {
    {SerialSetting::kBoardType, fields::kBoardType},
    {SerialSetting::kBoardSubType, fields::kSubBoardType},
    {SerialSetting::kFaderLevel, fields::kFaderLevel},
    {SerialSetting::kColumns, fields::kColumns},
    {SerialSetting::kSeriesFlag, fields::kSeries},
    {SerialSetting::kMarqueeDetect, fields::kDetect},
};

// The letter some settings put after their text, in the order of kSettingNames.
const std::string& Suffix(int index) {
  static const auto kSuffixes = [] {
    std::array<std::string, std::size(kSettingNames)> suffixes;
    for (std::size_t i = 0; i < suffixes.size(); ++i) {
      const SerialSetting command = kSettingNames[i].command;
      const auto built = BuildSerialSetting(command, "00000", "0", Link::Tcp);
      suffixes[i] =
          After(std::get<Packet>(built).Bytes(), SerialSettingCode(command) + std::string("0"));
    }
    return suffixes;
  }();
  return kSuffixes[index];
}

// The option settings send one character per option state and show it as the choice that
// sends it.
std::vector<std::pair<std::string, std::string>> Options(SerialSetting command) {
  std::vector<std::pair<std::string, std::string>> options;
  if (command == SerialSetting::kSeriesFlag) {
    const auto& series = ListingOf(Command::kSOR).Field(fields::kSeries)->choices;
    for (std::size_t i = 0; i < series.size(); ++i)
      options.emplace_back(SeriesFlagText(i == 0), series[i]);
    return options;
  }
  const auto& detect = ListingOf(Command::kSMD).Field(fields::kDetect)->choices;
  const std::pair<bool, bool> buttons[] = {{true, false}, {false, true}, {false, false}};
  for (std::size_t i = 0; i < detect.size(); ++i) {
    options.emplace_back(MarqueeDetectText(buttons[i].first, buttons[i].second), detect[i]);
  }
  return options;
}

bool Setting(const Context& c, DecodedPacket& out) {
  for (int i = 0; i < static_cast<int>(std::size(kSettingNames)); ++i) {
    const SerialSetting command = kSettingNames[i].command;
    if (c.code != SerialSettingCode(command)) continue;
    if (!c.params.ends_with(Suffix(i))) return false;
    const std::string text(c.params.substr(0, c.params.size() - Suffix(i).size()));
    auto rebuilds = [&] {
      for (const Link link : kLinks) {
        if (SameBytes(BuildSerialSetting(command, std::string(c.serial), text, link), c.bytes))
          return true;
      }
      return false;
    };
    std::string shown = text;
    bool fast = IsNumber(text);  // the number rule; the sub-type's part names go to the builder
    if (command == SerialSetting::kSeriesFlag || command == SerialSetting::kMarqueeDetect) {
      fast = false;
      for (const auto& [option, meaning] : Options(command)) {
        if (text == option) shown = meaning;
        fast = fast || text == option;
      }
      if (!fast) return false;  // the builder takes any text; the buttons send only these
    }
    if (!Accepted(c, fast, rebuilds)) return false;
    AddField(out, kSettingNames[i].field, shown);
    return true;
  }
  return false;
}

bool LedIntensity(const Context& c, DecodedPacket& out) {
  if (!c.params.ends_with('I')) return false;
  const std::string text(c.params.substr(0, c.params.size() - 1));
  const bool same = Accepted(c, IsNumber(text), [&] {
    for (const Link link : kLinks) {
      if (SameBytes(BuildLedIntensity(text, link, std::string(c.serial)), c.bytes)) return true;
    }
    return false;
  });
  if (!same) return false;
  AddField(out, fields::kIntensity, text);
  return true;
}

bool Brightness(const Context& c, DecodedPacket& out) {
  // A regular intensity is a number, so the first "R" ends it.
  const std::size_t r = c.params.find('R');
  if (r == std::string_view::npos || !c.params.ends_with('L')) return false;
  const std::string regular(c.params.substr(0, r));
  const std::string lamp_test(c.params.substr(r + 1, c.params.size() - r - 2));
  const bool fast = IsNumber(regular) && IsNumber(lamp_test);
  if (!Accepted(c, fast, [&] { return BuildMarqueeBrightness(regular, lamp_test); })) return false;
  AddField(out, fields::kRegular, regular);
  AddField(out, fields::kLampTest, lamp_test);
  return true;
}

bool Volume(const Context& c, DecodedPacket& out) {
  if (!c.params.ends_with('C')) return false;
  const std::string_view both = c.params.substr(0, c.params.size() - 1);
  // The console fills an empty box with "00", so neither value is empty; the builder checks
  // nothing.
  int tries = 0;
  for (std::size_t v = 1; v + 1 < both.size() && tries < kMaxCandidates; ++v) {
    if (both[v] != 'V') continue;
    ++tries;
    const std::string_view volume = both.substr(0, v), channel = both.substr(v + 1);
    auto build = [&] {
      return BuildVolume(
          {AddressOf(c), std::string(c.serial), std::string(volume), std::string(channel)});
    };
    if (Accepted(c, true, build)) {
      AddField(out, fields::kVolume, volume);
      AddField(out, fields::kChannel, channel);
      return true;
    }
  }
  return false;
}

}  // namespace

CommandDecoder SerialDecoder(Command command) {
  switch (command) {
    case Command::kMRQ:
      return AutoCentrePacket;
    case Command::kSGU:
      return SetGroupUnit;
    case Command::kModifySerial:
      return ModifySerial;
    case Command::kSBT:
    case Command::kSBS:
    case Command::kSFD:
    case Command::kSAC:
    case Command::kSOR:
    case Command::kSMD:
      return Setting;
    case Command::kSLI:
      return LedIntensity;
    case Command::kSMB:
      return Brightness;
    case Command::kVL1:
      return Volume;
    default:
      return nullptr;
  }
}

}  // namespace tvx::protocol::decoding
