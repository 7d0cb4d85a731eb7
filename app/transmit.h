#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/command_runner.h"
#include "protocol/link_output.h"

// Writes a command's pieces to a real link at the times the console wrote them, then lets
// them leave before closing.
namespace tvx::app {

struct [[nodiscard]] TransmitResult {
  bool ok = true;
  std::string error;  // which link failed and why
};

// The pieces go through a LinkOutput, as the console's do, and observer (the journal) sees
// each one with whether the link took it.
TransmitResult TransmitSerial(const std::string& device, const console::CommandOutcome& outcome,
                              protocol::OutputObserver* observer = nullptr);
TransmitResult TransmitTcp(const std::string& host, int port,
                           const console::CommandOutcome& outcome,
                           protocol::OutputObserver* observer = nullptr);

}  // namespace tvx::app
