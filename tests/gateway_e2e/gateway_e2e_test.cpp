#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/app/e2e_support.h"
#include "tests/app/sim_process.h"
#include "tests/gateway_e2e/gateway_process.h"
#include "tests/gateway_e2e/mosquitto.h"
#include "tests/gateway_e2e/plant.h"

namespace tvx::e2e {
namespace {

using G = GatewayProcess;

TEST(GatewayProgram, ARequestIsWrittenToTheBusAndAnsweredWithTheConsolesStatusLine) {
  Plant p;
  ASSERT_TRUE(p.Start()) << p.broker.Log() << p.gateway->Err();
  ASSERT_TRUE(
      p.watch->WaitFor(G::Topic("link"), [](const Seen& s) { return Field(s, "state") == "up"; }));
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("mes-1", "1234")));

  const auto answer = p.watch->WaitFor(G::Topic("response"));
  ASSERT_TRUE(answer) << p.gateway->Err();
  EXPECT_EQ(Field(*answer, "id"), "mes-1");
  EXPECT_EQ(Field(*answer, "result"), "written");
  EXPECT_EQ(Field(*answer, "status"),
            "The 'Number ' command has been sent to Group = 01, Unit = 03");
  EXPECT_EQ(Field(*answer, "tokens"), "<02>0103<1B>NUM1234N1A<04>");
  EXPECT_TRUE(p.sim.WaitFor("<02>0103<1B>NUM1234N1A<04>"));

  const auto state = p.watch->WaitFor(G::Topic("device/10003/state"),
                                      [](const Seen& s) { return Field(s, "number") == "1234"; });
  ASSERT_TRUE(state);
  EXPECT_FALSE(Field(*state, "updated").empty());
  // Retained for whoever comes later, the journal in the state folder.
  Watch later(p.broker, {G::Topic("status"), G::Topic("device/10003/state")});
  const auto status = later.WaitFor(G::Topic("status"));
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->retained);
  EXPECT_TRUE(Online(*status));
  const auto kept = later.WaitFor(G::Topic("device/10003/state"));
  ASSERT_TRUE(kept);
  EXPECT_EQ(Field(*kept, "number"), "1234");
  QFile journal(p.gateway->StateDir() + "/journal.jsonl");
  ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
  EXPECT_TRUE(journal.readAll().contains("<02>0103<1B>NUM1234N1A<04>"));
}

TEST(GatewayProgram, AnMqtt5RequestIsAlsoAnsweredOnItsResponseTopicWithItsCorrelationData) {
  Plant p;
  ASSERT_TRUE(p.Start()) << p.gateway->Err();
  Watch replies(p.broker, {"mes/replies"});
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("mes-2", "77"),
                      PublishOptions().ResponseTopic("mes/replies").Correlation("c-2")));
  const auto reply = replies.WaitFor("mes/replies");
  ASSERT_TRUE(reply) << p.gateway->Err();
  EXPECT_EQ(reply->correlation_data, "c-2");
  EXPECT_EQ(Field(*reply, "result"), "written");
}

TEST(GatewayProgram, AKilledGatewayLeavesItsWillAndAStoppedOneSaysSo) {
  struct Case {
    int signal;
    std::string reason;  // of the retained status after it
    int exit_status;     // -1: killed
  };
  for (const Case& c :
       {Case{SIGKILL, "", -1}, Case{SIGTERM, "stopped", 0}, Case{SIGINT, "stopped", 0}}) {
    Plant p;
    ASSERT_TRUE(p.Start()) << p.gateway->Err();
    p.gateway->Signal(c.signal);
    EXPECT_EQ(p.gateway->Finish(), c.exit_status) << p.gateway->Err();
    Watch after(p.broker, {G::Topic("status")});
    const auto status = after.WaitFor(G::Topic("status"), [](const Seen& s) { return !Online(s); });
    ASSERT_TRUE(status) << c.signal;
    EXPECT_TRUE(status->retained);
    EXPECT_EQ(Field(*status, "state"), "offline");
    EXPECT_EQ(Field(*status, "reason"), c.reason) << c.signal;
  }
}

TEST(GatewayProgram, AfterTheBrokerRestartsTheRetainedTopicsAreThereAgain) {
  Plant p;
  ASSERT_TRUE(p.Start()) << p.gateway->Err();
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("before", "42")));
  ASSERT_TRUE(p.watch->WaitFor(G::Topic("device/10003/state"),
                               [](const Seen& s) { return Field(s, "number") == "42"; }));
  p.watch.reset();
  ASSERT_TRUE(p.broker.Restart()) << p.broker.Log();  // it kept nothing
  Watch after(p.broker, {"t/line3/#"});
  for (const char* leaf : {"status", "link", "devices", "catalogue", "device/10003/state"}) {
    const auto seen = after.WaitFor(G::Topic(leaf));
    ASSERT_TRUE(seen) << leaf << "\n" << p.gateway->Err();
    if (std::string(leaf) == "device/10003/state") {
      EXPECT_EQ(Field(*seen, "number"), "42");
    }
  }
  ASSERT_TRUE(Publish(p.broker, G::Topic("request"), NumRequest("after", "43")));
  const auto answer = after.WaitFor(G::Topic("response"));
  ASSERT_TRUE(answer);
  EXPECT_EQ(Field(*answer, "result"), "written");
}

TEST(GatewayProgram, ASerialBusIsOpenedAgainWhenItComesBack) {
  Mosquitto broker;
  ASSERT_TRUE(broker.Running());
  QTemporaryDir dir;
  const QString pty = dir.filePath("bus");
  auto sim = std::make_unique<SimProcess>(QStringList{"--pty", pty});
  ASSERT_TRUE(sim->WaitFor("listening"));
  Watch watch(broker, {"t/line3/#"});
  GatewayProcess gateway(broker, {"--serial", pty});
  const auto up = [](const Seen& s) { return Field(s, "state") == "up"; };
  const auto down = [](const Seen& s) { return Field(s, "state") == "down"; };
  ASSERT_TRUE(watch.WaitFor(G::Topic("link"), up)) << gateway.Err();
  sim.reset();  // the pty goes
  ASSERT_TRUE(watch.WaitFor(G::Topic("link"), down)) << gateway.Err();
  const std::size_t went = watch.Messages().size();
  sim = std::make_unique<SimProcess>(QStringList{"--pty", pty});
  ASSERT_TRUE(watch.WaitFor(G::Topic("link"), up, 20000, went)) << gateway.Err();
  ASSERT_TRUE(Publish(broker, G::Topic("request"), NumRequest("s-1", "5")));
  const auto answer = watch.WaitFor(G::Topic("response"));
  ASSERT_TRUE(answer);
  EXPECT_EQ(Field(*answer, "result"), "written") << answer->payload;
  EXPECT_TRUE(sim->WaitFor("NUM5"));
}

}  // namespace
}  // namespace tvx::e2e

namespace tvx::e2e {
namespace {

TEST(GatewayProgram, WhatCannotRunEndsAtOnceWithOneLineAndItsStatus) {
  QTemporaryDir dir;
  const QString file = dir.filePath("a-file");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("x");
  f.close();
  Listener busy;
  const QStringList base{"gateway",           "--bus", "x", "--tcp", "127.0.0.1:9", "--broker",
                         "mqtt://127.0.0.1:9"};
  struct Case {
    QStringList args;
    int status;
    std::string said;
  };
  const Case cases[] = {
      {{"gateway", "--tcp", "127.0.0.1:9"}, 2, "give --bus NAME"},
      {QStringList(base) << "--pace"
                         << "fast",
       2, "--pace takes"},
      // The shared port: a port in use, a path that exists.
      {QStringList(base) << "--listen" << QString::number(busy.Port()), 1,
       "cannot listen on 127.0.0.1:" + std::to_string(busy.Port())},
      {QStringList(base) << "--pty" << file, 1,
       "--pty " + file.toStdString() + ": the path exists"},
      {QStringList(base) << "--devices" << dir.path(), 2, "cannot read the devices file"},
      {QStringList(base) << "--state-dir" << file, 1, "cannot use the state folder"},
  };
  for (const Case& c : cases) {
    const ConsoleRun run = RunProgram(c.args);
    EXPECT_EQ(run.exit_code, c.status) << c.said << "\n" << run.err;
    EXPECT_NE(run.err.find("tvxorm gateway: " + c.said), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  // A broker that cannot be reached is said as the user named it, and a stop ends the wait.
  Mosquitto gone;
  gone.Stop();
  GatewayProcess nowhere(gone, {"--tcp", "127.0.0.1:9"});
  ASSERT_TRUE(ServeUntil([&] { return nowhere.Err().find("trying again") != std::string::npos; }));
  EXPECT_NE(nowhere.Err().find("tvxorm gateway: cannot reach the broker (mqtt://127.0.0.1:"),
            std::string::npos)
      << nowhere.Err();
  nowhere.Signal(SIGTERM);
  EXPECT_EQ(nowhere.Finish(), 0);
  const ConsoleRun help = RunProgram({"gateway", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.out.rfind("Usage: tvxorm gateway --bus NAME", 0), 0u) << help.out;
}

}  // namespace
}  // namespace tvx::e2e
