#pragma once

#include <string>

#include "protocol/link_output.h"
#include "protocol/packet.h"

// Command builders: field texts and option states in, the packet (pieces, display text,
// status line) or the refusal out. Pure: no window, no link.
namespace tvx::protocol {

// Group/unit address as sent: two texts, normally two digits each.
struct Address {
  std::string group;
  std::string unit;
};

enum class AutoCentre { kNotChosen, kOn, kOff };

struct MarqueeFields {
  Address address;
  std::string message;
  bool flash = false;
  bool clear_home = true;
  bool carriage_return = false;
  AutoCentre auto_centre = AutoCentre::kNotChosen;
  std::string serial_field;  // checked already when auto-centre is chosen
};
Packet BuildMarquee(const MarqueeFields& f);

BuildResult BuildDisplayMode(const std::string& template_text);

struct NumberFields {
  Address address;
  std::string number, row, column;
  std::string attribute_codes;  // the code of each selected attribute button
};
BuildResult BuildNumber(const NumberFields& f);

struct StackLightFields {
  Address address;
  std::string row;
  std::string attribute_codes;
  Link link = Link::Serial;
};
BuildResult BuildStackLight(const StackLightFields& f);

struct TuneFields {
  Address address;
  std::string code;  // "TU1" or "TU2"
  std::string tune, seconds, repeat, duration, priority;
};
BuildResult BuildTune(const TuneFields& f);

enum class Maintenance { kSoftwareVersion, kLampTest, kClear, kDiagnostics, kSoftBoot };
Packet BuildMaintenance(Maintenance command, const Address& address);

}  // namespace tvx::protocol
