#include <gtest/gtest.h>

#include "links/texts.h"
#include "tests/support/harness.h"

namespace tvx::testing {
namespace {

namespace texts = links::texts;

// TCP/IP chosen, fields shown, address typed.
void ChooseTcp(Harness& h, const std::string& host = "127.0.0.1",
               const std::string& port = "3001") {
  h.Run("click TCPOption\nwait 5\ntype RemoteIPText " + host + "\ntype RemotePortText " + port +
        "\n");
}

TEST(Connect, StartsTheAttemptAndPollsEvery50ms) {
  Harness h;
  ChooseTcp(h);
  h.w.StatusText->SetText("before");
  h.Run("click RemoteIPButton\n");
  ASSERT_EQ(h.socket.connects.size(), 1u);
  EXPECT_EQ(h.socket.connects[0], std::make_pair(std::string("127.0.0.1"), 3001));
  EXPECT_EQ(h.socket.RemoteHost(), "127.0.0.1");
  EXPECT_EQ(h.socket.RemotePort(), 3001);
  EXPECT_EQ(h.w.StatusText->Text(), "before") << "no line until the first poll";
  h.Advance(50);
  EXPECT_EQ(h.w.StatusText->Text(), texts::Connecting("127.0.0.1"));
  EXPECT_EQ(h.w.TCPIPCounter, 1);
  h.socket.state = window::kSckConnected;
  h.socket.remote_host_ip = "127.0.0.1";
  h.Advance(50);
  EXPECT_EQ(h.w.StatusText->Text(), texts::Connected("127.0.0.1"));
  EXPECT_FALSE(h.w.Timer4->Enabled());
}

struct StateCase {
  int state;
  std::string message;
  bool keeps_polling;
};

TEST(Poll, EveryStateHasItsLine) {
  const std::string host = "10.1.2.3";
  const StateCase cases[] = {
      {0, texts::PortClosed(0), true},  // TCP/IP requested: a closed attempt keeps polling
      {1, texts::PortOpened(0), true},
      {2, texts::PortListening(0), true},
      {3, texts::Connecting(host), true},
      {4, texts::Resolving(host), true},
      {5, texts::Resolved(host), true},
      {6, texts::Connecting(host), true},
      {7, texts::Connected("10.1.2.3"), false},
      {8,
       "The remote host that you are connected to -  IP Address 10.1.2.3 - is closing the "
       "connection.",
       true},
      {9, "ERROR", false},
      {12, texts::kUnknownSocketState, false},
  };
  for (const auto& c : cases) {
    Harness h;
    ChooseTcp(h, host);
    h.Run("click RemoteIPButton\n");
    h.socket.state = c.state;
    h.socket.remote_host_ip = "10.1.2.3";
    h.socket.bound_local_port = 0;
    h.Advance(50);
    EXPECT_EQ(h.w.StatusText->Text(), c.message) << c.state;
    EXPECT_EQ(h.w.Timer4->Enabled(), c.keeps_polling) << c.state;
  }
}

TEST(Poll, AHostThatNeverAnswersTimesOutAfter60TicksAndIsClosed) {
  Harness h;
  ChooseTcp(h, "192.0.2.1");
  h.Run("click RemoteIPButton\nwait 2950\n");
  EXPECT_TRUE(h.w.Timer4->Enabled());
  EXPECT_EQ(h.w.TCPIPCounter, 59);
  h.Advance(50);
  EXPECT_EQ(h.w.StatusText->Text(), texts::ConnectTimedOut("192.0.2.1"));
  EXPECT_FALSE(h.w.Timer4->Enabled());
  EXPECT_EQ(h.socket.state, window::kSckClosed) << "a late connect must not take over the link";
}

TEST(Poll, RefusedAttemptEndsWithTheTimeOut) {
  Harness h;
  ChooseTcp(h);
  h.socket.state_after_connect = window::kSckClosed;
  h.Run("click RemoteIPButton\nwait 3000\n");
  EXPECT_EQ(h.w.StatusText->Text(), texts::ConnectTimedOut("127.0.0.1"));
}

TEST(Poll, SerialOptionDuringThePollStopsItAndClearsTcpip) {
  Harness h;
  ChooseTcp(h);
  h.Run("click RemoteIPButton\nwait 100\nclick Comm1Option\nwait 4\n");
  EXPECT_EQ(h.socket.state, window::kSckClosed);
  h.Advance(46);  // the next poll
  EXPECT_FALSE(h.w.Timer4->Enabled());
  EXPECT_FALSE(h.w.TCPIP);
}

TEST(Connect, SameAddressWhileConnectedSaysSoAndTouchesNothing) {
  Harness h;
  ChooseTcp(h);
  h.Run("click RemoteIPButton\n");
  h.socket.state = window::kSckConnected;
  h.socket.remote_host_ip = "127.0.0.1";
  h.Advance(50);
  h.w.TCPIPCounter = 17;
  h.Run("click RemoteIPButton\n");
  EXPECT_EQ(h.w.StatusText->Text(), texts::AlreadyConnected(50123, "127.0.0.1"));
  EXPECT_EQ(h.socket.connects.size(), 1u);
  EXPECT_EQ(h.socket.closes, 0);
  EXPECT_FALSE(h.w.Timer4->Enabled());
  EXPECT_EQ(h.w.TCPIPCounter, 0);
}

TEST(Connect, OtherAddressWhileConnectedClosesAndRestartsTheCount) {
  Harness h;
  ChooseTcp(h);
  h.Run("click RemoteIPButton\nwait 100\n");
  h.socket.state = window::kSckConnected;
  h.socket.remote_host_ip = "127.0.0.1";
  h.Run("type RemoteIPText 127.0.0.2\nclick RemoteIPButton\n");
  EXPECT_EQ(h.socket.closes, 1);
  EXPECT_EQ(h.socket.connects.size(), 2u);
  EXPECT_EQ(h.w.TCPIPCounter, 0);
  EXPECT_TRUE(h.w.Timer4->Enabled());
}

TEST(Connect, PortTextThatIsNotATcpPortConnectsToPort0) {
  const std::pair<const char*, int> cases[] = {
      {"3001", 3001}, {"70000", 0}, {"abc", 0},       {"", 0},          {"32767", 32767},
      {"-5", 0},      {" 80", 80},  {"40000", 40000}, {"65535", 65535}, {"65536", 0}};
  for (const auto& [text, port] : cases) {
    Harness h;
    ChooseTcp(h, "127.0.0.1", text);
    h.Run("click RemoteIPButton\n");
    EXPECT_EQ(h.socket.connects.back().second, port) << text;
  }
  Harness h;
  ChooseTcp(h);
  h.Run("dblclick RemotePortText\nclick RemoteIPButton\n");
  EXPECT_EQ(h.socket.connects.back().second, 0);
}

}  // namespace
}  // namespace tvx::testing
