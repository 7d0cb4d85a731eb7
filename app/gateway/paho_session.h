#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gateway/mqtt_session.h"

namespace tvx::app {

struct BrokerOptions {
  // Paho's form: tcp://HOST:PORT or ssl://HOST:PORT, tried in this order.
  std::vector<std::string> uris;
  std::vector<std::string> names;  // the same as the user wrote them, for messages
  std::string client_id;
  std::string will_topic;
  std::string will_payload;
  std::vector<std::string> subscriptions;  // taken at QoS 1
  std::optional<std::string> username;
  std::optional<std::string> password;
  // TLS for ssl:// brokers: the CA file (empty: the system's trust store) and an optional
  // client certificate and key. The server's certificate and name are always verified.
  std::string ca;
  std::string cert;
  std::string key;
  int keep_alive_seconds = 30;
  // Outgoing messages kept while the broker is away; past it a publish is refused (and said).
  int max_buffered = 10000;
  // How long the broker keeps the session (subscriptions, unacknowledged requests) while the
  // gateway is away.
  std::uint32_t session_expiry_seconds = 24 * 60 * 60;
  // First wait before connecting again after a failed first connect; doubles up to the max.
  std::chrono::milliseconds retry_min{1000};
  std::chrono::milliseconds retry_max{30000};
};

// The broker connection on Paho C's asynchronous client. Its callbacks run on Paho's threads:
// each is handed to the thread that made this session with a queued call, so the events are
// only ever called there. Paho acknowledges a QoS 1 message to the broker as it reads it,
// before any callback: a message the events do not take (MessageArrived false) is kept here
// and offered again, and the ones after it wait, so none is lost while the process runs.
class PahoSession : public QObject, public tvx::gateway::MqttSession {
  Q_OBJECT

 public:
  explicit PahoSession(BrokerOptions options, QObject* parent = nullptr);
  ~PahoSession() override;
  PahoSession(const PahoSession&) = delete;
  PahoSession& operator=(const PahoSession&) = delete;

  // The Will and what to subscribe to, when they are known only after construction; before
  // Start.
  void SetTopics(std::string will_topic, std::string will_payload,
                 std::vector<std::string> subscriptions);
  // Who is told what happens; before Start, and it must outlive the session.
  void SetEvents(tvx::gateway::MqttEvents* events) { events_ = events; }
  // Called on Paho's thread with each arrived message before Paho is told it was taken (the
  // durable queue records it there); false: not now, Paho offers it again. Before Start.
  void SetKeeper(std::function<bool(tvx::gateway::MqttMessage&)> keep);
  // A published message with a sequence number reached the broker (on this thread).
  void OnDelivered(std::function<void(std::uint64_t)> delivered) {
    delivered_ = std::move(delivered);
  }
  // Starts connecting, with MQTT 5 first; a broker that refuses 5 is spoken to in 3.1.1. A
  // broker that cannot be reached is tried again with back-off until it can.
  void Start();
  void Publish(const tvx::gateway::MqttMessage& message) override;
  // Lets what was published leave (at most timeout; the loop runs meanwhile, so messages still
  // arriving are offered and answered) and disconnects without the Will.
  void Close(std::chrono::milliseconds timeout);

  // 5 or 4 (3.1.1) once connected, 0 before.
  int ProtocolVersion() const { return version_settled_ ? version_ : 0; }
  bool IsConnected() const { return connected_; }
  // A line for the operator: the broker cannot be reached, a subscription was refused, an
  // outgoing message did not fit the buffer.
  void OnNotice(std::function<void(const std::string&)> notice) { notice_ = std::move(notice); }

  struct Relay;  // what Paho's threads see

 private:
  void Create();
  void Connect();
  void Destroy();
  void Drain(std::chrono::steady_clock::time_point deadline);
  void HandleConnected();
  void HandleSubscribed(const std::string& refused);
  void HandleConnectFailed(int code, int reason, const std::string& why);
  void HandleLost(const std::string& why);
  void DiagnoseTls();
  static void Post(const std::shared_ptr<Relay>& relay, std::function<void(PahoSession*)> f);
  bool FailsOver() const;
  void Arrived(const tvx::gateway::MqttMessage& message);
  void Offer();
  void Pump();
  void Completed(int token, bool delivered);
  // Paho's token, -1 when the message was refused, kBufferFull while its buffer is full.
  int Send(const tvx::gateway::MqttMessage& message);
  static constexpr int kBufferFull = -2;
  void Notice(const std::string& text);

  BrokerOptions options_;
  tvx::gateway::MqttEvents* events_ = nullptr;
  std::shared_ptr<Relay> relay_;
  void* client_ = nullptr;  // MQTTAsync
  int version_ = 5;
  bool version_settled_ = false;
  bool connected_ = false;
  bool closed_ = false;
  bool troubled_ = false;  // a failure was told and no connection since
  // Not yet handed to Paho, oldest first: all of them until the first connection settled
  // which protocol the broker speaks.
  std::deque<tvx::gateway::MqttMessage> outgoing_;
  std::vector<int> handed_;                        // Paho's tokens of messages not yet completed
  std::map<int, std::uint64_t> handed_sequences_;  // token -> the message's sequence
  std::function<void(std::uint64_t)> delivered_;
  std::size_t window_ = 65535;  // the broker's receive maximum
  QEventLoop* drain_loop_ = nullptr;
  std::deque<tvx::gateway::MqttMessage> inbox_;  // arrived, not yet taken
  QTimer offer_again_;
  static constexpr std::chrono::milliseconds kOfferAgain{100};
  // Offered a few per turn of the event loop, so that a burst of arrivals does not hold back
  // the pace's ticks (1,000 at once held the bus for ~200 ms).
  static constexpr int kOfferPerTurn = 16;
  bool offer_posted_ = false;
  QTimer retry_;
  std::chrono::milliseconds next_retry_;
  std::function<void(const std::string&)> notice_;
  bool probing_ = false;
  std::string told_tls_;      // the TLS problem last told, until a connection
  std::string told_publish_;  // the publishing failure last told, until a connection
};

}  // namespace tvx::app
