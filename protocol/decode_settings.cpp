// Decoders of the commands whose code follows the serial-number head: the marquee's
// auto-centre, the configuration and setting commands, and the tune volume.
#include "protocol/commands.h"
#include "protocol/config_commands.h"
#include "protocol/control_bytes.h"
#include "protocol/decode_rules.h"

namespace tvx::protocol::decoding {

namespace {

constexpr Link kLinks[] = {Link::Serial, Link::Tcp};

bool AutoCentrePacket(const Context& c, DecodedPacket& out) {
  for (const AutoCentre state : {AutoCentre::kOn, AutoCentre::kOff}) {
    MarqueeFields f;
    f.auto_centre = state;
    f.serial_field = c.serial;
    // The marquee writes its auto-centre packet first, then the text.
    const std::string both = BuildMarquee(f).Bytes();
    if (both.substr(0, both.find(EOT) + 1) == c.bytes) {
      AddField(out, "auto-centre", OnOff(state == AutoCentre::kOn));
      return true;
    }
  }
  return false;
}

bool SetGroupUnit(const Context& c, DecodedPacket& out) {
  if (c.params.size() != 4 * kDeviceSets) return false;
  DeviceSets sets;
  for (int i = 0; i < kDeviceSets; ++i) {
    sets.groups[i] = c.params.substr(4 * i, 2);
    sets.units[i] = c.params.substr(4 * i + 2, 2);
  }
  if (!SameBytes(BuildSetGroupUnit(c.serial, sets), c.bytes)) return false;
  for (int i = 0; i < kDeviceSets; ++i) {
    const std::string set = "ds" + std::to_string(i + 1);
    out.fields.push_back({set + "-group", sets.groups[i]});
    out.fields.push_back({set + "-unit", sets.units[i]});
  }
  return true;
}

bool ModifySerial(const Context& c, DecodedPacket& out) {
  // The new number is a serial field like any other: five digits.
  const std::string_view number = c.params;
  if (number.size() != 5 || number.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  if (!SameBytes(BuildModifySerial(std::string(number)), c.bytes)) return false;
  AddField(out, "new-serial", number);
  return true;
}

struct SettingName {
  SerialSetting command;
  const char* field;
};
constexpr SettingName kSettingNames[] = {
    {SerialSetting::kBoardType, "board-type"},   {SerialSetting::kBoardSubType, "sub-board-type"},
    {SerialSetting::kFaderLevel, "fader-level"}, {SerialSetting::kColumns, "columns"},
    {SerialSetting::kSeriesFlag, "series"},      {SerialSetting::kMarqueeDetect, "detect"},
};

bool Rebuilds(SerialSetting command, const Context& c, const std::string& text) {
  for (const Link link : kLinks) {
    if (SameBytes(BuildSerialSetting(command, c.serial, text, link), c.bytes)) return true;
  }
  return false;
}

// The option commands send one character per option state; the others their text as typed,
// some with a one-letter suffix.
bool Setting(const Context& c, DecodedPacket& out) {
  for (const SettingName& name : kSettingNames) {
    if (c.code != SerialSettingCode(name.command)) continue;
    if (name.command == SerialSetting::kSeriesFlag) {
      for (const bool series_610 : {true, false}) {
        if (Rebuilds(name.command, c, SeriesFlagText(series_610))) {
          AddField(out, name.field, series_610 ? "610" : "614");
          return true;
        }
      }
      return false;
    }
    if (name.command == SerialSetting::kMarqueeDetect) {
      for (const auto& [first, second] :
           {std::pair{true, false}, std::pair{false, true}, std::pair{false, false}}) {
        const std::string text = MarqueeDetectText(first, second);
        if (Rebuilds(name.command, c, text)) {
          AddField(out, name.field, text);
          return true;
        }
      }
      return false;
    }
    for (const std::size_t suffix : {0, 1}) {
      if (c.params.size() <= suffix) break;
      const std::string text(c.params.substr(0, c.params.size() - suffix));
      if (Rebuilds(name.command, c, text)) {
        AddField(out, name.field, text);
        return true;
      }
    }
  }
  return false;
}

bool LedIntensity(const Context& c, DecodedPacket& out) {
  if (!c.params.ends_with('I')) return false;
  const std::string text(c.params.substr(0, c.params.size() - 1));
  for (const Link link : kLinks) {
    if (SameBytes(BuildLedIntensity(text, link, c.serial), c.bytes)) {
      AddField(out, "intensity", text);
      return true;
    }
  }
  return false;
}

bool Brightness(const Context& c, DecodedPacket& out) {
  // A regular intensity is a number, so the first "R" ends it.
  const std::size_t r = c.params.find('R');
  if (r == std::string_view::npos || !c.params.ends_with('L')) return false;
  const std::string regular(c.params.substr(0, r));
  const std::string lamp_test(c.params.substr(r + 1, c.params.size() - r - 2));
  if (!SameBytes(BuildMarqueeBrightness(regular, lamp_test), c.bytes)) return false;
  AddField(out, "regular", regular);
  AddField(out, "lamp-test", lamp_test);
  return true;
}

bool Volume(const Context& c, DecodedPacket& out) {
  if (!c.params.ends_with('C')) return false;
  const std::string_view both = c.params.substr(0, c.params.size() - 1);
  // The console fills an empty box with "00", so neither value is empty.
  int tries = 0;
  for (std::size_t v = 1; v + 1 < both.size() && tries < kMaxCandidates; ++v) {
    if (both[v] != 'V') continue;
    ++tries;
    const VolumeFields f{c.address, c.serial, std::string(both.substr(0, v)),
                         std::string(both.substr(v + 1))};
    if (SameBytes(BuildVolume(f), c.bytes)) {
      AddField(out, "volume", f.volume);
      AddField(out, "channel", f.channel);
      return true;
    }
  }
  return false;
}

constexpr CommandRule kSerial[] = {
    {"SMC", "MRQ", Addressing::kFixed, SerialPlace::kField, AutoCentrePacket},
    {"SGU", "SGU", Addressing::kFixed, SerialPlace::kField, SetGroupUnit},
    {"SS#", "SS#", Addressing::kFixed, SerialPlace::kWildcard, ModifySerial},
    {"SBT", "SBT", Addressing::kFixed, SerialPlace::kField, Setting},
    {"SBS", "SBS", Addressing::kFixed, SerialPlace::kField, Setting},
    {"SFD", "SFD", Addressing::kFixed, SerialPlace::kField, Setting},
    {"SAC", "SAC", Addressing::kFixed, SerialPlace::kField, Setting},
    {"SOR", "SOR", Addressing::kFixed, SerialPlace::kField, Setting},
    {"SMD", "SMD", Addressing::kFixed, SerialPlace::kField, Setting},
    {"SLI", "SLI", Addressing::kFixed, SerialPlace::kWildcard, LedIntensity},
    {"SMB", "SMB", Addressing::kFixed, SerialPlace::kWildcard, Brightness},
    {"VL1", "VL1", Addressing::kChecked, SerialPlace::kTypedText, Volume},
};

}  // namespace

std::span<const CommandRule> SerialCommands() {
  return kSerial;
}

}  // namespace tvx::protocol::decoding
