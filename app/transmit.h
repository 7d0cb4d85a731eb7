#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/command_runner.h"

// Writes a command's pieces to a real link at the times the console wrote them, then lets
// them leave before closing.
namespace tvx::app {

struct TransmitResult {
  bool ok = true;
  std::string error;  // which link failed and why
};

TransmitResult TransmitSerial(const std::string& device, const console::CommandOutcome& outcome);
TransmitResult TransmitTcp(const std::string& host, int port,
                           const console::CommandOutcome& outcome);

}  // namespace tvx::app
