#pragma once

#include <array>
#include <string>

#include "protocol/commands.h"

// Configuration and setting commands: they reach one device by its serial number, or every
// listening device through the wildcard. The serial field comes in checked already.
namespace tvx::protocol {

inline constexpr int kDeviceSets = 15;

// Group and unit texts of the device sets, index 0 being DS1.
struct DeviceSets {
  std::array<std::string, kDeviceSets> groups;
  std::array<std::string, kDeviceSets> units;
};
BuildResult BuildSetGroupUnit(const std::string& serial_field, const DeviceSets& sets);

// The new number goes after the code; the wildcard reaches whichever device listens.
Packet BuildModifySerial(const std::string& serial_field);

// The commands that are the serial-number head, a code, one parameter text and an optional
// suffix; they differ in their checks and status lines only.
enum class SerialSetting {
  kBoardType,
  kBoardSubType,
  kFaderLevel,
  kColumns,
  kSeriesFlag,
  kMarqueeDetect,
};
const char* SerialSettingCode(SerialSetting command);
BuildResult BuildSerialSetting(SerialSetting command, const std::string& serial_field,
                               const std::string& text, Link link);

// The one-character parameters of SOR and SMD, from their option buttons.
std::string SeriesFlagText(bool series_610);
std::string MarqueeDetectText(bool force_first, bool force_second);

// The status names the serial field although the packet carries the wildcard.
BuildResult BuildLedIntensity(const std::string& text, Link link, const std::string& serial_field);

BuildResult BuildMarqueeBrightness(const std::string& regular, const std::string& lamp_test);

struct VolumeFields {
  Address address;
  std::string serial_text;  // as typed, unpadded
  std::string volume;
  std::string channel;
};
Packet BuildVolume(const VolumeFields& f);

}  // namespace tvx::protocol
