#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

#include "app/journal_recorder.h"

namespace tvx::app {

struct Options {
  bool help = false;
  bool version = false;
  bool headless = false;
  std::string script;               // empty: standard input
  std::map<int, std::string> comm;  // port number -> device, from --comm k=DEVICE
  std::string screenshot;           // window: write a PNG here after the clicks, then quit
  std::vector<std::string> clicks;  // window: controls clicked after start-up, from --click
  JournalOptions journal;           // --journal FILE, --no-journal
};

struct OptionsError {
  std::string message;
};

// Parses the arguments after the program name.
[[nodiscard]] std::variant<Options, OptionsError> ParseOptions(
    const std::vector<std::string>& args);

std::string HelpText();

}  // namespace tvx::app
