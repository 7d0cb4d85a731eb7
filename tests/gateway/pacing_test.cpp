#include <gtest/gtest.h>

#include "tests/gateway/gateway_fixture.h"

// The one queue and its pace, in virtual time: when each unit reaches the bus.
namespace tvx::testing {
namespace {

const std::string kRow = "R . . RYS . . . . . . . . . . . . . . . . . . . . G";
const std::string kDots = ". . . . . . . . . . . . . . . . . . . . . . . . .";

class Pacing : public GatewayTest {
 protected:
  void Num(const std::string& id, const std::string& number = "1") {
    Request(
        RequestJson(id, "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"" + number + "\"}"));
  }
  // A grid of `cells` set cells in row 1: that many positions.
  void Grid(const std::string& id, int cells) {
    std::string row;
    for (int i = 0; i < 25; ++i) row += (i ? " " : "") + std::string(i < cells ? "R" : ".");
    Request("{\"id\":\"" + id +
            "\",\"command\":\"AC1\",\"fields\":{\"group\":\"01\",\"unit\":"
            "\"02\"},\"grid\":[\"" +
            row + "\",\"" + kDots + "\",\"" + kDots + "\",\"" + kDots + "\",\"" + kDots + "\",\"" +
            kDots + "\"]}");
  }
  std::vector<std::int64_t> Times() const {
    std::vector<std::int64_t> at;
    for (const auto& w : link.writes) at.push_back(w.at_ms);
    return at;
  }
  // Which request each write belongs to, by the order of the answers' bytes.
  std::string Commands() const {
    std::string out;
    for (const auto& w : link.writes) {
      out += (out.empty() ? "" : " ") +
             std::string(w.bytes.find("NUM") != std::string::npos ? "NUM" : "AC1");
    }
    return out;
  }
};

TEST_F(Pacing, AnIdleGatewayWritesAtOnceAndABusyOneOncePerPace) {
  Start();
  Advance(1000);
  Num("a");  // idle: at once
  Advance(30);
  Num("b");  // within a's pace: at its end
  Advance(220);
  Num("c");  // idle again
  Advance(10);
  Num("d");
  Num("e");
  Advance(1000);
  EXPECT_EQ(Times(), (std::vector<std::int64_t>{1000, 1100, 1250, 1350, 1450}));
  EXPECT_EQ(ResultOf("a") + ResultOf("b") + ResultOf("e"), "writtenwrittenwritten");
}

TEST_F(Pacing, TheQueueFollowsTheGivenPace) {
  auto options = DefaultOptions();
  options.pace_ms = 10;
  Start(options);
  for (int i = 0; i < 100; ++i) Num("n" + std::to_string(i), std::to_string(i));
  Advance(2000);
  ASSERT_EQ(link.writes.size(), 100u);
  for (std::size_t i = 1; i < link.writes.size(); ++i) {
    EXPECT_EQ(link.writes[i].at_ms - link.writes[i - 1].at_ms, 10) << i;
    // Arrival order.
    EXPECT_NE(link.writes[i].bytes.find("NUM" + std::to_string(i)), std::string::npos) << i;
  }
}

TEST_F(Pacing, RequestsGoOutBetweenAGridsPositionsAndEachUnitIsWhole) {
  Start();
  Grid("grid", 3);
  Advance(50);
  Num("n1");
  Num("n2");
  Advance(1000);
  EXPECT_EQ(Commands(), "AC1 NUM AC1 NUM AC1");
  EXPECT_EQ(Times(), (std::vector<std::int64_t>{0, 100, 200, 300, 400}));
  for (const auto& w : link.writes) {
    EXPECT_EQ(w.bytes.front(), '\x02');
    EXPECT_EQ(w.bytes.back(), '\x04');
  }
  // The grid is answered once its last position is out, after the requests between them.
  std::string order;
  for (const auto& a : Answers()) order += Member(a, "id") + " ";
  EXPECT_EQ(order, "n1 n2 grid ");
  EXPECT_EQ(Member(LastAnswer(), "result"), "written");
}

TEST_F(Pacing, ASecondGridWaitsForTheFirstAndWhatCameAfterItWaitsItsTurn) {
  Start();
  Grid("g1", 2);
  Grid("g2", 2);
  Num("n");
  Advance(1000);
  // g2 is first in the queue: n does not pass it.
  EXPECT_EQ(Commands(), "AC1 AC1 AC1 NUM AC1");
  EXPECT_EQ(ResultOf("g1") + " " + ResultOf("g2") + " " + ResultOf("n"), "written written written");
}

TEST_F(Pacing, WhileTheLinkIsDownRequestsWaitBoundedByTheirExpiry) {
  auto options = DefaultOptions();
  options.max_age_s = 2;
  Start(options, /*link_up=*/false);
  Num("aged");
  Request(RequestJson("mqtt-expiry", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"2\"}"),
          false, 1);
  Request(RequestJson("expires", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"3\"}",
                      ",\"expires\":\"2026-12-08T12:00:01.500Z\""));
  Request(RequestJson("stale", "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"4\"}",
                      ",\"expires\":\"2026-12-08T11:00:00Z\""));
  EXPECT_EQ(ResultOf("stale"), "expired");  // at once
  Advance(1200);
  EXPECT_EQ(ResultOf("mqtt-expiry"), "expired");
  EXPECT_EQ(ResultOf("expires"), "");
  Advance(400);
  EXPECT_EQ(ResultOf("expires"), "expired");
  Num("fresh");
  Advance(500);
  EXPECT_EQ(ResultOf("aged"), "expired");
  EXPECT_TRUE(link.writes.empty());
  gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
  EXPECT_EQ(link.writes.size(), 1u);  // at once
  EXPECT_EQ(ResultOf("fresh"), "written");
  const auto answers = Answers();
  for (const auto& a : answers) {
    if (Member(a, "id") == "aged") {
      EXPECT_NE(Member(a, "error").find("--max-age of 2 s"), std::string::npos);
    }
  }
}

TEST_F(Pacing, AFullQueueAnswersBusyAndTheStatusCountsWhatWaits) {
  auto options = DefaultOptions();
  options.queue = 2;
  Start(options, false);
  Num("q1");
  Num("q2");
  Num("q3");
  EXPECT_EQ(ResultOf("q3"), "busy");
  Advance(100);
  const auto status = On("status");
  ASSERT_FALSE(status.empty());
  EXPECT_NE(status.back().payload.find("\"queue\":2"), std::string::npos) << status.back().payload;
  gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
  Advance(300);
  EXPECT_EQ(ResultOf("q1") + ResultOf("q2"), "writtenwritten");
  // Busy is no answer to keep: the same id may come again.
  Num("q3");
  Advance(100);
  EXPECT_EQ(ResultOf("q3"), "busy,written");
  EXPECT_NE(On("status").back().payload.find("\"queue\":0"), std::string::npos);
}

TEST_F(Pacing, AFailedWriteSaysWhyAndHowManyBytesWent) {
  Start();
  link.failures.push_back({false, "Connection reset by peer", 3});
  Num("cut");
  Advance(100);
  Num("next");
  const auto answers = Answers();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(Member(answers[0], "result"), "failed");
  EXPECT_EQ(Member(answers[0], "error"), "Connection reset by peer");
  EXPECT_EQ(Member(answers[0], "bytes"), "3");
  EXPECT_EQ(Member(answers[1], "result"), "written");
  ASSERT_EQ(journal.entries.size(), 2u);
  EXPECT_FALSE(journal.entries[0].written);
  EXPECT_EQ(journal.entries[0].error, "Connection reset by peer");
  EXPECT_EQ(journal.entries[0].Bytes().size(), 3u);
}

TEST_F(Pacing, AGridCutByTheLinkGoingDownIsFailedWithWhatWent) {
  Start();
  Grid("grid", 4);
  Advance(150);
  gw->LinkChanged({false, "Connection refused", "127.0.0.1:4001", 0});
  ASSERT_EQ(link.writes.size(), 2u);
  const auto a = LastAnswer();
  EXPECT_EQ(Member(a, "result"), "failed");
  EXPECT_EQ(Member(a, "bytes"),
            std::to_string(link.writes[0].bytes.size() + link.writes[1].bytes.size()));
  EXPECT_NE(Member(a, "error").find("Connection refused"), std::string::npos);
  ASSERT_EQ(journal.entries.size(), 1u);
  ASSERT_TRUE(journal.entries[0].andon);
  EXPECT_FALSE(journal.entries[0].andon->completed);
  EXPECT_EQ(journal.entries[0].andon->sent, 2);
}

TEST_F(Pacing, ALinkThatFailsFromInsideAWriteEndsTheGridAfterTheWrite) {
  Start();
  Grid("grid", 3);
  link.during_write = [this] { gw->LinkChanged({false, "Broken pipe", "127.0.0.1:4001", 0}); };
  Advance(100);  // the second position's write reports the link down
  Num("after");
  Advance(1000);
  ASSERT_EQ(link.writes.size(), 2u);
  EXPECT_EQ(ResultOf("grid"), "failed");
  EXPECT_EQ(Member(Answers()[0], "bytes"),
            std::to_string(link.writes[0].bytes.size() + link.writes[1].bytes.size()));
  EXPECT_EQ(ResultOf("after"), "");  // waits for the link
  gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
  EXPECT_EQ(ResultOf("after"), "written");
}

}  // namespace
}  // namespace tvx::testing
