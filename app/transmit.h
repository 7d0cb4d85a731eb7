#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/command_runner.h"
#include "protocol/link_output.h"

// Writes a command's pieces to a real link at the times the console wrote them, then lets
// them leave before closing.
namespace tvx::app {

class StopSignals;

struct [[nodiscard]] TransmitResult {
  bool ok = true;
  std::string error;  // which link failed and why
  int stopped = 0;    // the stop signal that cut the transmission short, if one did
};

// The pieces go through a LinkOutput, as the console's do, and observer (the journal) sees
// each one with whether the link took it. A stop signal caught by stop ends the wait for the
// next piece or the connection at once; what was written still leaves before the link closes.
TransmitResult TransmitSerial(const std::string& device, const console::CommandOutcome& outcome,
                              protocol::OutputObserver* observer = nullptr,
                              const StopSignals* stop = nullptr);
TransmitResult TransmitTcp(const std::string& host, int port,
                           const console::CommandOutcome& outcome,
                           protocol::OutputObserver* observer = nullptr,
                           const StopSignals* stop = nullptr);

}  // namespace tvx::app
