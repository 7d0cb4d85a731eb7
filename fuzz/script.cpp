// Console scripts on the test doubles in virtual time: a print always yields exactly one line,
// and nothing reaches a link unless a click or key that sends came first.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support/harness.h"

namespace {

// Files are not the fuzzer's to write or read: a script line may name any path.
bool TouchesFiles(const std::string& line) {
  const auto start = line.find_first_not_of(" \t");
  if (start == std::string::npos) return false;
  const std::string verb = line.substr(start, 9);
  return verb == "save-grid" || verb == "load-grid";
}

bool Sends(const std::string& line) {
  std::istringstream words(line);
  std::string verb, name, key;
  words >> verb >> name >> key;
  if (verb == "click" || verb == "dblclick") return name == "SendButton";
  return verb == "key" && (key == "F1" || key == "112");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tvx::testing::Harness h;
  std::ostringstream out;
  tvx::console::ScriptInterpreter interpreter(h.w, out);
  std::istringstream script(std::string(reinterpret_cast<const char*>(data), size));
  bool sent = false;
  int lines = 0;
  for (std::string line; std::getline(script, line) && ++lines <= 200;) {
    if (TouchesFiles(line)) continue;
    const std::size_t before = out.str().size();
    const auto outcome = interpreter.Execute(line);
    if (outcome.kind == tvx::console::ScriptInterpreter::Outcome::kError) break;
    if (outcome.kind == tvx::console::ScriptInterpreter::Outcome::kWait)
      h.clock.Advance(outcome.wait_ms);
    const std::string printed = out.str().substr(before);
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "print") {
      if (printed.empty() || printed.find('\n') != printed.size() - 1) std::abort();
    } else if (!printed.empty()) {
      std::abort();
    }
    sent = sent || Sends(line);
    if (!sent && (!h.serial.pieces.empty() || !h.socket.pieces.empty())) std::abort();
  }
  return 0;
}
