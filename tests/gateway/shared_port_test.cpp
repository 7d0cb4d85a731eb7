#include "gateway/shared_port.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/gateway/gateway_fixture.h"

// Consoles on the shared port, in virtual time: their packets in the one queue with the
// broker's requests, what is never written, and a sender that floods the port.
namespace tvx::testing {
namespace {

std::string Num(const std::string& number) {
  return "\x02"
         "0102\x1bNUM" +
         number + "N1A\x04";
}

class SharedPortTest : public GatewayTest {
 protected:
  // Bytes as a source's read brings them, through a decoder of its own.
  void Console(const std::string& source, const std::string& bytes, bool closed = false) {
    auto& decoder = decoders[source];
    const auto sink = [&](protocol::DecodedItem&& item) {
      gw->ConsoleItem(source, std::move(item));
    };
    decoder.Feed(bytes, sink);
    if (closed) decoder.Finish(sink);
  }
  void Mqtt(const std::string& id, const std::string& number) {
    Request(
        RequestJson(id, "NUM", "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"" + number + "\"}"));
  }
  // What reached the bus, one word per write: the number of a NUM, "?" otherwise.
  std::string Bus() const {
    std::string out;
    for (const auto& w : link.writes) {
      const auto at = w.bytes.find("NUM");
      out += (out.empty() ? "" : " ") +
             (at == std::string::npos ? "?"
                                      : w.bytes.substr(at + 3, w.bytes.find('N', at + 3) - at - 3));
    }
    return out;
  }
  // B/sent, parsed.
  std::vector<gateway::JsonValue> Sent() const {
    std::vector<gateway::JsonValue> out;
    for (const auto& m : On("sent"))
      out.push_back(std::get<gateway::JsonValue>(gateway::ParseJson(m.payload)));
    return out;
  }
  std::map<std::string, protocol::Decoder> decoders;
};

TEST(SharedPortItems, WholePacketsAndBytesBetweenGoOutAndCutOffPacketsDoNot) {
  const std::string big(protocol::kMaxItemBytes + 10, 'x');
  struct Case {
    std::string bytes;
    std::vector<bool> goes;  // per decoded item
  } cases[] = {
      {Num("12"), {true}},
      {"\x02"
       "0102\x1bZZZ\x04",
       {true}},          // framed, though no command the decoder knows
      {"\r\n", {true}},  // between packets
      {"\x02"
       "0102\x1bNUM" +
           Num("5"),
       {false, true}},  // cut off by a new STX
      {"\x02"
       "0102\x1bNU",
       {false}},                                                 // cut off by the end
      {"\x02" + big + "\x04" + Num("6"), {false, false, true}},  // too long, and its rest
  };
  for (const auto& c : cases) {
    const auto items = protocol::Decode(c.bytes);
    ASSERT_EQ(items.size(), c.goes.size()) << protocol::Decode(c.bytes).size();
    for (std::size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(gateway::RefusalOf(items[i]).empty(), c.goes[i]) << i << " of " << c.bytes.size();
    }
  }
}

TEST_F(SharedPortTest, ConsolePacketsJoinTheQueueInArrivalOrderWithRequestsOnePerPace) {
  Start();
  Advance(1000);
  Console("tcp:4001#1", Num("1") + Num("2"));   // one read: the first at once, the second queued
  EXPECT_FALSE(gw->ConsoleMore("tcp:4001#1"));  // not read while its packet waits
  Advance(10);
  Mqtt("m1", "3");
  Console("/tmp/pty", Num("4"));
  Advance(10);
  Mqtt("m2", "5");
  Advance(1000);
  EXPECT_EQ(Bus(), "1 2 3 4 5");
  std::vector<std::int64_t> at;
  for (const auto& w : link.writes) at.push_back(w.at_ms);
  EXPECT_EQ(at, (std::vector<std::int64_t>{1000, 1100, 1200, 1300, 1400}));
  EXPECT_TRUE(gw->ConsoleMore("tcp:4001#1"));
  EXPECT_EQ(ResultOf("m1") + ResultOf("m2"), "writtenwritten");
  EXPECT_EQ(Answers().size(), 2u);  // nobody waits for an answer to a console's packet
  // Each write journaled with its source; B/sent says it too.
  std::vector<std::string> sources;
  for (const auto& e : journal.entries) sources.push_back(e.source);
  EXPECT_EQ(sources,
            (std::vector<std::string>{"tcp:4001#1", "tcp:4001#1", "mqtt", "/tmp/pty", "mqtt"}));
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(Member(sent[3], "source"), "/tmp/pty");
  EXPECT_EQ(Member(sent[3], "outcome"), "written");
  EXPECT_EQ(Member(sent[3], "id"), "");
}

TEST_F(SharedPortTest, ACutOffPacketIsNeverWrittenAndIsReportedWithItsSource) {
  Start();
  Console("tcp:4001#2",
          "junk" +
              std::string("\x02"
                          "0102\x1bNUM") +
              Num("8") +
              "\x02"
              "01",
          true);
  Advance(1000);
  EXPECT_EQ(Bus(), "? 8");  // the bytes before, the whole packet; neither cut-off one
  EXPECT_EQ(link.writes[0].bytes, "junk");
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 4u);
  const std::string reasons[] = {"", "packet cut off by a new STX", "",
                                 "packet cut off at the end of the input"};
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(Member(sent[i], "source"), "tcp:4001#2");
    EXPECT_EQ(Member(sent[i], "outcome"), reasons[i].empty() ? "written" : "not written") << i;
    EXPECT_EQ(Member(sent[i], "error").rfind(reasons[i], 0), 0u) << Member(sent[i], "error");
  }
  EXPECT_EQ(Member(sent[1], "bytes"), "9");  // the cut packet's bytes, shown, not sent
  ASSERT_EQ(journal.entries.size(), 4u);
  EXPECT_FALSE(journal.entries[3].written);
  EXPECT_EQ(journal.entries[3].source, "tcp:4001#2");
}

TEST_F(SharedPortTest, AFloodingConsoleTakesItsTurnAndRequestsKeepTheirPace) {
  Start();
  // A sender whose every read holds packets, cut-off ones and stray bytes: it is read again
  // only when what it had has gone, as the edge does.
  std::string burst;
  for (int i = 0; i < 20; ++i)
    burst += Num("9") +
             "\x02"
             "01" +
             "zz";
  std::size_t reads = 0;
  gw->OnConsoleResume([&](const std::string& source) {
    if (source == "tcp:4001#7" && reads < 50) {
      ++reads;
      Console(source, burst);
    }
  });
  Console("tcp:4001#7", burst);
  std::size_t most_waiting = 0;
  for (int i = 0; i < 20; ++i) {
    Mqtt("r" + std::to_string(i), std::to_string(100 + i));
    for (int t = 0; t < 20; ++t) {
      Advance(10);
      most_waiting = std::max(most_waiting, gw->Queued());
    }
  }
  Advance(300);
  for (int i = 0; i < 20; ++i) {
    const auto answers = Answers();
    const auto& a = answers[static_cast<std::size_t>(i)];
    EXPECT_EQ(Member(a, "result"), "written");
    // At most one of the flood's units ahead of it: written within two paces.
    const auto received = Member(a, "received");
    const auto written = Member(a, "written");
    EXPECT_LE(std::stoi(written.substr(20, 3)) + 1000 * std::stoi(written.substr(17, 2)) -
                  std::stoi(received.substr(20, 3)) - 1000 * std::stoi(received.substr(17, 2)),
              200)
        << received << " " << written;
  }
  EXPECT_LE(most_waiting, 2u);  // the flood's one unit and a request
  // Every unit whole: packets and stray bytes, never a cut-off packet's bytes.
  for (const auto& w : link.writes) {
    EXPECT_TRUE(w.bytes == "zz" || w.bytes.back() == '\x04') << w.bytes;
  }
  // Refusals are told one per pace, not as fast as garbage comes.
  std::size_t refused = 0;
  for (const auto& s : Sent()) refused += Member(s, "outcome") == "not written";
  EXPECT_LE(refused, 4000u / 100 + 1);
  EXPECT_GT(refused, 0u);
}

TEST_F(SharedPortTest, AConsolesUnitWaitsForRoomExpiresAndStopsLikeARequest) {
  auto options = DefaultOptions();
  options.queue = 1;
  options.max_age_s = 2;
  Start(options, false);
  Mqtt("full", "1");
  Console("tcp:4001#1", Num("2"));  // no room: it waits here, not lost
  EXPECT_FALSE(gw->ConsoleMore("tcp:4001#1"));
  gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
  Advance(500);
  EXPECT_EQ(Bus(), "1 2");
  // A link that stays down: the unit expires with --max-age and is reported.
  gw->LinkChanged({false, "refused", "127.0.0.1:4001", 0});
  Console("tcp:4001#1", Num("3"));
  Advance(2500);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_NE(Member(sent[2], "error").find("--max-age of 2 s"), std::string::npos);
  // A stop: what waits is reported, never written.
  Console("tcp:4001#1", Num("4") + Num("5"));
  gw->Stop();
  sent = Sent();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(Member(sent[3], "error"), "the gateway stopped before it was written");
  EXPECT_EQ(Member(sent[3], "bytes"), std::to_string(Num("4").size()));
  EXPECT_EQ(Member(sent[4], "bytes"), std::to_string(Num("5").size()));
  EXPECT_EQ(Bus(), "1 2");
}

TEST_F(SharedPortTest, TheStatusCountsConnectedConsolesOnlyWithASharedPort) {
  Start();
  Advance(200);
  EXPECT_EQ(On("status").back().payload.find("consoles"), std::string::npos);
  gw->ConsolesConnected(0);
  Advance(100);
  EXPECT_NE(On("status").back().payload.find("\"consoles\":0"), std::string::npos);
  gw->ConsolesConnected(3);
  gw->ConsolesConnected(2);
  Advance(100);
  EXPECT_NE(On("status").back().payload.find("\"consoles\":2"), std::string::npos);
}

}  // namespace
}  // namespace tvx::testing
