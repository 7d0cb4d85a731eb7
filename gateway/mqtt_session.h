#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the gateway's logic needs of its broker connection, and what the connection tells it.
// The Paho client in app/gateway/ implements MqttSession and calls MqttEvents on the logic's
// thread; tests use a recording double.
namespace tvx::gateway {

struct MqttMessage {
  std::string topic;
  std::string payload;
  int qos = 1;
  bool retained = false;
  // MQTT 5 properties; absent on a 3.1.1 connection.
  std::optional<std::string> response_topic;
  std::optional<std::string> correlation_data;
  std::optional<std::int64_t> expiry_seconds;  // Message Expiry Interval as received
  // The broker's DUP flag: this very message again (a QoS 1 resend), not a new request.
  bool redelivered = false;
  // The durable queue's number for an arrived request; 0: not in the queue.
  std::uint64_t sequence = 0;
};

class MqttSession {
 public:
  virtual ~MqttSession() = default;
  // Kept by the client while the broker is away and delivered in order once it is back.
  virtual void Publish(const MqttMessage& message) = 0;
};

class MqttEvents {
 public:
  virtual ~MqttEvents() = default;
  // After every connect and reconnect, once the subscriptions are in place: the retained
  // topics go out again (a broker may have lost them).
  virtual void Connected() = 0;
  virtual void ConnectionLost(const std::string& reason) = 0;
  // B/request and B/republish. True once the message is taken: the client acknowledges a
  // QoS 1 message to the broker only then (a durable queue will return true only after it
  // has written the request to disk).
  virtual bool MessageArrived(const MqttMessage& message) = 0;
};

}  // namespace tvx::gateway
