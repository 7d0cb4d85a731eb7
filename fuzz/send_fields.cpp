// The arguments of `tvxorm send`, always with --dry-run: whatever they are, the command
// answers with one of its exit statuses, writes nothing, and a success prints its two lines,
// never with an empty packet.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/send_command.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args{"--dry-run"};
  std::string arg;
  for (std::size_t i = 0; i < size && args.size() < 40; ++i) {
    if (data[i] == '\n') {
      args.push_back(arg);
      arg.clear();
    } else {
      arg += static_cast<char>(data[i]);
    }
  }
  if (!arg.empty()) args.push_back(arg);
  // The grid's layout file would be read from the disk; the fuzzer stays off it.
  for (const std::string& a : args) {
    if (a.find("layout") != std::string::npos) return 0;
  }
  std::ostringstream out, err;
  const int code = tvx::app::RunSend(args, out, err);
  if (code != tvx::app::kSendOk && code != tvx::app::kSendBadUsage &&
      code != tvx::app::kSendRefused) {
    std::abort();
  }
  const std::string printed = out.str();
  const bool help = printed.rfind("Usage:", 0) == 0 || printed.rfind("Fields of", 0) == 0;
  if (code == tvx::app::kSendOk && !help &&
      (printed.rfind("packet: ", 0) != 0 || printed.find("\nhex: ") == std::string::npos ||
       printed.ends_with("\nhex: \n"))) {
    std::abort();
  }
  if (code != tvx::app::kSendOk && !printed.empty()) std::abort();
  return 0;
}
