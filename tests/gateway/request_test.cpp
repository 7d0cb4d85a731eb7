#include "gateway/request.h"

#include <gtest/gtest.h>

#include <variant>

#include "gateway/iso_time.h"
#include "gateway/json.h"

// Requests as integrators write them, good and bad: what is read, and why one is not run.
namespace tvx::testing {
namespace {

using gateway::ParseRequest;
using gateway::Request;
using gateway::RequestError;

const std::string kRow = "R . . RYS . . . . . . . . . . . . . . . . . . . . G";
const std::string kDots = ". . . . . . . . . . . . . . . . . . . . . . . . .";

std::string Grid(const std::vector<std::string>& rows) {
  std::string text = "[";
  for (std::size_t i = 0; i < rows.size(); ++i) text += (i ? ",\"" : "\"") + rows[i] + "\"";
  return text + "]";
}

struct BadRequest {
  std::string payload;
  std::string id;     // "null" when it cannot be read
  std::string error;  // a part of the message
};

TEST(Requests, WhatIsNotARequestIsRefusedWithWhy) {
  const std::string deep = std::string(17, '[') + std::string(17, ']');
  const std::vector<BadRequest> cases = {
      {"", "null", "not JSON: unexpected end"},
      {"{\"id\":\"a\",", "null", "not JSON"},
      {"{\"id\":\"a\"} x", "null", "more after the value"},
      {"[1,2]", "null", "a request is a JSON object"},
      {"{\"command\":\"NUM\"}", "null", "no \"id\""},
      {"{\"id\":42,\"command\":\"NUM\"}", "null", "\"id\" must be a string"},
      {"{\"id\":\"\",\"command\":\"NUM\"}", "null", "\"id\" is empty"},
      {"{\"id\":\"" + std::string(129, 'x') + "\",\"command\":\"NUM\"}", "null", "longer than 128"},
      {"{\"id\":\"a\\nb\",\"command\":\"NUM\"}", "null", "control character"},
      {"{\"id\":\"a\\u0085b\",\"command\":\"NUM\"}", "null", "control character"},
      {"{\"id\":\"a\xff\",\"command\":\"NUM\"}", "null", "not UTF-8"},
      {"{\"id\":\"a\\ud800\",\"command\":\"NUM\"}", "null", "lone surrogate"},
      {"{\"id\":\"m-1\"}", "m-1", "no \"command\""},
      {"{\"id\":\"m-1\",\"command\":7}", "m-1", "\"command\" must be"},
      {"{\"id\":\"m-1\",\"command\":\"NUM\",\"feilds\":{}}", "m-1", "unknown member 'feilds'"},
      {"{\"id\":\"m-1\",\"command\":\"NUM\",\"fields\":[]}", "m-1", "\"fields\" must be an object"},
      {"{\"id\":\"m-1\",\"command\":\"NUM\",\"fields\":{\"number\":true}}", "m-1",
       "field 'number' must be a string or a number"},
      {"{\"id\":\"m-1\",\"command\":\"NUM\",\"fields\":{\"number\":1e3}}", "m-1",
       "write the number 1e3 as its decimal digits"},
      {"{\"id\":\"m-1\",\"command\":\"NUM\",\"expires\":\"tomorrow\"}", "m-1",
       "\"expires\" must be a time"},
      {"{\"id\":\"m-1\",\"command\":\"NUM\",\"expires\":\"2026-02-30T00:00:00Z\"}", "m-1",
       "\"expires\" must be a time"},
      {"{\"id\":\"g\",\"command\":\"AC1\",\"grid\":" + Grid({kRow, kRow}) + "}", "g",
       "\"grid\" must be six strings"},
      {"{\"id\":\"g\",\"command\":\"AC1\",\"grid\":" + Grid({kRow, kRow, kRow, kRow, kRow, "R R"}) +
           "}",
       "g", "grid row 6 has 2 cells, not 25"},
      {"{\"id\":\"g\",\"command\":\"AC1\",\"grid\":" +
           Grid({kRow, "X" + kRow.substr(1), kRow, kRow, kRow, kRow}) + "}",
       "g", "grid row 2: 'X' is not a cell"},
      {"{\"id\":\"g\",\"command\":\"AC1\",\"grid\":" + Grid({kRow, kRow, kRow, kRow, kRow, " "}) +
           "}",
       "g", "grid row 6 has 0 cells"},
      // A line break inside a row would shift the rows the file reader sees.
      {"{\"id\":\"g\",\"command\":\"AC1\",\"grid\":" +
           Grid({kRow + "\\n" + kRow, kRow, kRow, kRow, kRow, kRow}) + "}",
       "g", "grid row 1: cells are"},
      {"{\"id\":\"d\",\"command\":\"NUM\",\"fields\":{\"x\":" + deep + "}}", "null",
       "nested deeper than 16 levels"},
      {"{\"id\":\"big\",\"command\":\"MRQ\",\"fields\":{\"message\":\"" + std::string(70000, 'A') +
           "\"}}",
       "null", "larger than 64 KiB"},
  };
  for (const BadRequest& c : cases) {
    const auto parsed = ParseRequest(c.payload);
    const auto* e = std::get_if<RequestError>(&parsed);
    ASSERT_NE(e, nullptr) << c.payload.substr(0, 200);
    EXPECT_EQ(e->id.value_or("null"), c.id) << c.payload.substr(0, 200);
    EXPECT_NE(e->message.find(c.error), std::string::npos)
        << c.payload.substr(0, 200) << "\n  said: " << e->message;
  }
}

TEST(Requests, NumbersAreTakenAsTheirDecimalTextAndEveryPartIsRead) {
  const auto parsed = ParseRequest(
      "{\"id\":\"mes-000042\",\"command\":\"num\",\"fields\":{\"group\":1,\"unit\":\"02\","
      "\"number\":-12.50,\"message\":\"caf\\u00e9\"},\"expires\":\"2026-12-08T13:00:00.250+01:"
      "00\"}");
  const auto* r = std::get_if<Request>(&parsed);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->id, "mes-000042");
  EXPECT_EQ(r->command, "num");
  const std::vector<std::pair<std::string, std::string>> fields = {
      {"group", "1"}, {"unit", "02"}, {"number", "-12.50"}, {"message", "caf\xc3\xa9"}};
  EXPECT_EQ(r->fields, fields);
  ASSERT_TRUE(r->expires_utc_ms);
  EXPECT_EQ(gateway::IsoUtc(*r->expires_utc_ms), "2026-12-08T12:00:00.250Z");
  EXPECT_FALSE(r->grid);
}

TEST(Requests, AGridIsSixRowsInTheGridFileNotation) {
  const auto parsed = ParseRequest("{\"id\":\"g\",\"command\":\"AC1\",\"grid\":" +
                                   Grid({kRow, kDots, kDots, kDots, kDots, kRow}) + "}");
  const auto* r = std::get_if<Request>(&parsed);
  ASSERT_NE(r, nullptr);
  ASSERT_TRUE(r->grid);
  EXPECT_EQ(r->grid->cells[0][0].shade, protocol::Shade::kRed);
  EXPECT_EQ(r->grid->cells[0][3].flash, "YS");
  EXPECT_EQ(r->grid->cells[5][24].shade, protocol::Shade::kGreen);
  EXPECT_EQ(r->grid->cells[1][0].shade, protocol::Shade::kUnset);
}

struct Prepared {
  std::string command;
  std::vector<std::pair<std::string, std::string>> fields;
  bool grid = false;
  std::string outcome;  // "units N", "invalid: ...", "rejected: ..."
};

std::string Outcome(const std::variant<gateway::Prepared, gateway::Refusal>& p) {
  if (const auto* r = std::get_if<gateway::Refusal>(&p))
    return std::string(r->invalid ? "invalid: " : "rejected: ") + r->text;
  return "units " + std::to_string(std::get<gateway::Prepared>(p).units.size());
}

TEST(Requests, TheConsoleDecidesWhatRunsAndWhatIsRefused) {
  const std::vector<Prepared> cases = {
      {"NUM", {{"group", "01"}, {"unit", "02"}, {"number", "1234"}}, false, "units 1"},
      {"FOO", {}, false, "invalid: unknown command 'FOO'"},
      {"NUM", {{"colour", "red"}}, false, "invalid: "},
      {"NUM", {{"number", "123456789012345"}}, false, "invalid: "},
      {"NUM", {{"message", "\xe6\x97\xa5"}}, false, "invalid: field 'message': character 1"},
      {"AC1", {}, false, "invalid: AC1 sends a grid"},
      {"NUM", {{"number", "1"}}, true, "invalid: \"grid\" is for AC1 only"},
      {"Misc", {{"packet", "<02>01<ZZ>"}}, false, "invalid: field 'packet'"},
      {"AC1", {{"group", "01"}, {"unit", "02"}}, true, "units 3"},
  };
  for (const Prepared& c : cases) {
    Request r;
    r.id = "x";
    r.command = c.command;
    r.fields = c.fields;
    if (c.grid) {
      std::istringstream file(std::string(andon::kLayoutHeader) + "\n" + kRow + "\n" + kDots +
                              "\n" + kDots + "\n" + kDots + "\n" + kDots + "\n" + kDots + "\n");
      r.grid = std::get<andon::GridLayout>(andon::ParseLayout(file));
    }
    const std::string got = Outcome(gateway::Prepare(r, protocol::Link::Tcp));
    EXPECT_EQ(got.substr(0, c.outcome.size()), c.outcome) << c.command << "\n  got: " << got;
  }
}

TEST(Requests, TheConsolesOwnRefusalIsRejectedWithItsLine) {
  Request r;
  r.id = "x";
  r.command = "NUM";
  r.fields = {{"group", "01"}, {"unit", "02"}, {"number", "12a"}};
  const auto p = gateway::Prepare(r, protocol::Link::Serial);
  const console::CommandOutcome console_says =
      console::RunCommand({"NUM", {{"group", "01"}, {"unit", "02"}, {"number", "12a"}}});
  ASSERT_EQ(console_says.kind, console::CommandOutcome::kRefused);
  EXPECT_EQ(Outcome(p), "rejected: " + gateway::Latin1ToUtf8(console_says.message));
}

}  // namespace
}  // namespace tvx::testing
