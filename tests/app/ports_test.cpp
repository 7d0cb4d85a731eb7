#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <sstream>

#include "app/port_settings.h"
#include "app/view/ports_dialog.h"
#include "tests/support/harness.h"

// Ports by name: the dialog lists what the machine has and follows devices coming and going;
// assignments are remembered per user, --comm overrides them for one run, and a change of the
// selected port's device goes through the port manager's own switch.
namespace tvx::testing {
namespace {

links::PortInfo Usb(const std::string& location, const std::string& serial) {
  return {location, "USB serial", "FTDI", serial, {"/dev/serial/by-id/usb-FTDI_" + serial}};
}

TEST(PortsDialog, ListsDevicesAndFollowsHotPlug) {
  std::vector<links::PortInfo> machine = {Usb("/dev/ttyUSB0", "A1")};
  app::PortsDialog dialog([&machine] { return machine; }, {{2, "/dev/ttyUSB0"}});
  EXPECT_EQ(dialog.ListedPorts(), 1);
  auto* comm1 = dialog.findChild<QComboBox*>("PortBox1");
  ASSERT_NE(comm1, nullptr);
  EXPECT_GE(comm1->findText("/dev/serial/by-id/usb-FTDI_A1"), 0);
  comm1->setEditText("/dev/typed-path");
  machine.push_back(Usb("/dev/ttyUSB1", "B2"));  // plugged in
  dialog.Poll();
  EXPECT_EQ(dialog.ListedPorts(), 2);
  EXPECT_GE(comm1->findText("/dev/ttyUSB1"), 0);
  EXPECT_EQ(dialog.Assignments(),
            (std::map<int, std::string>{{1, "/dev/typed-path"}, {2, "/dev/ttyUSB0"}}));
  machine.clear();  // pulled out
  dialog.Poll();
  EXPECT_EQ(dialog.ListedPorts(), 0);
}

TEST(PortSettings, RememberedPerUserOverriddenByCommAndCorruptFilesIgnored) {
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
  std::ostringstream warnings;
  EXPECT_TRUE(app::LoadPortAssignments(warnings).empty());
  ASSERT_TRUE(app::SavePortAssignments({{1, "/dev/ttyUSB0"}, {3, "/dev/serial/by-id/x"}}));
  const auto remembered = app::LoadPortAssignments(warnings);
  EXPECT_EQ(remembered,
            (std::map<int, std::string>{{1, "/dev/ttyUSB0"}, {3, "/dev/serial/by-id/x"}}));
  EXPECT_EQ(app::MergedPorts(remembered, {{1, "/tmp/pty"}}),
            (std::map<int, std::string>{{1, "/tmp/pty"}, {3, "/dev/serial/by-id/x"}}));
  EXPECT_EQ(warnings.str(), "");

  QFile file(home.filePath("TVXORM/tvxorm.conf"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write("[ports\n\x01\x02 = = =\n[[[");
  file.close();
  EXPECT_TRUE(app::LoadPortAssignments(warnings).empty());
  EXPECT_NE(warnings.str().find("cannot be read"), std::string::npos) << warnings.str();
  qunsetenv("XDG_CONFIG_HOME");
}

TEST(PortSettings, ANewDeviceForTheSelectedPortSwitchesThroughThePortManager) {
  Harness h;
  links::PortNames names;
  h.Advance(10);
  h.serial.events.clear();
  app::ApplyPortAssignments(h.w, names, {{2, "/dev/ttyUSB1"}});  // another port: no switch
  h.Advance(10);
  EXPECT_TRUE(h.serial.events.empty());
  EXPECT_EQ(names.Device(2), "/dev/ttyUSB1");
  app::ApplyPortAssignments(h.w, names, {{1, "/dev/ttyUSB0"}});  // the selected one
  h.Advance(10);
  EXPECT_EQ(h.serial.events, (std::vector<std::string>{"close 1", "open 1"}));
  EXPECT_TRUE(h.serial.PortOpen());
  EXPECT_NE(h.w.StatusText->Text(), "") << "the port manager's own message";
  EXPECT_EQ(names.Device(1), "/dev/ttyUSB0");
  EXPECT_EQ(names.Device(2), links::PortNames::DefaultDevice(2)) << "unassigned: the default";
}

}  // namespace
}  // namespace tvx::testing
