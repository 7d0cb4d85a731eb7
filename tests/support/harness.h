#pragma once

#include <sstream>
#include <string>

#include "console/console.h"
#include "console/script.h"
#include "tests/support/fake_comm.h"
#include "window/main_window.h"
#include "window/timer.h"

namespace tvx::testing {

// The whole console on test doubles in virtual time.
class Harness {
 public:
  // Ports that exist are decided before the window loads (the probe runs at load).
  explicit Harness(std::set<int> existing = {1, 2, 3, 4}, bool load = true);

  void Load() { console.Load(); }
  // Runs script lines; returns what they print. A line that cannot run fails the test.
  std::string Run(const std::string& script);
  void Advance(std::int64_t ms) { clock.Advance(ms); }

  FakeSerial serial;
  FakeSocket socket;
  window::FrmMain w{serial, socket};
  console::Console console{w};
  window::VirtualClock clock;
  // What the script verbs save-grid and load-grid reach; none unless a test gives some.
  andon::GridFiles* grid_files = nullptr;
};

// Bytes with every byte outside printable ASCII as its token, for readable output.
std::string Shown(const std::string& bytes);

}  // namespace tvx::testing
