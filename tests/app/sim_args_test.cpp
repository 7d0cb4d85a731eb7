// `tvxorm sim`'s arguments: the window's screenshot among the rest.
#include <gtest/gtest.h>

#include "app/sim_session.h"

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

}  // namespace
}  // namespace tvx::app
