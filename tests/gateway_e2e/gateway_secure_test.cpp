#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "app/gateway/broker_security.h"
#include "tests/app/e2e_support.h"
#include "tests/gateway_e2e/mosquitto.h"
#include "tests/gateway_e2e/secure_fixture.h"

namespace tvx::e2e {
namespace {

QString Bus(const Listener& bus) {
  return "127.0.0.1:" + QString::number(bus.Port());
}

std::string Request(const std::string& id) {
  return R"({"id":")" + id +
         R"(","command":"NUM","fields":{"group":"01","unit":"03","number":"7"}})";
}

std::string FieldOf(const std::string& payload, const char* name) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(payload))
      .object()[name]
      .toString()
      .toStdString();
}

// Run by root, mosquitto becomes the user mosquitto, who cannot read the test's files.
constexpr char kKeepUser[] = "user root\n";

std::string TlsListener(const TestPki& pki, bool require_certificate) {
  return std::string(kKeepUser) + "cafile " + pki.Path("ca.crt").toStdString() + "\ncertfile " +
         pki.Path("server.crt").toStdString() + "\nkeyfile " +
         pki.Path("server.key").toStdString() +
         (require_certificate ? "\nrequire_certificate true\n" : "\n");
}

TEST(GatewaySecurity, ATlsBrokerIsUsedOnlyWhenItsCertificateAndNameVerify) {
  const TestPki pki;
  ASSERT_TRUE(pki.Ok());
  Mosquitto open_tls(TlsListener(pki, false));
  Mosquitto client_cert(TlsListener(pki, true));
  ASSERT_TRUE(open_tls.Running()) << open_tls.Log();
  ASSERT_TRUE(client_cert.Running()) << client_cert.Log();
  const QString ca = pki.Path("ca.crt");
  const QStringList as_client{"--cert", pki.Path("client.crt"), "--key", pki.Path("client.key")};
  struct Case {
    const char* name;
    Mosquitto* broker;
    const char* host;
    QStringList options;
    std::string said;  // empty: online
  } cases[] = {
      {"verified", &open_tls, "localhost", {"--ca", ca}, ""},
      {"the address names another host",
       &open_tls,
       "127.0.0.1",
       {"--ca", ca},
       "its certificate is not for '127.0.0.1' (the name in the broker's address)"},
      {"signed by a CA not given",
       &open_tls,
       "localhost",
       {"--ca", pki.Path("other-ca.crt")},
       "its certificate is not signed by a CA in the --ca file"},
      {"no --ca: the system's store",
       &open_tls,
       "localhost",
       {},
       "its certificate is not signed by a CA in the system's trust store"},
      {"with a client certificate", &client_cert, "localhost", QStringList{"--ca", ca} << as_client,
       ""},
      {"without the certificate asked for",
       &client_cert,
       "localhost",
       {"--ca", ca},
       "cannot reach the broker"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A bus of its own: the broker keeps the statuses of the cases before.
    const std::string name = "tls" + std::to_string(n++);
    const std::string status_topic = "tvxorm/" + name + "/status";
    Listener bus;
    const QString uri = QString("mqtts://%1:%2").arg(c.host).arg(c.broker->Port());
    UserWatch watch(c.broker->Port(), "", {status_topic},
                    QStringList{"--cafile", ca, "-h", "localhost"} << as_client);
    ASSERT_TRUE(watch.Subscribed());
    Gateway g(name, QStringList{"--tcp", Bus(bus), "--broker", uri} << c.options);
    if (c.said.empty()) {
      const auto status = watch.On(status_topic);
      ASSERT_FALSE(status.empty()) << g.Output();
      EXPECT_EQ(FieldOf(status.back(), "state"), "online");
    } else {
      EXPECT_NE(g.Output(c.said, 20000).find(c.said), std::string::npos) << g.Output();
      EXPECT_TRUE(watch.On(status_topic, 1, 500).empty());
    }
  }
}

// The example ACL as shipped: each user is held to what it may read and write.
TEST(GatewaySecurity, TheExampleAclHoldsTheGatewayTheMesAndTheViewerToTheirTopics) {
  QTemporaryDir dir;
  const QString passwd = PasswordFile(dir);
  ASSERT_FALSE(passwd.isEmpty());
  Mosquitto broker(std::string(kKeepUser) + "allow_anonymous false\npassword_file " +
                   passwd.toStdString() + "\nacl_file " + ExampleAcl().toStdString() + "\n");
  ASSERT_TRUE(broker.Running()) << broker.Log();
  const int port = broker.Port();
  UserWatch viewer(port, "viewer", {"tvxorm/#"});
  UserWatch mes(port, "mes", {"tvxorm/+/response", "tvxorm/+/status"});
  ASSERT_TRUE(viewer.Subscribed() && mes.Subscribed());

  Listener bus;
  Gateway g("line3", {"--tcp", Bus(bus), "--broker", QString::fromStdString(broker.Uri()),
                      "--credentials", CredentialsFile(dir, "gateway-line3")});
  ASSERT_FALSE(viewer.On("tvxorm/line3/status").empty()) << g.Output();

  EXPECT_TRUE(PublishAs(port, "mes", "tvxorm/line3/request", Request("mes-1")));
  const auto answers = mes.On("tvxorm/line3/response");
  ASSERT_EQ(answers.size(), 1u) << g.Output();
  EXPECT_EQ(FieldOf(answers[0], "result"), "written");

  // The viewer's request and the MES's forged status never arrive.
  PublishAs(port, "viewer", "tvxorm/line3/request", Request("viewer-1"));
  PublishAs(port, "mes", "tvxorm/line3/status", R"({"state":"forged"})");
  PublishAs(port, "mes", "tvxorm/line3/request", Request("mes-2"));
  const auto later = viewer.On("tvxorm/line3/response", 2);
  ASSERT_EQ(later.size(), 2u) << g.Output();
  EXPECT_EQ(FieldOf(later[1], "id"), "mes-2");
  EXPECT_TRUE(mes.On("tvxorm/line3/status", 1, 200).empty());
  for (const auto& s : viewer.On("tvxorm/line3/status", 1, 0))
    EXPECT_NE(FieldOf(s, "state"), "forged");

  // A gateway's user may not serve another bus: what it publishes is refused, and it says so.
  Listener bus4;
  Gateway other("line4", {"--tcp", Bus(bus4), "--broker", QString::fromStdString(broker.Uri()),
                          "--credentials", CredentialsFile(dir, "gateway-line3")});
  const std::string refused = "a message was not published: the broker refused it";
  EXPECT_NE(other.Output(refused, 20000).find(refused), std::string::npos) << other.Output();
  EXPECT_TRUE(viewer.On("tvxorm/line4/status", 1, 0).empty());

  // A wrong password: refused, said, and not echoed.
  const QString wrong = dir.filePath("wrong.credentials");
  QFile f(wrong);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("username=gateway-line3\npassword=not-the-secret-42\n");
  f.close();
  QFile::setPermissions(wrong, QFile::ReadOwner | QFile::WriteOwner);
  Gateway bad("line3", {"--tcp", Bus(bus), "--broker", QString::fromStdString(broker.Uri()),
                        "--credentials", wrong, "--client-id", "bad-line3"});
  const std::string said = "the broker refused the connection";
  EXPECT_NE(bad.Output(said, 20000).find(said), std::string::npos) << bad.Output();
  EXPECT_EQ(bad.Output().find("not-the-secret-42"), std::string::npos);
}

TEST(GatewaySecurity, TlsOptionsNeedTlsBrokersAndAListIsAllTlsOrNone) {
  const auto refusal = [](std::vector<std::string> more) {
    std::vector<std::string> args{"--bus", "b", "--tcp", "h:1"};
    args.insert(args.end(), more.begin(), more.end());
    const auto parsed = app::ParseGatewayArgs(args);
    if (const auto* wrong = std::get_if<std::string>(&parsed)) return "usage: " + *wrong;
    const auto& a = std::get<app::GatewayArgs>(parsed);
    return app::TlsUsageRefusal(a);
  };
  const std::string mixed = "give every --broker as mqtts:// or none";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--broker", "mqtts://b", "--ca", "ca.pem", "--cert", "c", "--key", "k"}, ""},
      {{"--broker", "mqtts://b"}, ""},  // the system's trust store
      {{"--broker", "mqtts://a", "--broker", "mqtts://b:1"}, ""},
      {{"--broker", "mqtt://b", "--credentials", "f"}, ""},
      {{"--broker", "mqtt://b", "--ca", "ca.pem"},
       "--ca, --cert and --key are for mqtts:// brokers"},
      {{"--broker", "mqtts://a", "--broker", "mqtt://b"}, mixed},
      {{"--broker", "mqtt://a", "--broker", "mqtts://b"}, mixed},
      {{"--broker", "mqtts://b", "--cert", "c"}, "usage: --cert and --key go together"},
  };
  for (const auto& [args, said] : cases) {
    const std::string got = refusal(args);
    EXPECT_EQ(got.substr(0, said.size()), said) << args[1];
    EXPECT_EQ(got.empty(), said.empty()) << got;
  }
}

TEST(GatewaySecurity, ACredentialsFileThatCannotBeUsedStopsTheStartWithOneLineAndNoSecret) {
  QTemporaryDir dir;
  const QFileDevice::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
  struct Case {
    const char* name;
    std::string text;
    QFileDevice::Permissions mode;
    std::string said;
  } cases[] = {
      {"group may read", "username=u\npassword=s3cret-a\n", owner | QFile::ReadGroup,
       "group or others may read it; make it the owner's only: chmod 600"},
      {"others may read", "username=u\npassword=s3cret-b\n", owner | QFile::ReadOther,
       "group or others may read it"},
      {"no username", "password=s3cret-c\n", owner, "no username= line"},
      {"a line of another kind", "username=u\npass word s3cret-d\n", owner,
       "line 2: not a username= or password= line"},
      {"username twice", "username=u\nusername=s3cret-e\n", owner,
       "line 2: username= is given twice"},
      {"empty username", "# the MES\nusername=\npassword=s3cret-f\n", owner,
       "line 2: username= is empty"},
  };
  Listener bus;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir.filePath("credentials");
    QFile::remove(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(c.text.data(), static_cast<qint64>(c.text.size()));
    f.close();
    QFile::setPermissions(path, c.mode);
    Gateway g("line3",
              {"--tcp", Bus(bus), "--broker", "mqtt://127.0.0.1:1", "--credentials", path});
    EXPECT_EQ(g.Finish(), 1);
    const std::string out = g.Output();
    EXPECT_EQ(out.rfind("tvxorm gateway: cannot use the credentials file '", 0), 0u) << out;
    EXPECT_NE(out.find(c.said), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_EQ(out.find("s3cret"), std::string::npos) << out;
  }
  // Missing and a folder: InputFile's own reasons.
  for (const QString& path : {dir.filePath("none"), dir.path()}) {
    Gateway g("line3",
              {"--tcp", Bus(bus), "--broker", "mqtt://127.0.0.1:1", "--credentials", path});
    EXPECT_EQ(g.Finish(), 1);
    EXPECT_NE(g.Output().find("cannot use the credentials file"), std::string::npos);
  }
}

}  // namespace
}  // namespace tvx::e2e
