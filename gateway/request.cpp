#include "gateway/request.h"

#include <algorithm>
#include <sstream>

#include "console/send_checks.h"
#include "gateway/iso_time.h"
#include "gateway/json.h"
#include "protocol/catalogue.h"
#include "protocol/printable_text.h"

namespace tvx::gateway {

namespace {

using Type = JsonValue::Type;

// Printable: no C0 or C1 control character, no DEL. The text is valid UTF-8 already.
std::optional<std::string> IdProblem(const std::string& id) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < id.size(); ++i) {
    const auto b = static_cast<unsigned char>(id[i]);
    if ((b & 0xC0) != 0x80) ++characters;
    const bool c1 = b == 0xC2 && i + 1 < id.size() && static_cast<unsigned char>(id[i + 1]) < 0xA0;
    if (b < 0x20 || b == 0x7F || c1) return std::string("holds a control character");
  }
  if (characters == 0) return std::string("is empty");
  if (characters > kMaxIdCharacters) return std::string("is longer than 128 characters");
  return std::nullopt;
}

std::optional<std::string> ReadFields(const JsonValue& fields, Request& r) {
  if (fields.type != Type::kObject) return std::string("\"fields\" must be an object");
  for (const auto& [name, value] : fields.members) {
    // A number is taken as its decimal text, as written.
    const bool plain_number =
        value.type == Type::kNumber && value.text.find_first_of("eE") == std::string::npos;
    if (value.type == Type::kString || plain_number) {
      r.fields.emplace_back(name, value.text);
    } else if (value.type == Type::kNumber) {
      return "field '" + name + "': write the number " + value.text + " as its decimal digits";
    } else {
      return "field '" + name + "' must be a string or a number";
    }
  }
  return std::nullopt;
}

// Six strings in the grid file's notation, read by the grid file's own reader.
std::optional<std::string> ReadGrid(const JsonValue& grid, Request& r) {
  const std::string shape = "\"grid\" must be six strings, one row of 25 cells each";
  if (grid.type != Type::kArray || grid.items.size() != protocol::kAndonRows) return shape;
  std::string text = std::string(andon::kLayoutHeader) + "\n";
  for (std::size_t row = 0; row < grid.items.size(); ++row) {
    const JsonValue& line = grid.items[row];
    if (line.type != Type::kString) return shape;
    // A line break or comment would move the file's rows against the array's.
    if (line.text.find_first_of("\r\n#") != std::string::npos) {
      return "grid row " + std::to_string(row + 1) +
             ": cells are '.', B, R, Y, G or a flash "
             "code such as RYS, separated by blanks";
    }
    if (line.text.find_first_not_of(" \t") == std::string::npos)
      return "grid row " + std::to_string(row + 1) + " has 0 cells, not 25";
    text += line.text + "\n";
  }
  std::istringstream in(text);
  auto parsed = andon::ParseLayout(in);
  if (auto* e = std::get_if<andon::LayoutError>(&parsed)) {
    if (e->message.rfind("row ", 0) == 0) return "grid " + e->message;
    return "grid" + (e->line > 1 ? " row " + std::to_string(e->line - 1) : std::string()) + ": " +
           e->message;
  }
  r.grid = std::get<andon::GridLayout>(parsed);
  return std::nullopt;
}

std::optional<std::string> ReadBody(const JsonValue& doc, Request& r) {
  for (const auto& [name, value] : doc.members) {
    if (name == "id") continue;
    if (name == "command") {
      if (value.type != Type::kString || value.text.empty())
        return std::string("\"command\" must be a command's name, such as \"NUM\"");
      r.command = value.text;
    } else if (name == "fields") {
      if (auto wrong = ReadFields(value, r)) return wrong;
    } else if (name == "grid") {
      if (auto wrong = ReadGrid(value, r)) return wrong;
    } else if (name == "expires") {
      const auto at = value.type == Type::kString ? ParseIsoTime(value.text) : std::nullopt;
      if (!at)
        return std::string("\"expires\" must be a time such as \"2026-12-08T12:00:00.000Z\"");
      r.expires_utc_ms = at;
    } else {
      return "unknown member '" + name + "'; a request has id, command, fields, grid, expires";
    }
  }
  if (r.command.empty()) return std::string("no \"command\"");
  return std::nullopt;
}

}  // namespace

std::variant<Request, RequestError> ParseRequest(std::string_view payload) {
  auto parsed = ParseJson(payload);
  if (auto* e = std::get_if<JsonError>(&parsed)) return RequestError{std::nullopt, e->message};
  const JsonValue& doc = std::get<JsonValue>(parsed);
  if (doc.type != Type::kObject) return RequestError{std::nullopt, "a request is a JSON object"};
  const JsonValue* id = doc.Find("id");
  if (!id) return RequestError{std::nullopt, "no \"id\""};
  if (id->type != Type::kString) {
    return RequestError{std::nullopt, "\"id\" must be a string of 1 to 128 printable characters"};
  }
  if (auto wrong = IdProblem(id->text)) return RequestError{std::nullopt, "\"id\" " + *wrong};
  Request r;
  r.id = id->text;
  if (auto wrong = ReadBody(doc, r)) return RequestError{r.id, *wrong};
  return r;
}

std::variant<Prepared, Refusal> Prepare(const Request& request, protocol::Link link) {
  const bool grid =
      console::CommandCaption(request.command) == protocol::NameOf(protocol::Command::kAC1);
  if (grid && !request.grid)
    return Refusal{true, "AC1 sends a grid: give \"grid\", six rows of 25 cells"};
  if (!grid && request.grid) return Refusal{true, "\"grid\" is for AC1 only"};
  console::CommandRequest run;
  run.command = request.command;
  run.link = link;
  run.layout = request.grid;
  for (const auto& [name, value] : request.fields) {
    if (auto wrong = console::ForeignCharacterProblem(name, value)) return Refusal{true, *wrong};
    run.fields.emplace_back(name, protocol::ToConsoleText(value));
  }
  Prepared p;
  p.outcome = console::RunCommand(run);
  const std::string message = Latin1ToUtf8(p.outcome.message);
  if (p.outcome.kind == console::CommandOutcome::kBadUsage) return Refusal{true, message};
  if (p.outcome.kind == console::CommandOutcome::kRefused) return Refusal{false, message};
  if (auto wrong = console::MiscPacketProblem(request.command, p.outcome.packet_text))
    return Refusal{true, *wrong};
  for (std::size_t i = 0; i < p.outcome.pieces.size(); ++i) {
    const console::TimedPiece& piece = p.outcome.pieces[i];
    if (i == 0 || piece.at_ms != p.outcome.pieces[i - 1].at_ms) p.units.emplace_back();
    p.units.back() += piece.bytes;
  }
  if (p.units.empty()) return Refusal{true, "the packet is empty: nothing to send"};
  if (grid) {
    int cells = 0;
    for (const std::string& unit : p.units)
      cells += static_cast<int>(std::count(unit.begin(), unit.end(), '\x04'));
    p.tally = console::AndonTally{0, cells, false};
  }
  return p;
}

std::optional<Deadline> EarliestDeadline(std::int64_t received_utc_ms, std::int64_t max_age_s,
                                         std::optional<std::int64_t> expiry_seconds,
                                         std::optional<std::int64_t> expires_utc_ms) {
  std::optional<Deadline> earliest;
  auto limit = [&earliest](std::int64_t at, std::string why) {
    if (!earliest || at < earliest->at_utc_ms) earliest = Deadline{at, std::move(why)};
  };
  if (max_age_s > 0) {
    limit(received_utc_ms + max_age_s * 1000,
          "it waited longer than the gateway's --max-age of " + std::to_string(max_age_s) + " s");
  }
  if (expiry_seconds) {
    limit(received_utc_ms + *expiry_seconds * 1000,
          "its Message Expiry Interval passed before its turn");
  }
  if (expires_utc_ms) {
    limit(*expires_utc_ms,
          "its \"expires\" time " + IsoUtc(*expires_utc_ms) + " passed before its turn");
  }
  return earliest;
}

InterruptedRequest ReadInterrupted(std::string_view payload, std::size_t writing_unit,
                                   protocol::Link link) {
  InterruptedRequest r;
  auto parsed = ParseRequest(payload);
  const auto* request = std::get_if<Request>(&parsed);
  if (!request) return r;
  r.id = request->id;
  auto prepared = Prepare(*request, link);
  if (const auto* p = std::get_if<Prepared>(&prepared)) {
    for (const std::string& unit : p->units) r.bytes += unit;
    if (p->units.size() > 1) r.positions = writing_unit;
  }
  return r;
}

}  // namespace tvx::gateway
