#include "app/command_help.h"

#include <algorithm>

#include "protocol/catalogue.h"

namespace tvx::app {

namespace {

std::string Limits(const protocol::FieldListing& f) {
  switch (f.kind) {
    case protocol::FieldKind::kFile:
      return std::string(f.note);
    case protocol::FieldKind::kChoice: {
      std::string values;
      for (const std::string& v : f.choices) values += (values.empty() ? "" : " | ") + v;
      if (f.may_choose_none) values += std::string(" | ") + protocol::kNoChoice;
      return values + "; default: " + f.initial;
    }
    case protocol::FieldKind::kText:
      break;
  }
  return (f.limit > 0 ? "up to " + std::to_string(f.limit) + " characters" : "text, no limit") +
         "; default: " + (f.initial.empty() ? "empty" : f.initial);
}

// Where a field lands when the packet calls it otherwise, and when it goes out at all.
std::string Carriage(const protocol::FieldListing& f) {
  std::string text;
  if (f.place == protocol::Place::kField && f.packet_field != f.name) {
    text += "; sent as " + f.packet_field;
  }
  if (!f.carried.field.empty()) text += "; sent " + std::string(f.carried.text);
  return text;
}

}  // namespace

std::string CommandHelp(const std::string& command) {
  const protocol::CommandListing* listing = protocol::FindCommand(command);
  if (!listing) return {};
  std::string text =
      "Fields of " + listing->name + " (FIELD=VALUE; a field not given keeps its default):\n";
  for (const protocol::FieldListing& f : listing->fields) {
    std::string padded = "  " + f.name;
    padded.resize(std::max<std::size_t>(padded.size() + 1, 20), ' ');
    text += padded + Limits(f) + Carriage(f) + "\n";
  }
  if (listing->fields.empty()) text += "  (none)\n";
  text += listing->name + ": " + listing->summary + "\n";
  text += "reaches: " + protocol::ReachSummary(listing->command) + "\n";
  return text;
}

}  // namespace tvx::app
