#include "console/command_runner.h"

#include <algorithm>

#include "console/field_filling.h"
#include "console/offscreen_console.h"
#include "console/presets.h"
#include "console/texts.h"
#include "window/operator_events.h"

namespace tvx::console {

using Outcome = CommandOutcome;

namespace {

constexpr int kTickMs = OffscreenConsole::kTickMs;
// The longest command, the andon grid, ends on its 156th tick.
constexpr int kMaxTicks = 200;

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
    if (SameLetters(name, command)) return name;
  }
  return {};
}

std::optional<std::vector<FieldDefault>> CommandDefaults(const std::string& command) {
  OffscreenConsole c(protocol::Link::Serial);
  const auto caption = EnterSection(c.w, command);
  if (!caption) return std::nullopt;
  std::vector<FieldDefault> defaults;
  const auto fields = *FieldsOf(c.w, *caption);
  defaults.reserve(fields.size());
  for (const CommandField& f : fields) {
    defaults.push_back(
        {f.name, f.Value(), f.Limit(), f.box ? std::vector<std::string>{} : f.Values()});
  }
  return defaults;
}

Outcome RunCommand(const CommandRequest& request) {
  OffscreenConsole c(request.link);
  std::optional<std::string> caption;
  if (request.preset) {
    // The preset enters its section; the fields given then change it as typing would.
    if (auto wrong = ApplyPreset(c.w, *request.preset)) return BadUsage(*wrong);
    caption = CommandCaption(request.preset->command);
  } else {
    caption = EnterSection(c.w, request.command);
  }
  if (!caption) {
    return BadUsage("unknown command '" + request.command + "'; commands: " + Join(CommandNames()));
  }
  if (auto wrong = FillFields(c.w, *caption, request.fields)) return BadUsage(*wrong);
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
