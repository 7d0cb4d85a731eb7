#include "console/command_runner.h"

#include <algorithm>
#include <cctype>

#include "console/console.h"
#include "console/texts.h"
#include "window/operator_events.h"
#include "window/timer.h"

namespace tvx::console {

using Outcome = CommandOutcome;

namespace {

constexpr int kTickMs = 100;
// The longest command, the andon grid, ends on its 156th tick.
constexpr int kMaxTicks = 200;

// Links that take every piece and keep it; the socket is connected when TCP is asked for.
class RecordingSerial : public window::MSComm {
 public:
  int CommPort() const override { return port_; }
  void SetCommPort(int port) override { port_ = port; }
  std::string Settings() const override { return settings_; }
  void SetSettings(const std::string& settings) override { settings_ = settings; }
  bool PortOpen() const override { return open_; }
  bool SetPortOpen(bool open) override {
    open_ = open;
    return true;
  }
  bool Output(const std::string& piece) override {
    pieces.push_back(piece);
    return true;
  }
  std::vector<std::string> pieces;

 private:
  int port_ = 1;
  std::string settings_;
  bool open_ = false;
};

class RecordingSocket : public window::Winsock {
 public:
  int State() const override { return state; }
  void Close() override { state = window::kSckClosed; }
  void SetProtocol(int) override {}
  int LocalPort() const override { return 0; }
  void SetLocalPort(int) override {}
  std::string RemoteHost() const override { return {}; }
  void SetRemoteHost(const std::string&) override {}
  int RemotePort() const override { return 0; }
  void SetRemotePort(int) override {}
  std::string RemoteHostIP() const override { return {}; }
  void Connect(const std::string&, int) override {}
  bool SendData(const std::string& piece) override {
    pieces.push_back(piece);
    return true;
  }
  int state = window::kSckClosed;
  std::vector<std::string> pieces;
};

// The whole console on recording links in virtual time, loaded as at start-up.
struct OffscreenConsole {
  explicit OffscreenConsole(protocol::Link link) {
    for (window::Timer* t : {w.Timer1, w.Timer3, w.Timer4}) clock.Attach(*t);
    console.Load();
    clock.Advance(kTickMs);  // the start-up port switch settles
    if (link == protocol::Link::Tcp) socket.state = window::kSckConnected;
  }
  std::vector<std::string>& Pieces() {
    return socket.state == window::kSckConnected ? socket.pieces : serial.pieces;
  }
  // Enters the section whose button shows caption (any case); its caption, or nothing.
  std::optional<std::string> Enter(const std::string& caption) {
    for (window::Button* b : w.SectionButtons()) {
      if (!b->on_click || !SameLetters(b->Caption(), caption)) continue;
      b->on_click();  // the service sections' buttons may be hidden; the section is not
      return b->Caption();
    }
    return std::nullopt;
  }
  static bool SameLetters(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) ==
             std::tolower(static_cast<unsigned char>(y));
    });
  }

  RecordingSerial serial;
  RecordingSocket socket;
  window::FrmMain w{serial, socket};
  Console console{w};
  window::VirtualClock clock;
};

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

std::string FieldNames(const std::vector<CommandField>& fields) {
  std::vector<std::string> names;
  for (const CommandField& f : fields) names.push_back(f.name);
  return names.empty() ? "none" : Join(names);
}

// Fills one field as the operator would; what is wrong with the value, or nothing.
std::optional<std::string> Fill(const CommandField& field, const std::string& value) {
  if (field.box) {
    if (field.Limit() > 0 && static_cast<int>(value.size()) > field.Limit()) {
      return "field '" + field.name + "' takes at most " + std::to_string(field.Limit()) +
             " characters, not " + std::to_string(value.size());
    }
    window::OperatorType(*field.box, value);
    return std::nullopt;
  }
  const auto values = field.Values();
  const auto wanted = std::find_if(values.begin(), values.end(), [&](const std::string& v) {
    return OffscreenConsole::SameLetters(v, value);
  });
  if (wanted == values.end()) {
    return "field '" + field.name + "' takes " + Join(values) + ", not '" + value + "'";
  }
  if (field.Value() == *wanted) return std::nullopt;
  if (*wanted == kNoChoice) {
    // A second click on the chosen button clears the choice.
    for (window::Control* c : field.choices) {
      if (ShortCaption(c->Caption()) == field.Value()) window::OperatorClick(*c);
    }
  } else {
    window::OperatorClick(*field.choices[wanted - values.begin()]);
  }
  return std::nullopt;
}

Outcome BadUsage(std::string message) {
  Outcome outcome;
  outcome.kind = Outcome::kBadUsage;
  outcome.message = std::move(message);
  return outcome;
}

}  // namespace

const std::vector<std::string>& CommandNames() {
  static const std::vector<std::string> names = [] {
    OffscreenConsole c(protocol::Link::Serial);
    std::vector<std::string> captions;
    for (window::Button* b : c.w.SectionButtons()) {
      if (b->on_click) captions.push_back(b->Caption());
    }
    return captions;
  }();
  return names;
}

std::string CommandCaption(const std::string& command) {
  for (const std::string& name : CommandNames()) {
    if (OffscreenConsole::SameLetters(name, command)) return name;
  }
  return {};
}

std::optional<std::vector<FieldDefault>> CommandDefaults(const std::string& command) {
  OffscreenConsole c(protocol::Link::Serial);
  const auto caption = c.Enter(command);
  if (!caption) return std::nullopt;
  std::vector<FieldDefault> defaults;
  const auto fields = *FieldsOf(c.w, *caption);
  for (const CommandField& f : fields) {
    defaults.push_back(
        {f.name, f.Value(), f.Limit(), f.box ? std::vector<std::string>{} : f.Values()});
  }
  return defaults;
}

Outcome RunCommand(const CommandRequest& request) {
  OffscreenConsole c(request.link);
  const auto caption = c.Enter(request.command);
  if (!caption) {
    return BadUsage("unknown command '" + request.command + "'; commands: " + Join(CommandNames()));
  }
  const auto fields = *FieldsOf(c.w, *caption);
  std::vector<std::string> given;
  auto find = [&fields](const std::string& name) {
    return std::find_if(fields.begin(), fields.end(),
                        [&name](const CommandField& f) { return f.name == name; });
  };
  for (const auto& [name, value] : request.fields) {
    const auto field = find(name);
    if (field == fields.end()) {
      return BadUsage(*caption + " has no field '" + name + "'; its fields: " + FieldNames(fields));
    }
    if (std::find(given.begin(), given.end(), name) != given.end()) {
      return BadUsage("field '" + name + "' is given twice");
    }
    given.push_back(name);
    if (auto wrong = Fill(*field, value)) return BadUsage(*wrong);
  }
  // Choices that exclude each other: what was asked must be what the window holds.
  for (const auto& [name, value] : request.fields) {
    const auto field = find(name);
    if (!field->box && !OffscreenConsole::SameLetters(field->Value(), value)) {
      return BadUsage("field '" + name + "' cannot be " + value +
                      " together with the other fields given");
    }
  }
  if (request.layout) andon::ApplyLayout(c.w, *request.layout);

  window::OperatorClick(*c.w.SendButton);
  const std::int64_t start = c.clock.Now();
  Outcome outcome;
  for (int tick = 0; tick < kMaxTicks && c.w.Timer1->Running(); ++tick) {
    c.clock.Advance(kTickMs);
    for (std::string& piece : c.Pieces()) {
      outcome.pieces.push_back({c.clock.Now() - start - kTickMs, std::move(piece)});
    }
    c.Pieces().clear();
  }
  outcome.done_ms = std::max<std::int64_t>(0, c.clock.Now() - start - kTickMs);
  outcome.message = c.w.StatusText->Text();
  outcome.packet_text = c.w.PacketText->Text();
  // The grid may send nothing and still complete; a failed address check stops it at Send.
  if (outcome.pieces.empty() && (!c.w.flags.AndonFlag || !c.w.SendFlag)) {
    outcome.kind = Outcome::kRefused;
    // AC2 without row or column sends nothing and says nothing in the window.
    if (outcome.message.rfind(texts::kErrorPrefix, 0) != 0 &&
        outcome.message != texts::kNoCommandInput) {
      outcome.message = *caption + " needs both row and column; nothing was sent";
    }
  }
  return outcome;
}

}  // namespace tvx::console
