#include "app/options.h"

#include "app/arg_reader.h"
#include "links/port_names.h"

namespace tvx::app {

std::variant<Options, OptionsError> ParseOptions(const std::vector<std::string>& args) {
  Options options;
  for (ArgReader r(args); !r.Done(); r.Next()) {
    const std::string& arg = r.Arg();
    auto value = [&r](const std::string& name, std::string& out) { return r.Value(name, out); };
    auto is = [&r](const std::string& name) { return r.Is(name); };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--headless") {
      options.headless = true;
    } else if (is("--script")) {
      if (!value("--script", options.script) || options.script.empty()) {
        return OptionsError{"--script needs a file name"};
      }
    } else if (is("--screenshot")) {
      if (!value("--screenshot", options.screenshot) || options.screenshot.empty()) {
        return OptionsError{"--screenshot needs a file name"};
      }
    } else if (is("--click")) {
      std::string name;
      if (!value("--click", name) || name.empty())
        return OptionsError{"--click needs a control name"};
      options.clicks.push_back(name);
    } else if (std::string error; TakeJournalOption(r, options.journal, error)) {
      if (!error.empty()) return OptionsError{error};
    } else if (is("--comm")) {
      std::string text;
      if (!value("--comm", text)) return OptionsError{"--comm needs k=DEVICE"};
      const auto parsed = links::ParseCommOption(text);
      if (!parsed) {
        return OptionsError{"--comm takes k=DEVICE with k from 1 to 4, not '" + text + "'"};
      }
      options.comm[parsed->first] = parsed->second;
    } else {
      return OptionsError{"unknown option '" + arg + "'"};
    }
  }
  // The window reads no script: it would open and leave the script unrun.
  if (!options.script.empty() && !options.headless && !options.help && !options.version) {
    return OptionsError{"--script needs --headless"};
  }
  return options;
}

std::string HelpText() {
  return R"(Usage: tvxorm [options]
       tvxorm send [--tcp HOST:PORT | --serial DEVICE] [--dry-run] COMMAND [FIELD=VALUE]...
       tvxorm decode [--json] [TOKEN_TEXT... | --hex HEX | --file FILE | -]
       tvxorm sim [--listen PORT]... [--pty PATH]... [--serial DEVICE]... [--headless] ...
       tvxorm journal [FILE] [--since TIME] [--command CODE] [--address GGUU] [--csv]

Operator and service console for the signalling devices of one device bus.

Without --headless the console opens its window.

Commands (no window, no display needed):
  send                Send one command as the console would; 'tvxorm send --help' and
                      'tvxorm send --help COMMAND' list commands and fields.
  decode              Read packets (token text, hexadecimal or a raw capture) and say what
                      each one tells which device.
  sim                 A bus of simulated devices listening where the console writes: what
                      each device was told ('tvxorm sim --help').
  journal             Print the journal of what was sent, oldest first, filtered by
                      --since, --command and --address; --csv for a spreadsheet.

Options:
  --headless          Run without a window, driven by a console script.
  --script FILE       With --headless: read the script from FILE (default: standard input).
  --comm k=DEVICE     Use DEVICE for Comm k (k = 1 to 4), for example --comm 1=/dev/ttyUSB0.
                      Repeat for several ports. Default: in the window, as assigned in
                      Ports...; else COMk on Windows, /dev/ttyS<k-1> elsewhere.
  --screenshot FILE   Window: write a PNG of the window to FILE and quit.
  --click NAME        Window, with --screenshot: click control NAME first (repeatable);
                      a dialog it opens (PortsButton) is the picture.
  --journal FILE      Journal every packet sent to FILE instead of the user's journal
                      (~/.local/state/tvxorm/journal.jsonl); send takes it too.
  --no-journal        Journal nothing; send takes it too.
  --version           Print the version and exit.
  -h, --help          Print this help and exit.

Console scripts (one line each): click NAME | dblclick NAME | type NAME TEXT |
key NAME KEY [SHIFT] | caret NAME N | wait MS | print NAME [PROPERTY]. See the README.
)";
}

}  // namespace tvx::app
