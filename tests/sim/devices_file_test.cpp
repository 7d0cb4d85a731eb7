// The devices file: what it accepts, each error with its line, and the default bus.
#include "sim/devices_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tvx::sim {
namespace {

DevicesResult Parse(const std::string& text) {
  std::istringstream in(text);
  return ParseDevices(in);
}

TEST(DevicesFile, ReadsDevicesAroundCommentsBlanksAndLineEnds) {
  const auto result = Parse(
      "# line 3\n"
      "\n"
      "andon 10001 01 02\r\n"
      "  marquee\t00042   01 03  # above the board\n"
      "numeric 0 99 99\n"
      "stacklight 99999 00 01\n"
      "tune 7 01 00\n"
      "headend 8 02 02");
  ASSERT_TRUE(std::holds_alternative<std::vector<DeviceEntry>>(result))
      << std::get<DevicesError>(result).message;
  const std::vector<DeviceEntry> expected = {
      {DeviceKind::kAndonBoard, 10001, "01", "02"}, {DeviceKind::kMarquee, 42, "01", "03"},
      {DeviceKind::kNumericDisplay, 0, "99", "99"}, {DeviceKind::kStackLight, 99999, "00", "01"},
      {DeviceKind::kTuneUnit, 7, "01", "00"},       {DeviceKind::kHeadEnd, 8, "02", "02"},
  };
  EXPECT_EQ(std::get<std::vector<DeviceEntry>>(result), expected);
}

TEST(DevicesFile, EachErrorNamesItsLineAndWhy) {
  const std::pair<const char*, DevicesError> cases[] = {
      {"", {0, "no devices: the file lists none"}},
      {"# nothing yet\n\n", {0, "no devices: the file lists none"}},
      {"andon 10001 01\n", {1, "expected KIND SERIAL GROUP UNIT, found 3 fields"}},
      {"andon 10001 01 02 03\n", {1, "expected KIND SERIAL GROUP UNIT, found 5 fields"}},
      {"# c\n\nlamp 1 01 01\n",
       {3, "unknown kind 'lamp': use andon, marquee, numeric, stacklight, tune or headend"}},
      {"Andon 1 01 01",
       {1,
        "unknown kind 'Andon': use andon, marquee, numeric, stacklight, tune "
        "or headend"}},
      {"andon 100000 01 01", {1, "serial number '100000' is not a number from 0 to 99999"}},
      {"andon 000001 01 01", {1, "serial number '000001' is not a number from 0 to 99999"}},
      {"andon -1 01 01", {1, "serial number '-1' is not a number from 0 to 99999"}},
      {"andon 1x 01 01", {1, "serial number '1x' is not a number from 0 to 99999"}},
      {"andon 1 1 01", {1, "group '1' is not two digits"}},
      {"andon 1 001 01", {1, "group '001' is not two digits"}},
      {"andon 1 01 ab", {1, "unit 'ab' is not two digits"}},
      {"andon 1 00 00", {1, "group 00 with unit 00 is the address of every device, not of one"}},
      {"andon 1 01 01\n# c\nmarquee 00001 01 02", {3, "serial number 1 is already on line 1"}},
  };
  for (const auto& [text, error] : cases) {
    const auto result = Parse(text);
    ASSERT_TRUE(std::holds_alternative<DevicesError>(result)) << text;
    EXPECT_EQ(std::get<DevicesError>(result), error) << text;
  }
}

TEST(DevicesFile, DefaultBusHasOneDeviceOfEachKindAtItsDocumentedPlace) {
  const std::vector<DeviceEntry> bus = DefaultBus();
  ASSERT_EQ(bus.size(), std::size(kDeviceKinds));
  for (std::size_t i = 0; i < bus.size(); ++i) {
    const std::string unit = "0" + std::to_string(i + 1);
    EXPECT_EQ(bus[i], (DeviceEntry{kDeviceKinds[i], 10001 + static_cast<int>(i), "01", unit}));
  }
}

}  // namespace
}  // namespace tvx::sim
