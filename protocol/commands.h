#pragma once

#include <string>

#include "protocol/catalogue.h"
#include "protocol/envelope.h"
#include "protocol/link.h"
#include "protocol/packet.h"
#include "protocol/texts.h"

// Command builders: field texts and option states in, the packet (pieces, display text,
// status line) or the refusal out. Pure: no window, no link.
namespace tvx::protocol {

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
  std::string code;  // TU1's or TU2's
  std::string tune, seconds, repeat, duration, priority;
};
BuildResult BuildTune(const TuneFields& f);
// A tune number is any number from 0 to 255, fractions included.
bool TuneNumberAccepted(const std::string& text);

enum class Maintenance { kSoftwareVersion, kLampTest, kClear, kDiagnostics, kSoftBoot };
struct MaintenanceRow {
  Command command;      // its code and address are the catalogue's
  const char* what;     // the sent line, or the name in it for the group/unit commands
  const char* section;  // the section button's caption
};
// In the order of Maintenance.
inline constexpr MaintenanceRow kMaintenance[] = {
    {Command::kSVN, texts::kSoftwareVersionSent, NameOf(Command::kSVN)},
    {Command::kTest, "Lamp Test", NameOf(Command::kTest)},
    {Command::kClear, "Clear", NameOf(Command::kClear)},
    {Command::kDiag, "Diagnostics", NameOf(Command::kDiag)},
    {Command::kBoot, texts::kSoftBootSent, NameOf(Command::kBoot)},
};
Packet BuildMaintenance(Maintenance command, const Address& address);

}  // namespace tvx::protocol
