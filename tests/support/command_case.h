#pragma once

#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace tvx::testing {

inline const std::string kSend = "click SendButton\nwait 100\n";
inline const std::string kSernoMissing =
    "ERROR: You must specify the serial number of your target device before proceeding.";
inline const std::string kSernoInvalid =
    "ERROR: The serial number must be non-negative consisting only of numbers 0-9 and must be no "
    "longer than 5 digits.";

// One command run from a script: the pieces that reached the link (each shown with its
// control bytes as tokens), the packet box and the status line afterwards.
struct CommandCase {
  std::string script;               // enters the section, fills fields, sends, waits
  std::vector<std::string> pieces;  // empty: nothing may reach the link
  std::string packet_text;
  std::string status;
};

// Runs each case on a fresh console (port 1 open) and checks it. With tcp set, the socket
// is connected first and the pieces are checked on it.
void CheckCommands(const std::vector<CommandCase>& cases, bool tcp = false);

}  // namespace tvx::testing
