#pragma once

#include <istream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "sim/device.h"

// The devices file: which devices sit on the simulated bus.
//
// Plain text, one device per line:
//
//     KIND SERIAL GROUP UNIT
//
// KIND is one of andon, marquee, numeric, stacklight, tune, headend; SERIAL a serial number
// from 0 to 99999 (leading zeros allowed, at most five digits); GROUP and UNIT two digits
// each, not both "00" (group 00 with unit 00 reaches every device, so no device sits there).
// Fields are separated by blanks or tabs. A "#" starts a comment that runs to the end of the
// line; blank lines are skipped. Serial numbers are unique; several devices may share a
// group and unit, and all of them answer there. For example:
//
//     # line 3 of the plant floor
//     andon      10001 01 02
//     marquee    10002 01 03   # above the andon board
namespace tvx::sim {

struct DevicesError {
  int line = 0;  // 1 for the first line; 0 when the file as a whole is wrong
  std::string message;
  bool operator==(const DevicesError&) const = default;
};

using DevicesResult = std::variant<std::vector<DeviceEntry>, DevicesError>;

[[nodiscard]] DevicesResult ParseDevices(std::istream& in);

// One device of each kind, in group 01 at units 01 to 06 with serials 10001 to 10006, in the
// order of DeviceKind; this is its devices file.
std::string_view DefaultDevicesText();
std::vector<DeviceEntry> DefaultBus();

}  // namespace tvx::sim
