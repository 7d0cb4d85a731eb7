#include <gtest/gtest.h>

#include "links/texts.h"
#include "tests/support/harness.h"

namespace tvx::testing {
namespace {

namespace texts = links::texts;

struct ProbeCase {
  std::set<int> existing;
  std::set<int> busy;
  int chosen;  // 0: none
};

TEST(DefaultPortProbe, FirstPortThatOpensBecomesTheDefault) {
  const ProbeCase cases[] = {
      {{1, 2, 3, 4}, {}, 1}, {{3}, {}, 3}, {{1, 2, 3, 4}, {1, 2}, 3},
      {{4}, {}, 4},          {{}, {}, 0},  {{1, 2, 3, 4}, {1, 2, 3, 4}, 0},
  };
  for (const auto& c : cases) {
    Harness h(c.existing, false);
    h.serial.busy = c.busy;
    h.Load();
    const int expected_port = c.chosen ? c.chosen : 4;
    EXPECT_EQ(h.w.OldComm, expected_port);
    EXPECT_EQ(h.w.NewComm, expected_port);
    EXPECT_EQ(h.serial.CommPort(), expected_port);
    EXPECT_EQ(h.serial.PortOpen(), c.chosen != 0);
    window::OptionButton* options[] = {h.w.Comm1Option, h.w.Comm2Option, h.w.Comm3Option,
                                       h.w.Comm4Option};
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(options[k - 1]->Value(), k == expected_port);
    EXPECT_EQ(h.w.StatusText->Text(), c.chosen ? texts::DefaultPort(c.chosen) : texts::kNoPorts);
    // Nothing is left scheduled that could overwrite the message.
    h.Advance(1000);
    EXPECT_EQ(h.w.StatusText->Text(), c.chosen ? texts::DefaultPort(c.chosen) : texts::kNoPorts);
    EXPECT_FALSE(h.w.Timer3->Running());
  }
}

TEST(SerialOption, CurrentPortAgainDoesNothingVisible) {
  Harness h;
  h.w.StatusText->SetText("before");
  h.Run("click Comm1Option\nwait 50\n");
  EXPECT_EQ(h.w.StatusText->Text(), "before");
  EXPECT_EQ(h.serial.events, (std::vector<std::string>{"open 1"}));
}

TEST(SerialOption, SwitchHappensOneTimerTickLater) {
  Harness h({1, 2, 3, 4});
  h.Run("click Comm3Option\n");
  EXPECT_EQ(h.w.NewComm, 3);
  EXPECT_EQ(h.w.OldComm, 1);
  EXPECT_FALSE(h.serial.PortOpen()) << "the old port closes at once";
  EXPECT_EQ(h.w.Timer3->Interval(), 5);
  h.Advance(4);
  EXPECT_FALSE(h.serial.PortOpen());
  h.Advance(1);
  EXPECT_TRUE(h.serial.PortOpen());
  EXPECT_EQ(h.serial.CommPort(), 3);
  EXPECT_EQ(h.w.OldComm, 3);
  EXPECT_EQ(h.w.StatusText->Text(), texts::PortSelected(3));
  EXPECT_FALSE(h.w.Timer3->Running());
}

TEST(SerialOption, TwoSelectionsBeforeTheTickMakeOneSwitch) {
  Harness h;
  h.Run("click Comm2Option\nclick Comm4Option\nwait 20\n");
  EXPECT_EQ(h.serial.events, (std::vector<std::string>{"open 1", "close 1", "open 4"}));
  EXPECT_TRUE(h.w.Comm4Option->Value());
  EXPECT_EQ(h.w.StatusText->Text(), texts::PortSelected(4));
}

TEST(SerialOption, MissingPortFallsBackAndReopensThePreviousPort) {
  Harness h({1, 2, 3});
  h.Run("click Comm4Option\nwait 5\n");
  EXPECT_EQ(h.w.StatusText->Text(), texts::PortFallback(4, 1));
  EXPECT_TRUE(h.w.Comm1Option->Value());
  EXPECT_FALSE(h.w.Comm4Option->Value());
  EXPECT_EQ(h.w.NewComm, 1);
  EXPECT_EQ(h.w.OldComm, 1);
  EXPECT_EQ(h.serial.CommPort(), 1);
  EXPECT_TRUE(h.serial.PortOpen()) << "the message says port 1 is in use, so it is";
  EXPECT_FALSE(h.w.Timer3->Running());
  // Packets go out on port 1 again.
  h.Run("click MiscButton\ntype PacketText Z\nclick SendButton\nwait 100\n");
  ASSERT_EQ(h.serial.pieces.size(), 1u);
  EXPECT_EQ(h.serial.pieces[0].port, 1);
}

TEST(SerialOption, FallbackThatCannotReopenSaysSo) {
  Harness h({1, 2});
  h.serial.busy = {};
  h.Run("click Comm2Option\nwait 5\n");  // now on 2
  h.serial.existing = {1};               // port 2 vanishes while closed
  h.Run("click Comm3Option\nwait 5\n");
  EXPECT_EQ(h.w.StatusText->Text(), texts::PortFallbackFailed(3, 2));
  EXPECT_TRUE(h.w.Comm2Option->Value());
  EXPECT_EQ(h.w.NewComm, 2);
  EXPECT_EQ(h.w.OldComm, 2);
  EXPECT_EQ(h.serial.CommPort(), 2);
  EXPECT_FALSE(h.serial.PortOpen());
}

TEST(SerialOption, FailedCloseKeepsTheOldPortAndSchedulesNothing) {
  Harness h;
  h.serial.fail_close = true;
  h.Run("click Comm2Option\nwait 50\n");
  EXPECT_EQ(h.w.StatusText->Text(), "Error closing comm port 1");
  EXPECT_TRUE(h.serial.PortOpen());
  EXPECT_EQ(h.serial.CommPort(), 1);
  EXPECT_EQ(h.w.NewComm, 2);
  EXPECT_EQ(h.w.OldComm, 1);
}

TEST(TcpOption, ClosesThePortShowsTheFieldsAndRemembersTheLastPort) {
  Harness h;
  h.Run("click Comm2Option\nwait 5\nclick TCPOption\n");
  EXPECT_EQ(h.w.NewComm, 22);
  EXPECT_TRUE(h.w.TCPIP);
  EXPECT_FALSE(h.serial.PortOpen());
  EXPECT_FALSE(h.w.RemoteIPText->Visible()) << "the switch shows the fields, not the click";
  h.Advance(5);
  EXPECT_EQ(h.w.StatusText->Text(), texts::kEnterRemoteAddress);
  for (window::Control* c : {static_cast<window::Control*>(h.w.RemoteIPLabel),
                             static_cast<window::Control*>(h.w.RemoteIPText), h.w.RemoteIPButton,
                             static_cast<window::Control*>(h.w.RemotePortLabel),
                             static_cast<window::Control*>(h.w.RemotePortText)}) {
    EXPECT_TRUE(c->Visible()) << c->Name();
    EXPECT_TRUE(c->Enabled()) << c->Name();
  }
  EXPECT_TRUE(h.w.TCPOption->Value());
  EXPECT_FALSE(h.w.Comm2Option->Value());
  EXPECT_EQ(h.w.OldComm, 2);
  // Choosing TCP/IP again gives the same request.
  h.Run("click TCPOption\n");
  EXPECT_EQ(h.w.NewComm, 22);

  // Back to the same port: it is closed and must be reopened.
  h.Run("wait 5\nclick Comm2Option\n");
  EXPECT_FALSE(h.w.RemoteIPText->Visible());
  EXPECT_FALSE(h.w.TCPOption->Value());
  h.Advance(5);
  EXPECT_TRUE(h.serial.PortOpen());
  EXPECT_EQ(h.serial.CommPort(), 2);
  EXPECT_EQ(h.w.StatusText->Text(), texts::PortSelected(2));
}

TEST(SerialOption, CurrentPortAfterTcpAndCancelIsReopened) {
  Harness h;
  h.Run("click TCPOption\nwait 5\nclick MiscButton\nclick CancelButton\n");
  EXPECT_FALSE(h.w.TCPIP);
  EXPECT_FALSE(h.serial.PortOpen());
  h.Run("click Comm1Option\nwait 5\n");
  EXPECT_TRUE(h.serial.PortOpen());
  EXPECT_EQ(h.w.StatusText->Text(), texts::PortSelected(1));
}

TEST(SerialOption, CurrentPortWhileTcpChosenClosesAndReopens) {
  Harness h;
  h.Run("click TCPOption\nwait 5\n");
  h.serial.events.clear();
  h.Run("click Comm1Option\nwait 5\nclick Comm1Option\nwait 5\n");
  // TCPIP stays set until Cancel or the poll clears it, so the second click reopens too.
  EXPECT_EQ(h.serial.events, (std::vector<std::string>{"open 1", "close 1", "open 1"}));
  EXPECT_EQ(h.w.StatusText->Text(), texts::PortSelected(1));
}

TEST(SerialOption, ClosesAnOpenSocket) {
  Harness h;
  h.Run("click TCPOption\nwait 5\n");
  h.socket.state = window::kSckConnected;
  h.Run("click Comm3Option\n");
  EXPECT_EQ(h.socket.state, window::kSckClosed);
  EXPECT_EQ(h.socket.closes, 1);
}

}  // namespace
}  // namespace tvx::testing
