#include <gtest/gtest.h>

#include <functional>
#include <variant>

#include "gateway/queue_log.h"
#include "tests/gateway/gateway_fixture.h"
#include "tests/gateway/grid_rows.h"

// The durable queue: what its file keeps, and what a gateway started again on it does. A crash
// is the file's text taken at some moment and a new gateway restored from it.
namespace tvx::testing {
namespace {

using gateway::MqttMessage;
using gateway::QueueLog;

QueueLog ReadOk(const std::string& text, std::int64_t now = kStartUtcMs) {
  auto read = QueueLog::Read(text, now);
  EXPECT_TRUE(std::holds_alternative<QueueLog>(read)) << text;
  return std::holds_alternative<QueueLog>(read) ? std::get<QueueLog>(std::move(read)) : QueueLog{};
}

// The file as the program keeps it: every record appended as it is made; what a power cut
// would leave is text up to synced.
struct FileStore : gateway::QueueStore {
  void Writing(std::uint64_t seq, std::size_t unit, std::size_t bytes_before) override {
    text += log.Writing(seq, unit, bytes_before);
    synced = text.size();
  }
  void Answered(std::uint64_t seq, const std::optional<std::string>& keep_id,
                const std::string& answer, std::int64_t at) override {
    text += log.Answered(seq, keep_id, answer, at);
    synced = text.size();
  }
  void Settle() override { synced = text.size(); }
  QueueLog log;
  std::string text = QueueLog::Header();
  std::size_t synced = 0;
};

class Durable : public GatewayTest {
 protected:
  void StartDurable(gateway::Options options = DefaultOptions(), bool link_up = true) {
    queue = &store;
    Start(std::move(options), link_up);
  }
  // As the program's keeper does on Paho's thread: recorded before the gateway sees it.
  void Arrive(const std::string& payload, bool redelivered = false) {
    MqttMessage m;
    m.topic = gw->Topic("request");
    m.payload = payload;
    m.redelivered = redelivered;
    store.text += store.log.Request(wall.Now().utc_ms, m);
    gw->MessageArrived(m);
  }
  std::string Num(const std::string& id, const std::string& number) {
    return RequestJson(id, "NUM",
                       "{\"group\":\"01\",\"unit\":\"02\",\"number\":\"" + number + "\"}");
  }
  // An AC1 grid with `cells` red cells in its first row: that many positions.
  std::string Grid(const std::string& id, int cells) {
    return RequestJson(id, "AC1", "{\"group\":\"01\",\"unit\":\"02\"}",
                       ",\"grid\":" + testing::GridRowsJson(cells));
  }
  // The gateway dies; another starts on the file as it was at that moment.
  // As the program does: restored before the link is opened.
  void RestartFrom(const std::string& text, gateway::Options options = DefaultOptions(),
                   bool link_up = true) {
    Bury();
    session.published.clear();
    link.writes.clear();
    store.log = ReadOk(text, wall.Now().utc_ms);
    store.text = store.log.Compacted();
    StartDurable(std::move(options), false);
    gw->Restore(store.log);
    if (link_up) gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
  }

  // The virtual clock keeps its timers: a gone gateway stays, silent, until the test ends.
  void Bury() {
    if (!gw) return;
    for (window::Timer* t : gw->Timers()) t->SetEnabled(false);
    dead.push_back(std::move(gw));
  }
  // The broker took every answer published so far.
  void DeliverAll() {
    for (const MqttMessage& m : session.published)
      if (m.sequence) store.text += store.log.Delivered(m.sequence);
  }

  FileStore store;
  std::vector<std::unique_ptr<gateway::Gateway>> dead;
};

TEST(QueueLogTest, ARecordCutShortIsSkippedAndCountedTheOthersKept) {
  MqttMessage m;
  m.topic = "b/request";
  m.payload = "{\"id\":\"a\"}";
  QueueLog log;
  const std::string good = QueueLog::Header() + log.Request(1, m) + log.Request(2, m);
  const std::string answered = log.Answered(1, std::string("a"), "{\"result\":\"written\"}", 3);
  struct Case {
    const char* what;
    std::string text;
    std::size_t open, answers, torn;
  };
  const std::vector<Case> cases = {
      {"whole", good + answered, 1, 1, 0},
      {"last record cut", good + answered.substr(0, answered.size() / 2), 2, 0, 1},
      {"last newline missing", good + answered.substr(0, answered.size() - 1), 2, 0, 1},
      {"garbage between records", good + "{\"writ\x01\n" + answered, 1, 1, 1},
      {"empty file", "", 0, 0, 0},
      {"header cut short", QueueLog::Header().substr(0, 10), 0, 0, 1},
  };
  for (const Case& c : cases) {
    const QueueLog read = ReadOk(c.text, 10);
    EXPECT_EQ(read.Open().size(), c.open) << c.what;
    EXPECT_EQ(read.Answers().size(), c.answers) << c.what;
    EXPECT_EQ(read.Torn(), c.torn) << c.what;
  }
  for (const std::string& bad :
       {std::string("{\"format\":\"tvxorm-gateway-queue\",\"version\":2}\n"),
        std::string("hello\nworld\n")}) {
    EXPECT_TRUE(std::holds_alternative<std::string>(QueueLog::Read(bad, 0))) << bad;
  }
}

TEST(QueueLogTest, CompactionKeepsWhatIsLiveAndEveryByteOfIt) {
  QueueLog log;
  MqttMessage m;
  m.topic = "b/request";
  m.payload = std::string("\0\xff\n\"\\{", 6);  // any bytes survive
  m.retained = true;
  m.response_topic = "reply/here";
  m.correlation_data = std::string("\x01\x00", 2);
  m.expiry_seconds = 30;
  std::string text = QueueLog::Header();
  for (int i = 0; i < 3; ++i) text += log.Request(1000 + i, m);
  text += log.Writing(2, 4, 99);
  text += log.Answered(1, std::string("old"), "{\"n\":1}", 1000);
  text += log.Delivered(1);
  text += log.Answered(3, std::nullopt, "{\"n\":3}", 1000 + QueueLog::kKeptMs);  // not kept
  const QueueLog read = ReadOk(log.Compacted(), 1000 + QueueLog::kKeptMs);
  ASSERT_EQ(read.Open().size(), 1u);
  const gateway::QueuedRequest& r = read.Open().begin()->second;
  EXPECT_EQ(r.seq, 2u);
  EXPECT_EQ(r.message.payload, m.payload);
  EXPECT_EQ(r.message.response_topic, m.response_topic);
  EXPECT_EQ(r.message.correlation_data, m.correlation_data);
  EXPECT_EQ(r.message.expiry_seconds, 30);
  EXPECT_TRUE(r.message.retained);
  EXPECT_EQ(r.writing_unit, 4u);
  EXPECT_EQ(r.bytes_before, 99u);
  EXPECT_EQ(r.received_utc_ms, 1001);
  EXPECT_TRUE(read.Answers().empty()) << "a day old: forgotten";
  // The undelivered answer goes out again, with where its request wanted it.
  ASSERT_EQ(read.Undelivered().size(), 1u);
  EXPECT_EQ(read.Undelivered().begin()->second.response_topic, "reply/here");
  // Numbers go on after the highest seen, so a record never names two requests.
  QueueLog again = read;
  MqttMessage next;
  (void)again.Request(0, next);
  EXPECT_EQ(next.sequence, 4u);
  EXPECT_LT(log.Compacted().size(), text.size());
}

TEST_F(Durable, ACrashWhileWritingIsAnsweredInterruptedAndNothingGoesOutTwice) {
  struct Case {
    const char* what;
    bool grid;
    std::size_t snapshot_at_write;  // the file as it was during this write (1-based)
    std::string positions;
    std::size_t writes_after;  // the request behind it went out before the crash, or after
  };
  const std::vector<Case> cases = {
      {"a packet", false, 1, "", 1},
      // position 1, then the request that waits, then position 2
      {"a grid's second position", true, 3, "1", 0},
  };
  for (const Case& c : cases) {
    Bury();
    store = FileStore{};
    StartDurable();
    Arrive(Num("before", "1"));  // answered (and taken by the broker) before the crash
    DeliverAll();
    std::string snapshot;
    std::size_t writes = link.writes.size();
    link.during_write = nullptr;
    Arrive(c.grid ? Grid("it", 3) : Num("it", "2"));
    Arrive(Num("after", "3"));  // waits behind it
    for (int tick = 0; snapshot.empty() && tick < 20; ++tick) {
      if (link.writes.size() - writes + 1 == c.snapshot_at_write)
        link.during_write = [&] { snapshot = store.text; };
      Advance(100);
    }
    const std::size_t first_unit =
        link.writes.size() > writes ? link.writes[writes].bytes.size() : 0;
    ASSERT_FALSE(snapshot.empty()) << c.what;
    RestartFrom(snapshot);
    Advance(1000);
    EXPECT_EQ(ResultOf("it"), "interrupted") << c.what;
    const auto answers = Answers();
    for (const auto& a : answers) {
      if (Member(a, "id") != "it") continue;
      EXPECT_EQ(Member(a, "bytes"), c.grid ? std::to_string(first_unit) : "0") << c.what;
      EXPECT_EQ(Member(a, "positions"), c.positions) << c.what;
      EXPECT_FALSE(Member(a, "tokens").empty()) << c.what;
    }
    EXPECT_EQ(ResultOf("after"), "written") << c.what;
    ASSERT_EQ(link.writes.size(), c.writes_after) << c.what << ": only the one that waited";
    Arrive(Num("before", "1"));
    EXPECT_EQ(ResultOf("before"), "duplicate") << c.what;
    Arrive(Num("it", "2"));
    EXPECT_EQ(ResultOf("it"), "interrupted,duplicate") << c.what;
    EXPECT_EQ(link.writes.size(), c.writes_after) << c.what;
  }
}

TEST_F(Durable, TheBrokerSendingARequestAgainGetsTheSameAnswerNotASecondOne) {
  StartDurable();
  gw->LinkChanged({false, "gone", "127.0.0.1:4001", 0});
  Arrive(Num("waiting", "1"));
  Arrive(Num("waiting", "1"), true);  // while the first still waits: nothing more
  gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
  Advance(100);
  Arrive(Num("waiting", "1"), true);  // once answered: that answer again
  Arrive(Num("waiting", "1"));        // sent again by the requester: duplicate
  const auto answers = On("response");
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(answers[1].payload, answers[0].payload);
  EXPECT_EQ(ResultOf("waiting"), "written,written,duplicate");
  EXPECT_EQ(link.writes.size(), 1u);
  EXPECT_TRUE(store.log.Open().empty()) << "every record closed";
}

TEST_F(Durable, AQueuedRequestKeepsItsAgeAcrossARestart) {
  gateway::Options options = DefaultOptions();
  options.max_age_s = 2;
  StartDurable(options);
  gw->LinkChanged({false, "gone", "127.0.0.1:4001", 0});
  Arrive(Num("old", "1"));
  Advance(1500);
  Arrive(Num("young", "2"));
  RestartFrom(store.text, options, false);
  Advance(600);  // "old" is past 2 s now; "young" is not
  EXPECT_EQ(ResultOf("old"), "expired");
  gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
  Advance(100);
  EXPECT_EQ(ResultOf("young"), "written");
}

TEST_F(Durable, AnswersTheBrokerDidNotTakeArePublishedAgainAtTheStart) {
  StartDurable();
  Arrive(Num("taken", "1"));
  Arrive(Num("lost", "2"));
  Advance(200);
  ASSERT_EQ(On("response").size(), 2u);
  for (const MqttMessage& m : On("response")) EXPECT_NE(m.sequence, 0u) << "tagged for delivery";
  store.text += store.log.Delivered(On("response").front().sequence);
  RestartFrom(store.text);
  EXPECT_EQ(ResultOf("lost"), "written");
  EXPECT_EQ(ResultOf("taken"), "");
  EXPECT_TRUE(link.writes.empty());
}

TEST_F(Durable, AStopInterruptsTheGridAndKeepsWhatWaitsForTheNextStart) {
  StartDurable();
  Arrive(Grid("grid", 3));
  Arrive(Num("waits", "1"));
  Advance(0);
  ASSERT_EQ(link.writes.size(), 1u);
  gw->Stop();
  Arrive(Num("late", "2"));  // after the stop: in the file only
  EXPECT_EQ(ResultOf("grid"), "interrupted");
  EXPECT_EQ(Member(LastAnswer(), "positions"), "1");
  EXPECT_EQ(ResultOf("waits"), "");
  EXPECT_EQ(ResultOf("late"), "");
  EXPECT_EQ(On("status").back().payload, "{\"state\":\"offline\",\"reason\":\"stopped\"}");
  DeliverAll();
  RestartFrom(store.text);
  Advance(300);
  EXPECT_EQ(ResultOf("waits"), "written");
  EXPECT_EQ(ResultOf("late"), "written");
  EXPECT_EQ(ResultOf("grid"), "") << "answered once, before the stop";
}

// The program runs the loop a while after the stop, for the last answers: nothing in it may
// say "online" again, though the queue it told of is gone.
TEST_F(Durable, TheStoppedStatusIsTheLastWord) {
  StartDurable();
  gw->LinkChanged({false, "gone", "127.0.0.1:4001", 0});
  Arrive(Num("a", "1"));
  Arrive(Num("b", "2"));
  Advance(300);
  ASSERT_NE(On("status").back().payload.find("\"queue\":2"), std::string::npos);
  gw->Stop();
  Advance(1000);
  EXPECT_EQ(On("status").back().payload, "{\"state\":\"offline\",\"reason\":\"stopped\"}");
}

// Requests are synced after they are recorded, not as they are: whatever happens to one, by
// the time the gateway has taken it up, and before any byte of it goes out, a power cut keeps it.
TEST_F(Durable, EveryRequestIsSyncedOnceTakenUpAndBeforeItsBytesGoOut) {
  StartDurable();
  std::size_t unsynced_writes = 0;
  std::function<void()> check = [&] {
    unsynced_writes += store.synced != store.text.size();
    link.during_write = check;  // again for the next write
  };
  link.during_write = check;
  struct Case {
    const char* what;
    std::function<void()> before;
    std::string payload;
  };
  const std::vector<Case> cases = {
      {"goes out at once", [] {}, Num("a", "1")},
      {"waits behind a grid", [&] { Arrive(Grid("grid", 3)); }, Num("b", "2")},
      {"waits for the link",
       [&] {
         gw->LinkChanged({false, "gone", "127.0.0.1:4001", 0});
       },
       Num("c", "3")},
      {"a duplicate",
       [&] {
         gw->LinkChanged({true, "", "127.0.0.1:4001", 0});
       },
       Num("a", "1")},
      {"refused", [] {}, "{\"id\":\"d\",\"command\":\"NOPE\"}"},
      {"not JSON", [] {}, "{"},
      {"after a stop", [&] { gw->Stop(); }, Num("e", "5")},
  };
  for (const Case& c : cases) {
    c.before();
    Arrive(c.payload);
    EXPECT_EQ(store.synced, store.text.size()) << c.what;
    Advance(500);
  }
  EXPECT_GE(link.writes.size(), 4u);
  EXPECT_EQ(unsynced_writes, 0u);
}

}  // namespace
}  // namespace tvx::testing
