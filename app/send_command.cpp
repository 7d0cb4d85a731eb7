#include "app/send_command.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <sstream>

#include "andon/grid_file.h"
#include "andon/layout.h"
#include "app/arg_reader.h"
#include "app/command_help.h"
#include "app/files.h"
#include "app/host_port.h"
#include "app/journal_recorder.h"
#include "app/preset_file.h"
#include "app/stop_signals.h"
#include "app/transmit.h"
#include "console/command_runner.h"
#include "console/send_checks.h"
#include "links/link_status.h"
#include "protocol/catalogue.h"
#include "protocol/display.h"
#include "protocol/printable_text.h"

namespace tvx::app {

namespace {

constexpr const char* kLayoutField = protocol::fields::kLayout;

bool IsGrid(const std::string& command) {
  return console::CommandCaption(command) == protocol::NameOf(protocol::Command::kAC1);
}

struct SendArgs {
  bool help = false;
  bool dry_run = false;
  std::string serial;
  std::string host;
  int port = 0;
  console::CommandRequest request;
  std::string preset;
  std::vector<std::pair<std::string, std::string>> fields;  // as given: UTF-8
  std::string layout_file;
  JournalOptions journal;
};

struct Usage {
  std::string message;
};

std::optional<std::string> ParseHostPort(const std::string& text, SendArgs& a) {
  auto parsed = tvx::app::ParseHostPort(text, "--tcp");
  if (auto* wrong = std::get_if<std::string>(&parsed)) return *wrong;
  a.host = std::get<HostPort>(parsed).host;
  a.port = std::get<HostPort>(parsed).port;
  return std::nullopt;
}

std::optional<std::string> Parse(const std::vector<std::string>& args, SendArgs& a) {
  bool have_command = false;
  for (ArgReader r(args); !r.Done(); r.Next()) {
    const std::string arg = r.Arg();
    auto value = [&r](const std::string& name, std::string& into) { return r.Value(name, into); };
    auto is = [&r](const std::string& name) { return r.Is(name); };
    if (!have_command && (arg == "--help" || arg == "-h")) {
      a.help = true;
    } else if (!have_command && arg == "--dry-run") {
      a.dry_run = true;
    } else if (!have_command && is("--tcp")) {
      std::string text;
      if (!value("--tcp", text)) return std::string("--tcp needs HOST:PORT");
      if (!a.serial.empty() || !a.host.empty())
        return std::string("give one link: --tcp or --serial, once");
      if (auto wrong = ParseHostPort(text, a)) return wrong;
    } else if (!have_command && is("--serial")) {
      if (!value("--serial", a.serial) || a.serial.empty())
        return std::string("--serial needs a device");
      if (!a.host.empty()) return std::string("give one link: --tcp or --serial, once");
    } else if (std::string error; TakeJournalOption(r, a.journal, error)) {
      if (!error.empty()) return error;
    } else if (!have_command && is("--preset")) {
      if (!a.preset.empty()) return std::string("give --preset once");
      if (!value("--preset", a.preset) || a.preset.empty())
        return std::string("--preset needs a NAME");
    } else if (!have_command && arg.rfind("--", 0) == 0) {
      return "unknown option '" + arg + "'";
    } else if (!have_command && a.preset.empty()) {
      a.request.command = arg;
      have_command = true;
    } else {
      have_command = true;  // a preset stands for the command: the fields follow
      const auto equals = arg.find('=');
      if (equals == std::string::npos || equals == 0)
        return "expected FIELD=VALUE, not '" + arg + "'";
      a.fields.emplace_back(arg.substr(0, equals), arg.substr(equals + 1));
    }
  }
  if (!have_command && !a.help && a.preset.empty()) return std::string("no COMMAND given");
  a.request.link = a.host.empty() ? protocol::Link::Serial : protocol::Link::Tcp;
  return std::nullopt;
}

// The fields given become the request's; AC1's layout=FILE names its grid file instead.
std::optional<std::string> TakeFields(SendArgs& a) {
  const bool grid = IsGrid(a.request.command);
  for (const auto& [name, value] : a.fields) {
    if (name == kLayoutField && grid) {
      if (!a.layout_file.empty()) return std::string("field 'layout' is given twice");
      a.layout_file = value;
    } else if (auto wrong = console::ForeignCharacterProblem(name, value)) {
      return wrong;
    } else {
      a.request.fields.emplace_back(name, protocol::ToConsoleText(value));
    }
  }
  return std::nullopt;
}

// The grid file under the rules the window's "Load grid..." applies.
std::optional<std::string> TakeLayout(SendArgs& a) {
  const InputFile file = ReadInputFile(a.layout_file, andon::kMaxGridFileBytes);
  if (!file.refusal.empty()) {
    return "cannot read layout file " + Quoted(a.layout_file) + ": " + file.refusal;
  }
  std::istringstream in(file.text);
  const auto parsed = andon::ParseLayout(in);
  if (const auto* e = std::get_if<andon::LayoutError>(&parsed)) {
    // The message quotes the file, which may hold anything: one bounded, printable line.
    constexpr std::size_t kMaxShown = 200;
    return Quoted(a.layout_file) + (e->line > 0 ? ":" + std::to_string(e->line) : "") + ": " +
           protocol::TokenText(std::string_view(e->message).substr(0, kMaxShown)) +
           (e->message.size() > kMaxShown ? "..." : "");
  }
  a.request.layout = std::get<andon::GridLayout>(parsed);
  return std::nullopt;
}

// The named preset becomes the request's start, its command the request's.
std::optional<std::string> TakePreset(SendArgs& a, std::ostream& err) {
  const std::string path = PresetFilePath();
  const console::PresetStore presets = LoadPresets(path, err);
  const console::Preset* preset = presets.Find(a.preset);
  if (!preset) {
    std::vector<std::string> names;
    for (const console::Preset& p : presets.All()) names.push_back("'" + p.name + "'");
    return "no preset '" + a.preset + "' in " + path +
           (names.empty() ? "" : "; its presets: " + console::Join(names));
  }
  a.request.preset = *preset;
  a.request.command = preset->command;
  return std::nullopt;
}

// Transmits with every piece journaled. An entry whose link failed says why in the link's own
// words; one whose link never opened still records what was to be sent. A grid stopped by a
// signal part way is an entry of the cells that went out, not completed. The entry ended, if
// one, is left in entry.
TransmitResult TransmitJournaled(const SendArgs& a, const console::CommandOutcome& outcome,
                                 std::ostream& err, const StopSignals* stop,
                                 console::JournalEntry& entry) {
  const protocol::Link link = a.request.link;
  const std::string where = a.host.empty() ? a.serial : a.host + ":" + std::to_string(a.port);
  JournalRecorder recorder(
      a.journal, [&where](protocol::Link) { return where; }, {},
      [&err](const std::string& warning) { err << "tvxorm send: " << warning << "\n"; });
  console::Journal& journal = recorder.Journal();
  journal.AddListener([&entry](const console::JournalEntry& ended) { entry = ended; });
  const TransmitResult sent = a.host.empty() ? TransmitSerial(a.serial, outcome, &journal, stop)
                                             : TransmitTcp(a.host, a.port, outcome, &journal, stop);
  // A stop is no failure of the link: what went out before it was written, and when nothing
  // did, there is nothing to journal.
  if (sent.stopped && !journal.Open()) return sent;
  if (!sent.ok && !journal.Open()) {
    for (const console::TimedPiece& piece : outcome.pieces)
      journal.Written(link, piece.bytes, false);
  }
  if (!sent.ok && !sent.stopped) journal.Fail(sent.error);
  std::optional<console::AndonTally> tally;
  if (IsGrid(a.request.command)) {
    int cells = 0;
    for (const console::TimedPiece& piece : outcome.pieces) {
      cells += static_cast<int>(std::count(piece.bytes.begin(), piece.bytes.end(), '\x04'));
    }
    tally = console::AndonTally{0, cells, sent.ok};
  }
  journal.End(sent.ok ? outcome.message : "tvxorm send: " + sent.error, tally);
  return sent;
}

// What only prints (the help, --dry-run) has failed when its output did not arrive. A stream
// that failed at a write has errno from it still: nothing since has touched the system.
int Printed(std::ostream& out, std::ostream& err) {
  const std::string why = out ? OutputFailure(out) : SystemReason(errno);
  if (why.empty()) return kSendOk;
  err << "tvxorm send: cannot write the output: " << why << "\n";
  return kSendLinkFailed;
}

std::string Hex(const console::CommandOutcome& outcome) {
  std::string bytes;
  for (const auto& piece : outcome.pieces) bytes += piece.bytes;
  return protocol::HexText(bytes);
}

}  // namespace

std::string SendUsage() {
  std::string commands;
  for (const std::string& name : console::CommandNames())
    commands += (commands.empty() ? "" : " ") + name;
  return "Usage: tvxorm send [--tcp HOST:PORT | --serial DEVICE] [--dry-run] "
         "[--journal FILE | --no-journal] COMMAND [FIELD=VALUE]...\n"
         "       tvxorm send [--tcp HOST:PORT | --serial DEVICE] [--dry-run] "
         "[--journal FILE | --no-journal] --preset NAME [FIELD=VALUE]...\n"
         "       tvxorm send --help COMMAND\n\n"
         "Sends one command as the console would send it with the same fields. A field the\n"
         "command's packet does not carry is refused, with who the command reaches.\n"
         "  --tcp HOST:PORT   connect to HOST:PORT (TCP link rules apply)\n"
         "  --serial DEVICE   write to DEVICE at " +
         links::LineSettings(protocol::kLineSettings) +
         " (serial link rules apply)\n"
         "  --dry-run         write nothing; print the packet, its bytes and who it reaches\n"
         "  --journal FILE    journal what is sent to FILE instead of the user's journal\n"
         "  --no-journal      journal nothing\n"
         "  --preset NAME     start from the preset NAME saved in the window; FIELD=VALUE\n"
         "                    changes its fields (presets file: " +
         PresetFilePath() +
         ")\n"
         "Commands: " +
         commands +
         "\n"
         "Exit status: 0 sent, 1 the link failed (with --dry-run: the output could not be\n"
         "written), 2 bad usage, 3 the command refused its fields.\n";
}

int RunSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const StopSignals* stop) {
  SendArgs a;
  if (auto wrong = Parse(args, a)) {
    err << "tvxorm send: " << *wrong << "\nTry 'tvxorm send --help'.\n";
    return kSendBadUsage;
  }
  if (a.help) {
    if (a.request.command.empty()) {
      out << SendUsage();
      return Printed(out, err);
    }
    const std::string help = CommandHelp(a.request.command);
    if (help.empty()) {
      err << "tvxorm send: unknown command '" << a.request.command << "'\n";
      return kSendBadUsage;
    }
    out << help;
    return Printed(out, err);
  }
  if (!a.dry_run && a.serial.empty() && a.host.empty()) {
    err << "tvxorm send: give --serial DEVICE, --tcp HOST:PORT or --dry-run\n";
    return kSendBadUsage;
  }
  if (!a.preset.empty()) {
    if (auto wrong = TakePreset(a, err)) {
      err << "tvxorm send: " << *wrong << "\n";
      return kSendBadUsage;
    }
  }
  if (auto wrong = TakeFields(a)) {
    err << "tvxorm send: " << *wrong << "\nTry 'tvxorm send --help'.\n";
    return kSendBadUsage;
  }
  const bool grid = IsGrid(a.request.command);
  if (grid && a.layout_file.empty()) {
    err << "tvxorm send: AC1 sends a saved grid: give layout=FILE\n";
    return kSendBadUsage;
  }
  if (grid) {
    if (auto wrong = TakeLayout(a)) {
      err << "tvxorm send: " << *wrong << "\n";
      return kSendBadUsage;
    }
  }

  const console::CommandOutcome outcome = console::RunCommand(a.request);
  if (outcome.kind == console::CommandOutcome::kBadUsage) {
    err << "tvxorm send: " << protocol::PrintableValue(outcome.message) << "\n";
    return kSendBadUsage;
  }
  if (outcome.kind == console::CommandOutcome::kRefused) {
    err << protocol::PrintableValue(outcome.message) << "\n";
    return kSendRefused;
  }
  if (auto wrong = console::MiscPacketProblem(a.request.command, outcome.packet_text)) {
    err << "tvxorm send: " << *wrong << "\n";
    return kSendBadUsage;
  }
  if (Hex(outcome).empty()) {
    err << "tvxorm send: the packet is empty: nothing to send\n";
    return kSendBadUsage;
  }
  if (a.dry_run) {
    out << "packet: " << protocol::PrintableValue(outcome.packet_text) << "\n";
    out << "hex: " << Hex(outcome) << "\n";
    out << "reaches: " << (outcome.reaches.empty() ? "nobody: nothing is sent" : outcome.reaches)
        << "\n";
    return Printed(out, err);
  }
  console::JournalEntry entry;
  const TransmitResult sent = TransmitJournaled(a, outcome, err, stop, entry);
  if (sent.stopped) {
    err << "tvxorm send: " << StopReport(sent.stopped, &entry) << "\n";
    return StopExitStatus(sent.stopped);
  }
  if (!sent.ok) {
    err << "tvxorm send: " << sent.error << "\n";
    return kSendLinkFailed;
  }
  out << protocol::PrintableValue(outcome.message) << "\n";
  // The packet went out and is journaled: the status says so, whatever became of the line.
  if (const std::string why = out ? OutputFailure(out) : SystemReason(errno); !why.empty()) {
    err << "tvxorm send: sent, but the status line could not be written: " << why << "\n";
  }
  return kSendOk;
}

}  // namespace tvx::app
