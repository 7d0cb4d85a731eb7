#include "links/link_output.h"

#include <gtest/gtest.h>

#include "tests/support/fake_comm.h"

namespace tvx::links {
namespace {

using protocol::Link;

TEST(LinkOutput, ConnectedSocketTakesEveryPieceOtherwiseTheSerialPort) {
  testing::FakeSerial serial;
  testing::FakeSocket socket;
  serial.SetPortOpen(true);
  LinkOutput out(serial, socket);
  for (int state = 0; state <= 9; ++state) {
    socket.state = state;
    serial.pieces.clear();
    socket.pieces.clear();
    const Link link = out.Choose();
    out.Write("AB");
    out.Write(std::string(1, '\x04'));
    if (state == window::kSckConnected) {
      EXPECT_EQ(link, Link::Tcp);
      EXPECT_EQ(socket.Bytes(), "AB\x04");
      EXPECT_TRUE(serial.pieces.empty());
    } else {
      EXPECT_EQ(link, Link::Serial) << state;
      EXPECT_EQ(serial.Bytes(), "AB\x04");
      EXPECT_TRUE(socket.pieces.empty());
    }
  }
}

TEST(LinkOutput, ChoiceHoldsUntilChosenAgainAndFailuresAreRemembered) {
  testing::FakeSerial serial;
  testing::FakeSocket socket;
  LinkOutput out(serial, socket);
  socket.state = window::kSckConnected;
  out.Choose();
  socket.state = window::kSckClosed;  // dropped mid-packet: the rest still goes to TCP
  out.Write("A");
  EXPECT_TRUE(out.Failed());
  EXPECT_TRUE(serial.pieces.empty());
  out.ClearFailure();
  out.Choose();
  out.Write("B");  // serial port closed
  EXPECT_TRUE(out.Failed());
  serial.SetPortOpen(true);
  out.ClearFailure();
  out.Write("C");
  EXPECT_FALSE(out.Failed());
  EXPECT_EQ(serial.Bytes(), "C");
}

}  // namespace
}  // namespace tvx::links
