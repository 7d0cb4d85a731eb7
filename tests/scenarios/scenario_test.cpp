#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/harness.h"

// Each NAME.tvx under this folder is a console script run in virtual time on the test
// doubles; NAME.out holds what it must print, followed by every piece that reached a link.
// Lines "#! ports 1 3" and "#! busy 2" set up the serial double before the window loads;
// "#! connects" makes every connect attempt succeed at once.
namespace tvx::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::set<int> Numbers(std::istringstream& words) {
  std::set<int> out;
  for (int n; words >> n;) out.insert(n);
  return out;
}

std::string RunScenario(const std::string& script) {
  std::set<int> existing{1, 2, 3, 4}, busy;
  std::istringstream lines(script);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string mark, what;
    words >> mark >> what;
    if (mark != "#!") continue;
    if (what == "ports") existing = Numbers(words);
    if (what == "busy") busy = Numbers(words);
  }
  Harness h(existing, false);
  h.serial.busy = busy;
  if (script.find("#! connects") != std::string::npos)
    h.socket.state_after_connect = window::kSckConnected;
  h.Load();
  std::ostringstream out, err;
  std::istringstream in(script);
  console::ScriptInterpreter interpreter(h.w, out);
  const int code = console::RunScript(interpreter, h.clock, in, err);
  out << "exit " << code << "\n" << err.str();
  for (const auto& piece : h.serial.pieces) {
    out << "serial " << piece.port << ": " << Shown(piece.bytes) << "\n";
  }
  for (const auto& piece : h.socket.pieces) out << "tcp: " << Shown(piece) << "\n";
  return out.str();
}

std::vector<std::string> ScenarioNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(TVX_SCENARIO_DIR)) {
    if (entry.path().extension() == ".tvx") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// One test per script, so each shows in the test list on its own.
class Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Scenario, PrintsWhatItsExpectedOutputSays) {
  const fs::path script = fs::path(TVX_SCENARIO_DIR) / (GetParam() + ".tvx");
  const fs::path expected = fs::path(TVX_SCENARIO_DIR) / (GetParam() + ".out");
  const std::string actual = RunScenario(ReadFile(script));
  if (std::getenv("TVX_UPDATE_SCENARIOS")) {
    std::ofstream(expected, std::ios::binary) << actual;  // for a reviewed change of behaviour
  }
  ASSERT_TRUE(fs::exists(expected)) << expected;
  EXPECT_EQ(actual, ReadFile(expected));
}

// A script written on Windows ends its lines with CR LF: it must run exactly as the LF one.
TEST_P(Scenario, RunsTheSameWithWindowsLineEnds) {
  const std::string script = ReadFile(fs::path(TVX_SCENARIO_DIR) / (GetParam() + ".tvx"));
  std::string crlf;
  for (const char c : script) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ASSERT_NE(crlf, script);
  EXPECT_EQ(RunScenario(crlf), RunScenario(script));
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Scenario, ::testing::ValuesIn(ScenarioNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

TEST(Scenarios, ThereAreScenarios) {
  EXPECT_FALSE(ScenarioNames().empty());
}

}  // namespace
}  // namespace tvx::testing
