#include "tests/support/harness.h"

#include <gtest/gtest.h>

#include "protocol/display.h"

namespace tvx::testing {

Harness::Harness(std::set<int> existing, bool load) {
  serial.existing = std::move(existing);
  for (window::Timer* t : {w.Timer1, w.Timer3, w.Timer4}) clock.Attach(*t);
  if (load) Load();
}

std::string Harness::Run(const std::string& script) {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in(script);
  console::ScriptInterpreter interpreter(w, out);
  interpreter.SetGridFiles(grid_files);
  const int code = console::RunScript(interpreter, clock, in, err, console::AtEnd::kStop);
  EXPECT_EQ(code, 0) << err.str();
  return out.str();
}

std::string Shown(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte < 32 || byte >= 127 ? protocol::Token(byte) : std::string(1, c);
  }
  return out;
}

}  // namespace tvx::testing
