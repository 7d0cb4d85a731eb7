// `tvxorm sim`'s arguments: the window's screenshot among the rest.
#include <gtest/gtest.h>

#include "app/listen_address.h"
#include "app/sim/sim_session.h"

namespace tvx::app {
namespace {

TEST(SimArgs, ScreenshotIsForTheWindowAndNeedsAFile) {
  struct Case {
    std::vector<std::string> args;
    const char* screenshot;  // nullptr: refused with this error
    const char* error;
  };
  const Case cases[] = {
      {{"--listen", "0", "--screenshot", "sim.png"}, "sim.png", nullptr},
      {{"--listen", "0", "--screenshot=sim.png", "--for", "500"}, "sim.png", nullptr},
      {{"--listen", "0"}, "", nullptr},
      {{"--listen", "0", "--screenshot"}, nullptr, "--screenshot needs a file"},
      {{"--listen", "0", "--screenshot="}, nullptr, "--screenshot needs a file"},
      {{"--listen", "0", "--headless", "--screenshot", "a.png"},
       nullptr,
       "--screenshot is for the window"},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseSimArgs(c.args);
    if (c.screenshot) {
      ASSERT_TRUE(std::holds_alternative<SimArgs>(parsed)) << std::get<std::string>(parsed);
      EXPECT_EQ(std::get<SimArgs>(parsed).screenshot, c.screenshot);
    } else {
      ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.args.back();
      EXPECT_EQ(std::get<std::string>(parsed), c.error);
    }
  }
  EXPECT_NE(SimUsage().find("--screenshot FILE"), std::string::npos);
}

TEST(SimArgs, ListenTakesAnAddressAndBindsLoopbackWithoutOne) {
  struct Case {
    const char* text;
    const char* address;  // nullptr: refused, with error in the message
    int port;
    const char* error;
  };
  const Case cases[] = {
      {"4001", "127.0.0.1", 4001, nullptr},
      {"0", "127.0.0.1", 0, nullptr},
      {"localhost:4001", "127.0.0.1", 4001, nullptr},
      {"0.0.0.0:4001", "0.0.0.0", 4001, nullptr},
      {"192.168.1.20:65535", "192.168.1.20", 65535, nullptr},
      {"[::]:4001", "::", 4001, nullptr},
      {"[::1]:0", "::1", 0, nullptr},
      {"", nullptr, 0, "no TCP port"},
      {"70000", nullptr, 0, "'70000' is no TCP port"},
      {"40x1", nullptr, 0, "no TCP port"},
      {"127.0.0.1:", nullptr, 0, "no TCP port"},
      {":4001", nullptr, 0, "give an address before the ':'"},
      {"::1:4001", nullptr, 0, "in brackets"},
      {"[::1]", nullptr, 0, "needs its port"},
      {"[::1]4001", nullptr, 0, "needs its port"},
      {"[127.0.0.1]:4001", nullptr, 0, "no IPv6 address"},
      {"plant-gw:4001", nullptr, 0, "'plant-gw' is no IPv4 address"},
      {"300.1.1.1:4001", nullptr, 0, "no IPv4 address"},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseListenAddress(c.text);
    if (!c.address) {
      ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.text;
      EXPECT_NE(std::get<std::string>(parsed).find(c.error), std::string::npos)
          << c.text << ": " << std::get<std::string>(parsed);
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<ListenAddress>(parsed))
        << c.text << ": " << std::get<std::string>(parsed);
    const ListenAddress& where = std::get<ListenAddress>(parsed);
    EXPECT_EQ(where.address, QHostAddress(c.address)) << c.text;
    EXPECT_EQ(where.port, c.port) << c.text;
    // The text shown for it reads back as the same place.
    const auto again = ParseListenAddress(ListenAddressText(where));
    ASSERT_TRUE(std::holds_alternative<ListenAddress>(again)) << ListenAddressText(where);
    EXPECT_EQ(std::get<ListenAddress>(again), where) << c.text;
  }
  // On the command line, repeatable, each with its own address.
  const auto parsed = ParseSimArgs({"--listen", "4001", "--listen=[::]:4002"});
  ASSERT_TRUE(std::holds_alternative<SimArgs>(parsed)) << std::get<std::string>(parsed);
  const auto& listen = std::get<SimArgs>(parsed).listen;
  ASSERT_EQ(listen.size(), 2u);
  EXPECT_EQ(listen[0].address, QHostAddress(QHostAddress::LocalHost));
  EXPECT_EQ(listen[1].address, QHostAddress("::"));
  EXPECT_EQ(std::get<std::string>(ParseSimArgs({"--listen", "1.2.3.4"})),
            "--listen: '1.2.3.4' is no TCP port (0 to 65535)");
}

}  // namespace
}  // namespace tvx::app
