#include "sim/devices_file.h"

#include <sstream>
#include <unordered_map>

namespace tvx::sim {

namespace {

bool Digits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (true) {
    at = line.find_first_not_of(" \t\r", at);
    if (at == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
    fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

constexpr char kKindList[] = "andon, marquee, numeric, stacklight, tune or headend";

}  // namespace

DevicesResult ParseDevices(std::istream& in) {
  std::vector<DeviceEntry> devices;
  std::unordered_map<int, int> line_of_serial;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    const std::string_view content = std::string_view(text).substr(0, text.find('#'));
    const std::vector<std::string_view> fields = Fields(content);
    if (fields.empty()) continue;
    auto error = [line](std::string message) { return DevicesError{line, std::move(message)}; };
    if (fields.size() != 4) {
      return error("expected KIND SERIAL GROUP UNIT, found " + std::to_string(fields.size()) +
                   (fields.size() == 1 ? " field" : " fields"));
    }
    const auto kind = KindFromName(fields[0]);
    if (!kind) return error("unknown kind " + Quoted(fields[0]) + ": use " + kKindList);
    // Five digits at most also keeps the conversion from overflowing.
    if (!Digits(fields[1]) || fields[1].size() > 5) {
      return error("serial number " + Quoted(fields[1]) + " is not a number from 0 to 99999");
    }
    const int serial = std::stoi(std::string(fields[1]));
    for (const auto& [name, value] :
         {std::pair{"group", fields[2]}, std::pair{"unit", fields[3]}}) {
      if (!Digits(value) || value.size() != 2) {
        return error(std::string(name) + " " + Quoted(value) + " is not two digits");
      }
    }
    if (fields[2] == "00" && fields[3] == "00") {
      return error("group 00 with unit 00 is the address of every device, not of one");
    }
    const auto [first, added] = line_of_serial.emplace(serial, line);
    if (!added) {
      return error("serial number " + std::to_string(serial) + " is already on line " +
                   std::to_string(first->second));
    }
    devices.push_back({*kind, serial, std::string(fields[2]), std::string(fields[3])});
  }
  if (devices.empty()) return DevicesError{0, "no devices: the file lists none"};
  return devices;
}

std::string_view DefaultDevicesText() {
  return "# The simulator's bus when no devices file is given: one device of each kind.\n"
         "andon       10001 01 01\n"
         "marquee     10002 01 02\n"
         "numeric     10003 01 03\n"
         "stacklight  10004 01 04\n"
         "tune        10005 01 05\n"
         "headend     10006 01 06\n";
}

std::vector<DeviceEntry> DefaultBus() {
  std::istringstream in{std::string(DefaultDevicesText())};
  return std::get<std::vector<DeviceEntry>>(ParseDevices(in));
}

}  // namespace tvx::sim
