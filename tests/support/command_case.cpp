#include "tests/support/command_case.h"

#include <gtest/gtest.h>

namespace tvx::testing {

void CheckCommands(const std::vector<CommandCase>& cases, bool tcp) {
  for (const CommandCase& c : cases) {
    Harness h;
    if (tcp) {
      h.socket.state = window::kSckConnected;
      h.socket.remote_host_ip = "127.0.0.1";
    }
    h.Run(c.script);
    std::vector<std::string> pieces;
    if (tcp) {
      for (const auto& p : h.socket.pieces) pieces.push_back(Shown(p));
      EXPECT_TRUE(h.serial.pieces.empty()) << c.script;
    } else {
      for (const auto& p : h.serial.pieces) pieces.push_back(Shown(p.bytes));
    }
    EXPECT_EQ(pieces, c.pieces) << c.script;
    EXPECT_EQ(h.w.PacketText->Text(), c.packet_text) << c.script;
    EXPECT_EQ(h.w.StatusText->Text(), c.status) << c.script;
    EXPECT_FALSE(h.w.Timer1->Enabled()) << c.script;
  }
}

}  // namespace tvx::testing
