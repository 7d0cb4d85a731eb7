#include "links/link_status.h"

#include <gtest/gtest.h>

#include "tests/support/harness.h"

// The status bar's line follows the model through every link state, and a connection that
// drops without being asked to shows as closed by the peer.
namespace tvx::testing {
namespace {

TEST(LinkStatus, FollowsEveryLinkState) {
  Harness h;
  links::PortNames names;
  names.Set(1, "/dev/ttyUSB0");
  links::LinkStatus status;
  EXPECT_EQ(status.Describe(h.w, names), "Serial: Comm 1 = /dev/ttyUSB0, 9600 8N1, open");
  h.Run("click Comm2Option\nwait 10\n");
  EXPECT_EQ(status.Describe(h.w, names),
            "Serial: Comm 2 = " + links::PortNames::DefaultDevice(2) + ", 9600 8N1, open");
  h.serial.Unplug();
  EXPECT_EQ(status.Describe(h.w, names),
            "Serial: Comm 2 = " + links::PortNames::DefaultDevice(2) + ", 9600 8N1, closed");

  h.Run("click TCPOption\nwait 10\n");
  EXPECT_EQ(status.Describe(h.w, names), "TCP/IP: no host, not connected");
  h.socket.SetRemoteHost("plc-gateway");
  h.socket.SetRemotePort(3001);
  const std::pair<int, std::string> steps[] = {
      {window::kSckClosed, "TCP/IP: plc-gateway:3001, not connected"},
      {window::kSckResolvingHost, "TCP/IP: plc-gateway:3001, connecting"},
      {window::kSckConnecting, "TCP/IP: plc-gateway:3001, connecting"},
      {window::kSckConnected, "TCP/IP: 10.0.0.5:3001, connected"},
      {window::kSckClosing, "TCP/IP: plc-gateway:3001, closed by the peer"},
      {window::kSckClosed, "TCP/IP: plc-gateway:3001, closed by the peer"},
      {window::kSckConnecting, "TCP/IP: plc-gateway:3001, connecting"},  // connecting anew
      {window::kSckClosed, "TCP/IP: plc-gateway:3001, not connected"},
  };
  for (const auto& [state, line] : steps) {
    h.socket.state = state;
    h.socket.remote_host_ip = state == window::kSckConnected ? "10.0.0.5" : "";
    EXPECT_EQ(status.Describe(h.w, names), line) << state;
  }
  h.socket.state = window::kSckConnected;
  status.Describe(h.w, names);
  h.socket.state = window::kSckClosed;
  h.Run("click Comm1Option\nwait 10\n");
  EXPECT_EQ(status.Describe(h.w, names), "Serial: Comm 1 = /dev/ttyUSB0, 9600 8N1, open");
}

TEST(LinkStatus, LineSettingsAsPeopleWriteThem) {
  EXPECT_EQ(links::LineSettings("9600,N,8,1"), "9600 8N1");
  EXPECT_EQ(links::LineSettings("19200,E,7,2"), "19200 7E2");
  EXPECT_EQ(links::LineSettings("odd"), "odd");
}

}  // namespace
}  // namespace tvx::testing
