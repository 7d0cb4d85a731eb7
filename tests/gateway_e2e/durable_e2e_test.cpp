#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <regex>
#include <set>

#include "tests/gateway_e2e/gateway_process.h"
#include "tests/gateway_e2e/mosquitto.h"
#include "tests/gateway_e2e/plant.h"

// Faults at the worst moment, with real processes: the gateway killed while requests stream
// in, the broker restarted under it. Every request gets one final answer and no packet reaches
// the bus twice.
namespace tvx::e2e {
namespace {

// A bus that keeps every byte any connection wrote, in order.
class RecordingBus {
 public:
  RecordingBus() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        QObject::connect(s, &QTcpSocket::readyRead,
                         [this, s] { bytes_ += s->readAll().toStdString(); });
      }
    });
  }
  QStringList Args() const {
    return {"--tcp", "127.0.0.1:" + QString::number(server_.serverPort())};
  }
  // How many NUM packets with each number reached the bus.
  std::map<std::string, int> Numbers() const {
    std::map<std::string, int> seen;
    static const std::regex kNum("NUM([0-9]{4})");
    for (std::sregex_iterator it(bytes_.begin(), bytes_.end(), kNum), end; it != end; ++it)
      ++seen[(*it)[1]];
    return seen;
  }

 private:
  QTcpServer server_;
  std::string bytes_;
};

// The distinct answers to each id on B/response (QoS 1 may bring the same one twice).
std::map<std::string, std::set<std::string>> AnswersById(Watch& watch) {
  std::map<std::string, std::set<std::string>> by_id;
  for (const Seen& s : watch.Messages()) {
    if (s.topic == GatewayProcess::Topic("response")) by_id[Field(s, "id")].insert(s.payload);
  }
  return by_id;
}

std::string Id(int i) {
  return "req-" + std::to_string(i);
}
std::string Number(int i) {
  return std::to_string(1000 + i);
}

// Each id: exactly one final answer, written or interrupted; a written one on the bus once, no
// packet twice.
void ExpectOneAnswerEachAndNothingTwice(Watch& watch, const RecordingBus& bus, int count,
                                        const std::set<std::string>& allowed) {
  const auto by_id = AnswersById(watch);
  const auto numbers = bus.Numbers();
  int interrupted = 0;
  for (int i = 0; i < count; ++i) {
    const auto it = by_id.find(Id(i));
    ASSERT_NE(it, by_id.end()) << Id(i) << " got no answer";
    ASSERT_EQ(it->second.size(), 1u) << Id(i) << " got different answers:\n"
                                     << *it->second.begin() << "\n"
                                     << *it->second.rbegin();
    QJsonObject answer =
        QJsonDocument::fromJson(QByteArray::fromStdString(*it->second.begin())).object();
    const std::string result = answer["result"].toString().toStdString();
    EXPECT_TRUE(allowed.contains(result)) << *it->second.begin();
    const auto on_bus = numbers.find(Number(i));
    const int times = on_bus == numbers.end() ? 0 : on_bus->second;
    EXPECT_LE(times, 1) << Id(i) << " went out " << times << " times";
    if (result == "written") {
      EXPECT_EQ(times, 1) << Id(i) << " answered written, not on the bus";
    }
    if (result == "interrupted") ++interrupted;
  }
  std::cout << "  " << count << " requests, " << interrupted << " interrupted\n";
}

TEST(GatewayFaults, KilledThreeTimesWhileRequestsStreamEveryOneGetsOneAnswer) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running());
  RecordingBus bus;
  QTemporaryDir state;
  Watch watch(broker, {GatewayProcess::Topic("response"), GatewayProcess::Topic("status")});
  const QStringList more{"--pace", "10"};
  auto gateway = std::make_unique<GatewayProcess>(broker, bus.Args(), more, state.path());
  ASSERT_TRUE(watch.WaitFor(GatewayProcess::Topic("status"), Online));

  QProcess publisher;  // one connection, a QoS 1 message per line
  publisher.start("mosquitto_pub",
                  {"-h", "127.0.0.1", "-p", QString::number(broker.Port()), "-V", "mqttv5", "-q",
                   "1", "-t", QString::fromStdString(GatewayProcess::Topic("request")), "-l"});
  ASSERT_TRUE(publisher.waitForStarted(10000));
  constexpr int kRequests = 150;
  for (int i = 0; i < kRequests; ++i) {
    publisher.write(QByteArray::fromStdString(NumRequest(Id(i), Number(i)) + "\n"));
    ServeUntil([] { return false; }, 15);
    if (i == 30 || i == 70 || i == 110) {
      gateway->Signal(SIGKILL);
      ASSERT_EQ(gateway->Finish(10000), -1) << "killed";
      gateway = std::make_unique<GatewayProcess>(broker, bus.Args(), more, state.path());
    }
  }
  publisher.closeWriteChannel();
  ASSERT_TRUE(publisher.waitForFinished(20000));
  ASSERT_TRUE(ServeUntil([&] { return AnswersById(watch).size() >= kRequests; }, 60000))
      << AnswersById(watch).size() << " of " << kRequests << " answered\n"
      << gateway->Err();
  ServeUntil([] { return false; }, 300);  // anything answered twice shows too
  ExpectOneAnswerEachAndNothingTwice(watch, bus, kRequests, {"written", "interrupted"});
  gateway->Signal(SIGTERM);
  EXPECT_EQ(gateway->Finish(), 0) << gateway->Err();
}

TEST(GatewayFaults, ABrokerRestartedMidStreamLosesNoRequestAndNoAnswer) {
  QTemporaryDir kept;
  // mosquitto started as root writes as its own user.
  QFile::setPermissions(kept.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                         QFileDevice::WriteOther | QFileDevice::ExeOther);
  Mosquitto broker("persistence true\npersistence_location " + kept.path().toStdString() + "/\n");
  ASSERT_TRUE(broker.Running());
  RecordingBus bus;
  Watch watch(broker, {"t/line3/#"}, "tvx-test-watch");
  // 100 ms a request: a backlog still going out when the broker stops.
  GatewayProcess gateway(broker, bus.Args(), {"--pace", "100"});
  ASSERT_TRUE(watch.WaitFor(GatewayProcess::Topic("status"), Online));
  constexpr int kBefore = 20;
  constexpr int kRequests = 30;
  for (int i = 0; i < kBefore; ++i)
    ASSERT_TRUE(Publish(broker, GatewayProcess::Topic("request"), NumRequest(Id(i), Number(i))));
  broker.Stop();  // with most of them still waiting their turn
  ServeUntil([] { return false; }, 1000);
  const std::size_t before_restart = watch.Messages().size();
  ASSERT_TRUE(broker.Restart());
  for (int i = kBefore; i < kRequests; ++i)
    ASSERT_TRUE(Publish(broker, GatewayProcess::Topic("request"), NumRequest(Id(i), Number(i))));
  ASSERT_TRUE(ServeUntil([&] { return AnswersById(watch).size() >= kRequests; }, 30000))
      << AnswersById(watch).size() << " of " << kRequests << " answered\n"
      << gateway.Err() << broker.Log();
  ExpectOneAnswerEachAndNothingTwice(watch, bus, kRequests, {"written"});
  // What was answered while the broker was away arrived after it came back, in order.
  std::vector<int> order;
  for (std::size_t i = before_restart; i < watch.Messages().size(); ++i) {
    const Seen& s = watch.Messages()[i];
    if (s.topic == GatewayProcess::Topic("response"))
      order.push_back(std::stoi(Field(s, "id").substr(4)));
  }
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
  EXPECT_TRUE(watch.WaitFor(GatewayProcess::Topic("status"), Online, 10000, before_restart))
      << "the retained status again";
  EXPECT_TRUE(watch.WaitFor(GatewayProcess::Topic("catalogue"), {}, 10000, before_restart));
}

}  // namespace
}  // namespace tvx::e2e
