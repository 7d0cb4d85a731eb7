#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "tests/gateway_e2e/mosquitto.h"

// Brokers with users, ACLs and TLS for the tests, and clients that speak as a user: mosquitto's
// own tools, sharing no code with the gateway.
namespace tvx::e2e {

// Made by the openssl program for this test: ca (signs server.crt for "localhost",
// wrong.crt for "elsewhere.example" and client.crt) and other-ca, which signs nothing here.
class TestPki {
 public:
  TestPki();
  bool Ok() const { return ok_; }
  QString Path(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  bool ok_ = false;
};

// A password file made with mosquitto_passwd: users gateway-line3, mes, viewer, each with the
// password "pw-" and its name.
QString PasswordFile(const QTemporaryDir& dir);
std::string PasswordOf(const std::string& user);
// A credentials file of mode 0600 for user, with text after its two lines.
QString CredentialsFile(const QTemporaryDir& dir, const std::string& user,
                        const std::string& more = "");
// The example ACL file the package ships.
QString ExampleAcl();

// mosquitto_sub -V mqttv5 as user (anonymous when empty) with extra arguments (TLS),
// subscribed once the broker answered.
class UserWatch {
 public:
  UserWatch(int port, const std::string& user, const std::vector<std::string>& topics,
            const QStringList& extra = {});
  ~UserWatch();
  UserWatch(const UserWatch&) = delete;
  UserWatch& operator=(const UserWatch&) = delete;
  bool Subscribed() const { return subscribed_; }
  // The messages on topic so far, payloads in order, waiting ms for at least count.
  std::vector<std::string> On(const std::string& topic, std::size_t count = 1, int ms = 20000);

 private:
  void Read();
  QProcess process_;
  std::string pending_;
  bool subscribed_ = false;
  std::vector<std::pair<std::string, std::string>> seen_;
};

// mosquitto_pub -V mqttv5 -q 1 as user; true once the broker took it.
bool PublishAs(int port, const std::string& user, const std::string& topic,
               const std::string& payload, const QStringList& extra = {});

// `tvxorm gateway --bus BUS` (prefix tvxorm) with the rest given, a state folder of its own.
class Gateway {
 public:
  Gateway(const std::string& bus, const QStringList& args);
  ~Gateway();
  Gateway(const Gateway&) = delete;
  Gateway& operator=(const Gateway&) = delete;
  // Its exit status, or -1 when it crashed or still runs after ms.
  int Finish(int ms = 20000);
  // Standard output and error so far; waits until text shows in them, at most ms.
  std::string Output(const std::string& text = "", int ms = 0);

 private:
  QTemporaryDir state_;
  QProcess process_;
  std::string output_;
};

}  // namespace tvx::e2e
