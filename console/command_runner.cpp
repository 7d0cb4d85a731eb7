#include "console/command_runner.h"

#include <algorithm>

#include "console/field_filling.h"
#include "console/offscreen_console.h"
#include "console/presets.h"
#include "console/texts.h"
#include "protocol/catalogue.h"
#include "protocol/reach.h"
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

bool IsAddressField(const std::string& name) {
  namespace f = protocol::fields;
  return name == f::kGroup || name == f::kUnit || name == f::kSerial;
}

// Sends on a console of its own; `values` receives every field as Send found it.
Outcome Run(const CommandRequest& request, const FieldValues& fields, FieldValues* values) {
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
  if (auto wrong = FillFields(c.w, *caption, fields)) return BadUsage(*wrong);
  if (request.layout) andon::ApplyLayout(c.w, *request.layout);
  if (values) {
    const auto filled = FieldsOf(c.w, *caption);
    for (const CommandField& f : *filled) values->emplace_back(f.name, f.Value());
  }

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
  std::string bytes;
  for (const TimedPiece& piece : outcome.pieces) bytes += piece.bytes;
  outcome.reaches = protocol::ReachesText(bytes);
  return outcome;
}

// Who the packets reach, from the bytes when the command went out, else from the catalogue.
std::string Reaches(const Outcome& outcome, const protocol::CommandListing& listing) {
  return outcome.kind == Outcome::kSent && !outcome.reaches.empty()
             ? outcome.reaches
             : protocol::ReachSummary(listing.command);
}

// The first field given, not empty, that the command's packet leaves out with the other
// fields as they stand (NUM's row without a column, MRQ's serial without auto-centre).
std::optional<std::string> LeftOut(const protocol::CommandListing& listing,
                                   const FieldValues& given, const FieldValues& values) {
  auto value_of = [&values](std::string_view name) {
    for (const auto& [field, value] : values) {
      if (field == name) return value;
    }
    return std::string();
  };
  for (const auto& [name, value] : given) {
    const protocol::CarriedWhen& when = listing.Field(name)->carried;
    if (value.empty() || when.field.empty()) continue;
    const bool holds = SameLetters(value_of(when.field), std::string(when.value));
    if (holds != when.equal) return listing.name + " sends " + name + " " + std::string(when.text);
  }
  return std::nullopt;
}

}  // namespace

const std::vector<std::string>& CommandNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const protocol::CommandListing& listing : protocol::Catalogue())
      all.push_back(listing.name);
    return all;
  }();
  return names;
}

std::string CommandCaption(const std::string& command) {
  const protocol::CommandListing* listing = protocol::FindCommand(command);
  return listing ? listing->name : std::string();
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
  const protocol::CommandListing* listing =
      protocol::FindCommand(request.preset ? request.preset->command : request.command);
  if (!listing) return Run(request, request.fields, nullptr);
  // A field the command's packets have no place for would be dropped without a word; the
  // command runs without it only to say who it reaches instead.
  FieldValues carried;
  std::optional<std::string> unknown;
  for (const auto& field : request.fields) {
    if (listing->Field(field.first)) {
      carried.push_back(field);
    } else if (!unknown) {
      unknown = field.first;
    }
  }
  if (unknown) {
    std::string message = listing->name + " has no field '" + *unknown + "'";
    if (IsAddressField(*unknown)) {
      message += ": it reaches " + Reaches(Run(request, carried, nullptr), *listing);
    }
    return BadUsage(message + "; its fields: " + listing->FieldNames());
  }
  FieldValues values;
  Outcome outcome = Run(request, request.fields, &values);
  if (outcome.kind == Outcome::kBadUsage) return outcome;
  if (auto left_out = LeftOut(*listing, request.fields, values)) {
    return BadUsage(*left_out + ": it reaches " + Reaches(outcome, *listing));
  }
  return outcome;
}

}  // namespace tvx::console
