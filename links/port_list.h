#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tvx::links {

// A serial device of this machine, as the ports dialog lists it.
struct PortInfo {
  std::string location;  // what opens it: /dev/ttyUSB0, COM7
  std::string description;
  std::string manufacturer;
  std::string serial_number;
  std::vector<std::string> stable_names;  // /dev/serial/by-id/... pointing at it (Linux)
  bool operator==(const PortInfo&) const = default;
};

using PortLister = std::function<std::vector<PortInfo>()>;

// The machine's serial devices, from QSerialPortInfo, with their stable names.
std::vector<PortInfo> ListPorts();

}  // namespace tvx::links
