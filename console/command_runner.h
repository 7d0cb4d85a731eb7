#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "andon/layout.h"
#include "console/command_fields.h"
#include "console/presets.h"
#include "protocol/link.h"

// One command without the window: the console's own section is entered, its fields are
// filled in as the operator would, Send is pressed and the dispatcher runs in virtual time
// on a link that records what it is given. So every check, refusal, padding, packet and status
// line is the console's own.
namespace tvx::console {

struct CommandRequest {
  std::string command;  // the section button's caption, any case
  std::vector<std::pair<std::string, std::string>> fields;  // name, value (console characters)
  protocol::Link link = protocol::Link::Serial;
  std::optional<andon::GridLayout> layout = std::nullopt;  // AC1's grid
  // Applied first, as the window applies it, in place of command; fields then change it as
  // the operator's typing would.
  std::optional<Preset> preset = std::nullopt;
};

struct TimedPiece {
  std::int64_t at_ms;  // after the first dispatcher tick
  std::string bytes;
};

struct [[nodiscard]] CommandOutcome {
  enum Kind { kSent, kBadUsage, kRefused } kind = kSent;
  std::string message;      // the status line, the refusal, or what is wrong with the request
  std::string packet_text;  // what the packet box shows
  std::vector<TimedPiece> pieces;
  std::string reaches;       // who the pieces reach: "group 01 unit 02"; empty when none went out
  std::int64_t done_ms = 0;  // when the command ended, on the same clock as the pieces
};

// A field given that the command's packets do not carry (Boot's serial, SS#'s group, NUM's
// row without a column) is bad usage, and the message says who the command reaches.
CommandOutcome RunCommand(const CommandRequest& request);

// The commands by their captions, in the order of the window's section buttons (the
// catalogue's).
const std::vector<std::string>& CommandNames();
// The caption of a command named in any case ("misc" is "Misc"); empty when there is none.
std::string CommandCaption(const std::string& command);

struct FieldDefault {
  std::string name;
  std::string value;                // as the section leaves it when entered
  int limit = 0;                    // characters; 0 for none, and for a choice
  std::vector<std::string> values;  // what a choice accepts; empty for a text field
};
// The fields of a command as its section sets them when it is entered. Nothing for an
// unknown command.
std::optional<std::vector<FieldDefault>> CommandDefaults(const std::string& command);

}  // namespace tvx::console
