#include "gateway/json.h"

#include <gtest/gtest.h>

#include <variant>

#include "gateway/iso_time.h"

namespace tvx::testing {
namespace {

using gateway::JsonValue;

TEST(GatewayTimes, AreReadWithTheirOffsetAndWrittenInUtcWithMilliseconds) {
  struct Case {
    std::string text;
    std::string utc;  // "" when it is no time
  };
  const std::vector<Case> cases = {
      {"2026-12-08T12:00:00.000Z", "2026-12-08T12:00:00.000Z"},
      {"2026-12-08T12:00:00Z", "2026-12-08T12:00:00.000Z"},
      {"2026-12-08T12:00:00.5Z", "2026-12-08T12:00:00.500Z"},
      {"2026-12-08T12:00:00.123456Z", "2026-12-08T12:00:00.123Z"},
      {"2026-12-08T13:30:00+01:30", "2026-12-08T12:00:00.000Z"},
      {"2026-12-08T07:00:00-0500", "2026-12-08T12:00:00.000Z"},
      {"2026-12-31T23:59:59.999-01:00", "2027-01-01T00:59:59.999Z"},
      {"2024-02-29T00:00:00Z", "2024-02-29T00:00:00.000Z"},
      {"1969-12-31T23:59:59.999Z", "1969-12-31T23:59:59.999Z"},
      {"2025-02-29T00:00:00Z", ""},
      {"2026-12-08T24:00:00Z", ""},
      {"2026-12-08T12:00:00", ""},  // local time: no moment
      {"2026-12-08 12:00:00Z", ""},
      {"2026-12-08T12:00:00.Z", ""},
      {"2026-12-08T12:00:00+1:00", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    const auto at = gateway::ParseIsoTime(c.text);
    EXPECT_EQ(at ? gateway::IsoUtc(*at) : "", c.utc) << c.text;
  }
}

TEST(GatewayJson, WhatIsWrittenReadsBackTheSame) {
  const std::string awkward = std::string("quote\" back\\ tab\t nl\n bell\x07 caf\xc3\xa9 ", 28);
  const std::string text = gateway::JsonObject()
                               .Add("s", awkward)
                               .Add("n", std::int64_t{-42})
                               .Add("b", true)
                               .AddNull("z")
                               .AddRaw("o", "{\"a\":[1,2]}")
                               .Text();
  const auto parsed = gateway::ParseJson(text);
  const auto* v = std::get_if<JsonValue>(&parsed);
  ASSERT_NE(v, nullptr) << text;
  EXPECT_EQ(v->Find("s")->text, awkward);
  EXPECT_EQ(v->Find("n")->text, "-42");
  EXPECT_TRUE(v->Find("b")->boolean);
  EXPECT_EQ(v->Find("z")->type, JsonValue::Type::kNull);
  EXPECT_EQ(v->Find("o")->Find("a")->items.size(), 2u);
  EXPECT_EQ(gateway::Latin1ToUtf8("caf\xe9"), "caf\xc3\xa9");
}

TEST(GatewayJson, MembersJoinAnObjectBeforeItsEnd) {
  EXPECT_EQ(gateway::WithMembers("{\"a\":1}", "\"b\":2"), "{\"a\":1,\"b\":2}");
  EXPECT_EQ(gateway::WithMembers("{}", "\"b\":2"), "{\"b\":2}");
  EXPECT_EQ(gateway::WithMembers("{\"a\":\"}\"}", "\"b\":2"), "{\"a\":\"}\",\"b\":2}");
}

TEST(GatewayJson, NestingAtTheLimitIsReadAndOneDeeperIsNot) {
  const std::string at_limit = std::string(16, '[') + std::string(16, ']');
  const std::string deeper = "[" + at_limit + "]";
  EXPECT_TRUE(std::holds_alternative<JsonValue>(gateway::ParseJson(at_limit)));
  EXPECT_TRUE(std::holds_alternative<gateway::JsonError>(gateway::ParseJson(deeper)));
  // Far deeper costs no stack: the reader stops at the limit.
  EXPECT_TRUE(std::holds_alternative<gateway::JsonError>(
      gateway::ParseJson(std::string(30000, '[') + std::string(30000, ']'))));
}

}  // namespace
}  // namespace tvx::testing
