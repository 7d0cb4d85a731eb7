#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A real mosquitto for the tests, on a free loopback port with a configuration written here,
// and clients to watch and publish through it that share no code with the gateway's own.
namespace tvx::e2e {

// Serves the test's event loop until done() or ms have passed; done()'s last answer.
bool ServeUntil(const std::function<bool()>& done, int ms = 20000);

class Mosquitto {
 public:
  // extra: lines added to the configuration (listener and logging are given).
  explicit Mosquitto(const std::string& extra = "");
  ~Mosquitto();
  Mosquitto(const Mosquitto&) = delete;
  Mosquitto& operator=(const Mosquitto&) = delete;

  bool Running() const { return process_.state() == QProcess::Running && port_ != 0; }
  int Port() const { return port_; }
  std::string Uri() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }
  // Stops it (SIGTERM) and starts it again on the same port, without what it retained.
  void Stop();
  bool Restart();
  std::string Log();

 private:
  bool Launch();

  QTemporaryDir dir_;
  std::string extra_;
  QProcess process_;
  int port_ = 0;
  std::string log_;
};

// One message as a subscriber saw it.
struct Seen {
  std::string topic;
  std::string payload;
  int qos = 0;
  bool retained = false;
  std::optional<std::string> response_topic;
  std::optional<std::string> correlation_data;
  std::optional<std::int64_t> expiry_seconds;
};

// mosquitto_sub in MQTT 5 on the topics given, at QoS 1; every message it prints, in order.
class Watch {
 public:
  // session: a client id whose session the broker keeps (it reconnects after a broker restart
  // and gets what it missed); empty: a clean session.
  Watch(const Mosquitto& broker, const std::vector<std::string>& topics,
        const std::string& session = {});
  ~Watch();
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

  const std::vector<Seen>& Messages();
  // The first message on topic for which match holds (any, without match) among those from the
  // from-th on, waiting for it.
  std::optional<Seen> WaitFor(const std::string& topic,
                              const std::function<bool(const Seen&)>& match = {}, int ms = 20000,
                              std::size_t from = 0);
  std::size_t Count(const std::string& topic);

 private:
  void Read();

  QProcess process_;
  std::string pending_;
  std::vector<Seen> seen_;
};

struct PublishOptions {
  PublishOptions& Qos(int q) {
    qos = q;
    return *this;
  }
  PublishOptions& Retain() {
    retained = true;
    return *this;
  }
  PublishOptions& Version311() {
    version = "mqttv311";
    return *this;
  }
  PublishOptions& ResponseTopic(std::string t) {
    response_topic = std::move(t);
    return *this;
  }
  PublishOptions& Correlation(std::string c) {
    correlation_data = std::move(c);
    return *this;
  }
  PublishOptions& Expiry(std::int64_t s) {
    expiry_seconds = s;
    return *this;
  }

  int qos = 1;
  bool retained = false;
  std::string version = "mqttv5";
  std::optional<std::string> response_topic;
  std::optional<std::string> correlation_data;
  std::optional<std::int64_t> expiry_seconds;
};

// mosquitto_pub; true once the broker took it.
bool Publish(const Mosquitto& broker, const std::string& topic, const std::string& payload,
             const PublishOptions& options = {});

}  // namespace tvx::e2e
